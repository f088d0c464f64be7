// `dump`: the simulator's files decoded into tables for the terminal or
// into JSON, whole or by place (dump_place.h).
#pragma once

#include <cstdio>
#include <string>
#include <vector>
#include <nlohmann/json.hpp>

#include "model/form1.h"
#include "platform/platform.h"
#include "tools/compiled/record_words.h"

namespace ferrovello {

struct DumpOptions {
  std::string file;
  std::string tipo;  // "percorso", "elementi", "linea", or empty to go by the file name
  bool json = false;
  std::string out = "-";  // the file written, "-" for standard output
  // A place or a stretch of a route or line file (metres or kilometric
  // posts), the item file whose progressive systems give the posts, and the
  // one system to look a post up in (0: every one).
  std::string at, from, to, sim;
  int system = 0;
};

// Decodes one of the simulator's files ("-": standard input), as a table or
// as JSON, to o.out. Returns the exit status: 0, 1 for a file that cannot be
// read or does not fit its layout, 2 for a file whose kind cannot be told.
int esegui_dump(const DumpOptions& o, Platform& platform);

}  // namespace ferrovello
