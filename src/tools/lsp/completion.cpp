#include "tools/lsp/completion.h"

#include <set>

#include "tools/lsp/keyword_docs.h"
#include "tools/text/cp1252.h"

namespace ferrovello {

namespace {

constexpr int kTipoParolaChiave = 14;  // the protocol's CompletionItemKind.Keyword
constexpr int kTipoValore = 12;        // Value
constexpr int kFormatoSnippet = 2;

std::string snippet(const ParolaChiave& k) {
  std::string s = k.nome;
  for (size_t j = 0; j < k.campi.size(); ++j) {
    s.append(", ${").append(std::to_string(j + 1)).append(":").append(k.campi[j].nome).append("}");
  }
  return s;
}

// The names of the stations of a train script read by the check.
std::set<std::string> nomi_stazioni(const std::string& treno) {
  std::set<std::string> nomi;
  size_t da = 0;
  while (da < treno.size()) {
    size_t a = treno.find_first_of("\r\n", da);
    if (a == std::string::npos) a = treno.size();
    const std::vector<ItemRiga> items = items_di_riga(treno.substr(da, a - da));
    const ParolaChiave* k = items.empty() ? nullptr : parola_chiave_di(items[0].testo, true);
    if (k != nullptr && k->nome == "stazione" && items.size() > k->campi.size() && !items.back().testo.empty()) {
      nomi.insert(utf8_da_cp1252(items[k->campi.size()].testo));
    }
    da = a + 1;
  }
  return nomi;
}

}  // namespace

Json completamenti(const Analisi* a, bool treno, const TestoAperto& testo, const Posizione& p) {
  const std::string riga = testo.riga(p.riga);
  const size_t colonna = testo.byte_di(p) - testo.inizio_riga(p.riga);
  const size_t n = item_a_colonna(riga, colonna);
  Json voci = Json::array();
  if (n == 0) {
    for (const ParolaChiave& k : parole_chiave()) {
      if (!k.generale && k.treno != treno) continue;
      voci.push_back({{"label", utf8_da_cp1252(k.nome)},
                      {"kind", kTipoParolaChiave},
                      {"detail", descrizione_parola(k.nome)},
                      {"insertText", snippet(k)},
                      {"insertTextFormat", kFormatoSnippet}});
    }
    return voci;
  }
  const std::vector<ItemRiga> items = items_di_riga(riga);
  std::string cp;
  const ParolaChiave* k = cp1252_da_utf8(items[0].testo, cp) ? parola_chiave_di(cp, treno) : nullptr;
  if (k == nullptr || n > k->campi.size() || !k->campi[n - 1].testo || a == nullptr) return voci;
  for (const std::string& nome : nomi_stazioni(a->letto[1])) {
    voci.push_back({{"label", nome}, {"kind", kTipoValore}, {"detail", "stazione"}});
  }
  return voci;
}

}  // namespace ferrovello
