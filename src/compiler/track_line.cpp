// The planar track line: one point of the track centre line per metre,
// stepped from the two points before it. A straight run repeats the last
// step; a curve turns the step by the curvature of its class.
#include <algorithm>

#include "compiler/compile_state.h"

namespace ferrovello {

namespace {

// The stepping of the line: the latest point and the step to it are kept
// here, and every new point is laid at the end of the table.
struct Punti {
  LineTable& t;
  double x1, y1;  // P(c - 1)
  double dx, dy;  // P(c - 1) - P(c - 2)

  explicit Punti(LineTable& tabella, int64_t c)
      : t(tabella),
        x1(t.x(static_cast<size_t>(c - 1))),
        y1(t.y(static_cast<size_t>(c - 1))),
        dx(x1 - t.x(static_cast<size_t>(c - 2))),
        dy(y1 - t.y(static_cast<size_t>(c - 2))) {}

  // P(c) = P(c - 1) + (P(c - 1) - P(c - 2)), turned by k per metre.
  void passo(double k) {
    double x = x1 + dx;
    double y = y1 + dy;
    if (k != 0.0) {
      x = x + k * dy;
      y = y - k * dx;
    }
    t.lay(x, y);
    dx = x - x1;
    dy = y - y1;
    x1 = x;
    y1 = y;
  }

  // Lays the points from c up to `fino`, turning by k; false once c passes
  // the last track point.
  bool corsa(int64_t& c, int64_t fino, double k) {
    while (c <= fino) {
      passo(k);
      if (++c > kMaxTrackPoint) return false;
    }
    return true;
  }
};

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
  Punti p(line_table, s.punto);
  const int64_t limite = static_cast<int64_t>(line_extent) - 2;
  const int64_t fine = static_cast<int64_t>(inizio) + lunghezza;
  int64_t c = s.punto;  // a local, which the stores into the table cannot touch
  const bool ok = p.corsa(c, std::min<int64_t>(inizio, limite), 0.0) && p.corsa(c, std::min(fine, limite), k);
  s.punto = c;
  return ok;
}

void Form1::chiudi_tracciato(CompileState& s) {
  Punti p(line_table, s.punto);
  int64_t c = s.punto;
  for (; c <= static_cast<int64_t>(line_extent) - 2; ++c) p.passo(0.0);
  s.punto = c;
}

}  // namespace ferrovello
