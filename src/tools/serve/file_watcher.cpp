#include "tools/serve/file_watcher.h"

#include <chrono>
#include <filesystem>
#include <map>
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

// A folder whose watch ended (deleted, moved away) is looked for this often
// until it is back.
constexpr auto kRicerca = std::chrono::milliseconds(250);

struct Inotify {
  Inotify(boost::asio::io_context& io, int fd, std::set<std::string> n, std::function<void()> f)
      : stream(io, fd), ricerca(io), nomi(std::move(n)), attesa(io, std::move(f)) {}
  boost::asio::posix::stream_descriptor stream;
  boost::asio::steady_timer ricerca;
  std::set<std::string> nomi;           // the watched files' names in their folders
  std::map<int, std::string> cartelle;  // the folders watched, by watch
  std::vector<std::string> perse;       // the folders gone, looked for
  bool cerca = false;
  Attesa attesa;
  alignas(inotify_event) char buffer[8192];

  static constexpr uint32_t kEventi =
      IN_CLOSE_WRITE | IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MOVE_SELF;

  bool aggiungi(const std::string& cartella, std::string& perche) {
    const int wd = inotify_add_watch(stream.native_handle(), cartella.c_str(), kEventi | IN_ONLYDIR);
    if (wd < 0) {
      perche = cartella + ": " + std::strerror(errno);
      return false;
    }
    cartelle[wd] = cartella;
    return true;
  }

  void aspetta(std::shared_ptr<Inotify> io_stesso) {
    stream.async_wait(boost::asio::posix::stream_descriptor::wait_read,
                      [this, io_stesso](const boost::system::error_code& e) {
                        if (e) return;
                        leggi(io_stesso);
                        aspetta(io_stesso);
                      });
  }
  void leggi(const std::shared_ptr<Inotify>& io_stesso) {
    for (;;) {
      const ssize_t n = ::read(stream.native_handle(), buffer, sizeof buffer);
      if (n <= 0) return;
      bool nostro = false;
      for (ssize_t i = 0; i < n;) {
        const auto* ev = reinterpret_cast<const inotify_event*>(buffer + i);
        i += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
        if (ev->len > 0 && nomi.count(ev->name) != 0) nostro = true;
        if ((ev->mask & IN_Q_OVERFLOW) != 0) nostro = true;
        const auto c = cartelle.find(ev->wd);
        if (c == cartelle.end()) continue;
        // A folder moved away keeps its watch, which would follow it there:
        // the watch is ended, and the folder looked for by its name.
        if ((ev->mask & IN_MOVE_SELF) != 0) inotify_rm_watch(stream.native_handle(), ev->wd);
        if ((ev->mask & IN_IGNORED) != 0) {
          perse.push_back(c->second);
          cartelle.erase(c);
          nostro = true;
          cerca_perse(io_stesso);
        }
      }
      if (nostro) attesa.segnala();
    }
  }
  // A folder made again is a new folder: its files are built as they are
  // found, and watched from then on.
  void cerca_perse(const std::shared_ptr<Inotify>& io_stesso) {
    if (cerca) return;
    cerca = true;
    ricerca.expires_after(kRicerca);
    ricerca.async_wait([this, io_stesso](const boost::system::error_code& e) {
      cerca = false;
      if (e) return;
      std::vector<std::string> ancora;
      std::string perche;
      for (const std::string& c : perse) {
        if (!aggiungi(c, perche)) ancora.push_back(c);
      }
      if (ancora.size() < perse.size()) attesa.segnala();
      perse = std::move(ancora);
      if (!perse.empty()) cerca_perse(io_stesso);
    });
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
  auto w = std::make_shared<Inotify>(io, fd, std::move(nomi), std::move(cambiato));
  for (const std::string& c : cartelle) {
    if (!w->aggiungi(c, perche)) return false;
  }
  w->aspetta(w);
  return true;
}

#endif

// What tells a file's change apart: whether it is there, its kind, its
// time, its size. Looked at by its name alone, never opened: a file that
// goes with its folder and comes back is seen as any other change.
struct Impronta {
  fs::file_type tipo = fs::file_type::not_found;
  fs::file_time_type ora{};
  uintmax_t dimensione = 0;
  bool operator==(const Impronta&) const = default;
};

Impronta impronta(const std::string& file) {
  std::error_code e;
  Impronta i;
  i.tipo = fs::status(file, e).type();
  if (e || i.tipo == fs::file_type::not_found) return Impronta{};
  i.ora = fs::last_write_time(file, e);
  if (i.tipo == fs::file_type::regular) i.dimensione = fs::file_size(file, e);
  return i;
}

struct Sondaggio {
  Sondaggio(boost::asio::io_context& io, std::vector<std::string> f, std::function<void()> c,
            std::chrono::milliseconds o)
      : timer(io), ogni(o), file(std::move(f)), attesa(io, std::move(c)) {
    for (const std::string& x : file) impronte.push_back(impronta(x));
  }
  boost::asio::steady_timer timer;
  std::chrono::milliseconds ogni;
  std::vector<std::string> file;
  std::vector<Impronta> impronte;
  Attesa attesa;

  void aspetta(std::shared_ptr<Sondaggio> se_stesso) {
    timer.expires_after(ogni);
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

}  // namespace

bool osserva_file(boost::asio::io_context& io, const std::vector<std::string>& file, std::function<void()> cambiato,
                  std::string& perche) {
#ifdef __linux__
  return osserva_inotify(io, file, std::move(cambiato), perche);
#else
  perche.clear();
  osserva_file_a_sondaggio(io, file, std::move(cambiato));
  return true;
#endif
}

void osserva_file_a_sondaggio(boost::asio::io_context& io, const std::vector<std::string>& file,
                              std::function<void()> cambiato, std::chrono::milliseconds ogni) {
  auto s = std::make_shared<Sondaggio>(io, file, std::move(cambiato), ogni);
  s->aspetta(s);
}

}  // namespace ferrovello
