#include "app/crc32.h"

#include <array>

namespace ferrovello {

namespace {

constexpr std::array<uint32_t, 256> tabella_crc() {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[i] = c;
  }
  return t;
}

constexpr std::array<uint32_t, 256> kTabella = tabella_crc();

}  // namespace

uint32_t crc32(std::string_view bytes) {
  uint32_t c = 0xFFFFFFFFu;
  for (const char b : bytes) c = kTabella[(c ^ static_cast<unsigned char>(b)) & 0xFFu] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

}  // namespace ferrovello
