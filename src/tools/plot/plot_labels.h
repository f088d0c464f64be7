// Where the names of the picture go: boxes of text estimated from their
// length, and two greedy placements that keep every name clear of the others
// (and of whatever else is in the way). A picture is read when its names are
// read: a name on top of another is worse than one a little further away.
#pragma once

#include <string>
#include <vector>

namespace ferrovello {

struct Riquadro {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // left, top, right, bottom
};

bool si_toccano(const Riquadro& a, const Riquadro& b, double margine = 0);

// The width of a line of UTF-8 text at `corpo` pixels, taken generously, so
// that the real text of any common sans-serif font fits inside it.
double larghezza_testo(const std::string& utf8, double corpo);

// Names in rows above a band, each joined to its place on the band by a
// vertical line. A name goes into the lowest row where it touches no other
// name and where neither its own line crosses a name below it nor it covers
// the line of a name above it. `x` are the places, in order or not.
struct NomeInFila {
  double x = 0;       // the place on the band
  double larghezza = 0;
  int fila = 0;       // 0 is the row next to the band
  double x0 = 0;      // left edge of the name
};
void disponi_in_file(std::vector<NomeInFila>& nomi, double sinistra, double destra);

// Names beside points of a plan. Each tries, from near to far, places around
// its point in eight directions and takes the first that stays inside
// `campo` and touches no name placed before, no obstacle, and (if it can) no
// point of `linea`, the track drawn. `leader` says when the name stands
// far enough from its point to need a line to it.
struct NomeAccanto {
  double px = 0, py = 0;  // the point
  double larghezza = 0, altezza = 0;
  Riquadro box;           // where it went
  bool leader = false;
};
struct PuntoSchermo {
  double x, y;
};
void disponi_accanto(std::vector<NomeAccanto>& nomi, const Riquadro& campo, const std::vector<Riquadro>& ostacoli,
                     const std::vector<PuntoSchermo>& linea);

}  // namespace ferrovello
