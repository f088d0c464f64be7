// Line lists: every text file of the program is a fixed table of lines
// closed by the end marker, written by one sequence (Form1::scrivi_lista).
#pragma once

#include <cstddef>
#include <string>

#include "model/form1.h"

namespace ferrovello {

// Fills a line list with the given lines from entry 0 and puts the end
// marker after the last one.
template <size_t N>
LineList riempi_lista(const char* const (&righe)[N]) {
  static_assert(N < kLineListCapacity, "a line list holds at most 1000 lines");
  LineList lista;
  for (size_t i = 0; i < N; ++i) lista[i] = righe[i];
  lista[N] = kEndMarker;
  return lista;
}

// The bytes of a line list as written: each line followed by CR LF, up to
// the end marker, which leaves no trace.
std::string testo_lista(const LineList& lista, int32_t& loop_index);

}  // namespace ferrovello
