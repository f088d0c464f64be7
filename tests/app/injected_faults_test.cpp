// Every file call of a full run made to fail in turn, and real faults of the
// system: the run ends with a message that names the file and the reason,
// failure status, every earlier file intact and nothing left behind.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>

#include "model/form1.h"
#include "platform/posix_platform.h"
#include "support/folder.h"

namespace ferrovello::test {
namespace {

const char* const kOutputs[] = {"Ferrovello_2632.dat", "Ferrovello_2632.sim", "Ferrovello_linea.dat",
                                "Ferrovello_2632_note.txt", "Ferrovello_2632_rallentamenti.txt",
                                "Ferrovello_2632_scheda_treno.txt"};

// A platform whose n-th file step fails as a failing disk would, or, with
// `remove_folder`, whose folder disappears just before that step. When the program
// ends it leaves in `report` the number of steps and the failed file.
class FaultyPlatform : public PosixPlatform {
 public:
  FaultyPlatform(const std::string& folder, int fault, bool remove_folder, std::string report)
      : PosixPlatform(folder), fault_(fault), remove_folder_(remove_folder), folder_(folder), report_(std::move(report)) {}

 protected:
  void terminate_program(int status) override {
    write_bytes(report_, std::to_string(step_) + "\n" + (dopo_il_nome ? "1" : "0") + last_);
    PosixPlatform::terminate_program(status);
  }
  bool allow(Step passo, const std::string& path) override {
    if (step_++ != fault_) return true;
    last_ = path;
    dopo_il_nome = passo == Step::flush_folder;
    if (remove_folder_) {
      std::filesystem::remove_all(folder_);
      return true;
    }
    errno = EIO;
    return false;
  }

 private:
  int step_ = 0;
  int fault_;
  bool remove_folder_;
  std::string folder_;
  std::string report_;
  std::string last_;
  bool dopo_il_nome = false;  // the failed step is the flush of the folder, after every rename
};

// Runs the whole installer in a child process on a faulty platform.
struct Outcome {
  int status = -1;
  std::string err;
  int steps = 0;
  std::string file;  // the file (or the folder) whose step failed
  bool renamed = false;  // every new file had already taken its name
};

Outcome run_with_fault(const std::string& folder, int n, bool remove_folder) {
  TempFolder capture;
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (std::freopen(capture.file("err").c_str(), "w", stderr) == nullptr) ::_exit(98);
    FaultyPlatform platform(folder, n, remove_folder, capture.file("report"));
    Form1 form(platform);
    form.on_load();
    ::_exit(99);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  Outcome e;
  e.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  e.err = read_bytes(capture.file("err"));
  const std::string r = read_bytes(capture.file("report"));
  const size_t nl = r.find('\n');
  if (nl != std::string::npos) {
    e.steps = std::stoi(r.substr(0, nl));
    e.renamed = r.size() > nl + 1 && r[nl + 1] == '1';
    e.file = r.size() > nl + 2 ? r.substr(nl + 2) : std::string();
  }
  return e;
}

std::map<std::string, std::string> good_outputs() {
  TempFolder folder;
  const RunResult r = run_installer_in(folder.path());
  EXPECT_EQ(r.status, 0);
  std::map<std::string, std::string> out;
  for (const char* name : kOutputs) out[name] = read_bytes(folder.file(name));
  return out;
}

TEST(InjectedFaults, EveryFileStepOfARun) {
  const std::map<std::string, std::string> good = good_outputs();
  TempFolder clean;
  const Outcome good_run = run_with_fault(clean.path(), -1, false);
  ASSERT_EQ(good_run.status, 0) << good_run.err;
  const int steps = good_run.steps;
  // Five text files and three binary files (create, write, flush, rename
  // each; the line file written in three more pieces: one piece of each of
  // its two entries while it is laid, then the rest of each), two scripts
  // read and deleted, and one flush of the folder after the last rename.
  EXPECT_EQ(steps, 8 * 4 + 3 + 2 + 2 + 1);
  for (int n = 0; n < steps; ++n) {
    TempFolder folder;
    for (const char* name : kOutputs) write_bytes(folder.file(name), "vecchio");
    const Outcome e = run_with_fault(folder.path(), n, false);
    ASSERT_FALSE(e.file.empty()) << n;
    EXPECT_EQ(e.status, 1) << n << e.err;
    EXPECT_NE(e.err.find(e.file), std::string::npos) << n << e.err;
    EXPECT_NE(e.err.find("errore del dispositivo in lettura o scrittura"), std::string::npos) << n << e.err;
    // Each output is either the earlier one, whole, or the new one, whole.
    for (const char* name : kOutputs) {
      const std::string now = read_bytes(folder.file(name));
      EXPECT_TRUE(now == "vecchio" || now == good.at(name)) << n << " " << name;
      if (folder.file(name) == e.file) {
        EXPECT_EQ(now, "vecchio") << n;
      }
      // The folder that cannot be flushed: every name already leads to
      // its new file, which stands whole.
      if (e.renamed) {
        EXPECT_EQ(now, good.at(name)) << n << " " << name;
      }
    }
    std::vector<std::string> files = list_folder(folder.path());
    EXPECT_EQ(files.size(), 6u) << n;  // no script, no temporary file, no lock left
  }
}

TEST(InjectedFaults, ProgramFolderRemovedDuringTheRun) {
  TempFolder parent;
  const std::string folder = parent.file("gioco");
  std::filesystem::create_directory(folder);
  const Outcome e = run_with_fault(folder, 31, true);  // before the item file is created
  EXPECT_EQ(e.status, 1);
  EXPECT_NE(e.err.find("Impossibile scrivere il file \"" + folder + "/Ferrovello_2632.sim\""), std::string::npos)
      << e.err;
  EXPECT_NE(e.err.find("file o cartella inesistente"), std::string::npos) << e.err;
  EXPECT_FALSE(std::filesystem::exists(folder));
}

}  // namespace
}  // namespace ferrovello::test
