#include "tools/standard_output.h"

namespace ferrovello {

namespace {

bool uscita_fallita = false;

}  // namespace

void stampa(Platform& base, std::string_view testo) {
  if (uscita_fallita) return;
  bool chiusa = false;
  std::string perche;
  if (base.write_output(testo, chiusa, perche)) return;
  uscita_fallita = true;
  if (!chiusa) base.show_message("Impossibile scrivere sullo standard output: " + perche);
}

int stato_finale(const Platform& base, int stato) { return uscita_fallita || base.message_lost() ? 1 : stato; }

bool scrivi_uscita(Platform& base, const std::string& nome, std::string_view bytes) {
  if (nome == "-") {
    stampa(base, bytes);
    return !uscita_fallita;
  }
  std::string perche;
  if (!base.replace_file(nome, bytes, perche)) {
    base.show_message("Impossibile scrivere il file \"" + nome + "\": " + perche);
    return false;
  }
  stampa(base, nome + "\n");
  return true;
}

}  // namespace ferrovello
