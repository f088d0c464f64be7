#include "tools/compiled/record_words.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "model/cell_kinds.h"
#include "model/fault_numbers.h"
#include "model/record_layout.h"
#include "tools/compiled/file_decoders.h"
#include "tools/text/colonne.h"
#include "tools/text/cp1252.h"

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
    // A slot of all zeros is a system the script does not declare.
    if (r.value1 == 0 && r.value2 == 0 && r.position == 0) return testo("%2d progressiva  non usata\n", static_cast<int>(i));
    // A falling system is stored with 100 m added to its base: the base
    // shown is the one the script gave.
    if (r.position == 1) {
      return testo("%2d progressiva  da %d m, base %lld m, decrescente (memorizzata come %d)\n", static_cast<int>(i),
                   r.value1, static_cast<long long>(r.value2) - 100, r.value2);
    }
    return testo("%2d progressiva  da %d m, base %d m, %s\n", static_cast<int>(i), r.value1, r.value2,
                 r.position == 0 ? "crescente" : "direzione sconosciuta");
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
  // A tenth of a millimetre: the points are one metre apart and the
  // digits beyond are the noise of their stepping (the JSON keeps them).
  if (!std::isfinite(v.value)) return testo("%g", v.value);
  std::string r = testo("%.4f", v.value);
  while (r.back() == '0') r.pop_back();
  if (r.back() == '.') r.pop_back();
  return r == "-0" ? "0" : r;
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

}  // namespace ferrovello
