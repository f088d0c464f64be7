// scenario-tool package: self-installing programs made from the installer,
// run in fresh folders, and packages damaged on the way to the driver.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/folder.h"
#include "tools/scenario/prepared_scripts.h"
#include "tools/text/cp1252.h"

namespace ferrovello::test {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kBinaryFiles = {"Ferrovello_2632.dat", "Ferrovello_2632.sim", "Ferrovello_linea.dat"};
const std::vector<std::string> kDocuments = {"Ferrovello_2632_note.txt", "Ferrovello_2632_rallentamenti.txt",
                                             "Ferrovello_2632_scheda_treno.txt"};

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

// Windows-1252 text with CR LF as an editor would save it today: UTF-8, LF.
std::string utf8_lf(const std::string& cp1252) {
  std::string out;
  for (const char c : utf8_da_cp1252(cp1252)) {
    if (c != '\r') out.push_back(c);
  }
  return out;
}

// Copies a package into `folder` and runs it there from another folder.
RunResult run_package_in(const std::string& package, const std::string& folder, const std::string& name = "pacchetto") {
  fs::create_directories(folder);
  const std::string copy = folder + "/" + name;
  fs::copy_file(package, copy, fs::copy_options::overwrite_existing);
  return run(copy, {}, "/");
}

class Package : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    ASSERT_EQ(run(TOOL_PATH, {"scripts", "--out", dir("s")}).status, 0);
    const RunResult r = run_installer_in(dir(""));
    ASSERT_EQ(r.status, 0) << r.err;
    for (const std::string& doc : kDocuments) write_bytes(dir("s/" + doc), utf8_lf(read_bytes(dir(doc))));
  }
  static void TearDownTestSuite() { delete folder_; }
  static std::string dir(const std::string& name) { return folder_->file(name); }
  // The installer's own files, from its run in the suite's folder.
  static std::string installers(const std::string& name) { return read_bytes(dir(name)); }
  static std::vector<std::string> scripts() {
    return {"--line", dir("s/Ferrovello_linea.txt"), "--train", dir("s/Ferrovello_2632-.txt")};
  }
  static RunResult package(std::vector<std::string> args, const std::string& out) {
    args.insert(args.begin(), "package");
    args.insert(args.end(), {"--stub", INSTALLER_PATH, "--out", out});
    return run(TOOL_PATH, args);
  }

  static TempFolder* folder_;
};
TempFolder* Package::folder_ = nullptr;

TEST_F(Package, OfTheEmbeddedScriptsLeavesTheInstallersBinaryFiles) {
  TempFolder t;
  const RunResult made = package(scripts(), t.file("pacchetto"));
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(made.out, t.file("pacchetto") + "\n");
  EXPECT_EQ(fs::status(t.file("pacchetto")).permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
  const std::string program = read_bytes(t.file("pacchetto"));
  EXPECT_EQ(program.substr(0, read_bytes(INSTALLER_PATH).size()), read_bytes(INSTALLER_PATH));

  const RunResult r = run_package_in(t.file("pacchetto"), t.file("corsa"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "Attendere\n");
  std::vector<std::string> expected = kBinaryFiles;
  expected.push_back("pacchetto");
  EXPECT_EQ(list_folder(t.file("corsa")), expected);
  for (const std::string& name : kBinaryFiles) EXPECT_EQ(read_bytes(t.file("corsa/" + name)), installers(name)) << name;
}

TEST_F(Package, WithTheInstallersDocumentsAsUtf8LeavesAllSixFiles) {
  TempFolder t;
  std::vector<std::string> args = scripts();
  args.insert(args.end(), {"--notes", dir("s/" + kDocuments[0]), "--slow-orders", dir("s/" + kDocuments[1]), "--card",
                           dir("s/" + kDocuments[2]), "--linux"});
  const RunResult made = package(args, t.file("pacchetto"));
  ASSERT_EQ(made.status, 0) << made.err;
  ASSERT_NE(read_bytes(dir("s/" + kDocuments[2])).find("\xC3"), std::string::npos);  // accented letters in UTF-8

  const RunResult r = run_package_in(t.file("pacchetto"), t.file("corsa"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(list_folder(t.file("corsa")).size(), 7u);
  for (const auto* names : {&kBinaryFiles, &kDocuments}) {
    for (const std::string& name : *names) EXPECT_EQ(read_bytes(t.file("corsa/" + name)), installers(name)) << name;
  }
}

// Another name and train number, a station moved, accented station names
// and documents in UTF-8, installed into a folder with spaces and accents:
// the files of `scenario-tool compile` on the same scripts, plus the documents.
TEST_F(Package, OfAnEditedScenarioLeavesTheFilesOfCompileAndTheDocuments) {
  TempFolder t;
  std::string train = read_bytes(dir("s/Ferrovello_2632-.txt"));
  train = replaced(train, "stazione,  8050,  28,", "stazione,  8350,  28,");
  train = replaced(train, "   VALENZA\r\n", "   VALENZA PÒ\r\n");
  train = replaced(train, "   SARTIRANA\r\n", "   SARTIRANA – CITTÀ\r\n");
  write_bytes(t.file("treno.txt"), train);
  std::string train_cp1252;
  ASSERT_TRUE(cp1252_da_utf8(train, train_cp1252));
  write_bytes(t.file("treno-1252.txt"), train_cp1252);
  const std::string notes = "Note della linea Lomellina\nCittà: Vigevano, Mortara\n€ 2,50\n";
  write_bytes(t.file("note.txt"), notes);
  write_bytes(t.file("scheda.txt"), "Treno 10234\r\nPò");

  const std::vector<std::string> names = {"--name", "Lomellina", "--train-number", "10234"};
  std::vector<std::string> args = {"--line", dir("s/Ferrovello_linea.txt"), "--train", t.file("treno.txt"),
                                   "--notes", t.file("note.txt"), "--card", t.file("scheda.txt")};
  args.insert(args.end(), names.begin(), names.end());
  const RunResult made = package(args, t.file("pacchetto"));
  ASSERT_EQ(made.status, 0) << made.err;
  std::vector<std::string> compile = {"compile", "--line", dir("s/Ferrovello_linea.txt"), "--train",
                                      t.file("treno-1252.txt"), "--out", t.file("compilati")};
  compile.insert(compile.end(), names.begin(), names.end());
  ASSERT_EQ(run(TOOL_PATH, compile).status, 0);

  const std::string folder = t.file("Giochi/Località di prova à è");
  const RunResult r = run_package_in(t.file("pacchetto"), folder, "Lomellina installa");
  EXPECT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> binary = {"Lomellina_10234.dat", "Lomellina_10234.sim", "Lomellina_linea.dat"};
  EXPECT_EQ(list_folder(folder), (std::vector<std::string>{"Lomellina installa", binary[0], binary[1],
                                                           "Lomellina_10234_note.txt", "Lomellina_10234_scheda_treno.txt",
                                                           binary[2]}));
  for (const std::string& name : binary) {
    EXPECT_EQ(read_bytes(folder + "/" + name), read_bytes(t.file("compilati/" + name))) << name;
  }
  EXPECT_NE(read_bytes(folder + "/Lomellina_10234.sim").find("VALENZA P\xD2"), std::string::npos);
  EXPECT_NE(read_bytes(folder + "/Lomellina_10234.sim").find("SARTIRANA \x96 CITT\xC0"), std::string::npos);
  EXPECT_EQ(read_bytes(folder + "/Lomellina_10234_note.txt"),
            "Note della linea Lomellina\r\nCitt\xE0: Vigevano, Mortara\r\n\x80 2,50\r\n");
  EXPECT_EQ(read_bytes(folder + "/Lomellina_10234_scheda_treno.txt"), "Treno 10234\r\nP\xF2\r\n");
}

// A package damaged on its way: refused with a message, status 1, and
// nothing written beside it.
TEST_F(Package, DamagedPackagesAreRefusedWritingNothing) {
  TempFolder t;
  ASSERT_EQ(package(scripts(), t.file("pacchetto")).status, 0);
  const std::string good = read_bytes(t.file("pacchetto"));
  const size_t stub = read_bytes(INSTALLER_PATH).size();
  auto with_length = [&](uint64_t n) {
    std::string bytes = good;
    for (int i = 0; i < 8; ++i) bytes[good.size() - 20 + static_cast<size_t>(i)] = static_cast<char>(n >> (8 * i));
    return bytes;
  };
  std::string flipped = good;
  flipped[stub + 40] = static_cast<char>(flipped[stub + 40] ^ 0x01);
  std::string appended = good + "firma";
  const struct {
    const char* what;
    std::string bytes;
    const char* says;
  } cases[] = {
      {"last byte cut", good.substr(0, good.size() - 1), "tagliato"},
      {"magic number cut in half", good.substr(0, good.size() - 4), "tagliato"},
      {"trailer and half the payload cut", good.substr(0, stub + (good.size() - stub) / 2), "byte senza la coda"},
      {"payload byte changed", flipped, "la somma di controllo non corrisponde"},
      {"more bytes claimed than the file holds", with_length(good.size()), "ma il file ne ha"},
      {"an absurd length", with_length(~uint64_t{0}), "ma il file ne ha"},
      {"a shorter length", with_length(good.size() - stub - 21), "la somma di controllo"},
      {"bytes after the trailer", appended, "altri byte"},
  };
  for (const auto& c : cases) {
    const std::string folder = t.file(std::string("corsa ") + c.what);
    fs::create_directories(folder);
    write_bytes(folder + "/pacchetto", c.bytes);
    fs::permissions(folder + "/pacchetto", fs::perms::owner_all);
    const RunResult r = run(folder + "/pacchetto", {}, "/");
    EXPECT_EQ(r.status, 1) << c.what;
    EXPECT_NE(r.err.find("danneggiato o incompleto"), std::string::npos) << c.what << ": " << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.what << ": " << r.err;
    EXPECT_EQ(list_folder(folder), std::vector<std::string>{"pacchetto"}) << c.what;
  }
}

TEST_F(Package, RefusesAFaultyScenarioWithTheChecksReport) {
  TempFolder t;
  const std::string signal = "segnale,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0\r\n";
  write_bytes(t.file("treno.txt"), replaced(read_bytes(dir("s/Ferrovello_2632-.txt")), signal, signal + signal));
  const RunResult r =
      package({"--line", dir("s/Ferrovello_linea.txt"), "--train", t.file("treno.txt")}, t.file("pacchetto"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind(" Errore n. ", 0), 0u) << r.err;
  const RunResult check = run(TOOL_PATH, {"check", "--line", dir("s/Ferrovello_linea.txt"), "--train", t.file("treno.txt")});
  EXPECT_EQ(r.err, check.err);
  EXPECT_EQ(list_folder(t.path()), std::vector<std::string>{"treno.txt"});
}

// The check's warnings are shown as `check` shows them and the package is
// written all the same. The scripts are read as `check` reads them: UTF-8
// is converted once, with the same note, into the bytes the package
// carries ("Ã©" becomes C3 A9).
TEST_F(Package, ShowsTheChecksWarningsAndWritesThePackage) {
  TempFolder t;
  const std::string misspelt =
      replaced(read_bytes(dir("s/Ferrovello_2632-.txt")), "segnale,  7900,", "segnale di partenza,  7900,");
  write_bytes(t.file("treno.txt"), misspelt);
  const std::vector<std::string> args = {"--line", dir("s/Ferrovello_linea.txt"), "--train", t.file("treno.txt")};
  std::vector<std::string> check = {"check"};
  check.insert(check.end(), args.begin(), args.end());
  const RunResult checked = run(TOOL_PATH, check);
  ASSERT_EQ(checked.status, 0);
  ASSERT_NE(checked.err.find(": avviso: \"segnale di partenza\" è letto come la parola chiave"), std::string::npos)
      << checked.err;

  const RunResult made = package(args, t.file("pacchetto"));
  EXPECT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(made.err, checked.err);
  EXPECT_EQ(made.out, t.file("pacchetto") + "\n");

  write_bytes(t.file("treno.txt"), replaced(misspelt, "   SARTIRANA\r\n", "   SARTIRANA Ã©\r\n"));
  const RunResult twice = package(args, t.file("pacchetto"));
  EXPECT_EQ(twice.status, 0) << twice.err;
  EXPECT_EQ(twice.err, run(TOOL_PATH, check).err);
  EXPECT_NE(twice.err.find("treno.txt:1:1: nota: il file è in UTF-8"), std::string::npos) << twice.err;
  const RunResult r = run_package_in(t.file("pacchetto"), t.file("corsa"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(read_bytes(t.file("corsa/Ferrovello_2632.sim")).find("SARTIRANA \xC3\xA9"), std::string::npos);
}

// Text that cannot be carried, and installers that cannot carry a package.
TEST_F(Package, RefusesWhatItCannotCarry) {
  TempFolder t;
  write_bytes(t.file("note.txt"), "Prima riga\nsegue una freccia →\n");
  write_bytes(t.file("latin1.txt"), "Citt\xE0\n");
  const std::string line = dir("s/Ferrovello_linea.txt");
  write_bytes(t.file("linea.txt"), replaced(read_bytes(line), "[curve]", "[curve] \xF0\x9F\x9A\x82"));
  ASSERT_EQ(package(scripts(), t.file("già pacchetto")).status, 0);
  std::vector<std::string> with_notes = scripts();
  with_notes.insert(with_notes.end(), {"--notes", t.file("note.txt")});
  std::vector<std::string> latin1 = scripts();
  latin1.insert(latin1.end(), {"--card", t.file("latin1.txt")});
  const struct {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {with_notes, t.file("note.txt") + ":2:19: il carattere '→' (U+2192) non ha posto in Windows-1252"},
      {latin1, t.file("latin1.txt") + ":1:5: il testo non è UTF-8 valido"},
      {{"--line", t.file("linea.txt"), "--train", dir("s/Ferrovello_2632-.txt")},
       t.file("linea.txt") + ":10:9: il carattere \"\xF0\x9F\x9A\x82\" (U+1F682) non esiste in Windows-1252"},
      {{"--line", line, "--train", dir("s/Ferrovello_2632-.txt"), "--stub", t.file("già pacchetto")},
       "contiene già uno scenario"},
      {{"--line", line, "--train", dir("s/Ferrovello_2632-.txt"), "--stub", INSTALLER_PATH, "--windows"},
       "non è un programma per Windows"},
      // Programs that are not an installer of this project, the tool among them.
      {{"--line", line, "--train", dir("s/Ferrovello_2632-.txt"), "--stub", "/bin/true"},
       "non è un installatore di questo progetto"},
      // (A tool built with the sanitizers is larger than any installer: it
      // is refused for its size before its bytes are looked at.)
      {{"--line", line, "--train", dir("s/Ferrovello_2632-.txt"), "--stub", TOOL_PATH},
       std::filesystem::file_size(TOOL_PATH) > kMassimoInstallatore ? "il massimo per un installatore"
                                                                    : "non è un installatore di questo progetto"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"package"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    if (std::find(args.begin(), args.end(), "--stub") == args.end()) args.insert(args.end(), {"--stub", INSTALLER_PATH});
    args.insert(args.end(), {"--out", t.file("pacchetto")});
    const RunResult r = run(TOOL_PATH, args);
    EXPECT_EQ(r.status, 1) << c.says;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    EXPECT_FALSE(file_exists(t.file("pacchetto"))) << c.says;
  }
  EXPECT_EQ(run(TOOL_PATH, {"package", "--line", line, "--train", line, "--windows", "--linux", "--out", "x"}).status, 2);
  // Without --stub the installer is looked for beside the tool, where the
  // Linux build has no Ferrovello.exe.
  const RunResult beside = run(TOOL_PATH, {"package", "--line", line, "--train", dir("s/Ferrovello_2632-.txt"),
                                           "--windows", "--out", t.file("pacchetto")});
  EXPECT_EQ(beside.status, 1);
  EXPECT_NE(beside.err.find("/Ferrovello.exe\": indicalo con --stub"), std::string::npos) << beside.err;
  EXPECT_FALSE(file_exists(t.file("pacchetto")));
}

}  // namespace
}  // namespace ferrovello::test
