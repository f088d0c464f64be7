#pragma once

#include <cstdio>
#include <string>
#include <vector>
#include <nlohmann/json.hpp>

#include "model/form1.h"
#include "platform/platform.h"
#include "tools/dump/progressive_km.h"

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

// What a cell's kind makes of its four values, as the route table shows
// them; cell 1 (`indice`) carries the two stamps.
std::string valori_cella(const RouteCell& c, size_t indice);

// The rows of the tables, each with its line end. A route row shows the
// kilometric post of the cell when the progressive systems are given.
std::string intestazione_percorso(bool con_km);
std::string riga_percorso(size_t i, const RouteCell& c, const std::vector<SistemaKm>* sistemi);
std::string riga_elemento(size_t i, const ItemRecord& r);
// A slot of the line table as the table shows it: "-", an integer or a real
// to a tenth of a millimetre, without trailing zeros.
std::string valore_linea(const LineValue& v);

// Every field of a record as stored, by the names of its layout; a slot of
// the line table as [tag] or [tag, value].
nlohmann::ordered_json json_cella(const RouteCell& c);
nlohmann::ordered_json json_elemento(const ItemRecord& r);
nlohmann::ordered_json json_valore(const LineValue& v);

// Decodes one of the simulator's files ("-": standard input), as a table or
// as JSON, to o.out. Returns the exit status: 0, 1 for a file that cannot be
// read or does not fit its layout, 2 for a file whose kind cannot be told.
int esegui_dump(const DumpOptions& o, Platform& platform);

}  // namespace ferrovello
