// `dump` by place: the cells of a route file, or the metres of a line file,
// at one place or along a stretch given in metres from the start or as
// kilometric posts of the scenario's progressive systems.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "tools/dump/dump_command.h"

namespace ferrovello {

// The cell that holds a point at `metri` from the start.
int64_t cella_di(int64_t metri);

// The columns of a row of the line table, as every dump of a line file shows
// it: metre, cell, the kilometric post (when `km` is given), x and y.
std::string colonne_linea(const std::string& metro, const std::string& cella, const std::string* km,
                          const std::string& x, const std::string& y);

// Whether the dump asks for a place, a stretch or the kilometric posts.
bool per_luogo(const DumpOptions& o);

// For the command line: the reason why `testo` is not a place, or nothing.
std::string luogo_non_valido(const std::string& testo);

// The rows of the place or stretch asked for, as a table or JSON, each with
// its cell, its metres and, with --sim, its kilometric post. Returns the
// exit status: 1 for a place that is not on the route, an item file that
// cannot be read, or a stretch that ends before it starts.
int dump_percorso_per_luogo(const DumpOptions& o, Platform& platform, const std::vector<RouteCell>& celle,
                            std::string& out);
int dump_linea_per_luogo(const DumpOptions& o, Platform& platform, const std::vector<LineValue>& tabella,
                         std::string& out);

}  // namespace ferrovello
