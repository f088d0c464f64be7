#include "tools/text/standard_output.h"

#include <cstdarg>
#include <cstdio>

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

void scrivi(std::string& out, const char* formato, ...) {
  va_list ap;
  va_start(ap, formato);
  va_list copia;
  va_copy(copia, ap);
  const int n = std::vsnprintf(nullptr, 0, formato, copia);
  va_end(copia);
  if (n > 0) {
    const size_t prima = out.size();
    out.resize(prima + static_cast<size_t>(n) + 1);
    std::vsnprintf(out.data() + prima, static_cast<size_t>(n) + 1, formato, ap);
    out.resize(prima + static_cast<size_t>(n));
  }
  va_end(ap);
}

// Some messages still go through the C library's standard error.
int stato_finale(const Platform& base, int stato) {
  const bool errore_perso = std::fflush(stderr) != 0 || std::ferror(stderr) != 0;
  return uscita_fallita || base.message_lost() || errore_perso ? 1 : stato;
}

bool scrivi_uscita(Platform& base, const std::string& nome, std::string_view bytes) {
  if (nome == "-") {
    stampa(base, bytes);
    return !uscita_fallita;
  }
  std::string perche;
  if (!base.write_named_output(nome, bytes, false, perche)) {
    base.show_message("Impossibile scrivere il file \"" + nome + "\": " + perche);
    return false;
  }
  stampa(base, nome + "\n");
  return true;
}

}  // namespace ferrovello
