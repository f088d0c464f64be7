// make-scenario METRES DIR: writes the line and train scripts of a generated
// scenario of METRES metres into DIR as linea.txt and treno.txt.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "generated_scenario.h"

namespace {

bool scrivi(const std::string& percorso, const std::string& testo) {
  std::FILE* f = std::fopen(percorso.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(testo.data(), 1, testo.size(), f) == testo.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "uso: make-scenario METRI CARTELLA\n");
    return 2;
  }
  const long metri = std::strtol(argv[1], nullptr, 10);
  if (metri <= 0 || metri > 1000000) {
    std::fprintf(stderr, "lunghezza fuori dal campo da 1 a 1000000: %s\n", argv[1]);
    return 2;
  }
  const std::string cartella = argv[2];
  const auto m = static_cast<int32_t>(metri);
  if (!scrivi(cartella + "/linea.txt", ferrovello::bench::linea_generata(m)) ||
      !scrivi(cartella + "/treno.txt", ferrovello::bench::treno_generato(m))) {
    std::fprintf(stderr, "impossibile scrivere in %s\n", argv[2]);
    return 1;
  }
  return 0;
}
