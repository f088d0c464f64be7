// Reading the binary files back, field by field, for the tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "model/form1.h"

namespace ferrovello::test {

inline int16_t le16(const std::string& b, size_t at) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8)));
}
inline int32_t le32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
  return static_cast<int32_t>(v);
}
inline double le64f(const std::string& b, size_t at) {
  uint64_t v = 0;
  for (size_t i = 0; i < 8; ++i) v |= static_cast<uint64_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
  double d;
  std::memcpy(&d, &v, sizeof d);
  return d;
}

inline RouteCell cell_at(const std::string& dat, size_t i) {
  const size_t o = i * 15;
  RouteCell c;
  c.kind = static_cast<uint8_t>(dat[o]);
  c.value1 = le16(dat, o + 1);
  c.value2 = le16(dat, o + 3);
  c.value3 = le16(dat, o + 5);
  c.value4 = le16(dat, o + 7);
  c.byte1 = static_cast<uint8_t>(dat[o + 9]);
  c.byte2 = static_cast<uint8_t>(dat[o + 10]);
  c.byte3 = static_cast<uint8_t>(dat[o + 11]);
  c.byte4 = static_cast<uint8_t>(dat[o + 12]);
  c.byte5 = static_cast<uint8_t>(dat[o + 13]);
  c.byte6 = static_cast<uint8_t>(dat[o + 14]);
  return c;
}

// The 87 records of an item file; fewer if the file is cut short.
inline std::vector<ItemRecord> items_of(const std::string& sim) {
  std::vector<ItemRecord> out;
  size_t o = 0;
  while (out.size() < 87 && o + 34 <= sim.size()) {
    ItemRecord r;
    r.kind = static_cast<uint8_t>(sim[o]);
    r.value1 = le32(sim, o + 1);
    r.value2 = le32(sim, o + 5);
    r.position = le32(sim, o + 9);
    r.flag = static_cast<uint8_t>(sim[o + 13]);
    const size_t n = static_cast<uint16_t>(le16(sim, o + 14));
    if (o + 34 + n > sim.size()) break;
    r.text = sim.substr(o + 16, n);
    const size_t t = o + 16 + n;
    r.word1 = le16(sim, t);
    r.word2 = le16(sim, t + 2);
    r.word3 = le16(sim, t + 4);
    r.word4 = le16(sim, t + 6);
    r.word5 = le16(sim, t + 8);
    r.byte1 = static_cast<uint8_t>(sim[t + 10]);
    r.byte2 = static_cast<uint8_t>(sim[t + 11]);
    r.byte3 = static_cast<uint8_t>(sim[t + 12]);
    r.byte4 = static_cast<uint8_t>(sim[t + 13]);
    r.code = le32(sim, t + 14);
    out.push_back(r);
    o = t + 18;
  }
  return out;
}

}  // namespace ferrovello::test
