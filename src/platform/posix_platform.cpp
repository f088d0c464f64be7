#include "platform/posix_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "platform/interruption.h"
#include "platform/system_reasons.h"
#include "platform/visible_text.h"

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

// Writes all of `bytes` at `offset`, going on after short writes and
// interruptions.
bool pwrite_all(int fd, std::string_view bytes, uint64_t offset) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::pwrite(fd, p, left, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
    offset += static_cast<uint64_t>(n);
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

// Reads from `fd` until its end, or until more than `limit` bytes have come
// (`too_large`, and no bytes kept): never more than `limit` + 1 bytes are
// asked for, so a file that grows while it is read, or a stream with no end,
// costs no more than that. An ordinary file larger than `limit` is known by
// its size before anything is read.
bool read_up_to(int fd, uint64_t limit, std::string& bytes, bool& too_large) {
  struct stat st {};
  too_large = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<uint64_t>(st.st_size) > limit;
  char chunk[65536];
  while (!too_large) {
    const uint64_t left = limit - bytes.size();
    const size_t ask = left < sizeof chunk ? static_cast<size_t>(left) + 1 : sizeof chunk;
    const ssize_t n = ::read(fd, chunk, ask);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    too_large = static_cast<uint64_t>(n) > left;
    if (!too_large) bytes.append(chunk, static_cast<size_t>(n));
  }
  if (too_large) std::string().swap(bytes);
  return true;
}

// The reason for refusing a file of mode `mode` that is not a regular one.
std::string refusal_of(mode_t mode) {
  return S_ISDIR(mode) ? PosixPlatform::reason_of(EISDIR) : reason_text(SystemFailure::not_a_regular_file, {});
}

// An author's file opened for reading, or -1 with `reason`: only a regular
// file, after the links are followed. O_NONBLOCK makes opening a pipe with
// no writer return at once and O_NOCTTY keeps a terminal from becoming the
// program's; what was opened is then checked on its descriptor, so a name
// changed in between cannot slip a device or a pipe in. A name that shows a
// device already is not opened at all (opening some devices does things).
int open_regular(const std::string& path, std::string& reason) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    reason = refusal_of(st.st_mode);
    return -1;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    reason = system_reason();
    if (fd >= 0) ::close(fd);
    return -1;
  }
  if (S_ISREG(st.st_mode)) return fd;
  reason = refusal_of(st.st_mode);
  ::close(fd);
  return -1;
}

// Ctrl-C, SIGTERM or a closed terminal: the run's temporary file, lock and
// scripts go, and the program ends by the same signal, as it would have.
extern "C" void on_interruption(int signal_number) {
  remove_run_files();
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

void catch_interruptions() {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction now {};
    // A signal ignored when the program started (nohup) stays ignored.
    if (::sigaction(signal_number, nullptr, &now) != 0 || now.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = on_interruption;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace

// A file size limit (ulimit -f) would kill the program with SIGXFSZ in the
// middle of a write, leaving the lock and a temporary file behind and the
// user without a word; ignored, it makes the write fail with EFBIG, which
// ends the run like every other failed write.
PosixPlatform::PosixPlatform(std::string folder) : folder_(std::move(folder)) {
  std::signal(SIGXFSZ, SIG_IGN);
  catch_interruptions();
}

PosixPlatform::~PosixPlatform() { release_lock(); }

std::string PosixPlatform::reason_of(int code) { return reason_text(failure_of(code), std::strerror(code)); }

std::string PosixPlatform::executable_folder() {
  // The system cannot say a path longer than its own buffer (4096 bytes):
  // no folder then, never another one.
  std::string path(4096, '\0');
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) return {};
    if (static_cast<size_t>(n) < path.size()) {
      path.resize(static_cast<size_t>(n));
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
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

bool PosixPlatform::read_file_up_to(const std::string& path, uint64_t limit, std::string& bytes, bool& too_large,
                                    std::string& reason) {
  bytes.clear();
  too_large = false;
  if (!allow(Step::read, path)) {
    reason = system_reason();
    return false;
  }
  const int fd = open_regular(path, reason);
  if (fd < 0) return false;
  if (!read_up_to(fd, limit, bytes, too_large)) {
    reason = system_reason();
    ::close(fd);
    bytes.clear();
    return false;
  }
  ::close(fd);
  return true;
}

bool PosixPlatform::read_file(const std::string& path, std::string& bytes, std::string& reason) {
  bool too_large = false;
  return read_file_up_to(path, UINT64_MAX, bytes, too_large, reason);
}

bool PosixPlatform::replace_file(const std::string& path, std::string_view bytes, std::string& reason) {
  return replace_with_mode(path, bytes, 0644, reason);
}

bool PosixPlatform::replace_program_file(const std::string& path, std::string_view bytes, std::string& reason) {
  return replace_with_mode(path, bytes, 0755, reason);
}

bool PosixPlatform::replace_with_mode(const std::string& path, std::string_view bytes, unsigned mode,
                                      std::string& reason) {
  const int fd = create_temporary(path, mode, reason);
  if (fd < 0) return false;
  const bool ok = allow(Step::write, path) && write_all(fd, bytes);
  if (!ok) reason = system_reason();
  return put_in_place(fd, path, ok, reason);
}

// The temporary file of `path`, created empty; -1 with `reason` on failure.
int PosixPlatform::create_temporary(const std::string& path, unsigned mode, std::string& reason) {
  const std::string temporary = temporary_name(path, static_cast<unsigned long>(::getpid()));
  auto create = [&] {
    return ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, static_cast<mode_t>(mode));
  };
  name_run_file(RunFile::temporary, temporary);
  int fd = allow(Step::create, path) ? create() : -1;
  if (fd < 0 && errno == EEXIST) {
    // Left by a killed process that had this program's number: no live
    // process but this one can be writing it.
    ::unlink(temporary.c_str());
    fd = create();
  }
  if (fd < 0) {
    reason = system_reason();
    name_run_file(RunFile::temporary, {});
  }
  return fd;
}

// Flushes and closes the temporary file `fd` of `path`, whose bytes were
// written when `ok`, and renames it over `path`; on any failure it is
// removed. Then the folder is flushed, or held for flush_held_folders.
bool PosixPlatform::put_in_place(int fd, const std::string& path, bool ok, std::string& reason) {
  const std::string temporary = temporary_name(path, static_cast<unsigned long>(::getpid()));
  // The bytes reach the disk before the name does: a power cut after the
  // rename must not leave the name on a file whose blocks were never written.
  if (ok && !(allow(Step::flush, path) && ::fsync(fd) == 0)) {
    ok = false;
    reason = system_reason();
  }
  if (::close(fd) != 0 && ok) {
    ok = false;
    reason = system_reason();
  }
  if (ok && (!allow(Step::rename, path) || ::rename(temporary.c_str(), path.c_str()) != 0)) {
    ok = false;
    reason = system_reason();
  }
  if (!ok) ::unlink(temporary.c_str());
  name_run_file(RunFile::temporary, {});
  if (!ok) return false;
  // The new name itself lives in the folder, which is flushed in turn.
  if (holding_) {
    const std::string folder = folder_of(path);
    if (std::find(held_.begin(), held_.end(), folder) == held_.end()) held_.push_back(folder);
    return true;
  }
  return flush_folder_of(folder_of(path), reason);
}

bool PosixPlatform::flush_folder_of(const std::string& folder, std::string& reason) {
  if (!allow(Step::flush_folder, folder) || !flush_folder(folder)) {
    reason = system_reason();
    return false;
  }
  return true;
}

bool PosixPlatform::flush_held_folders(std::string& reason) {
  holding_ = false;
  std::vector<std::string> folders;
  folders.swap(held_);
  bool ok = true;
  for (const std::string& folder : folders) {
    std::string why;
    if (!flush_folder_of(folder, why) && ok) {
      ok = false;
      reason = why;
    }
  }
  return ok;
}

bool PosixPlatform::open_pieces(const std::string& path, PiecesFile& file, std::string& reason) {
  file = PiecesFile{path, -1, {}};
  const int fd = create_temporary(path, 0644, reason);
  if (fd < 0) return false;
  file.handle = fd;
  return true;
}

// The pieces are written in the order they came, by one thread beside the
// program's own, from bytes that stay put until the file is committed or
// abandoned; a failure is kept for the commit to report.
struct PosixPlatform::PieceQueue {
  struct Piece {
    int fd;
    uint64_t offset;
    std::string_view bytes;
  };
  std::mutex mutex;
  std::condition_variable changed;  // a piece queued, one written, or the end
  std::deque<Piece> queue;
  bool writing = false;  // the first piece of the queue is being written
  bool ending = false;
  std::map<int, int> failures;  // the first failure of each file
  std::thread thread;

  void run() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
      changed.wait(lock, [&] { return ending || !queue.empty(); });
      if (queue.empty()) return;
      const Piece p = queue.front();
      writing = true;
      lock.unlock();
      const int error = pwrite_all(p.fd, p.bytes, p.offset) ? 0 : errno;
      lock.lock();
      writing = false;
      queue.pop_front();
      if (error != 0) failures.emplace(p.fd, error);
      changed.notify_all();
    }
  }
  ~PieceQueue() {
    {
      std::lock_guard<std::mutex> lock(mutex);
      ending = true;
      queue.clear();
    }
    changed.notify_all();
    if (thread.joinable()) thread.join();
  }
};

bool PosixPlatform::write_piece(PiecesFile& file, uint64_t offset, std::string_view bytes, std::string& reason) {
  if (!allow(Step::write, file.path)) {
    reason = system_reason();
    return false;
  }
  if (!pieces_ && !pieces_here_) {
    // A thread needs room for its stack: where the system refuses it (a
    // process short of memory), the pieces are written here, in order.
    auto queue = std::make_unique<PieceQueue>();
    try {
      queue->thread = std::thread(&PieceQueue::run, queue.get());
      pieces_ = std::move(queue);
    } catch (const std::system_error&) {
      pieces_here_ = true;
    }
  }
  if (!pieces_) {
    if (pwrite_all(static_cast<int>(file.handle), bytes, offset)) return true;
    reason = system_reason();
    return false;
  }
  {
    std::lock_guard<std::mutex> lock(pieces_->mutex);
    pieces_->queue.push_back({static_cast<int>(file.handle), offset, bytes});
  }
  pieces_->changed.notify_all();
  return true;
}

int PosixPlatform::wait_for_pieces(int fd, bool drop) {
  if (!pieces_) return 0;
  std::unique_lock<std::mutex> lock(pieces_->mutex);
  auto& q = pieces_->queue;
  if (drop) {
    // All but the piece being written, which is the first.
    const auto keep = q.begin() + (pieces_->writing && !q.empty() ? 1 : 0);
    q.erase(std::remove_if(keep, q.end(), [&](const PieceQueue::Piece& p) { return p.fd == fd; }), q.end());
  }
  pieces_->changed.wait(lock, [&] {
    return std::none_of(q.begin(), q.end(), [&](const PieceQueue::Piece& p) { return p.fd == fd; });
  });
  const auto it = pieces_->failures.find(fd);
  if (it == pieces_->failures.end()) return 0;
  const int error = it->second;
  pieces_->failures.erase(it);
  return error;
}

bool PosixPlatform::commit_pieces(PiecesFile& file, std::string& reason) {
  const int fd = static_cast<int>(file.handle);
  file.handle = -1;
  const int error = wait_for_pieces(fd, false);
  if (error != 0) reason = reason_of(error);
  return put_in_place(fd, file.path, error == 0, reason);
}

void PosixPlatform::abandon_pieces(PiecesFile& file) {
  if (file.handle < 0) return;
  const int fd = static_cast<int>(file.handle);
  file.handle = -1;
  wait_for_pieces(fd, true);
  ::close(fd);
  ::unlink(temporary_name(file.path, static_cast<unsigned long>(::getpid())).c_str());
  name_run_file(RunFile::temporary, {});
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
  bool too_large = false;
  return read_input_up_to(UINT64_MAX, bytes, too_large, reason);
}

bool PosixPlatform::read_input_up_to(uint64_t limit, std::string& bytes, bool& too_large, std::string& reason) {
  bytes.clear();
  if (read_up_to(STDIN_FILENO, limit, bytes, too_large)) return true;
  reason = system_reason();
  return false;
}

bool PosixPlatform::write_named_output(const std::string& path, std::string_view bytes, bool program,
                                       std::string& reason) {
  // A link stands for the file it names, followed to its end (which may not
  // exist yet: it is then created).
  std::string target = path;
  for (int links = 0; links < 40; ++links) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    std::string named(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
    const ssize_t n = ::readlink(target.c_str(), named.data(), named.size());
    if (n <= 0 || static_cast<size_t>(n) >= named.size()) {
      reason = n <= 0 ? system_reason() : reason_of(ENAMETOOLONG);
      return false;
    }
    named.resize(static_cast<size_t>(n));
    target = named.front() == '/' ? named : folder_of(target) + "/" + named;
  }
  struct stat st {};
  if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    reason = reason_of(ELOOP);  // links that lead back to themselves
    return false;
  }
  if (::stat(target.c_str(), &st) != 0 || S_ISREG(st.st_mode) || S_ISDIR(st.st_mode)) {
    return replace_with_mode(target, bytes, program ? 0755 : 0644, reason);
  }
  // A device or a pipe is written into as it stands: no temporary file, no rename.
  const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) {
    reason = system_reason();
    return false;
  }
  bool ok = write_all(fd, bytes);
  if (!ok) reason = system_reason();
  if (::close(fd) != 0 && ok) {
    ok = false;
    reason = system_reason();
  }
  return ok;
}

void PosixPlatform::remove_if_interrupted(int slot, const std::string& path) {
  name_run_file(slot == 0 ? RunFile::line_script : RunFile::train_script, path);
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

namespace {

constexpr size_t kLargePage = size_t{2} << 20;

// The pages of a large room are made ready (cleared and mapped) by a thread
// of their own, ahead of the program's first touch: otherwise the laying of
// the 20 MB line table stops at every new page while the system clears it.
// Both halves are made ready side by side, as the table's two entries are
// laid. One room at a time: the line table's.
struct RoomFiller {
  std::mutex mutex;
  char* room = nullptr;
  std::atomic<bool> stop{false};
  std::thread thread;

  // A program that ends with its room still taken ends the filling first.
  ~RoomFiller() {
    stop = true;
    if (thread.joinable()) thread.join();
  }

  static void fill(char* p, size_t size, std::atomic<bool>* stop) {
#ifdef MADV_POPULATE_WRITE
    const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    const size_t half = size / 2 / page * page;
    for (size_t at = 0; at < size - half && !stop->load(std::memory_order_relaxed); at += kLargePage) {
      for (const size_t start : {at, half + at}) {
        const size_t end = std::min(start + kLargePage, start < half ? half : size);
        // Refused (a system without the request): the pages are made as they are touched.
        if (start < end && ::madvise(p + start, end - start, MADV_POPULATE_WRITE) != 0) return;
      }
    }
#else
    (void)p, (void)size, (void)stop;
#endif
  }
  // Ends the filling of `p`, or of any room, before its memory is freed.
  void end(char* p) {
    std::lock_guard<std::mutex> lock(mutex);
    if (p != nullptr && p != room) return;
    stop = true;
    if (thread.joinable()) thread.join();
    room = nullptr;
  }
  void start(char* p, size_t size) {
    end(nullptr);
    std::lock_guard<std::mutex> lock(mutex);
    stop = false;
    try {
      thread = std::thread(fill, p, size, &stop);
      room = p;
    } catch (const std::system_error&) {
      // No room for a thread's stack: the pages are made as they are touched.
    }
  }
};

RoomFiller& room_filler() {
  static RoomFiller filler;
  return filler;
}

}  // namespace

// Room of half a large page or more is taken in whole large pages, aligned,
// and the system is asked to back it with them: laying the 20 MB line table
// then touches ten pages instead of five thousand, each of which costs a
// fault (dearer still in a virtual machine) and a page cleared on its own.
// The request is a hint: refused, or where large pages are off, the room
// is ordinary memory. Room of four large pages or more is made ready ahead
// (RoomFiller); below that a thread would cost more than it saves.
Room PosixPlatform::take_room(size_t size) {
  if (size < kLargePage / 2) return Platform::take_room(size);
  const size_t whole = (size + kLargePage - 1) / kLargePage * kLargePage;
  void* p = std::aligned_alloc(kLargePage, whole);
  if (p == nullptr) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  madvise(p, whole, MADV_HUGEPAGE);
#endif
  if (whole >= 4 * kLargePage) room_filler().start(static_cast<char*>(p), size);
  return Room(static_cast<char*>(p), RoomRelease{[](char* q) {
                room_filler().end(q);
                std::free(q);
              }});
}

bool PosixPlatform::lock_run(const std::string& path, LockRefusal& refusal, std::string& reason) {
  refusal = LockRefusal::other;
  // No interruption between the lock file's creation and its naming for
  // removal: one that comes meanwhile waits until the lock is named.
  sigset_t interruptions;
  sigset_t before;
  sigemptyset(&interruptions);
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interruptions, signal_number);
  ::sigprocmask(SIG_BLOCK, &interruptions, &before);
  const bool taken = take_lock(path, refusal, reason);
  ::sigprocmask(SIG_SETMASK, &before, nullptr);
  return taken;
}

bool PosixPlatform::take_lock(const std::string& path, LockRefusal& refusal, std::string& reason) {
  // A run that ends removes its lock file; one that opened the file just
  // before may then hold a lock on a removed file, so the lock counts only
  // while the name still leads to the locked file.
  for (int tentativo = 0; tentativo < 100; ++tentativo) {
    // Never through a link: one named as the lock could make the run
    // create or lock a file anywhere.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EACCES || errno == EPERM || errno == EROFS) refusal = LockRefusal::folder_not_writable;
      reason = errno == ELOOP ? "è un collegamento simbolico, che il blocco non segue: toglilo" : system_reason();
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
      name_run_file(RunFile::lock, path);
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
  name_run_file(RunFile::lock, {});
  ::unlink(lock_path_.c_str());
  ::close(lock_fd_);
  lock_fd_ = -1;
}

void PosixPlatform::show_window(const std::string& /*caption*/, const std::string& label) { show_message(label); }

void PosixPlatform::show_message(const std::string& text) {
  std::fflush(stderr);
  if (!write_all(STDERR_FILENO, visible_text(text) + "\n")) message_lost_ = true;
}

void PosixPlatform::terminate_program(int status) {
  // Whatever the run put in place stays as durable as it would have been
  // with a flush after every rename.
  if (holding_) {
    std::string ignored;
    flush_held_folders(ignored);
  }
  release_lock();
  std::fflush(nullptr);
  std::exit(status);
}

}  // namespace ferrovello
