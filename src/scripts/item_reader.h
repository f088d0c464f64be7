// The item reader of both scripts. A script is a stream of items, each ended
// by a comma or by the end of a line: text items (keywords, section headers,
// sign texts, station names) and number items (decimal integers of a fixed
// width). Where a line ends does not matter to the reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ferrovello {

// Line and column (from 1) of a byte offset, for fault reports.
struct PuntoTesto {
  int32_t riga = 1;
  int32_t colonna = 1;
};

// A script held in memory, with the reading position.
struct ScriptItems {
  std::string bytes;
  size_t pos = 0;
  size_t item_start = 0;  // where the last item read began
  // The last place punto_testo counted to, from where it counts on: faults
  // come in reading order, so a full check counts every line once.
  mutable size_t contato_fino = 0;
  mutable PuntoTesto punto_contato;
};

enum class Larghezza { bit8, bit16, bit32 };

// True when nothing is left to read.
bool fine_file(const ScriptItems& s);

// Reads a text item: from its first non-blank character to the next comma
// or line end, trailing blanks dropped; the comma or line end is consumed.
// False when the script is already at its end.
bool leggi_testo(ScriptItems& s, std::string& item);

// Reads a number item of the given width: optional "-", decimal digits,
// then the blanks and one comma or line end after it. An item without digits
// reads as 0. False, with the reason, when the script is at its end, the
// item is not a number or the value does not fit the width.
bool leggi_numero(ScriptItems& s, Larghezza larghezza, int32_t& valore, std::string& perche);

// Line and column of a byte offset, for fault reports.
PuntoTesto punto_testo(const ScriptItems& s, size_t offset);

// Substring tests of the keyword dispatch.
bool contiene(const std::string& testo, const char* parola);     // exact case
// Any letter case. A word given as a literal has its length known where it
// is called: the test runs for every item read, many times over.
bool contiene_ci(std::string_view testo, std::string_view parola);

}  // namespace ferrovello
