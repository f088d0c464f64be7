#pragma once

#include <cstdio>
#include <string>

#include "model/form1.h"
#include "platform/platform.h"

namespace ferrovello {

struct DumpOptions {
  std::string file;
  std::string tipo;  // "percorso", "elementi", "linea", or empty to go by the file name
  bool json = false;
  std::string out = "-";  // the file written, "-" for standard output
};

// What a cell's kind makes of its four values, as the route table shows
// them; cell 1 (`indice`) carries the two stamps.
std::string valori_cella(const RouteCell& c, size_t indice);

// Decodes one of the simulator's files ("-": standard input), as a table or
// as JSON, to o.out. Returns the exit status: 0, 1 for a file that cannot be
// read or does not fit its layout, 2 for a file whose kind cannot be told.
int esegui_dump(const DumpOptions& o, Platform& platform);

}  // namespace ferrovello
