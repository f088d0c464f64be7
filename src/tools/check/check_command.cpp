#include "tools/check/check_command.h"

#include "model/cell_kinds.h"
#include "tools/check/full_check.h"
#include "tools/text/standard_output.h"

namespace ferrovello {

std::string riepilogo(const Form1& f) {
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
  return "Nessun errore: percorso di " + std::to_string(f.items[kElementoTreno].value2) + " m, " +
         std::to_string(f.route_cells.size()) + " celle, " + std::to_string(f.station_count) + " stazioni, " +
         std::to_string(segnali) + " segnali, " + std::to_string(indicatori) + " indicatori di velocità, " +
         std::to_string(cartelli) + " cartelli indicatori, " + std::to_string(rallentamenti) + " rallentamenti";
}

std::string riepilogo(const Form1& f, const std::map<std::string, int>& righe, size_t avvisi) {
  auto n = [&](const char* tipo, const char* uno, const char* molti) {
    const auto it = righe.find(tipo);
    const int v = it == righe.end() ? 0 : it->second;
    return ", " + std::to_string(v) + " " + (v == 1 ? uno : molti);
  };
  return riepilogo(f) + n("pendenze", "pendenza", "pendenze") + n("curve", "curva", "curve") +
         n("montagne", "montagna", "montagne") + n("progressive", "progressiva", "progressive") +
         n("velocita", "voce di velocità", "voci di velocità") + n("aderenza", "voce di aderenza", "voci di aderenza") +
         n("abbattimenti", "punto di abbattimento", "punti di abbattimento") + ", " + std::to_string(avvisi) +
         (avvisi == 1 ? " avviso" : " avvisi");
}

int esegui_check(const CompileOptions& o, Platform& base) {
  ScriptPreparati p;
  if (!prepara_script(o, base, p)) return 1;
  if (o.all) {
    const int stato = controllo_completo(o, base, p);
    if (stato >= 0) return stato;  // faults listed; otherwise the check as without --all
  }
  return compila_preparati(o, base, true, p, [&](Form1& form) {
    stampa(base, riepilogo(form, p.controllo.righe, p.avvisi.size()) + "\n");
    return 0;
  });
}

}  // namespace ferrovello
