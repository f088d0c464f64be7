#include "tools/serve/serve_command.h"

#include <csignal>
#include <string>

#include <utility>  // before Asio, whose headers need std::exchange
#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <chrono>
#include <memory>

#include "tools/serve/file_watcher.h"
#include "tools/serve/live_build.h"
#include "tools/serve/page_server.h"
#include "tools/text/standard_output.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#else
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace ferrovello {

namespace {

#ifndef _WIN32
// The end of a program started by the server, looked for now and then.
struct Raccolta {
  Raccolta(boost::asio::io_context& io, pid_t f, std::string m, Platform& b)
      : timer(io), figlio(f), a_mano(std::move(m)), base(b) {}
  boost::asio::steady_timer timer;
  pid_t figlio;
  std::string a_mano;
  Platform& base;
  void aspetta(std::shared_ptr<Raccolta> se_stessa) {
    timer.expires_after(std::chrono::milliseconds(200));
    timer.async_wait([this, se_stessa](const boost::system::error_code& e) {
      int stato = 0;
      if (e) return;
      if (waitpid(figlio, &stato, WNOHANG) == 0) return aspetta(se_stessa);
      if (!WIFEXITED(stato) || WEXITSTATUS(stato) != 0) base.show_message(a_mano);
    });
  }
};
#endif

// The default browser, as the desktop opens a link. A failure is reported
// on `base`, with the address to open by hand; the server never waits for
// the browser.
void apri_browser(boost::asio::io_context& io, const std::string& indirizzo, Platform& base) {
  const std::string a_mano = "Impossibile aprire il browser: aprire a mano " + indirizzo;
#ifdef _WIN32
  (void)io;
  const auto r = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", indirizzo.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (r <= 32) base.show_message(a_mano);
#else
  pid_t figlio = 0;
  std::string programma = "xdg-open";
  std::string argomento = indirizzo;
  char* argv[] = {programma.data(), argomento.data(), nullptr};
  if (posix_spawnp(&figlio, "xdg-open", nullptr, nullptr, argv, environ) != 0) {
    base.show_message(a_mano);
    return;
  }
  // xdg-open may stay until the browser it started ends: its end is
  // collected when it comes, so that it leaves no zombie behind.
  auto r = std::make_shared<Raccolta>(io, figlio, a_mano, base);
  r->aspetta(r);
#endif
}

}  // namespace

int esegui_serve(const ServeOptions& o, Platform& base) {
  boost::asio::io_context io;
  // Taken first, so that a signal at any time from here on ends the server
  // cleanly.
  boost::asio::signal_set segnali(io, SIGINT, SIGTERM);
  std::string perche;
  const std::shared_ptr<ServerPagine> server = apri_server(io, o.port, perche);
  if (!server) {
    base.show_message("Impossibile aprire il server sulla porta " + std::to_string(o.port) + ": " + perche);
    return 1;
  }
  Costruzione c;
  auto costruisci = [&] {
    ricostruisci(o.scripts, base, c);
    pubblica(*server, c.pagina, c.stato);
  };
  costruisci();
  if (!osserva_file(io, {o.scripts.line, o.scripts.train}, costruisci, perche)) {
    base.show_message("Impossibile seguire i file degli script: " + perche);
    return 1;
  }

  const std::string indirizzo = "http://127.0.0.1:" + std::to_string(porta_di(*server)) + "/";
  stampa(base, "Pagina servita su " + indirizzo + " (Ctrl-C per finire)\n");
  if (o.open) apri_browser(io, indirizzo, base);

  segnali.async_wait([&](const boost::system::error_code& e, int) {
    if (e) return;
    chiudi_server(*server);
    io.stop();
  });
  io.run();
  stampa(base, "Server chiuso.\n");
  return 0;
}

}  // namespace ferrovello
