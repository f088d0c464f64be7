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

// A file being written in pieces (Platform::open_pieces): the target's name
// and what the platform keeps of its temporary file.
struct PiecesFile {
  std::string path;
  intptr_t handle = -1;  // the platform's handle of the temporary file; -1 when none is open
  std::string bytes;     // the pieces, where the platform gathers them in memory
};

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
  // stands, and the failure is reported all the same. While folder flushes
  // are held, the folder is left to flush_held_folders.
  virtual bool replace_file(const std::string& path, std::string_view bytes, std::string& reason) = 0;
  // A run that replaces many files flushes their folder once, after its last
  // rename, instead of after every one: from here on replace_file and
  // commit_pieces leave the folder unflushed (a power cut may then undo a
  // rename, but every name still leads to an old file or a new one, whole)
  // until flush_held_folders flushes each folder written, once, and goes
  // back to flushing after every rename. A program that ends before that
  // flushes them as it ends, as well as it can.
  virtual void hold_folder_flushes() {}
  virtual bool flush_held_folders(std::string& /*reason*/) { return true; }

  // A file written in pieces while the rest of its bytes are still being
  // made, put in place as replace_file puts a whole file: each piece goes to
  // the temporary file at its offset, commit_pieces flushes the temporary
  // file and renames it over the target, abandon_pieces takes it away. The
  // pieces must cover the file with no gap by the time it is committed.
  // write_piece may return before the piece is written (the POSIX platform
  // writes the pieces in order on a thread of its own): its bytes must stay
  // as they are until commit_pieces or abandon_pieces returns, and a failure
  // to write it is then reported by commit_pieces. By default the pieces are
  // gathered in memory and the whole is replaced at the commit;
  // writes_pieces says whether the platform writes them as they come, so
  // that laying a file and writing it can overlap.
  virtual bool writes_pieces() const { return false; }
  virtual bool open_pieces(const std::string& path, PiecesFile& file, std::string& /*reason*/) {
    file = PiecesFile{path, -1, {}};
    return true;
  }
  virtual bool write_piece(PiecesFile& file, uint64_t offset, std::string_view bytes, std::string& /*reason*/) {
    const size_t end = static_cast<size_t>(offset) + bytes.size();
    if (file.bytes.size() < end) file.bytes.resize(end);
    file.bytes.replace(static_cast<size_t>(offset), bytes.size(), bytes);
    return true;
  }
  virtual bool commit_pieces(PiecesFile& file, std::string& reason) {
    const bool ok = replace_file(file.path, file.bytes, reason);
    file.bytes.clear();
    return ok;
  }
  virtual void abandon_pieces(PiecesFile& file) { file.bytes.clear(); }
  // Removes the temporary files that replace_file leaves for these targets
  // when a program is killed while writing them (the target's name, a dot,
  // a process number, ".tmp"); nothing else is touched. Only while holding
  // the run lock of their folder, so that no other run is writing them.
  virtual void remove_stale_temporaries(const std::vector<std::string>& paths) = 0;
  virtual bool delete_file(const std::string& path, std::string& reason) = 0;
  // A file of at most `limit` bytes, whole; `too_large` (and no bytes) for
  // a larger one, which is never read whole (nor held).
  virtual bool read_file_up_to(const std::string& path, uint64_t limit, std::string& bytes, bool& too_large,
                               std::string& reason) {
    if (!read_file(path, bytes, reason)) return false;
    too_large = bytes.size() > limit;
    if (too_large) bytes.clear();
    return true;
  }
  // Writes a file the user named as an output. An ordinary file (or one
  // missing) is replaced as replace_file does; a symbolic link is followed
  // to the file it names, which is replaced; a special file (a device, a
  // pipe) is written into directly, as it stands.
  virtual bool write_named_output(const std::string& path, std::string_view bytes, bool program, std::string& reason) {
    return program ? replace_program_file(path, bytes, reason) : replace_file(path, bytes, reason);
  }
  // A file that lives only while the run goes on (one of its scripts),
  // taken away if the run is interrupted while it stands; `path` empty
  // when it is gone. `slot` is 0 for the line script, 1 for the train script.
  virtual void remove_if_interrupted(int /*slot*/, const std::string& /*path*/) {}
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
  // Standard input of at most `limit` bytes, as read_file_up_to.
  virtual bool read_input_up_to(uint64_t limit, std::string& bytes, bool& too_large, std::string& reason) {
    if (!read_input(bytes, reason)) return false;
    too_large = bytes.size() > limit;
    if (too_large) bytes.clear();
    return true;
  }
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
