#include <gtest/gtest.h>

#include "support/scenario.h"

namespace ferrovello::test {
namespace {

std::string station(int position, int type, int length, int attr6 = 0, const char* name = "STAZIONE") {
  return "stazione,  " + std::to_string(position) + ",  " + std::to_string(type) + ",  " + std::to_string(length) +
         ",  0,  1,  " + std::to_string(attr6) + ",  1,  1,  0,  4,  1,  1,  60,  7,  42,  0,   " + name;
}

TEST(Stations, RecordsStopCellsAndApproachMarks) {
  Scenario s;
  s.compile(line_script({}), train_script({station(0, 8, 400, 1, "ALESSANDRIA"), station(13900, 12, 500, 0, "VALENZA"),
                                           station(20000, 5, 300), station(30000, 26, 300),
                                           station(40000, 12, 600, 1)}));
  ASSERT_EQ(s.form.error_code, 0);
  const auto& it = s.form.items;
  // The first station: extent -400 to 400, attributes 5 and 6 cleared.
  EXPECT_EQ(it[1].value1, -400);
  EXPECT_EQ(it[1].value2, 400);
  EXPECT_EQ(it[1].byte3, 0);
  EXPECT_EQ(it[1].byte4, 0);
  EXPECT_EQ(it[1].text, "ALESSANDRIA");
  EXPECT_EQ(s.cell(7).kind, 10);
  EXPECT_EQ(s.cell(7).value1, 1);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(s.cell(7 - k).byte2, 80 + k);

  EXPECT_EQ(it[2].value1, 13650);
  EXPECT_EQ(it[2].value2, 14150);
  EXPECT_EQ(it[2].position, 13900);
  EXPECT_EQ(it[2].kind, 12);
  EXPECT_EQ(it[2].code, (7 * 60 + 42) * 60);
  EXPECT_EQ(it[2].word3, 4);
  EXPECT_EQ(it[2].byte2, 60);
  EXPECT_EQ(it[2].byte4, 0);  // attribute 5 cleared below 600 m
  EXPECT_EQ(s.cell(282).kind, 10);
  EXPECT_EQ(s.cell(282).value1, 2);
  for (int k = 1; k <= 4; ++k) EXPECT_EQ(s.cell(282 - k).byte2, 80 + k);

  // Type 5: extent to p + 150, no approach marks, stop cell 402.
  EXPECT_EQ(it[3].value1, 19700);
  EXPECT_EQ(it[3].value2, 20150);
  EXPECT_EQ(s.cell(402).kind, 10);
  EXPECT_EQ(s.cell(401).byte2, 0);

  // Type 26: a record and an extent, nothing on the route.
  EXPECT_EQ(it[4].value2, 30150);
  EXPECT_EQ(s.cell(602).kind, 0);
  EXPECT_EQ(s.cell(601).byte2, 0);

  // Attribute 6 lengthens the extent by 50 m; attribute 5 is kept from 600 m.
  EXPECT_EQ(it[5].value2, 40350);
  EXPECT_EQ(it[5].byte4, 1);
  EXPECT_EQ(s.cell(806).kind, 10);
}

TEST(Stations, SpacingOf350Metres) {
  Scenario ok;
  ok.compile(line_script({}), train_script({station(10000, 12, 400), station(10750, 12, 400)}));
  EXPECT_EQ(ok.form.error_code, 0);  // 10200 to 10550: exactly 350 m
  Scenario bad;
  bad.compile(line_script({}), train_script({station(10000, 12, 400), station(10700, 28, 398 + 2)}));
  EXPECT_EQ(bad.form.error_code, 22);
  EXPECT_EQ(bad.form.error_position, 10700);
}

TEST(Stations, SlotsRunIntoTheSignboards) {
  std::string body;
  for (int i = 0; i < 74; ++i) body += "cartello_indicatore,  " + std::to_string(1000 + 100 * i) + ",     (X)\r\n";
  const std::string line = crlf({"[generale]", "lunghezza percorso,  88000", "[corpo]"}) + body + "[fine]\r\n";
  Scenario s;
  s.compile(line, train_script({station(10000, 28, 300), station(20000, 28, 300), station(30000, 28, 300),
                                station(40000, 28, 300), station(50000, 28, 300, 0, "QUINTA")}));
  EXPECT_EQ(s.form.error_code, 10);
  ASSERT_EQ(s.form.diagnoses.size(), 1u);
  EXPECT_EQ(s.form.diagnoses[0].luogo, s.train_path() + ":6:1");  // the fifth station's line
  EXPECT_EQ(s.form.items[5].text, "QUINTA");
  EXPECT_EQ(s.form.items[6].text, "");
  EXPECT_EQ(s.form.items[7].text, "(X)");
}

}  // namespace
}  // namespace ferrovello::test
