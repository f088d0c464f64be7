#include "tools/serve/live_build.h"

#include <nlohmann/json.hpp>

#include "tools/text/script_overlay.h"
#include "tools/view/view_command.h"
#include "tools/view/view_page.h"

namespace ferrovello {

namespace {

std::string nome_breve(const std::string& percorso) {
  const size_t barra = percorso.find_last_of("/\\");
  return barra == std::string::npos ? percorso : percorso.substr(barra + 1);
}

std::string pagina_di(const DatiVista& d) { return pagina_vista(d.nome + " · treno " + d.treno, json_vista(d)); }

const VoceElenco* primo_errore(const DatiVista& d) {
  for (const VoceElenco& v : d.elenco) {
    if (v.tipo == "errore") return &v;
  }
  return nullptr;
}

// The banner of a build with faults: the first fault, its script line and
// how many there are.
void banner_errori(const DatiVista& d, const std::vector<std::string>& messaggi, nlohmann::json& s) {
  const VoceElenco* v = primo_errore(d);
  size_t errori = 0;
  for (const VoceElenco& w : d.elenco) errori += w.tipo == "errore" ? 1 : 0;
  s["stato"] = "errori";
  s["errori"] = errori;
  if (v == nullptr) {
    s["titolo"] = "La compilazione non è riuscita";
    s["testo"] = messaggi.empty() ? std::string() : messaggi.front();
    return;
  }
  std::string titolo = "Errore n. " + std::to_string(v->numero);
  if (!v->file.empty()) {
    titolo += " · " + nome_breve(v->file);
    if (v->riga > 0) titolo += ", riga " + std::to_string(v->riga);
  }
  s["titolo"] = titolo;
  s["testo"] = v->testo;
  s["riga_script"] = v->riga_script;
}

}  // namespace

void ricostruisci(const CompileOptions& o, Platform& base, Costruzione& c) {
  // The compiler's and the reader's messages are kept for the page, not
  // printed at every save.
  std::vector<std::string> messaggi;
  ScriptOverlay muta(base, true);
  muta.mostra = [&](const std::string& testo) { messaggi.push_back(testo); };

  nlohmann::json s;
  ++c.versione;
  std::string mancante;
  for (const std::string* nome : {&o.line, &o.train}) {
    if (mancante.empty() && !base.exists(*nome)) mancante = *nome;
  }
  DatiVista d;
  int esito = 0;
  if (!mancante.empty()) {
    // An editor between deleting a file and writing it anew, or a file
    // moved away: the page stays as it was until the file is back.
    s["stato"] = "manca";
    s["titolo"] = "Il file " + nome_breve(mancante) + " non c’è più";
    s["testo"] = "La pagina si aggiorna quando il file torna al suo posto (" + mancante + ").";
  } else if (!dati_da_script(o, muta, d, esito)) {
    s["stato"] = "illeggibile";
    s["titolo"] = "Uno script non si può leggere";
    s["testo"] = messaggi.empty() ? std::string() : messaggi.front();
  } else if (esito == 0 && primo_errore(d) == nullptr) {
    s["stato"] = "ok";
    c.buono = d;
    c.con_buono = true;
    c.pagina = pagina_di(d);
    ++c.versione_pagina;
  } else {
    banner_errori(d, messaggi, s);
    // The last good route under the new list; before any good build, what
    // this one built, as `view` shows it.
    if (c.con_buono) {
      DatiVista sotto = c.buono;
      sotto.elenco = std::move(d.elenco);
      c.pagina = pagina_di(sotto);
    } else {
      c.pagina = pagina_di(d);
    }
    ++c.versione_pagina;
  }
  if (c.pagina.empty()) {
    // Nothing built yet: an empty route, so that the page has something to
    // stand on under the banner.
    DatiVista vuota;
    vuota.nome = o.name;
    vuota.treno = o.train_number;
    c.pagina = pagina_di(vuota);
    ++c.versione_pagina;
  }
  s["versione"] = c.versione;
  s["pagina"] = c.versione_pagina;
  s["buono"] = c.con_buono;
  c.stato = s.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace ferrovello
