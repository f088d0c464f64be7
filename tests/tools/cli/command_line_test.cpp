// The authors' tool as a command: exit statuses, Italian help and usage
// errors, the system's reasons in Italian, and "-" for the standard streams.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "model/form1.h"
#include "platform/posix_platform.h"
#include "support/folder.h"

namespace ferrovello::test {
namespace {

// Words of the option parser's own English that must never reach the user.
const char* const kEnglish[] = {"Usage",    "Options",  "OPTIONS", "SUBCOMMAND", "Subcommand", "REQUIRED", "required",
                                "Positionals", "TEXT",  "Needs",   "Excludes",   "expected",   "requires", "excludes",
                                "Run with", "information", "help message", "Print",  "argument",   "Could not", "FAILED"};

void expect_italian(const std::string& text) {
  for (const char* word : kEnglish) EXPECT_EQ(text.find(word), std::string::npos) << word << " in:\n" << text;
}

// The embedded scripts and the files compiled from them, made once.
class CommandLine : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    ASSERT_EQ(run(TOOL_PATH, {"scripts", "--out", folder_->path()}).status, 0);
    ASSERT_EQ(run(TOOL_PATH, {"compile", "--line", line(), "--train", train(), "--out", folder_->file("o")}).status, 0);
  }
  static void TearDownTestSuite() { delete folder_; }
  static std::string line() { return folder_->file("Ferrovello_linea.txt"); }
  static std::string train() { return folder_->file("Ferrovello_2632-.txt"); }
  static std::string dat() { return folder_->file("o/Ferrovello_2632.dat"); }

  static TempFolder* folder_;
};
TempFolder* CommandLine::folder_ = nullptr;

// Every subcommand, on a usage error, a file that is missing, a folder
// given as a file, a file whose reading fails, a full standard output and
// a run that succeeds. The file that cannot be read is /proc/self/mem: it
// opens, but reading its start fails (EIO), for root as for anyone, where
// a file without read permission would still be read by root.
TEST_F(CommandLine, ExitStatusOfEverySubcommand) {
  TempFolder t;
  write_bytes(t.file("file"), "x");
  struct Command {
    const char* name;
    std::vector<std::string> args;  // "@" stands for the file the row is about
    std::string good;               // the file "@" is in the rows that read it whole
  };
  const std::vector<Command> commands = {
      {"compile", {"compile", "--line", "@", "--train", train(), "--out", t.file("c")}, line()},
      {"check", {"check", "--line", "@", "--train", train()}, line()},
      {"dump", {"dump", "@", "--type", "percorso"}, dat()},
      {"plot", {"plot", "--out", "-", "--line", line(), "--train", "@"}, train()},
      {"view", {"view", "--out", "-", "--dat", "@", "--sim", folder_->file("o/Ferrovello_2632.sim")}, dat()},
      {"package",
       {"package", "--line", line(), "--train", "@", "--linux", "--stub", INSTALLER_PATH, "--out", t.file("p")},
       train()},
      // The one command that reads nothing: its folder given as a file; the
      // scripts an earlier row wrote there written over.
      {"scripts", {"scripts", "--out", "@", "--force"}, t.file("s")},
  };
  struct Row {
    const char* what;
    std::string file;
    std::string output;  // standard output, when not collected
    int status;
  };
  const std::vector<Row> rows = {
      {"missing file", t.file("manca"), "", 1},
      {"folder as a file", t.path(), "", 1},
      {"unreadable file", "/proc/self/mem", "", 1},
      {"full output", "", "/dev/full", 1},
      {"success", "", "", 0},
  };
  auto with = [](std::vector<std::string> args, const std::string& file) {
    for (std::string& a : args) {
      if (a == "@") a = file;
    }
    return args;
  };
  for (const Command& c : commands) {
    std::vector<std::string> usage = with(c.args, c.good);
    usage.push_back("--bogus");
    const RunResult u = run(TOOL_PATH, usage);
    EXPECT_EQ(u.status, 2) << c.name << " usage error\n" << u.err;
    EXPECT_NE(u.err.find("l'opzione \"--bogus\" non esiste"), std::string::npos) << c.name << u.err;
    for (const Row& r : rows) {
      const bool scripts = std::string(c.name) == "scripts";
      if (scripts && (r.what == std::string("missing file") || r.what == std::string("unreadable file"))) continue;
      const std::string file = r.file.empty() ? c.good : scripts && r.file == t.path() ? t.file("file") : r.file;
      const RunResult got = run_with(TOOL_PATH, with(c.args, file), "/dev/null", r.output);
      EXPECT_EQ(got.status, r.status) << c.name << ", " << r.what << "\n" << got.err;
      if (r.status != 0) {
        EXPECT_FALSE(got.err.empty()) << c.name << ", " << r.what;
        expect_italian(got.err);
      }
      if (!r.output.empty()) {
        EXPECT_NE(got.err.find("Impossibile scrivere sullo standard output: spazio esaurito sul disco"),
                  std::string::npos) << c.name << "\n" << got.err;
      }
    }
  }
}

TEST_F(CommandLine, HelpIsItalian) {
  const std::vector<std::string> commands = {"", "compile", "check", "dump", "diff", "plot", "view", "scripts", "package"};
  for (const std::string& c : commands) {
    const RunResult r = run(TOOL_PATH, c.empty() ? std::vector<std::string>{"--help"} : std::vector<std::string>{c, "--help"});
    EXPECT_EQ(r.status, 0) << c;
    EXPECT_EQ(r.out.rfind(c.empty() ? "scenario-tool: " : "", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("Uso: scenario-tool" + (c.empty() ? std::string(" [OPZIONI] SOTTOCOMANDO") : " " + c)),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nOpzioni:\n  -h,--help"), std::string::npos) << r.out;
    expect_italian(r.out);
  }
  const RunResult top = run(TOOL_PATH, {"--help"});
  EXPECT_NE(top.out.find("\nSottocomandi:\n  compile"), std::string::npos) << top.out;
  const RunResult compile = run(TOOL_PATH, {"compile", "--help"});
  EXPECT_NE(compile.out.find("--line FILE (obbligatorio)"), std::string::npos) << compile.out;
  EXPECT_NE(compile.out.find("--name NOME=Ferrovello"), std::string::npos) << compile.out;
  EXPECT_NE(run(TOOL_PATH, {"dump", "--help"}).out.find("Argomenti:\n  FILE (obbligatorio)"), std::string::npos);
  EXPECT_NE(run(TOOL_PATH, {"plot", "--help"}).out.find("--sim FILE richiede --line-file"), std::string::npos);
}

TEST_F(CommandLine, UsageErrorsAreItalianWithTheWayToTheHelp) {
  const struct {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{}, "scenario-tool: manca il sottocomando, uno fra: compile, check, dump, diff, plot, view, scripts, package, lsp\n"
           "Per l'aiuto: scenario-tool --help\n"},
      {{"nope", "--out", "x"},
       "scenario-tool: \"nope\" non è un sottocomando\nI sottocomandi sono: compile, check, dump, diff, plot, view, "
       "scripts, package, lsp\nPer l'aiuto: scenario-tool --help\n"},
      {{"compile"}, "scenario-tool compile: manca l'opzione obbligatoria --line\nPer l'aiuto: scenario-tool compile --help\n"},
      {{"check", "--line"}, "scenario-tool check: manca il valore di --line\nPer l'aiuto: scenario-tool check --help\n"},
      {{"dump"}, "scenario-tool dump: manca l'argomento FILE\nPer l'aiuto: scenario-tool dump --help\n"},
      {{"scripts", "--out", "x", "y", "z"}, "scenario-tool scripts: argomenti non previsti: \"y\" \"z\"\n"},
      {{"scripts", "--out", "x", "y", "--z"}, "scenario-tool scripts: l'opzione \"--z\" non esiste\n"},
      {{"dump", "a", "--type", "foo"}, "scenario-tool dump: --type: \"foo\" non è percorso, elementi né linea\n"},
      {{"dump", "a", "--out", "b", "--out", "c"}, "scenario-tool dump: --out va data una volta sola, non 2\n"},
      {{"plot", "--out", "x", "--sim", "y"}, "scenario-tool plot: --sim richiede --line-file\n"},
      {{"plot", "--out", "x"}, "scenario-tool plot: plot: serve --line-file oppure --line con --train\n"},
      {{"package", "--line", "a", "--train", "b", "--out", "c", "--windows", "--linux"},
       "scenario-tool package: --windows esclude --linux\n"},
      {{"scripts", "--out", "x", "--name", "a/b"}, "scenario-tool scripts: --name: "},
      {{"dump", "-"}, "Dallo standard input serve --type: percorso, elementi o linea\n"},
  };
  for (const auto& c : cases) {
    const RunResult r = run(TOOL_PATH, c.args);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
    expect_italian(r.err);
  }
}

TEST_F(CommandLine, VersionFromTheBuild) {
  const RunResult r = run(TOOL_PATH, {"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("scenario-tool 1.", 0), 0u) << r.out;
  EXPECT_EQ(r.out.back(), '\n');
}

// "-" reads standard input where a command reads one file and writes
// standard output where it writes one; a file written is named on
// standard output, as compile names its files.
TEST_F(CommandLine, DashForTheStandardStreams) {
  TempFolder t;
  const RunResult table = run(TOOL_PATH, {"dump", dat()});
  ASSERT_EQ(table.status, 0);
  const RunResult piped = run_with(TOOL_PATH, {"dump", "-", "--type", "percorso"}, dat(), "");
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, table.out);
  const RunResult to_file = run(TOOL_PATH, {"dump", dat(), "--json", "--out", t.file("d.json")});
  EXPECT_EQ(to_file.status, 0) << to_file.err;
  EXPECT_EQ(to_file.out, t.file("d.json") + "\n");
  EXPECT_EQ(read_bytes(t.file("d.json")), run(TOOL_PATH, {"dump", dat(), "--json", "--out", "-"}).out);

  const RunResult svg = run(TOOL_PATH, {"plot", "--out", t.file("p.svg"), "--line", line(), "--train", train()});
  EXPECT_EQ(svg.status, 0) << svg.err;
  EXPECT_EQ(svg.out, t.file("p.svg") + "\n");
  const RunResult svg_out = run(TOOL_PATH, {"plot", "--out", "-", "--line", line(), "--train", train()});
  EXPECT_EQ(svg_out.status, 0) << svg_out.err;
  EXPECT_EQ(svg_out.out, read_bytes(t.file("p.svg")));
  EXPECT_FALSE(file_exists(t.file("-")));
  EXPECT_EQ(list_folder(t.path()), (std::vector<std::string>{"d.json", "p.svg"}));
}

TEST_F(CommandLine, CheckTakesTheScenarioOptionsOfCompile) {
  const RunResult r = run(TOOL_PATH, {"check", "--line", line(), "--train", train(), "--no-line-file", "--strict",
                                      "--name", "Prova", "--train-number", "77"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Nessun errore: percorso di 88000 m", 0), 0u) << r.out;
  EXPECT_EQ(r.err, "");  // the curves, unread without the line file, are no warning
}

// A folder the run cannot write into is said to be so, not as a failure on
// its lock file. /sys refuses new files to root too.
TEST_F(CommandLine, ReadOnlyFolder) {
  if (!std::filesystem::is_directory("/sys") || (::getuid() != 0 && ::access("/sys", W_OK) == 0)) {
    GTEST_SKIP() << "no folder that refuses new files";
  }
  const RunResult r = run(TOOL_PATH, {"compile", "--line", line(), "--train", train(), "--out", "/sys"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("La cartella \"/sys\" non è scrivibile (", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("): non è stato scritto nessun file"), std::string::npos) << r.err;
}

// The installer in a folder it may not write into (a user's folder made
// read-only): said so, with where the program belongs, nothing written.
// Root writes into any such folder, so root runs it as another user.
TEST(InstallerFolder, ReadOnly) {
  TempFolder t;
  std::filesystem::copy_file(INSTALLER_PATH, t.file("ferrovello"));
  std::filesystem::permissions(t.path(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                             std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                                             std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
  const RunResult r = ::getuid() == 0
                          ? run("/usr/bin/setpriv", {"--reuid=65534", "--regid=65534", "--clear-groups", t.file("ferrovello")})
                          : run(t.file("ferrovello"), {});
  std::filesystem::permissions(t.path(), std::filesystem::perms::owner_all);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("La cartella \"" + t.path() +
                       "\" non è scrivibile (permesso negato): copia il programma nella cartella del simulatore ed "
                       "eseguilo da lì; non è stato scritto nessun file"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(list_folder(t.path()), std::vector<std::string>{"ferrovello"});
}

// The installed copy (PREFIX/share/ferrovello) refuses to run where it lies,
// also for root, who could write there: the scenario would end up among the
// package's files. The same program copied anywhere else installs.
TEST(InstallerFolder, InstalledPlaceIsRefused) {
  TempFolder t;
  const std::string installed = t.file("share/ferrovello");
  std::filesystem::create_directories(installed);
  std::filesystem::copy_file(INSTALLER_PATH, installed + "/ferrovello");
  const RunResult r = run(installed + "/ferrovello", {});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Il programma è nella cartella in cui è installato (\"" + installed +
                       "\"), dove non va eseguito: copia il programma nella cartella del simulatore ed eseguilo da lì; "
                       "non è stato scritto nessun file"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(list_folder(installed), std::vector<std::string>{"ferrovello"});
}

TEST(InstallerFolder, InstalledPlaceIsTheFolderOnly) {
  const struct {
    const char* folder;
    bool installed;
  } cases[] = {{"/usr/share/ferrovello", true},       {"/usr/local/share/ferrovello/", true},
               {"C:\\x\\share\\ferrovello", true},     {"/usr/share/ferrovello/altro", false},
               {"/home/a/myshare/ferrovello", false}, {"/home/a/share/ferrovello2", false},
               {"/sim/ferrovello", false}};
  for (const auto& c : cases) EXPECT_EQ(Form1::cartella_installata(c.folder), c.installed) << c.folder;
}

// A reader that stops early (`| head`) ends the tool without a word.
TEST_F(CommandLine, AReaderThatStopsEarlyEndsTheToolQuietly) {
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  TempFolder t;
  const std::string err_path = t.file("err");
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipe_fds[1], 1);
    const int err = ::open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(err, 2);
    ::close(pipe_fds[0]);
    ::execl(TOOL_PATH, TOOL_PATH, "dump", folder_->file("o/Ferrovello_linea.dat").c_str(), nullptr);
    ::_exit(127);
  }
  ::close(pipe_fds[1]);
  char first[100];
  ASSERT_GT(::read(pipe_fds[0], first, sizeof first), 0);
  ::close(pipe_fds[0]);  // the reader goes
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(read_bytes(err_path), "");
}

TEST(SystemReasons, CommonFailuresInItalianOthersAsTheSystemSaysThem) {
  const struct {
    int code;
    const char* reason;
  } cases[] = {
      {ENOENT, "file o cartella inesistente"},
      {EACCES, "permesso negato"},
      {ENOSPC, "spazio esaurito sul disco"},
      {EFBIG, "file troppo grande"},
      {EROFS, "disco in sola lettura"},
      {EISDIR, "è una cartella"},
      {ENOTDIR, "una parte del percorso non è una cartella"},
      {EEXIST, "esiste già"},
      {EIO, "errore del dispositivo in lettura o scrittura"},
      {EXDEV, std::strerror(EXDEV)},
  };
  for (const auto& c : cases) EXPECT_EQ(PosixPlatform::reason_of(c.code), c.reason) << c.code;

  // And as a run meets them.
  TempFolder t;
  write_bytes(t.file("f"), "x");
  PosixPlatform platform(t.path());
  std::string bytes;
  std::string reason;
  EXPECT_FALSE(platform.read_file(t.file("manca"), bytes, reason));
  EXPECT_EQ(reason, "file o cartella inesistente");
  EXPECT_FALSE(platform.read_file(t.path(), bytes, reason));
  EXPECT_EQ(reason, "è una cartella");
  EXPECT_FALSE(platform.replace_file(t.file("f/g"), "x", reason));
  EXPECT_EQ(reason, "una parte del percorso non è una cartella");
  EXPECT_FALSE(platform.create_folder(t.file("f"), reason));
  EXPECT_EQ(reason, "una parte del percorso non è una cartella");
}

}  // namespace
}  // namespace ferrovello::test
