#include "tools/lsp/code_actions.h"

#include "tools/lsp/diagnostics.h"
#include "tools/text/cp1252.h"

namespace ferrovello {

namespace {

bool prima(const Posizione& a, const Posizione& b) {
  return a.riga != b.riga ? a.riga < b.riga : a.carattere < b.carattere;
}

// What the change does, as the editor's menu shows it.
std::string titolo(const Correzione& c, const std::string& testo) {
  std::string nudo = testo;
  while (!nudo.empty() && (nudo.back() == '\n' || nudo.back() == '\r')) nudo.pop_back();
  while (!nudo.empty() && (nudo.front() == '\n' || nudo.front() == '\r')) nudo.erase(0, 1);
  if (nudo == " " || nudo == ", ") return "Unisci la riga seguente a questa";
  if (c.da == c.a) return "Aggiungi \"" + nudo + "\"";
  return "Scrivi \"" + nudo + "\"";
}

}  // namespace

Json azioni_correttive(const Analisi& a, int file, const TestoAperto& testo, const std::string& uri,
                       const Intervallo& chiesto) {
  Json azioni = Json::array();
  for (const VoceAnalisi& v : a.voci) {
    if (v.file != file || !v.correzione.presente) continue;
    const Intervallo dove = intervallo_di(testo, v);
    if (prima(dove.a, chiesto.da) || prima(chiesto.a, dove.da)) continue;
    const Correzione& c = v.correzione;
    std::string nuovo = utf8_da_cp1252(c.testo);
    // The document's own line ends: a script kept with LF gets LF.
    if (testo.utf8().find("\r\n") == std::string::npos && testo.utf8().find('\n') != std::string::npos) {
      for (size_t i = nuovo.find("\r\n"); i != std::string::npos; i = nuovo.find("\r\n", i)) nuovo.erase(i, 1);
    }
    const Json modifica = {{"range", json_di(Intervallo{posizione_letta(testo, c.da), posizione_letta(testo, c.a)})},
                           {"newText", nuovo}};
    Json diagnostica = {{"range", json_di(dove)},
                        {"severity", v.errore ? kGravitaErrore : kGravitaAvviso},
                        {"source", "scenario-tool"},
                        {"message", v.testo}};
    azioni.push_back({{"title", titolo(c, nuovo)},
                      {"kind", "quickfix"},
                      {"isPreferred", true},
                      {"diagnostics", Json::array({diagnostica})},
                      {"edit", {{"changes", {{uri, Json::array({modifica})}}}}}});
  }
  return azioni;
}

}  // namespace ferrovello
