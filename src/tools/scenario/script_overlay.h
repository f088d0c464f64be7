// The authors' tool compiles scripts given by the author through the same
// code path as the installer. This platform serves those scripts under the
// names the compiler opens, from memory, so that the author's files are
// never deleted or changed; every other call goes to the real platform.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace ferrovello {

class ScriptOverlay : public Platform {
 public:
  // With `in_memoria` the files the compiler writes are kept in memory
  // instead of being written.
  explicit ScriptOverlay(Platform& base, bool in_memoria = false) : base_(base), in_memoria_(in_memoria) {}

  // Serves `bytes` as the file `path` until the compiler deletes it.
  void offri(const std::string& path, std::string bytes) { scripts_[path] = std::move(bytes); }
  const std::vector<std::string>& scritti() const { return scritti_; }

  std::string program_folder() override { return base_.program_folder(); }
  char separator() const override { return base_.separator(); }
  bool exists(const std::string& path) override {
    return scripts_.count(path) != 0 || (!ombra(path) && base_.exists(path));
  }
  bool read_file(const std::string& path, std::string& bytes, std::string& reason) override;
  // A served script from memory, any other file from the platform, both
  // held to `limit`.
  bool read_file_up_to(const std::string& path, uint64_t limit, std::string& bytes, bool& too_large,
                       std::string& reason) override;
  bool replace_file(const std::string& path, std::string_view bytes, std::string& reason) override;
  void hold_folder_flushes() override {
    if (!in_memoria_) base_.hold_folder_flushes();
  }
  bool flush_held_folders(std::string& reason) override {
    return in_memoria_ || base_.flush_held_folders(reason);
  }
  // Kept in memory, the pieces of a file are not worth writing one by one.
  bool writes_pieces() const override { return !in_memoria_ && base_.writes_pieces(); }
  bool open_pieces(const std::string& path, PiecesFile& file, std::string& reason) override {
    return in_memoria_ ? Platform::open_pieces(path, file, reason) : base_.open_pieces(path, file, reason);
  }
  bool write_piece(PiecesFile& file, uint64_t offset, std::string_view bytes, std::string& reason) override {
    return in_memoria_ ? Platform::write_piece(file, offset, bytes, reason)
                       : base_.write_piece(file, offset, bytes, reason);
  }
  bool commit_pieces(PiecesFile& file, std::string& reason) override;
  void abandon_pieces(PiecesFile& file) override {
    if (in_memoria_) {
      Platform::abandon_pieces(file);
    } else {
      base_.abandon_pieces(file);
    }
  }
  void remove_stale_temporaries(const std::vector<std::string>& paths) override {
    if (!in_memoria_) base_.remove_stale_temporaries(paths);
  }
  bool delete_file(const std::string& path, std::string& reason) override;
  bool read_program_bytes(bool from_end, uint64_t count, std::string& bytes, uint64_t& size,
                          std::string& reason) override {
    return base_.read_program_bytes(from_end, count, bytes, size, reason);
  }
  Room take_room(size_t size) override { return base_.take_room(size); }
  bool lock_run(const std::string& path, LockRefusal& refusal, std::string& reason) override {
    return base_.lock_run(path, refusal, reason);
  }
  bool create_folder(const std::string& path, std::string& reason) override {
    return base_.create_folder(path, reason);
  }
  bool read_input(std::string& bytes, std::string& reason) override { return base_.read_input(bytes, reason); }
  bool read_input_up_to(uint64_t limit, std::string& bytes, bool& too_large, std::string& reason) override {
    return base_.read_input_up_to(limit, bytes, too_large, reason);
  }
  bool write_output(std::string_view text, bool& closed, std::string& reason) override {
    return base_.write_output(text, closed, reason);
  }
  bool read_input_some(std::string& bytes, bool& ended, std::string& reason) override {
    return base_.read_input_some(bytes, ended, reason);
  }
  bool input_waiting(int milliseconds) override { return base_.input_waiting(milliseconds); }
  bool list_folder(const std::string& path, std::vector<std::string>& names, std::string& reason) override {
    return base_.list_folder(path, names, reason);
  }
  void show_window(const std::string&, const std::string&) override {}
  void show_message(const std::string& text) override {
    if (mostra) {
      mostra(text);
    } else {
      base_.show_message(text);
    }
  }
  bool message_lost() const override { return base_.message_lost(); }
  // When set, takes the messages in place of the real platform.
  std::function<void(const std::string&)> mostra;
 protected:
  void terminate_program(int status) override { base_.end_program(status); }

 private:
  // A served script that was deleted still hides a real file of its name.
  bool ombra(const std::string& path) const { return eliminati_.count(path) != 0; }

  Platform& base_;
  bool in_memoria_;
  std::map<std::string, std::string> scripts_;
  std::map<std::string, bool> eliminati_;
  std::vector<std::string> scritti_;
};

}  // namespace ferrovello
