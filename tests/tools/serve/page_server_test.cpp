// The server of `view --serve` under floods: the cap on connections, the
// times a request and a stream are given, and accepting when descriptors
// run out. The server runs on its own thread; the tests are its clients,
// through plain blocking sockets that never wait longer than kAttesa.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include <utility>  // before Asio, whose headers need std::exchange
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/read.hpp>

#include "tools/serve/page_server.h"

namespace ferrovello::test {
namespace {

using namespace std::chrono_literals;
constexpr auto kAttesa = 5s;

// A client's connection, closed when it goes.
struct Presa {
  int fd = -1;
  explicit Presa(uint16_t porta, int ricezione = 0) {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (ricezione > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &ricezione, sizeof ricezione);
    const timeval t{static_cast<time_t>(kAttesa.count()), 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(porta);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) ADD_FAILURE() << "connect: " << errno;
  }
  ~Presa() { ::close(fd); }
  Presa(const Presa&) = delete;
  Presa& operator=(const Presa&) = delete;

  void manda(const std::string& s) const { ASSERT_EQ(::send(fd, s.data(), s.size(), MSG_NOSIGNAL), ssize_t(s.size())); }
  // What comes until the server closes, or until `fine` is in it; empty
  // `fine`: to the close. False if neither came within kAttesa.
  bool leggi_fino(std::string& letto, const std::string& fine = {}) const {
    char b[65536];
    for (;;) {
      if (!fine.empty() && letto.find(fine) != std::string::npos) return true;
      const ssize_t n = ::recv(fd, b, sizeof b, 0);
      if (n == 0 || (n < 0 && errno == ECONNRESET)) return fine.empty();
      if (n < 0) return false;
      letto.append(b, static_cast<size_t>(n));
    }
  }
  // Whether the server has closed this connection (within `entro`).
  bool chiusa(std::chrono::milliseconds entro) const {
    const timeval t{0, static_cast<suseconds_t>(std::chrono::microseconds(entro).count())};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &t, sizeof t);
    char b[65536];
    for (;;) {
      const ssize_t n = ::recv(fd, b, sizeof b, 0);
      if (n == 0 || (n < 0 && errno == ECONNRESET)) return true;
      if (n < 0) return false;
    }
  }
};

std::string get(uint16_t porta, const std::string& percorso) {
  return "GET " + percorso + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(porta) + "\r\n\r\n";
}

// The server on its own thread; what touches it runs there.
class ServerSotto : public ::testing::Test {
 protected:
  void avvia(const LimitiServer& l = {}) {
    std::string perche;
    server = apri_server(io, 0, perche, l);
    ASSERT_TRUE(server) << perche;
    porta = porta_di(*server);
    filo = std::thread([this] { io.run(); });
  }
  void TearDown() override {
    if (!filo.joinable()) return;
    sul_server([this] { chiudi_server(*server); });
    lavoro.reset();
    io.stop();
    filo.join();
  }
  void sul_server(std::function<void()> f) {
    std::promise<void> fatto;
    boost::asio::post(io, [&] {
      f();
      fatto.set_value();
    });
    fatto.get_future().wait();
  }
  ConteggiServer conta() {
    ConteggiServer c;
    sul_server([&] { c = conteggi(*server); });
    return c;
  }
  // Waits until the server's counts satisfy `ok`.
  bool finche(const std::function<bool(const ConteggiServer&)>& ok) {
    const auto fine = std::chrono::steady_clock::now() + kAttesa;
    while (!ok(conta())) {
      if (std::chrono::steady_clock::now() > fine) return false;
      std::this_thread::sleep_for(10ms);
    }
    return true;
  }
  // A whole GET of the live page on a new connection.
  void la_pagina_risponde() {
    Presa p(porta);
    p.manda(get(porta, "/"));
    std::string r;
    ASSERT_TRUE(p.leggi_fino(r, "</html>")) << r;
    EXPECT_EQ(r.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << r.substr(0, 100);
  }

  boost::asio::io_context io;
  boost::asio::executor_work_guard<boost::asio::io_context::executor_type> lavoro{io.get_executor()};
  std::shared_ptr<ServerPagine> server;
  uint16_t porta = 0;
  std::thread filo;
};

TEST_F(ServerSotto, MoreConnectionsThanTheCapCloseTheOldestAndThePageStillLoads) {
  avvia();
  const size_t cap = LimitiServer{}.connessioni;
  const struct {
    const char* caso;
    std::string manda;  // by each connection of the flood
    bool flussi;
  } casi[] = {
      {"idle connections", "", false},
      {"half requests", "GET / HTTP/1.1\r\nHost: 127.0.0", false},
      {"idle streams", get(porta, "/eventi"), true},
  };
  for (const auto& k : casi) {
    SCOPED_TRACE(k.caso);
    // The page connects amid the flood, and sends its request only after
    // more of the flood came.
    std::vector<std::unique_ptr<Presa>> flood;
    std::unique_ptr<Presa> pagina;
    for (size_t i = 0; i < cap + 10; ++i) {
      if (i == cap) pagina = std::make_unique<Presa>(porta);
      flood.push_back(std::make_unique<Presa>(porta));
      if (!k.manda.empty()) flood.back()->manda(k.manda);
    }
    ASSERT_TRUE(finche([&](const ConteggiServer& c) {
      return c.connessioni == cap && (!k.flussi || c.flussi == cap - 1);
    })) << conta().connessioni;
    EXPECT_TRUE(flood.front()->chiusa(kAttesa));  // the oldest made room
    EXPECT_FALSE(flood.back()->chiusa(50ms));     // the newest stays
    pagina->manda(get(porta, "/"));
    std::string r;
    ASSERT_TRUE(pagina->leggi_fino(r, "</html>")) << r;
    EXPECT_EQ(r.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << r.substr(0, 100);
    la_pagina_risponde();
    EXPECT_LE(conta().connessioni, cap);
  }
}

TEST_F(ServerSotto, ARequestMustComeWholeInTimeButAKeptConnectionMayWaitForItsNext) {
  LimitiServer l;
  l.richiesta = 200ms;
  avvia(l);
  const struct {
    const char* caso;
    std::vector<std::string> manda;
    bool chiusa;
  } casi[] = {
      {"nothing sent", {}, true},
      {"a header that never ends", {"GET / HTTP/1.1\r\n", "Host: 127.0.0.1\r\n"}, true},
      {"a whole request, then nothing", {get(porta, "/")}, false},
      {"a whole request, then half of the next", {get(porta, "/"), "GET / HTTP/1.1\r\n"}, true},
  };
  for (const auto& k : casi) {
    SCOPED_TRACE(k.caso);
    Presa p(porta);
    for (const std::string& s : k.manda) {
      p.manda(s);
      std::string r;
      if (s.find("\r\n\r\n") != std::string::npos) {
        ASSERT_TRUE(p.leggi_fino(r, "</html>"));
      }
      std::this_thread::sleep_for(100ms);  // slowly, each part within the time, not the whole
    }
    if (k.chiusa) {
      EXPECT_TRUE(p.chiusa(kAttesa));
    } else {
      EXPECT_FALSE(p.chiusa(600ms));
      p.manda(get(porta, "/vista"));
      std::string r;
      EXPECT_TRUE(p.leggi_fino(r, "HTTP/1.1 200 OK"));
    }
  }
}

TEST_F(ServerSotto, AnIdleStreamGetsHeartbeatsAndEndsWhenItsPageIsGoneOrStopsReading) {
  LimitiServer l;
  l.battito = 50ms;
  l.scrittura = 300ms;
  avvia(l);
  sul_server([this] { pubblica(*server, "<html></html>", "{\"stato\":\"ok\"}"); });
  {
    Presa p(porta);
    p.manda(get(porta, "/eventi"));
    std::string r;
    ASSERT_TRUE(p.leggi_fino(r, "data: {\"stato\":\"ok\"}\n\n: \n\n: \n\n")) << r;
    EXPECT_NE(r.find("Content-Type: text/event-stream"), std::string::npos);
  }
  // The page closed its end: the stream ends.
  EXPECT_TRUE(finche([](const ConteggiServer& c) { return c.connessioni == 0; }));

  // A page that no longer reads, under states larger than the buffers: the
  // write stalls and its time ends the stream; what waits for it is only
  // the latest state.
  Presa muta(porta, 4096);
  muta.manda(get(porta, "/eventi"));
  ASSERT_TRUE(finche([](const ConteggiServer& c) { return c.flussi == 1; }));
  for (int i = 0; i < 3; ++i) {
    sul_server([this] { pubblica(*server, "<html></html>", std::string(16 << 20, 'x')); });
  }
  EXPECT_TRUE(finche([](const ConteggiServer& c) { return c.connessioni == 0; }));
}

// Without descriptors the server neither spins on accept nor stops: it
// tries again a little later, and answers once descriptors are back. In a
// child process, whose limit of descriptors is lowered to those it holds.
TEST(ServerSenzaDescrittori, AcceptWaitsBeforeTryingAgainAndAnswersWhenDescriptorsAreBack) {
  int porta_a[2], comando[2], esito[2];
  ASSERT_EQ(::pipe(porta_a), 0);
  ASSERT_EQ(::pipe(comando), 0);
  ASSERT_EQ(::pipe(esito), 0);
  const pid_t figlio = ::fork();
  ASSERT_GE(figlio, 0);
  if (figlio == 0) {
    for (int fd : {porta_a[0], comando[1], esito[0]}) ::close(fd);
    boost::asio::io_context io;
    std::string perche;
    auto server = apri_server(io, 0, perche);
    if (!server) ::_exit(2);
    boost::asio::posix::stream_descriptor ordini(io, comando[0]);
    const uint16_t porta = porta_di(*server);
    if (::write(porta_a[1], &porta, sizeof porta) != sizeof porta) ::_exit(3);
    rlimit prima{};
    ::getrlimit(RLIMIT_NOFILE, &prima);
    const int libero = ::dup(0);
    ::close(libero);
    const rlimit nessuno{static_cast<rlim_t>(libero), prima.rlim_max};
    ::setrlimit(RLIMIT_NOFILE, &nessuno);
    char c = 0;
    // A byte: how many accepts failed so far, and the descriptors back.
    // The end of the pipe: the end.
    std::function<void()> ascolta = [&] {
      boost::asio::async_read(ordini, boost::asio::buffer(&c, 1), [&](const boost::system::error_code& e, size_t) {
        if (e) {
          chiudi_server(*server);
          io.stop();
          return;
        }
        const size_t falliti = conteggi(*server).accettazioni_fallite;
        ::setrlimit(RLIMIT_NOFILE, &prima);
        if (::write(esito[1], &falliti, sizeof falliti) != sizeof falliti) ::_exit(4);
        ascolta();
      });
    };
    ascolta();
    io.run();
    ::_exit(0);
  }
  ::close(comando[0]);
  uint16_t porta = 0;
  ASSERT_EQ(::read(porta_a[0], &porta, sizeof porta), ssize_t(sizeof porta));
  {
    Presa p(porta);
    p.manda(get(porta, "/"));
    std::this_thread::sleep_for(500ms);
    const char c = 1;
    ASSERT_EQ(::write(comando[1], &c, 1), 1);
    size_t falliti = 0;
    ASSERT_EQ(::read(esito[0], &falliti, sizeof falliti), ssize_t(sizeof falliti));
    // About one failure each 100 ms; a retry at once makes thousands.
    EXPECT_GE(falliti, 1u);
    EXPECT_LE(falliti, 20u);
    std::string r;
    EXPECT_TRUE(p.leggi_fino(r, "</html>"));
    EXPECT_EQ(r.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << r.substr(0, 100);
  }
  ::close(comando[1]);
  int stato = 0;
  ASSERT_EQ(::waitpid(figlio, &stato, 0), figlio);
  EXPECT_TRUE(WIFEXITED(stato) && WEXITSTATUS(stato) == 0) << stato;
  for (int fd : {porta_a[0], porta_a[1], comando[1], esito[0], esito[1]}) ::close(fd);
}

}  // namespace
}  // namespace ferrovello::test
