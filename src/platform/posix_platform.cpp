#include "platform/posix_platform.h"

#include <fcntl.h>
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
  const std::string temporary = path + "." + std::to_string(::getpid()) + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
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
  if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    reason = system_reason();
  }
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

bool PosixPlatform::delete_file(const std::string& path, std::string& reason) {
  if (::unlink(path.c_str()) == 0) return true;
  reason = system_reason();
  return false;
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
  std::fflush(nullptr);
  std::exit(status);
}

}  // namespace ferrovello
