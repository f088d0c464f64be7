// The packed records as the simulator reads them, written out byte by byte
// here on purpose: the encoder, the decoder and the dumps share one layout,
// and this is the check of that layout against the file format.
#include <gtest/gtest.h>

#include "output/encoding.h"
#include "tools/compiled/file_decoders.h"

namespace ferrovello::test {
namespace {

TEST(RecordLayout, RouteCellBytes) {
  const RouteCell c{0x01, 0x0302, -2, 0x0504, 0x0706, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D};
  const std::string bytes = codifica_percorso({c});
  EXPECT_EQ(bytes, std::string("\x01\x02\x03\xFE\xFF\x04\x05\x06\x07\x08\x09\x0A\x0B\x0C\x0D", 15));
  std::vector<RouteCell> back;
  std::string why;
  ASSERT_TRUE(decodifica_percorso(bytes, back, why)) << why;
  EXPECT_EQ(codifica_percorso(back), bytes);
}

TEST(RecordLayout, ItemRecordBytes) {
  std::array<ItemRecord, kItemCount> items{};
  ItemRecord& r = items[0];
  r.kind = 0x01;
  r.value1 = 0x05040302;
  r.value2 = -2;
  r.position = 0x0D0C0B0A;
  r.flag = 0x0E;
  r.text = "AB";
  r.word1 = 0x1110;
  r.word2 = 0x1312;
  r.word3 = 0x1514;
  r.word4 = 0x1716;
  r.word5 = 0x1918;
  r.byte1 = 0x1A;
  r.byte2 = 0x1B;
  r.byte3 = 0x1C;
  r.byte4 = 0x1D;
  r.code = 0x21201F1E;
  const std::string bytes = codifica_elementi(items);
  const std::string first(
      "\x01\x02\x03\x04\x05\xFE\xFF\xFF\xFF\x0A\x0B\x0C\x0D\x0E\x02\x00"
      "AB\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1A\x1B\x1C\x1D\x1E\x1F\x20\x21",
      36);
  EXPECT_EQ(bytes.substr(0, first.size()), first);
  EXPECT_EQ(bytes.size(), first.size() + 86 * 34);  // the other records, empty
  std::array<ItemRecord, kItemCount> back{};
  std::string why;
  ASSERT_TRUE(decodifica_elementi(bytes, back, why)) << why;
  EXPECT_EQ(codifica_elementi(back), bytes);
}

}  // namespace
}  // namespace ferrovello::test
