#include "tools/plot/plot_labels.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace ferrovello {

bool si_toccano(const Riquadro& a, const Riquadro& b, double margine) {
  return a.x0 < b.x1 + margine && b.x0 < a.x1 + margine && a.y0 < b.y1 + margine && b.y0 < a.y1 + margine;
}

double larghezza_testo(const std::string& utf8, double corpo) {
  double em = 0;
  for (const char c : utf8) {
    const auto u = static_cast<unsigned char>(c);
    if ((u & 0xc0) == 0x80) continue;  // continuation byte of a letter already counted
    if (c == ' ' || c == '.' || c == ',' || c == ':' || c == '\'' || c == 'I' || c == 'i' || c == 'l') {
      em += 0.36;
    } else if (c == 'M' || c == 'W' || c == 'm' || c == 'w') {
      em += 0.95;
    } else if (u >= 'A' && u <= 'Z') {
      em += 0.74;
    } else {
      em += 0.62;
    }
  }
  return em * corpo;
}

namespace {

constexpr double kAria = 3;  // pixels kept free between two names

bool copre(const NomeInFila& n, double x) { return x > n.x0 - kAria && x < n.x0 + n.larghezza + kAria; }

// Lines run from each name down to the band, so a name may cover the place
// of a station whose name sits lower, and never one whose name sits higher
// or is still to come.
bool sta_in_fila(const std::vector<NomeInFila>& posati, const std::vector<double>& a_venire, const NomeInFila& n) {
  for (const NomeInFila& p : posati) {
    if (p.fila == n.fila && p.x0 < n.x0 + n.larghezza + kAria && n.x0 < p.x0 + p.larghezza + kAria) return false;
    if (p.fila > n.fila && copre(n, p.x)) return false;  // it would hide the line of a name above
    if (p.fila < n.fila && copre(p, n.x)) return false;  // its line would cross a name below
  }
  return std::none_of(a_venire.begin(), a_venire.end(), [&](double x) { return copre(n, x); });
}

}  // namespace

void disponi_in_file(std::vector<NomeInFila>& nomi, double sinistra, double destra) {
  std::vector<size_t> ordine(nomi.size());
  for (size_t i = 0; i < ordine.size(); ++i) ordine[i] = i;
  std::stable_sort(ordine.begin(), ordine.end(), [&](size_t a, size_t b) { return nomi[a].x < nomi[b].x; });
  std::vector<NomeInFila> posati;
  std::vector<double> a_venire;
  for (auto k = ordine.rbegin(); k != ordine.rend(); ++k) a_venire.push_back(nomi[*k].x);
  for (const size_t i : ordine) {
    a_venire.pop_back();
    NomeInFila n = nomi[i];
    // Centred on its place, then to its right, then to its left; always
    // over its own line and inside the picture.
    const std::array<double, 3> inizi = {n.x - n.larghezza / 2, n.x - 6, n.x + 6 - n.larghezza};
    // Two places on one spot leave no row clear of the other's line: past
    // one row for each name, the name takes the last row tried.
    const int ultima = static_cast<int>(nomi.size());
    for (n.fila = 0; n.fila <= ultima; ++n.fila) {
      bool fatto = false;
      for (const double x0 : inizi) {
        n.x0 = std::clamp(x0, sinistra, std::max(sinistra, destra - n.larghezza));
        if (n.x < n.x0 + 2 || n.x > n.x0 + n.larghezza - 2) continue;
        if (sta_in_fila(posati, a_venire, n) || n.fila == ultima) {
          fatto = true;
          break;
        }
      }
      if (fatto) break;
    }
    posati.push_back(n);
    nomi[i] = n;
  }
}

namespace {

// The box of a name at distance `d` from its point in direction (ux, uy),
// each -1, 0 or 1 (the second downwards).
Riquadro box_verso(const NomeAccanto& n, double d, int ux, int uy) {
  const double k = ux != 0 && uy != 0 ? 0.7 : 1.0;
  double x0 = n.px - n.larghezza / 2, y0 = n.py - n.altezza / 2;
  if (ux > 0) x0 = n.px + d * k;
  if (ux < 0) x0 = n.px - d * k - n.larghezza;
  if (uy > 0) y0 = n.py + d * k;
  if (uy < 0) y0 = n.py - d * k - n.altezza;
  return {x0, y0, x0 + n.larghezza, y0 + n.altezza};
}

bool dentro(const Riquadro& r, const Riquadro& campo) {
  return r.x0 >= campo.x0 && r.y0 >= campo.y0 && r.x1 <= campo.x1 && r.y1 <= campo.y1;
}

bool tocca_linea(const Riquadro& r, const std::vector<PuntoSchermo>& linea) {
  for (const PuntoSchermo& p : linea) {
    if (p.x > r.x0 - 2 && p.x < r.x1 + 2 && p.y > r.y0 - 2 && p.y < r.y1 + 2) return true;
  }
  return false;
}

// The track as points no more than 3 pixels apart, so that a box cannot sit
// across a segment between two of them unseen.
std::vector<PuntoSchermo> fitta(const std::vector<PuntoSchermo>& linea) {
  std::vector<PuntoSchermo> out;
  for (size_t i = 0; i < linea.size(); ++i) {
    if (i > 0) {
      const double dx = linea[i].x - linea[i - 1].x, dy = linea[i].y - linea[i - 1].y;
      const int passi = static_cast<int>(std::hypot(dx, dy) / 3);
      for (int s = 1; s < passi; ++s) {
        const double t = static_cast<double>(s) / passi;
        out.push_back({linea[i - 1].x + t * dx, linea[i - 1].y + t * dy});
      }
    }
    out.push_back(linea[i]);
  }
  return out;
}

}  // namespace

void disponi_accanto(std::vector<NomeAccanto>& nomi, const Riquadro& campo, const std::vector<Riquadro>& ostacoli,
                     const std::vector<PuntoSchermo>& linea) {
  static constexpr std::array<double, 8> kDistanze = {7, 16, 28, 42, 60, 82, 110, 145};
  static constexpr std::array<std::array<int, 2>, 8> kDirezioni = {
      {{1, 0}, {-1, 0}, {1, -1}, {1, 1}, {-1, -1}, {-1, 1}, {0, -1}, {0, 1}}};
  const std::vector<PuntoSchermo> traccia = fitta(linea);
  std::vector<Riquadro> occupati = ostacoli;
  for (const NomeAccanto& n : nomi) occupati.push_back({n.px - 4, n.py - 4, n.px + 4, n.py + 4});  // the dots
  for (NomeAccanto& n : nomi) {
    bool fatto = false;
    for (int evita_linea = 1; evita_linea >= 0 && !fatto; --evita_linea) {
      for (const double d : kDistanze) {
        for (const auto& [ux, uy] : kDirezioni) {
          const Riquadro r = box_verso(n, d, ux, uy);
          if (!dentro(r, campo)) continue;
          if (std::any_of(occupati.begin(), occupati.end(), [&](const Riquadro& o) { return si_toccano(r, o, 2); })) {
            continue;
          }
          if (evita_linea != 0 && tocca_linea(r, traccia)) continue;
          n.box = r;
          n.leader = d > kDistanze[0];
          fatto = true;
          break;
        }
        if (fatto) break;
      }
    }
    if (!fatto) n.box = box_verso(n, kDistanze[0], 1, 0);  // no room anywhere: beside its point
    occupati.push_back(n.box);
  }
}

}  // namespace ferrovello
