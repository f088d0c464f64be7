#include "platform/posix_platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace ferrovello {

namespace {

std::string system_reason() { return std::strerror(errno); }

// Writes all of `bytes`, going on after short writes and interruptions.
bool write_all(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

PosixPlatform::PosixPlatform(std::string folder) : folder_(std::move(folder)) {}

PosixPlatform::~PosixPlatform() { release_lock(); }

std::string PosixPlatform::executable_folder() {
  std::string path(4096, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
  if (n <= 0 || static_cast<size_t>(n) >= path.size()) return ".";
  path.resize(static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string PosixPlatform::program_folder() {
  if (folder_.empty()) folder_ = executable_folder();
  return folder_;
}

bool PosixPlatform::exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

bool PosixPlatform::read_file(const std::string& path, std::string& bytes, std::string& reason) {
  bytes.clear();
  if (!allow(Step::read, path)) {
    reason = system_reason();
    return false;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    reason = system_reason();
    return false;
  }
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(fd);
    reason = std::strerror(EISDIR);
    return false;
  }
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      reason = system_reason();
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    bytes.append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  return true;
}

bool PosixPlatform::replace_file(const std::string& path, std::string_view bytes, std::string& reason) {
  return replace_with_mode(path, bytes, 0644, reason);
}

bool PosixPlatform::replace_program_file(const std::string& path, std::string_view bytes, std::string& reason) {
  return replace_with_mode(path, bytes, 0755, reason);
}

bool PosixPlatform::replace_with_mode(const std::string& path, std::string_view bytes, unsigned mode,
                                      std::string& reason) {
  const std::string temporary = path + "." + std::to_string(::getpid()) + ".tmp";
  const int fd = allow(Step::create, path)
                     ? ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode))
                     : -1;
  if (fd < 0) {
    reason = system_reason();
    return false;
  }
  bool ok = allow(Step::write, path) && write_all(fd, bytes);
  if (!ok) reason = system_reason();
  if (::close(fd) != 0 && ok) {
    ok = false;
    reason = system_reason();
  }
  if (ok && (!allow(Step::rename, path) || ::rename(temporary.c_str(), path.c_str()) != 0)) {
    ok = false;
    reason = system_reason();
  }
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

bool PosixPlatform::read_program_bytes(bool from_end, uint64_t count, std::string& bytes, uint64_t& size,
                                       std::string& reason) {
  bytes.clear();
  size = 0;
  const int fd = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    reason = system_reason();
    if (fd >= 0) ::close(fd);
    return false;
  }
  size = static_cast<uint64_t>(st.st_size);
  const uint64_t n = count < size ? count : size;
  const uint64_t da = from_end ? size - n : 0;
  bytes.resize(static_cast<size_t>(n));
  size_t letti = 0;
  while (letti < bytes.size()) {
    const ssize_t r = ::pread(fd, bytes.data() + letti, bytes.size() - letti, static_cast<off_t>(da + letti));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      reason = r < 0 ? system_reason() : "il file e' piu' corto del previsto";
      ::close(fd);
      bytes.clear();
      return false;
    }
    letti += static_cast<size_t>(r);
  }
  ::close(fd);
  return true;
}

bool PosixPlatform::delete_file(const std::string& path, std::string& reason) {
  if (allow(Step::remove, path) && ::unlink(path.c_str()) == 0) return true;
  reason = system_reason();
  return false;
}

bool PosixPlatform::lock_run(const std::string& path, bool& busy, std::string& reason) {
  busy = false;
  // A run that ends removes its lock file; one that opened the file just
  // before may then hold a lock on a removed file, so the lock counts only
  // while the name still leads to the locked file.
  for (int tentativo = 0; tentativo < 100; ++tentativo) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
      reason = system_reason();
      return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      busy = errno == EWOULDBLOCK;
      reason = system_reason();
      ::close(fd);
      return false;
    }
    struct stat aperto {};
    struct stat nome {};
    if (::fstat(fd, &aperto) == 0 && ::stat(path.c_str(), &nome) == 0 && aperto.st_dev == nome.st_dev &&
        aperto.st_ino == nome.st_ino) {
      release_lock();
      lock_fd_ = fd;
      lock_path_ = path;
      return true;
    }
    ::close(fd);
  }
  reason = "il blocco della cartella cambia di continuo";
  return false;
}

void PosixPlatform::release_lock() {
  if (lock_fd_ < 0) return;
  ::unlink(lock_path_.c_str());
  ::close(lock_fd_);
  lock_fd_ = -1;
}

void PosixPlatform::show_window(const std::string& /*caption*/, const std::string& label) {
  std::fprintf(stderr, "%s\n", label.c_str());
  std::fflush(stderr);
}

void PosixPlatform::show_message(const std::string& text) {
  std::fprintf(stderr, "%s\n", text.c_str());
  std::fflush(stderr);
}

void PosixPlatform::terminate_program(int status) {
  release_lock();
  std::fflush(nullptr);
  std::exit(status);
}

}  // namespace ferrovello
