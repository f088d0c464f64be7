// The language server: the dispatch of the protocol's methods to the
// features, the open documents, and the check of each pair of scripts,
// run when the client has been quiet for the delay, on the latest texts
// only. The check runs between messages: every message already received is
// taken before it, so a burst of changes costs one check, never a queue.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/platform.h"
#include "tools/lsp/analysis.h"
#include "tools/lsp/documents.h"
#include "tools/lsp/protocol.h"

namespace ferrovello {

inline constexpr int kRitardoPredefinito = 250;  // ms after the last change

class ServerLsp {
 public:
  explicit ServerLsp(Platform& io) : io_(io) {}

  // Serves standard input until `exit` or its end; the exit status: 0 after
  // `shutdown` and `exit`, 1 otherwise.
  int servi();
  // One message's body: its answers and notifications written out.
  void gestisci(std::string corpo);
  // The checks due by now, or all that wait with `tutti`.
  void esegui_controlli(bool tutti);
  bool finito() const { return finito_; }

 private:
  using Orologio = std::chrono::steady_clock;
  using Richiesta = void (ServerLsp::*)(const Json& id, const Json& parametri);
  using Notifica = void (ServerLsp::*)(Json& parametri);  // a document's text is moved out

  void scrivi(const Json& messaggio);
  void rispondi(const Json& id, Json risultato) { scrivi(risposta(id, std::move(risultato))); }
  void rifiuta(const Json& id, int codice, const std::string& perche) { scrivi(risposta_errore(id, codice, perche)); }

  // requests
  void initialize(const Json& id, const Json& p);
  void shutdown(const Json& id, const Json& p);
  void hover(const Json& id, const Json& p);
  void completion(const Json& id, const Json& p);
  void signature_help(const Json& id, const Json& p);
  void code_action(const Json& id, const Json& p);
  void document_symbol(const Json& id, const Json& p);
  // notifications
  void initialized(Json&) {}
  void exit(Json&);
  void did_open(Json& p);
  void did_change(Json& p);
  bool troppo_grande(const std::string& uri, std::string& testo);
  void di_troppo_grande(const std::string& uri);
  void did_close(Json& p);

  // The open document a request names, or null with the error answered.
  const Documento* documento_chiesto(const Json& id, const Json& p, Posizione* posizione);
  // The check of the pair of `uri`, brought up to date first.
  std::shared_ptr<const Analisi> analisi_di(const std::string& uri);
  void programma(const std::string& uri);
  void controlla(std::string uri);  // a copy: the uri may be a key it takes away
  bool leggi_compagno(const std::string& percorso, std::string& testo, std::string& illeggibile);
  bool treno(const std::string& uri) const;

  Platform& io_;
  Documenti documenti_;
  int ritardo_ = kRitardoPredefinito;
  bool inizializzato_ = false;
  bool chiuso_ = false;  // `shutdown` received
  bool finito_ = false;
  int stato_ = 1;
  std::map<std::string, Orologio::time_point> in_attesa_;  // checks to run, by document
  std::map<std::string, std::shared_ptr<const Analisi>> analisi_;  // the last check of each document's pair
  std::map<std::string, bool> treni_;  // whether each document is a train script
  std::set<std::string> detti_soli_;  // documents said to be checked alone
  std::set<std::string> troppo_grandi_;  // documents beyond a script's largest size: never checked
};

}  // namespace ferrovello
