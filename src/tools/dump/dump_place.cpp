#include "tools/text/standard_output.h"
#include "tools/dump/dump_place.h"

#include <algorithm>
#include <optional>

#include "model/numbers.h"
#include "tools/text/colonne.h"
#include "tools/compiled/file_decoders.h"
#include "tools/scenario/prepared_scripts.h"

namespace ferrovello {

int64_t cella_di(int64_t metri) { return static_cast<int64_t>(arrotonda(static_cast<double>(metri) / 50 + 1)); }

namespace {

using nlohmann::ordered_json;

// The progressive systems of the item file given with --sim; none without it.
struct Posti {
  bool con_km = false;
  std::vector<SistemaKm> sistemi;
  const std::vector<SistemaKm>* per_righe() const { return con_km ? &sistemi : nullptr; }
};

bool leggi_sistemi(const DumpOptions& o, Platform& platform, Posti& p) {
  if (o.sim.empty()) return true;
  std::string bytes;
  std::string perche;
  std::array<ItemRecord, kItemCount> elementi{};
  if (!leggi_file(platform, o.sim, bytes, kMassimoElementi, nome_del_tipo(TipoFile::elementi))) return false;
  if (!decodifica_elementi(bytes, elementi, perche)) {
    platform.show_message(forma_inattesa(o.sim, perche));
    return false;
  }
  p.con_km = true;
  p.sistemi = sistemi_km(elementi);
  if (const std::string assente = sistema_assente(p.sistemi, o.system); !assente.empty()) {
    platform.show_message(assente);
    return false;
  }
  return true;
}

// A place of the command line resolved against the systems of --sim.
LuogoRisolto risolvi(const std::string& opzione, const std::string& testo, const Posti& p, int solo, int64_t fine) {
  return risolvi_luogo(opzione, testo, p.per_righe(), solo, fine);
}

// One end of a stretch: a single position.
std::optional<int64_t> estremo(Platform& platform, const std::string& opzione, const std::string& testo, const Posti& p,
                               int solo, int64_t fine) {
  int64_t metri = 0;
  std::string errore;
  if (estremo_tratto(opzione, testo, p.per_righe(), solo, fine, metri, errore)) return metri;
  platform.show_message(errore);
  return std::nullopt;
}

// The route positions asked for: the places of --at, or the two ends of the
// stretch (each missing end is the end of the file: `primo` and `fine`).
bool scegli(const DumpOptions& o, Platform& platform, const Posti& p, int64_t primo, int64_t fine,
            std::vector<int64_t>& metri, bool& tratto) {
  tratto = o.at.empty();
  if (!tratto) {
    const LuogoRisolto r = risolvi("--at", o.at, p, o.system, fine);
    if (!r.errore.empty()) platform.show_message(r.errore);
    for (const PostoKm& posto : r.posti) metri.push_back(posto.metri);
    return r.errore.empty();
  }
  std::optional<int64_t> da = primo;
  std::optional<int64_t> a = fine;
  if (!o.from.empty()) da = estremo(platform, "--from", o.from, p, o.system, fine);
  if (!o.to.empty()) a = estremo(platform, "--to", o.to, p, o.system, fine);
  if (!da || !a) return false;
  if (*da > *a) {
    const auto dove = [](const std::string& testo, int64_t m) {
      return testo.find('+') == std::string::npos ? testo + " m" : testo + " (a " + std::to_string(m) + " m)";
    };
    platform.show_message("--from " + dove(o.from, *da) + " viene dopo --to " + dove(o.to, *a) +
                          " lungo il percorso: scambiali");
    return false;
  }
  metri = {*da, *a};
  return true;
}

}  // namespace

// The columns of a line row: metre, cell, the post with --sim, x and y.
std::string colonne_linea(const std::string& metro, const std::string& cella, const std::string* km,
                          const std::string& x, const std::string& y) {
  std::string r = a_destra(metro, 8);
  r += ' ';
  r += a_destra(cella, 6);
  if (km) {
    r += ' ';
    r += a_destra(*km, 8);
  }
  r += ' ';
  r += a_destra(x, 24);
  r += ' ';
  r += a_destra(y, 24);
  r += '\n';
  return r;
}

namespace {

std::string riga_linea(int64_t m, const LineValue& x, const LineValue& y, const Posti& p) {
  const std::string km = testo_km(km_a(p.sistemi, m));
  return colonne_linea(std::to_string(m), std::to_string(cella_di(m)), p.con_km ? &km : nullptr, valore_linea(x),
                       valore_linea(y));
}

std::string intestazione_linea(const Posti& p) {
  const std::string km = "km";
  return colonne_linea("metro", "cella", p.con_km ? &km : nullptr, "x", "y");
}

// The row's place in JSON, before its fields.
ordered_json luogo_json(int64_t cella, int64_t metri, const Posti& p) {
  ordered_json o = {{"cell", cella}, {"metres", metri}};
  if (p.con_km) o["km"] = testo_km(km_a(p.sistemi, metri));
  return o;
}

}  // namespace

bool per_luogo(const DumpOptions& o) { return !o.at.empty() || !o.from.empty() || !o.to.empty() || !o.sim.empty(); }

std::string luogo_non_valido(const std::string& testo) {
  LuogoScritto l;
  std::string errore;
  return leggi_luogo(testo, l, errore) ? std::string() : errore;
}

int dump_percorso_per_luogo(const DumpOptions& o, Platform& platform, const std::vector<RouteCell>& celle,
                            std::string& out) {
  Posti p;
  if (!leggi_sistemi(o, platform, p)) return 1;
  if (celle.size() < 2) {
    platform.show_message("Il file \"" + o.file + "\" non ha celle del percorso");
    return 1;
  }
  const int64_t fine = (static_cast<int64_t>(celle.size()) - 2) * 50;  // the metres of the last cell
  std::vector<int64_t> metri;
  bool tratto = false;
  if (!scegli(o, platform, p, -50, fine, metri, tratto)) return 1;
  std::vector<int64_t> indici;
  if (tratto) {
    const int64_t da = o.from.empty() ? 0 : cella_di(metri[0]);
    for (int64_t c = da; c <= cella_di(metri[1]); ++c) indici.push_back(c);
  } else {
    for (const int64_t m : metri) indici.push_back(cella_di(m));
    indici.erase(std::unique(indici.begin(), indici.end()), indici.end());
  }
  if (o.json) {
    ordered_json a = ordered_json::array();
    for (const int64_t c : indici) {
      ordered_json r = luogo_json(c, (c - 1) * 50, p);
      r.update(json_cella(celle[static_cast<size_t>(c)]));
      a.push_back(r);
    }
    scrivi(out, "%s\n", ordered_json({{"file", "percorso"}, {"cells", a}}).dump().c_str());
    return 0;
  }
  out += intestazione_percorso(p.con_km);
  for (const int64_t c : indici) {
    const size_t i = static_cast<size_t>(c);
    out += riga_percorso(i, celle[i], p.per_righe());
  }
  return 0;
}

int dump_linea_per_luogo(const DumpOptions& o, Platform& platform, const std::vector<LineValue>& tabella,
                         std::string& out) {
  Posti p;
  if (!leggi_sistemi(o, platform, p)) return 1;
  const int64_t n = static_cast<int64_t>(tabella.size() / 2);
  if (n == 0) {
    platform.show_message("Il file \"" + o.file + "\" non ha punti della linea");
    return 1;
  }
  std::vector<int64_t> metri;
  bool tratto = false;
  if (!scegli(o, platform, p, 0, n - 1, metri, tratto)) return 1;
  if (tratto) {
    const int64_t da = metri[0];
    const int64_t a = metri[1];
    metri.clear();
    for (int64_t m = da; m <= a; ++m) metri.push_back(m);
  }
  const auto x = [&](int64_t m) { return tabella[static_cast<size_t>(m)]; };
  const auto y = [&](int64_t m) { return tabella[static_cast<size_t>(n + m)]; };
  if (o.json) {
    ordered_json a = ordered_json::array();
    for (const int64_t m : metri) {
      ordered_json r = luogo_json(cella_di(m), m, p);
      r["entry0"] = json_valore(x(m));
      r["entry1"] = json_valore(y(m));
      a.push_back(r);
    }
    scrivi(out, "%s\n", ordered_json({{"file", "linea"}, {"points", a}}).dump().c_str());
    return 0;
  }
  out += intestazione_linea(p);
  for (const int64_t m : metri) out += riga_linea(m, x(m), y(m), p);
  return 0;
}

}  // namespace ferrovello
