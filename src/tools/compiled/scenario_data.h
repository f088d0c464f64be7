// A compiled scenario as the pictures of the tool take it, from the files
// read back or straight from a compilation in memory: what `plot` and the
// page of `view` are drawn from.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/form1.h"

namespace ferrovello {

// What a picture of a scenario is drawn from; any part may be missing.
struct DatiGrafico {
  std::vector<LineValue> linea;  // entry 0 of every metre, then entry 1
  std::vector<RouteCell> celle;
  std::array<ItemRecord, kItemCount> elementi{};
  bool con_elementi = false;
};

// The route's length in metres: the one the item table gives, else the
// cells' extent.
int32_t lunghezza_percorso(const DatiGrafico& d);
// How far a drawing of the route goes: its length, or further, to a station
// or a feature placed past it.
int32_t estensione_disegno(const DatiGrafico& d);

}  // namespace ferrovello
