// The one door to the operating system: the program's folder, files, the
// progress window, the message box and ending the program. The installer and
// the authors' tool each pick an implementation; tests point one at a
// temporary folder.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace ferrovello {

inline constexpr const char* kTemporarySuffix = ".tmp";

// Memory taken from a platform, given back by the function it put beside it.
struct RoomRelease {
  void (*release)(char*) = nullptr;
  void operator()(char* p) const { release(p); }
};
using Room = std::unique_ptr<char[], RoomRelease>;

// Why the run lock of a folder was not taken.
enum class LockRefusal { none, busy, folder_not_writable, other };

class Platform {
 public:
  virtual ~Platform() = default;

  // Folder that holds the program file (not the working directory).
  virtual std::string program_folder() = 0;
  // Character put between a folder and a file name.
  virtual char separator() const = 0;

  virtual bool exists(const std::string& path) = 0;
  // Whole file as bytes; on failure `reason` says why.
  virtual bool read_file(const std::string& path, std::string& bytes, std::string& reason) = 0;
  // Replaces the file whole and durably: the bytes go to a temporary file in
  // the same folder (named by temporary_name), which is flushed to the disk,
  // renamed over the target, and the folder flushed too, so that after a
  // power cut the name leads to the old file or to the new one, whole. On
  // failure no temporary file is left and the earlier file is intact, but
  // for a folder that cannot be flushed after the rename: the new file then
  // stands, and the failure is reported all the same.
  virtual bool replace_file(const std::string& path, std::string_view bytes, std::string& reason) = 0;
  // Removes the temporary files that replace_file leaves for these targets
  // when a program is killed while writing them (the target's name, a dot,
  // a process number, ".tmp"); nothing else is touched. Only while holding
  // the run lock of their folder, so that no other run is writing them.
  virtual void remove_stale_temporaries(const std::vector<std::string>& paths) = 0;
  virtual bool delete_file(const std::string& path, std::string& reason) = 0;
  // The last (`from_end`) or the first `count` bytes of the program's own
  // file, all of it when it is shorter, and the file's size: for the
  // scenario a package carries at its end. Only those bytes are read.
  virtual bool read_program_bytes(bool from_end, uint64_t count, std::string& bytes, uint64_t& size,
                                  std::string& reason) = 0;
  // As replace_file, for a program: on POSIX systems the file can be run.
  virtual bool replace_program_file(const std::string& path, std::string_view bytes, std::string& reason) {
    return replace_file(path, bytes, reason);
  }
  // Room of `size` bytes, not set, for a file laid in memory before it is
  // written whole (the line table, up to 20 MB). Touching fresh memory page
  // by page is most of the cost of laying such a file; a platform may back
  // the room with large pages, touched hundreds of times less often. Throws
  // std::bad_alloc as new does.
  virtual Room take_room(size_t size) {
    return Room(new char[size], RoomRelease{[](char* p) { delete[] p; }});
  }
  // Takes the run lock `path` of a folder for the rest of the process, so
  // that two runs never write into one folder at once. False when it cannot
  // be taken: `refusal` says whether another run holds it or the folder
  // cannot be written, and `reason` says why. The lock file goes when the
  // program ends.
  virtual bool lock_run(const std::string& path, LockRefusal& refusal, std::string& reason) = 0;

  // Creates a folder and the folders above it that are missing; true when
  // it stands at the end.
  virtual bool create_folder(const std::string& path, std::string& reason) = 0;
  // Standard input whole, for the authors' tool.
  virtual bool read_input(std::string& bytes, std::string& reason) = 0;
  // Writes UTF-8 text to standard output, for the authors' tool: as the
  // characters themselves to a console, as bytes to a file or a pipe. False
  // when it cannot be written; `closed` when the reader has gone (a pipe
  // whose reader stopped early), which needs no message.
  virtual bool write_output(std::string_view text, bool& closed, std::string& reason) = 0;
  // Standard input as it comes, for a program that answers messages (the
  // tool's language server): waits until some bytes are there and appends
  // what is there, as bytes, never a line end translated; `ended` when the
  // writer has closed its end. The default reads all of it at once.
  virtual bool read_input_some(std::string& bytes, bool& ended, std::string& reason) {
    std::string all;
    if (!read_input(all, reason)) return false;
    bytes += all;
    ended = true;
    return true;
  }
  // True when standard input has bytes (or its end) to give within
  // `milliseconds`; a platform that cannot tell says true.
  virtual bool input_waiting(int milliseconds) {
    (void)milliseconds;
    return true;
  }
  // The names of the entries of a folder (no "." or ".."), in no order.
  virtual bool list_folder(const std::string& path, std::vector<std::string>& names, std::string& reason) {
    (void)path;
    names.clear();
    reason = "elenco non disponibile";
    return false;
  }

  // Shows the progress window with its one label, painted at once.
  virtual void show_window(const std::string& caption, const std::string& label) = 0;
  // Modal message with one OK button; returns when it is closed.
  virtual void show_message(const std::string& text) = 0;
  // True when a message could not reach the user (standard error full or
  // closed): the program then cannot end as a success.
  virtual bool message_lost() const { return false; }
  // Ends the program at once with the given status.
  [[noreturn]] void end_program(int status) {
    terminate_program(status);
    std::abort();  // an implementation always ends the program itself
  }

 protected:
  virtual void terminate_program(int status) = 0;
};

// Name of the temporary file that replace_file writes for `path` in the
// process numbered `process`: "Ferrovello_2632.sim.4711.tmp".
inline std::string temporary_name(const std::string& path, unsigned long process) {
  return path + "." + std::to_string(process) + kTemporarySuffix;
}

// True when `name` (without its folder) is a temporary file of the target
// named `target` (without its folder), left by any process.
inline bool is_temporary_of(std::string_view name, std::string_view target) {
  const std::string_view suffix = kTemporarySuffix;
  if (name.size() <= target.size() + 1 + suffix.size() || name.substr(0, target.size()) != target ||
      name[target.size()] != '.' || name.substr(name.size() - suffix.size()) != suffix) {
    return false;
  }
  const std::string_view number = name.substr(target.size() + 1, name.size() - target.size() - 1 - suffix.size());
  return number.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace ferrovello
