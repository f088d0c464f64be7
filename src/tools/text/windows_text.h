// An author's text (UTF-8, as editors write it today) turned into what the
// installer writes: Windows-1252 bytes with CR LF line ends.
#pragma once

#include <string>

namespace ferrovello {

// Every line end (LF, CR LF or a lone CR) becomes CR LF, and a last line
// without one gets it; a UTF-8 byte-order mark at the start is dropped.
// False when a character has no place in Windows-1252 or the bytes are not
// UTF-8: `perche` then starts with "RIGA:COLONNA: " (both from 1, the column
// counted in characters).
bool testo_windows(const std::string& utf8, std::string& out, std::string& perche);

// The same line ends for a text in any encoding that keeps ASCII as it is
// (UTF-8 or Windows-1252): every LF, CR LF or lone CR becomes CR LF, and a
// last line without one gets it. The other bytes are not looked at.
std::string righe_windows(const std::string& testo);

}  // namespace ferrovello
