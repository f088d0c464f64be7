#include "tools/lsp/hover.h"

#include <cstdlib>

#include "model/numbers.h"
#include "tools/compiled/progressive_km.h"
#include "tools/compiled/record_words.h"
#include "tools/lsp/keyword_docs.h"
#include "tools/text/cp1252.h"

namespace ferrovello {

namespace {

std::string descrivi_parola(const ParolaChiave& k) {
  std::string t = "**" + k.nome + "**";
  const std::string d = descrizione_parola(k.nome);
  if (!d.empty()) t += "\n\n" + d;
  t += "\n\nCampi:";
  for (size_t j = 0; j < k.campi.size(); ++j) {
    const std::string u = unita_campo(k.campi[j].nome);
    t.append("\n").append(std::to_string(j + 1)).append(". `").append(k.campi[j].nome).append("`");
    if (!u.empty()) t.append(" (").append(u).append(")");
  }
  return t;
}

// The posts of a position and the route's row at its cell.
std::string descrivi_posizione(const Analisi& a, int64_t metri) {
  const std::vector<SistemaKm> sistemi = sistemi_km(a.elementi);
  std::string t = "\n\nProgressiva chilometrica: " + testo_km(km_a(sistemi, metri));
  if (!a.percorso) return t;
  const auto cella = static_cast<int64_t>(arrotonda(static_cast<double>(metri) / 50 + 1));
  if (cella < 0 || cella >= static_cast<int64_t>(a.celle.size())) return t + "\n\nFuori dal percorso compilato";
  const auto i = static_cast<size_t>(cella);
  return t + "\n\n```\n" + intestazione_percorso(true) + riga_percorso(i, a.celle[i], &sistemi) + "```";
}

}  // namespace

Json informazioni(const Analisi* a, bool treno, const TestoAperto& testo, const Posizione& p) {
  const std::string riga = testo.riga(p.riga);
  const size_t colonna = testo.byte_di(p) - testo.inizio_riga(p.riga);
  const std::vector<ItemRiga> items = items_di_riga(riga);
  std::string cp;
  if (items.empty() || !cp1252_da_utf8(items[0].testo, cp)) return nullptr;
  const ParolaChiave* k = parola_chiave_di(cp, treno);
  if (k == nullptr) return nullptr;
  const size_t n = item_a_colonna(riga, colonna);
  std::string t;
  if (n == 0) {
    t = descrivi_parola(*k);
  } else if (n <= k->campi.size()) {
    const CampoChiave& c = k->campi[n - 1];
    const std::string u = unita_campo(c.nome);
    t.append("campo ").append(std::to_string(n)).append(" (").append(c.nome).append(") di \"").append(k->nome).append("\"");
    if (!u.empty()) t.append(", in ").append(u);
    t.append(": ").append(campo_ammesso(c));
    const std::string& valore = items[n].testo;
    char* fine = nullptr;
    const long long metri = std::strtoll(valore.c_str(), &fine, 10);
    if (campo_di_posizione(c.nome) && a != nullptr && !valore.empty() && *fine == '\0') t += descrivi_posizione(*a, metri);
  } else {
    return nullptr;
  }
  const ItemRiga& it = items[n < items.size() ? n : items.size() - 1];
  const Intervallo dove{testo.posizione_di(testo.inizio_riga(p.riga) + it.da),
                        testo.posizione_di(testo.inizio_riga(p.riga) + it.a)};
  return {{"contents", {{"kind", "markdown"}, {"value", t}}}, {"range", json_di(dove)}};
}

}  // namespace ferrovello
