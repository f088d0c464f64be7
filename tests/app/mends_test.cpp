// Faults of the run that must never pass unnoticed or lose a file.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "support/decode.h"
#include "support/folder.h"
#include "support/scenario.h"

namespace ferrovello::test {
namespace {

// Runs a program with a file size limit, as a user's shell with `ulimit -f`
// would, the size signal at its default action as a user's shell leaves it:
// the program itself must keep that signal from killing it.
RunResult run_with_size_limit(const std::string& program, const std::vector<std::string>& args, rlim_t limit) {
  return run_limited(program, args, RLIMIT_FSIZE, limit);
}

// Nothing of a run is left in the folder but its files: no lock, no
// temporary file, no script.
void expect_only(const std::string& folder, std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  EXPECT_EQ(list_folder(folder), names);
}

// 256 KiB, as `ulimit -f 256`: the documents and the scripts fit, the line
// file does not.
constexpr rlim_t kLimit = 256 * 1024;

TEST(Mends, TheInstallerUnderAFileSizeLimit) {
  TempFolder reference;
  ASSERT_EQ(run_installer_in(reference.path()).status, 0);
  TempFolder folder;
  const std::string old_line_file(500000, 'L');
  write_bytes(folder.file("Ferrovello_linea.dat"), old_line_file);
  write_bytes(folder.file("Ferrovello_2632.sim"), "vecchio");
  std::filesystem::copy_file(INSTALLER_PATH, folder.file("ferrovello"));
  const RunResult r = run_with_size_limit(folder.file("ferrovello"), {}, kLimit);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("Impossibile scrivere il file \"" + folder.file("Ferrovello_linea.dat") + "\": file troppo grande"),
            std::string::npos) << r.err;
  EXPECT_EQ(read_bytes(folder.file("Ferrovello_linea.dat")), old_line_file);
  EXPECT_EQ(read_bytes(folder.file("Ferrovello_2632.sim")), "vecchio");  // later files are not written
  for (const char* document : {"Ferrovello_2632_note.txt", "Ferrovello_2632_rallentamenti.txt",
                               "Ferrovello_2632_scheda_treno.txt"}) {
    EXPECT_EQ(read_bytes(folder.file(document)), read_bytes(reference.file(document))) << document;
  }
  expect_only(folder.path(), {"ferrovello", "Ferrovello_linea.dat", "Ferrovello_2632.sim", "Ferrovello_2632_note.txt",
                              "Ferrovello_2632_rallentamenti.txt", "Ferrovello_2632_scheda_treno.txt"});
}

TEST(Mends, TheToolUnderAFileSizeLimit) {
  TempFolder in;
  ASSERT_EQ(run(TOOL_PATH, {"scripts", "--out", in.path()}).status, 0);
  TempFolder out;
  write_bytes(out.file("Ferrovello_linea.dat"), "vecchio");
  const RunResult r = run_with_size_limit(TOOL_PATH,
                                          {"compile", "--line", in.file("Ferrovello_linea.txt"), "--train",
                                           in.file("Ferrovello_2632-.txt"), "--out", out.path()},
                                          kLimit);
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.err.find("Impossibile scrivere il file \"" + out.file("Ferrovello_linea.dat") + "\": file troppo grande"),
            std::string::npos) << r.err;
  EXPECT_EQ(read_bytes(out.file("Ferrovello_linea.dat")), "vecchio");
  expect_only(out.path(), {"Ferrovello_linea.dat"});
}

TEST(Mends, AnOutputNameTakenByAFolder) {
  TempFolder folder;
  std::filesystem::create_directory(folder.file("Ferrovello_2632.sim"));
  const RunResult r = run_installer_in(folder.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Ferrovello_2632.sim"), std::string::npos) << r.err;
  EXPECT_EQ(read_bytes(folder.file("Ferrovello_linea.dat")).size(), line_file_size(95000));  // written before stays
  EXPECT_FALSE(file_exists(folder.file("Ferrovello_2632.dat")));
  for (const std::string& name : list_folder(folder.path())) EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

TEST(Mends, NoScriptLeftBehindAfterAFault) {
  Scenario s;
  s.compile(crlf({"nessuna sezione", "[fine]"}), train_script({}));
  EXPECT_EQ(s.form.error_code, 102);
  EXPECT_FALSE(s.exists(s.line_path()));
  EXPECT_FALSE(s.exists(s.train_path()));

  Scenario t;
  t.compile(line_script({"cartello_indicatore,  1000,     (A)", "cartello_indicatore,  1000,     (B)"}), train_script({}));
  EXPECT_EQ(t.form.error_code, 6);
  EXPECT_FALSE(t.exists(t.train_path()));
}

TEST(Mends, MissingLineScript) {
  Scenario s;
  s.form.memorizza_dati();
  EXPECT_EQ(s.form.error_code, 101);
  ASSERT_EQ(s.form.diagnoses.size(), 1u);
  EXPECT_EQ(s.form.diagnoses[0].luogo, s.line_path());
}

// Features whose cells fall outside the route are cut there; nothing is
// written outside the tables (the sanitized build checks every access).
TEST(Mends, NothingIsWrittenOutsideTheTables) {
  Scenario s;
  s.compile(line_script({"montagna,  7000,  50000,  11", "montagna,  -500,  200,  2", "curvad6,  6500,  100000",
                         "cartello_indicatore,  -300,     (A)"},
                        7000),
            train_script({"segnale,  100,  1,  4,  0,  0,  0,  0,  0,  0,  0,  0",
                          "segnale,  -2000,  1,  4,  0,  0,  0,  0,  0,  0,  0,  0",
                          "rallentamento,  9000,  60,  900000,  0,  0,  0", "abbattimento,  -900,  1",
                          "velocita,  0,  80", "velocita,  100,  90", "velocita,  100,  90", "velocita,  100,  90"}));
  EXPECT_EQ(s.form.error_code, 0);
  EXPECT_EQ(s.form.last_cell, 280);
  EXPECT_EQ(s.cell(280).byte3, 1);  // the long mountain runs to the last cell
  EXPECT_EQ(s.cell(1).byte2, 31);   // the signal in cell 3: its other approach cells lie before cell 0
  EXPECT_EQ(s.cell(0).byte3, 3);    // type 3: it starts before the previous section ends
  EXPECT_EQ(s.cell(181).kind, 3);
  EXPECT_EQ(s.form.items[80].text, "");  // the signboard before the route is skipped
  EXPECT_EQ(s.form.line_table[13998].tag, LineValue::kReale);
  EXPECT_EQ(s.form.line_table[13999].tag, LineValue::kVuoto);
}

TEST(Mends, RefusedWhereNoSlotOrTableIsLeft) {
  std::string signs;
  for (int i = 0; i < 81; ++i) signs += "cartello_indicatore,  " + std::to_string(1000 + 100 * i) + ",     (X)\r\n";
  Scenario s;
  s.compile(crlf({"[generale]", "lunghezza percorso,  88000", "[corpo]"}) + signs + "[fine]\r\n", train_script({}));
  EXPECT_EQ(s.form.error_code, 10);
  EXPECT_EQ(s.form.error_position, 9000);
  ASSERT_EQ(s.form.diagnoses.size(), 1u);
  EXPECT_EQ(s.form.diagnoses[0].luogo, s.line_path() + ":84:1");  // the 81st signboard

  std::string mountains;
  for (int i = 0; i < 81; ++i) mountains += "montagna,  " + std::to_string(1000 + 500 * i) + ",  " + std::to_string(1200 + 500 * i) + ",  1\r\n";
  Scenario m;
  m.compile(crlf({"[generale]", "lunghezza percorso,  88000", "[corpo]"}) + mountains + "[fine]\r\n", train_script({}));
  EXPECT_EQ(m.form.error_code, 25);
  EXPECT_EQ(m.form.mountain_count, 80);

  Scenario pair;
  pair.compile(line_script({"indicatori_vmax,  1000,  2000,  0,  0,  0,    ,    ,    ,  0"}), train_script({}));
  EXPECT_EQ(pair.form.error_code, 25);

  Scenario sum;
  sum.compile(line_script({}), train_script({"rallentamento,  10000,  60,  2147483000,  0,  0,  0"}));
  EXPECT_EQ(sum.form.error_code, 25);
}

}  // namespace
}  // namespace ferrovello::test
