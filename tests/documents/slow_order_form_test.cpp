// The slow-order form, checked whole against its listed lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "documents/document_files.h"
#include "support/scenario.h"

namespace ferrovello::test {
namespace {

const char* const kFormName = "Ferrovello_2632_rallentamenti.txt";

// The 46 lines of the form, in file order.
const std::vector<std::string> kFormLines = {
    "",
    "                               Modulo M. 3",
    "                           ORDINE DI RALLENTAMENTO",
    " ________________________________________________________________________________",
    "  Linea  Alessandria-Milano P.ta Genova",
    "",
    "  Si ordina al macchinista del treno 2632 di effettuare i seguenti rallentamenti",
    "  _______________________________________________________________________________",
    " |   |                            |Inizio dopo |          |         |            |",
    " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|",
    " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |",
    " |___|____________________________|____________|__________|_________|____________|",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |   |                            |            |          |         |            |",
    " |___|____________________________|____________|__________|_________|____________|",
    "",
    "              Prescrizioni specifiche",
    " A - Da rispettare con tutto il treno (per i treni viaggiatori)",
    " B - Interessa anche la stazione di.......",
    " D - Rallentamneto N. ... e N. ...  sono contigui",
    " C - Da rispettare dalle ore ....  alle ore ..... di tutti",
    "     i giorni esclusi i seguenti:.........",
};

std::string write_form(FolderScenario& run) {
  run.form.dati_rallentamenti();
  return read_bytes(run.folder.file(kFormName));
}

TEST(SlowOrderForm, IsTheListedLinesByteForByte) {
  FolderScenario run;
  const std::string bytes = write_form(run);
  ASSERT_EQ(kFormLines.size(), 46u);
  EXPECT_EQ(bytes, crlf(kFormLines));
  EXPECT_EQ(bytes.size(), 3298u);
  std::vector<std::string> lines;
  ASSERT_TRUE(split_crlf(bytes, lines));
  EXPECT_EQ(lines.size(), 46u);
}

TEST(SlowOrderForm, HasTwentySixBlankRowsAndTheKeyInOrderABDC) {
  FolderScenario run;
  std::vector<std::string> lines;
  ASSERT_TRUE(split_crlf(write_form(run), lines));
  ASSERT_EQ(lines.size(), 46u);
  const std::string rule = lines[11];
  EXPECT_EQ(lines[38], rule);
  for (size_t i = 12; i < 38; ++i) {
    EXPECT_EQ(lines[i], " |   |                            |            |          |         |            |") << "line " << i + 1;
  }
  for (int n : {1, 6, 40}) EXPECT_EQ(lines[static_cast<size_t>(n - 1)], "") << "line " << n;
  EXPECT_EQ(lines[41].substr(0, 4), " A -");
  EXPECT_EQ(lines[42].substr(0, 4), " B -");
  EXPECT_EQ(lines[43].substr(0, 4), " D -");
  EXPECT_EQ(lines[44].substr(0, 4), " C -");
  for (const std::string& line : lines) {
    EXPECT_TRUE(line.empty() || line.back() != ' ') << line;
    for (unsigned char c : line) EXPECT_TRUE(c >= 0x20 && c < 0x7F) << line;
  }
}

TEST(SlowOrderForm, EndsWithLine46AndNoEndMarker) {
  FolderScenario run;
  const std::string bytes = write_form(run);
  const std::string last = "     i giorni esclusi i seguenti:.........\r\n";
  ASSERT_GE(bytes.size(), last.size());
  EXPECT_EQ(bytes.substr(bytes.size() - last.size()), last);
  EXPECT_EQ(bytes.find(kEndMarker), std::string::npos);
}

TEST(SlowOrderForm, ReplacesAnEarlierLongerFileWhole) {
  FolderScenario run;
  write_bytes(run.folder.file(kFormName), stale_document());
  EXPECT_EQ(write_form(run), crlf(kFormLines));
  EXPECT_EQ(list_folder(run.folder.path()), std::vector<std::string>{kFormName});
}

}  // namespace
}  // namespace ferrovello::test
