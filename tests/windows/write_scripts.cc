// Writes the installer's two embedded scripts ("Ferrovello_linea.txt" and
// "Ferrovello_2632-.txt") into a folder, as the installer does before it
// compiles them: the good scripts of the Wine tests of scenario-tool.exe.
//   write_scripts FOLDER
#include <cstdio>

#include "model/form1.h"
#include "platform/posix_platform.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_scripts FOLDER\n");
    return 2;
  }
  ferrovello::PosixPlatform platform(argv[1]);
  ferrovello::Form1 form(platform);
  form.scenario_name = "Ferrovello";
  form.train_number = "2632";
  form.dati_linea();
  form.dati_treno();
  return 0;
}
