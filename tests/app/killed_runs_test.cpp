// Runs that end without a chance to clean up: killed at any moment, they
// leave at most their lock and the temporary file at hand; the next run
// takes them away and leaves exactly the files of a good run. Nothing that
// is not a temporary file of the run's own files is ever removed.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "support/folder.h"

extern char** environ;

namespace ferrovello::test {
namespace {

pid_t start_quietly(const std::string& program) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = -1;
  posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

std::map<std::string, std::string> contents(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const std::string& name : list_folder(folder)) files[name] = read_bytes(folder + "/" + name);
  return files;
}

TEST(KilledRuns, AKilledRunLeavesNothingTheNextRunKeeps) {
  TempFolder reference;
  std::filesystem::copy_file(INSTALLER_PATH, reference.file("ferrovello"));
  const auto begin = std::chrono::steady_clock::now();
  ASSERT_EQ(run(reference.file("ferrovello"), {}).status, 0);
  const auto whole_run = std::chrono::steady_clock::now() - begin;
  const std::map<std::string, std::string> good = contents(reference.path());
  ASSERT_EQ(good.size(), 7u);  // the program and the six files

  TempFolder folder;
  std::filesystem::copy_file(INSTALLER_PATH, folder.file("ferrovello"));
  // Kills from the start of a run to a little past its usual end, so that
  // every step of the run is cut somewhere.
  const auto longest = std::chrono::duration_cast<std::chrono::microseconds>(whole_run * 1.2).count();
  std::mt19937 random(20261210);
  std::uniform_int_distribution<long> moment(0, longest);
  int left_behind = 0;  // kills after which a lock or temporary file stood
  for (int kill = 0; kill < 100; ++kill) {
    const pid_t pid = start_quietly(folder.file("ferrovello"));
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    for (const std::string& name : list_folder(folder.path())) {
      if (name.ends_with(".tmp") || name.ends_with(".lock")) {
        ++left_behind;
        break;
      }
    }
  }
  EXPECT_GT(left_behind, 0);  // the kills did land in the middle of runs

  const RunResult last = run(folder.file("ferrovello"), {});
  EXPECT_EQ(last.status, 0) << last.err;
  EXPECT_EQ(contents(folder.path()), good);
}

TEST(KilledRuns, OnlyTheTemporaryFilesOfTheRunsOwnFilesGo) {
  TempFolder folder;
  const std::vector<std::string> stale = {
      "Ferrovello_linea.txt.12.tmp", "Ferrovello_2632-.txt.4711.tmp", "Ferrovello_2632_note.txt.3.tmp",
      "Ferrovello_2632_rallentamenti.txt.3.tmp", "Ferrovello_2632_scheda_treno.txt.99999.tmp",
      "Ferrovello_linea.dat.1.tmp", "Ferrovello_2632.sim.2.tmp", "Ferrovello_2632.dat.2.tmp"};
  const std::vector<std::string> others = {
      "Altro_2632.sim.2.tmp",          // another scenario's
      "Ferrovello_1234.sim.2.tmp",     // another train's
      "Ferrovello_2632.sim.tmp",       // no process number
      "Ferrovello_2632.sim.2x.tmp",    // not a number
      "Ferrovello_2632.sim.2.tmp.txt", // not the suffix
      "Ferrovello_2632.sim.2",         // no suffix
      "appunti.txt"};
  for (const std::string& name : stale) write_bytes(folder.file(name), "mezzo file");
  for (const std::string& name : others) write_bytes(folder.file(name), name);
  ASSERT_EQ(run_installer_in(folder.path()).status, 0);
  for (const std::string& name : stale) EXPECT_FALSE(file_exists(folder.file(name))) << name;
  for (const std::string& name : others) EXPECT_EQ(read_bytes(folder.file(name)), name);
  EXPECT_EQ(list_folder(folder.path()).size(), others.size() + 6);
}

}  // namespace
}  // namespace ferrovello::test
