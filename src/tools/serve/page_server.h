// The push of `view --serve`: a web server on 127.0.0.1 alone that serves
// the live page (at /), the view page it holds (at /vista) and the stream of
// states (server-sent events at /eventi) to every open page, and nothing
// else: no path of a request ever names a file. A request whose Host is not
// this server's own address is refused, so that a web site cannot reach it
// through a name of its own that points here.
//
// A flood of connections cannot take it: their number is capped, a request
// must come whole within a few seconds, a stream whose page is gone ends,
// and a shortage of descriptors makes it wait a little before it accepts
// again instead of spinning.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include <utility>  // before Asio, whose headers need std::exchange
#include <boost/asio/io_context.hpp>

namespace ferrovello {

struct ServerPagine;

// What the server grants its connections (tests shorten the times).
struct LimitiServer {
  // Open connections at most; a new one beyond them takes the place of the
  // least useful one (see page_server.cpp).
  size_t connessioni = 64;
  // A request, from the connection's start or from its first byte on a
  // connection kept open, must be whole within this.
  std::chrono::milliseconds richiesta{5000};
  // A connection kept open waits this long for its next request.
  std::chrono::milliseconds inattiva{30000};
  // An idle stream gets a comment this often, so that a page that is gone
  // shows itself by a write that fails.
  std::chrono::milliseconds battito{15000};
  // A write that does not end within this ends its connection.
  std::chrono::milliseconds scrittura{10000};
  // The wait before accepting again after a failed accept (no descriptors).
  std::chrono::milliseconds pausa_accettazione{100};
};

// Listens on 127.0.0.1:`porta` (0: a free port, chosen by the system).
// Null, with the reason, when the port cannot be taken.
std::shared_ptr<ServerPagine> apri_server(boost::asio::io_context& io, uint16_t porta, std::string& perche,
                                          const LimitiServer& limiti = {});
uint16_t porta_di(const ServerPagine& s);
// The new view page and state, sent at once to every open page.
void pubblica(ServerPagine& s, const std::string& pagina, const std::string& stato);
// Stops listening and closes every connection.
void chiudi_server(ServerPagine& s);

// What the server holds now, for its tests and for looking at it by hand.
struct ConteggiServer {
  size_t connessioni = 0;          // open now
  size_t flussi = 0;               // of them, streams of states
  size_t accettazioni_fallite = 0;  // since the start
};
ConteggiServer conteggi(const ServerPagine& s);

// Whether a request's Host names this server: 127.0.0.1 or localhost with
// its port (the port may be left out only for port 80).
bool host_ammesso(const std::string& host, uint16_t porta);

}  // namespace ferrovello
