// Byte layouts of the binary files: packed little-endian records with no
// header and no count.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "model/form1.h"
#include "model/record_layout.h"

namespace ferrovello {

// Route cells from index 0, kCellBytes each.
std::string codifica_percorso(const std::vector<RouteCell>& celle);
// The 87 item records, kItemFixedBytes plus the length of the text each.
std::string codifica_elementi(const std::array<ItemRecord, kItemCount>& elementi);
// Every slot of the line table, metre index fastest: a 16-bit tag and the
// value (nothing, 2 bytes or 8 bytes). The table already holds these bytes:
// laid to its end it is the file itself; a table cut short (a compilation
// that stopped early) has its two entries joined in `riserva`.
std::string_view codifica_linea(const LineTable& tabella, std::string& riserva);
// The same layout from slots one by one, as a decoded file holds them
// (entry 0 of every metre, then entry 1).
std::string codifica_linea(const std::vector<LineValue>& valori);
// The slots of a line table one by one, in that order.
std::vector<LineValue> valori_linea(const LineTable& tabella);

}  // namespace ferrovello
