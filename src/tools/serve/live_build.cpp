#include "tools/serve/live_build.h"

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "tools/scenario/script_overlay.h"
#include "tools/view/view_command.h"
#include "tools/view/view_page.h"
#include "model/form1.h"  // testo_errore

namespace ferrovello {

namespace {

// The compiler's run ends the program when it cannot go on (no route to
// check, a reserved slot taken); a server must outlive any script, so its
// builds end that run here, unwinding back to the build.
struct FineDellaCorsa {
  int stato;
};
class PiattaformaDellaCostruzione : public ScriptOverlay {
 public:
  using ScriptOverlay::ScriptOverlay;

 protected:
  void terminate_program(int status) override { throw FineDellaCorsa{status}; }
};

// The findings of a run that ended early, from its report as printed: a
// block " Errore n. N", maybe "Posizione: P m", then "FILE:LINE:COLUMN:
// what to change" for each fault.
std::vector<VoceElenco> voci_del_rapporto(const std::vector<std::string>& messaggi) {
  std::vector<VoceElenco> voci;
  const std::string inizio = testo_errore("");
  for (const std::string& m : messaggi) {
    size_t da = 0;
    while (da < m.size()) {
      size_t a = m.find('\n', da);
      if (a == std::string::npos) a = m.size();
      const std::string riga = m.substr(da, a - da);
      da = a + 1;
      if (riga.rfind(inizio, 0) == 0) {
        voci.emplace_back();
        voci.back().numero = std::atoi(riga.c_str() + inizio.size());
        continue;
      }
      if (voci.empty()) continue;
      VoceElenco& v = voci.back();
      if (riga.rfind("Posizione: ", 0) == 0) {
        v.con_posizione = true;
        v.posizione = std::atoi(riga.c_str() + 11);
        continue;
      }
      const size_t fine_luogo = riga.find(": ");
      if (fine_luogo != std::string::npos && dividi_luogo(riga.substr(0, fine_luogo), v.file, v.riga, v.colonna)) {
        v.testo = riga.substr(fine_luogo + 2);
      } else {
        v.testo += (v.testo.empty() ? "" : " ") + riga;
      }
    }
  }
  return voci;
}

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

// dati_da_script, with a run that ended early made a build with faults and
// nothing drawn.
bool costruisci_dati(const CompileOptions& o, Platform& muta, const std::vector<std::string>& messaggi,
                     DatiVista& d, int& esito) {
  try {
    return dati_da_script(o, muta, d, esito);
  } catch (const FineDellaCorsa& fine) {
    d = DatiVista{};
    d.nome = o.name;
    d.treno = o.train_number;
    d.elenco = voci_del_rapporto(messaggi);
    esito = fine.stato == 0 ? 1 : fine.stato;
    return true;
  }
}

// A page the same as the one served (a save that changed nothing the page
// shows) is not sent again: the open pages stay as they are.
void nuova_pagina(Costruzione& c, std::string pagina) {
  if (pagina == c.pagina) return;
  c.pagina = std::move(pagina);
  ++c.versione_pagina;
}

}  // namespace

void ricostruisci(const CompileOptions& o, Platform& base, Costruzione& c) {
  // The compiler's and the reader's messages are kept for the page, not
  // printed at every save.
  std::vector<std::string> messaggi;
  PiattaformaDellaCostruzione muta(base, true);
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
  } else if (!costruisci_dati(o, muta, messaggi, d, esito)) {
    s["stato"] = "illeggibile";
    s["titolo"] = "Uno script non si può leggere";
    s["testo"] = messaggi.empty() ? std::string() : messaggi.front();
  } else if (esito == 0 && primo_errore(d) == nullptr) {
    s["stato"] = "ok";
    c.buono = d;
    c.con_buono = true;
    nuova_pagina(c, pagina_di(d));
  } else {
    banner_errori(d, messaggi, s);
    // The last good route under the new list; before any good build, what
    // this one built, as `view` shows it.
    if (c.con_buono) {
      DatiVista sotto = c.buono;
      sotto.elenco = std::move(d.elenco);
      nuova_pagina(c, pagina_di(sotto));
    } else {
      nuova_pagina(c, pagina_di(d));
    }
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
