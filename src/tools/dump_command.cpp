#include "tools/dump_command.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <nlohmann/json.hpp>

#include "model/cell_kinds.h"
#include "model/record_layout.h"
#include "tools/cp1252.h"
#include "tools/file_decoders.h"
#include "tools/standard_output.h"

namespace ferrovello {

namespace {

using nlohmann::ordered_json;

std::string testo(const char* formato, ...) __attribute__((format(printf, 1, 2)));
std::string testo(const char* formato, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, formato);
  std::vsnprintf(buf, sizeof buf, formato, ap);
  va_end(ap);
  return buf;
}

// A speed pair of a maximum-speed board: left and right speed in km/h.
std::string coppia(int16_t v) { return testo("%d/%d", (v / 100) * 5, (v % 100) * 5); }

std::string ora(int32_t secondi) {
  return testo("%d:%02d:%02d", secondi / 3600, (secondi / 60) % 60, secondi % 60);
}

// Appends to `out` as printf would write.
// The C library's own format checks: on MinGW, its ANSI ones.
#ifdef __MINGW_PRINTF_FORMAT
#define FORMATO_PRINTF __MINGW_PRINTF_FORMAT
#else
#define FORMATO_PRINTF printf
#endif
void scrivi(std::string& out, const char* formato, ...) __attribute__((format(FORMATO_PRINTF, 2, 3)));
void scrivi(std::string& out, const char* formato, ...) {
  va_list ap;
  va_start(ap, formato);
  va_list copia;
  va_copy(copia, ap);
  const int n = std::vsnprintf(nullptr, 0, formato, copia);
  va_end(copia);
  if (n > 0) {
    const size_t prima = out.size();
    out.resize(prima + static_cast<size_t>(n) + 1);
    std::vsnprintf(out.data() + prima, static_cast<size_t>(n) + 1, formato, ap);
    out.resize(prima + static_cast<size_t>(n));
  }
  va_end(ap);
}

// UTF-8 text padded to `larghezza` characters (not bytes), so that a
// column stays in place after an accented letter.
std::string colonna(const std::string& testo, size_t larghezza) {
  size_t caratteri = 0;
  for (const char c : testo) caratteri += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return caratteri >= larghezza ? testo : testo + std::string(larghezza - caratteri, ' ');
}

}  // namespace

std::string valori_cella(const RouteCell& c, size_t indice) {
  switch (c.kind) {
    case kSegnale:
      return testo("codici %d %d %d, lati e ripetitore %d, tempo %u", c.value1, c.value2, c.value3, c.value4, c.byte1);
    case kFineRallentamento:
    case kInizioRallentamento:
      return testo("%d km/h, secondo valore %d, indicatore %d", c.value1, c.value2, c.value3);
    case kAvvisoRallentamento:
      return testo("%d km/h, secondo valore %d", c.value1, c.value2);
    case kAvvicinamentoAvviso:
      return testo("passo %d", c.value1);
    case kIndicatoreVMax:
      return "A " + coppia(c.value1) + ", B " + coppia(c.value2) + ", C " + coppia(c.value3) +
             testo(" km/h, strisce %d/%d", c.value4 / 10, c.value4 % 10);
    case kFermata:
      return testo("stazione dell'elemento %d", c.value1);
    case kAbbattimento:
      return testo("valore %d", c.value1);
    case kCartello:
      return testo("testo dell'elemento %d", c.value1);
    default:
      if (indice == 1) return testo("timbro %d, codice di gara %d", c.value1, c.value2);
      if (c.value1 != 0 || c.value2 != 0 || c.value3 != 0 || c.value4 != 0) {
        return testo("%d %d %d %d", c.value1, c.value2, c.value3, c.value4);
      }
      return "";
  }
}

namespace {

void tabella_percorso(const std::vector<RouteCell>& celle, std::string& out) {
  scrivi(out, "%6s %8s %5s %5s %5s %5s %5s  %-32s %s\n", "cella", "metri", "km/h", "pend", "ader", "mont", "avv",
         "tipo", "valori");
  for (size_t i = 0; i < celle.size(); ++i) {
    const RouteCell& c = celle[i];
    scrivi(out, "%6zu %8lld %5d %5d %5u %5u %5u  %s %s\n", i, (static_cast<long long>(i) - 1) * 50, c.byte4 * 5,
           c.byte5 - 100, c.byte6, c.byte3, c.byte2, colonna(nome_tipo_cella(c.kind), 32).c_str(),
           valori_cella(c, i).c_str());
  }
}

void tabella_elementi(const std::array<ItemRecord, kItemCount>& it, std::string& out) {
  for (size_t i = 1; i <= 80; ++i) {
    const ItemRecord& r = it[i];
    const std::string nome = utf8_da_cp1252(r.text);
    if (e_stazione(r)) {
      scrivi(out,
                   "%2zu stazione  %s tipo %3u  posizione %7d  estensione %d..%d  ora %s  sosta %u s  "
                   "attributi %u %u %u %d %d %u %d %d %d\n",
                   i, colonna(nome, 22).c_str(), r.kind, r.position, r.value1, r.value2, ora(r.code).c_str(), r.byte2, r.flag,
                   r.byte4, r.byte3, r.word1, r.word2, r.byte1, r.word3, r.word4, r.word5);
    } else if (!r.text.empty()) {
      scrivi(out, "%2zu cartello  %s\n", i, nome.c_str());
    }
  }
  for (size_t i = 81; i <= 83; ++i) {
    scrivi(out, "%2zu progressiva  da %d m, base %d m, %s\n", i, it[i].value1, it[i].value2,
                 it[i].position == 1 ? "decrescente" : it[i].position == 0 ? "crescente" : "direzione sconosciuta");
  }
  const ItemRecord& t = it[84];
  scrivi(out, "84 treno e linea  massa frenata %d %%, lunghezza %d m, vetture %d\n", t.value1, t.value2,
               t.position);
  const ItemRecord& g = it[85];
  scrivi(out, "85 scenario  \"%s\", sfondi %d %d %d, timbro %d, codice di gara %d\n",
               utf8_da_cp1252(g.text).c_str(), g.value1, g.position, g.value2, g.word1, g.code);
  const ItemRecord& s = it[86];
  scrivi(out, "86 treno  \"%s\", ripetizione segnali %d..%d sistema %d, sabbia %d, orologio %d:%02d:%02d\n",
               utf8_da_cp1252(s.text).c_str(), s.value1, s.value2, s.position, s.word1, s.word3, s.word4, s.word5);
}

std::string valore_linea(const LineValue& v) {
  if (v.tag == LineValue::kVuoto) return "-";
  if (v.tag == LineValue::kIntero) return testo("%d", static_cast<int>(v.value));
  return testo("%.17g", v.value);
}

void tabella_linea(const std::vector<LineValue>& t, std::string& out) {
  const size_t metri = t.size() / 2;
  scrivi(out, "%8s %24s %24s\n", "metro", "x", "y");
  for (size_t m = 0; m < metri; ++m) {
    scrivi(out, "%8zu %24s %24s\n", m, valore_linea(t[m]).c_str(), valore_linea(t[metri + m]).c_str());
  }
}

// Every field of a record as stored, by the names of its layout.
template <typename Record, typename Layout>
ordered_json json_record(const Record& r, const Layout& layout) {
  ordered_json o = ordered_json::object();
  per_ogni_campo(layout, [&](const auto& campo) {
    const auto& v = r.*(campo.membro);
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(v)>, std::string>) {
      o[campo.nome] = utf8_da_cp1252(v);
    } else {
      o[campo.nome] = v;
    }
  });
  return o;
}

ordered_json json_percorso(const std::vector<RouteCell>& celle) {
  ordered_json a = ordered_json::array();
  for (const RouteCell& c : celle) a.push_back(json_record(c, kCampiCella));
  return {{"file", "percorso"}, {"cells", a}};
}

ordered_json json_elementi(const std::array<ItemRecord, kItemCount>& it) {
  ordered_json a = ordered_json::array();
  for (const ItemRecord& r : it) a.push_back(json_record(r, kCampiElemento));
  return {{"file", "elementi"}, {"items", a}};
}

// A slot as [tag] or [tag, value]; a value that JSON cannot hold (not a
// finite number) goes as the hexadecimal of its 64 bits.
ordered_json json_valore(const LineValue& v) {
  if (v.tag == LineValue::kVuoto) return ordered_json::array({v.tag});
  if (v.tag == LineValue::kIntero) return ordered_json::array({v.tag, static_cast<int16_t>(v.value)});
  if (std::isfinite(v.value)) return ordered_json::array({v.tag, v.value});
  uint64_t bits = 0;
  std::memcpy(&bits, &v.value, sizeof bits);
  return ordered_json::array({v.tag, testo("%016llx", static_cast<unsigned long long>(bits))});
}

ordered_json json_linea(const std::vector<LineValue>& t) {
  const size_t metri = t.size() / 2;
  ordered_json e0 = ordered_json::array();
  ordered_json e1 = ordered_json::array();
  for (size_t m = 0; m < metri; ++m) {
    e0.push_back(json_valore(t[m]));
    e1.push_back(json_valore(t[metri + m]));
  }
  return {{"file", "linea"}, {"metres", metri}, {"entry0", e0}, {"entry1", e1}};
}

}  // namespace

int esegui_dump(const DumpOptions& o, Platform& platform) {
  const auto tipo_ignoto = [&] {
    platform.show_message("Non so che file sia \"" + o.file +
                          "\": il nome deve finire in \"_linea.dat\", \".sim\" o \".dat\" (oppure usa --type)");
    return 2;
  };
  TipoFile tipo{};
  const bool dal_nome = o.tipo.empty() && o.file != "-" && tipo_da_nome(o.file, tipo);
  if (o.tipo.empty() && o.file == "-") {
    platform.show_message("Dallo standard input serve --type: percorso, elementi o linea");
    return 2;
  }
  std::string bytes;
  std::string perche;
  if (o.file == "-" ? !platform.read_input(bytes, perche) : !platform.read_file(o.file, bytes, perche)) {
    platform.show_message("Impossibile leggere " + (o.file == "-" ? std::string("lo standard input") : "il file \"" + o.file + "\"") +
                          ": " + perche);
    return 1;
  }
  if (o.tipo == "percorso") {
    tipo = TipoFile::percorso;
  } else if (o.tipo == "elementi") {
    tipo = TipoFile::elementi;
  } else if (o.tipo == "linea") {
    tipo = TipoFile::linea;
  } else if (!dal_nome) {
    return tipo_ignoto();
  }
  std::string out;
  ordered_json j;
  bool ok = false;
  if (tipo == TipoFile::percorso) {
    std::vector<RouteCell> celle;
    ok = decodifica_percorso(bytes, celle, perche);
    if (ok && o.json) j = json_percorso(celle);
    if (ok && !o.json) tabella_percorso(celle, out);
  } else if (tipo == TipoFile::elementi) {
    std::array<ItemRecord, kItemCount> elementi{};
    ok = decodifica_elementi(bytes, elementi, perche);
    if (ok && o.json) j = json_elementi(elementi);
    if (ok && !o.json) tabella_elementi(elementi, out);
  } else {
    std::vector<LineValue> tabella;
    ok = decodifica_linea(bytes, tabella, perche);
    if (ok && o.json) j = json_linea(tabella);
    if (ok && !o.json) tabella_linea(tabella, out);
  }
  if (!ok) {
    platform.show_message("Il file \"" + o.file + "\" non ha la forma attesa: " + perche);
    return 1;
  }
  if (o.json) out = j.dump() + "\n";
  return scrivi_uscita(platform, o.out, out) ? 0 : 1;
}

}  // namespace ferrovello
