// A generated scenario of any length for the benchmarks: regular curves,
// gradients, signals, speed boards, stations and slow orders, laid out so
// that no two features claim the same route cell and the route checks find
// room for every point they add.
#pragma once

#include <cstdint>
#include <string>

namespace ferrovello::bench {

// Line script of a route of `metri` metres: a curve every 500 m, a gradient
// every 300 m and a maximum-speed board every 2000 m.
std::string linea_generata(int32_t metri);

// Train script on that route: a signal every 1200 m, a slow order every
// 20 km and a station every 8 km for as long as the item table has slots
// for stations (78 of them, to 620 km).
std::string treno_generato(int32_t metri);

}  // namespace ferrovello::bench
