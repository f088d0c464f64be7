// The installer: no arguments, no input; it installs the embedded scenario
// into the folder that holds the program.
#include <array>
#include <new>
#include <stdexcept>

#include "app/installer_mark.h"
#include "model/form1.h"
#ifdef _WIN32
#include "platform/win32_platform.h"
using InstallerPlatform = ferrovello::Win32Platform;  // window and message box
#else
#include "platform/posix_platform.h"
using InstallerPlatform = ferrovello::PosixPlatform;
#endif

namespace ferrovello {

// Kept in the file by the attribute, though nothing reads it.
[[gnu::used]] const std::array<char, kLunghezzaMarchio> kMarchio = marchio_installatore();

}  // namespace ferrovello

int main() {
  InstallerPlatform platform;
  ferrovello::Form1 form(platform);
  try {
    form.on_load();
  } catch (const std::bad_alloc&) {
    form.memoria_esaurita();
  } catch (const std::length_error&) {
    form.memoria_esaurita();
  }
  return 0;
}
