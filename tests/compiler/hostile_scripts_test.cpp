// Scripts at the extremes the reading rules allow: the compiler never
// crashes, never writes outside a table, and refuses what does not fit.
#include <gtest/gtest.h>

#include "support/scenario.h"

namespace ferrovello::test {
namespace {

std::string repeat(const std::string& line, int times) {
  std::string s;
  for (int i = 0; i < times; ++i) s += line + "\r\n";
  return s;
}

std::string body(const std::string& lines, int length = 88000) {
  return crlf({"[generale]", "lunghezza percorso,  " + std::to_string(length), "[corpo]"}) + lines + "[fine]\r\n";
}

TEST(HostileScripts, LongestRouteWithACurveToTheLastTrackPoint) {
  Scenario s;
  s.compile(line_script({"curvas1,  0,  999999"}, 1000000), train_script({}));
  ASSERT_EQ(s.form.error_code, 0);
  EXPECT_EQ(s.form.last_cell, 20140);
  EXPECT_EQ(s.form.line_table.size(), 2u * 1007001u);
  EXPECT_EQ(s.form.line_table[999999].tag, LineValue::kReale);
  EXPECT_EQ(s.form.line_table[1006998].tag, LineValue::kReale);  // the straight run beyond
  EXPECT_EQ(s.form.line_table[1006999].tag, LineValue::kVuoto);

  Scenario past;
  past.compile(line_script({"curvas1,  0,  1000000"}, 1000000), train_script({}));
  EXPECT_EQ(past.form.error_code, 103);  // the track may not pass point 1000000
}

TEST(HostileScripts, FieldsAtTheLimitsOfTheirWidthAndOnePast) {
  const std::string st = "stazione,  10000,  ";
  struct Case {
    std::string train;
    int code;
  };
  const Case cases[] = {
      {st + "255,  300,  255,  255,  255,  32767,  -32768,  255,  32767,  32767,  32767,  255,  0,  0,  0,   X", 0},
      {st + "256,  300,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   X", 25},
      {st + "12,  300,  0,  0,  0,  32768,  0,  0,  0,  0,  0,  0,  0,  0,  0,   X", 25},
      {st + "12,  300,  0,  0,  0,  0,  -32769,  0,  0,  0,  0,  0,  0,  0,  0,   X", 25},
      {st + "12,  300,  0,  0,  0,  0,  0,  0,  0,  0,  0,  256,  0,  0,  0,   X", 25},
      {st + "12,  300,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  596523,  14,  7,   X", 0},  // 2147483647 s
      {st + "12,  300,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  596523,  14,  8,   X", 25},
      {"segnale,  2147483547,  1,  4,  0,  0,  0,  0,  0,  0,  0,  0", 15},
      {"segnale,  2147483548,  1,  4,  0,  0,  0,  0,  0,  0,  0,  0", 25},  // p + 100 overflows
      {"segnale,  -2147483648,  2147483647,  2147483647,  2147483647,  2147483647,  2147483647,  2147483647,  "
       "2147483647,  2147483647,  2147483647,  2147483647", 0},  // before the route: skipped
      {"segnale,  5000,  2147483647,  2147483647,  -2147483648,  2147483647,  2147483647,  2147483647,  "
       "2147483647,  2147483647,  -2147483648,  2147483647", 0},  // low bits kept
      {"orologio,  32767,  -32768,  32767", 0},
      {"sabbia,  32768", 25},
      {"velocita,  0,  1277", 0},
      {"velocita,  0,  1278", 25},
      {"aderenza,  0,  2147483647", 0},
      {"rallentamento,  10000,  2147483647,  1000,  2147483647,  1,  -2147483648", 0},
      {"abbattimento,  10000,  2147483647", 0},
  };
  for (const Case& c : cases) {
    Scenario s;
    s.compile(line_script({}), train_script({c.train}));
    EXPECT_EQ(s.form.error_code, c.code) << c.train;
  }
  Scenario wide;
  wide.compile(line_script({"indicatori_vmax,  1000,  1638,  1638,  1638,  2147483647,  0,  0,  0,  2147483647",
                            "indicatori_vmax,  2000,  1638,  0,  0,  0,  35,  0,  0,  0"}),
               train_script({}));
  EXPECT_EQ(wide.form.error_code, 0);
  EXPECT_EQ(wide.cell(21).value1, 32760);
  EXPECT_EQ(wide.cell(41).value1, 32767);
  Scenario past;
  past.compile(line_script({"indicatori_vmax,  1000,  1638,  0,  0,  0,  40,  0,  0,  0"}), train_script({}));
  EXPECT_EQ(past.form.error_code, 25);  // 32768 does not fit the speed pair
}

TEST(HostileScripts, ThousandsOfLinesOnOneCell) {
  Scenario s;
  s.compile(body(repeat("pendenza,  100,  3", 5000) + repeat("montagna,  100,  100000,  11", 80), 7000),
            repeat("[generale]", 1) + repeat("velocita,  100,  60", 5000) + repeat("aderenza,  100,  9", 5000) +
                "[fine]\r\n");
  EXPECT_EQ(s.form.error_code, 0);
  EXPECT_EQ(s.cell(279).byte5, 103);
  EXPECT_EQ(s.cell(280).byte5, 0);  // no fill at or past the last cell
  EXPECT_EQ(s.cell(279).byte4, 12);
  EXPECT_EQ(s.cell(280).byte4, 0);
  EXPECT_EQ(s.cell(280).byte3, 3);  // the mountains overlap one another

  Scenario points;
  points.compile(line_script({}), train_script({"abbattimento,  1000,  5", "abbattimento,  1000,  5"}));
  EXPECT_EQ(points.form.error_code, 7);
}

TEST(HostileScripts, TooManySignboardsAndMountains) {
  std::string signs;
  for (int i = 0; i < 200; ++i) signs += "cartello_indicatore,  " + std::to_string(1000 + 150 * i) + ",     (S)\r\n";
  Scenario s;
  s.compile(body(signs), train_script({}));
  EXPECT_EQ(s.form.error_code, 10);
  EXPECT_EQ(s.form.items[1].text, "(S)");
  EXPECT_EQ(s.form.items[0].text, "");  // slot 0 stays reset

  std::string mountains;
  for (int i = 0; i < 100; ++i) mountains += "montagna,  " + std::to_string(500 * i) + ",  " + std::to_string(500 * i + 100) + ",  11\r\n";
  Scenario m;
  m.compile(body(mountains), train_script({}));
  EXPECT_EQ(m.form.error_code, 25);
  EXPECT_EQ(m.form.mountain_count, 80);
}

TEST(HostileScripts, VeryLongLinesAndTexts) {
  const std::string noise(100000, 'x');
  Scenario s;
  s.compile(noise + "\r\n" + body(noise + "pendenza" + noise + ",  0,  4\r\ncartello_indicatore,  1000,     " +
                                  std::string(30000, 'T') + "\r\n"),
            train_script({noise}));
  EXPECT_EQ(s.form.error_code, 0);
  EXPECT_EQ(s.cell(5).byte5, 104);
  EXPECT_EQ(s.form.items[80].text.size(), 30000u);

  Scenario too_long;
  too_long.compile(body("cartello_indicatore,  1000,     " + std::string(40000, 'T') + "\r\n"), train_script({}));
  EXPECT_EQ(too_long.form.error_code, 25);  // more than a 16-bit length can carry
}

TEST(HostileScripts, OnlySeparatorsNulAndHighBytes) {
  Scenario s;
  s.compile(repeat("----------", 1000), repeat("----------", 1000));
  EXPECT_EQ(s.form.error_code, 102);

  const std::string text("(\0\x80\xFF\xE0)", 6);
  Scenario t;
  t.compile(body("cartello_indicatore,  1000,     " + text + "\r\n"), train_script({}));
  EXPECT_EQ(t.form.error_code, 0);
  EXPECT_EQ(t.form.items[80].text, text);
}

TEST(HostileScripts, ScriptsThatEndInsideAnItem) {
  struct Case {
    std::string line;
    int code;
  };
  const Case cases[] = {
      {body("") + "pendenza,  0,  7", 0},                        // the last field closes the file
      {body("") + "cartello_indicatore,  1000,     (Fi", 0},
      {body("") + "pendenza,  0,", 25},                          // a field missing at the end
      {body("") + "pendenza,  0,  -", 25},
      {"[generale]\r\nlunghezza percorso,  880", 0},             // the length closes the file
      {"[generale]\r\nlunghezza percorso,  88000\r\n---,---", 25},  // separators skipped past the end
  };
  for (const Case& c : cases) {
    Scenario s;
    s.compile(c.line, train_script({}));
    EXPECT_EQ(s.form.error_code, c.code) << c.line.substr(c.line.size() - 20);
    EXPECT_FALSE(s.exists(s.line_path()));
    EXPECT_FALSE(s.exists(s.train_path()));
  }
}

}  // namespace
}  // namespace ferrovello::test
