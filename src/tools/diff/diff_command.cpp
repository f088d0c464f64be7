#include "tools/text/standard_output.h"
#include "tools/diff/diff_command.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <system_error>
#include <type_traits>

#include "model/form1.h"
#include "model/record_layout.h"
#include "output/encoding.h"
#include "platform/visible_text.h"
#include "tools/scenario/prepared_scripts.h"
#include "tools/text/cp1252.h"
#include "tools/compiled/record_words.h"
#include "tools/compiled/file_decoders.h"
#include "tools/compiled/progressive_km.h"
#include "tools/scenario/script_overlay.h"

namespace ferrovello {

namespace {

using nlohmann::ordered_json;

// One side of the comparison, as given and as read.
struct Lato {
  std::string cartella;      // compiled files in this folder, or
  std::string linea, treno;  // the two scripts
  std::string descrizione;

  std::vector<RouteCell> celle;
  std::array<ItemRecord, kItemCount> elementi{};
  bool con_linea = false;
  std::vector<LineValue> linea_valori;  // entry 0 of every metre, then entry 1
  std::vector<SistemaKm> sistemi;
};

bool e_cartella(const std::string& nome) {
  std::error_code ec;
  return std::filesystem::is_directory(std::filesystem::path(std::u8string(nome.begin(), nome.end())), ec);
}

// A and B from the arguments: a folder is one side, two files are another.
bool dividi_lati(Platform& platform, const std::vector<std::string>& args, Lato& a, Lato& b) {
  std::vector<Lato> lati;
  for (size_t i = 0; i < args.size(); ++i) {
    Lato l;
    if (e_cartella(args[i])) {
      l.cartella = args[i];
      l.descrizione = args[i];
    } else if (i + 1 < args.size() && !e_cartella(args[i + 1])) {
      l.linea = args[i];
      l.treno = args[++i];
      l.descrizione = l.linea + " " + l.treno;
    } else {
      lati.clear();
      break;
    }
    lati.push_back(l);
  }
  if (lati.size() != 2) {
    platform.show_message(
        "diff confronta due scenari, A e B: ciascuno è una cartella con i file compilati oppure lo script della linea "
        "seguito da quello del treno (ad esempio: diff out1 out2, oppure diff linea.txt treno.txt out)");
    return false;
  }
  a = lati[0];
  b = lati[1];
  return true;
}

bool leggi_bytes(Platform& platform, const std::string& nome, std::string& bytes, TipoFile tipo) {
  return leggi_file(platform, nome, bytes, dimensione_massima(tipo), nome_del_tipo(tipo));
}

bool forma_attesa(Platform& platform, bool ok, const std::string& nome, const std::string& perche) {
  if (!ok) platform.show_message(forma_inattesa(nome, perche));
  return ok;
}

// The three files of a folder, named after the scenario; the line file may
// be missing (compiled without it).
bool carica_cartella(const DiffOptions& o, Platform& platform, Lato& l) {
  const std::string base = l.cartella + platform.separator() + o.name;
  const std::string dat = base_treno(base, o.train_number) + ".dat";
  const std::string sim = base_treno(base, o.train_number) + ".sim";
  const std::string linea = base + "_linea.dat";
  for (const std::string& nome : {dat, sim}) {
    if (!platform.exists(nome)) {
      platform.show_message("Nella cartella \"" + l.cartella + "\" manca il file \"" + nome +
                            "\" (i nomi cercati vengono da --name e --train-number)");
      return false;
    }
  }
  std::string bytes;
  std::string perche;
  if (!leggi_bytes(platform, dat, bytes, TipoFile::percorso) ||
      !forma_attesa(platform, decodifica_percorso(bytes, l.celle, perche), dat, perche)) {
    return false;
  }
  if (!leggi_bytes(platform, sim, bytes, TipoFile::elementi) ||
      !forma_attesa(platform, decodifica_elementi(bytes, l.elementi, perche), sim, perche)) {
    return false;
  }
  l.con_linea = platform.exists(linea);
  return !l.con_linea || (leggi_bytes(platform, linea, bytes, TipoFile::linea) &&
                          forma_attesa(platform, decodifica_linea(bytes, l.linea_valori, perche), linea, perche));
}

// The platform of a compilation for `diff`: the same as the tool's, but a
// fault that ends the run ends it with the status of a failure of `diff`,
// so that it is never taken for "the two differ".
class PiattaformaDiff : public ScriptOverlay {
 public:
  explicit PiattaformaDiff(Platform& base) : ScriptOverlay(base, true), base_(base) {}

 protected:
  void terminate_program(int) override { base_.end_program(kDiffGuasto); }

 private:
  Platform& base_;
};

// The two scripts compiled in memory, by the code of `compile`; a fault is
// reported as `check` reports it.
bool compila_lato(const DiffOptions& o, Platform& base, Lato& l) {
  PiattaformaDiff platform(base);
  CompileOptions c;
  c.line = l.linea;
  c.train = l.treno;
  c.name = o.name;
  c.train_number = o.train_number;
  const int stato = compila_script(c, platform, true, [&](Form1& form) {
    l.celle = form.route_cells;
    l.elementi = form.items;
    l.con_linea = true;
    l.linea_valori = valori_linea(form.line_table);
    return 0;
  });
  return stato == 0;
}

bool carica(const DiffOptions& o, Platform& platform, Lato& l) {
  const bool ok = l.cartella.empty() ? compila_lato(o, platform, l) : carica_cartella(o, platform, l);
  if (ok) l.sistemi = sistemi_km(l.elementi);
  return ok;
}

template <typename Record, typename Layout>
bool uguali(const Record& a, const Record& b, const Layout& layout) {
  bool si = true;
  per_ogni_campo(layout, [&](const auto& campo) { si = si && a.*(campo.membro) == b.*(campo.membro); });
  return si;
}

// The fields that differ, by their names: "byte1 0 → 3, word2 1 → 5".
template <typename Record, typename Layout>
std::string campi_diversi(const Record& a, const Record& b, const Layout& layout) {
  std::string d;
  per_ogni_campo(layout, [&](const auto& campo) {
    const auto& x = a.*(campo.membro);
    const auto& y = b.*(campo.membro);
    if (x == y) return;
    if (!d.empty()) d += ", ";
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(x)>, std::string>) {
      d += std::string(campo.nome) + " \"" + utf8_da_cp1252(x) + "\" → \"" + utf8_da_cp1252(y) + "\"";
    } else {
      d += std::string(campo.nome) + " " + std::to_string(x) + " → " + std::to_string(y);
    }
  });
  return d;
}

bool stesso_valore(const LineValue& a, const LineValue& b) {
  return a.tag == b.tag && (a.tag == LineValue::kVuoto || std::memcmp(&a.value, &b.value, sizeof a.value) == 0);
}

// What differs between the two line tables.
struct DiffLinea {
  size_t metri_a = 0, metri_b = 0;
  size_t diversi = 0;
  size_t primo = 0, ultimo = 0;
  std::optional<double> distanza;  // the largest, where both points have coordinates
  size_t dove = 0;
};

DiffLinea confronta_linee(const std::vector<LineValue>& a, const std::vector<LineValue>& b) {
  DiffLinea d;
  d.metri_a = a.size() / 2;
  d.metri_b = b.size() / 2;
  const auto punto = [](const std::vector<LineValue>& t, size_t metri, size_t m, const LineValue*& x,
                        const LineValue*& y) {
    x = m < metri ? &t[m] : nullptr;
    y = m < metri ? &t[metri + m] : nullptr;
  };
  for (size_t m = 0; m < std::max(d.metri_a, d.metri_b); ++m) {
    const LineValue *xa, *ya, *xb, *yb;
    punto(a, d.metri_a, m, xa, ya);
    punto(b, d.metri_b, m, xb, yb);
    if (xa && xb && stesso_valore(*xa, *xb) && stesso_valore(*ya, *yb)) continue;
    if (d.diversi++ == 0) d.primo = m;
    d.ultimo = m;
    const auto numero = [](const LineValue* v) { return v && v->tag != LineValue::kVuoto; };
    if (numero(xa) && numero(ya) && numero(xb) && numero(yb)) {
      const double s = std::hypot(xa->value - xb->value, ya->value - yb->value);
      if (!d.distanza || s > *d.distanza) {
        d.distanza = s;
        d.dove = m;
      }
    }
  }
  return d;
}

std::string decimale(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3f", v);
  std::string s = buf;
  std::replace(s.begin(), s.end(), '.', ',');
  return s;
}

std::string riassunto_linea(const Lato& a, const Lato& b, const DiffLinea& d) {
  if (!a.con_linea || !b.con_linea) return std::string("linea: solo ") + (a.con_linea ? "A" : "B") + " ha il file della linea\n";
  std::string s = "linea: ";
  if (d.metri_a != d.metri_b) s += "A ha " + std::to_string(d.metri_a) + " metri, B " + std::to_string(d.metri_b) + "; ";
  s += std::to_string(d.diversi) + (d.diversi == 1 ? " metro diverso" : " metri diversi") + ", dal metro " +
       std::to_string(d.primo) + " al metro " + std::to_string(d.ultimo);
  if (d.distanza) {
    s += "; distanza massima tra le due piante " + decimale(*d.distanza) + " m, al metro " + std::to_string(d.dove);
  }
  return s + "\n";
}

struct Differenze {
  std::vector<size_t> celle;
  std::vector<size_t> elementi;
  DiffLinea linea;
  bool linea_diversa = false;
  bool vuote() const { return celle.empty() && elementi.empty() && !linea_diversa; }
};

Differenze confronta(const Lato& a, const Lato& b) {
  Differenze d;
  for (size_t i = 0; i < std::max(a.celle.size(), b.celle.size()); ++i) {
    if (i >= a.celle.size() || i >= b.celle.size() || !uguali(a.celle[i], b.celle[i], kCampiCella)) d.celle.push_back(i);
  }
  for (size_t i = 0; i < kItemCount; ++i) {
    if (!uguali(a.elementi[i], b.elementi[i], kCampiElemento)) d.elementi.push_back(i);
  }
  if (a.con_linea && b.con_linea) {
    d.linea = confronta_linee(a.linea_valori, b.linea_valori);
    d.linea_diversa = d.linea.diversi != 0;
  } else {
    d.linea_diversa = a.con_linea != b.con_linea;
  }
  return d;
}

std::string conta(size_t n, const char* uno, const char* molti) { return std::to_string(n) + " " + (n == 1 ? uno : molti); }

void testo_differenze(const Lato& a, const Lato& b, const Differenze& d, std::string& out) {
  scrivi(out, "--- A: %s\n+++ B: %s\n", a.descrizione.c_str(), b.descrizione.c_str());
  if (!d.celle.empty()) {
    std::string s = "percorso: ";
    if (a.celle.size() != b.celle.size()) {
      s += "A ha " + std::to_string(a.celle.size()) + " celle, B " + std::to_string(b.celle.size()) + "; ";
    }
    scrivi(out, "%s%s\n %s", s.c_str(), conta(d.celle.size(), "cella diversa", "celle diverse").c_str(),
                 intestazione_percorso(true).c_str());
    for (const size_t i : d.celle) {
      const std::string ra = i < a.celle.size() ? riga_percorso(i, a.celle[i], &a.sistemi) : "";
      const std::string rb = i < b.celle.size() ? riga_percorso(i, b.celle[i], &b.sistemi) : "";
      if (!ra.empty()) scrivi(out, "-%s", ra.c_str());
      if (!rb.empty()) scrivi(out, "+%s", rb.c_str());
      if (ra == rb) scrivi(out, "  campi diversi: %s\n", campi_diversi(a.celle[i], b.celle[i], kCampiCella).c_str());
    }
  }
  if (!d.elementi.empty()) {
    scrivi(out, "elementi: %s\n", conta(d.elementi.size(), "elemento diverso", "elementi diversi").c_str());
    for (const size_t i : d.elementi) {
      const std::string ra = riga_elemento(i, a.elementi[i]);
      const std::string rb = riga_elemento(i, b.elementi[i]);
      scrivi(out, "-%s+%s", ra.c_str(), rb.c_str());
      if (ra == rb) {
        scrivi(out, "  campi diversi: %s\n", campi_diversi(a.elementi[i], b.elementi[i], kCampiElemento).c_str());
      }
    }
  }
  if (d.linea_diversa) out += riassunto_linea(a, b, d.linea);
}

ordered_json cella_json(const Lato& l, size_t i) {
  if (i >= l.celle.size()) return nullptr;
  ordered_json o = {{"km", testo_km(km_a(l.sistemi, (static_cast<int64_t>(i) - 1) * 50))}};
  o.update(json_cella(l.celle[i]));
  return o;
}

ordered_json json_differenze(const Lato& a, const Lato& b, const Differenze& d) {
  ordered_json celle = ordered_json::array();
  for (const size_t i : d.celle) {
    celle.push_back({{"cell", i}, {"metres", (static_cast<int64_t>(i) - 1) * 50}, {"a", cella_json(a, i)},
                     {"b", cella_json(b, i)}});
  }
  ordered_json elementi = ordered_json::array();
  for (const size_t i : d.elementi) {
    elementi.push_back({{"item", i}, {"a", json_elemento(a.elementi[i])}, {"b", json_elemento(b.elementi[i])}});
  }
  ordered_json linea = {{"a", a.con_linea ? ordered_json(a.linea_valori.size() / 2) : ordered_json(nullptr)},
                        {"b", b.con_linea ? ordered_json(b.linea_valori.size() / 2) : ordered_json(nullptr)},
                        {"differ", d.linea.diversi}};
  if (d.linea.diversi != 0) {
    linea["first"] = d.linea.primo;
    linea["last"] = d.linea.ultimo;
    linea["max_distance"] = d.linea.distanza ? ordered_json(*d.linea.distanza) : ordered_json(nullptr);
    linea["at"] = d.linea.distanza ? ordered_json(d.linea.dove) : ordered_json(nullptr);
  }
  return {{"equal", d.vuote()}, {"a", a.descrizione}, {"b", b.descrizione},
          {"cells", {{"a", a.celle.size()}, {"b", b.celle.size()}, {"differ", celle}}},
          {"items", {{"differ", elementi}}}, {"line", linea}};
}

}  // namespace

int esegui_diff(const DiffOptions& o, Platform& platform, std::string& out) {
  Lato a;
  Lato b;
  if (!dividi_lati(platform, o.scenari, a, b)) return kDiffGuasto;
  if (!carica(o, platform, a) || !carica(o, platform, b)) return kDiffGuasto;
  const Differenze d = confronta(a, b);
  if (o.json) {
    scrivi(out, "%s\n", json_differenze(a, b, d).dump().c_str());
  } else if (!d.vuote()) {
    // Texts of the files (station names, signboards) with their control
    // characters shown, never sent to the terminal.
    std::string testo;
    testo_differenze(a, b, d, testo);
    out += visible_text(testo);
  }
  return d.vuote() ? kDiffUguali : kDiffDiversi;
}

}  // namespace ferrovello
