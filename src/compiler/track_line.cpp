// The planar track line: one point of the track centre line per metre,
// stepped from the two points before it. A straight run repeats the last
// step; a curve turns the step by the curvature of its class.
#include <algorithm>
#include <cstdint>

#include "compiler/compile_state.h"

namespace ferrovello {

namespace {

// The stepping of the line: the latest point, the step to it and where the
// next point goes.
struct Punti {
  double x1, y1;  // P(c - 1)
  double dx, dy;  // P(c - 1) - P(c - 2)
  LineCursor penna;

  // P(c) = P(c - 1) + (P(c - 1) - P(c - 2)), turned by k per metre.
  void passo(double k) {
    double x = x1 + dx;
    double y = y1 + dy;
    if (k != 0.0) {
      x = x + k * dy;
      y = y - k * dx;
    }
    penna.lay(x, y);
    dx = x - x1;
    dy = y - y1;
    x1 = x;
    y1 = y;
  }
};

// Lays the points from c up to `fino`, turning by k; false once c passes
// `ultimo`. Everything it steps with is a local copy, which the stores into
// the table cannot touch, so it stays in registers.
bool tratto(LineTable& t, int64_t& c, int64_t fino, double k, int64_t ultimo) {
  const auto m = static_cast<size_t>(c);
  Punti p{t.x(m - 1), t.y(m - 1), t.x(m - 1) - t.x(m - 2), t.y(m - 1) - t.y(m - 2), t.cursor()};
  int64_t i = c;
  bool ok = true;
  while (i <= fino) {
    p.passo(k);
    if (++i > ultimo) {
      ok = false;
      break;
    }
  }
  t.close(p.penna);
  c = i;
  return ok;
}

// The same, handing the table back at the end of every piece, so that the
// line file's writer hears of each piece as soon as it is laid. The step
// taken up again from the table is the one just stored, so the points are
// those of one unbroken run.
bool corsa(LineTable& t, int64_t& c, int64_t fino, double k, int64_t ultimo) {
  constexpr auto kPezzo = static_cast<int64_t>(LineTable::kPiece);
  while (c <= fino) {
    if (!tratto(t, c, std::min(fino, (c / kPezzo + 1) * kPezzo - 1), k, ultimo)) return false;
  }
  return true;
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
