#include "tools/lsp/diagnostics.h"

#include "model/findings_cap.h"

namespace ferrovello {

namespace {

// A byte-order mark the client kept is no character of the script.
size_t marca(const TestoAperto& t) { return t.utf8().rfind("\xEF\xBB\xBF", 0) == 0 ? 1 : 0; }

}  // namespace

Posizione posizione_letta(const TestoAperto& testo, size_t offset) {
  return testo.posizione_di(testo.byte_del_carattere(offset + marca(testo)));
}

Intervallo intervallo_di(const TestoAperto& testo, const VoceAnalisi& v) {
  return {posizione_letta(testo, v.da), posizione_letta(testo, v.a)};
}

Json diagnostiche(const Analisi& a, int file, const TestoAperto& testo) {
  Json lista = Json::array();
  // The first ones are published, the rest said in one last diagnostic, at
  // the first left out, or where the list stops when the check only
  // counted them.
  size_t altri = a.omesse[file == 0 ? 0 : 1];
  const VoceAnalisi* primo_omesso = nullptr;
  const VoceAnalisi* ultimo = nullptr;
  size_t pubblicate = 0;
  for (const VoceAnalisi& v : a.voci) {
    if (v.file != file) continue;
    if (pubblicate == kRilieviTenuti) {
      if (primo_omesso == nullptr) primo_omesso = &v;
      ++altri;
      continue;
    }
    ++pubblicate;
    ultimo = &v;
    Json d = {{"range", json_di(intervallo_di(testo, v))},
              {"severity", v.errore ? kGravitaErrore : kGravitaAvviso},
              {"source", "scenario-tool"},
              {"message", v.testo}};
    if (v.codice != 0) d["code"] = v.codice;
    lista.push_back(std::move(d));
  }
  if (altri > 0) {
    const VoceAnalisi* dove = primo_omesso != nullptr ? primo_omesso : ultimo;
    lista.push_back({{"range", json_di(dove != nullptr ? intervallo_di(testo, *dove) : Intervallo{})},
                     {"severity", kGravitaAvviso},
                     {"source", "scenario-tool"},
                     {"message", frase_elenco_fermo(altri, "avvisi")}});
  }
  return lista;
}

}  // namespace ferrovello
