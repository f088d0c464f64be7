#include "tools/compile_command.h"

#include <cstdio>

#include "tools/script_overlay.h"

namespace ferrovello {

bool leggi_file(Platform& base, const std::string& nome, std::string& bytes) {
  std::string perche;
  if (base.read_file(nome, bytes, perche)) return true;
  base.show_message("Impossibile leggere il file \"" + nome + "\": " + perche);
  return false;
}

int compila_script(const CompileOptions& o, Platform& base, bool in_memoria, const std::function<int(Form1&)>& dopo) {
  std::string linea;
  std::string treno;
  if (!leggi_file(base, o.line, linea) || !leggi_file(base, o.train, treno)) return 1;
  return compila_testi(o, std::move(linea), std::move(treno), base, in_memoria, dopo);
}

int compila_testi(const CompileOptions& o, std::string linea, std::string treno, Platform& base, bool in_memoria,
                  const std::function<int(Form1&)>& dopo) {
  ScriptOverlay overlay(base, in_memoria);
  Form1 form(overlay);
  form.scenario_name = o.name;
  form.train_number = o.train_number;
  form.write_despite_faults = o.force;
  form.line_label = o.line;
  form.train_label = o.train;
  overlay.offri(form.nome_file(form.nome_script_linea()), std::move(linea));
  overlay.offri(form.nome_file(form.nome_script_treno()), std::move(treno));

  if (!in_memoria) form.blocca_cartella();
  form.memorizza_percorso(o.no_line_file ? 0 : 1);
  if (!in_memoria) {
    for (const std::string& scritto : overlay.scritti()) std::printf("%s\n", scritto.c_str());
  }
  if (form.error_code != 0) {
    // With `force` the run went on to its end: what it built is handed on.
    if (o.force) dopo(form);
    return 1;
  }
  return dopo(form);
}

int esegui_compile(const CompileOptions& o, Platform& base) {
  return compila_script(o, base, false, [](Form1&) { return 0; });
}

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
         std::to_string(segnali) + " segnali, " + std::to_string(indicatori) + " indicatori di velocita', " +
         std::to_string(cartelli) + " cartelli indicatori, " + std::to_string(rallentamenti) + " rallentamenti";
}

int esegui_check(const CompileOptions& o, Platform& base) {
  return compila_script(o, base, true, [](Form1& form) {
    std::printf("%s\n", riepilogo(form).c_str());
    return 0;
  });
}

int esegui_scripts(const std::string& name, const std::string& train_number, Platform& base) {
  Form1 form(base);
  form.scenario_name = name;
  form.train_number = train_number;
  form.dati_linea();
  form.dati_treno();
  std::printf("%s\n%s\n", form.nome_file(form.nome_script_linea()).c_str(),
              form.nome_file(form.nome_script_treno()).c_str());
  return 0;
}

}  // namespace ferrovello
