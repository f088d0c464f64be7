#include "tools/serve/page_server.h"

#include <chrono>
#include <deque>
#include <list>

#include <boost/asio/ip/tcp.hpp>
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
  explicit ServerPagine(asio::io_context& i) : io(i), acceptor(i) {}
  asio::io_context& io;
  tcp::acceptor acceptor;
  uint16_t porta = 0;
  std::string pagina;
  std::string stato;
  bool chiuso = false;
  std::list<std::weak_ptr<Sessione>> sessioni;  // every open connection
};

namespace {

// One connection: requests read one after the other, until it becomes a
// stream of states, which it stays until the page goes.
struct Sessione : std::enable_shared_from_this<Sessione> {
  Sessione(tcp::socket s, ServerPagine& sv) : stream(std::move(s)), server(sv) {}
  beast::tcp_stream stream;
  ServerPagine& server;
  beast::flat_buffer buffer;
  http::request<http::string_body> richiesta;
  bool flusso = false;           // a stream of states
  std::deque<std::string> coda;  // what waits to go on the stream
  bool scrive = false;

  void leggi() {
    richiesta = {};
    stream.expires_after(std::chrono::seconds(30));
    http::async_read(stream, buffer, richiesta, [self = shared_from_this()](beast::error_code e, size_t) {
      if (e) return self->chiudi();
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
    http::async_write(stream, *r, [self = shared_from_this(), r](beast::error_code e, size_t) {
      if (e || !r->keep_alive()) return self->chiudi();
      self->leggi();
    });
  }

  void apri_flusso() {
    flusso = true;
    stream.expires_never();
    coda.push_back(
        "HTTP/1.1 200 OK\r\nContent-Type: text/event-stream\r\nCache-Control: no-store\r\n"
        "X-Content-Type-Options: nosniff\r\n\r\n");
    invia(server.stato);
  }

  // One state as one event; a line end inside it would split it.
  void invia(const std::string& stato) {
    if (!flusso) return;
    coda.push_back("data: " + stato + "\n\n");
    if (!scrive) scrivi();
  }
  void scrivi() {
    scrive = true;
    asio::async_write(stream, asio::buffer(coda.front()), [self = shared_from_this()](beast::error_code e, size_t) {
      self->coda.pop_front();
      if (e) return self->chiudi();
      if (self->coda.empty()) {
        self->scrive = false;
        // The page says nothing on the stream: a read ends when it goes.
        self->attendi_chiusura();
        return;
      }
      self->scrivi();
    });
  }
  bool in_attesa = false;
  char scarto[256];
  void attendi_chiusura() {
    if (in_attesa) return;
    in_attesa = true;
    stream.async_read_some(asio::buffer(scarto), [self = shared_from_this()](beast::error_code e, size_t) {
      self->in_attesa = false;
      if (e) return self->chiudi();
      self->attendi_chiusura();
    });
  }

  void chiudi() {
    beast::error_code e;
    stream.socket().shutdown(tcp::socket::shutdown_both, e);
    stream.socket().close(e);
  }
};

void accetta(const std::shared_ptr<ServerPagine>& s) {
  s->acceptor.async_accept([s](beast::error_code e, tcp::socket socket) {
    if (s->chiuso) return;
    if (!e) {
      auto sessione = std::make_shared<Sessione>(std::move(socket), *s);
      s->sessioni.remove_if([](const std::weak_ptr<Sessione>& w) { return w.expired(); });
      s->sessioni.push_back(sessione);
      sessione->leggi();
    }
    accetta(s);
  });
}

}  // namespace

bool host_ammesso(const std::string& host, uint16_t porta) {
  const std::string p = std::to_string(porta);
  for (const char* nome : {"127.0.0.1", "localhost"}) {
    if (host == std::string(nome) + ":" + p || (porta == 80 && host == nome)) return true;
  }
  return false;
}

std::shared_ptr<ServerPagine> apri_server(asio::io_context& io, uint16_t porta, std::string& perche) {
  auto s = std::make_shared<ServerPagine>(io);
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
  for (const std::weak_ptr<Sessione>& w : s.sessioni) {
    if (auto sessione = w.lock()) sessione->chiudi();
  }
}

}  // namespace ferrovello
