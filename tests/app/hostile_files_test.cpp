// The installer's run against what it finds around it: a package cut short,
// a link named as its lock, a folder whose path the system cannot say, too
// little memory, an interruption, an author's own scripts in the folder and
// names made to play with the terminal. Each case runs the built program.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <thread>

#include "app/package_payload.h"
#include "support/folder.h"

namespace ferrovello::test {
namespace {

namespace fs = std::filesystem;

uint64_t field(const std::string& b, size_t at, int bytes) {
  uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<size_t>(i)]);
  return v;
}

// Where the loaded segments of an ELF program end in its file.
uint64_t end_of_loaded_bytes(const std::string& elf) {
  const uint64_t phoff = field(elf, 0x20, 8);
  const uint64_t phentsize = field(elf, 0x36, 2);
  uint64_t end = 0;
  for (uint64_t i = 0; i < field(elf, 0x38, 2); ++i) {
    const size_t at = static_cast<size_t>(phoff + i * phentsize);
    if (field(elf, at, 4) == 1) end = std::max(end, field(elf, at + 0x08, 8) + field(elf, at + 0x20, 8));
  }
  return end;
}

std::string package_of(const Pacchetto& p) {
  const std::string payload = codifica_carico(p);
  return read_bytes(INSTALLER_PATH) + payload + coda_del_carico(payload);
}

Pacchetto small_scenario() {
  Pacchetto p;
  p.nome = "Lomellina";
  p.numero_treno = "10234";
  p.script_linea = "[generale]\r\nlunghezza percorso,  8000\r\n[fine]\r\n";
  p.script_treno = "[generale]\r\n[fine]\r\n";
  return p;
}

// Writes `program` into `folder` as a runnable file and runs it there.
RunResult run_program_in(const std::string& folder, const std::string& program) {
  const std::string path = folder + "/programma";
  write_bytes(path, program);
  fs::permissions(path, fs::perms::owner_all);
  return run(path, {}, "/");
}

TEST(HostileFiles, APackageCutAnywhereAfterItsLoadedBytesIsRefusedAndWritesNothing) {
  const std::string installer = read_bytes(INSTALLER_PATH);
  const std::string package = package_of(small_scenario());
  const uint64_t loaded = end_of_loaded_bytes(installer);
  ASSERT_GT(loaded, 0u);
  ASSERT_LT(loaded, installer.size());
  // The edges (the end of the loaded bytes, of the program, of the payload,
  // within the trailer) and points spread evenly in between.
  std::vector<uint64_t> cuts = {loaded,           loaded + 1,      installer.size() - 1,      installer.size() + 1,
                                package.size() - kLunghezzaCoda, package.size() - 9, package.size() - 1};
  for (int i = 1; i < 12; ++i) cuts.push_back(loaded + (package.size() - loaded) * static_cast<uint64_t>(i) / 12);
  for (const uint64_t cut : cuts) {
    TempFolder folder;
    const RunResult r = run_program_in(folder.path(), package.substr(0, static_cast<size_t>(cut)));
    EXPECT_EQ(r.status, 1) << "cut at " << cut << ": " << r.err;
    EXPECT_NE(r.err.find("danneggiato o incompleto"), std::string::npos) << cut << ": " << r.err;
    EXPECT_EQ(list_folder(folder.path()), std::vector<std::string>{"programma"}) << cut;
  }
  // The whole package, and the installer alone, still run.
  TempFolder whole;
  EXPECT_EQ(run_program_in(whole.path(), package).status, 0);
  EXPECT_TRUE(file_exists(whole.file("Lomellina_10234.dat")));
}

TEST(HostileFiles, ALinkNamedAsTheLockIsNeverFollowed) {
  TempFolder folder;
  TempFolder elsewhere;
  fs::create_symlink(elsewhere.file("preso.lock"), folder.file("Ferrovello.lock"));
  const RunResult r = run_installer_in(folder.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("collegamento simbolico"), std::string::npos) << r.err;
  EXPECT_TRUE(list_folder(elsewhere.path()).empty());
  EXPECT_EQ(list_folder(folder.path()), std::vector<std::string>{"Ferrovello.lock"});
}

TEST(HostileFiles, AFolderWhosePathTheSystemCannotSayIsAMessageNotAnotherFolder) {
  TempFolder top;
  const std::string back = fs::current_path().string();
  // Nested folders past 4096 bytes, made and entered one step at a time.
  const std::string step(200, 'c');
  ASSERT_EQ(::chdir(top.path().c_str()), 0);
  size_t depth = top.path().size();
  int steps = 0;
  while (depth < 4400) {
    ASSERT_EQ(::mkdir(step.c_str(), 0755), 0);
    ASSERT_EQ(::chdir(step.c_str()), 0);
    depth += step.size() + 1;
    ++steps;
  }
  write_bytes("ferrovello", read_bytes(INSTALLER_PATH));
  ::chmod("ferrovello", 0755);
  TempFolder capture;
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int err = ::open(capture.file("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(err, 2);
    ::execl("./ferrovello", "ferrovello", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  std::vector<std::string> deepest;
  for (const auto& e : fs::directory_iterator(".")) deepest.push_back(e.path().filename().string());
  ASSERT_EQ(::chdir(back.c_str()), 0);
  std::vector<std::string> in_top = list_folder(top.path());
  ASSERT_EQ(std::system(("rm -rf '" + top.file(step) + "'").c_str()), 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_NE(read_bytes(capture.file("err")).find("Impossibile sapere in quale cartella"), std::string::npos);
  EXPECT_EQ(deepest, std::vector<std::string>{"ferrovello"});  // nothing written there
  EXPECT_EQ(in_top, std::vector<std::string>{step});             // nor anywhere else
  EXPECT_GT(steps, 20);
}

TEST(HostileFiles, MemoryRefusedIsAMessageStatusOneAndNothingLeftBehind) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs more address space than any limit here";
#endif
  // From too little to start the run up to enough for all of it: every
  // limit ends the run with status 0 or with the message and status 1,
  // never with a crash, and leaves neither the lock nor a script.
  int refused = 0;
  for (const rlim_t megabytes : {3, 4, 5, 6, 8, 16, 64}) {
    TempFolder folder;
    const std::string copy = folder.file("ferrovello");
    fs::copy_file(INSTALLER_PATH, copy);
    const RunResult r = run_limited(copy, {}, RLIMIT_AS, megabytes << 20);
    ASSERT_TRUE(r.status == 0 || r.status == 1) << megabytes << " MB: status " << r.status << " " << r.err;
    for (const std::string& name : list_folder(folder.path())) {
      EXPECT_FALSE(name.ends_with(".lock") || name.ends_with(".txt.tmp") || name == "Ferrovello_linea.txt" ||
                   name == "Ferrovello_2632-.txt" || name.ends_with(".tmp"))
          << megabytes << " MB left " << name;
    }
    if (r.status == 1) {
      EXPECT_NE(r.err.find("Memoria insufficiente"), std::string::npos) << megabytes << " MB: " << r.err;
      ++refused;
    }
  }
  EXPECT_GT(refused, 0);  // some limit did fall inside the run
}

TEST(HostileFiles, AnInterruptedRunTakesAwayItsTemporariesLockAndScripts) {
  // Signals at moments spread over a run: each run ends either done or by
  // the signal, and then leaves only whole files of its own.
  TempFolder reference;
  ASSERT_EQ(run_installer_in(reference.path()).status, 0);
  const std::vector<std::string> good = list_folder(reference.path());
  TempFolder folder;
  const std::string copy = folder.file("ferrovello");
  fs::copy_file(INSTALLER_PATH, copy);
  int interrupted = 0;
  for (int i = 0; i < 40; ++i) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 2);
      ::execl(copy.c_str(), "ferrovello", static_cast<char*>(nullptr));
      ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(1000 * (i % 20)));
    const int signal_number = i % 2 == 0 ? SIGINT : SIGTERM;
    ::kill(pid, signal_number);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) {
      EXPECT_EQ(WTERMSIG(status), signal_number);
      ++interrupted;
    } else {
      EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    for (const std::string& name : list_folder(folder.path())) {
      EXPECT_TRUE(name == "ferrovello" || std::find(good.begin(), good.end(), name) != good.end())
          << "left " << name << " after signal at " << i;
    }
  }
  EXPECT_GT(interrupted, 0);
}

TEST(HostileFiles, TheAuthorsOwnScriptsInTheFolderAreNeverLost) {
  TempFolder folder;
  Pacchetto p = small_scenario();
  const std::string edited = "[generale]\r\nlunghezza percorso,  9000\r\n[fine]\r\n";
  write_bytes(folder.file("Lomellina_linea.txt"), edited);
  write_bytes(folder.file("Lomellina_10234-.txt"), "il mio treno\r\n");
  const RunResult r = run_program_in(folder.path(), package_of(p));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Lomellina_linea.txt\", che questa esecuzione"), std::string::npos) << r.err;
  EXPECT_EQ(read_bytes(folder.file("Lomellina_linea.txt")), edited);
  EXPECT_EQ(read_bytes(folder.file("Lomellina_10234-.txt")), "il mio treno\r\n");
  EXPECT_EQ(list_folder(folder.path()),
            (std::vector<std::string>{"Lomellina_10234-.txt", "Lomellina_linea.txt", "programma"}));

  // Scripts exactly as the run writes them (left by a run cut short) are
  // the run's own: it goes on and takes them away.
  TempFolder again;
  write_bytes(again.file("Lomellina_linea.txt"), p.script_linea);
  write_bytes(again.file("Lomellina_10234-.txt"), p.script_treno);
  EXPECT_EQ(run_program_in(again.path(), package_of(p)).status, 0);
  EXPECT_FALSE(file_exists(again.file("Lomellina_linea.txt")));
  EXPECT_FALSE(file_exists(again.file("Lomellina_10234-.txt")));
}

// A pipe under a script's name is refused as an author's script is, at
// once: never opened to wait for a writer.
TEST(HostileFiles, APipeUnderAScriptsNameIsRefusedWithoutWaiting) {
  TempFolder folder;
  ASSERT_EQ(::mkfifo(folder.file("Lomellina_linea.txt").c_str(), 0644), 0);
  const RunResult r = run_program_in(folder.path(), package_of(small_scenario()));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Lomellina_linea.txt\", che questa esecuzione"), std::string::npos) << r.err;
  EXPECT_EQ(list_folder(folder.path()), (std::vector<std::string>{"Lomellina_linea.txt", "programma"}));
}

TEST(HostileFiles, ControlCharactersOfAPackageAreShownEscaped) {
  TempFolder folder;
  Pacchetto p = small_scenario();
  p.nome = "Lo\x1b]0;preso\x07mellina";
  const RunResult r = run_program_in(folder.path(), package_of(p));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos);
  EXPECT_EQ(r.err.find('\x07'), std::string::npos);
  EXPECT_NE(r.err.find("\"Lo\\x1B]0;preso\\x07mellina\""), std::string::npos) << r.err;
  EXPECT_EQ(list_folder(folder.path()), std::vector<std::string>{"programma"});
}

TEST(HostileFiles, APackageWhoseNamesCollideIsRefused) {
  TempFolder folder;
  Pacchetto p = small_scenario();
  p.numero_treno = "LINEA";
  const RunResult r = run_program_in(folder.path(), package_of(p));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\"Lomellina_linea.dat\" e il file del percorso \"Lomellina_LINEA.dat\""), std::string::npos)
      << r.err;
  EXPECT_EQ(list_folder(folder.path()), std::vector<std::string>{"programma"});
}

}  // namespace
}  // namespace ferrovello::test
