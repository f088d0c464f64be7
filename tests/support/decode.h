// Reading the binary files back for the tests, through the decoders of the
// authors' tool, and the sizes the record layouts give the files.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "model/form1.h"
#include "model/record_layout.h"
#include "tools/compiled/file_decoders.h"

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

// Cell i of a route file, read by the decoder of the authors' tool.
inline RouteCell cell_at(const std::string& dat, size_t i) {
  std::vector<RouteCell> one;
  std::string why;
  if (!decodifica_percorso(dat.substr(i * kCellBytes, kCellBytes), one, why)) return {};
  return one[0];
}

// The 87 records of an item file; none if it does not decode.
inline std::vector<ItemRecord> items_of(const std::string& sim) {
  std::array<ItemRecord, kItemCount> items{};
  std::string why;
  if (!decodifica_elementi(sim, items, why)) return {};
  return {items.begin(), items.end()};
}

// Bytes of the files of a route with cells 0 to `last_cell`, an item table
// holding `text_bytes` of texts, and a line table of metres 0 to `extent`.
inline size_t route_file_size(size_t last_cell) { return (last_cell + 1) * kCellBytes; }
inline size_t item_file_size(size_t text_bytes) { return kItemCount * kItemFixedBytes + text_bytes; }
// Each entry: its laid slots, then an empty tag for each of the last two metres.
inline size_t line_file_size(size_t extent) { return 2 * (LineTable::slot(extent - 1) + 2 * 2); }

}  // namespace ferrovello::test
