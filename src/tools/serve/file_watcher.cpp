#include "tools/serve/file_watcher.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <set>

#include <boost/asio/steady_timer.hpp>

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>

#include <boost/asio/posix/stream_descriptor.hpp>
#include <cerrno>
#include <cstring>
#endif

namespace ferrovello {

namespace {

namespace fs = std::filesystem;

// An editor writes, renames and sets attributes in a few milliseconds; the
// build waits for them to settle.
constexpr auto kQuiete = std::chrono::milliseconds(25);

struct Attesa {
  explicit Attesa(boost::asio::io_context& io, std::function<void()> f) : timer(io), cambiato(std::move(f)) {}
  boost::asio::steady_timer timer;
  std::function<void()> cambiato;
  // Each change moves the call on, so that only the last one builds.
  void segnala() {
    timer.expires_after(kQuiete);
    timer.async_wait([this](const boost::system::error_code& e) {
      if (!e) cambiato();
    });
  }
};

#ifdef __linux__

fs::path cartella_di(const std::string& file) {
  const fs::path p = fs::path(file).parent_path();
  return p.empty() ? fs::path(".") : p;
}

struct Inotify {
  Inotify(boost::asio::io_context& io, int fd, std::set<std::string> n, std::function<void()> f)
      : stream(io, fd), nomi(std::move(n)), attesa(io, std::move(f)) {}
  boost::asio::posix::stream_descriptor stream;
  std::set<std::string> nomi;  // the watched files' names in their folders
  Attesa attesa;
  alignas(inotify_event) char buffer[8192];

  void aspetta(std::shared_ptr<Inotify> io_stesso) {
    stream.async_wait(boost::asio::posix::stream_descriptor::wait_read,
                      [this, io_stesso](const boost::system::error_code& e) {
                        if (e) return;
                        leggi();
                        aspetta(io_stesso);
                      });
  }
  void leggi() {
    for (;;) {
      const ssize_t n = ::read(stream.native_handle(), buffer, sizeof buffer);
      if (n <= 0) return;
      bool nostro = false;
      for (ssize_t i = 0; i < n;) {
        const auto* ev = reinterpret_cast<const inotify_event*>(buffer + i);
        if (ev->len > 0 && nomi.count(ev->name) != 0) nostro = true;
        if ((ev->mask & IN_Q_OVERFLOW) != 0) nostro = true;
        i += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
      }
      if (nostro) attesa.segnala();
    }
  }
};

bool osserva_inotify(boost::asio::io_context& io, const std::vector<std::string>& file,
                     std::function<void()> cambiato, std::string& perche) {
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) {
    perche = std::strerror(errno);
    return false;
  }
  std::set<std::string> nomi;
  std::set<std::string> cartelle;
  for (const std::string& f : file) {
    nomi.insert(fs::path(f).filename().string());
    cartelle.insert(cartella_di(f).string());
  }
  const uint32_t eventi = IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
  for (const std::string& c : cartelle) {
    if (inotify_add_watch(fd, c.c_str(), eventi) < 0) {
      perche = c + ": " + std::strerror(errno);
      ::close(fd);
      return false;
    }
  }
  auto w = std::make_shared<Inotify>(io, fd, std::move(nomi), std::move(cambiato));
  w->aspetta(w);
  return true;
}

#else

// What tells a file's change apart: whether it is there, its time, its size.
struct Impronta {
  bool presente = false;
  fs::file_time_type ora{};
  uintmax_t dimensione = 0;
  bool operator==(const Impronta&) const = default;
};

Impronta impronta(const std::string& file) {
  std::error_code e;
  Impronta i;
  i.ora = fs::last_write_time(file, e);
  if (e) return Impronta{};
  i.dimensione = fs::file_size(file, e);
  if (e) return Impronta{};
  i.presente = true;
  return i;
}

struct Sondaggio {
  Sondaggio(boost::asio::io_context& io, std::vector<std::string> f, std::function<void()> c)
      : timer(io), file(std::move(f)), attesa(io, std::move(c)) {
    for (const std::string& x : file) impronte.push_back(impronta(x));
  }
  boost::asio::steady_timer timer;
  std::vector<std::string> file;
  std::vector<Impronta> impronte;
  Attesa attesa;

  void aspetta(std::shared_ptr<Sondaggio> se_stesso) {
    timer.expires_after(std::chrono::milliseconds(250));
    timer.async_wait([this, se_stesso](const boost::system::error_code& e) {
      if (e) return;
      for (size_t i = 0; i < file.size(); ++i) {
        const Impronta ora = impronta(file[i]);
        if (!(ora == impronte[i])) {
          impronte[i] = ora;
          attesa.segnala();
        }
      }
      aspetta(se_stesso);
    });
  }
};

#endif

}  // namespace

bool osserva_file(boost::asio::io_context& io, const std::vector<std::string>& file, std::function<void()> cambiato,
                  std::string& perche) {
#ifdef __linux__
  return osserva_inotify(io, file, std::move(cambiato), perche);
#else
  perche.clear();
  auto s = std::make_shared<Sondaggio>(io, file, std::move(cambiato));
  s->aspetta(s);
  return true;
#endif
}

}  // namespace ferrovello
