// The authors' tool against what a careless or hostile user gives it:
// names whose files coincide, special files and links as outputs, too
// little memory, an interruption, inputs far beyond any real one, scripts
// already in the folder and text made to play with the terminal. Each case
// runs the built tool.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <thread>

#include "generated_scenario.h"
#include "support/folder.h"

namespace ferrovello::test {
namespace {

namespace fs = std::filesystem;

RunResult run_measured(const std::vector<std::string>& args, rlim_t memory = 0) {
  return run_limited(TOOL_PATH, args, RLIMIT_AS, memory);
}

class OutsideFaults : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    ASSERT_EQ(run(TOOL_PATH, {"scripts", "--out", dir("s")}).status, 0);
    ASSERT_EQ(run(TOOL_PATH, {"compile", "--out", dir("o"), "--line", line(), "--train", train()}).status, 0);
  }
  static void TearDownTestSuite() { delete folder_; }
  static std::string dir(const std::string& name) { return folder_->file(name); }
  static std::string line() { return dir("s/Ferrovello_linea.txt"); }
  static std::string train() { return dir("s/Ferrovello_2632-.txt"); }

 private:
  static TempFolder* folder_;
};
TempFolder* OutsideFaults::folder_ = nullptr;

TEST_F(OutsideFaults, NamesWhoseFilesWouldCoincideOrBeADevicesAreRefused) {
  const struct {
    std::vector<std::string> names;
    std::string says;
  } cases[] = {
      {{"--train-number", "linea"}, "il file della linea \"Ferrovello_linea.dat\" e il file del percorso "
                                    "\"Ferrovello_linea.dat\" avrebbero lo stesso nome"},
      {{"--train-number", "LINEA"}, "\"Ferrovello_linea.dat\" e il file del percorso \"Ferrovello_LINEA.dat\" "
                                    "avrebbero lo stesso nome su Windows"},
      {{"--name", "a", "--train-number", "x_note"}, ""},  // files of their own: accepted
      {{"--name", "CON"}, "il blocco \"CON.lock\" avrebbe un nome che Windows riserva a un dispositivo"},
      {{"--name", "lpt7"}, "\"lpt7.lock\" avrebbe un nome che Windows riserva"},
      {{"--name", "Nul.txt"}, "\"Nul.txt.lock\" avrebbe un nome che Windows riserva"},
      {{"--name", "aux "}, "finisce con un punto o uno spazio"},
      {{"--train-number", "2632."}, "finisce con un punto o uno spazio"},
  };
  for (const auto& c : cases) {
    for (const char* command : {"compile", "package", "check", "scripts"}) {
      TempFolder t;
      std::vector<std::string> args = {command, "--out", t.file("uscita")};
      if (std::string(command) != "scripts") args.insert(args.end(), {"--line", line(), "--train", train()});
      if (std::string(command) == "package") args.insert(args.end(), {"--stub", INSTALLER_PATH});
      if (std::string(command) == "check") args.erase(args.begin() + 1, args.begin() + 3);
      args.insert(args.end(), c.names.begin(), c.names.end());
      const RunResult r = run(TOOL_PATH, args);
      if (c.says.empty()) {
        EXPECT_EQ(r.status, 0) << command << ": " << r.err;
        continue;
      }
      EXPECT_EQ(r.status, 2) << command << " " << c.says;
      EXPECT_NE(r.err.find(c.says), std::string::npos) << command << ": " << r.err;
      EXPECT_TRUE(list_folder(t.path()).empty()) << command << " " << c.says;
    }
  }
}

TEST_F(OutsideFaults, SpecialFilesAreWrittenIntoAndLinksFollowed) {
  const std::string table = run(TOOL_PATH, {"dump", dir("o/Ferrovello_2632.sim")}).out;
  ASSERT_GT(table.size(), 1000u);
  const std::vector<std::string> dump = {"dump", dir("o/Ferrovello_2632.sim"), "--out"};
  TempFolder t;

  // A pipe: its reader gets the table, and it stays a pipe.
  ASSERT_EQ(::mkfifo(t.file("tubo").c_str(), 0644), 0);
  std::string read;
  std::thread reader([&] { read = read_bytes(t.file("tubo")); });
  std::vector<std::string> args = dump;
  args.push_back(t.file("tubo"));
  const RunResult piped = run(TOOL_PATH, args);
  reader.join();
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(read, table);
  struct stat st {};
  ASSERT_EQ(::lstat(t.file("tubo").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  // A link: the file it names is replaced, the link stays; a link to a file
  // not there yet creates it.
  write_bytes(t.file("vecchio.txt"), "prima");
  fs::create_symlink("vecchio.txt", t.file("collegamento"));
  fs::create_symlink(t.file("nuovo.txt"), t.file("pendente"));
  for (const char* link : {"collegamento", "pendente"}) {
    args = dump;
    args.push_back(t.file(link));
    const RunResult r = run(TOOL_PATH, args);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::is_symlink(t.file(link)));
  }
  EXPECT_EQ(read_bytes(t.file("vecchio.txt")), table);
  EXPECT_EQ(read_bytes(t.file("nuovo.txt")), table);

  // Devices made here (as root only): one that takes everything, one that
  // is always full. Each stays the device it was.
  if (::mknod(t.file("nulla").c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0 ||
      ::mknod(t.file("pieno").c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0) {
    GTEST_SKIP() << "device nodes cannot be made here (not root)";
  }
  if (const int fd = ::open(t.file("nulla").c_str(), O_WRONLY); fd < 0) {
    GTEST_SKIP() << "device nodes cannot be opened here (a file system mounted nodev)";
  } else {
    ::close(fd);
  }
  for (const char* device : {"nulla", "pieno"}) {
    args = dump;
    args.push_back(t.file(device));
    const RunResult r = run(TOOL_PATH, args);
    const bool full = std::string(device) == "pieno";
    EXPECT_EQ(r.status, full ? 1 : 0) << device << ": " << r.err;
    if (full) {
      EXPECT_NE(r.err.find("spazio esaurito"), std::string::npos) << r.err;
    }
    ASSERT_EQ(::lstat(t.file(device).c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << device;
  }
  EXPECT_EQ(list_folder(t.path()), (std::vector<std::string>{"collegamento", "nulla", "nuovo.txt", "pendente", "pieno",
                                                             "tubo", "vecchio.txt"}));
}

TEST_F(OutsideFaults, MemoryRefusedIsAMessageAndStatusOne) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs more address space than any limit here";
#endif
  TempFolder t;
  write_bytes(t.file("linea.txt"), bench::linea_generata(1000000));
  write_bytes(t.file("treno.txt"), bench::treno_generato(1000000));
  int refused = 0;
  for (const rlim_t megabytes : {8, 16, 32, 64, 128, 256}) {
    const std::string out = t.file("o" + std::to_string(megabytes));
    const RunResult m = run_measured(
        {"compile", "--line", t.file("linea.txt"), "--train", t.file("treno.txt"), "--out", out}, megabytes << 20);
    ASSERT_TRUE(m.status == 0 || m.status == 1) << megabytes << " MB: " << m.status << " " << m.err;
    if (m.status == 1) {
      EXPECT_NE(m.err.find("Memoria insufficiente"), std::string::npos) << megabytes << " MB: " << m.err;
      ++refused;
    }
    if (!fs::exists(out)) continue;
    for (const std::string& name : list_folder(out)) {
      EXPECT_FALSE(name.ends_with(".lock") || name.ends_with(".tmp")) << megabytes << " MB left " << name;
    }
  }
  EXPECT_GT(refused, 0);
}

TEST_F(OutsideFaults, AnInterruptedCompileLeavesNoTemporaryAndNoLock) {
  TempFolder t;
  write_bytes(t.file("linea.txt"), bench::linea_generata(1000000));
  write_bytes(t.file("treno.txt"), bench::treno_generato(1000000));
  int while_writing = 0;
  int interrupted = 0;
  for (int i = 0; i < 8; ++i) {
    const std::string out = t.file("o" + std::to_string(i));
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int null = ::open("/dev/null", O_WRONLY);
      ::dup2(null, 1);
      ::dup2(null, 2);
      ::execl(TOOL_PATH, TOOL_PATH, "compile", "--line", t.file("linea.txt").c_str(), "--train",
              t.file("treno.txt").c_str(), "--out", out.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Waits for the lock, then lets the compile go on a little more each time.
    const auto start = std::chrono::steady_clock::now();
    while (!fs::exists(out + "/Ferrovello.lock") && std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5 * i));
    bool temporary = false;
    for (const std::string& name : list_folder(out)) temporary = temporary || name.ends_with(".tmp");
    ::kill(pid, i % 2 == 0 ? SIGINT : SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) {
      EXPECT_EQ(WTERMSIG(status), i % 2 == 0 ? SIGINT : SIGTERM);
      ++interrupted;
      if (temporary) ++while_writing;
    }
    for (const std::string& name : list_folder(out)) {
      EXPECT_FALSE(name.ends_with(".lock") || name.ends_with(".tmp")) << "left " << name << " at try " << i;
    }
  }
  EXPECT_GT(interrupted, 0);  // the signals did come during the compile
  RecordProperty("interrupted_while_writing", while_writing);
}

TEST_F(OutsideFaults, InputsBeyondTheFormatsLargestAreRefusedBeforeBeingRead) {
  TempFolder t;
  // A sparse file of 1 GB, under each name the tool reads.
  for (const char* name : {"grande.txt", "grande.dat", "grande.sim", "grande_linea.dat"}) {
    const int fd = ::open(t.file(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t{1} << 30), 0);
    ::close(fd);
  }
  const std::string big = t.file("grande.txt");
  const struct {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {{"check", "--line", big, "--train", train()}, "supera 16777216 byte, il massimo per uno script"},
      {{"package", "--line", line(), "--train", train(), "--notes", big, "--stub", INSTALLER_PATH, "--out",
        t.file("p")},
       "il massimo per un documento"},
      {{"dump", t.file("grande.dat")}, "supera 302115 byte, il massimo per un file del percorso"},
      {{"dump", t.file("grande.sim")}, "supera 5704503 byte, il massimo per un file degli elementi"},
      {{"dump", t.file("grande_linea.dat")}, "supera 20140020 byte, il massimo per un file della linea"},
      {{"view", "--dat", t.file("grande.dat"), "--sim", dir("o/Ferrovello_2632.sim"), "--out", t.file("v.html")},
       "il massimo per un file del percorso"},
      {{"plot", "--line-file", t.file("grande_linea.dat"), "--out", t.file("p.svg")}, "il massimo per un file della linea"},
  };
  for (const auto& c : cases) {
    const RunResult m = run_measured(c.args);
    EXPECT_EQ(m.status, 1) << c.says;
    EXPECT_NE(m.err.find(c.says), std::string::npos) << m.err;
#if !defined(__SANITIZE_ADDRESS__)
    // The peak of a child counts what it shared with this process before
    // it started the tool: meaningful only where this process is small,
    // not under the address sanitizer, whose quarantine grows it.
    EXPECT_LT(m.peak_kb, 100 * 1024) << c.says;
#endif
  }
  EXPECT_EQ(list_folder(t.path()),
            (std::vector<std::string>{"grande.dat", "grande.sim", "grande.txt", "grande_linea.dat"}));
}

// A pipe, a device or a link to one, given where a file is read, is
// refused at once with its reason, never waited on nor read; `diff` says so
// with its own status of trouble, never "the two differ".
TEST_F(OutsideFaults, SpecialFilesAreNeverReadAsInputs) {
  TempFolder t;
  ASSERT_EQ(::mkfifo(t.file("fifo").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", t.file("zero"));
  const std::string fifo = t.file("fifo");
  const std::string zero = t.file("zero");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string says;
  } cases[] = {
      {{"check", "--line", line(), "--train", "/dev/zero"}, 1, "\"/dev/zero\": non è un file regolare"},
      {{"check", "--line", fifo, "--train", train()}, 1, "fifo\": non è un file regolare"},
      {{"diff", zero, train(), dir("o")}, 2, "zero\": non è un file regolare"},
      {{"diff", line(), fifo, dir("o")}, 2, "fifo\": non è un file regolare"},
      {{"diff", dir("o"), "/dev/zero", "/dev/zero"}, 2, "\"/dev/zero\": non è un file regolare"},
      {{"dump", fifo}, 1, "fifo\": non è un file regolare"},
      {{"view", "--dat", zero, "--sim", dir("o/Ferrovello_2632.sim"), "--out", t.file("v.html")}, 1,
       "zero\": non è un file regolare"},
  };
  for (const auto& c : cases) {
    const RunResult m = run_measured(c.args);
    EXPECT_EQ(m.status, c.status) << c.says << ": " << m.err;
    EXPECT_NE(m.err.find(c.says), std::string::npos) << m.err;
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(m.peak_kb, 100 * 1024) << c.says;
#endif
  }
}

TEST_F(OutsideFaults, CheckAllSaysWhereItsListStops) {
  TempFolder t;
  std::string faulty;
  for (int i = 0; i < 5003; ++i) faulty += "segnale,  quattro,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0\r\n";
  std::string treno = read_bytes(train());
  treno.insert(treno.find("[segnali]\r\n") + 11, faulty);
  write_bytes(t.file("treno.txt"), treno);
  const RunResult r = run(TOOL_PATH, {"check", "--all", "--line", line(), "--train", t.file("treno.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("L'elenco si ferma ai primi 5000 errori: altri 3 non sono elencati"), std::string::npos)
      << r.err.substr(r.err.size() - 300);
  EXPECT_EQ(r.out, "5003 errori, 0 avvisi\n");
}

// Findings past the first 5000 are counted, not kept: one sentence says how
// many, and the exit status and the summary count them all.
TEST_F(OutsideFaults, FindingsPastTheFirstOnesAreCountedNotListed) {
  TempFolder t;
  std::string unknown;  // a warning each
  std::string misspelt;  // an error of the check each: a keyword misspelt on a line of values
  for (int i = 0; i < 5003; ++i) {
    unknown += "x\r\n";
    misspelt += "pendenzza,  " + std::to_string(1000 + i) + ",  3\r\n";
  }
  std::string linea = read_bytes(line());
  const size_t corpo = linea.find("pendenza,");
  write_bytes(t.file("x.txt"), std::string(linea).insert(corpo, unknown));
  write_bytes(t.file("e.txt"), std::string(linea).insert(corpo, misspelt));
  const struct {
    std::vector<std::string> args;
    const char* script;
    int status;
    const char* line_kept;
    const char* out;  // a piece of the standard output
  } cases[] = {
      {{"check"}, "x.txt", 0, ": avviso: ", "5003 avvisi"},
      {{"check", "--all"}, "x.txt", 0, ": avviso: ", "5003 avvisi"},
      {{"compile", "--out", t.file("o")}, "x.txt", 0, ": avviso: ", ""},
      {{"check"}, "e.txt", 1, ": errore: ", "5003 errori del controllo"},
      {{"check", "--all"}, "e.txt", 1, ": errore: ", "5003 errori del controllo"},
      {{"compile", "--out", t.file("o")}, "e.txt", 1, ": errore: ", ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--line", t.file(c.script), "--train", train()});
    SCOPED_TRACE(args[0] + " " + args[1] + " " + c.script);
    const RunResult r = run(TOOL_PATH, args);
    EXPECT_EQ(r.status, c.status) << r.err.substr(0, 500);
    size_t kept = 0;
    for (size_t i = r.err.find(c.line_kept); i != std::string::npos; i = r.err.find(c.line_kept, i + 1)) ++kept;
    EXPECT_EQ(kept, 5000u);
    const std::string cosa = c.line_kept == std::string(": avviso: ") ? "avvisi" : "errori";
    const std::string said = "L'elenco si ferma ai primi 5000 " + cosa + ": altri 3 non sono elencati";
    const size_t at = r.err.find(said);
    EXPECT_NE(at, std::string::npos) << r.err.substr(r.err.size() - std::min<size_t>(r.err.size(), 400));
    EXPECT_EQ(r.err.find("L'elenco si ferma", at + 1), std::string::npos) << "said once";
    EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
  }
}

TEST_F(OutsideFaults, ScriptsAreWrittenOverOnlyWithForce) {
  TempFolder t;
  write_bytes(t.file("Ferrovello_linea.txt"), "la mia linea");
  const RunResult refused = run(TOOL_PATH, {"scripts", "--out", t.path()});
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find("Ferrovello_linea.txt\" esiste già"), std::string::npos) << refused.err;
  EXPECT_EQ(read_bytes(t.file("Ferrovello_linea.txt")), "la mia linea");
  EXPECT_EQ(list_folder(t.path()), std::vector<std::string>{"Ferrovello_linea.txt"});
  const RunResult forced = run(TOOL_PATH, {"scripts", "--out", t.path(), "--force"});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_EQ(read_bytes(t.file("Ferrovello_linea.txt")), read_bytes(line()));
}

TEST_F(OutsideFaults, ControlCharactersFromInputsAreShownEscaped) {
  TempFolder t;
  const std::string esc = "\x1b]0;preso\x07";
  // A misspelt keyword that carries an escape sequence, and a station name.
  std::string treno = read_bytes(train());
  treno.replace(treno.find("segnale,  7900"), 7, "segn" + esc + "ale");
  treno.replace(treno.find("VALMADONNA"), 10, "VALM" + esc + "\x9d" "2J");
  write_bytes(t.file("treno.txt"), treno);
  const RunResult check = run(TOOL_PATH, {"check", "--line", line(), "--train", t.file("treno.txt")});
  EXPECT_EQ(check.status, 0) << check.err;
  EXPECT_NE(check.err.find("segn\\x1B]0;preso\\x07ale"), std::string::npos) << check.err;
  EXPECT_EQ(check.err.find('\x1b'), std::string::npos);

  ASSERT_EQ(run(TOOL_PATH, {"compile", "--line", line(), "--train", t.file("treno.txt"), "--out", t.file("o")}).status,
            0);
  for (const bool to_file : {false, true}) {
    std::vector<std::string> args = {"dump", t.file("o/Ferrovello_2632.sim")};
    if (to_file) args.insert(args.end(), {"--out", t.file("tabella.txt")});
    const RunResult dump = run(TOOL_PATH, args);
    const std::string table = to_file ? read_bytes(t.file("tabella.txt")) : dump.out;
    EXPECT_NE(table.find("VALM\\x1B]0;preso\\x07\\u009D2J"), std::string::npos) << table.substr(0, 600);
    for (const char c : {'\x1b', '\x07'}) EXPECT_EQ(table.find(c), std::string::npos);
    EXPECT_EQ(table.find("\xc2\x9d"), std::string::npos);
  }
}

TEST_F(OutsideFaults, ControlCharactersOfNamesAreShownEscapedInDumpAndDiff) {
  // Each message of dump and diff that names a file given: the name comes
  // back with its escape sequence written out.
  TempFolder t;
  const std::string esc = "\x1b]0;preso\x07";
  const auto named = [&](const std::string& name) { return t.file(name + esc); };
  const auto shown = [&](const std::string& name) { return t.file(name) + "\\x1B]0;preso\\x07"; };
  const std::string route = read_bytes(dir("o/Ferrovello_2632.dat"));
  write_bytes(named("tipo"), route);
  write_bytes(named("rotto") + ".dat", "x");
  write_bytes(named("una cella") + ".dat", route.substr(0, 15));
  write_bytes(named("rotto") + ".sim", "x");
  fs::create_directory(named("cartella"));
  fs::create_directory(named("guasta"));
  fs::copy_file(dir("o/Ferrovello_2632.sim"), named("guasta") + "/Ferrovello_2632.sim");
  write_bytes(named("guasta") + "/Ferrovello_2632.dat", "x");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string says;
  } cases[] = {
      {{"dump", named("tipo")}, 2, "Non so che file sia \"" + shown("tipo") + "\": il nome deve finire"},
      {{"dump", named("rotto") + ".dat"}, 1, "Il file \"" + shown("rotto") + ".dat\" non ha la forma attesa: "},
      {{"dump", dir("o/Ferrovello_2632.dat"), "--sim", named("rotto") + ".sim"}, 1,
       "Il file \"" + shown("rotto") + ".sim\" non ha la forma attesa: "},
      {{"dump", named("una cella") + ".dat", "--at", "0"}, 1,
       "Il file \"" + shown("una cella") + ".dat\" non ha celle del percorso"},
      {{"diff", dir("o"), named("cartella")}, 2,
       "Nella cartella \"" + shown("cartella") + "\" manca il file \"" + shown("cartella") + "/Ferrovello_2632.dat\""},
      {{"diff", dir("o"), named("guasta")}, 2,
       "Il file \"" + shown("guasta") + "/Ferrovello_2632.dat\" non ha la forma attesa: "},
  };
  for (const auto& c : cases) {
    const RunResult r = run(TOOL_PATH, c.args);
    EXPECT_EQ(r.status, c.status) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    for (const char raw : {'\x1b', '\x07'}) EXPECT_EQ(r.err.find(raw), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace ferrovello::test
