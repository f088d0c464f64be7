// The installer: no arguments, no input; it installs the embedded scenario
// into the folder that holds the program.
#include "model/form1.h"
#ifdef _WIN32
#include "platform/win32_platform.h"
using InstallerPlatform = ferrovello::Win32Platform;  // window and message box
#else
#include "platform/posix_platform.h"
using InstallerPlatform = ferrovello::PosixPlatform;
#endif

int main() {
  InstallerPlatform platform;
  ferrovello::Form1 form(platform);
  form.on_load();
  return 0;
}
