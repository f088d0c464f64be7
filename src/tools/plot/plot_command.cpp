#include "tools/plot/plot_command.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "model/fault_numbers.h"
#include "output/encoding.h"
#include "tools/text/cp1252.h"
#include "tools/compiled/file_decoders.h"
#include "tools/plot/plot_labels.h"
#include "tools/compiled/progressive_km.h"
#include "tools/text/standard_output.h"

namespace ferrovello {

namespace {

constexpr double kLarghezza = 1200;
constexpr double kSinistra = 70;                 // left edge of the plan and of the bands
constexpr double kDestra = 1200 - 130;           // right edge of the bands; the axes' names beyond it
constexpr double kCorpoNome = 11;                // station names
constexpr double kCorpoAsse = 10;                // axis labels
constexpr double kAltezzaPianta = 440;
constexpr double kAltezzaPendenza = 120;
constexpr double kAltezzaVelocita = 170;
constexpr double kFila = 15;                     // one row of station names above the profile

std::string n(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

std::string xml_utf8(const std::string& utf8) {
  std::string out;
  for (const char c : utf8) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&apos;"; break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
  return out;
}

// The scenario's texts are Windows-1252.
std::string xml(const std::string& cp1252) { return xml_utf8(utf8_da_cp1252(cp1252)); }

std::string testo(const std::string& classe, double x, double y, const std::string& corpo,
                  const std::string& ancora = "start") {
  return "<text class='" + classe + "' x='" + n(x) + "' y='" + n(y) + "'" +
         (ancora == "start" ? "" : " text-anchor='" + ancora + "'") + ">" + corpo + "</text>";
}

std::string linea(const std::string& classe, double x1, double y1, double x2, double y2) {
  return "<line class='" + classe + "' x1='" + n(x1) + "' y1='" + n(y1) + "' x2='" + n(x2) + "' y2='" + n(y2) + "'/>";
}

// Metres with a thin space between thousands: "88 000".
std::string metri(int64_t m) {
  std::string s = std::to_string(m < 0 ? -m : m);
  for (int i = static_cast<int>(s.size()) - 3; i > 0; i -= 3) s.insert(static_cast<size_t>(i), "\xe2\x80\x89");
  return (m < 0 ? "\xe2\x88\x92" : "") + s;
}

// A kilometric post as the railway writes it: "35+029".
std::string progressiva(int64_t v) {
  const int64_t a = v < 0 ? -v : v;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%lld+%03lld", v < 0 ? "\xe2\x88\x92" : "", static_cast<long long>(a / 1000),
                static_cast<long long>(a % 1000));
  return buf;
}

// Kilometres from the start, with as many decimals (after a comma) as the
// step needs.
std::string chilometri(double m, double passo) {
  const int decimali = passo >= 1000 ? 0 : passo >= 100 ? 1 : passo >= 10 ? 2 : 3;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f km", decimali, m / 1000);
  for (char* c = buf; *c != 0; ++c) {
    if (*c == '.') *c = ',';
  }
  return buf;
}

// The smallest of the round steps 1, 2, 5 times a power of ten that leaves
// at most `quanti` steps in `ampiezza`.
double passo_tondo(double ampiezza, double quanti) {
  for (double p = 1;; p *= 10) {
    for (const double k : {1.0, 2.0, 5.0}) {
      if (ampiezza / (k * p) <= quanti) return k * p;
    }
  }
}

// --- the progressive systems ----------------------------------------------

struct Sistema {
  int32_t da;
  int32_t base;
  bool decrescente;
};

// The declared systems by start. The compiler adds 100 m to the offset of a
// falling one; the posts are those of the script's offset.
std::vector<Sistema> sistemi(const DatiGrafico& d) {
  std::vector<Sistema> s;
  if (!d.con_elementi) return s;
  for (const size_t i : {kElementoProgressivaUno, kElementoProgressivaDue, kElementoProgressivaTre}) {
    const ItemRecord& r = d.elementi[i];
    if (r.value1 == 0 && r.value2 == 0 && r.position == 0) continue;
    s.push_back({r.value1, r.position == 1 ? r.value2 - 100 : r.value2, r.position == 1});
  }
  std::stable_sort(s.begin(), s.end(), [](const Sistema& a, const Sistema& b) { return a.da < b.da; });
  return s;
}

int64_t post_di(const Sistema& s, double m) {
  const auto mm = static_cast<int64_t>(std::llround(m));
  return s.decrescente ? s.base - mm : mm + s.base;
}

// --- what is drawn where --------------------------------------------------

struct Pagina {
  const DatiGrafico& d;
  double da, a;          // the window, metres
  double lunghezza;      // of the route
  std::vector<size_t> stazioni;  // slots of the stations inside the window, by position
  std::string svg;
  double y = 0;          // the top of what comes next
  double sx(double m) const { return kSinistra + (m - da) / (a - da) * (kDestra - kSinistra); }
};

void intestazione(Pagina& p) {
  const DatiGrafico& d = p.d;
  std::string titolo = d.celle.empty() ? "Pianta del percorso" : "Pianta e profilo del percorso";
  if (d.con_elementi) {
    titolo = xml(d.elementi[kElementoScenario].text) + " \xe2\x80\x94 treno " + xml(d.elementi[kElementoCorsa].text);
  }
  p.svg += testo("titolo", kSinistra, 36, titolo) + "\n";
  std::string sotto;
  if (!p.stazioni.empty()) {
    sotto = "Da " + xml(d.elementi[p.stazioni.front()].text) + " a " + xml(d.elementi[p.stazioni.back()].text) + " \xc2\xb7 ";
  }
  // The route's own length; past it the drawing goes on where features stand.
  const int32_t percorso = lunghezza_percorso(d);
  if (p.da > 0 || p.a < p.lunghezza) {
    sotto += "dal metro " + metri(std::llround(p.da)) + " al metro " + metri(std::llround(p.a)) + " di un percorso di " +
             metri(percorso) + " m";
  } else {
    sotto += "percorso di " + metri(percorso) + " m";
  }
  if (p.lunghezza > percorso) {
    sotto += " \xc2\xb7 disegnato fino al metro " + metri(std::llround(p.lunghezza)) + ", oltre la fine della linea";
  }
  p.svg += testo("sottotitolo", kSinistra, 58, sotto) + "\n";
  p.y = 72;
}

// One row of symbols and their meanings.
void legenda(Pagina& p) {
  struct Voce {
    std::string simbolo, nome;
  };
  std::vector<Voce> voci = {{"<path class='binario' d='M0 0 h24'/>", "binario"}};
  if (!p.stazioni.empty()) voci.push_back({"<circle class='stazione' cx='12' cy='0' r='4'/>", "stazione"});
  if (!p.d.celle.empty()) {
    voci.push_back({"<path class='pendenza' d='M0 3 h8 v-6 h16'/>", "pendenza"});
    voci.push_back({"<path class='velocita' d='M0 -3 h10 v6 h14'/>", "velocit\xc3\xa0 massima del treno"});
    voci.push_back({linea("segnale", 12, -6, 12, 6), "segnale"});
    voci.push_back({"<path class='indicatore' d='M12 -5 l-5 9 h10 z'/>", "indicatore di velocit\xc3\xa0"});
    voci.push_back({"<rect class='rallentamento' x='10' y='-4' width='4' height='8'/>", "rallentamento"});
  }
  double x = kSinistra;
  const double y = p.y + 10;
  p.svg += "<g class='legenda'>";
  for (const Voce& v : voci) {
    p.svg += "<g transform='translate(" + n(x) + " " + n(y) + ")'>" + v.simbolo + "</g>";
    p.svg += testo("voce", x + 30, y + 4, v.nome);
    x += 30 + larghezza_testo(v.nome, kCorpoNome) + 14;
  }
  p.svg += "</g>\n";
  p.y += 30;
}

// --- the plan -------------------------------------------------------------

struct Punto {
  double x, y;
};

// The laid points of the plan, one every `passo` metres and the last, with
// their metres; up to the metre `fine`.
std::vector<Punto> punti_pianta(const std::vector<LineValue>& t, size_t passo, size_t fine, std::vector<size_t>& m) {
  std::vector<Punto> p;
  const size_t quanti = t.size() / 2;
  for (size_t i = 0; i < quanti && i <= fine; ++i) {
    if (t[i].tag == LineValue::kVuoto || !std::isfinite(t[i].value) || !std::isfinite(t[quanti + i].value)) break;
    const bool ultimo = i + 1 == quanti || i == fine || t[i + 1].tag == LineValue::kVuoto;
    if (i % passo != 0 && !ultimo) continue;
    p.push_back({t[i].value, t[quanti + i].value});
    m.push_back(i);
  }
  return p;
}

// A bar of a round length near a fifth of the plan's width.
void barra_di_scala(Pagina& p, double scala, double y) {
  const double lungo = passo_tondo((kDestra - kSinistra) / 5 / scala, 1) / 2;
  const double w = lungo * scala;
  const std::string etichetta = lungo >= 1000 ? chilometri(lungo, lungo) : metri(std::llround(lungo)) + " m";
  p.svg += "<g class='scala'><rect x='" + n(kSinistra) + "' y='" + n(y) + "' width='" + n(w / 2) +
           "' height='5' fill='#333'/><rect x='" + n(kSinistra + w / 2) + "' y='" + n(y) + "' width='" + n(w / 2) +
           "' height='5' fill='white' stroke='#333'/>";
  p.svg += testo("asse", kSinistra, y + 18, "0") + testo("asse", kSinistra + w, y + 18, etichetta, "middle") + "</g>\n";
}

void pianta(Pagina& p) {
  const DatiGrafico& d = p.d;
  p.svg += testo("sezione", kSinistra, p.y + 14, "Pianta del tracciato") + "\n";
  const double top = p.y + 24;
  p.y = top + kAltezzaPianta + 36;
  std::vector<size_t> m;
  const size_t fine = static_cast<size_t>(std::max(0.0, p.lunghezza));
  const std::vector<Punto> q = punti_pianta(d.linea, std::max<size_t>(1, d.linea.size() / 2 / 8000), fine, m);
  if (q.empty()) return;
  // The plan is fitted to the points inside the window.
  auto fuori = [&](size_t i) {
    const auto metro = static_cast<double>(m[i]);
    return metro + 1 < p.da || metro > p.a + 1;
  };
  double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
  for (size_t i = 0; i < q.size(); ++i) {
    if (fuori(i)) continue;
    x0 = std::min(x0, q[i].x), x1 = std::max(x1, q[i].x), y0 = std::min(y0, q[i].y), y1 = std::max(y1, q[i].y);
  }
  if (!std::isfinite(x0)) return;
  const double margine = 20;  // room for the dots at the edges
  const double scala = std::min((kDestra - kSinistra - 2 * margine) / std::max(x1 - x0, 1.0),
                                (kAltezzaPianta - 2 * margine) / std::max(y1 - y0, 1.0));
  const double cx = kSinistra + margine + ((kDestra - kSinistra - 2 * margine) - (x1 - x0) * scala) / 2;
  const double cy = top + margine + ((kAltezzaPianta - 2 * margine) - (y1 - y0) * scala) / 2;
  // The first planar axis runs to the right and the second upwards.
  auto sx = [&](double x) { return cx + (x - x0) * scala; };
  auto sy = [&](double y) { return cy + (y1 - y) * scala; };
  const Riquadro campo = {kSinistra, top, kLarghezza - 10, top + kAltezzaPianta};
  p.svg += "<clipPath id='campo'><rect x='" + n(campo.x0) + "' y='" + n(campo.y0) + "' width='" +
           n(campo.x1 - campo.x0) + "' height='" + n(campo.y1 - campo.y0) + "'/></clipPath>\n";
  std::string tutto = "<path class='fuori' clip-path='url(#campo)' d='";
  std::string finestra = "<path class='binario' d='";
  std::vector<PuntoSchermo> visibili;
  bool primo = true;
  for (size_t i = 0; i < q.size(); ++i) {
    const PuntoSchermo s = {sx(q[i].x), sy(q[i].y)};
    tutto += (i == 0 ? "M" : " L") + n(s.x) + " " + n(s.y);
    if (fuori(i)) continue;
    finestra += (primo ? "M" : " L") + n(s.x) + " " + n(s.y);
    primo = false;
    visibili.push_back(s);
  }
  if (p.da > 0 || p.a < p.lunghezza) p.svg += tutto + "'/>\n";
  p.svg += finestra + "'/>\n";
  barra_di_scala(p, scala, top + kAltezzaPianta + 8);
  if (p.stazioni.empty()) return;

  std::vector<NomeAccanto> nomi;
  std::vector<std::string> scritte;
  for (const size_t i : p.stazioni) {
    const ItemRecord& r = d.elementi[i];
    const auto k = std::lower_bound(m.begin(), m.end(), static_cast<size_t>(std::max(0, r.position)));
    const size_t j = k == m.end() ? m.size() - 1 : static_cast<size_t>(k - m.begin());
    NomeAccanto a;
    a.px = sx(q[j].x);
    a.py = sy(q[j].y);
    scritte.push_back(xml(r.text));
    a.larghezza = larghezza_testo(utf8_da_cp1252(r.text), kCorpoNome);
    a.altezza = kCorpoNome + 2;
    nomi.push_back(a);
  }
  disponi_accanto(nomi, campo, {}, visibili);
  for (size_t i = 0; i < nomi.size(); ++i) {
    const NomeAccanto& a = nomi[i];
    if (a.leader) {
      const double lx = std::clamp(a.px, a.box.x0, a.box.x1), ly = std::clamp(a.py, a.box.y0, a.box.y1);
      p.svg += linea("richiamo", a.px, a.py, lx, ly);
    }
    p.svg += "<circle class='stazione' cx='" + n(a.px) + "' cy='" + n(a.py) + "' r='4'/>";
    p.svg += testo("nome", a.box.x0, a.box.y1 - 3, scritte[i]) + "\n";
  }
}

// --- the profile ----------------------------------------------------------

// The station names in rows above the profile; returns how many rows.
int nomi_profilo(Pagina& p, std::vector<NomeInFila>& nomi) {
  for (const size_t i : p.stazioni) {
    NomeInFila f;
    f.x = p.sx(p.d.elementi[i].position);
    f.larghezza = larghezza_testo(utf8_da_cp1252(p.d.elementi[i].text), kCorpoNome);
    nomi.push_back(f);
  }
  disponi_in_file(nomi, kSinistra - 40, kLarghezza - 10);
  int file = 0;
  for (const NomeInFila& f : nomi) file = std::max(file, f.fila + 1);
  return file;
}

// Ticks of the kilometric posts: round posts of each system where it is in
// force, and the post at each system's start, which comes first.
struct Tacca {
  double m;
  std::string scritta;
  bool inizio;
};
std::vector<Tacca> tacche_progressive(const Pagina& p, double passo) {
  const std::vector<Sistema> s = sistemi(p.d);
  std::vector<Tacca> inizi, tonde;
  for (size_t i = 0; i < s.size(); ++i) {
    const double lo = std::max(p.da, i == 0 ? p.da : static_cast<double>(s[i].da));
    const double hi = std::min(p.a, i + 1 < s.size() ? static_cast<double>(s[i + 1].da) : p.a);
    if (lo > hi) continue;
    if (i > 0 && s[i].da >= p.da) inizi.push_back({lo, progressiva(post_di(s[i], lo)), true});
    const auto k0 = static_cast<int64_t>(std::ceil(static_cast<double>(std::min(post_di(s[i], lo), post_di(s[i], hi))) / passo));
    const auto k1 = static_cast<int64_t>(std::floor(static_cast<double>(std::max(post_di(s[i], lo), post_di(s[i], hi))) / passo));
    for (int64_t k = k0; k <= k1; ++k) {
      const auto v = static_cast<int64_t>(static_cast<double>(k) * passo);
      const double m = s[i].decrescente ? static_cast<double>(s[i].base - v) : static_cast<double>(v - s[i].base);
      if (m >= lo && (m < hi || (m <= hi && i + 1 == s.size()))) tonde.push_back({m, progressiva(v), false});
    }
  }
  std::sort(tonde.begin(), tonde.end(), [](const Tacca& x, const Tacca& y) { return x.m < y.m; });
  inizi.insert(inizi.end(), tonde.begin(), tonde.end());
  return inizi;
}

// One axis below the bands: ticks and labels, a label left out where it
// would touch one already written.
void asse(Pagina& p, const std::vector<Tacca>& tacche, double y, const std::string& nome) {
  std::vector<Riquadro> scritte;
  std::string svg;
  for (const Tacca& t : tacche) {
    const double x = p.sx(t.m);
    const double w = larghezza_testo(t.scritta, kCorpoAsse);
    const Riquadro r = {x - w / 2, y, x + w / 2, y + kCorpoAsse + 2};
    svg += linea(t.inizio ? "tacca inizio" : "tacca", x, y - (t.inizio ? 10 : 5), x, y - 1);
    if (r.x0 < kSinistra - 30 || r.x1 > kDestra + 30) continue;
    if (std::any_of(scritte.begin(), scritte.end(), [&](const Riquadro& o) { return si_toccano(r, o, 6); })) continue;
    scritte.push_back(r);
    svg += testo(t.inizio ? "km inizio" : "km", x, y + kCorpoAsse, t.scritta, "middle");
  }
  p.svg += linea("asse", kSinistra, y - 1, kDestra, y - 1) + svg + testo("nome-asse", kDestra + 34, y + kCorpoAsse, nome) + "\n";
}

// A band of the profile, named in the margin to its right, where no station
// line passes.
void banda(Pagina& p, double y, double h, const std::string& nome, const std::string& unita) {
  p.svg += "<rect class='banda' x='" + n(kSinistra) + "' y='" + n(y) + "' width='" + n(kDestra - kSinistra) +
           "' height='" + n(h) + "'/>" + testo("voce", kDestra + 34, y + 12, nome) +
           testo("nome-asse", kDestra + 34, y + 26, unita) + "\n";
}

// A grid line of a band with its value at the left.
void griglia(Pagina& p, double y, const std::string& valore) {
  p.svg += linea("griglia", kSinistra, y, kDestra, y) + testo("asse", kSinistra - 5, y + 3.5, valore, "end");
}

void profilo(Pagina& p) {
  const DatiGrafico& d = p.d;
  if (d.celle.empty()) return;
  p.svg += testo("sezione", kSinistra, p.y + 14, "Profilo lungo il percorso") + "\n";
  std::vector<NomeInFila> nomi;
  const int file = nomi_profilo(p, nomi);
  const double gp = p.y + 24 + file * kFila + 8;           // gradient band
  const double vp = gp + kAltezzaPendenza + 14;             // speed band
  const double fondo = vp + kAltezzaVelocita;

  // The cells inside the window: cell c covers 25 m on each side of (c - 1) x 50.
  const auto c0 = static_cast<size_t>(std::max(0.0, std::floor((p.da + 25) / 50) + 1));
  const size_t c1 = std::min(d.celle.size(), static_cast<size_t>(std::max(0.0, std::ceil((p.a - 25) / 50) + 2)));
  int pmax = 1, vmax = 20;
  for (size_t c = c0; c < c1; ++c) {
    pmax = std::max(pmax, std::abs(d.celle[c].byte5 - 100));
    vmax = std::max(vmax, d.celle[c].byte4 * 5);
  }
  const double ppasso = passo_tondo(pmax, 3);
  const double pm = std::ceil(pmax / ppasso) * ppasso;
  const double vpasso = vmax <= 200 ? 20 : passo_tondo(vmax, 10);
  const double vm = std::ceil(vmax / vpasso) * vpasso;
  auto yp = [&](double g) { return gp + kAltezzaPendenza / 2 - g / pm * (kAltezzaPendenza / 2 - 4); };
  auto yv = [&](double v) { return fondo - v / vm * (kAltezzaVelocita - 6); };

  banda(p, gp, kAltezzaPendenza, "pendenza", "per mille");
  for (double g = -pm; g <= pm; g += ppasso) {
    char s[32];
    std::snprintf(s, sizeof s, "%s%.0f\xe2\x80\xb0", g > 0 ? "+" : (g < 0 ? "\xe2\x88\x92" : ""), std::abs(g));
    griglia(p, yp(g), s);
  }
  banda(p, vp, kAltezzaVelocita, "velocit\xc3\xa0", "km/h");
  for (double v = 0; v <= vm; v += vpasso) griglia(p, yv(v), std::to_string(static_cast<int>(v)));

  std::string pend = "<path class='pendenza' d='";
  std::string vel = "<path class='velocita' d='";
  for (size_t c = c0; c < c1; ++c) {
    const double centro = (static_cast<double>(c) - 1) * 50;
    const double xa = p.sx(std::max(p.da, centro - 25)), xb = p.sx(std::min(p.a, centro + 25));
    const std::string cmd = c == c0 ? "M" : " L";
    pend += cmd + n(xa) + " " + n(yp(d.celle[c].byte5 - 100)) + " L" + n(xb) + " " + n(yp(d.celle[c].byte5 - 100));
    vel += cmd + n(xa) + " " + n(yv(d.celle[c].byte4 * 5)) + " L" + n(xb) + " " + n(yv(d.celle[c].byte4 * 5));
  }
  p.svg += pend + "'/>\n" + vel + "'/>\n";

  for (size_t c = c0; c < c1; ++c) {
    const double m = (static_cast<double>(c) - 1) * 50;
    if (m < p.da || m > p.a) continue;
    const double x = p.sx(m);
    const uint8_t k = d.celle[c].kind;
    if (k == kSegnale) {
      p.svg += linea("segnale", x, fondo - 14, x, fondo);
    } else if (k == kIndicatoreVMax) {
      p.svg += "<path class='indicatore' d='M" + n(x) + " " + n(vp + 4) + " l-4 8 h8 z'/>";
    } else if (k == kInizioRallentamento || k == kFineRallentamento || k == kAvvisoRallentamento) {
      p.svg += "<rect class='rallentamento' x='" + n(x - 2) + "' y='" + n(vp + 16) + "' width='4' height='8'/>";
    }
  }
  p.svg += "\n";

  for (size_t i = 0; i < nomi.size(); ++i) {
    const NomeInFila& f = nomi[i];
    const double base = gp - 8 - f.fila * kFila;  // the names' baseline
    p.svg += linea("stazione", f.x, base + 3, f.x, fondo);
    p.svg += testo("nome", f.x0, base, xml(d.elementi[p.stazioni[i]].text)) + "\n";
  }

  const double passo = passo_tondo(p.a - p.da, 20);
  const std::vector<Tacca> posti = tacche_progressive(p, passo);
  double y = fondo + 14;
  if (!posti.empty()) {
    asse(p, posti, y, "progressiva");
    y += 28;
  }
  std::vector<Tacca> tonde;
  for (double m = std::ceil(p.da / passo) * passo; m <= p.a; m += passo) tonde.push_back({m, chilometri(m, passo), false});
  asse(p, tonde, y, "dall'inizio");
  p.y = y + 30;
}

}  // namespace

std::string disegna_svg(const DatiGrafico& d, const Finestra& f) {
  double lunghezza = estensione_disegno(d);
  if (lunghezza <= 0) {
    std::vector<size_t> m;
    punti_pianta(d.linea, 1, d.linea.size(), m);
    lunghezza = m.empty() ? 0 : static_cast<double>(m.back());
  }
  Pagina p{d, 0, 0, std::max(1.0, lunghezza), {}, {}, 0};
  p.da = std::clamp<double>(f.da, 0, p.lunghezza - 1);
  p.a = f.a > f.da ? std::clamp<double>(f.a, p.da + 1, p.lunghezza) : p.lunghezza;
  if (d.con_elementi) {
    for (size_t i = kElementoPrimaStazione; i < static_cast<size_t>(kElementoPrimoCartello) + 1; ++i) {
      if (e_stazione(d.elementi[i]) && d.elementi[i].position >= p.da && d.elementi[i].position <= p.a) {
        p.stazioni.push_back(i);
      }
    }
    std::stable_sort(p.stazioni.begin(), p.stazioni.end(),
                     [&](size_t x, size_t y) { return d.elementi[x].position < d.elementi[y].position; });
  }
  intestazione(p);
  legenda(p);
  pianta(p);
  profilo(p);
  const std::string altezza = n(p.y);
  return "<?xml version='1.0' encoding='UTF-8'?>\n<svg xmlns='http://www.w3.org/2000/svg' width='" + n(kLarghezza) +
         "' height='" + altezza + "' viewBox='0 0 " + n(kLarghezza) + " " + altezza +
         "'>\n<style>"
         "text{font-family:'DejaVu Sans',sans-serif;font-size:11px;fill:#222}"
         ".titolo{font-size:20px;font-weight:bold}.sottotitolo{font-size:12px;fill:#444}"
         ".sezione{font-size:14px;font-weight:bold}.voce{font-size:11px;fill:#444}"
         ".asse,.km,.nome-asse{font-size:10px;fill:#555}.km.inizio{font-weight:bold;fill:#222}"
         ".binario{fill:none;stroke:#1f4e8c;stroke-width:2}.fuori{fill:none;stroke:#bbb;stroke-width:1.5}"
         ".richiamo{stroke:#999;stroke-width:0.7}"
         "circle.stazione{fill:#c0392b}line.stazione{stroke:#c0392b;stroke-width:0.6;stroke-dasharray:3 3}"
         ".banda{fill:#f7f7f4;stroke:#ccc}line.asse{stroke:#666}.griglia{stroke:#e2e2dc}"
         ".tacca{stroke:#666}.tacca.inizio{stroke:#222;stroke-width:1.5}"
         ".pendenza{fill:none;stroke:#7a5c00;stroke-width:1.5}"
         ".velocita{fill:none;stroke:#1a7f37;stroke-width:1.5}"
         ".segnale{stroke:#000;stroke-width:1.2}.indicatore{fill:#1f4e8c}.rallentamento{fill:#e67e22}"
         "</style>\n<rect width='100%' height='100%' fill='white'/>\n" +
         p.svg + "</svg>\n";
}

namespace {

// One end of the window: metres as written, a post where it stands on the
// route (`sistemi` null when the scenario's systems are unknown). `errore`
// says why for a post that is nowhere or in several places, or one given
// without the systems.
void estremo_finestra(const std::string& opzione, const std::string& testo, const std::vector<SistemaKm>* sistemi,
                      int solo, int32_t lunghezza, int32_t& metri, std::string& errore) {
  LuogoScritto l;
  if (!leggi_luogo(testo, l, errore)) return;  // checked on the command line already
  // Metres may lie past the end, which scrivi_svg and the drawing deal
  // with; a post is looked for along the route only.
  const int64_t fine = l.progressiva ? lunghezza : std::numeric_limits<int32_t>::max();
  int64_t m = 0;
  if (estremo_tratto(opzione, testo, sistemi, solo, fine, m, errore)) metri = static_cast<int32_t>(m);
}

int scrivi_svg(const PlotOptions& o, const DatiGrafico& d, Platform& base) {
  const int32_t lunghezza = lunghezza_percorso(d);
  const std::vector<SistemaKm> sistemi = d.con_elementi ? sistemi_km(d.elementi) : std::vector<SistemaKm>{};
  const std::vector<SistemaKm>* noti = d.con_elementi ? &sistemi : nullptr;
  Finestra f;
  std::string errore = noti != nullptr ? sistema_assente(sistemi, o.system) : std::string();
  if (errore.empty() && !o.from.empty()) estremo_finestra("--from", o.from, noti, o.system, lunghezza, f.da, errore);
  if (errore.empty() && !o.to.empty()) estremo_finestra("--to", o.to, noti, o.system, lunghezza, f.a, errore);
  if (!errore.empty()) {
    base.show_message(errore);
    return 1;
  }
  if (!o.to.empty() && f.a <= f.da) {
    base.show_message("--to " + o.to + " (a " + std::to_string(f.a) + " m) non viene dopo " +
                      (o.from.empty() ? std::string("l'inizio del percorso")
                                      : "--from " + o.from + " (a " + std::to_string(f.da) + " m)") +
                      ": il tratto disegnato va da --from a --to lungo il percorso");
    return 1;
  }
  if (lunghezza > 0 && f.da >= lunghezza) {
    base.show_message("--from " + std::to_string(f.da) + " cade oltre la fine del percorso, che è lungo " +
                      std::to_string(lunghezza) + " m");
    return 1;
  }
  return scrivi_uscita(base, o.out, disegna_svg(d, f)) ? 0 : 1;
}

int da_file(const PlotOptions& o, Platform& base) {
  DatiGrafico d;
  std::string bytes;
  std::string perche;
  if (!leggi_file(base, o.line_file, bytes, kMassimoLinea, nome_del_tipo(TipoFile::linea))) return 1;
  bool ok = decodifica_linea(bytes, d.linea, perche);
  if (ok && !o.sim.empty()) {
    if (!leggi_file(base, o.sim, bytes, kMassimoElementi, nome_del_tipo(TipoFile::elementi))) return 1;
    ok = decodifica_elementi(bytes, d.elementi, perche);
    d.con_elementi = ok;
  }
  if (ok && !o.dat.empty()) {
    if (!leggi_file(base, o.dat, bytes, kMassimoPercorso, nome_del_tipo(TipoFile::percorso))) return 1;
    ok = decodifica_percorso(bytes, d.celle, perche);
  }
  if (!ok) {
    base.show_message("Un file non ha la forma attesa: " + perche);
    return 1;
  }
  return scrivi_svg(o, d, base);
}

}  // namespace

bool finestra_vuota_in_metri(const std::string& from, const std::string& to) {
  LuogoScritto da;
  LuogoScritto a;
  std::string errore;
  if (!from.empty() && (!leggi_luogo(from, da, errore) || da.progressiva)) return false;
  if (!leggi_luogo(to, a, errore) || a.progressiva) return false;
  return a.valore <= da.valore;
}

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
