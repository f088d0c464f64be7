#include "tools/text/windows_text.h"

#include <cstdint>
#include <cstdio>

#include "tools/text/cp1252.h"

namespace ferrovello {

namespace {

// The code point of the UTF-8 sequence at `i` and its length; 0 as length
// when the bytes there are not UTF-8 (cut short, overlong, a surrogate).
uint32_t punto_utf8(const std::string& s, size_t i, size_t& n) {
  const auto b = static_cast<unsigned char>(s[i]);
  uint32_t cp = 0;
  uint32_t minimo = 0;
  if (b < 0x80) {
    n = 1;
    return b;
  }
  if ((b & 0xE0) == 0xC0) {
    n = 2, cp = b & 0x1Fu, minimo = 0x80;
  } else if ((b & 0xF0) == 0xE0) {
    n = 3, cp = b & 0x0Fu, minimo = 0x800;
  } else if ((b & 0xF8) == 0xF0) {
    n = 4, cp = b & 0x07u, minimo = 0x10000;
  } else {
    n = 0;
    return 0;
  }
  if (i + n > s.size()) {
    n = 0;
    return 0;
  }
  for (size_t k = 1; k < n; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) {
      n = 0;
      return 0;
    }
    cp = (cp << 6) | (c & 0x3Fu);
  }
  if (cp < minimo || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) n = 0;
  return cp;
}

}  // namespace

bool testo_windows(const std::string& utf8, std::string& out, std::string& perche) {
  out.clear();
  size_t i = utf8.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  size_t riga = 1;
  size_t colonna = 1;
  bool riga_aperta = false;
  auto dove = [&] { return std::to_string(riga) + ":" + std::to_string(colonna) + ": "; };
  while (i < utf8.size()) {
    const char c = utf8[i];
    if (c == '\r' || c == '\n') {
      i += (c == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n') ? 2 : 1;
      out += "\r\n";
      ++riga;
      colonna = 1;
      riga_aperta = false;
      continue;
    }
    size_t n = 0;
    const uint32_t cp = punto_utf8(utf8, i, n);
    if (n == 0) {
      perche = dove() + "il testo non è UTF-8 valido (byte " + std::to_string(static_cast<unsigned char>(c)) + ")";
      return false;
    }
    std::string byte;
    if (!cp1252_da_utf8(utf8.substr(i, n), byte) || byte.size() != 1) {
      char codice[16];
      std::snprintf(codice, sizeof codice, "U+%04X", static_cast<unsigned>(cp));
      perche = dove() + "il carattere '" + utf8.substr(i, n) + "' (" + codice + ") non ha posto in Windows-1252";
      return false;
    }
    out += byte;
    i += n;
    ++colonna;
    riga_aperta = true;
  }
  if (riga_aperta) out += "\r\n";
  return true;
}

std::string righe_windows(const std::string& testo) {
  std::string out;
  out.reserve(testo.size() + testo.size() / 32 + 2);
  for (size_t i = 0; i < testo.size(); ++i) {
    const char c = testo[i];
    if (c != '\r' && c != '\n') {
      out += c;
      continue;
    }
    if (c == '\r' && i + 1 < testo.size() && testo[i + 1] == '\n') ++i;
    out += "\r\n";
  }
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  return out;
}

}  // namespace ferrovello
