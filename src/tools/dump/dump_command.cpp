#include "tools/dump/dump_command.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <nlohmann/json.hpp>

#include "model/cell_kinds.h"
#include "platform/visible_text.h"
#include "tools/scenario/prepared_scripts.h"
#include "model/fault_numbers.h"
#include "model/record_layout.h"
#include "tools/text/colonne.h"
#include "tools/text/cp1252.h"
#include "tools/dump/dump_place.h"
#include "tools/dump/file_decoders.h"
#include "tools/text/standard_output.h"

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

std::string intestazione_percorso(bool con_km) {
  return testo("%6s %8s", "cella", "metri") + (con_km ? testo(" %8s", "km") : "") +
         testo(" %5s %5s %5s %5s %5s  ", "km/h", "pend", "ader", "mont", "avv") + a_sinistra("tipo", 32) +
         " valori\n";
}

std::string riga_percorso(size_t i, const RouteCell& c, const std::vector<SistemaKm>* sistemi) {
  const int metri = (static_cast<int>(i) - 1) * 50;
  std::string r = testo("%6d %8d", static_cast<int>(i), metri);
  if (sistemi) {
    r += ' ';
    r += a_destra(testo_km(km_a(*sistemi, metri)), 8);
  }
  r += testo(" %5d %5d %5u %5u %5u  ", c.byte4 * 5, c.byte5 - 100, c.byte6, c.byte3, c.byte2);
  r += a_sinistra(nome_tipo_cella(c.kind), 32);
  r += ' ';
  r += valori_cella(c, i);
  r += '\n';
  return r;
}

std::string riga_elemento(size_t i, const ItemRecord& r) {
  const std::string nome = utf8_da_cp1252(r.text);
  if (i >= 1 && i <= 80 && e_stazione(r)) {
    return testo("%2d stazione  ", static_cast<int>(i)) + a_sinistra(nome, 22) +
           testo(" tipo %3u  posizione %7d  estensione %d..%d  ora %s  sosta %u s  "
                 "attributi %u %u %u %d %d %u %d %d %d\n",
                 r.kind, r.position, r.value1, r.value2, ora(r.code).c_str(), r.byte2, r.flag, r.byte4, r.byte3,
                 r.word1, r.word2, r.byte1, r.word3, r.word4, r.word5);
  }
  if (i >= 1 && i <= 80 && !r.text.empty()) return testo("%2d cartello  ", static_cast<int>(i)) + nome + "\n";
  if (i >= kElementoProgressivaTre && i <= kElementoProgressivaUno) {
    return testo("%2d progressiva  da %d m, base %d m, %s\n", static_cast<int>(i), r.value1, r.value2,
                 r.position == 1 ? "decrescente" : r.position == 0 ? "crescente" : "direzione sconosciuta");
  }
  if (i == kElementoTreno) {
    return testo("84 treno e linea  massa frenata %d %%, lunghezza %d m, vetture %d\n", r.value1, r.value2, r.position);
  }
  if (i == kElementoScenario) {
    return testo("85 scenario  \"%s\", sfondi %d %d %d, timbro %d, codice di gara %d\n", nome.c_str(), r.value1,
                 r.position, r.value2, r.word1, r.code);
  }
  if (i == kElementoCorsa) {
    return testo("86 treno  \"%s\", ripetizione segnali %d..%d sistema %d, sabbia %d, orologio %d:%02d:%02d\n",
                 nome.c_str(), r.value1, r.value2, r.position, r.word1, r.word3, r.word4, r.word5);
  }
  return testo("%2d vuoto\n", static_cast<int>(i));
}

std::string valore_linea(const LineValue& v) {
  if (v.tag == LineValue::kVuoto) return "-";
  if (v.tag == LineValue::kIntero) return testo("%d", static_cast<int>(v.value));
  return testo("%.17g", v.value);
}

ordered_json json_cella(const RouteCell& c) { return json_record(c, kCampiCella); }
ordered_json json_elemento(const ItemRecord& r) { return json_record(r, kCampiElemento); }

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

namespace {

void tabella_percorso(const std::vector<RouteCell>& celle, std::string& out) {
  out += intestazione_percorso(false);
  for (size_t i = 0; i < celle.size(); ++i) out += riga_percorso(i, celle[i], nullptr);
}

void tabella_elementi(const std::array<ItemRecord, kItemCount>& it, std::string& out) {
  for (size_t i = 1; i < kItemCount; ++i) {
    if (i <= 80 && !e_stazione(it[i]) && it[i].text.empty()) continue;
    out += riga_elemento(i, it[i]);
  }
}

void tabella_linea(const std::vector<LineValue>& t, std::string& out) {
  const size_t metri = t.size() / 2;
  scrivi(out, "%8s %24s %24s\n", "metro", "x", "y");
  for (size_t m = 0; m < metri; ++m) {
    scrivi(out, "%8zu %24s %24s\n", m, valore_linea(t[m]).c_str(), valore_linea(t[metri + m]).c_str());
  }
}

ordered_json json_percorso(const std::vector<RouteCell>& celle) {
  ordered_json a = ordered_json::array();
  for (const RouteCell& c : celle) a.push_back(json_cella(c));
  return {{"file", "percorso"}, {"cells", a}};
}

ordered_json json_elementi(const std::array<ItemRecord, kItemCount>& it) {
  ordered_json a = ordered_json::array();
  for (const ItemRecord& r : it) a.push_back(json_elemento(r));
  return {{"file", "elementi"}, {"items", a}};
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

namespace {

// The dump into `out`; the exit status. A file that cannot be read is said
// so before its kind is looked at: a folder or a missing file is status 1.
int dump_in(const DumpOptions& o, Platform& platform, std::string& out) {
  if (o.tipo.empty() && o.file == "-") {
    platform.show_message("Dallo standard input serve --type: percorso, elementi o linea");
    return 2;
  }
  std::string bytes;
  std::string perche;
  // Read no further than the largest file of any kind: a larger one is
  // refused below without being held whole.
  bool troppo = false;
  if (o.file == "-" ? !platform.read_input_up_to(kMassimoLinea, bytes, troppo, perche)
                    : !platform.read_file_up_to(o.file, kMassimoLinea, bytes, troppo, perche)) {
    platform.show_message("Impossibile leggere " +
                          (o.file == "-" ? std::string("lo standard input") : "il file \"" + o.file + "\"") + ": " +
                          perche);
    return 1;
  }
  TipoFile tipo{};
  if (o.tipo == "percorso") {
    tipo = TipoFile::percorso;
  } else if (o.tipo == "elementi") {
    tipo = TipoFile::elementi;
  } else if (o.tipo == "linea") {
    tipo = TipoFile::linea;
  } else if (!tipo_da_nome(o.file, tipo)) {
    std::fprintf(stderr,
                 "Non so che file sia \"%s\": il nome deve finire in \"_linea.dat\", \".sim\" o \".dat\" "
                 "(oppure usa --type)\n",
                 o.file.c_str());
    return 2;
  }
  if (tipo == TipoFile::elementi && per_luogo(o)) {
    std::fprintf(stderr, "--at, --from, --to e --sim valgono per un file del percorso (.dat) o della linea (_linea.dat)\n");
    return 2;
  }
  if (troppo || bytes.size() > dimensione_massima(tipo)) {
    segnala_troppo_grande(platform, o.file == "-" ? "-" : o.file, dimensione_massima(tipo), nome_del_tipo(tipo));
    return 1;
  }
  ordered_json j;
  bool ok = false;
  if (tipo == TipoFile::percorso) {
    std::vector<RouteCell> celle;
    ok = decodifica_percorso(bytes, celle, perche);
    if (ok && per_luogo(o)) return dump_percorso_per_luogo(o, platform, celle, out);
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
    if (ok && per_luogo(o)) return dump_linea_per_luogo(o, platform, tabella, out);
    if (ok && o.json) j = json_linea(tabella);
    if (ok && !o.json) tabella_linea(tabella, out);
  }
  if (!ok) {
    std::fprintf(stderr, "Il file \"%s\" non ha la forma attesa: %s\n", o.file.c_str(), perche.c_str());
    return 1;
  }
  if (o.json) scrivi(out, "%s\n", j.dump().c_str());
  return 0;
}

}  // namespace

int esegui_dump(const DumpOptions& o, Platform& platform) {
  std::string out;
  const int stato = dump_in(o, platform, out);
  if (stato != 0 && out.empty()) return stato;
  // A table shows the texts of the file (station names, signboards) with
  // their control characters written out; JSON escapes its own.
  if (!o.json) out = visible_text(out);
  return scrivi_uscita(platform, o.out, out) ? stato : 1;
}

}  // namespace ferrovello
