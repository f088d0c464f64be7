#include "tools/compile/compile_command.h"

#include "tools/text/standard_output.h"

namespace ferrovello {

// The scripts are read before the output folder is made: a script that
// cannot be read leaves nothing behind.
int esegui_compile(const CompileOptions& o, Platform& base) {
  ScriptPreparati p;
  if (!prepara_script(o, base, p) || !crea_cartella(base, base.program_folder())) return 1;
  return compila_preparati(o, base, false, p, [](Form1&) { return 0; });
}

int esegui_scripts(const std::string& name, const std::string& train_number, bool force, Platform& base) {
  if (!crea_cartella(base, base.program_folder())) return 1;
  Form1 form(base);
  form.scenario_name = name;
  form.train_number = train_number;
  // The author's scripts, perhaps edited, are not written over unasked.
  bool presenti = false;
  for (const std::string& script : {form.nome_file(form.nome_script_linea()), form.nome_file(form.nome_script_treno())}) {
    if (force || !base.exists(script)) continue;
    base.show_message("Il file \"" + script + "\" esiste già: non viene sovrascritto (usa --force per sovrascriverlo)");
    presenti = true;
  }
  if (presenti) return 1;
  form.dati_linea();
  form.dati_treno();
  stampa(base, form.nome_file(form.nome_script_linea()) + "\n" + form.nome_file(form.nome_script_treno()) + "\n");
  return 0;
}

}  // namespace ferrovello
