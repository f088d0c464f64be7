// A platform whose files live in memory: for the fuzz targets and the
// benchmarks, which run the program's own work without the operating
// system's. Nothing on their paths may end the program, so ending aborts
// (a fuzzer reports it as a finding).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace ferrovello {

class MemoryPlatform : public Platform {
 public:
  std::map<std::string, std::string> files;  // served to exists and read_file
  std::map<std::string, size_t> written;     // size of every file replaced
  bool keep_written = true;                  // false: writes are only counted
  bool keep_deleted = false;                 // true: a deleted file stays, so a run can be repeated
  bool print_messages = false;

  std::string program_folder() override { return "mem"; }
  char separator() const override { return '/'; }
  bool exists(const std::string& path) override { return files.count(path) != 0; }
  bool read_file(const std::string& path, std::string& bytes, std::string& reason) override {
    bool too_large = false;
    return read_file_up_to(path, UINT64_MAX, bytes, too_large, reason);
  }
  // A larger file is known by its size, never copied.
  bool read_file_up_to(const std::string& path, uint64_t limit, std::string& bytes, bool& too_large,
                       std::string& reason) override {
    bytes.clear();
    too_large = false;
    const auto it = files.find(path);
    if (it == files.end()) {
      reason = "file assente";
      return false;
    }
    too_large = it->second.size() > limit;
    if (!too_large) bytes = it->second;
    return true;
  }
  bool replace_file(const std::string& path, std::string_view bytes, std::string&) override {
    written[path] = bytes.size();
    if (keep_written) files[path] = std::string(bytes);
    return true;
  }
  void remove_stale_temporaries(const std::vector<std::string>&) override {}
  bool delete_file(const std::string& path, std::string& reason) override {
    if (keep_deleted || files.erase(path) != 0) return true;
    reason = "file assente";
    return false;
  }
  // The program's own file: no package at its end unless one is put there.
  std::string program_file;
  bool read_program_bytes(bool from_end, uint64_t count, std::string& bytes, uint64_t& size, std::string&) override {
    size = program_file.size();
    const size_t n = static_cast<size_t>(count < size ? count : size);
    bytes = program_file.substr(from_end ? program_file.size() - n : 0, n);
    return true;
  }
  bool lock_run(const std::string&, LockRefusal& refusal, std::string&) override {
    refusal = LockRefusal::none;
    return true;
  }
  bool create_folder(const std::string&, std::string&) override { return true; }
  std::string input;   // served to read_input
  std::string output;  // what write_output wrote
  bool read_input(std::string& bytes, std::string&) override {
    bytes = input;
    return true;
  }
  bool write_output(std::string_view text, bool&, std::string&) override {
    output += text;
    return true;
  }
  // The input is served once, whole, then its end.
  bool read_input_some(std::string& bytes, bool& ended, std::string&) override {
    ended = input.empty();
    bytes += input;
    input.clear();
    return true;
  }
  bool input_waiting(int) override { return true; }
  // The files whose path is the folder, a separator and a name.
  bool list_folder(const std::string& path, std::vector<std::string>& names, std::string&) override {
    names.clear();
    const std::string prefix = path.empty() ? std::string() : path + separator();
    for (const auto& [name, bytes] : files) {
      if (name.rfind(prefix, 0) == 0 && name.find(separator(), prefix.size()) == std::string::npos) {
        names.push_back(name.substr(prefix.size()));
      }
    }
    return true;
  }
  void show_window(const std::string&, const std::string&) override {}
  void show_message(const std::string& text) override {
    if (print_messages) std::fprintf(stderr, "%s\n", text.c_str());
  }

 protected:
  void terminate_program(int status) override {
    std::fprintf(stderr, "the program ended with status %d on a platform in memory\n", status);
    std::abort();
  }
};

}  // namespace ferrovello
