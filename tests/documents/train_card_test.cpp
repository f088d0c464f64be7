// The train card, checked whole against its listed lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "documents/document_files.h"
#include "support/scenario.h"

namespace ferrovello::test {
namespace {

const char* const kCardName = "Ferrovello_2632_scheda_treno.txt";

// The 53 lines of the card, in file order.
const std::vector<std::string> kCardLines = {
    "",
    "",
    "  ___________________                                               ______________",
    " |                   |                    SCHEDA                   |              |",
    " |   TRENO n.2632    |                da: Alessandria              |    V140 A    |",
    " |___________________|                 a: Milano P.ta Genova       |    105 %     |",
    "                                                                   |______________|",
    "  ___________________                ___________________",
    " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ",
    " |       DIR         |              |      530T         |",
    " |___________________|              |___________________|",
    "",
    "  ________________________________________________________________________________",
    " | Vel.| Vel.| Progr Km |  No |   Localit\xE0  di  Servizio   |     Orario     | Rec |",
    " | Lim.|Marc.|          |  Rs |                            |                |     |",
    " |_____|_____|__________|_____|____________________________|________________|_____|",
    " |  75 |  75 |    90.000|     | ALESSANDRIA                |       7.30     |     |",
    " | 125 | 115 |     0.000|     | cippo km 0.000             |                |     |",
    " |     |     |     6.600|     | VALMADONNA                 |       7.37     |     |",
    " |     |     |    12.400|     | VALENZA                    |   7.41 - 7.42  | 0.5 |",
    " |     |     |    18.600|     | TORREBERETTI               |       7.45     |  1  |",
    " |     |     |    24.450|     | SARTIRANA                  |       7.48     |     |",
    " |     |     |    28.950|     | VALLE LOMELLINA            |       7.51     | 0.5 |",
    " |     |     |    36.050|     | OLEVANO                    |       7.54     | 1.5 |",
    " |  60 |  60 |    39.800|     | Segn. protezione Mortara   |                |     |",
    " |     |     |    40.800|     | MORTARA                    |   7.57 - 7.58  | 0.5 |",
    " | 130 | 120 |     0.700|     | Deviatoio uscita Mortara   |                |     |",
    " |     |     |     5.300|     | PARONA                     |       8.04     | 0.5 |",
    " |     |     |    12.800|     | VIGEVANO                   |   8.09 - 8.10  |  2  |",
    " | 100 |  90 |    26.500|     | ABBIATEGRASSO              |   8.19 - 8.20  |  2  |",
    " | 130 | 120 |    24.800|     | Ponte Naviglio Grande      |                |     |",
    " |     |     |    17.350|     | GAGGIANO                   |       8.26     |     |",
    " |     |     |    13.950|     | TREZZANO                   |       8.28     |     |",
    " |     |     |    10.900|     | CORSICO                    |       8.30     |     |",
    " |  90 |  90 |     8.600|     | MILANO S.CRISTOFORO        |       8.31     |     |",
    " |  30 |  30 |     6.500|     | Segn. protezione Mi P.Gen. |                |     |",
    " |     |     |     5.200|     | MILANO P.GENOVA            |       8.36     |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |_____|_____|__________|_____|____________________________|________________|_____|",
    "",
    "",
    "",
    " ",
};

std::string write_card(FolderScenario& run) {
  run.form.dati_scheda();
  return read_bytes(run.folder.file(kCardName));
}

TEST(TrainCard, IsTheListedLinesByteForByte) {
  FolderScenario run;
  const std::string bytes = write_card(run);
  ASSERT_EQ(kCardLines.size(), 53u);
  EXPECT_EQ(bytes, crlf(kCardLines));
  EXPECT_EQ(bytes.size(), 3825u);
  std::vector<std::string> lines;
  ASSERT_TRUE(split_crlf(bytes, lines));
  EXPECT_EQ(lines.size(), 53u);
}

TEST(TrainCard, KeepsItsSpacesAndItsOneNonAsciiByte) {
  FolderScenario run;
  std::vector<std::string> lines;
  ASSERT_TRUE(split_crlf(write_card(run), lines));
  ASSERT_EQ(lines.size(), 53u);
  // Line 9 ends in seven spaces, line 53 is one space.
  EXPECT_EQ(lines[8].size(), 64u);
  EXPECT_EQ(lines[8].substr(57), std::string(7, ' '));
  EXPECT_EQ(lines[52], " ");
  for (int n : {1, 2, 12, 50, 51, 52}) EXPECT_EQ(lines[static_cast<size_t>(n - 1)], "") << "line " << n;
  // "Localit\xE0" takes one byte: line 14 is 83 characters and 83 bytes.
  EXPECT_EQ(lines[13].size(), 83u);
  EXPECT_EQ(lines[13].find("Localit\xE0  di"), 34u);
  size_t non_ascii = 0;
  for (const std::string& line : lines)
    for (unsigned char c : line) non_ascii += c >= 0x80 ? 1 : 0;
  EXPECT_EQ(non_ascii, 1u);
  // Every timetable row, heading and rule is 83 characters.
  for (size_t i = 13; i < 49; ++i) EXPECT_EQ(lines[i].size(), 83u) << "line " << i + 1;
}

TEST(TrainCard, EndsWithLine53AndNoEndMarker) {
  FolderScenario run;
  const std::string bytes = write_card(run);
  ASSERT_GE(bytes.size(), 5u);
  EXPECT_EQ(bytes.substr(bytes.size() - 5), "\r\n \r\n");
  EXPECT_EQ(bytes.find(kEndMarker), std::string::npos);
}

TEST(TrainCard, ReplacesAnEarlierLongerFileWhole) {
  FolderScenario run;
  write_bytes(run.folder.file(kCardName), stale_document());
  EXPECT_EQ(write_card(run), crlf(kCardLines));
  EXPECT_EQ(list_folder(run.folder.path()), std::vector<std::string>{kCardName});
}

}  // namespace
}  // namespace ferrovello::test
