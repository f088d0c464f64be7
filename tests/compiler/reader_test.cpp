// The script reader: sizing, fills, signboards, settings, marked points and
// the reading rules of both scripts.
#include <gtest/gtest.h>

#include "support/scenario.h"

namespace ferrovello::test {
namespace {

TEST(Reader, SizesTheRouteAndFillsToCell1897) {
  Scenario s;
  s.compile(line_script({"pendenza,  0,  0", "pendenza,  1500,  -5"}),
            train_script({"velocita,  0,  80", "velocita,  1500,  135", "aderenza,  0,  100"}));
  ASSERT_EQ(s.form.error_code, 0);
  EXPECT_EQ(s.form.last_cell, 1900);
  EXPECT_EQ(s.form.line_extent, 95000);
  EXPECT_EQ(s.form.route_cells.size(), 1901u);
  EXPECT_EQ(s.form.line_table.size(), 2u * 95001u);
  EXPECT_EQ(s.cell(29).byte5, 100);
  EXPECT_EQ(s.cell(30).byte5, 95);
  EXPECT_EQ(s.cell(29).byte4, 16);
  EXPECT_EQ(s.cell(30).byte4, 27);
  EXPECT_EQ(s.cell(1897).byte5, 95);
  EXPECT_EQ(s.cell(1897).byte4, 27);
  EXPECT_EQ(s.cell(1897).byte6, 100);
  for (int i = 1898; i <= 1900; ++i) {
    EXPECT_EQ(s.cell(i).byte4, 0);
    EXPECT_EQ(s.cell(i).byte5, 0);
    EXPECT_EQ(s.cell(i).byte6, 0);
  }
  EXPECT_EQ(s.form.items[84].value2, 88000);
  EXPECT_FALSE(s.exists(s.line_path()));
  EXPECT_FALSE(s.exists(s.train_path()));
}

TEST(Reader, TwoGradientsAtOnePositionWriteOneMoreCell) {
  Scenario s;
  s.compile(line_script({"pendenza,  0,  2", "pendenza,  500,  4", "pendenza,  500,  6"}), train_script({}));
  EXPECT_EQ(s.cell(9).byte5, 102);
  EXPECT_EQ(s.cell(10).byte5, 104);  // the second line's one cell with the first's gradient
  EXPECT_EQ(s.cell(11).byte5, 106);
}

TEST(Reader, HalfwayRoundingOfTheRouteLength) {
  Scenario s;
  s.compile(line_script({}, -6975), train_script({}));  // line extent 25: round(0.5) = 0
  EXPECT_EQ(s.form.error_code, 25);                     // a negative length is refused
  Scenario t;
  t.compile(line_script({}, 25), train_script({}));
  EXPECT_EQ(t.form.last_cell, 140);  // round(140.5) goes to the even neighbour
}

TEST(Reader, SignboardsAndMarkedPoints) {
  Scenario s;
  s.compile(line_script({"cartello_indicatore,  0,     (Fiume )(TANARO)",
                         "cartello_indicatore,  1300,     (Diramazione per)(     TORINO)"}),
            train_script({"abbattimento,  0,  0", "abbattimento,  1000,  -3", "abbattimento,  2000,  70000"}));
  ASSERT_EQ(s.form.error_code, 0);
  EXPECT_EQ(s.cell(1).kind, 14);
  EXPECT_EQ(s.cell(1).value1, 80);
  EXPECT_EQ(s.form.items[80].text, "(Fiume )(TANARO)");
  EXPECT_EQ(s.cell(27).value1, 79);
  EXPECT_EQ(s.form.items[79].text, "(Diramazione per)(     TORINO)");
  EXPECT_EQ(s.cell(0).kind, 13);  // no + 1 for a marked point
  EXPECT_EQ(s.cell(20).kind, 13);
  EXPECT_EQ(s.cell(40).kind, 12);
  EXPECT_EQ(s.cell(40).value1, static_cast<int16_t>(70000 - 65536));  // low 16 bits
}

TEST(Reader, GeneralSettingsLandInTheirSlots) {
  Scenario s;
  const std::string line = crlf({"preambolo, ignorato", "[GENERALE]", "----------", "lunghezza percorso,  20000",
                                 "sfondo uno,  1", "sfondo due,  2", "sfondo tre,  3",
                                 "ripetizione segnali 9 codici,  500,  3000", "[corpo]", "[fine]"});
  const std::string train = crlf({"[generale]", "numero vetture,  9", "percentuale massa frenata,  130",
                                  "sabbia,  300", "orologio,      7               29            40", "[fine]"});
  s.compile(line, train);
  ASSERT_EQ(s.form.error_code, 0);
  const auto& it = s.form.items;
  EXPECT_EQ(it[85].value1, 1);
  EXPECT_EQ(it[85].position, 2);
  EXPECT_EQ(it[85].value2, 3);
  EXPECT_EQ(it[86].value1, 500);
  EXPECT_EQ(it[86].value2, 3000);
  EXPECT_EQ(it[86].position, 9);
  EXPECT_EQ(it[84].value1, 130);
  EXPECT_EQ(it[84].position, 9);
  EXPECT_EQ(it[86].word1, 300);
  EXPECT_EQ(it[86].word3, 7);
  EXPECT_EQ(it[86].word4, 29);
  EXPECT_EQ(it[86].word5, 40);
  EXPECT_EQ(it[85].text, "Ferrovello");
  EXPECT_EQ(it[86].text, "2632");
}

TEST(Reader, SignalRepetitionWithoutEndIsSystem0) {
  Scenario s;
  s.compile(crlf({"[generale]", "lunghezza percorso,  20000", "ripetizione segnali 4 codici,  500,  0", "[x]"}),
            train_script({}));
  EXPECT_EQ(s.form.items[86].position, 0);
}

TEST(Reader, SeparatorsAndLastItems) {
  // Two separators are skipped; the third is tested as a keyword and matches nothing.
  Scenario s;
  s.compile(line_script({"-----", "-----", "-----", "pendenza,  0,  5"}), train_script({}));
  EXPECT_EQ(s.form.error_code, 0);
  EXPECT_EQ(s.cell(5).byte5, 105);

  // A keyword line that closes the file is acted on; a lone keyword is not.
  Scenario t;
  t.compile(line_script({}), crlf({"[generale]", "velocita,  0,  100"}));
  EXPECT_EQ(t.cell(5).byte4, 20);
  Scenario u;
  u.compile(line_script({}), "[generale]\r\nsegnale");
  EXPECT_EQ(u.form.error_code, 0);
}

TEST(Reader, TrainScriptWithoutGeneraleIsIgnored) {
  Scenario s;
  s.compile(line_script({}), crlf({"segnale,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0"}));
  EXPECT_EQ(s.form.error_code, 0);
  EXPECT_EQ(s.cell(159).kind, 0);
  EXPECT_FALSE(s.exists(s.train_path()));
}

TEST(Reader, CurvesAreIgnoredWithoutTheLineTable) {
  Scenario s;
  s.compile(line_script({"curvax,  700,  950"}), train_script({}), 0);
  EXPECT_EQ(s.form.error_code, 0);  // no class digit, but curves are not read
  EXPECT_TRUE(s.form.line_table.empty());
}

TEST(Progressives, OrderedByStartAndFallingOnesAdjusted) {
  struct Case {
    const char* uno;
    const char* due;
    const char* tre;
    int32_t item81[3], item82[3], item83[3];
  };
  const Case cases[] = {
      {"0,  -1500,  0", "42300,  -42300,  0", "55000,  91900,  1",
       {55000, 92000, 1}, {42300, -42300, 0}, {0, -1500, 0}},
      {"55000,  91900,  1", "0,  -1500,  0", "42300,  -42300,  0",
       {55000, 92000, 1}, {42300, -42300, 0}, {0, -1500, 0}},
      {"0,  1500,  0", "0,  0,  0", "0,  0,  0", {0, 1500, 0}, {0, 0, 0}, {0, 0, 0}},
      {"0,  -1500,  0", "0,  0,  0", "0,  0,  0", {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
      {"1000,  0,  0", "1000,  0,  0", "0,  0,  0", {0, 0, 0}, {0, 0, 0}, {0, 0, 0}},
      {"0,  100,  0", "500,  200,  2", "0,  300,  0", {500, 200, 2}, {0, 100, 0}, {0, 300, 0}},
  };
  for (const Case& c : cases) {
    Scenario s;
    s.compile(crlf({"[generale]", "lunghezza percorso,  88000", std::string("progressiva chilometrica uno,  ") + c.uno,
                    std::string("progressiva chilometrica due,  ") + c.due,
                    std::string("progressiva chilometrica tre,  ") + c.tre, "[fine]"}),
              train_script({}));
    const auto& it = s.form.items;
    EXPECT_EQ((std::array<int32_t, 3>{it[81].value1, it[81].value2, it[81].position}),
              (std::array<int32_t, 3>{c.item81[0], c.item81[1], c.item81[2]})) << c.uno;
    EXPECT_EQ((std::array<int32_t, 3>{it[82].value1, it[82].value2, it[82].position}),
              (std::array<int32_t, 3>{c.item82[0], c.item82[1], c.item82[2]})) << c.uno;
    EXPECT_EQ((std::array<int32_t, 3>{it[83].value1, it[83].value2, it[83].position}),
              (std::array<int32_t, 3>{c.item83[0], c.item83[1], c.item83[2]})) << c.uno;
  }
}

TEST(Progressives, FallingOffsetMustEndAsAMultipleOf50) {
  Scenario ok;
  ok.compile(crlf({"[generale]", "lunghezza percorso,  88000", "progressiva chilometrica uno,  100,  91950,  1", "[f]"}),
             train_script({}));
  EXPECT_EQ(ok.form.items[81].value2, 92050);
  EXPECT_EQ(ok.form.error_code, 0);
  Scenario bad;
  bad.compile(crlf({"[generale]", "lunghezza percorso,  88000", "progressiva chilometrica uno,  100,  91930,  1", "[f]"}),
              train_script({}));
  EXPECT_EQ(bad.form.error_code, 2);
}

}  // namespace
}  // namespace ferrovello::test
