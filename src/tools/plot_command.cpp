#include "tools/plot_command.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "output/encoding.h"
#include "tools/cp1252.h"
#include "tools/file_decoders.h"
#include "tools/standard_output.h"

namespace ferrovello {

namespace {

constexpr double kLarghezza = 1200;
constexpr double kMargine = 60;
constexpr double kAltezzaPianta = 560;
constexpr double kAltezzaProfilo = 170;  // each of the two profile bands

std::string n(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

std::string xml(const std::string& cp1252) {
  std::string out;
  for (const char c : utf8_da_cp1252(cp1252)) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

struct Punto {
  double x;
  double y;
};

// Points of the plan that hold a value, one every `passo` metres.
// Up to the metre `fine` (the end of the route, without the margin beyond).
std::vector<Punto> punti_pianta(const std::vector<LineValue>& t, size_t passo, size_t fine, std::vector<size_t>& metri) {
  std::vector<Punto> p;
  const size_t quanti = t.size() / 2;
  for (size_t m = 0; m < quanti && m <= fine; ++m) {
    const bool ultimo = m + 1 == quanti || m == fine || t[m + 1].tag == LineValue::kVuoto;
    if (t[m].tag == LineValue::kVuoto || !std::isfinite(t[m].value) || !std::isfinite(t[quanti + m].value)) continue;
    if (m % passo != 0 && !ultimo) continue;
    p.push_back({t[m].value, t[quanti + m].value});
    metri.push_back(m);
  }
  return p;
}

void pianta(const DatiGrafico& d, std::string& svg) {
  std::vector<size_t> metri;
  const size_t fine = d.con_elementi && d.elementi[84].value2 > 0 ? static_cast<size_t>(d.elementi[84].value2)
                                                                    : d.linea.size();
  const std::vector<Punto> p = punti_pianta(d.linea, std::max<size_t>(1, d.linea.size() / 2 / 4000), fine, metri);
  svg += "<text x='" + n(kMargine) + "' y='30' class='titolo'>Pianta del tracciato</text>\n";
  if (p.empty()) return;
  double x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
  for (const Punto& q : p) {
    x0 = std::min(x0, q.x), x1 = std::max(x1, q.x), y0 = std::min(y0, q.y), y1 = std::max(y1, q.y);
  }
  const double scala = std::min((kLarghezza - 2 * kMargine) / std::max(x1 - x0, 1.0),
                                (kAltezzaPianta - 80) / std::max(y1 - y0, 1.0));
  const double cx = kMargine + ((kLarghezza - 2 * kMargine) - (x1 - x0) * scala) / 2;
  // The first planar axis runs to the right and the second upwards.
  auto sx = [&](double x) { return cx + (x - x0) * scala; };
  auto sy = [&](double y) { return 50 + (kAltezzaPianta - 80) - (y - y0) * scala; };
  svg += "<path class='binario' d='";
  for (size_t i = 0; i < p.size(); ++i) svg += (i == 0 ? "M" : " L") + n(sx(p[i].x)) + " " + n(sy(p[i].y));
  svg += "'/>\n";
  if (!d.con_elementi) return;
  for (size_t i = 1; i <= 80; ++i) {
    const ItemRecord& r = d.elementi[i];
    if (!e_stazione(r)) continue;
    const auto vicino = std::lower_bound(metri.begin(), metri.end(), static_cast<size_t>(std::max(0, r.position)));
    const size_t k = vicino == metri.end() ? metri.size() - 1 : static_cast<size_t>(vicino - metri.begin());
    svg += "<circle class='stazione' cx='" + n(sx(p[k].x)) + "' cy='" + n(sy(p[k].y)) + "' r='4'/>";
    svg += "<text class='nome' x='" + n(sx(p[k].x) + 8) + "' y='" + n(sy(p[k].y) + 4) + "'>" + xml(r.text) +
           "</text>\n";
  }
}

void profilo(const DatiGrafico& d, std::string& svg) {
  if (d.celle.empty()) return;
  const double top = kAltezzaPianta + 40;
  const double lunghezza = d.con_elementi && d.elementi[84].value2 > 0 ? d.elementi[84].value2
                                                                         : static_cast<double>(d.celle.size()) * 50;
  const double w = kLarghezza - 2 * kMargine - 60;  // room for the last station's name
  auto sx = [&](double metri) { return kMargine + std::clamp(metri / lunghezza, 0.0, 1.0) * w; };
  const size_t ultima = std::min(d.celle.size(), static_cast<size_t>(lunghezza / 50) + 2);

  int pmax = 1, vmax = 10;
  for (size_t c = 0; c < ultima; ++c) {
    pmax = std::max(pmax, std::abs(d.celle[c].byte5 - 100));
    vmax = std::max(vmax, d.celle[c].byte4 * 5);
  }
  const double gp = top + 30, vp = gp + kAltezzaProfilo + 40;
  auto yp = [&](double g) { return gp + kAltezzaProfilo / 2 - g / pmax * (kAltezzaProfilo / 2 - 5); };
  auto yv = [&](double v) { return vp + kAltezzaProfilo - v / vmax * (kAltezzaProfilo - 5); };

  svg += "<text x='" + n(kMargine) + "' y='" + n(top + 10) + "' class='titolo'>Profilo lungo il percorso</text>\n";
  svg += "<rect class='banda' x='" + n(kMargine) + "' y='" + n(gp) + "' width='" + n(w) + "' height='" +
         n(kAltezzaProfilo) + "'/>\n";
  svg += "<rect class='banda' x='" + n(kMargine) + "' y='" + n(vp) + "' width='" + n(w) + "' height='" +
         n(kAltezzaProfilo) + "'/>\n";
  svg += "<line class='asse' x1='" + n(kMargine) + "' x2='" + n(kMargine + w) + "' y1='" + n(yp(0)) + "' y2='" +
         n(yp(0)) + "'/>\n";
  svg += "<text class='etichetta' x='" + n(kMargine - 5) + "' y='" + n(gp + 12) + "' text-anchor='end'>+" +
         std::to_string(pmax) + "\xe2\x80\xb0</text><text class='etichetta' x='" + n(kMargine - 5) + "' y='" +
         n(gp + kAltezzaProfilo) + "' text-anchor='end'>-" + std::to_string(pmax) + "\xe2\x80\xb0</text>\n";
  svg += "<text class='etichetta' x='" + n(kMargine - 5) + "' y='" + n(vp + 12) + "' text-anchor='end'>" +
         std::to_string(vmax) + " km/h</text>\n";
  svg += "<text class='legenda' x='" + n(kMargine + 5) + "' y='" + n(gp - 5) +
         "'>Pendenza (per mille)</text><text class='legenda' x='" + n(kMargine + 5) + "' y='" + n(vp - 5) +
         "'>Velocit\xc3\xa0 massima del treno (km/h), segnali, indicatori e rallentamenti</text>\n";

  std::string pend = "<path class='pendenza' d='";
  std::string vel = "<path class='velocita' d='";
  for (size_t c = 0; c < ultima; ++c) {
    const double a = static_cast<double>(c) * 50, b = a + 50;
    const std::string cmd = c == 0 ? "M" : " L";
    pend += cmd + n(sx(a)) + " " + n(yp(d.celle[c].byte5 - 100)) + " L" + n(sx(b)) + " " + n(yp(d.celle[c].byte5 - 100));
    vel += cmd + n(sx(a)) + " " + n(yv(d.celle[c].byte4 * 5)) + " L" + n(sx(b)) + " " + n(yv(d.celle[c].byte4 * 5));
  }
  svg += pend + "'/>\n" + vel + "'/>\n";

  for (size_t c = 0; c < ultima; ++c) {
    const double x = sx((static_cast<double>(c) - 1) * 50);
    const uint8_t k = d.celle[c].kind;
    if (k == kSegnale) {
      svg += "<line class='segnale' x1='" + n(x) + "' x2='" + n(x) + "' y1='" + n(vp + kAltezzaProfilo - 14) +
             "' y2='" + n(vp + kAltezzaProfilo) + "'/>";
    } else if (k == kIndicatoreVMax) {
      svg += "<path class='indicatore' d='M" + n(x) + " " + n(vp + 4) + " l-4 8 h8 z'/>";
    } else if (k == kInizioRallentamento || k == kFineRallentamento || k == kAvvisoRallentamento) {
      svg += "<rect class='rallentamento' x='" + n(x - 2) + "' y='" + n(vp + 16) + "' width='4' height='8'/>";
    }
  }
  svg += "\n";
  if (d.con_elementi) {
    for (size_t i = 1; i <= 80; ++i) {
      const ItemRecord& r = d.elementi[i];
      if (!e_stazione(r)) continue;
      const double x = sx(r.position);
      svg += "<line class='stazione' x1='" + n(x) + "' x2='" + n(x) + "' y1='" + n(gp) + "' y2='" +
             n(vp + kAltezzaProfilo) + "'/>";
      svg += "<text class='nome' transform='translate(" + n(x + 3) + " " + n(vp + kAltezzaProfilo + 8) +
             ") rotate(60)'>" + xml(r.text) + "</text>\n";
    }
  }
  for (int km = 0; km <= static_cast<int>(lunghezza / 1000); km += 10) {
    const double x = sx(km * 1000.0);
    svg += "<text class='etichetta' x='" + n(x) + "' y='" + n(vp + kAltezzaProfilo + 100) +
           "' text-anchor='middle'>" + std::to_string(km) + " km</text>";
  }
  svg += "\n";
}

}  // namespace

std::string disegna_svg(const DatiGrafico& d) {
  const double altezza = kAltezzaPianta + (d.celle.empty() ? 0 : 2 * kAltezzaProfilo + 260);
  std::string svg = "<?xml version='1.0' encoding='UTF-8'?>\n<svg xmlns='http://www.w3.org/2000/svg' width='" +
                    n(kLarghezza) + "' height='" + n(altezza) + "' viewBox='0 0 " + n(kLarghezza) + " " + n(altezza) +
                    "'>\n<style>"
                    "text{font-family:sans-serif;font-size:11px;fill:#222}"
                    ".titolo{font-size:16px;font-weight:bold}.legenda{font-size:12px;fill:#444}"
                    ".binario{fill:none;stroke:#1f4e8c;stroke-width:2}"
                    "circle.stazione{fill:#c0392b}line.stazione{stroke:#c0392b;stroke-width:0.6;stroke-dasharray:3 3}"
                    ".banda{fill:#f7f7f4;stroke:#ccc}.asse{stroke:#999}"
                    ".pendenza{fill:none;stroke:#7a5c00;stroke-width:1.5}"
                    ".velocita{fill:none;stroke:#1a7f37;stroke-width:1.5}"
                    ".segnale{stroke:#000;stroke-width:1.2}.indicatore{fill:#1f4e8c}.rallentamento{fill:#e67e22}"
                    "</style>\n<rect width='100%' height='100%' fill='white'/>\n";
  pianta(d, svg);
  profilo(d, svg);
  return svg + "</svg>\n";
}

namespace {

int scrivi_svg(const PlotOptions& o, const DatiGrafico& d, Platform& base) {
  return scrivi_uscita(base, o.out, disegna_svg(d)) ? 0 : 1;
}

int da_file(const PlotOptions& o, Platform& base) {
  DatiGrafico d;
  std::string bytes;
  std::string perche;
  if (!leggi_file(base, o.line_file, bytes)) return 1;
  bool ok = decodifica_linea(bytes, d.linea, perche);
  if (ok && !o.sim.empty()) {
    if (!leggi_file(base, o.sim, bytes)) return 1;
    ok = decodifica_elementi(bytes, d.elementi, perche);
    d.con_elementi = ok;
  }
  if (ok && !o.dat.empty()) {
    if (!leggi_file(base, o.dat, bytes)) return 1;
    ok = decodifica_percorso(bytes, d.celle, perche);
  }
  if (!ok) {
    base.show_message("Un file non ha la forma attesa: " + perche);
    return 1;
  }
  return scrivi_svg(o, d, base);
}

}  // namespace

int esegui_plot(const PlotOptions& o, Platform& base) {
  if (!o.line_file.empty()) return da_file(o, base);
  return compila_script(o.scripts, base, true, [&](Form1& f) {
    DatiGrafico d;
    d.linea = valori_linea(f.line_table);
    d.celle = f.route_cells;
    d.elementi = f.items;
    d.con_elementi = true;
    return scrivi_svg(o, d, base);
  });
}

}  // namespace ferrovello
