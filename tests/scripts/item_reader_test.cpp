#include "scripts/item_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace ferrovello {
namespace {

ScriptItems script(const std::string& bytes) {
  ScriptItems s;
  s.bytes = bytes;
  return s;
}

std::vector<int32_t> numbers(const std::string& bytes, size_t count) {
  ScriptItems s = script(bytes);
  std::vector<int32_t> out;
  std::string why;
  for (size_t i = 0; i < count; ++i) {
    int32_t v = -999;
    EXPECT_TRUE(leggi_numero(s, Larghezza::bit32, v, why)) << why;
    out.push_back(v);
  }
  return out;
}

TEST(ItemReader, NumberItems) {
  struct Case {
    const char* bytes;
    std::vector<int32_t> expected;
  };
  const Case cases[] = {
      {"1500,  -5\r\n", {1500, -5}},
      {"      7               29            40\r\n", {7, 29, 40}},  // blanks end a number
      {"7,29,40\r\n", {7, 29, 40}},
      {"  ,    ,  9\r\n", {0, 0, 9}},                   // an item without digits reads as 0
      {"12\r\n34\r\n", {12, 34}},                       // where a line ends does not matter
      {"\r\n5\r\n", {0, 5}},                            // an empty line is an empty item
      {"-2147483648,2147483647", {-2147483648, 2147483647}},
      {"8\n9\r10", {8, 9, 10}},                         // lone LF and lone CR end lines too
  };
  for (const Case& c : cases) EXPECT_EQ(numbers(c.bytes, c.expected.size()), c.expected) << c.bytes;
}

TEST(ItemReader, NumberFailures) {
  struct Case {
    const char* bytes;
    Larghezza width;
  };
  const Case cases[] = {
      {"", Larghezza::bit32},               // nothing left to read
      {"2147483648", Larghezza::bit32},     // one past the width
      {"-2147483649", Larghezza::bit32},
      {"99999999999999999999999", Larghezza::bit32},
      {"32768", Larghezza::bit16},
      {"-32769", Larghezza::bit16},
      {"256", Larghezza::bit8},
      {"-1", Larghezza::bit8},
      {"12abc,", Larghezza::bit32},          // not a number
      {"-,", Larghezza::bit32},
      {"+5,", Larghezza::bit32},
  };
  for (const Case& c : cases) {
    ScriptItems s = script(c.bytes);
    int32_t v = 0;
    std::string why;
    EXPECT_FALSE(leggi_numero(s, c.width, v, why)) << c.bytes;
    EXPECT_FALSE(why.empty());
  }
  ScriptItems s = script("255,32767,-32768");
  int32_t v = 0;
  std::string why;
  EXPECT_TRUE(leggi_numero(s, Larghezza::bit8, v, why));
  EXPECT_TRUE(leggi_numero(s, Larghezza::bit16, v, why));
  EXPECT_TRUE(leggi_numero(s, Larghezza::bit16, v, why));
  EXPECT_EQ(v, -32768);
}

TEST(ItemReader, TextItems) {
  ScriptItems s = script("  cartello_indicatore,  350,     (Fiume )(TANARO)  \r\n[fine]\r\n");
  std::string t;
  int32_t v = 0;
  std::string why;
  ASSERT_TRUE(leggi_testo(s, t));
  EXPECT_EQ(t, "cartello_indicatore");
  ASSERT_TRUE(leggi_numero(s, Larghezza::bit32, v, why));
  EXPECT_EQ(v, 350);
  ASSERT_TRUE(leggi_testo(s, t));
  EXPECT_EQ(t, "(Fiume )(TANARO)");  // leading and trailing blanks dropped, inner kept
  ASSERT_TRUE(leggi_testo(s, t));
  EXPECT_EQ(t, "[fine]");
  EXPECT_TRUE(fine_file(s));
  EXPECT_FALSE(leggi_testo(s, t));
}

TEST(ItemReader, LineAndColumnOfAnItem) {
  ScriptItems s = script("[generale]\r\nlunghezza percorso,  x\r\n");
  std::string t;
  int32_t v = 0;
  std::string why;
  leggi_testo(s, t);
  leggi_testo(s, t);
  EXPECT_FALSE(leggi_numero(s, Larghezza::bit32, v, why));
  const PuntoTesto p = punto_testo(s, s.item_start);
  EXPECT_EQ(p.riga, 2);
  EXPECT_EQ(p.colonna, 22);
}

TEST(ItemReader, KeywordTests) {
  EXPECT_TRUE(contiene_ci("CurvaS4", "curva"));
  EXPECT_TRUE(contiene_ci("[GENERALE]", "[generale]"));
  EXPECT_FALSE(contiene_ci("curv", "curva"));
  EXPECT_TRUE(contiene("progressiva chilometrica tre", "tre"));
  EXPECT_FALSE(contiene("progressiva chilometrica TRE", "tre"));  // exact-case test
}

}  // namespace
}  // namespace ferrovello
