// Test helpers: a fresh temporary folder, whole files, and child processes.
#pragma once

#include <string>
#include <vector>

namespace ferrovello::test {

// A new empty folder, removed with everything in it when the object goes.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string read_bytes(const std::string& path);
void write_bytes(const std::string& path, const std::string& bytes);
bool file_exists(const std::string& path);
// Names of the files in a folder, sorted.
std::vector<std::string> list_folder(const std::string& path);
// Lines of a CR LF text, without their line ends; false if any line end is not CR LF.
bool split_crlf(const std::string& bytes, std::vector<std::string>& lines);

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
  long peak_kb = 0;  // largest resident memory, from run_limited
};
// Runs a program with arguments, standard input empty, and collects its exit
// status and output.
RunResult run(const std::string& program, const std::vector<std::string>& args,
              const std::string& working_folder = {});
// The same with standard input read from the file `input` and, unless
// `output` is empty, standard output going to that file (such as /dev/full)
// instead of being collected.
RunResult run_with(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                   const std::string& output);

// Runs a program with one resource of the system limited (`resource` as
// for setrlimit: RLIMIT_AS, RLIMIT_FSIZE...; `limit` 0 leaves it), standard
// input empty and standard output discarded, every signal at its default
// action as a user's shell leaves them; its status, its standard error and
// its peak memory.
RunResult run_limited(const std::string& program, const std::vector<std::string>& args, int resource,
                      unsigned long limit);

// Copies the installer into `folder` and runs it from there.
RunResult run_installer_in(const std::string& folder);

}  // namespace ferrovello::test
