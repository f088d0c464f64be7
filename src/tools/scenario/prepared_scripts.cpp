#include "tools/scenario/prepared_scripts.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "model/findings_cap.h"

#include "tools/scenario/read_faults.h"
#include "tools/scenario/script_overlay.h"
#include "tools/text/standard_output.h"

namespace ferrovello {

bool leggi_file(Platform& base, const std::string& nome, std::string& bytes, uint64_t massimo, const char* cosa) {
  std::string perche;
  bool troppo = false;
  const bool letto = nome == "-" ? base.read_input_up_to(massimo, bytes, troppo, perche)
                                 : base.read_file_up_to(nome, massimo, bytes, troppo, perche);
  if (!letto) {
    base.show_message((nome == "-" ? std::string("Impossibile leggere lo standard input")
                                   : "Impossibile leggere il file \"" + nome + "\"") + ": " + perche);
    return false;
  }
  if (!troppo) return true;
  segnala_troppo_grande(base, nome, massimo, cosa);
  return false;
}

void segnala_troppo_grande(Platform& base, const std::string& nome, uint64_t massimo, const char* cosa) {
  base.show_message("Il file \"" + nome + "\" supera " + std::to_string(massimo) + " byte, il massimo per " + cosa +
                    ": non viene letto");
}

namespace {

// A warning as it reaches the author: on the stream of the faults; those
// past the ones kept in one sentence.
void stampa_avvisi(Platform& base, const ScriptPreparati& p) {
  for (const Avviso& a : p.avvisi) base.show_message(testo_avviso(a));
  const size_t altri = p.omessi.totale();
  if (altri > 0) base.show_message(frase_elenco_fermo(altri, p.omessi.di(Gravita::errore) == altri ? "errori" : "avvisi"));
}

}  // namespace

bool leggi_script(const CompileOptions& o, Platform& base, std::string& linea, std::string& treno) {
  if (o.line == "-" && o.train == "-") {
    base.show_message("--line e --train non possono leggere entrambi lo standard input: dai a uno dei due un file");
    return false;
  }
  return leggi_file(base, o.line, linea, kMassimoScript, "uno script") &&
         leggi_file(base, o.train, treno, kMassimoScript, "uno script");
}

bool prepara_script(const CompileOptions& o, Platform& base, ScriptPreparati& p) {
  std::string linea;
  std::string treno;
  if (!leggi_script(o, base, linea, treno)) return false;
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
  p.avvisi.insert(p.avvisi.end(), std::make_move_iterator(p.controllo.avvisi.begin()),
                  std::make_move_iterator(p.controllo.avvisi.end()));
  p.controllo.avvisi.clear();
  p.omessi = p.controllo.omessi;
  std::stable_sort(p.avvisi.begin(), p.avvisi.end(), [](const Avviso& a, const Avviso& b) {
    return a.file != b.file ? a.file < b.file : a.offset < b.offset;
  });
  tieni_i_primi(p.avvisi, p.omessi);
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
    if (o.avvisi) stampa_avvisi(base, p);
  };

  if (!in_memoria) form.blocca_cartella();
  form.memorizza_percorso(o.no_line_file ? 0 : 1);
  if (!in_memoria) {
    for (const std::string& scritto : overlay.scritti()) stampa(base, scritto + "\n");
  }
  if (!riportato && o.avvisi) stampa_avvisi(base, p);
  if (form.error_code != 0) {
    // With `force` the run went on to its end: what it built is handed on.
    if (o.force) dopo(form);
    return 1;
  }
  const int stato = dopo(form);
  // In the commands that report the findings, an error of the check fails
  // the command although the compiler took the scripts; with `strict` a
  // warning does too, a note never.
  const bool respinto = o.avvisi && (conta(p.avvisi, p.omessi, Gravita::errore) > 0 ||
                                     (o.strict && conta(p.avvisi, p.omessi, Gravita::avviso) > 0));
  return (stato == 0 && respinto) ? 1 : stato;
}

bool crea_cartella(Platform& base, const std::string& cartella) {
  std::string perche;
  if (base.create_folder(cartella, perche)) return true;
  base.show_message("Impossibile creare la cartella \"" + cartella + "\": " + perche);
  return false;
}

}  // namespace ferrovello
