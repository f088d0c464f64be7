// A platform whose files live in memory, for timing the program's own work
// without the operating system's. Served files stay after a delete, so that
// one compilation can be repeated; written files are kept or only counted.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "platform/platform.h"

namespace ferrovello::bench {

class MemoryPlatform : public Platform {
 public:
  std::map<std::string, std::string> files;  // served to exists and read_file
  std::map<std::string, size_t> written;     // size of every file replaced
  bool keep_written = true;                  // false: writes are only counted

  std::string program_folder() override { return "mem"; }
  char separator() const override { return '/'; }
  bool exists(const std::string& path) override { return files.count(path) != 0; }
  bool read_file(const std::string& path, std::string& bytes, std::string& reason) override {
    const auto it = files.find(path);
    if (it == files.end()) {
      reason = "no such file";
      return false;
    }
    bytes = it->second;
    return true;
  }
  bool replace_file(const std::string& path, std::string_view bytes, std::string&) override {
    written[path] = bytes.size();
    if (keep_written) files[path] = std::string(bytes);
    return true;
  }
  bool delete_file(const std::string&, std::string&) override { return true; }
  void show_window(const std::string&, const std::string&) override {}
  void show_message(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }

 protected:
  void terminate_program(int status) override {
    std::fprintf(stderr, "the program ended with status %d inside a benchmark\n", status);
    std::abort();
  }
};

}  // namespace ferrovello::bench
