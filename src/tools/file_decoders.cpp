#include "tools/file_decoders.h"

#include <cstdint>
#include <cstring>

#include "output/encoding.h"

namespace ferrovello {

namespace {

// Little-endian fields read from a byte string whose length was checked.
struct Lettore {
  const std::string& b;
  size_t at = 0;

  size_t resto() const { return b.size() - at; }
  uint8_t u8() { return static_cast<uint8_t>(b[at++]); }
  uint16_t u16() {
    const uint16_t v = static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
    at += 2;
    return v;
  }
  int16_t i16() { return static_cast<int16_t>(u16()); }
  int32_t i32() {
    uint32_t v = 0;
    for (size_t i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
    at += 4;
    return static_cast<int32_t>(v);
  }
  double f64() {
    uint64_t v = 0;
    for (size_t i = 0; i < 8; ++i) v |= static_cast<uint64_t>(static_cast<uint8_t>(b[at + i])) << (8 * i);
    at += 8;
    double d = 0;
    std::memcpy(&d, &v, sizeof d);
    return d;
  }
};

bool finisce_con(const std::string& s, const char* fine) {
  const size_t n = std::strlen(fine);
  return s.size() >= n && s.compare(s.size() - n, n, fine) == 0;
}

}  // namespace

bool tipo_da_nome(const std::string& nome, TipoFile& tipo) {
  if (finisce_con(nome, "_linea.dat")) {
    tipo = TipoFile::linea;
  } else if (finisce_con(nome, ".sim")) {
    tipo = TipoFile::elementi;
  } else if (finisce_con(nome, ".dat")) {
    tipo = TipoFile::percorso;
  } else {
    return false;
  }
  return true;
}

bool e_stazione(const ItemRecord& r) {
  return r.kind != 0 || r.value1 != 0 || r.value2 != 0 || r.position != 0 || r.code != 0 || r.word1 != 0 ||
         r.word3 != 0 || r.byte2 != 0;
}

bool decodifica_percorso(const std::string& bytes, std::vector<RouteCell>& celle, std::string& perche) {
  if (bytes.empty() || bytes.size() % kCellBytes != 0) {
    perche = "un file del percorso e' fatto di celle di 15 byte, ma questo e' lungo " +
             std::to_string(bytes.size()) + " byte";
    return false;
  }
  celle.assign(bytes.size() / kCellBytes, RouteCell{});
  Lettore r{bytes};
  for (RouteCell& c : celle) {
    c.kind = r.u8();
    c.value1 = r.i16();
    c.value2 = r.i16();
    c.value3 = r.i16();
    c.value4 = r.i16();
    c.byte1 = r.u8();
    c.byte2 = r.u8();
    c.byte3 = r.u8();
    c.byte4 = r.u8();
    c.byte5 = r.u8();
    c.byte6 = r.u8();
  }
  return true;
}

bool decodifica_elementi(const std::string& bytes, std::array<ItemRecord, kItemCount>& elementi, std::string& perche) {
  Lettore r{bytes};
  for (size_t i = 0; i < elementi.size(); ++i) {
    ItemRecord& e = elementi[i];
    if (r.resto() < kItemFixedBytes) {
      perche = "il file degli elementi finisce dentro l'elemento " + std::to_string(i) + " (ne servono 87)";
      return false;
    }
    e.kind = r.u8();
    e.value1 = r.i32();
    e.value2 = r.i32();
    e.position = r.i32();
    e.flag = r.u8();
    const size_t n = r.u16();
    if (r.resto() < n + kItemFixedBytes - 16) {
      perche = "il testo dell'elemento " + std::to_string(i) + " (" + std::to_string(n) +
               " byte) va oltre la fine del file";
      return false;
    }
    e.text.assign(bytes, r.at, n);
    r.at += n;
    e.word1 = r.i16();
    e.word2 = r.i16();
    e.word3 = r.i16();
    e.word4 = r.i16();
    e.word5 = r.i16();
    e.byte1 = r.u8();
    e.byte2 = r.u8();
    e.byte3 = r.u8();
    e.byte4 = r.u8();
    e.code = r.i32();
  }
  if (r.resto() != 0) {
    perche = "dopo gli 87 elementi restano " + std::to_string(r.resto()) + " byte";
    return false;
  }
  return true;
}

bool decodifica_linea(const std::string& bytes, std::vector<LineValue>& tabella, std::string& perche) {
  tabella.clear();
  Lettore r{bytes};
  while (r.resto() > 0) {
    if (r.resto() < 2) {
      perche = "il file della linea finisce a meta' di un'etichetta";
      return false;
    }
    const size_t dove = r.at;
    const int16_t tag = r.i16();
    LineValue v;
    v.tag = tag;
    if (tag == LineValue::kIntero) {
      if (r.resto() < 2) {
        perche = "il file della linea finisce dentro un intero";
        return false;
      }
      v.value = r.i16();
    } else if (tag == LineValue::kReale) {
      if (r.resto() < 8) {
        perche = "il file della linea finisce dentro un numero reale";
        return false;
      }
      v.value = r.f64();
    } else if (tag != LineValue::kVuoto) {
      perche = "etichetta " + std::to_string(tag) + " sconosciuta al byte " + std::to_string(dove) +
               " del file della linea (sono ammesse 0, 2 e 5)";
      return false;
    }
    tabella.push_back(v);
  }
  if (tabella.empty() || tabella.size() % 2 != 0) {
    perche = "il file della linea deve avere due meta' di uguale numero di metri, ma ha " +
             std::to_string(tabella.size()) + " valori";
    return false;
  }
  return true;
}

}  // namespace ferrovello
