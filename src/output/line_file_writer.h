// The line file written while its table is laid. The table (up to 20 MB)
// is laid metre by metre from the start; each finished piece of
// LineTable::kPiece metres is handed to the platform, which writes it to the
// file's temporary beside the laying of the next (the POSIX platform on a
// thread of its own), so that laying and writing overlap. The last piece
// and the empty tails go when the file is written in its turn, which then
// puts the file in place as every other file: flushed, then renamed.
#pragma once

#include <string>

#include "model/form1.h"

namespace ferrovello {

struct ScritturaLinea {
  Platform& platform;
  const LineTable& table;
  PiecesFile file;
  size_t written = 0;  // metres handed to the platform, whole pieces
  bool failed = false;
  std::string reason;  // why the file could not be written

  ScritturaLinea(Platform& p, const LineTable& t) : platform(p), table(t) {}
};

}  // namespace ferrovello
