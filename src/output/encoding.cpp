#include "output/encoding.h"

#include <cstdint>
#include <cstring>

namespace ferrovello {

namespace {

void u8(std::string& out, uint8_t v) { out.push_back(static_cast<char>(v)); }

void le16(std::string& out, int16_t v) {
  const auto u = static_cast<uint16_t>(v);
  out.push_back(static_cast<char>(u & 0xFFu));
  out.push_back(static_cast<char>(u >> 8));
}

void le32(std::string& out, int32_t v) {
  const auto u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFFu));
}

void le64(std::string& out, double d) {
  uint64_t u = 0;
  std::memcpy(&u, &d, sizeof u);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFFu));
}

}  // namespace

std::string codifica_percorso(const std::vector<RouteCell>& celle) {
  std::string out;
  out.reserve(celle.size() * kCellBytes);
  for (const RouteCell& c : celle) {
    u8(out, c.kind);
    le16(out, c.value1);
    le16(out, c.value2);
    le16(out, c.value3);
    le16(out, c.value4);
    u8(out, c.byte1);
    u8(out, c.byte2);
    u8(out, c.byte3);
    u8(out, c.byte4);
    u8(out, c.byte5);
    u8(out, c.byte6);
  }
  return out;
}

std::string codifica_elementi(const std::array<ItemRecord, kItemCount>& elementi) {
  std::string out;
  for (const ItemRecord& r : elementi) {
    u8(out, r.kind);
    le32(out, r.value1);
    le32(out, r.value2);
    le32(out, r.position);
    u8(out, r.flag);
    // Texts longer than a 16-bit length can say are cut there.
    const size_t n = r.text.size() < 32767 ? r.text.size() : 32767;
    le16(out, static_cast<int16_t>(n));
    out.append(r.text, 0, n);
    le16(out, r.word1);
    le16(out, r.word2);
    le16(out, r.word3);
    le16(out, r.word4);
    le16(out, r.word5);
    u8(out, r.byte1);
    u8(out, r.byte2);
    u8(out, r.byte3);
    u8(out, r.byte4);
    le32(out, r.code);
  }
  return out;
}

std::string codifica_linea(const std::vector<LineValue>& tabella) {
  size_t size = 0;
  for (const LineValue& v : tabella) {
    size += 2 + (v.tag == LineValue::kIntero ? 2 : v.tag == LineValue::kReale ? 8 : 0);
  }
  std::string out;
  out.reserve(size);
  for (const LineValue& v : tabella) {
    le16(out, v.tag);
    if (v.tag == LineValue::kIntero) {
      le16(out, static_cast<int16_t>(v.value));
    } else if (v.tag == LineValue::kReale) {
      le64(out, v.value);
    }
  }
  return out;
}

}  // namespace ferrovello
