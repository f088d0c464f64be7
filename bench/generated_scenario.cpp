#include "generated_scenario.h"

namespace ferrovello::bench {

namespace {

// Slots 1 to 80 of the item table hold stations and signboard texts; with
// no signboard the 78th station is the last one that leaves the next slot
// below the signboard slots.
constexpr int32_t kMaxStazioni = 78;

// Periods and offsets in metres. Signals stand in cells 24 j + 13, boards in
// cells 40 j + 23 and stop cells in 160 k + 83, which never meet; every slow
// order's boards and approach cells fall between them whatever k is.
constexpr int32_t kCurva = 500, kInizioCurva = 100, kLunghezzaCurva = 250;
constexpr int32_t kPendenza = 300;
constexpr int32_t kSegnale = 1200, kPrimoSegnale = 600;
constexpr int32_t kCartello = 2000, kPrimoCartello = 1100;
constexpr int32_t kStazione = 8000, kPrimaStazione = 4000;
constexpr int32_t kRallentamento = 20000, kPrimoRallentamento = 10050, kLunghezzaRallentamento = 1000;

void riga(std::string& s, const std::string& testo) {
  s += testo;
  s += "\r\n";
}

std::string n(int64_t v) { return std::to_string(v); }

}  // namespace

std::string linea_generata(int32_t metri) {
  std::string s;
  riga(s, "[generale]");
  riga(s, "lunghezza percorso,  " + n(metri));
  riga(s, "progressiva chilometrica uno,  0,  0,  0");
  riga(s, "sfondo uno,  1");
  riga(s, "sfondo due,  0");
  riga(s, "sfondo tre,  0");
  riga(s, "ripetizione segnali 4 codici,  0,  0");
  riga(s, "[curve]");
  // Classes 1 to 6 in turn, each once to the left and once to the right, so
  // that the line keeps its heading on the whole.
  for (int64_t i = 0; i * kCurva + kInizioCurva + kLunghezzaCurva < metri; ++i) {
    const char lato = i % 2 == 0 ? 's' : 'd';
    const int64_t classe = (i / 2) % 6 + 1;
    riga(s, std::string("curva") + lato + n(classe) + ",  " + n(i * kCurva + kInizioCurva) + ",  " +
                n(kLunghezzaCurva));
  }
  riga(s, "[pendenze]");
  for (int64_t p = 0; p < metri; p += kPendenza) riga(s, "pendenza,  " + n(p) + ",  " + n((p / kPendenza) % 21 - 10));
  riga(s, "[cartelli]");
  for (int64_t p = kPrimoCartello; p < metri; p += kCartello) {
    riga(s, "indicatori_vmax,  " + n(p) + ",  120,  130,  140,  0,    ,    ,    ,  0");
  }
  riga(s, "[fine]");
  return s;
}

std::string treno_generato(int32_t metri) {
  std::string s;
  riga(s, "[generale]");
  riga(s, "numero vetture,  9");
  riga(s, "percentuale massa frenata,  130");
  riga(s, "sabbia,  300");
  riga(s, "orologio,      7               29            40");
  riga(s, "[aderenze]");
  riga(s, "aderenza,  0,  100");
  riga(s, "[vel_limite]");
  riga(s, "velocita,  0,  140");
  riga(s, "[stazioni]");
  int32_t stazioni = 0;
  for (int64_t p = kPrimaStazione; p < metri && stazioni < kMaxStazioni; p += kStazione, ++stazioni) {
    riga(s, "stazione,  " + n(p) + ",  12,  400,  0,  0,  0,  1,  1,  0,  4,  1,  1,  60,  7,  30,  0,   STAZIONE " +
                n(stazioni + 1));
  }
  riga(s, "[rallentamenti]");
  // Each slow order ends well before the end of the route, so that the
  // checks see its end board and the signal after it.
  for (int64_t x = kPrimoRallentamento; x + kLunghezzaRallentamento + 1000 < metri; x += kRallentamento) {
    riga(s, "rallentamento,  " + n(x) + ",  60,  " + n(kLunghezzaRallentamento) + ",  0,  1,  0");
  }
  riga(s, "[segnali]");
  for (int64_t p = kPrimoSegnale; p < metri; p += kSegnale) {
    riga(s, "segnale,  " + n(p) + ",  1,  4,  0,  0,  0,  0,  0,  0,  0,  0");
  }
  riga(s, "[codici]");
  riga(s, "[fine]");
  return s;
}

}  // namespace ferrovello::bench
