#include "platform/visible_text.h"

#include <cstdio>

namespace ferrovello {

namespace {

void escape(std::string& out, const char* format, unsigned value) {
  char room[8];
  std::snprintf(room, sizeof room, format, value);
  out += room;
}

// Length of the well-formed UTF-8 sequence at `i`, 0 when there is none.
size_t sequence(std::string_view t, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(t[k]); };
  const unsigned lead = b(i);
  size_t n = 0;
  unsigned low = 0x80;
  unsigned high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    n = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    n = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    n = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (i + n > t.size()) return 0;
  if (b(i + 1) < low || b(i + 1) > high) return 0;
  for (size_t k = 2; k < n; ++k) {
    if (b(i + k) < 0x80 || b(i + k) > 0xBF) return 0;
  }
  return n;
}

}  // namespace

std::string visible_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      if ((c < 0x20 && c != '\n') || c == 0x7F) {
        escape(out, "\\x%02X", c);
      } else {
        out += text[i];
      }
      ++i;
      continue;
    }
    const size_t n = sequence(text, i);
    if (n == 0) {
      escape(out, "\\x%02X", c);
      ++i;
    } else if (n == 2 && c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0) {
      escape(out, "\\u%04X", static_cast<unsigned char>(text[i + 1]));
      i += 2;
    } else {
      out.append(text.substr(i, n));
      i += n;
    }
  }
  return out;
}

}  // namespace ferrovello
