#include "tools/compile_command.h"

#include <cstdio>

#include "model/form1.h"
#include "tools/script_overlay.h"

namespace ferrovello {

std::string nome_non_valido(const std::string& nome) {
  if (nome.empty()) return "e' vuoto";
  for (const char c : nome) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u > 0x7E) return "contiene un carattere non ASCII o di controllo";
    if (std::string("/\\:*?\"<>|").find(c) != std::string::npos) {
      return std::string("contiene il carattere non ammesso '") + c + "'";
    }
  }
  return {};
}

int esegui_compile(const CompileOptions& o, Platform& base) {
  std::string linea;
  std::string treno;
  std::string perche;
  if (!base.read_file(o.line, linea, perche)) {
    base.show_message("Impossibile leggere il file \"" + o.line + "\": " + perche);
    return 1;
  }
  if (!base.read_file(o.train, treno, perche)) {
    base.show_message("Impossibile leggere il file \"" + o.train + "\": " + perche);
    return 1;
  }

  ScriptOverlay overlay(base);
  Form1 form(overlay);
  form.scenario_name = o.name;
  form.train_number = o.train_number;
  form.write_despite_faults = o.force;
  form.nome_linea_mostrato = o.line;
  form.nome_treno_mostrato = o.train;
  overlay.offri(form.nome_file(form.nome_script_linea()), std::move(linea));
  overlay.offri(form.nome_file(form.nome_script_treno()), std::move(treno));

  form.memorizza_percorso(o.no_line_file ? 0 : 1);

  for (const std::string& scritto : overlay.scritti()) std::printf("%s\n", scritto.c_str());
  return form.error_code != 0 ? 1 : 0;
}

}  // namespace ferrovello
