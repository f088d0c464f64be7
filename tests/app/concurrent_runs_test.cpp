// Two runs in one folder at the same moment (a driver double-clicks twice):
// both end well, or the second says that a run is in progress and changes
// nothing; never a missing or mixed file.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "support/folder.h"
#include "support/scenario.h"

extern char** environ;

namespace ferrovello::test {
namespace {

const std::string kBusy = "Un'altra esecuzione sta già scrivendo in questa cartella";

pid_t start(const std::string& program, std::vector<std::string> args, const std::string& err) {
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = -1;
  posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int wait_for(pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::map<std::string, std::string> contents(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const std::string& name : list_folder(folder)) files[name] = read_bytes(folder + "/" + name);
  return files;
}

// Names of the files that differ between two folders' contents (missing,
// extra or other bytes), so that a failure does not print megabytes.
std::vector<std::string> differing(const std::map<std::string, std::string>& a,
                                   const std::map<std::string, std::string>& b) {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : a) {
    const auto it = b.find(name);
    if (it == b.end() || it->second != bytes) names.push_back(name);
  }
  for (const auto& [name, bytes] : b) {
    if (a.count(name) == 0) names.push_back(name);
  }
  return names;
}

TEST(ConcurrentRuns, ARunInProgressIsNotDisturbed) {
  TempFolder folder;
  std::filesystem::copy_file(INSTALLER_PATH, folder.file("ferrovello"));
  const int held = ::open(folder.file("Ferrovello.lock").c_str(), O_RDWR | O_CREAT, 0644);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  write_bytes(folder.file("Ferrovello_2632.sim.1.tmp"), "in corso");  // the running one's
  const RunResult r = run(folder.file("ferrovello"), {});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(kBusy), std::string::npos) << r.err;
  EXPECT_EQ(list_folder(folder.path()),
            (std::vector<std::string>{"Ferrovello.lock", "Ferrovello_2632.sim.1.tmp", "ferrovello"}));
  ::close(held);
}

TEST(ConcurrentRuns, TwoInstallersAtOnce) {
  TempFolder reference;
  ASSERT_EQ(run_installer_in(reference.path()).status, 0);
  std::map<std::string, std::string> good = contents(reference.path());
  for (int round = 0; round < 10; ++round) {
    TempFolder folder;
    TempFolder logs;
    std::filesystem::copy_file(INSTALLER_PATH, folder.file("ferrovello"));
    const pid_t a = start(folder.file("ferrovello"), {}, logs.file("a"));
    const pid_t b = start(folder.file("ferrovello"), {}, logs.file("b"));
    const int sa = wait_for(a);
    const int sb = wait_for(b);
    for (const auto& [status, log] : {std::pair{sa, logs.file("a")}, std::pair{sb, logs.file("b")}}) {
      EXPECT_TRUE(status == 0 || (status == 1 && read_bytes(log).find(kBusy) != std::string::npos))
          << status << read_bytes(log);
    }
    EXPECT_TRUE(sa == 0 || sb == 0);
    std::filesystem::remove(folder.file("ferrovello"));
    EXPECT_EQ(differing(contents(folder.path()), good), std::vector<std::string>{}) << "round " << round;
  }
}

TEST(ConcurrentRuns, TwoCompilesIntoOneFolder) {
  TempFolder in;
  write_bytes(in.file("l"), line_script({"curvad4,  700,  950"}));
  write_bytes(in.file("t"), train_script({"segnale,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0"}));
  const std::vector<std::string> args = {"compile", "--line", in.file("l"), "--train", in.file("t"), "--out"};
  TempFolder reference;
  std::vector<std::string> once = args;
  once.push_back(reference.path());
  ASSERT_EQ(run(TOOL_PATH, once).status, 0);
  for (int round = 0; round < 5; ++round) {
    TempFolder out;
    std::vector<std::string> both = args;
    both.push_back(out.path());
    const pid_t a = start(TOOL_PATH, both, in.file("a"));
    const pid_t b = start(TOOL_PATH, both, in.file("b"));
    const int sa = wait_for(a);
    const int sb = wait_for(b);
    EXPECT_TRUE(sa == 0 || (sa == 1 && read_bytes(in.file("a")).find(kBusy) != std::string::npos));
    EXPECT_TRUE(sb == 0 || (sb == 1 && read_bytes(in.file("b")).find(kBusy) != std::string::npos));
    EXPECT_EQ(differing(contents(out.path()), contents(reference.path())), std::vector<std::string>{})
        << "round " << round;
  }
}

}  // namespace
}  // namespace ferrovello::test
