#include "tools/check/check_command.h"

#include "model/cell_kinds.h"
#include "tools/check/full_check.h"
#include "tools/text/standard_output.h"

namespace ferrovello {

namespace {

// "1 stazione", "2 stazioni": a count with its noun in the right number.
std::string quanti(int64_t n, const char* uno, const char* molti) {
  return std::to_string(n) + " " + (n == 1 ? uno : molti);
}

}  // namespace

std::string riepilogo(const Form1& f, size_t errori_controllo) {
  int segnali = 0;
  int indicatori = 0;
  int cartelli = 0;
  int rallentamenti = 0;
  for (const RouteCell& c : f.route_cells) {
    segnali += c.kind == kSegnale;
    indicatori += c.kind == kIndicatoreVMax;
    cartelli += c.kind == kCartello;
    rallentamenti += c.kind == kInizioRallentamento;
  }
  const std::string esito = errori_controllo == 0
                                ? std::string("Nessun errore")
                                : quanti(static_cast<int64_t>(errori_controllo), "errore", "errori") + " del controllo";
  return esito + ": percorso di " + std::to_string(f.items[kElementoTreno].value2) + " m, " +
         quanti(static_cast<int64_t>(f.route_cells.size()), "cella", "celle") + ", " +
         quanti(f.station_count, "stazione", "stazioni") + ", " + quanti(segnali, "segnale", "segnali") + ", " +
         quanti(indicatori, "indicatore di velocità", "indicatori di velocità") + ", " +
         quanti(cartelli, "cartello indicatore", "cartelli indicatori") + ", " +
         quanti(rallentamenti, "rallentamento", "rallentamenti");
}

std::string riepilogo(const Form1& f, const std::map<std::string, int>& righe, const std::vector<Avviso>& avvisi,
                      const Omessi& omessi) {
  auto n = [&](const char* tipo, const char* uno, const char* molti) {
    const auto it = righe.find(tipo);
    return ", " + quanti(it == righe.end() ? 0 : it->second, uno, molti);
  };
  const size_t note = conta(avvisi, omessi, Gravita::nota);
  return riepilogo(f, conta(avvisi, omessi, Gravita::errore)) + n("pendenze", "pendenza", "pendenze") +
         n("curve", "curva", "curve") + n("montagne", "montagna", "montagne") +
         n("progressive", "progressiva", "progressive") + n("velocita", "voce di velocità", "voci di velocità") +
         n("aderenza", "voce di aderenza", "voci di aderenza") +
         n("abbattimenti", "punto di abbattimento", "punti di abbattimento") + ", " +
         quanti(static_cast<int64_t>(conta(avvisi, omessi, Gravita::avviso)), "avviso", "avvisi") +
         (note == 0 ? "" : ", " + quanti(static_cast<int64_t>(note), "nota", "note"));
}

int esegui_check(const CompileOptions& o, Platform& base) {
  ScriptPreparati p;
  if (!prepara_script(o, base, p)) return 1;
  if (o.all) {
    const int stato = controllo_completo(o, base, p);
    if (stato >= 0) return stato;  // faults listed; otherwise the check as without --all
  }
  return compila_preparati(o, base, true, p, [&](Form1& form) {
    stampa(base, riepilogo(form, p.controllo.righe, p.avvisi, p.omessi) + "\n");
    return 0;
  });
}

}  // namespace ferrovello
