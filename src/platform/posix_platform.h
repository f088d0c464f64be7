// POSIX implementation: the window and the message box become lines on
// standard error.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace ferrovello {

class PosixPlatform : public Platform {
 public:
  // An empty folder means the folder of the running executable.
  explicit PosixPlatform(std::string folder = {});
  ~PosixPlatform() override;
  PosixPlatform(const PosixPlatform&) = delete;
  PosixPlatform& operator=(const PosixPlatform&) = delete;

  std::string program_folder() override;
  char separator() const override { return '/'; }
  bool exists(const std::string& path) override;
  bool read_file(const std::string& path, std::string& bytes, std::string& reason) override;
  bool read_file_up_to(const std::string& path, uint64_t limit, std::string& bytes, bool& too_large,
                       std::string& reason) override;
  bool write_named_output(const std::string& path, std::string_view bytes, bool program, std::string& reason) override;
  void remove_if_interrupted(int slot, const std::string& path) override;
  bool replace_file(const std::string& path, std::string_view bytes, std::string& reason) override;
  void remove_stale_temporaries(const std::vector<std::string>& paths) override;
  bool delete_file(const std::string& path, std::string& reason) override;
  bool read_program_bytes(bool from_end, uint64_t count, std::string& bytes, uint64_t& size,
                          std::string& reason) override;
  bool replace_program_file(const std::string& path, std::string_view bytes, std::string& reason) override;
  void hold_folder_flushes() override { holding_ = true; }
  bool flush_held_folders(std::string& reason) override;
  bool writes_pieces() const override { return true; }
  bool open_pieces(const std::string& path, PiecesFile& file, std::string& reason) override;
  bool write_piece(PiecesFile& file, uint64_t offset, std::string_view bytes, std::string& reason) override;
  bool commit_pieces(PiecesFile& file, std::string& reason) override;
  void abandon_pieces(PiecesFile& file) override;
  Room take_room(size_t size) override;
  bool lock_run(const std::string& path, LockRefusal& refusal, std::string& reason) override;
  bool create_folder(const std::string& path, std::string& reason) override;
  bool read_input(std::string& bytes, std::string& reason) override;
  bool read_input_up_to(uint64_t limit, std::string& bytes, bool& too_large, std::string& reason) override;
  bool write_output(std::string_view text, bool& closed, std::string& reason) override;
  bool read_input_some(std::string& bytes, bool& ended, std::string& reason) override;
  bool input_waiting(int milliseconds) override;
  bool list_folder(const std::string& path, std::vector<std::string>& names, std::string& reason) override;
  void show_window(const std::string& caption, const std::string& label) override;
  void show_message(const std::string& text) override;
  bool message_lost() const override { return message_lost_; }

  // The reason said for the system's error number `code`.
  static std::string reason_of(int code);
  // Folder of the running executable, from /proc/self/exe.
  static std::string executable_folder();

 protected:
  void terminate_program(int status) override;

  // The steps of the file calls, for tests that make one of them fail: a
  // hook that returns false makes the step fail as the system would, with
  // errno set.
  enum class Step { create, write, flush, rename, flush_folder, read, remove };
  virtual bool allow(Step, const std::string& /*path*/) { return true; }

 private:
  void release_lock();
  bool take_lock(const std::string& path, LockRefusal& refusal, std::string& reason);
  bool replace_with_mode(const std::string& path, std::string_view bytes, unsigned mode, std::string& reason);
  int create_temporary(const std::string& path, unsigned mode, std::string& reason);
  bool put_in_place(int fd, const std::string& path, bool ok, std::string& reason);
  bool flush_folder_of(const std::string& path, std::string& reason);

  std::string folder_;
  bool message_lost_ = false;
  int lock_fd_ = -1;
  std::string lock_path_;
  bool holding_ = false;           // folder flushes held
  std::vector<std::string> held_;  // folders with renames not yet flushed
  // The thread that writes the pieces of files written in pieces.
  struct PieceQueue;
  std::unique_ptr<PieceQueue> pieces_;
  bool pieces_here_ = false;  // no thread could be had: pieces written as they come
  // Waits until every piece of `fd` is written; its first failure, or 0.
  int wait_for_pieces(int fd, bool drop);
};

}  // namespace ferrovello
