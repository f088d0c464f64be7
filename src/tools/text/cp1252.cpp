#include "tools/text/cp1252.h"

#include <cstdint>

namespace ferrovello {

namespace {

// Code points of the bytes 80 to 9F.
constexpr uint32_t kRiga80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

uint32_t punto_di(unsigned char b) { return (b >= 0x80 && b <= 0x9F) ? kRiga80[b - 0x80] : b; }

void aggiungi_utf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

bool byte_di(uint32_t cp, char& b) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
    b = static_cast<char>(cp);
    return true;
  }
  for (unsigned i = 0; i < 32; ++i) {
    if (kRiga80[i] == cp) {
      b = static_cast<char>(0x80 + i);
      return true;
    }
  }
  return false;
}

}  // namespace

std::string utf8_da_cp1252(const std::string& testo) {
  std::string out;
  out.reserve(testo.size());
  for (const char c : testo) aggiungi_utf8(out, punto_di(static_cast<unsigned char>(c)));
  return out;
}

bool cp1252_da_utf8(const std::string& testo, std::string& out) {
  out.clear();
  for (size_t i = 0; i < testo.size();) {
    const auto b = static_cast<unsigned char>(testo[i]);
    uint32_t cp = 0;
    size_t n = 0;
    if (b < 0x80) {
      cp = b;
      n = 1;
    } else if ((b & 0xE0) == 0xC0) {
      cp = b & 0x1Fu;
      n = 2;
    } else if ((b & 0xF0) == 0xE0) {
      cp = b & 0x0Fu;
      n = 3;
    } else {
      return false;
    }
    if (i + n > testo.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      const auto c = static_cast<unsigned char>(testo[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (c & 0x3Fu);
    }
    char byte = 0;
    if (!byte_di(cp, byte)) return false;
    out.push_back(byte);
    i += n;
  }
  return true;
}

}  // namespace ferrovello
