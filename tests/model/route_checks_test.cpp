#include <gtest/gtest.h>

#include "model/form1.h"
#include "platform/posix_platform.h"
#include "support/folder.h"

namespace ferrovello {
namespace {

// A route of 500 cells with features put straight into its cells.
struct Route {
  test::TempFolder folder;
  PosixPlatform platform{folder.path()};
  Form1 form{platform};

  Route() { form.route_cells.assign(501, RouteCell{}); form.last_cell = 500; }
  RouteCell& operator[](int i) { return form.route_cells.at(static_cast<size_t>(i)); }
  void slow_order(int start, int end, int16_t speed) {
    (*this)[start] = RouteCell{};
    (*this)[start].kind = kInizioRallentamento;
    (*this)[start].value1 = speed;
    (*this)[end].kind = kFineRallentamento;
    (*this)[end].value1 = speed;
  }
  std::vector<int> points() {
    std::vector<int> p;
    for (int i = 0; i <= 500; ++i) {
      if ((*this)[i].kind == kAbbattimento) p.push_back(i);
    }
    return p;
  }
};

TEST(RouteChecks, NoSlowOrderLeavesTheRouteAlone) {
  Route r;
  r[100].kind = kSegnale;
  r[120].kind = kIndicatoreVMax;
  r.form.controlla_percorso();
  EXPECT_TRUE(r.points().empty());
  EXPECT_EQ(r.form.error_code, 0);
}

TEST(RouteChecks, PointsAroundASlowOrder) {
  Route r;
  r.slow_order(201, 221, 80);
  r[230].kind = kSegnale;
  r.form.controlla_percorso();
  EXPECT_EQ(r.points(), (std::vector<int>{183, 190, 196, 209, 217, 229}));
  EXPECT_EQ(r[196].value1, 180);
  EXPECT_EQ(r.form.error_code, 0);
}

TEST(RouteChecks, FastSlowOrderGetsNoPointsInside) {
  Route r;
  r.slow_order(201, 221, 110);
  r[230].kind = kSegnale;
  r.form.controlla_percorso();
  // Rule 4 still finds the end board of a fast slow order.
  EXPECT_EQ(r.points(), (std::vector<int>{183, 190, 196, 229}));
}

TEST(RouteChecks, BandAlternativesAndError12) {
  Route r;
  r.slow_order(201, 221, 120);
  r[196].kind = kSegnale;
  r.form.controlla_percorso();
  EXPECT_EQ(r[195].kind, kAbbattimento);

  Route full;
  full.slow_order(201, 221, 120);
  for (int i : {196, 195, 194}) full[i].kind = kSegnale;
  full.form.controlla_percorso();
  EXPECT_EQ(full.form.error_code, 12);
  EXPECT_EQ(full.form.error_position, 10050);
  EXPECT_EQ(full[190].kind, kAbbattimento);
}

TEST(RouteChecks, PeriodicPointMovesEarlyOrLate) {
  Route early;
  early.slow_order(201, 240, 60);
  early[209].kind = kSegnale;
  early.form.controlla_percorso();
  EXPECT_EQ(early[208].kind, kAbbattimento);
  EXPECT_EQ(early[216].kind, kAbbattimento);  // 8 cells after the early point

  Route late;
  late.slow_order(201, 240, 60);
  late[209].kind = kSegnale;
  late[208].kind = kSegnale;
  late.form.controlla_percorso();
  EXPECT_EQ(late[210].kind, kAbbattimento);
  EXPECT_EQ(late[218].kind, kAbbattimento);

  Route none;
  none.slow_order(201, 240, 60);
  for (int i : {208, 209, 210}) none[i].kind = kSegnale;
  none.form.controlla_percorso();
  EXPECT_EQ(none.form.error_code, 13);
  EXPECT_EQ(none.form.error_position, 209 * 50);
  EXPECT_EQ(none[217].kind, 0);  // no further point in that slow order
}

TEST(RouteChecks, SignalsBeforeAWarningBoard) {
  struct Case {
    uint8_t kind149;
    int16_t value149;
    uint8_t kind148;
    int point_cell;
    int16_t value149_after;
  };
  const Case cases[] = {
      {0, 0, 0, 149, 180},
      {kIndicatoreVMax, 0, 0, 148, 0},
      {kAbbattimento, 200, kIndicatoreVMax, -1, 180},
      {kAbbattimento, 60, kIndicatoreVMax, -1, 60},
  };
  for (const Case& c : cases) {
    Route r;
    r[160].kind = kAvvisoRallentamento;
    r[150].kind = kSegnale;
    r[149].kind = c.kind149;
    r[149].value1 = c.value149;
    r[148].kind = c.kind148;
    r.form.controlla_percorso();
    if (c.point_cell > 0) {
      EXPECT_EQ(r[c.point_cell].kind, kAbbattimento);
    }
    EXPECT_EQ(r[149].value1, c.value149_after);
    EXPECT_EQ(r.form.error_code, 0);
  }
  Route r;
  r[160].kind = kAvvisoRallentamento;
  r[150].kind = kSegnale;
  r[149].kind = kIndicatoreVMax;
  r[148].kind = kIndicatoreVMax;
  r.form.controlla_percorso();
  EXPECT_EQ(r.form.error_code, 11);
  EXPECT_EQ(r.form.error_position, 7500);
}

TEST(RouteChecks, SlowOrderWithoutEndBoardStopsAtTheLastCell) {
  Route r;
  r[490].kind = kInizioRallentamento;
  r[490].value1 = 30;
  r.form.controlla_percorso();
  EXPECT_EQ(r[498].kind, kAbbattimento);
  EXPECT_EQ(r.form.error_code, 0);
}

TEST(Minimo, SmallerOfTwoFirstOnATie) {
  EXPECT_EQ(Form1::minimo<int16_t>(180, 200), 180);
  EXPECT_EQ(Form1::minimo<int16_t>(180, 90), 90);
  EXPECT_EQ(Form1::minimo<int16_t>(180, 180), 180);
  EXPECT_EQ(Form1::minimo<int16_t>(180, -5), -5);
}

}  // namespace
}  // namespace ferrovello
