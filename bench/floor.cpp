// floor DIR SIZE...: the yardstick of the benchmarks. For each size it
// writes one file of exactly that many bytes into DIR through the same
// sequence as the installer (temporary file, one write, rename over the
// target) and computes nothing else: the cost of the output alone.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/posix_platform.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "uso: floor CARTELLA [BYTE...]\n");
    return 2;
  }
  ferrovello::PosixPlatform platform(argv[1]);
  for (int i = 2; i < argc; ++i) {
    char* fine = nullptr;
    const unsigned long long n = std::strtoull(argv[i], &fine, 10);
    if (fine == argv[i] || *fine != '\0') {
      std::fprintf(stderr, "dimensione non valida: %s\n", argv[i]);
      return 2;
    }
    const std::string bytes(static_cast<size_t>(n), '\x5a');
    const std::string percorso = platform.program_folder() + "/floor_" + std::to_string(i - 1) + ".bin";
    std::string perche;
    if (!platform.replace_file(percorso, bytes, perche)) {
      std::fprintf(stderr, "impossibile scrivere %s: %s\n", percorso.c_str(), perche.c_str());
      return 1;
    }
  }
  return 0;
}
