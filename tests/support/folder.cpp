#include "support/folder.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace ferrovello::test {

namespace fs = std::filesystem;

TempFolder::TempFolder() {
  std::string pattern = (fs::temp_directory_path() / "ferrovello-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool file_exists(const std::string& path) { return fs::exists(path); }

std::vector<std::string> list_folder(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(path)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool split_crlf(const std::string& bytes, std::vector<std::string>& lines) {
  lines.clear();
  size_t start = 0;
  while (start < bytes.size()) {
    const size_t cr = bytes.find("\r\n", start);
    if (cr == std::string::npos) return false;
    std::string line = bytes.substr(start, cr - start);
    if (line.find('\r') != std::string::npos || line.find('\n') != std::string::npos) return false;
    lines.push_back(line);
    start = cr + 2;
  }
  return true;
}

namespace {
RunResult run_in(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                 const std::string& output, const std::string& working_folder);
}  // namespace

RunResult run(const std::string& program, const std::vector<std::string>& args, const std::string& working_folder) {
  return run_in(program, args, "/dev/null", "", working_folder);
}

RunResult run_with(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                   const std::string& output) {
  return run_in(program, args, input, output, {});
}

namespace {

RunResult run_in(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                 const std::string& output, const std::string& working_folder) {
  TempFolder capture;
  const std::string out_path = output.empty() ? capture.file("out") : output;
  const std::string err_path = capture.file("err");
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open(input.c_str(), O_RDONLY);
    const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    if (!working_folder.empty() && ::chdir(working_folder.c_str()) != 0) ::_exit(127);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  RunResult r;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (output.empty()) r.out = read_bytes(out_path);
  r.err = read_bytes(err_path);
  return r;
}

}  // namespace

RunResult run_limited(const std::string& program, const std::vector<std::string>& args, int resource,
                      unsigned long limit) {
  TempFolder capture;
  const pid_t pid = ::fork();
  if (pid == 0) {
    for (const int s : {SIGXFSZ, SIGINT, SIGTERM, SIGHUP}) ::signal(s, SIG_DFL);
    if (limit != 0) {
      const rlimit rl{limit, limit};
      ::setrlimit(resource, &rl);
    }
    const int in = ::open("/dev/null", O_RDONLY);
    const int out = ::open("/dev/null", O_WRONLY);
    const int err = ::open(capture.file("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  RunResult r;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.err = read_bytes(capture.file("err"));
  r.peak_kb = usage.ru_maxrss;
  return r;
}

RunResult run_installer_in(const std::string& folder) {
  const std::string copy = folder + "/ferrovello";
  fs::copy_file(INSTALLER_PATH, copy, fs::copy_options::overwrite_existing);
  RunResult r = run(copy, {}, "/");
  fs::remove(copy);
  return r;
}

}  // namespace ferrovello::test
