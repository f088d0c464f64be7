// Windows-1252 text of the scenario files to and from UTF-8, for listings,
// JSON and SVG. The five bytes the code page leaves undefined map to the
// control characters of the same number, so that no byte is lost.
#pragma once

#include <string>

namespace ferrovello {

std::string utf8_da_cp1252(const std::string& testo);
// False when the text is not UTF-8 or holds a character the code page has not.
bool cp1252_da_utf8(const std::string& testo, std::string& out);

}  // namespace ferrovello
