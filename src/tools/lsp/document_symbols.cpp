#include "tools/lsp/document_symbols.h"

#include "tools/lsp/keyword_docs.h"
#include "tools/text/cp1252.h"

namespace ferrovello {

namespace {

// The protocol's SymbolKind of each thing shown.
constexpr int kTipoSezione = 3;       // Namespace
constexpr int kTipoStazione = 19;     // Object
constexpr int kTipoSegnale = 24;      // Event
constexpr int kTipoRallentamento = 14;  // Constant

Json simbolo(const std::string& nome, const std::string& dettaglio, int tipo, const Intervallo& dove) {
  return {{"name", nome}, {"detail", dettaglio}, {"kind", tipo}, {"range", json_di(dove)},
          {"selectionRange", json_di(dove)}, {"children", Json::array()}};
}

}  // namespace

Json simboli(bool treno, const TestoAperto& testo) {
  Json radice = Json::array();
  Json* sezione = nullptr;
  for (int64_t r = 0; r < testo.righe(); ++r) {
    const std::string riga = testo.riga(r);
    const std::vector<ItemRiga> items = items_di_riga(riga);
    const std::string& primo = items[0].testo;
    const Intervallo dove{{r, 0}, {r, unita_utf16(riga)}};
    if (primo.size() >= 2 && primo.front() == '[' && primo.find(']') != std::string::npos && primo.find('-') == std::string::npos) {
      radice.push_back(simbolo(primo, "sezione", kTipoSezione, dove));
      sezione = &radice.back();
      continue;
    }
    std::string cp;
    const ParolaChiave* k = cp1252_da_utf8(primo, cp) ? parola_chiave_di(cp, treno) : nullptr;
    if (k == nullptr || items.size() < 2) continue;
    const std::string posizione = items[1].testo + " m";
    Json s;
    if (k->nome == "stazione") {
      const std::string nome = items.size() > k->campi.size() ? items[k->campi.size()].testo : std::string();
      s = simbolo(nome.empty() ? "stazione" : nome, posizione, kTipoStazione, dove);
    } else if (k->nome == "segnale") {
      s = simbolo("segnale " + posizione, posizione, kTipoSegnale, dove);
    } else if (k->nome == "rallentamento") {
      s = simbolo("rallentamento " + posizione, items.size() > 2 ? items[2].testo + " km/h" : "", kTipoRallentamento, dove);
    } else {
      continue;
    }
    if (sezione != nullptr) {
      (*sezione)["children"].push_back(std::move(s));
      (*sezione)["range"]["end"] = json_di(dove.a);
    } else {
      radice.push_back(std::move(s));
    }
  }
  return radice;
}

}  // namespace ferrovello
