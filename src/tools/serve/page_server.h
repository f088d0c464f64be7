// The push of `view --serve`: a web server on 127.0.0.1 alone that serves
// the live page (at /), the view page it holds (at /vista) and the stream of
// states (server-sent events at /eventi) to every open page, and nothing
// else: no path of a request ever names a file. A request whose Host is not
// this server's own address is refused, so that a web site cannot reach it
// through a name of its own that points here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <utility>  // before Asio, whose headers need std::exchange
#include <boost/asio/io_context.hpp>

namespace ferrovello {

struct ServerPagine;

// Listens on 127.0.0.1:`porta` (0: a free port, chosen by the system).
// Null, with the reason, when the port cannot be taken.
std::shared_ptr<ServerPagine> apri_server(boost::asio::io_context& io, uint16_t porta, std::string& perche);
uint16_t porta_di(const ServerPagine& s);
// The new view page and state, sent at once to every open page.
void pubblica(ServerPagine& s, const std::string& pagina, const std::string& stato);
// Stops listening and closes every connection.
void chiudi_server(ServerPagine& s);

// Whether a request's Host names this server: 127.0.0.1 or localhost with
// its port (the port may be left out only for port 80).
bool host_ammesso(const std::string& host, uint16_t porta);

}  // namespace ferrovello
