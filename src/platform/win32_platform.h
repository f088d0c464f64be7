// Windows implementation: wide-character file calls, the progress window and
// the message box. Paths are UTF-8 inside the program and UTF-16 towards
// Windows; a path that is not valid UTF-8 (as a console program's arguments,
// which arrive in the ANSI code page) is read in the ANSI code page.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace ferrovello {

class Win32Platform : public Platform {
 public:
  // How the window and the messages reach the user: a real window and a
  // modal message box (the installer), or lines on standard error (the
  // console tool, as the Linux build does).
  enum class Reports { window, console };

  // An empty folder means the folder of the running executable.
  explicit Win32Platform(std::string folder = {}, Reports reports = Reports::window);
  ~Win32Platform() override;
  Win32Platform(const Win32Platform&) = delete;
  Win32Platform& operator=(const Win32Platform&) = delete;

  std::string program_folder() override;
  char separator() const override { return '\\'; }
  bool exists(const std::string& path) override;
  bool read_file(const std::string& path, std::string& bytes, std::string& reason) override;
  bool read_file_up_to(const std::string& path, uint64_t limit, std::string& bytes, bool& too_large,
                       std::string& reason) override;
  bool write_named_output(const std::string& path, std::string_view bytes, bool program, std::string& reason) override;
  void remove_if_interrupted(int slot, const std::string& path) override;
  // Every rename is written through to the disk: no folder flush is held.
  bool replace_file(const std::string& path, std::string_view bytes, std::string& reason) override;
  bool writes_pieces() const override { return true; }
  bool open_pieces(const std::string& path, PiecesFile& file, std::string& reason) override;
  bool write_piece(PiecesFile& file, uint64_t offset, std::string_view bytes, std::string& reason) override;
  bool commit_pieces(PiecesFile& file, std::string& reason) override;
  void abandon_pieces(PiecesFile& file) override;
  void remove_stale_temporaries(const std::vector<std::string>& paths) override;
  bool delete_file(const std::string& path, std::string& reason) override;
  bool read_program_bytes(bool from_end, uint64_t count, std::string& bytes, uint64_t& size,
                          std::string& reason) override;
  bool lock_run(const std::string& path, LockRefusal& refusal, std::string& reason) override;
  bool create_folder(const std::string& path, std::string& reason) override;
  bool read_input(std::string& bytes, std::string& reason) override;
  bool write_output(std::string_view text, bool& closed, std::string& reason) override;
  bool read_input_some(std::string& bytes, bool& ended, std::string& reason) override;
  bool input_waiting(int milliseconds) override;
  bool list_folder(const std::string& path, std::vector<std::string>& names, std::string& reason) override;
  void show_window(const std::string& caption, const std::string& label) override;
  void show_message(const std::string& text) override;
  bool message_lost() const override { return message_lost_; }

  // Folder of the running executable as GetModuleFileNameW reports it, in
  // UTF-8: everything before the last "\", which is kept for a drive root
  // ("C:\"), as the folder of a program in the root is reported.
  static std::string executable_folder();
  // Title of the message box.
  static constexpr const char* kTitle = "Ferrovello";

 protected:
  void terminate_program(int status) override;

 private:
  void destroy_window();
  void release_lock();

  std::string folder_;
  bool message_lost_ = false;
  Reports reports_;
  void* window_ = nullptr;  // HWND of the progress window
  void* font_ = nullptr;    // HFONT of its label
  void* lock_ = nullptr;    // HANDLE of the run lock, opened to be deleted on close
};

// UTF-8 (or, failing that, ANSI code page) text to UTF-16, and back.
std::wstring to_wide(std::string_view text);
std::string to_utf8(std::wstring_view text);

}  // namespace ferrovello
