#include "tools/scenario/read_faults.h"

#include <algorithm>
#include <cstdlib>

namespace ferrovello {

namespace {

// Byte offset of "LINE:COLUMN" in a script, from a place "LABEL:LINE:COLUMN"
// of that script; false for a place elsewhere (a cell, the other script).
bool offset_di(const std::string& luogo, const TestoScript& t, size_t& offset) {
  const std::string prefisso = t.etichetta + ":";
  if (luogo.rfind(prefisso, 0) != 0) return false;
  const std::string resto = luogo.substr(prefisso.size());
  const size_t due_punti = resto.find(':');
  if (due_punti == std::string::npos) return false;
  const long riga = std::strtol(resto.c_str(), nullptr, 10);
  const long colonna = std::strtol(resto.c_str() + due_punti + 1, nullptr, 10);
  if (riga < 1 || colonna < 1) return false;
  long r = 1;
  size_t i = 0;
  const std::string& b = t.bytes;
  while (i < b.size() && r < riga) {
    if (b[i] == '\n' || (b[i] == '\r' && (i + 1 >= b.size() || b[i + 1] != '\n'))) ++r;
    ++i;
  }
  offset = std::min(b.size(), i + static_cast<size_t>(colonna - 1));
  return true;
}

}  // namespace

int script_di(const std::string& luogo, const ScriptPreparati& p, size_t& offset) {
  if (offset_di(luogo, p.linea, offset)) return 0;
  if (offset_di(luogo, p.treno, offset)) return 1;
  return -1;
}

const GuastoDiLettura* guasto_a(const ScriptPreparati& p, int file, size_t offset) {
  // In file order, as the check read them.
  const std::vector<GuastoDiLettura>& guasti = p.controllo.guasti[file];
  const auto g = std::lower_bound(guasti.begin(), guasti.end(), offset,
                                  [](const GuastoDiLettura& a, size_t o) { return a.offset < o; });
  return g != guasti.end() && g->offset == offset ? &*g : nullptr;
}

const GuastoDiLettura* spiega_guasto(Diagnosi& d, const ScriptPreparati& p, int file, size_t offset) {
  if (d.codice != kErroreGuasto) return nullptr;
  const GuastoDiLettura* g = guasto_a(p, file, offset);
  if (g != nullptr) {
    d.luogo = g->luogo;
    d.frase = g->frase;
  }
  return g;
}

void spiega_guasti_di_lettura(std::vector<Diagnosi>& diagnosi, const ScriptPreparati& p) {
  for (Diagnosi& d : diagnosi) {
    if (d.codice != kErroreGuasto) continue;
    // The byte the compiler found it at, when it says; the place counted
    // from the start of the script otherwise.
    size_t offset = d.offset;
    const int file = d.script >= 0 ? d.script : script_di(d.luogo, p, offset);
    if (file >= 0) spiega_guasto(d, p, file, offset);
  }
}

}  // namespace ferrovello
