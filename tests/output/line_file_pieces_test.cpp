// The line file written in pieces while its table is laid: the same bytes as
// the table encoded slot by slot, whether the table was laid to its end (the
// last piece and the empty tails written at the end) or cut short by a fault
// after some pieces had gone (the file then written whole); no temporary
// file left behind, also by a compilation that never writes its files.
#include <gtest/gtest.h>

#include "output/encoding.h"
#include "support/scenario.h"

namespace ferrovello::test {
namespace {

TEST(LineFileInPieces, TheBytesOfTheTableWhetherLaidToItsEndOrCutShort) {
  struct Case {
    const char* what;
    std::string line;
    int32_t fault;
  };
  const Case cases[] = {
      {"three whole pieces and a part", line_script({"curvad2,  1000,  70000", "curvas4,  140000,  500"}, 200000), 0},
      {"exactly one piece", line_script({}, static_cast<int>(LineTable::kPiece) - 6999), 0},
      {"cut short after fifteen pieces", line_script({"curvas1,  0,  1000000"}, 1000000), 103},
  };
  for (const Case& c : cases) {
    FolderScenario s;
    s.compile(c.line, train_script({}));
    EXPECT_EQ(s.form.error_code, c.fault) << c.what;
    EXPECT_NE(s.form.line_writer, nullptr) << c.what;  // pieces went to a temporary file
    s.form.scrivi_file_linea();
    const std::string expected = codifica_linea(valori_linea(s.form.line_table));
    const std::string written = read_bytes(s.folder.file("Ferrovello_linea.dat"));
    EXPECT_EQ(written.size(), expected.size()) << c.what;
    EXPECT_TRUE(written == expected) << c.what;
    EXPECT_EQ(list_folder(s.folder.path()), std::vector<std::string>{"Ferrovello_linea.dat"}) << c.what;
  }
}

TEST(LineFileInPieces, ACompilationThatWritesNothingLeavesNothing) {
  TempFolder folder;
  {
    PosixPlatform platform(folder.path());
    ScenarioForm s(platform);
    s.compile(line_script({}, 300000), train_script({}));
    ASSERT_EQ(s.form.error_code, 0);
    ASSERT_NE(s.form.line_writer, nullptr);  // pieces went to a temporary file
  }
  EXPECT_TRUE(list_folder(folder.path()).empty());
}

}  // namespace
}  // namespace ferrovello::test
