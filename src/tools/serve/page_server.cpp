#include "tools/serve/page_server.h"

#include <chrono>
#include <list>
#include <optional>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include "tools/view/page_files.h"

#ifndef _WIN32
#include <fcntl.h>
#endif

namespace ferrovello {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

struct Sessione;

}  // namespace

struct ServerPagine {
  ServerPagine(asio::io_context& i, const LimitiServer& l) : io(i), acceptor(i), pausa(i), limiti(l) {}
  asio::io_context& io;
  tcp::acceptor acceptor;
  asio::steady_timer pausa;  // before accepting again: after a failure, or until one may make room
  LimitiServer limiti;
  uint16_t porta = 0;
  std::string pagina;
  std::string stato;
  bool chiuso = false;
  size_t accettazioni_fallite = 0;
  std::list<std::weak_ptr<Sessione>> sessioni;  // every open connection, oldest first
};

namespace {

// What a connection is doing.
enum class Fase {
  prima_richiesta,  // no request yet
  attesa,           // kept open between requests
  flusso,           // a stream of states
  risposta,         // an answer on its way
};

// A client sends its request as soon as it is connected; one that has not
// in this time is taken for part of a flood.
constexpr auto kSospetta = std::chrono::seconds(1);
// A connection this young is never closed to make room: its request is
// likely on its way. While every connection is this young, new ones wait
// in the system's queue, and are taken a moment later.
constexpr auto kGiovane = std::chrono::milliseconds(50);
constexpr auto kAttesaPosto = std::chrono::milliseconds(5);

// One connection: requests read one after the other, until it becomes a
// stream of states, which it stays until the page goes.
struct Sessione : std::enable_shared_from_this<Sessione> {
  Sessione(tcp::socket s, ServerPagine& sv)
      : stream(std::move(s)), server(sv), battito(server.io), scadenza(server.io) {}
  beast::tcp_stream stream;
  ServerPagine& server;
  beast::flat_buffer buffer;
  std::optional<http::request_parser<http::string_body>> lettore;
  http::request<http::string_body> richiesta;
  Fase fase = Fase::prima_richiesta;
  std::chrono::steady_clock::time_point inizio = std::chrono::steady_clock::now();
  bool chiusa = false;

  void leggi() {
    lettore.emplace();
    lettore->header_limit(16 * 1024);
    lettore->body_limit(16 * 1024);
    if (fase == Fase::prima_richiesta || buffer.size() > 0) {
      stream.expires_after(server.limiti.richiesta);
      return leggi_richiesta();
    }
    // Kept open: the next request may come later, but once it has begun it
    // has as long as a first one.
    fase = Fase::attesa;
    stream.expires_after(server.limiti.inattiva);
    stream.async_read_some(buffer.prepare(4096), [self = shared_from_this()](beast::error_code e, size_t n) {
      if (e) return self->chiudi();
      self->buffer.commit(n);
      self->stream.expires_after(self->server.limiti.richiesta);
      self->leggi_richiesta();
    });
  }
  void leggi_richiesta() {
    http::async_read(stream, buffer, *lettore, [self = shared_from_this()](beast::error_code e, size_t) {
      if (e) return self->chiudi();
      self->richiesta = self->lettore->release();
      self->fase = Fase::risposta;
      self->rispondi();
    });
  }

  void rispondi() {
    const std::string host(richiesta[http::field::host]);
    std::string percorso(richiesta.target());
    percorso = percorso.substr(0, percorso.find('?'));
    if (!host_ammesso(host, server.porta)) {
      return manda(http::status::forbidden, "text/plain; charset=utf-8",
                   "Richiesta rifiutata: questo server risponde solo a 127.0.0.1:" + std::to_string(server.porta) +
                       ".\n");
    }
    if (richiesta.method() != http::verb::get) {
      return manda(http::status::method_not_allowed, "text/plain; charset=utf-8", "Solo GET.\n");
    }
    if (percorso == "/") return manda(http::status::ok, "text/html; charset=utf-8", std::string(kPaginaDiretta));
    if (percorso == "/vista") return manda(http::status::ok, "text/html; charset=utf-8", server.pagina);
    if (percorso == "/eventi") return apri_flusso();
    manda(http::status::not_found, "text/plain; charset=utf-8", "Non trovato.\n");
  }

  void manda(http::status stato, const char* tipo, std::string corpo) {
    auto r = std::make_shared<http::response<http::string_body>>(stato, richiesta.version());
    r->set(http::field::content_type, tipo);
    r->set(http::field::cache_control, "no-store");
    r->set("X-Content-Type-Options", "nosniff");
    r->keep_alive(richiesta.keep_alive());
    r->body() = std::move(corpo);
    r->prepare_payload();
    stream.expires_after(server.limiti.scrittura);
    http::async_write(stream, *r, [self = shared_from_this(), r](beast::error_code e, size_t) {
      if (e || !r->keep_alive()) return self->chiudi();
      self->leggi();
    });
  }

  // The stream writes one thing at a time: what is being written, and what
  // goes next. A state replaces one not yet sent (only the latest counts)
  // and a heartbeat is sent only when nothing else waits, so that a page
  // that reads slowly costs no more than two states.
  std::string in_volo;
  std::string prossimo;
  bool scrive = false;
  uint64_t scritture = 0;
  asio::steady_timer battito;
  asio::steady_timer scadenza;

  void apri_flusso() {
    fase = Fase::flusso;
    stream.expires_never();
    prossimo =
        "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n"
        "X-Content-Type-Options: nosniff\r\n\r\n" +
        evento(server.stato);
    scrivi();
    batti();
  }
  // One state as one event; a line end inside it would split it.
  static std::string evento(const std::string& stato) { return "data: " + stato + "\n\n"; }
  void invia(const std::string& stato) {
    if (fase != Fase::flusso || chiusa) return;
    prossimo = evento(stato);
    if (!scrive) scrivi();
  }
  // A comment line, which the page's EventSource passes over.
  void batti() {
    battito.expires_after(server.limiti.battito);
    battito.async_wait([self = shared_from_this()](beast::error_code e) {
      if (e || self->chiusa) return;
      if (!self->scrive && self->prossimo.empty()) {
        self->prossimo = ": \n\n";
        self->scrivi();
      }
      self->batti();
    });
  }
  void scrivi() {
    scrive = true;
    in_volo = std::move(prossimo);
    prossimo.clear();
    const uint64_t questa = ++scritture;
    // A page that no longer reads fills the buffers and the write stalls.
    scadenza.expires_after(server.limiti.scrittura);
    scadenza.async_wait([self = shared_from_this(), questa](beast::error_code e) {
      if (!e && self->scrive && self->scritture == questa) self->chiudi();
    });
    asio::async_write(stream, asio::buffer(in_volo), [self = shared_from_this()](beast::error_code e, size_t) {
      self->scadenza.cancel();
      self->scrive = false;
      if (e) return self->chiudi();
      if (!self->prossimo.empty()) return self->scrivi();
      // The page says nothing on the stream: a read ends when it goes.
      self->attendi_chiusura();
    });
  }
  bool in_attesa = false;
  char scarto[256];
  void attendi_chiusura() {
    if (in_attesa || chiusa) return;
    in_attesa = true;
    stream.async_read_some(asio::buffer(scarto), [self = shared_from_this()](beast::error_code e, size_t) {
      self->in_attesa = false;
      if (e) return self->chiudi();
      self->attendi_chiusura();
    });
  }

  void chiudi() {
    if (chiusa) return;
    chiusa = true;
    battito.cancel();
    scadenza.cancel();
    beast::error_code e;
    stream.socket().shutdown(tcp::socket::shutdown_both, e);
    stream.socket().close(e);
  }
};

void togli_chiuse(ServerPagine& s) {
  s.sessioni.remove_if([](const std::weak_ptr<Sessione>& w) {
    const auto sessione = w.lock();
    return !sessione || sessione->chiusa;
  });
}

// How little a connection is worth keeping when a new one needs its place.
// Closing the newcomer instead would let a flood keep every newcomer out, a
// page's request too. First to go: a connection that has not sent its
// request in all this while, most likely part of a flood (and gone in a
// few seconds anyway); then one idle between requests (a browser opens
// another when it needs it); then a stream (its page reconnects by itself);
// then one opened a moment ago, whose request may be on its way, which is
// what a page's request looks like during a flood of streams; last, an
// answer being written. None: only connections just opened.
constexpr int kIntoccabile = 5;
int peso(const Sessione& x, std::chrono::steady_clock::time_point ora) {
  switch (x.fase) {
    case Fase::prima_richiesta:
      if (ora - x.inizio >= kSospetta) return 0;
      return ora - x.inizio >= kGiovane ? 3 : kIntoccabile;
    case Fase::attesa:
      return 1;
    case Fase::flusso:
      return 2;
    case Fase::risposta:
      break;
  }
  return 4;
}

// The connection least worth keeping, of those alike the oldest; null when
// none may go.
std::shared_ptr<Sessione> meno_utile(ServerPagine& s) {
  togli_chiuse(s);
  const auto ora = std::chrono::steady_clock::now();
  std::shared_ptr<Sessione> scelta;
  int minimo = kIntoccabile;
  for (const std::weak_ptr<Sessione>& w : s.sessioni) {
    auto sessione = w.lock();
    if (!sessione) continue;
    const int p = peso(*sessione, ora);
    if (p < minimo) {
      minimo = p;
      scelta = std::move(sessione);
    }
  }
  return scelta;
}

// False when none may go.
bool fai_posto(ServerPagine& s) {
  const std::shared_ptr<Sessione> via = meno_utile(s);
  if (!via) return false;
  via->chiudi();
  togli_chiuse(s);
  return true;
}

bool mancano_descrittori(const beast::error_code& e) {
  return e == asio::error::no_descriptors || e == boost::system::errc::too_many_files_open_in_system ||
         e == asio::error::no_buffer_space || e == asio::error::no_memory;
}

void accetta(const std::shared_ptr<ServerPagine>& s);

void accetta_tra(const std::shared_ptr<ServerPagine>& s, std::chrono::milliseconds tra) {
  s->pausa.expires_after(tra);
  s->pausa.async_wait([s](beast::error_code e) {
    if (!e && !s->chiuso) accetta(s);
  });
}

void accetta(const std::shared_ptr<ServerPagine>& s) {
  togli_chiuse(*s);
  if (s->sessioni.size() >= s->limiti.connessioni && !meno_utile(*s)) return accetta_tra(s, kAttesaPosto);
  s->acceptor.async_accept([s](beast::error_code e, tcp::socket socket) {
    if (s->chiuso) return;
    if (e) {
      ++s->accettazioni_fallite;
      // A client that went before it was taken: the next one is there.
      if (e == asio::error::connection_aborted) return accetta(s);
      // Without descriptors every accept would fail at once, and again: one
      // connection goes, so that the next page's request finds room, its
      // descriptor taken at once; with none of its own to give, the server
      // waits a little before trying again.
      if (mancano_descrittori(e) && fai_posto(*s)) return accetta(s);
      return accetta_tra(s, s->limiti.pausa_accettazione);
    }
    togli_chiuse(*s);
    if (s->sessioni.size() >= s->limiti.connessioni) fai_posto(*s);
    auto sessione = std::make_shared<Sessione>(std::move(socket), *s);
    s->sessioni.push_back(sessione);
    sessione->leggi();
    accetta(s);
  });
}

}  // namespace

ConteggiServer conteggi(const ServerPagine& s) {
  ConteggiServer c;
  c.accettazioni_fallite = s.accettazioni_fallite;
  for (const std::weak_ptr<Sessione>& w : s.sessioni) {
    const auto sessione = w.lock();
    if (!sessione || sessione->chiusa) continue;
    ++c.connessioni;
    if (sessione->fase == Fase::flusso) ++c.flussi;
  }
  return c;
}

bool host_ammesso(const std::string& host, uint16_t porta) {
  const std::string p = std::to_string(porta);
  for (const char* nome : {"127.0.0.1", "localhost"}) {
    if (host == std::string(nome) + ":" + p || (porta == 80 && host == nome)) return true;
  }
  return false;
}

std::shared_ptr<ServerPagine> apri_server(asio::io_context& io, uint16_t porta, std::string& perche,
                                          const LimitiServer& limiti) {
  auto s = std::make_shared<ServerPagine>(io, limiti);
  beast::error_code e;
  const tcp::endpoint dove(asio::ip::address_v4::loopback(), porta);
  s->acceptor.open(dove.protocol(), e);
#ifndef _WIN32
  // A server started again at once takes its port back; a browser it starts
  // does not inherit the port.
  if (!e) s->acceptor.set_option(asio::socket_base::reuse_address(true), e);
  if (!e) ::fcntl(s->acceptor.native_handle(), F_SETFD, FD_CLOEXEC);
#endif
  if (!e) s->acceptor.bind(dove, e);
  if (!e) s->acceptor.listen(asio::socket_base::max_listen_connections, e);
  if (e) {
    perche = e.message();
    return nullptr;
  }
  s->porta = s->acceptor.local_endpoint().port();
  accetta(s);
  return s;
}

uint16_t porta_di(const ServerPagine& s) { return s.porta; }

void pubblica(ServerPagine& s, const std::string& pagina, const std::string& stato) {
  s.pagina = pagina;
  s.stato = stato;
  for (const std::weak_ptr<Sessione>& w : s.sessioni) {
    if (auto sessione = w.lock()) sessione->invia(stato);
  }
}

void chiudi_server(ServerPagine& s) {
  s.chiuso = true;
  beast::error_code e;
  s.acceptor.close(e);
  s.pausa.cancel();
  for (const std::weak_ptr<Sessione>& w : s.sessioni) {
    if (auto sessione = w.lock()) sessione->chiudi();
  }
}

}  // namespace ferrovello
