#include "tools/lsp/server.h"

#include <algorithm>
#include <utility>

#include "tools/lsp/code_actions.h"
#include "tools/lsp/completion.h"
#include "tools/lsp/diagnostics.h"
#include "tools/lsp/document_symbols.h"
#include "tools/lsp/hover.h"
#include "tools/lsp/signature_help.h"
#include "tools/lsp/transport.h"
#include "tools/scenario/prepared_scripts.h"

namespace ferrovello {

namespace {

// A member of an object, or null.
const Json* membro(const Json& j, const char* nome) {
  if (!j.is_object()) return nullptr;
  const auto it = j.find(nome);
  return it == j.end() ? nullptr : &*it;
}

Json* membro(Json& j, const char* nome) { return const_cast<Json*>(membro(std::as_const(j), nome)); }

bool testo_di(const Json& j, const char* nome, std::string& out) {
  const Json* m = membro(j, nome);
  if (m == nullptr || !m->is_string()) return false;
  out = m->get<std::string>();
  return true;
}

// The same, the text moved out of the message: a document's text is not
// held twice.
bool prendi_testo(Json& j, const char* nome, std::string& out) {
  Json* m = membro(j, nome);
  if (m == nullptr || !m->is_string()) return false;
  out = std::move(m->get_ref<std::string&>());
  return true;
}

std::string uri_di(const Json& p) {
  std::string uri;
  if (const Json* d = membro(p, "textDocument")) testo_di(*d, "uri", uri);
  return uri;
}

int64_t versione_di(const Json& p) {
  const Json* d = membro(p, "textDocument");
  const Json* v = d == nullptr ? nullptr : membro(*d, "version");
  return v != nullptr && v->is_number_integer() ? v->get<int64_t>() : 0;
}

std::string nome_di(const std::string& percorso) {
  const size_t barra = percorso.find_last_of("/\\");
  return barra == std::string::npos ? percorso : percorso.substr(barra + 1);
}

}  // namespace

void ServerLsp::scrivi(const Json& messaggio) {
  bool chiuso = false;
  std::string perche;
  io_.write_output(incornicia(messaggio.dump(-1, ' ', false, Json::error_handler_t::replace)), chiuso, perche);
}

int ServerLsp::servi() {
  LettoreMessaggi lettore;
  bool fine_input = false;
  std::string corpo;
  std::string errore;
  while (!finito_) {
    for (LettoreMessaggi::Esito e; !finito_ && (e = lettore.prossimo(corpo, errore)) != LettoreMessaggi::Esito::incompleto;) {
      if (e == LettoreMessaggi::Esito::messaggio) {
        // The body goes with the message: nothing of a document's text is
        // left behind when the document is checked.
        gestisci(std::move(corpo));
      } else {
        rifiuta(nullptr, kErroreJson, errore);
      }
    }
    if (finito_) break;
    if (fine_input) {
      // The client went without `exit`: what waits is checked, then the end.
      esegui_controlli(true);
      break;
    }
    if (!in_attesa_.empty()) {
      auto primo = std::min_element(in_attesa_.begin(), in_attesa_.end(),
                                    [](const auto& a, const auto& b) { return a.second < b.second; })->second;
      const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(primo - Orologio::now()).count();
      // Whatever the client has sent already is taken before a check.
      if (!io_.input_waiting(static_cast<int>(std::max<int64_t>(0, ms)))) {
        esegui_controlli(false);
        continue;
      }
    }
    std::string pezzo;
    std::string perche;
    bool finito_input = false;
    if (!io_.read_input_some(pezzo, finito_input, perche)) finito_input = true;
    lettore.aggiungi(pezzo);
    fine_input = finito_input;
  }
  return stato_;
}

void ServerLsp::gestisci(std::string corpo) {
  static const std::map<std::string, Richiesta> richieste = {
      {"initialize", &ServerLsp::initialize},
      {"shutdown", &ServerLsp::shutdown},
      {"textDocument/hover", &ServerLsp::hover},
      {"textDocument/completion", &ServerLsp::completion},
      {"textDocument/signatureHelp", &ServerLsp::signature_help},
      {"textDocument/codeAction", &ServerLsp::code_action},
      {"textDocument/documentSymbol", &ServerLsp::document_symbol},
  };
  static const std::map<std::string, Notifica> notifiche = {
      {"initialized", &ServerLsp::initialized},
      {"exit", &ServerLsp::exit},
      {"textDocument/didOpen", &ServerLsp::did_open},
      {"textDocument/didChange", &ServerLsp::did_change},
      {"textDocument/didClose", &ServerLsp::did_close},
  };
  Json m = leggi_messaggio(std::move(corpo));
  if (m.is_discarded()) return rifiuta(nullptr, kErroreJson, "il messaggio non è JSON valido");
  std::string metodo;
  const Json* id = membro(m, "id");
  const bool id_valido = id != nullptr && (id->is_string() || id->is_number_integer());
  if (!testo_di(m, "method", metodo)) {
    // An answer to a request of the server (it sends none) needs nothing.
    if (id_valido && (membro(m, "result") != nullptr || membro(m, "error") != nullptr)) return;
    return rifiuta(id_valido ? *id : Json(nullptr), kRichiestaNonValida, "il messaggio non ha un metodo");
  }
  if (id != nullptr && !id_valido) return rifiuta(nullptr, kRichiestaNonValida, "l'id non è un numero né un testo");
  Json nessuno = Json::object();
  Json* p = membro(m, "params");
  Json& parametri = p != nullptr ? *p : nessuno;
  try {
    if (id == nullptr) {
      const auto it = notifiche.find(metodo);
      // A notification unknown is let go, as the protocol asks.
      if (it != notifiche.end() && (inizializzato_ || metodo == "exit")) (this->*it->second)(parametri);
      return;
    }
    const auto it = richieste.find(metodo);
    if (it == richieste.end()) return rifiuta(*id, kMetodoSconosciuto, "metodo sconosciuto: " + metodo);
    if (!inizializzato_ && metodo != "initialize") return rifiuta(*id, kNonInizializzato, "il server non è ancora inizializzato");
    if (chiuso_) return rifiuta(*id, kRichiestaNonValida, "il server è stato chiuso con shutdown");
    (this->*it->second)(*id, parametri);
  } catch (const Json::exception& e) {
    if (id != nullptr) rifiuta(*id, kParametriNonValidi, std::string("parametri non validi: ") + e.what());
  }
}

void ServerLsp::initialize(const Json& id, const Json& p) {
  if (const Json* o = membro(p, "initializationOptions")) {
    const Json* r = membro(*o, "ritardo");
    if (r != nullptr && r->is_number_integer()) ritardo_ = static_cast<int>(std::clamp<int64_t>(r->get<int64_t>(), 0, 60000));
  }
  inizializzato_ = true;
  const Json trigger = Json::array({","});
  rispondi(id, {{"capabilities",
                 {{"positionEncoding", "utf-16"},
                  {"textDocumentSync", {{"openClose", true}, {"change", 1}}},
                  {"hoverProvider", true},
                  {"completionProvider", {{"triggerCharacters", trigger}}},
                  {"signatureHelpProvider", {{"triggerCharacters", trigger}, {"retriggerCharacters", trigger}}},
                  {"codeActionProvider", {{"codeActionKinds", Json::array({"quickfix"})}}},
                  {"documentSymbolProvider", true}}},
                {"serverInfo", {{"name", "scenario-tool"}}}});
}

void ServerLsp::shutdown(const Json& id, const Json&) {
  esegui_controlli(true);  // the last texts' diagnostics go out first
  chiuso_ = true;
  rispondi(id, nullptr);
}

void ServerLsp::exit(Json&) {
  finito_ = true;
  stato_ = chiuso_ ? 0 : 1;
}

void ServerLsp::did_open(Json& p) {
  const std::string uri = uri_di(p);
  std::string testo;
  Json* d = membro(p, "textDocument");
  if (uri.empty() || d == nullptr || !prendi_testo(*d, "text", testo)) return;
  const bool troppo = troppo_grande(uri, testo);
  documenti_.apri(uri, versione_di(p), std::move(testo));
  if (troppo) return di_troppo_grande(uri);
  programma(uri);
}

// A text beyond the scripts' largest size is not checked: it stands as an
// empty document, and one diagnostic says why.
bool ServerLsp::troppo_grande(const std::string& uri, std::string& testo) {
  if (testo.size() <= kMassimoScript) {
    troppo_grandi_.erase(uri);
    return false;
  }
  testo.clear();
  testo.shrink_to_fit();
  troppo_grandi_.insert(uri);
  return true;
}

void ServerLsp::di_troppo_grande(const std::string& uri) {
  in_attesa_.erase(uri);
  analisi_.erase(uri);
  const Json d = {{"range", json_di(Intervallo{})},
                  {"severity", kGravitaErrore},
                  {"source", "scenario-tool"},
                  {"message", "Il documento supera " + std::to_string(kMassimoScript) +
                                  " byte, il massimo per uno script: non viene controllato"}};
  scrivi(notifica("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", Json::array({d})}}));
}

void ServerLsp::did_change(Json& p) {
  const std::string uri = uri_di(p);
  Json* c = membro(p, "contentChanges");
  if (c == nullptr || !c->is_array() || c->empty()) return;
  std::string testo;
  // Whole texts only, as the server asks: the last one is the document.
  if (membro(c->back(), "range") != nullptr || !prendi_testo(c->back(), "text", testo)) return;
  const bool troppo = troppo_grande(uri, testo);
  if (!documenti_.cambia(uri, versione_di(p), std::move(testo))) return;
  if (troppo) return di_troppo_grande(uri);
  programma(uri);
}

void ServerLsp::did_close(Json& p) {
  const std::string uri = uri_di(p);
  documenti_.chiudi(uri);
  troppo_grandi_.erase(uri);
  in_attesa_.erase(uri);
  analisi_.erase(uri);
  detti_soli_.erase(uri);
  scrivi(notifica("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", Json::array()}}));
}

void ServerLsp::programma(const std::string& uri) {
  in_attesa_[uri] = Orologio::now() + std::chrono::milliseconds(ritardo_);
}

void ServerLsp::esegui_controlli(bool tutti) {
  while (!in_attesa_.empty()) {
    const auto it = std::min_element(in_attesa_.begin(), in_attesa_.end(),
                                     [](const auto& a, const auto& b) { return a.second < b.second; });
    if (!tutti && it->second > Orologio::now()) return;
    const std::string uri = it->first;  // a copy: checking takes it off the list
    controlla(uri);
  }
}

// A partner script from the disk, held to a script's largest size: a
// device, a pipe or a file too large is never read, and the document is
// then checked alone. `illeggibile` says why a partner that stands was not
// read (a missing one is no news).
bool ServerLsp::leggi_compagno(const std::string& percorso, std::string& testo, std::string& illeggibile) {
  std::string perche;
  bool troppo = false;
  if (io_.read_file_up_to(percorso, kMassimoScript, testo, troppo, perche) && !troppo) return true;
  testo.clear();
  if (troppo) {
    illeggibile = "lo script compagno \"" + nome_di(percorso) + "\" supera " + std::to_string(kMassimoScript) +
                  " byte e non viene letto";
  } else if (io_.exists(percorso)) {
    illeggibile = "lo script compagno \"" + nome_di(percorso) + "\" non si può leggere (" + perche + ")";
  }
  return false;
}

// The pair of the document checked on the latest texts, its diagnostics
// published for every open script of the pair.
void ServerLsp::controlla(std::string uri) {
  in_attesa_.erase(uri);
  if (troppo_grandi_.count(uri) != 0) return di_troppo_grande(uri);
  const Documento* d = documenti_.trova(uri);
  if (d == nullptr) return;
  const Coppia c = d->percorso.empty() ? Coppia{} : coppia_di(io_, documenti_, d->percorso, d->testo.utf8());
  const bool come_treno = d->percorso.empty() ? d->testo.utf8().find("lunghezza") == std::string::npos
                                              : c.treno == d->percorso;
  ScriptDato s[2];
  std::string illeggibile;  // why a partner that stands was not read
  const std::string* percorsi[2] = {&c.linea, &c.treno};
  const Documento* aperti[2] = {nullptr, nullptr};
  for (int f = 0; f < 2; ++f) {
    const bool questo = f == (come_treno ? 1 : 0);
    const Documento* a = questo ? d : documenti_.del_file(*percorsi[f]);
    aperti[f] = a;
    s[f].etichetta = nome_di(questo ? d->percorso : *percorsi[f]);
    if (a != nullptr) {
      s[f].presente = true;
      s[f].prestato = &a->testo.utf8();
    } else if (!percorsi[f]->empty()) {
      s[f].presente = leggi_compagno(*percorsi[f], s[f].testo, illeggibile);
    }
  }
  if (s[0].etichetta == s[1].etichetta) s[1].etichetta += " (treno)";  // places must tell the two apart
  const bool solo = !s[0].presente || !s[1].presente;
  if (solo && detti_soli_.insert(uri).second) {
    std::string detto = "\"";
    detto.append(nome_di(d->percorso.empty() ? uri : d->percorso));
    if (illeggibile.empty()) {
      detto.append("\" non ha uno script compagno (NOME_linea.txt accanto a NOME_TRENO-.txt, o una riga \"LINEA | TRENO\" in ")
          .append(kFileCoppie)
          .append(")");
    } else {
      detto.append("\": ").append(illeggibile);
    }
    detto.append(": è controllato da solo, per quanto si può");
    scrivi(notifica("window/showMessage", {{"type", kMessaggioInformazione}, {"message", detto}}));
  }
  const auto analisi = std::make_shared<const Analisi>(analizza(std::move(s[0]), std::move(s[1])));
  for (int f = 0; f < 2; ++f) {
    if (aperti[f] == nullptr || troppo_grandi_.count(aperti[f]->uri) != 0) continue;
    in_attesa_.erase(aperti[f]->uri);
    analisi_[aperti[f]->uri] = analisi;
    treni_[aperti[f]->uri] = f == 1;
    scrivi(notifica("textDocument/publishDiagnostics",
                    {{"uri", aperti[f]->uri},
                     {"version", aperti[f]->versione},
                     {"diagnostics", diagnostiche(*analisi, f, aperti[f]->testo)}}));
  }
}

std::shared_ptr<const Analisi> ServerLsp::analisi_di(const std::string& uri) {
  if (in_attesa_.count(uri) != 0 || analisi_.count(uri) == 0) controlla(uri);
  const auto it = analisi_.find(uri);
  return it == analisi_.end() ? nullptr : it->second;
}

bool ServerLsp::treno(const std::string& uri) const {
  const auto it = treni_.find(uri);
  return it == treni_.end() || it->second;
}

const Documento* ServerLsp::documento_chiesto(const Json& id, const Json& p, Posizione* posizione) {
  const std::string uri = uri_di(p);
  const Documento* d = documenti_.trova(uri);
  if (d == nullptr) {
    rifiuta(id, kRichiestaFallita, uri.empty() ? "manca textDocument.uri" : "documento non aperto: " + uri);
    return nullptr;
  }
  if (posizione != nullptr) {
    const Json* j = membro(p, "position");
    if (j == nullptr || !leggi_posizione(*j, *posizione)) {
      rifiuta(id, kParametriNonValidi, "manca una posizione valida");
      return nullptr;
    }
  }
  return d;
}

void ServerLsp::hover(const Json& id, const Json& p) {
  Posizione pos;
  const Documento* d = documento_chiesto(id, p, &pos);
  if (d == nullptr) return;
  const auto a = analisi_di(d->uri);
  rispondi(id, informazioni(a.get(), treno(d->uri), d->testo, pos));
}

void ServerLsp::completion(const Json& id, const Json& p) {
  Posizione pos;
  const Documento* d = documento_chiesto(id, p, &pos);
  if (d == nullptr) return;
  const auto a = analisi_di(d->uri);
  rispondi(id, completamenti(a.get(), treno(d->uri), d->testo, pos));
}

void ServerLsp::signature_help(const Json& id, const Json& p) {
  Posizione pos;
  const Documento* d = documento_chiesto(id, p, &pos);
  if (d == nullptr) return;
  analisi_di(d->uri);  // which script it is
  rispondi(id, aiuto_firma(treno(d->uri), d->testo, pos));
}

void ServerLsp::code_action(const Json& id, const Json& p) {
  const Documento* d = documento_chiesto(id, p, nullptr);
  if (d == nullptr) return;
  Intervallo chiesto;
  const Json* r = membro(p, "range");
  if (r == nullptr || !leggi_posizione(r->value("start", Json()), chiesto.da) ||
      !leggi_posizione(r->value("end", Json()), chiesto.a)) {
    return rifiuta(id, kParametriNonValidi, "manca un intervallo valido");
  }
  const auto a = analisi_di(d->uri);
  rispondi(id, a == nullptr ? Json::array() : azioni_correttive(*a, treno(d->uri) ? 1 : 0, d->testo, d->uri, chiesto));
}

void ServerLsp::document_symbol(const Json& id, const Json& p) {
  const Documento* d = documento_chiesto(id, p, nullptr);
  if (d == nullptr) return;
  analisi_di(d->uri);
  rispondi(id, simboli(treno(d->uri), d->testo));
}

}  // namespace ferrovello
