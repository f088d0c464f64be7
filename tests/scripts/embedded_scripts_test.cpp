// The two scripts as the installer writes them, before they are compiled.
#include <gtest/gtest.h>

#include "model/form1.h"
#include "platform/posix_platform.h"
#include "scripts/line_list.h"
#include "support/scenario.h"

namespace ferrovello::test {
namespace {

TEST(EmbeddedScripts, LineScriptAsWritten) {
  FolderScenario w;
  write_bytes(w.folder.file("Ferrovello_linea.txt"), std::string(20000, 'z'));  // an older, longer file
  w.form.dati_linea();
  const std::string bytes = read_bytes(w.folder.file("Ferrovello_linea.txt"));
  EXPECT_EQ(bytes.size(), 5988u);
  std::vector<std::string> lines;
  ASSERT_TRUE(split_crlf(bytes, lines));
  ASSERT_EQ(lines.size(), 150u);
  const std::pair<size_t, const char*> pinned[] = {
      {1, "[generale]"},
      {2, "lunghezza percorso,  88000"},
      {3, "progressiva chilometrica uno,  0,  -1500,  0"},
      {9, "ripetizione segnali 4 codici,  0,  0"},
      {10, "[curve]"},
      {11, "curvas4,  700,  950"},
      {48, "curvas6,  86600,  200"},
      {51, "pendenza,  1500,  -5"},
      {77, "montagna,  8700,  11050,  11"},
      {79, "indicatori_vmax,  1550,  125,  135,  135,  0,    ,    ,    ,  0"},
      {89, "cartello_indicatore,  350,     (Fiume )(TANARO)"},
      {142, "cartello_indicatore,  75450,     ( Ex raccordo  )(stabilimento)( industriale)"},
      {150, "[fine]"},
  };
  for (const auto& [n, text] : pinned) EXPECT_EQ(lines[n - 1], text) << "line " << n;
  EXPECT_EQ(bytes.find("riferimento fine del file"), std::string::npos);
  EXPECT_EQ(bytes.substr(bytes.size() - 8), "[fine]\r\n");
}

TEST(EmbeddedScripts, TrainScriptAsWritten) {
  FolderScenario w;
  w.form.dati_treno();
  const std::string bytes = read_bytes(w.folder.file("Ferrovello_2632-.txt"));
  EXPECT_EQ(bytes.size(), 3611u);
  std::vector<std::string> lines;
  ASSERT_TRUE(split_crlf(bytes, lines));
  ASSERT_EQ(lines.size(), 67u);
  const std::pair<size_t, const char*> pinned[] = {
      {1, "[generale]"},
      {5, "orologio,      7               29            40"},
      {7, "aderenza,  0,  100"},
      {19, "stazione,  0,  8,  400,  0,  0,  0,  1,  1,  0,  4,  1,  1,  1,  7,  30,  0,   ALESSANDRIA"},
      {20, "stazione,  8050,  28,  300,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   VALMADONNA"},
      {34, "stazione,  86500,  12,  600,  1,  0,  0,  1,  1,  0,  2,  1,  1,  0,  8,  36,  0,   MILANO P.GENOVA"},
      {35, "[rallentamenti]"},
      {36, "[segnali]"},
      {40, "segnale,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0"},
      {66, "[codici]"},
      {67, "[fine]"},
  };
  for (const auto& [n, text] : pinned) EXPECT_EQ(lines[n - 1], text) << "line " << n;
  EXPECT_EQ(lines[4].size(), 47u);
}

TEST(LineList, StopsAtTheEndMarker) {
  LineList list;
  list[0] = "uno";
  list[1] = "";
  list[2] = kEndMarker;
  list[3] = "mai scritta";
  int32_t loop_index = -1;
  EXPECT_EQ(testo_lista(list, loop_index), "uno\r\n\r\n");
  EXPECT_EQ(loop_index, 2);
}

TEST(LineList, FileNameIsFolderSeparatorName) {
  TempFolder folder;
  PosixPlatform platform(folder.path() + "/");  // a folder that already ends with a separator
  Form1 form(platform);
  EXPECT_EQ(form.nome_file("a.txt"), folder.path() + "//a.txt");
}

}  // namespace
}  // namespace ferrovello::test
