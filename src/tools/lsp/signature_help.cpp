#include "tools/lsp/signature_help.h"

#include "tools/lsp/keyword_docs.h"
#include "tools/text/cp1252.h"

namespace ferrovello {

Json aiuto_firma(bool treno, const TestoAperto& testo, const Posizione& p) {
  const std::string riga = testo.riga(p.riga);
  const size_t colonna = testo.byte_di(p) - testo.inizio_riga(p.riga);
  const std::vector<ItemRiga> items = items_di_riga(riga);
  std::string cp;
  const ParolaChiave* k = cp1252_da_utf8(items[0].testo, cp) ? parola_chiave_di(cp, treno) : nullptr;
  if (k == nullptr || k->campi.empty()) return nullptr;
  // The label, with each field's place in it in UTF-16 code units.
  std::string etichetta = utf8_da_cp1252(k->nome);
  Json parametri = Json::array();
  for (const CampoChiave& c : k->campi) {
    etichetta += ", ";
    const int64_t da = unita_utf16(etichetta);
    etichetta += c.nome;
    const std::string u = unita_campo(c.nome);
    parametri.push_back({{"label", {da, unita_utf16(etichetta)}},
                         {"documentation", c.nome + (u.empty() ? "" : " (" + u + ")") + ": " + campo_ammesso(c)}});
  }
  const size_t n = item_a_colonna(riga, colonna);
  const size_t attivo = n == 0 ? 0 : std::min(n - 1, k->campi.size() - 1);
  return {{"signatures", Json::array({{{"label", etichetta},
                                       {"documentation", descrizione_parola(k->nome)},
                                       {"parameters", parametri}}})},
          {"activeSignature", 0},
          {"activeParameter", attivo}};
}

}  // namespace ferrovello
