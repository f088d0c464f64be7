#include "output/encoding.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace ferrovello {

namespace {

// Texts longer than a 16-bit length can say are cut there.
size_t lunghezza_testo(const std::string& t) { return t.size() < 32767 ? t.size() : 32767; }

// Stores fields one after the other into bytes already sized for them.
struct Cursore {
  char* p;

  // An integer field, little-endian, as wide as its member.
  template <typename T>
  void metti(T v) {
    const auto u = static_cast<std::make_unsigned_t<T>>(v);
    for (size_t i = 0; i < sizeof(T); ++i) *p++ = static_cast<char>((u >> (8 * i)) & 0xFFu);
  }
  // A text: its 16-bit length, then its bytes.
  void metti(const std::string& t) {
    const size_t n = lunghezza_testo(t);
    metti(static_cast<int16_t>(n));
    std::memcpy(p, t.data(), n);
    p += n;
  }
  // Every field of a record, in the order of its layout.
  template <typename Record, typename Layout>
  void record(const Record& r, const Layout& layout) {
    per_ogni_campo(layout, [&](const auto& campo) { metti(r.*(campo.membro)); });
  }
};

}  // namespace

std::string codifica_percorso(const std::vector<RouteCell>& celle) {
  std::string out(celle.size() * kCellBytes, '\0');
  Cursore w{out.data()};
  for (const RouteCell& c : celle) w.record(c, kCampiCella);
  return out;
}

std::string codifica_elementi(const std::array<ItemRecord, kItemCount>& elementi) {
  size_t size = 0;
  for (const ItemRecord& r : elementi) size += kItemFixedBytes + lunghezza_testo(r.text);
  std::string out(size, '\0');
  Cursore w{out.data()};
  for (const ItemRecord& r : elementi) w.record(r, kCampiElemento);
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

std::string codifica_linea(const std::vector<LineValue>& valori) {
  size_t size = 0;
  for (const LineValue& v : valori) {
    size += 2 + (v.tag == LineValue::kIntero ? 2 : v.tag == LineValue::kReale ? 8 : 0);
  }
  std::string out;
  out.reserve(size);
  for (const LineValue& v : valori) {
    const auto tag = static_cast<uint16_t>(v.tag);
    out.push_back(static_cast<char>(tag & 0xFFu));
    out.push_back(static_cast<char>(tag >> 8));
    if (v.tag == LineValue::kIntero) {
      const auto i = static_cast<uint16_t>(static_cast<int16_t>(v.value));
      out.push_back(static_cast<char>(i & 0xFFu));
      out.push_back(static_cast<char>(i >> 8));
    } else if (v.tag == LineValue::kReale) {
      uint64_t u = 0;
      std::memcpy(&u, &v.value, sizeof u);
      for (int b = 0; b < 8; ++b) out.push_back(static_cast<char>((u >> (8 * b)) & 0xFFu));
    }
  }
  return out;
}

std::vector<LineValue> valori_linea(const LineTable& tabella) {
  std::vector<LineValue> valori(tabella.size());
  for (size_t i = 0; i < valori.size(); ++i) valori[i] = tabella[i];
  return valori;
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

void LineTable::assign(size_t slots, LineValue /*vuoto*/, Platform& platform) {
  metres = slots / 2;
  laid = 0;
  // Laid to its end, an entry holds its laid slots and an empty tag, two
  // zero bytes, for each of the last metres.
  const size_t vuoti = 2 * (metres - capacity());
  half = slot(capacity()) + vuoti;
  if (metres == 0) return;
  // The room of an earlier table is kept when it is large enough (a process
  // that compiles many routes allocates once); otherwise it is freed before
  // the new room is taken, so that a large table is never held twice.
  // Every slot is written once, when its point is laid, and the empty tags
  // once the table is laid to its end (at once for a table that has no
  // metre to lay).
  if (room < 2 * half) {
    bytes.reset();
    room = 0;
    bytes = platform.take_room(2 * half);
    room = 2 * half;
  }
  if (laid == capacity()) empty_tails();
}

void LineTable::empty_tails() {
  const size_t vuoti = 2 * (metres - capacity());
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
  if (laid == capacity()) empty_tails();
}

LineCursor LineTable::cursor() {
  if (laid < 2) return {bytes.get(), half, laid, laid};
  return {bytes.get() + slot(laid), half, laid, capacity()};
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
