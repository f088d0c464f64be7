#include "tools/serve/serve_command.h"

#include <csignal>
#include <string>

#include <utility>  // before Asio, whose headers need std::exchange
#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

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

// The default browser, as the desktop opens a link; false when it cannot
// be asked.
bool apri_browser(const std::string& indirizzo) {
#ifdef _WIN32
  const auto r = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", indirizzo.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return r > 32;
#else
  pid_t figlio = 0;
  std::string programma = "xdg-open";
  char* argv[] = {programma.data(), const_cast<char*>(indirizzo.c_str()), nullptr};
  if (posix_spawnp(&figlio, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
  // xdg-open hands the link on and ends; its end is collected so that no
  // zombie is left.
  int stato = 0;
  return waitpid(figlio, &stato, 0) == figlio && WIFEXITED(stato) && WEXITSTATUS(stato) == 0;
#endif
}

}  // namespace

int esegui_serve(const ServeOptions& o, Platform& base) {
  boost::asio::io_context io;
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
  if (o.open && !apri_browser(indirizzo)) {
    base.show_message("Impossibile aprire il browser: aprire a mano " + indirizzo);
  }

  boost::asio::signal_set segnali(io, SIGINT, SIGTERM);
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
