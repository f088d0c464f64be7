#include "tools/text/colonne.h"

namespace ferrovello {

size_t caratteri(const std::string& utf8) {
  size_t n = 0;
  for (const char c : utf8) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return n;
}

std::string a_sinistra(const std::string& utf8, size_t larghezza) {
  const size_t n = caratteri(utf8);
  return n >= larghezza ? utf8 : utf8 + std::string(larghezza - n, ' ');
}

std::string a_destra(const std::string& utf8, size_t larghezza) {
  const size_t n = caratteri(utf8);
  return n >= larghezza ? utf8 : std::string(larghezza - n, ' ') + utf8;
}

}  // namespace ferrovello
