// Table columns for the terminal: widths counted in characters, so that an
// accented letter (two bytes in UTF-8) takes one column like any other.
#pragma once

#include <cstddef>
#include <string>

namespace ferrovello {

// Characters of a UTF-8 text (bytes that do not continue a sequence).
size_t caratteri(const std::string& utf8);
// The text followed, or preceded, by spaces up to `larghezza` characters.
std::string a_sinistra(const std::string& utf8, size_t larghezza);
std::string a_destra(const std::string& utf8, size_t larghezza);

}  // namespace ferrovello
