#include "tools/view/view_data.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <nlohmann/json.hpp>
#include <utility>

#include "model/cell_kinds.h"
#include "tools/text/cp1252.h"
#include "tools/compiled/record_words.h"
#include "tools/compiled/file_decoders.h"

namespace ferrovello {

namespace {

using nlohmann::ordered_json;

// Tolerances of the plan's levels, in metres, finest first. The finest one
// stays well under a pixel at the closest zoom the page allows; each next
// one serves views about ten times wider.
constexpr double kTolleranze[] = {0.1, 1.0, 10.0, 100.0};

bool cifre(const std::string& s) {
  return !s.empty() && s.size() <= 9 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The laid points of the plan: the metres from 0 that hold a finite point,
// up to the first that does not.
void punti_posati(const std::vector<LineValue>& t, std::vector<double>& x, std::vector<double>& y) {
  const size_t metri = t.size() / 2;
  for (size_t m = 0; m < metri; ++m) {
    const LineValue& a = t[m];
    const LineValue& b = t[metri + m];
    if (a.tag == LineValue::kVuoto || b.tag == LineValue::kVuoto || !std::isfinite(a.value) ||
        !std::isfinite(b.value)) {
      break;
    }
    x.push_back(a.value);
    y.push_back(b.value);
  }
}

// One level of the plan as a flat array of differences: metre, then the two
// coordinates in decimetres, each from the kept point before (the first from
// zero). Small integers keep the page small.
ordered_json livello(const std::vector<size_t>& tenuti, const std::vector<double>& x, const std::vector<double>& y) {
  ordered_json a = ordered_json::array();
  long long pm = 0, px = 0, py = 0;
  for (const size_t i : tenuti) {
    const auto m = static_cast<long long>(i);
    const auto dx = static_cast<long long>(std::llround(x[i] * 10));
    const auto dy = static_cast<long long>(std::llround(y[i] * 10));
    a.push_back(m - pm);
    a.push_back(dx - px);
    a.push_back(dy - py);
    pm = m, px = dx, py = dy;
  }
  return a;
}

ordered_json pianta(const DatiGrafico& g) {
  std::vector<double> x, y;
  punti_posati(g.linea, x, y);
  ordered_json livelli = ordered_json::array();
  if (x.empty()) return livelli;
  // Each level simplifies the one before: the errors add up to at most 1.12
  // times the level's own tolerance.
  std::vector<size_t> indici(x.size());
  for (size_t i = 0; i < indici.size(); ++i) indici[i] = i;
  for (const double t : kTolleranze) {
    std::vector<double> lx, ly;
    for (const size_t i : indici) lx.push_back(x[i]), ly.push_back(y[i]);
    std::vector<size_t> tenuti = semplifica(lx, ly, t);
    for (size_t& k : tenuti) k = indici[k];
    indici = std::move(tenuti);
    livelli.push_back({{"tolleranza", t}, {"punti", livello(indici, x, y)}});
  }
  return livelli;
}

// A property of the stretch, cell by cell, as runs: value, number of cells,
// value, number of cells... It changes every few hundred metres at most.
struct Serie {
  ordered_json a = ordered_json::array();
  int valore = 0;
  int quante = 0;

  void aggiungi(int v) {
    if (quante > 0 && v == valore) {
      ++quante;
      return;
    }
    chiudi();
    valore = v;
    quante = 1;
  }
  void chiudi() {
    if (quante > 0) a.push_back(valore), a.push_back(quante);
    quante = 0;
  }
};

ordered_json celle(const DatiGrafico& g) {
  Serie vel, pend, ader, mont, avv;
  ordered_json oggetti = ordered_json::array();
  for (size_t i = 0; i < g.celle.size(); ++i) {
    const RouteCell& c = g.celle[i];
    vel.aggiungi(c.byte4 * 5);
    pend.aggiungi(c.byte5 - 100);
    ader.aggiungi(c.byte6);
    mont.aggiungi(c.byte3);
    avv.aggiungi(c.byte2);
    const std::string valori = valori_cella(c, i);
    if (c.kind == 0 && valori.empty()) continue;
    std::string testo;
    const auto slot = static_cast<size_t>(c.value1);
    if ((c.kind == kCartello || c.kind == kFermata) && g.con_elementi && c.value1 >= 1 && c.value1 <= 80) {
      testo = utf8_da_cp1252(g.elementi[slot].text);
    }
    oggetti.push_back(ordered_json::array({i, c.kind, nome_tipo_cella(c.kind), valori, testo}));
  }
  for (Serie* serie : {&vel, &pend, &ader, &mont, &avv}) serie->chiudi();
  return {{"numero", g.celle.size()}, {"velocita", vel.a},   {"pendenza", pend.a},   {"aderenza", ader.a},
          {"montagna", mont.a},       {"avvicinamento", avv.a}, {"oggetti", oggetti}};
}

void elementi(const DatiGrafico& g, ordered_json& j) {
  ordered_json stazioni = ordered_json::array(), cartelli = ordered_json::array(), progressive = ordered_json::array();
  if (g.con_elementi) {
    for (size_t i = 1; i <= 80; ++i) {
      const ItemRecord& r = g.elementi[i];
      if (e_stazione(r)) {
        stazioni.push_back({{"elemento", i}, {"nome", utf8_da_cp1252(r.text)}, {"tipo", r.kind},
                            {"posizione", r.position}, {"da", r.value1}, {"a", r.value2}, {"ora", r.code},
                            {"sosta", r.byte2}});
      } else if (!r.text.empty()) {
        cartelli.push_back({{"elemento", i}, {"testo", utf8_da_cp1252(r.text)}});
      }
    }
    for (size_t i = 81; i <= 83; ++i) {
      const ItemRecord& r = g.elementi[i];
      progressive.push_back({{"elemento", i}, {"da", r.value1}, {"base", r.value2}, {"verso", r.position}});
    }
  }
  j["stazioni"] = stazioni;
  j["cartelli"] = cartelli;
  j["progressive"] = progressive;
}

}  // namespace

bool dividi_luogo(const std::string& luogo, std::string& file, int& riga, int& colonna) {
  const size_t b = luogo.rfind(':');
  if (b == std::string::npos || b == 0) return false;
  const size_t a = luogo.rfind(':', b - 1);
  if (a == std::string::npos || a == 0) return false;
  const std::string r = luogo.substr(a + 1, b - a - 1);
  const std::string c = luogo.substr(b + 1);
  if (!cifre(r) || !cifre(c)) return false;
  file = luogo.substr(0, a);
  riga = std::stoi(r);
  colonna = std::stoi(c);
  return true;
}

namespace {

// Lines of a script by number, for findings in file order: the search goes
// on from the line found last, so that a list costs one pass over the script.
class RigheDelloScript {
 public:
  explicit RigheDelloScript(const std::string& script) : s_(script) {}
  std::string riga(int riga) {
    if (riga < n_) {
      n_ = 1;
      inizio_ = 0;
      fine_ = std::string::npos;
    }
    if (riga == n_ && fine_ != std::string::npos) return utf8_da_cp1252(s_.substr(inizio_, fine_ - inizio_));
    for (size_t i = inizio_; i <= s_.size(); ++i) {
      const bool fine = i == s_.size() || s_[i] == '\n' || s_[i] == '\r';
      if (!fine) continue;
      if (n_ == riga) {
        fine_ = i;
        return utf8_da_cp1252(s_.substr(inizio_, i - inizio_));
      }
      if (i == s_.size()) break;
      if (s_[i] == '\r' && i + 1 < s_.size() && s_[i + 1] == '\n') ++i;
      ++n_;
      inizio_ = i + 1;
    }
    fine_ = std::string::npos;
    return {};
  }

 private:
  const std::string& s_;
  int n_ = 1;          // the line that starts at inizio_
  size_t inizio_ = 0;
  size_t fine_ = std::string::npos;  // where line n_ ends, once found
};

}  // namespace

std::string riga_di(const std::string& script, int riga) { return RigheDelloScript(script).riga(riga); }

std::vector<VoceElenco> voci_diagnosi(const std::vector<Diagnosi>& diagnosi, const std::string& nome_linea,
                                      const std::string& linea, const std::string& nome_treno,
                                      const std::string& treno) {
  std::vector<VoceElenco> voci;
  RigheDelloScript righe_linea(linea);
  RigheDelloScript righe_treno(treno);
  for (const Diagnosi& d : diagnosi) {
    VoceElenco v;
    v.numero = d.codice;
    v.con_posizione = d.con_posizione;
    v.posizione = d.posizione;
    v.testo = d.frase;
    if (dividi_luogo(d.luogo, v.file, v.riga, v.colonna)) {
      if (v.file == nome_linea) v.riga_script = righe_linea.riga(v.riga);
      if (v.file == nome_treno) v.riga_script = righe_treno.riga(v.riga);
    } else if (d.luogo == nome_linea || d.luogo == nome_treno) {
      v.file = d.luogo;
    } else if (!d.luogo.empty()) {
      v.testo = d.luogo + ": " + d.frase;  // a place on the route, such as a cell
    }
    voci.push_back(std::move(v));
  }
  return voci;
}

std::vector<VoceElenco> voci_avvisi(const std::vector<Avviso>& avvisi, const std::string& linea,
                                    const std::string& treno) {
  std::vector<VoceElenco> voci;
  RigheDelloScript righe[2] = {RigheDelloScript(linea), RigheDelloScript(treno)};
  for (const Avviso& a : avvisi) {
    VoceElenco v;
    v.tipo = a.gravita == Gravita::errore ? "errore" : a.gravita == Gravita::nota ? "nota" : "avviso";
    v.testo = a.frase;
    if (dividi_luogo(a.luogo, v.file, v.riga, v.colonna)) v.riga_script = righe[a.file == 0 ? 0 : 1].riga(v.riga);
    voci.push_back(std::move(v));
  }
  return voci;
}

int64_t metro_non_compilato(const Form1& f) {
  if (f.error_code == 0 || f.route_cells.empty()) return -1;
  // The end fills reach the cell before the last three; a fill that stopped
  // before left zeros behind it (a gradient is stored plus 100, so a filled
  // cell is never 0).
  const auto fine_di = [&](auto riempita) {
    size_t k = f.route_cells.size();
    while (k > 0 && !riempita(f.route_cells[k - 1])) --k;
    return k;
  };
  const size_t pendenze = fine_di([](const RouteCell& c) { return c.byte5 != 0; });
  const size_t treno = fine_di([](const RouteCell& c) { return c.byte4 != 0 || c.byte6 != 0; });
  const size_t k = std::min(pendenze, treno);
  // Cell k, the first left empty, begins 25 m before its point.
  int64_t metro = k + 3 >= f.route_cells.size() ? -1 : std::max<int64_t>(0, static_cast<int64_t>(k) * 50 - 75);
  if (f.error_position_recorded && f.error_position >= 0 && (metro < 0 || f.error_position < metro)) {
    metro = f.error_position;
  }
  return metro;
}

std::vector<size_t> semplifica(const std::vector<double>& x, const std::vector<double>& y, double tolleranza) {
  const size_t n = x.size();
  if (n <= 2) {
    std::vector<size_t> tutti(n);
    for (size_t i = 0; i < n; ++i) tutti[i] = i;
    return tutti;
  }
  // Douglas-Peucker on an explicit stack of spans.
  std::vector<char> tenuto(n, 0);
  tenuto[0] = tenuto[n - 1] = 1;
  std::vector<std::pair<size_t, size_t>> pila{{0, n - 1}};
  while (!pila.empty()) {
    const auto [a, b] = pila.back();
    pila.pop_back();
    if (b <= a + 1) continue;
    const double ux = x[b] - x[a], uy = y[b] - y[a];
    const double l = std::hypot(ux, uy);
    double peggiore = -1;
    size_t dove = a;
    for (size_t i = a + 1; i < b; ++i) {
      const double px = x[i] - x[a], py = y[i] - y[a];
      const double d = l > 0 ? std::abs(px * uy - py * ux) / l : std::hypot(px, py);
      if (d > peggiore) peggiore = d, dove = i;
    }
    if (peggiore <= tolleranza) continue;
    tenuto[dove] = 1;
    pila.push_back({a, dove});
    pila.push_back({dove, b});
  }
  std::vector<size_t> indici;
  for (size_t i = 0; i < n; ++i) {
    if (tenuto[i]) indici.push_back(i);
  }
  return indici;
}

std::string json_vista(const DatiVista& d) {
  const DatiGrafico& g = d.grafico;
  ordered_json j;
  j["nome"] = d.nome;
  j["treno"] = d.treno;
  j["lunghezza"] = lunghezza_percorso(g);
  if (estensione_disegno(g) > lunghezza_percorso(g)) j["disegno_fino_a"] = estensione_disegno(g);
  j["pianta"] = pianta(g);
  j["celle"] = celle(g);
  elementi(g, j);
  ordered_json elenco = ordered_json::array();
  for (const VoceElenco& v : d.elenco) {
    elenco.push_back({{"tipo", v.tipo},
                      {"numero", v.numero},
                      {"posizione", v.con_posizione ? ordered_json(v.posizione) : ordered_json()},
                      {"file", v.file},
                      {"riga", v.riga},
                      {"colonna", v.colonna},
                      {"testo", v.testo},
                      {"riga_script", v.riga_script}});
  }
  j["elenco"] = elenco;
  if (d.non_compilato_da >= 0) j["non_compilato_da"] = d.non_compilato_da;
  // Names given on the command line may not be UTF-8: such bytes show as
  // the replacement character rather than stopping the page.
  return j.dump(-1, ' ', false, ordered_json::error_handler_t::replace);
}

}  // namespace ferrovello
