// A platform whose files live in memory, for the fuzz targets: the scripts
// are served from a map and the files written land in it. Nothing on these
// paths may end the program; if something does, it is a finding, so ending
// aborts for the fuzzer to report it.
#pragma once

#include <cstdlib>
#include <map>
#include <string>

#include "platform/platform.h"

namespace ferrovello::fuzz {

class MemoryPlatform : public Platform {
 public:
  std::map<std::string, std::string> files;

  std::string program_folder() override { return "fuzz"; }
  char separator() const override { return '/'; }
  bool exists(const std::string& path) override { return files.count(path) != 0; }
  bool read_file(const std::string& path, std::string& bytes, std::string& reason) override {
    const auto it = files.find(path);
    if (it == files.end()) {
      reason = "file assente";
      return false;
    }
    bytes = it->second;
    return true;
  }
  bool replace_file(const std::string& path, std::string_view bytes, std::string&) override {
    files[path] = std::string(bytes);
    return true;
  }
  bool delete_file(const std::string& path, std::string& reason) override {
    if (files.erase(path) != 0) return true;
    reason = "file assente";
    return false;
  }
  bool lock_run(const std::string&, bool& busy, std::string&) override {
    busy = false;
    return true;
  }
  void show_window(const std::string&, const std::string&) override {}
  void show_message(const std::string&) override {}

 protected:
  void terminate_program(int) override { std::abort(); }
};

}  // namespace ferrovello::fuzz
