// Signals, boards, slow orders and mountains as the compiler places them.
#include <gtest/gtest.h>

#include "support/scenario.h"

namespace ferrovello::test {
namespace {

TEST(Placement, SignalAndItsApproachCodes) {
  Scenario s;
  s.compile(line_script({}), train_script({"segnale,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0"}));
  ASSERT_EQ(s.form.error_code, 0);
  const RouteCell& c = s.cell(159);
  EXPECT_EQ(c.kind, 1);
  EXPECT_EQ(c.value1, 40);
  EXPECT_EQ(c.value2, 0);
  EXPECT_EQ(c.value3, 0);
  EXPECT_EQ(c.value4, 6);
  EXPECT_EQ(c.byte1, 0);
  const int cells[] = {157, 155, 153, 151};
  for (int k = 0; k < 4; ++k) EXPECT_EQ(s.cell(cells[k]).byte2, 61 + k);
  EXPECT_EQ(s.cell(149).byte2, 0);
  EXPECT_EQ(s.cell(158).byte2, 0);
}

TEST(Placement, SignalCodesAndTime) {
  struct Case {
    const char* line;
    int16_t value1, value2, value4;
    uint8_t byte1, first_approach;
  };
  const Case cases[] = {
      {"segnale,  7900,  2,  2,  3,  0,  1,  2,  2,  1,  0,  0", 22, 31, 18, 0, 81},
      {"segnale,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  50", 40, 0, 6, 101, 61},
      {"segnale,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  150", 40, 0, 6, 150, 61},
      {"segnale,  7900,  1,  4,  0,  0,  0,  0,  0,  0,  0,  50", 40, 0, 3, 0, 31},
  };
  for (const Case& c : cases) {
    Scenario s;
    s.compile(line_script({}), train_script({c.line}));
    EXPECT_EQ(s.cell(159).value1, c.value1) << c.line;
    EXPECT_EQ(s.cell(159).value2, c.value2) << c.line;
    EXPECT_EQ(s.cell(159).value4, c.value4) << c.line;
    EXPECT_EQ(s.cell(159).byte1, c.byte1) << c.line;
    EXPECT_EQ(s.cell(157).byte2, c.first_approach) << c.line;
  }
}

TEST(Placement, MountainSectionAndMarkers) {
  Scenario s;
  s.compile(line_script({"montagna,  8700,  11050,  11"}), train_script({}));
  ASSERT_EQ(s.form.error_code, 0);
  EXPECT_EQ(s.cell(173).byte3, 0);
  EXPECT_EQ(s.cell(221).byte3, 0);
  for (int i = 174; i <= 220; ++i) {
    EXPECT_EQ(s.cell(i).byte3, 1) << i;
    const bool marker = (i - 174 + 1) % 4 == 0;  // 177, 181, ... 217
    EXPECT_EQ(s.cell(i).kind, marker ? 11 : 0) << i;
  }
  EXPECT_EQ(s.cell(217).kind, 11);
}

TEST(Placement, MountainCloseToThePreviousOneGetsType3) {
  Scenario s;
  s.compile(line_script({"montagna,  1000,  2000,  1", "montagna,  2150,  3000,  2",
                         "montagna,  3200,  4000,  2"}),
            train_script({}));
  EXPECT_EQ(s.cell(43).byte3, 3);  // starts 150 m after the previous end
  EXPECT_EQ(s.cell(64).byte3, 2);  // 200 m after: keeps its own type
}

TEST(Placement, SlowOrderBoardsAndApproachCells) {
  Scenario s;
  s.compile(line_script({}), train_script({"rallentamento,  10000,  60,  1000,  1,  1,  0"}));
  ASSERT_EQ(s.form.error_code, 0);
  EXPECT_EQ(s.cell(177).kind, 4);
  EXPECT_EQ(s.cell(177).value1, 60);
  EXPECT_EQ(s.cell(201).kind, 3);
  EXPECT_EQ(s.cell(201).value1, 60);
  EXPECT_EQ(s.cell(201).value3, 1);
  EXPECT_EQ(s.cell(221).kind, 2);
  EXPECT_EQ(s.cell(221).value3, 1);
  for (int step = 1; step <= 4; ++step) {
    EXPECT_EQ(s.cell(177 - step).kind, 5);
    EXPECT_EQ(s.cell(177 - step).value1, step);
    EXPECT_EQ(s.cell(177 - step).value2, 0);  // d_v is 0
  }
}

TEST(Placement, SlowOrderNearTheStartHasNoWarningBoard) {
  Scenario s;
  s.compile(line_script({}), train_script({"rallentamento,  1500,  60,  500,  0,  1,  0",
                                           "rallentamento,  11501,  60,  500,  0,  0,  0"}));
  ASSERT_EQ(s.form.error_code, 0);
  for (int i = 0; i <= 30; ++i) EXPECT_NE(s.cell(i).kind, 4) << i;
  for (int i = 0; i <= 30; ++i) EXPECT_NE(s.cell(i).kind, 5) << i;
  EXPECT_EQ(s.cell(31).kind, 3);
  EXPECT_EQ(s.cell(207).kind, 4);  // 1200 m before 11501
}

TEST(Placement, ShortSlowOrderLeavesOnlyItsStartBoard) {
  Scenario s;
  s.compile(line_script({}), train_script({"rallentamento,  10000,  60,  10,  0,  0,  0"}));
  EXPECT_EQ(s.cell(201).kind, 3);
}

TEST(Placement, MaximumSpeedBoard) {
  Scenario s;
  s.compile(line_script({"indicatori_vmax,  1550,  125,  135,  135,  2,    ,    ,    ,  0",
                         "indicatori_vmax,  64100,  100,  105,  105,  0,  105,  105,  105,  1"}),
            train_script({}));
  ASSERT_EQ(s.form.error_code, 0);
  const RouteCell& a = s.cell(32);
  EXPECT_EQ(a.kind, 6);
  EXPECT_EQ(a.value1, 2500);
  EXPECT_EQ(a.value2, 2700);
  EXPECT_EQ(a.value3, 2700);
  EXPECT_EQ(a.value4, 20);
  EXPECT_EQ(s.cell(1283).value1, 2021);
  EXPECT_EQ(s.cell(1283).value4, 1);
}

TEST(Placement, FeatureReplacesAMountainMarker) {
  Scenario s;
  s.compile(line_script({"montagna,  8700,  11050,  11", "cartello_indicatore,  8800,     (A)(B)"}),
            train_script({"segnale,  9000,  1,  4,  0,  0,  0,  0,  0,  0,  0,  0"}));
  ASSERT_EQ(s.form.error_code, 0);
  EXPECT_EQ(s.cell(177).kind, 14);
  EXPECT_EQ(s.cell(181).kind, 1);
  EXPECT_EQ(s.cell(181).byte3, 1);
}

}  // namespace
}  // namespace ferrovello::test
