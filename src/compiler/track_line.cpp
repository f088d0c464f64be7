// The planar track line: one point of the track centre line per metre,
// stepped from the two points before it. A straight run repeats the last
// step; a curve turns the step by the curvature of its class.
#include "compiler/compile_state.h"

namespace ferrovello {

namespace {

struct Punti {
  std::vector<LineValue>& t;
  size_t metri;  // line_extent + 1: entry 1 of metre m follows all entries 0

  double x(int64_t m) const { return t[static_cast<size_t>(m)].value; }
  double y(int64_t m) const { return t[metri + static_cast<size_t>(m)].value; }
  void metti(int64_t m, double px, double py) {
    t[static_cast<size_t>(m)] = {LineValue::kReale, px};
    t[metri + static_cast<size_t>(m)] = {LineValue::kReale, py};
  }
  // P(c) = P(c - 1) + (P(c - 1) - P(c - 2)), turned by k per metre.
  void passo(int64_t c, double k) {
    const double x1 = x(c - 1);
    const double y1 = y(c - 1);
    const double dx = x1 - x(c - 2);
    const double dy = y1 - y(c - 2);
    if (k == 0.0) {
      metti(c, x1 + dx, y1 + dy);
    } else {
      metti(c, x1 + dx + k * dy, y1 + dy - k * dx);
    }
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
  const size_t metri = static_cast<size_t>(line_extent) + 1;
  line_table[0] = {LineValue::kIntero, 0.0};
  line_table[metri] = {LineValue::kIntero, 0.0};
  line_table[1] = {LineValue::kIntero, 0.0};
  line_table[metri + 1] = {LineValue::kIntero, 1.0};
  s.punto = 2;
}

// Lays the straight run up to the curve's start and the curve itself, cut
// where the line table keeps its last two metres empty. False for a curve
// without a class digit or one that takes the track past its last point.
bool Form1::posa_curva(CompileState& s, int32_t inizio, int32_t lunghezza, const std::string& parola) {
  double k = 0.0;
  if (!curvatura(parola, k)) return false;
  Punti p{line_table, static_cast<size_t>(line_extent) + 1};
  const int64_t limite = static_cast<int64_t>(line_extent) - 2;
  const int64_t fine = static_cast<int64_t>(inizio) + lunghezza;
  for (; s.punto <= inizio && s.punto <= limite;) {
    p.passo(s.punto, 0.0);
    if (++s.punto > kMaxTrackPoint) return false;
  }
  for (; s.punto <= fine && s.punto <= limite;) {
    p.passo(s.punto, k);
    if (++s.punto > kMaxTrackPoint) return false;
  }
  return true;
}

void Form1::chiudi_tracciato(CompileState& s) {
  Punti p{line_table, static_cast<size_t>(line_extent) + 1};
  for (; s.punto <= static_cast<int64_t>(line_extent) - 2; ++s.punto) p.passo(s.punto, 0.0);
}

}  // namespace ferrovello
