#include <gtest/gtest.h>

#include "model/form1.h"
#include "platform/posix_platform.h"

namespace ferrovello {
namespace {

TEST(CompetitionCodes, ChecksumsOfTrainNumberAndName) {
  struct Case {
    const char* train;
    const char* name;
    int32_t og, st;
  };
  const Case cases[] = {
      {"12", "Abc", 2427, 33220},
      {"12", "ABC", 2427, 33220},
      {"", "", 2583, 34355},
      {"2632", "Ferrovello", 2385, 32776},
      {"Abc", "12", 2427, -1},  // exchanged: the same sum, another weighted sum
  };
  PosixPlatform platform(".");
  for (const Case& c : cases) {
    Form1 f(platform);
    f.items[86].text = c.train;
    f.items[85].text = c.name;
    EXPECT_EQ(f.codice_gara_og(), c.og) << c.train << c.name;
    if (c.st >= 0) {
      EXPECT_EQ(f.codice_gara_st(), c.st) << c.train << c.name;
    } else {
      EXPECT_NE(f.codice_gara_st(), 33220);
    }
  }
}

TEST(CompetitionCodes, OnlyTheFirst25CharactersCount) {
  PosixPlatform platform(".");
  Form1 a(platform);
  Form1 b(platform);
  a.items[86].text = "2632";
  b.items[86].text = "2632";
  a.items[85].text = "UnNomeMoltoLungoDiScenarioX";
  b.items[85].text = "unnomemoltolungodiscenaYYYYY";  // differs only after character 25
  EXPECT_EQ(a.codice_gara_og(), b.codice_gara_og());
  EXPECT_EQ(a.codice_gara_st(), b.codice_gara_st());
  Form1 c(platform);
  c.items[85].text = "\xC0";  // capital A grave counts as its small letter
  Form1 d(platform);
  d.items[85].text = "\xE0";
  EXPECT_EQ(c.codice_gara_st(), d.codice_gara_st());
}

}  // namespace
}  // namespace ferrovello
