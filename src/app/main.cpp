// The installer: no arguments, no input; it installs the embedded scenario
// into the folder that holds the program.
#include "model/form1.h"
#include "platform/posix_platform.h"

int main() {
  ferrovello::PosixPlatform platform;
  ferrovello::Form1 form(platform);
  form.on_load();
  return 0;
}
