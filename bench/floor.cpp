// floor [--no-flush] DIR STEP...: the yardstick of the benchmarks, the least
// that a durable run of the same file steps must do. It does the file steps
// of a run, in the order given, and computes nothing else. A STEP is
//   SIZE        a file of SIZE bytes replaced whole (floor_N.bin, N counting
//               the steps): written to a temporary file in one write,
//               flushed, renamed over the name; its bytes lie in room taken
//               from the platform as the programs take theirs (room of
//               1 MiB or more in large pages);
//   NAME=SIZE   the same under the name NAME;
//   lock        the run lock of the folder taken (and kept to the end), and
//               the temporary files of the names written removed;
//   read:NAME   the file read back whole (NAME may be a path from the root);
//   delete:NAME the file deleted.
// After the last step the folder is flushed once, which makes every rename
// durable. With --no-flush nothing is flushed, which the programs never do:
// it shows what the flushes cost.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix_platform.h"

namespace {

// The file replaced durably with nothing more than the system calls it
// takes: the temporary file created, written in one call, flushed and
// renamed over the name (the folder is flushed once, at the end).
bool replace(const std::string& path, std::string_view bytes, bool flush, std::string& why) {
  const std::string temporary = path + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool ok = fd >= 0 && ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
            (!flush || ::fsync(fd) == 0);
  if (fd >= 0) ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) why = std::strerror(errno);
  return ok;
}

bool flush_folder(const std::string& folder, std::string& why) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  const bool ok = fd >= 0 && ::fsync(fd) == 0;
  if (!ok) why = std::strerror(errno);
  if (fd >= 0) ::close(fd);
  return ok;
}

bool size_of(const std::string& text, size_t& n) {
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text.c_str(), &end, 10);
  if (text.empty() || end == text.c_str() || *end != '\0') return false;
  n = static_cast<size_t>(v);
  return true;
}

int fail(const std::string& what, const std::string& why) {
  std::fprintf(stderr, "%s: %s\n", what.c_str(), why.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  int first = 1;
  bool flush = true;
  if (argc > 1 && std::string_view(argv[1]) == "--no-flush") {
    flush = false;
    ++first;
  }
  if (argc - first < 1) {
    std::fprintf(stderr, "uso: floor [--no-flush] CARTELLA [PASSO...]\n");
    return 2;
  }
  ferrovello::PosixPlatform platform(argv[first]);
  const std::string folder = platform.program_folder() + "/";
  // A name is in the folder; a path from the root stays as it is (the
  // scripts that scenario-tool reads lie elsewhere).
  auto in_folder = [&](const std::string& name) { return name.starts_with('/') ? name : folder + name; };

  // The steps, checked before anything is done, and the names written.
  struct Step {
    enum class Kind { write, lock, read, remove } kind;
    std::string path;
    size_t size = 0;
  };
  std::vector<Step> steps;
  std::vector<std::string> written;
  for (int i = first + 1; i < argc; ++i) {
    const std::string a = argv[i];
    const size_t eq = a.find('=');
    Step s{Step::Kind::write, folder + "floor_" + std::to_string(i - first) + ".bin"};
    if (a == "lock") {
      s.kind = Step::Kind::lock;
    } else if (a.rfind("read:", 0) == 0) {
      s = {Step::Kind::read, in_folder(a.substr(5))};
    } else if (a.rfind("delete:", 0) == 0) {
      s = {Step::Kind::remove, in_folder(a.substr(7))};
    } else if (eq != std::string::npos) {
      s.path = folder + a.substr(0, eq);
      if (!size_of(a.substr(eq + 1), s.size)) {
        fail("dimensione non valida", a);
        return 2;
      }
    } else if (!size_of(a, s.size)) {
      fail("passo non valido", a);
      return 2;
    }
    if (s.kind == Step::Kind::write) written.push_back(s.path);
    steps.push_back(s);
  }

  std::string content;
  std::string why;
  for (const Step& s : steps) {
    switch (s.kind) {
      case Step::Kind::write: {
        // The bytes lie in room taken as the programs take the line table's.
        const ferrovello::Room room = platform.take_room(s.size);
        std::memset(room.get(), 0x5a, s.size);
        if (!replace(s.path, std::string_view(room.get(), s.size), flush, why)) {
          return fail("impossibile scrivere " + s.path, why);
        }
        break;
      }
      case Step::Kind::lock: {
        ferrovello::LockRefusal refusal{};
        if (!platform.lock_run(folder + "Ferrovello.lock", refusal, why)) return fail("blocco non preso", why);
        platform.remove_stale_temporaries(written);
        break;
      }
      case Step::Kind::read:
        if (!platform.read_file(s.path, content, why)) return fail("impossibile leggere " + s.path, why);
        break;
      case Step::Kind::remove:
        if (!platform.delete_file(s.path, why)) return fail("impossibile eliminare " + s.path, why);
        break;
    }
  }
  if (flush && !flush_folder(platform.program_folder(), why)) return fail("impossibile scrivere la cartella", why);
  platform.end_program(0);
}
