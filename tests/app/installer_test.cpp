// The installer run end to end in a fresh folder, its files checked whole.
#include <gtest/gtest.h>

#include "support/decode.h"
#include "support/folder.h"

namespace ferrovello::test {
namespace {

class Installer : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    result_ = new RunResult(run_installer_in(folder_->path()));
  }
  static void TearDownTestSuite() {
    delete result_;
    delete folder_;
  }
  static std::string file(const std::string& name) { return read_bytes(folder_->file(name)); }

  static TempFolder* folder_;
  static RunResult* result_;
};
TempFolder* Installer::folder_ = nullptr;
RunResult* Installer::result_ = nullptr;

TEST_F(Installer, EndsWellLeavingTheBinaryFilesAndNoScript) {
  EXPECT_EQ(result_->status, 0) << result_->err;
  EXPECT_EQ(result_->err, "Attendere\n");
  // The sizes follow from the record layouts and the scenario: a route of
  // 88000 m has cells 0 to 1900 and a line table of metres 0 to 95000.
  EXPECT_EQ(file("Ferrovello_2632.dat").size(), route_file_size(1900));
  size_t texts = 0;
  for (const ItemRecord& r : items_of(file("Ferrovello_2632.sim"))) texts += r.text.size();
  EXPECT_EQ(texts, 1638u);  // 16 station names, 61 signboard texts, the two names
  EXPECT_EQ(file("Ferrovello_2632.sim").size(), item_file_size(texts));
  EXPECT_EQ(file("Ferrovello_linea.dat").size(), line_file_size(95000));
  for (const std::string& name : list_folder(folder_->path())) {
    EXPECT_EQ(name.find("Ferrovello_linea.txt"), std::string::npos);
    EXPECT_EQ(name.find("-.txt"), std::string::npos) << name;
    EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
  }
}

TEST_F(Installer, ItemFileHoldsSettingsStationsAndStamps) {
  const std::vector<ItemRecord> it = items_of(file("Ferrovello_2632.sim"));
  ASSERT_EQ(it.size(), 87u);
  EXPECT_EQ(it[0].kind, 0);
  EXPECT_EQ(it[0].text, "");
  EXPECT_EQ(it[85].text, "Ferrovello");
  EXPECT_EQ(it[85].word1, 610);
  EXPECT_EQ(it[85].code, 32776);
  EXPECT_EQ(it[85].value1, 1);
  EXPECT_EQ(it[86].text, "2632");
  EXPECT_EQ(it[86].word1, 300);
  EXPECT_EQ((std::vector<int>{it[86].word3, it[86].word4, it[86].word5}), (std::vector<int>{7, 29, 40}));
  EXPECT_EQ(it[84].value1, 130);
  EXPECT_EQ(it[84].value2, 88000);
  EXPECT_EQ(it[84].position, 9);
  EXPECT_EQ((std::vector<int32_t>{it[81].value1, it[81].value2, it[81].position}), (std::vector<int32_t>{55000, 92000, 1}));
  EXPECT_EQ((std::vector<int32_t>{it[82].value1, it[82].value2, it[82].position}), (std::vector<int32_t>{42300, -42300, 0}));
  EXPECT_EQ((std::vector<int32_t>{it[83].value1, it[83].value2, it[83].position}), (std::vector<int32_t>{0, -1500, 0}));
  EXPECT_EQ(it[1].text, "ALESSANDRIA");
  EXPECT_EQ(it[3].text, "VALENZA");
  EXPECT_EQ(it[3].code, (7 * 60 + 42) * 60);
  EXPECT_EQ(it[16].text, "MILANO P.GENOVA");
  EXPECT_EQ(it[17].text, "");
  EXPECT_EQ(it[80].text, "(Fiume )(TANARO)");
  EXPECT_EQ(it[20].text, "(   P.L.  )(km 6+532)");  // the 61st signboard
  EXPECT_EQ(it[19].text, "");
}

TEST_F(Installer, RouteFileCells) {
  const std::string dat = file("Ferrovello_2632.dat");
  ASSERT_EQ(dat.size(), route_file_size(1900));
  const RouteCell c1 = cell_at(dat, 1);
  EXPECT_EQ(c1.value1, 5121);
  EXPECT_EQ(c1.value2, 2385);
  EXPECT_EQ(cell_at(dat, 0).kind, 0);
  // The signal at 7900 m, as its bytes: kind, value1 to value4 (16-bit),
  // byte1 to byte6. This pins the cell's layout independently of the one
  // the encoder and the decoder share.
  const std::string signal("\x01\x28\x00\x00\x00\x00\x00\x06\x00\x00\x00\x00\x1b\x6a\x64", 15);
  EXPECT_EQ(dat.substr(159 * signal.size(), signal.size()), signal);
  const int approach[] = {157, 155, 153, 151};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(cell_at(dat, static_cast<size_t>(approach[k])).byte2, 61 + k);
  for (size_t i = 174; i <= 220; ++i) EXPECT_EQ(cell_at(dat, i).byte3, 1) << i;
  EXPECT_EQ(cell_at(dat, 177).kind, 11);
  EXPECT_EQ(cell_at(dat, 217).kind, 11);
  EXPECT_EQ(cell_at(dat, 221).byte3, 0);
  // Stop cells of Alessandria and Valenza with their approach marks.
  EXPECT_EQ(cell_at(dat, 7).kind, 10);
  EXPECT_EQ(cell_at(dat, 7).value1, 1);
  EXPECT_EQ(cell_at(dat, 282).kind, 10);
  EXPECT_EQ(cell_at(dat, 282).value1, 3);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(cell_at(dat, static_cast<size_t>(282 - k)).byte2, 80 + k);
  EXPECT_EQ(cell_at(dat, 1897).byte5, 100);
  EXPECT_EQ(cell_at(dat, 1898).byte5, 0);
}

TEST_F(Installer, LineFileMetreIndexFastest) {
  const std::string lin = file("Ferrovello_linea.dat");
  const size_t half = 949982;
  ASSERT_EQ(lin.size(), 2 * half);
  // Metres 0 and 1 as 16-bit integers: (0, 0) and (0, 1).
  EXPECT_EQ(lin.substr(0, 8), std::string("\x02\x00\x00\x00\x02\x00\x00\x00", 8));
  EXPECT_EQ(lin.substr(half, 8), std::string("\x02\x00\x00\x00\x02\x00\x01\x00", 8));
  // Metre m >= 2 at 8 + 10 (m - 2) in each half: tag 5 and a double.
  auto point = [&](size_t m, size_t entry) {
    const size_t at = entry * half + 8 + 10 * (m - 2);
    EXPECT_EQ(le16(lin, at), 5);
    return le64f(lin, at + 2);
  };
  EXPECT_EQ(point(700, 0), 0.0);
  EXPECT_EQ(point(700, 1), 700.0);
  EXPECT_EQ(point(701, 0), -0.001);  // the first curve turns left
  EXPECT_EQ(point(701, 1), 701.0);
  // The last two metres of each half are empty slots.
  EXPECT_EQ(lin.substr(half - 4, 4), std::string("\x00\x00\x00\x00", 4));
  EXPECT_EQ(lin.substr(2 * half - 4, 4), std::string("\x00\x00\x00\x00", 4));
}

TEST(InstallerRerun, ReplacesLongerFilesWhole) {
  TempFolder folder;
  for (const char* name : {"Ferrovello_2632.dat", "Ferrovello_2632.sim", "Ferrovello_linea.dat"}) {
    write_bytes(folder.file(name), std::string(3000000, 'x'));
  }
  const RunResult r = run_installer_in(folder.path());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read_bytes(folder.file("Ferrovello_2632.dat")).size(), route_file_size(1900));
  EXPECT_EQ(read_bytes(folder.file("Ferrovello_2632.sim")).size(), item_file_size(1638));
  EXPECT_EQ(read_bytes(folder.file("Ferrovello_linea.dat")).size(), line_file_size(95000));
}

}  // namespace
}  // namespace ferrovello::test
