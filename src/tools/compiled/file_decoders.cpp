#include "tools/compiled/file_decoders.h"

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "model/record_layout.h"

namespace ferrovello {

namespace {

// Little-endian fields read from a byte string whose length was checked.
struct Lettore {
  const std::string& b;
  size_t at = 0;

  size_t resto() const { return b.size() - at; }
  template <typename T>
  T prendi() {
    std::make_unsigned_t<T> u = 0;
    for (size_t i = 0; i < sizeof(T); ++i) {
      u = static_cast<std::make_unsigned_t<T>>(u | (static_cast<std::make_unsigned_t<T>>(static_cast<uint8_t>(b[at + i])) << (8 * i)));
    }
    at += sizeof(T);
    return static_cast<T>(u);
  }
  uint8_t u8() { return prendi<uint8_t>(); }
  uint16_t u16() { return prendi<uint16_t>(); }
  int16_t i16() { return prendi<int16_t>(); }
  double f64() {
    const uint64_t v = prendi<uint64_t>();
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

uint64_t dimensione_massima(TipoFile tipo) {
  switch (tipo) {
    case TipoFile::percorso: return kMassimoPercorso;
    case TipoFile::elementi: return kMassimoElementi;
    case TipoFile::linea: break;
  }
  return kMassimoLinea;
}

const char* nome_del_tipo(TipoFile tipo) {
  switch (tipo) {
    case TipoFile::percorso: return "un file del percorso";
    case TipoFile::elementi: return "un file degli elementi";
    case TipoFile::linea: break;
  }
  return "un file della linea";
}

bool e_stazione(const ItemRecord& r) {
  return r.kind != 0 || r.value1 != 0 || r.value2 != 0 || r.position != 0 || r.code != 0 || r.word1 != 0 ||
         r.word3 != 0 || r.byte2 != 0;
}

bool decodifica_percorso(const std::string& bytes, std::vector<RouteCell>& celle, std::string& perche) {
  if (bytes.empty() || bytes.size() % kCellBytes != 0) {
    perche = "un file del percorso è fatto di celle di " + std::to_string(kCellBytes) +
             " byte, ma questo è lungo " + std::to_string(bytes.size()) + " byte";
    return false;
  }
  celle.assign(bytes.size() / kCellBytes, RouteCell{});
  Lettore r{bytes};
  for (RouteCell& c : celle) {
    per_ogni_campo(kCampiCella, [&](const auto& campo) {
      c.*(campo.membro) = r.prendi<typename std::remove_cvref_t<decltype(campo)>::Tipo>();
    });
  }
  return true;
}

bool decodifica_elementi(const std::string& bytes, std::array<ItemRecord, kItemCount>& elementi, std::string& perche) {
  constexpr size_t kDopoTesto = byte_dopo_testo(kCampiElemento);
  Lettore r{bytes};
  for (size_t i = 0; i < elementi.size(); ++i) {
    ItemRecord& e = elementi[i];
    if (r.resto() < kItemFixedBytes) {
      perche = "il file degli elementi finisce dentro l'elemento " + std::to_string(i) + " (ne servono " +
               std::to_string(kItemCount) + ")";
      return false;
    }
    bool ok = true;
    per_ogni_campo(kCampiElemento, [&](const auto& campo) {
      using T = typename std::remove_cvref_t<decltype(campo)>::Tipo;
      if (!ok) return;
      if constexpr (std::is_same_v<T, std::string>) {
        const size_t n = r.u16();
        if (r.resto() < n + kDopoTesto) {
          perche = "il testo dell'elemento " + std::to_string(i) + " (" + std::to_string(n) +
                   " byte) va oltre la fine del file";
          ok = false;
          return;
        }
        (e.*(campo.membro)).assign(bytes, r.at, n);
        r.at += n;
      } else {
        e.*(campo.membro) = r.prendi<T>();
      }
    });
    if (!ok) return false;
  }
  if (r.resto() != 0) {
    perche = "dopo gli " + std::to_string(kItemCount) + " elementi restano " + std::to_string(r.resto()) + " byte";
    return false;
  }
  return true;
}

bool decodifica_linea(const std::string& bytes, std::vector<LineValue>& tabella, std::string& perche) {
  tabella.clear();
  Lettore r{bytes};
  while (r.resto() > 0) {
    if (r.resto() < 2) {
      perche = "il file della linea finisce a metà di un'etichetta";
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
    perche = "il file della linea deve avere due metà di uguale numero di metri, ma ha " +
             std::to_string(tabella.size()) + " valori";
    return false;
  }
  return true;
}

std::string forma_inattesa(const std::string& nome, const std::string& perche) {
  return "Il file \"" + nome + "\" non ha la forma attesa: " + perche;
}

}  // namespace ferrovello
