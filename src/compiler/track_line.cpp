// The planar track line: one point of the track centre line per metre,
// stepped from the two points before it. A straight run repeats the last
// step; a curve turns the step by the curvature of its class.
#include <algorithm>
#include <cstdint>

#include "compiler/compile_state.h"

namespace ferrovello {

namespace {

// The stepping of the line: the latest point and the step to it.
struct Punti {
  double x1, y1;  // P(c - 1)
  double dx, dy;  // P(c - 1) - P(c - 2)
};

// Lays n points at the cursor, each P(c) = P(c - 1) + (P(c - 1) - P(c - 2)),
// turned by k per metre on a curve. The straight and the curved stepping
// are separate loops, with no test in them but the count.
template <bool kCurva>
void passi(Punti& p, LineCursor& penna, size_t n, double k) {
  double x1 = p.x1, y1 = p.y1, dx = p.dx, dy = p.dy;
  char* slot = penna.slot;
  const size_t half = penna.half;
  for (size_t j = 0; j < n; ++j) {
    double x = x1 + dx;
    double y = y1 + dy;
    if constexpr (kCurva) {
      x = x + k * dy;
      y = y - k * dx;
    }
    LineCursor::put_real(slot, x);
    LineCursor::put_real(slot + half, y);
    slot += 10;
    dx = x - x1;
    dy = y - y1;
    x1 = x;
    y1 = y;
  }
  p = {x1, y1, dx, dy};
  penna.slot = slot;
  penna.m += n;
}

// Steps the line from c up to `fino`, turning by k; false once c passes
// `ultimo`. Points past the table's room are stepped over but not laid, and
// nothing reads them, so only those that are laid are computed.
bool corsa(LineTable& t, int64_t& c, int64_t fino, double k, int64_t ultimo) {
  if (c > fino) return true;
  const auto m = static_cast<size_t>(c);
  Punti p{t.x(m - 1), t.y(m - 1), t.x(m - 1) - t.x(m - 2), t.y(m - 1) - t.y(m - 2)};
  LineCursor penna = t.cursor();
  // One step at least; the stepping stops after metre `ultimo`.
  const int64_t passi_fatti = std::max<int64_t>(1, std::min(fino, ultimo) + 1 - c);
  const size_t posti = penna.end > penna.m ? penna.end - penna.m : 0;
  const size_t posati = std::min(static_cast<size_t>(passi_fatti), posti);
  if (k == 0.0) {
    passi<false>(p, penna, posati, k);
  } else {
    passi<true>(p, penna, posati, k);
  }
  t.close(penna);
  c += passi_fatti;
  return fino < ultimo;
}

// Curvature per metre of a curve keyword: the first class digit of 1 to 6
// found in it; negative for a left-hand curve. False without a digit.
bool curvatura(const std::string& parola, double& k) {
  static constexpr double kPerClasse[6] = {0.0001, 0.0002, 0.0004, 0.001, 0.002, 0.003};
  for (int classe = 0; classe < 6; ++classe) {
    if (parola.find(static_cast<char>('1' + classe)) != std::string::npos) {
      k = kPerClasse[classe];
      if (contiene_ci(parola, "s")) k = -k;
      return true;
    }
  }
  return false;
}

}  // namespace

void Form1::inizia_tracciato(CompileState& s) {
  line_table.lay_start(0, 0, 0, 1);
  s.punto = 2;
}

// Lays the straight run up to the curve's start and the curve itself, cut
// where the line table keeps its last two metres empty. False for a curve
// without a class digit or one that takes the track past its last point.
bool Form1::posa_curva(CompileState& s, int32_t inizio, int32_t lunghezza, const std::string& parola) {
  double k = 0.0;
  if (!curvatura(parola, k)) return false;
  const int64_t limite = static_cast<int64_t>(line_extent) - 2;
  const int64_t fine = static_cast<int64_t>(inizio) + lunghezza;
  return corsa(line_table, s.punto, std::min<int64_t>(inizio, limite), 0.0, kMaxTrackPoint) &&
         corsa(line_table, s.punto, std::min(fine, limite), k, kMaxTrackPoint);
}

void Form1::chiudi_tracciato(CompileState& s) {
  corsa(line_table, s.punto, static_cast<int64_t>(line_extent) - 2, 0.0, INT64_MAX);
}

}  // namespace ferrovello
