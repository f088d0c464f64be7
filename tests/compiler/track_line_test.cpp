#include <gtest/gtest.h>

#include "output/encoding.h"
#include "support/decode.h"
#include "support/scenario.h"

namespace ferrovello::test {
namespace {

TEST(TrackLine, StraightLineWithoutCurves) {
  Scenario s;
  s.compile(line_script({}), train_script({}));
  const auto& t = s.form.line_table;
  const size_t half = 95001;
  EXPECT_EQ(t[0].tag, LineValue::kIntero);
  EXPECT_EQ(t[half + 1].tag, LineValue::kIntero);
  EXPECT_EQ(t[half + 1].value, 1.0);
  for (int m : {2, 3, 50000, 94998}) {
    EXPECT_EQ(t[static_cast<size_t>(m)].tag, LineValue::kReale);
    EXPECT_EQ(s.x(m), 0.0);
    EXPECT_EQ(s.y(m), m);
  }
  for (size_t m : {94999u, 95000u}) {
    EXPECT_EQ(t[m].tag, LineValue::kVuoto);
    EXPECT_EQ(t[half + m].tag, LineValue::kVuoto);
  }
}

TEST(TrackLine, RightAndLeftCurveOfClass4) {
  Scenario right;
  right.compile(line_script({"curvad4,  700,  950"}), train_script({}));
  EXPECT_EQ(right.x(700), 0.0);
  EXPECT_EQ(right.y(700), 700.0);
  EXPECT_EQ(right.x(701), 0.001);
  EXPECT_EQ(right.y(701), 701.0);
  EXPECT_GT(right.x(1650), right.x(1000));
  EXPECT_LT(right.y(1651) - right.y(1650), 1.0);  // the step turns away from the second axis
  // After the curve the line runs straight on with the last step.
  EXPECT_DOUBLE_EQ(right.x(1700) - right.x(1699), right.x(1651) - right.x(1650));

  Scenario left;
  left.compile(line_script({"CurvaS4,  700,  950"}), train_script({}));
  EXPECT_EQ(left.x(701), -0.001);
  EXPECT_EQ(left.x(1650), -right.x(1650));
}

TEST(TrackLine, ClassDigitsAndCurvature) {
  const std::pair<const char*, double> cases[] = {
      {"curvad1", 0.0001}, {"curvad2", 0.0002}, {"curvad3", 0.0004},
      {"curvad4", 0.001},  {"curvad5", 0.002},  {"curvad6", 0.003}, {"curvad62", 0.0002},
  };
  for (const auto& [keyword, k] : cases) {
    Scenario s;
    s.compile(line_script({std::string(keyword) + ",  100,  10"}), train_script({}));
    EXPECT_EQ(s.x(101), k) << keyword;
  }
}

TEST(TrackLine, CurvePastTheEndIsCutThere) {
  Scenario s;
  s.compile(line_script({"curvas6,  1000,  100000"}, 1000), train_script({}));
  ASSERT_EQ(s.form.error_code, 0);
  EXPECT_EQ(s.form.line_table[7998].tag, LineValue::kReale);
  EXPECT_EQ(s.form.line_table[7999].tag, LineValue::kVuoto);
  EXPECT_EQ(s.form.line_table[8000].tag, LineValue::kVuoto);
}

TEST(TrackLine, LineCutShortByAFaultKeepsItsLaidPointsAndEmptySlots) {
  Scenario s;
  s.compile(line_script({"curvad4,  700,  950", "curvax,  3000,  100"}, 20000), train_script({}));
  ASSERT_EQ(s.form.error_code, 103);
  std::string riserva;
  const std::string file(codifica_linea(s.form.line_table, riserva));
  // Metres 0 to 1650 laid, 1651 to 27000 empty, in each entry.
  const size_t laid_end = 8 + 10 * 1649;
  const size_t half = laid_end + 2 * (27001 - 1651);
  ASSERT_EQ(file.size(), 2 * half);
  EXPECT_EQ(le16(file, 0), LineValue::kIntero);
  EXPECT_EQ(le16(file, half + 4), LineValue::kIntero);
  EXPECT_EQ(le16(file, half + 6), 1);  // y of metre 1
  EXPECT_EQ(le16(file, laid_end - 10), LineValue::kReale);
  EXPECT_EQ(le64f(file, laid_end - 8), s.x(1650));
  EXPECT_EQ(le64f(file, half + laid_end - 8), s.y(1650));
  EXPECT_EQ(file.find_first_not_of('\0', laid_end), half);
  EXPECT_EQ(file.find_first_not_of('\0', half + laid_end), std::string::npos);
}

}  // namespace
}  // namespace ferrovello::test
