#include "tools/compile_command.h"

#include <algorithm>
#include <cstdio>

#include "tools/full_check.h"
#include "tools/script_overlay.h"

namespace ferrovello {

bool leggi_file(Platform& base, const std::string& nome, std::string& bytes) {
  std::string perche;
  if (base.read_file(nome, bytes, perche)) return true;
  base.show_message("Impossibile leggere il file \"" + nome + "\": " + perche);
  return false;
}

namespace {

// A warning as it reaches the author: on the stream of the faults.
void stampa_avvisi(Platform& base, const std::vector<Avviso>& avvisi) {
  for (const Avviso& a : avvisi) base.show_message(testo_avviso(a));
}

}  // namespace

bool prepara_script(const CompileOptions& o, Platform& base, ScriptPreparati& p) {
  std::string linea;
  std::string treno;
  if (!leggi_file(base, o.line, linea) || !leggi_file(base, o.train, treno)) return false;
  return prepara_testi(o, std::move(linea), std::move(treno), base, p);
}

bool prepara_testi(const CompileOptions& o, std::string linea, std::string treno, Platform& base, ScriptPreparati& p) {
  std::vector<std::string> guasti;
  prepara_testo(o.line, 0, std::move(linea), p.linea, p.avvisi, guasti, o.windows_1252);
  prepara_testo(o.train, 1, std::move(treno), p.treno, p.avvisi, guasti, o.windows_1252);
  if (!guasti.empty()) {
    for (const std::string& g : guasti) base.show_message(g);
    return false;
  }
  p.controllo = controlla_script(p.linea, p.treno, !o.no_line_file);
  p.avvisi.insert(p.avvisi.end(), p.controllo.avvisi.begin(), p.controllo.avvisi.end());
  std::stable_sort(p.avvisi.begin(), p.avvisi.end(), [](const Avviso& a, const Avviso& b) {
    return a.file != b.file ? a.file < b.file : a.offset < b.offset;
  });
  return true;
}

int compila_script(const CompileOptions& o, Platform& base, bool in_memoria, const std::function<int(Form1&)>& dopo) {
  ScriptPreparati p;
  if (!prepara_script(o, base, p)) return 1;
  return compila_preparati(o, base, in_memoria, p, dopo);
}

int compila_testi(const CompileOptions& o, std::string linea, std::string treno, Platform& base, bool in_memoria,
                  const std::function<int(Form1&)>& dopo) {
  ScriptPreparati p;
  if (!prepara_testi(o, std::move(linea), std::move(treno), base, p)) return 1;
  return compila_preparati(o, base, in_memoria, p, dopo);
}

void prepara_form(Form1& form, ScriptOverlay& overlay, const CompileOptions& o, const ScriptPreparati& p) {
  form.scenario_name = o.name;
  form.train_number = o.train_number;
  form.line_label = o.line;
  form.train_label = o.train;
  overlay.offri(form.nome_file(form.nome_script_linea()), p.linea.bytes);
  overlay.offri(form.nome_file(form.nome_script_treno()), p.treno.bytes);
}

int compila_preparati(const CompileOptions& o, Platform& base, bool in_memoria, const ScriptPreparati& p,
                      const std::function<int(Form1&)>& dopo) {
  ScriptOverlay overlay(base, in_memoria);
  Form1 form(overlay);
  prepara_form(form, overlay, o, p);
  form.write_despite_faults = o.force;

  // The compiler's report of its faults, with the read faults said in the
  // author's terms, then the warnings.
  bool riportato = false;
  overlay.mostra = [&](const std::string& testo) {
    if (riportato || form.diagnoses.empty() || testo.rfind(testo_errore(""), 0) != 0) {
      base.show_message(testo);
      return;
    }
    riportato = true;
    spiega_guasti_di_lettura(form.diagnoses, p);
    form.segnala_errore_registrato();
    if (o.avvisi) stampa_avvisi(base, p.avvisi);
  };

  if (!in_memoria) form.blocca_cartella();
  form.memorizza_percorso(o.no_line_file ? 0 : 1);
  if (!in_memoria) {
    for (const std::string& scritto : overlay.scritti()) std::printf("%s\n", scritto.c_str());
  }
  if (!riportato && o.avvisi) stampa_avvisi(base, p.avvisi);
  if (form.error_code != 0) {
    // With `force` the run went on to its end: what it built is handed on.
    if (o.force) dopo(form);
    return 1;
  }
  const int stato = dopo(form);
  return (stato == 0 && o.strict && !p.avvisi.empty()) ? 1 : stato;
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
    std::printf("%s\n", riepilogo(form, p.controllo.righe, p.avvisi.size()).c_str());
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
