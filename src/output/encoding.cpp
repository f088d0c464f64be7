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

std::string_view codifica_linea(const LineTable& tabella, std::string& riserva) {
  if (tabella.laid == tabella.capacity()) return {tabella.bytes.get(), 2 * tabella.half};
  // Cut short: the laid slots of each entry, then an empty tag (two zero
  // bytes) for every metre not laid.
  const size_t laid_bytes = LineTable::slot(tabella.laid);
  const size_t vuoti = 2 * (tabella.metres - tabella.laid);
  riserva.clear();
  riserva.reserve(2 * (laid_bytes + vuoti));
  for (const char* entry : {tabella.bytes.get(), tabella.bytes.get() + tabella.half}) {
    riserva.append(entry, laid_bytes);
    riserva.append(vuoti, '\0');
  }
  return riserva;
}

// --- the line table in the layout of its file ---

namespace {

double leggi_reale(const char* p) {
  double d = 0.0;
  std::memcpy(&d, p + 2, sizeof d);
  return d;
}

int16_t leggi_intero(const char* p) {
  int16_t v = 0;
  std::memcpy(&v, p + 2, sizeof v);
  return v;
}

void metti_intero(char* p, int16_t v) {
  const int16_t tag = LineValue::kIntero;
  std::memcpy(p, &tag, sizeof tag);
  std::memcpy(p + sizeof tag, &v, sizeof v);
}

}  // namespace

void LineTable::assign(size_t slots, LineValue /*vuoto*/) {
  bytes.reset();  // freed first, so that a large table is never held twice
  metres = slots / 2;
  laid = 0;
  // Laid to its end, an entry holds its laid slots and an empty tag, two
  // zero bytes, for each of the last metres.
  const size_t vuoti = 2 * (metres - capacity());
  half = slot(capacity()) + vuoti;
  if (metres == 0) return;
  // Only those empty tags are written now; every other slot is written
  // once, when its point is laid.
  bytes = std::make_unique_for_overwrite<char[]>(2 * half);
  std::memset(bytes.get() + half - vuoti, 0, vuoti);
  std::memset(bytes.get() + 2 * half - vuoti, 0, vuoti);
}

void LineTable::lay_start(int16_t x0, int16_t y0, int16_t x1, int16_t y1) {
  if (capacity() < 2) return;
  char* p0 = bytes.get();
  char* p1 = bytes.get() + half;
  metti_intero(p0 + slot(0), x0);
  metti_intero(p0 + slot(1), x1);
  metti_intero(p1 + slot(0), y0);
  metti_intero(p1 + slot(1), y1);
  laid = 2;
}

double LineTable::x(size_t m) const { return (*this)[m].value; }

double LineTable::y(size_t m) const { return (*this)[metres + m].value; }

LineValue LineTable::operator[](size_t i) const {
  const size_t m = i < metres ? i : i - metres;
  if (m >= laid) return {};
  const char* p = bytes.get() + (i < metres ? 0 : half) + slot(m);
  if (m < 2) return {LineValue::kIntero, static_cast<double>(leggi_intero(p))};
  return {LineValue::kReale, leggi_reale(p)};
}

}  // namespace ferrovello
