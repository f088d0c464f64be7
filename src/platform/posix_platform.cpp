#include "platform/posix_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "platform/system_reasons.h"

namespace ferrovello {

namespace {

SystemFailure failure_of(int code) {
  switch (code) {
    case ENOENT: return SystemFailure::no_such_file;
    case EACCES:
    case EPERM: return SystemFailure::permission_denied;
    case ENOSPC:
    case EDQUOT: return SystemFailure::no_space;
    case EFBIG: return SystemFailure::file_too_large;
    case EROFS: return SystemFailure::read_only_file_system;
    case EISDIR: return SystemFailure::is_a_folder;
    case ENOTDIR: return SystemFailure::not_a_folder;
    case EEXIST: return SystemFailure::exists;
    case EIO: return SystemFailure::device_error;
    default: return SystemFailure::other;
  }
}

std::string system_reason() { return PosixPlatform::reason_of(errno); }

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

// Folder part of a path, for opening the folder itself.
std::string folder_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string name_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Flushes a folder, so that a rename in it survives a power cut. A file
// system that cannot flush a folder (it says EINVAL) keeps its names some
// other way: nothing more can be done there.
bool flush_folder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0 || errno == EINVAL;
  const int saved = errno;
  ::close(fd);
  errno = saved;
  return ok;
}

}  // namespace

// A file size limit (ulimit -f) would kill the program with SIGXFSZ in the
// middle of a write, leaving the lock and a temporary file behind and the
// user without a word; ignored, it makes the write fail with EFBIG, which
// ends the run like every other failed write.
PosixPlatform::PosixPlatform(std::string folder) : folder_(std::move(folder)) { std::signal(SIGXFSZ, SIG_IGN); }

PosixPlatform::~PosixPlatform() { release_lock(); }

std::string PosixPlatform::reason_of(int code) { return reason_text(failure_of(code), std::strerror(code)); }

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
    reason = reason_of(EISDIR);
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
  const std::string temporary = temporary_name(path, static_cast<unsigned long>(::getpid()));
  auto create = [&] {
    return ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
  };
  int fd = allow(Step::create, path) ? create() : -1;
  if (fd < 0 && errno == EEXIST) {
    // Left by a killed process that had this program's number: no live
    // process but this one can be writing it.
    ::unlink(temporary.c_str());
    fd = create();
  }
  if (fd < 0) {
    reason = system_reason();
    return false;
  }
  // The bytes reach the disk before the name does: a power cut after the
  // rename must not leave the name on a file whose blocks were never written.
  bool ok = allow(Step::write, path) && write_all(fd, bytes);
  ok = ok && allow(Step::flush, path) && (!flushes || ::fsync(fd) == 0);
  if (!ok) reason = system_reason();
  if (::close(fd) != 0 && ok) {
    ok = false;
    reason = system_reason();
  }
  if (ok && (!allow(Step::rename, path) || ::rename(temporary.c_str(), path.c_str()) != 0)) {
    ok = false;
    reason = system_reason();
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  // The new name itself lives in the folder, which is flushed in turn.
  if (!allow(Step::flush_folder, path) || (flushes && !flush_folder(folder_of(path)))) {
    reason = system_reason();
    return false;
  }
  return true;
}

void PosixPlatform::remove_stale_temporaries(const std::vector<std::string>& paths) {
  if (paths.empty()) return;
  const std::string folder = folder_of(paths.front());
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;  // the writes that follow will say what is wrong
  std::vector<std::string> stale;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name = entry->d_name;
    for (const std::string& path : paths) {
      if (is_temporary_of(name, name_of(path))) {
        stale.push_back(folder + "/" + std::string(name));
        break;
      }
    }
  }
  ::closedir(dir);
  for (const std::string& file : stale) ::unlink(file.c_str());
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
      reason = r < 0 ? system_reason() : "il file è più corto del previsto";
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

bool PosixPlatform::create_folder(const std::string& path, std::string& reason) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    reason = reason_of(ENOTDIR);
    return false;
  }
  const std::string above = folder_of(path);
  if (above != path && above != "." && above != "/" && !create_folder(above, reason)) return false;
  if (::mkdir(path.c_str(), 0755) == 0 || (errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
    return true;
  }
  reason = system_reason();
  return false;
}

bool PosixPlatform::read_input(std::string& bytes, std::string& reason) {
  bytes.clear();
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      reason = system_reason();
      return false;
    }
    if (n == 0) return true;
    bytes.append(chunk, static_cast<size_t>(n));
  }
}

bool PosixPlatform::write_output(std::string_view text, bool& closed, std::string& reason) {
  std::fflush(stdout);
  closed = false;
  if (write_all(STDOUT_FILENO, text)) return true;
  closed = errno == EPIPE;
  reason = system_reason();
  return false;
}

bool PosixPlatform::read_input_some(std::string& bytes, bool& ended, std::string& reason) {
  ended = false;
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      reason = system_reason();
      return false;
    }
    ended = n == 0;
    bytes.append(chunk, static_cast<size_t>(n));
    return true;
  }
}

bool PosixPlatform::input_waiting(int milliseconds) {
  pollfd p{STDIN_FILENO, POLLIN, 0};
  for (;;) {
    const int n = ::poll(&p, 1, milliseconds);
    if (n < 0 && errno == EINTR) continue;
    return n != 0;  // a failure is left to the read that follows
  }
}

bool PosixPlatform::list_folder(const std::string& path, std::vector<std::string>& names, std::string& reason) {
  names.clear();
  DIR* dir = ::opendir(path.empty() ? "." : path.c_str());
  if (dir == nullptr) {
    reason = system_reason();
    return false;
  }
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return true;
}

// Room of half a large page or more is taken in whole large pages, aligned,
// and the system is asked to back it with them: laying the 20 MB line table
// then touches ten pages instead of five thousand, each of which costs a
// fault (dearer still in a virtual machine) and a page cleared on its own.
// The request is a hint: refused, or where large pages are off, the room
// is ordinary memory.
Room PosixPlatform::take_room(size_t size) {
  constexpr size_t kLargePage = size_t{2} << 20;
  if (size < kLargePage / 2) return Platform::take_room(size);
  const size_t whole = (size + kLargePage - 1) / kLargePage * kLargePage;
  void* p = std::aligned_alloc(kLargePage, whole);
  if (p == nullptr) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  madvise(p, whole, MADV_HUGEPAGE);
#endif
  return Room(static_cast<char*>(p), RoomRelease{[](char* q) { std::free(q); }});
}

bool PosixPlatform::lock_run(const std::string& path, LockRefusal& refusal, std::string& reason) {
  refusal = LockRefusal::other;
  // A run that ends removes its lock file; one that opened the file just
  // before may then hold a lock on a removed file, so the lock counts only
  // while the name still leads to the locked file.
  for (int tentativo = 0; tentativo < 100; ++tentativo) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EACCES || errno == EPERM || errno == EROFS) refusal = LockRefusal::folder_not_writable;
      reason = system_reason();
      return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno == EWOULDBLOCK) refusal = LockRefusal::busy;
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
      refusal = LockRefusal::none;
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

void PosixPlatform::show_window(const std::string& /*caption*/, const std::string& label) { show_message(label); }

void PosixPlatform::show_message(const std::string& text) {
  std::fflush(stderr);
  if (!write_all(STDERR_FILENO, text + "\n")) message_lost_ = true;
}

void PosixPlatform::terminate_program(int status) {
  release_lock();
  std::fflush(nullptr);
  std::exit(status);
}

}  // namespace ferrovello
