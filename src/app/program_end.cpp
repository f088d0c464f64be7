// Where the program itself ends in its file, from its own headers: the
// installer's ELF or PE file, with nothing after it unless a package follows.
#include <cstdint>
#include <string_view>

#include "app/package_payload.h"

namespace ferrovello {

namespace {

uint64_t prendi(std::string_view in, size_t da, int byte) {
  uint64_t v = 0;
  for (int i = byte - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(in[da + static_cast<size_t>(i)]);
  return v;
}

}  // namespace

uint64_t fine_del_programma(std::string_view inizio, uint64_t* almeno) {
  const auto campo = [&](uint64_t da, int byte) -> uint64_t {
    return da + static_cast<uint64_t>(byte) <= inizio.size() ? prendi(inizio, static_cast<size_t>(da), byte) : 0;
  };
  const auto dentro = [&](uint64_t da, uint64_t n) { return da <= inizio.size() && n <= inizio.size() - da; };
  constexpr uint64_t kLimite = uint64_t{1} << 48;  // beyond any program: the headers are not believed
  uint64_t fine = 0;
  const auto estendi = [&](uint64_t da, uint64_t n) {
    if (da >= kLimite || n >= kLimite) return false;
    if (da + n > fine) fine = da + n;
    return true;
  };
  if (inizio.substr(0, 6) == std::string_view("\x7F" "ELF\x02\x01", 6)) {  // 64-bit, little-endian
    const uint64_t phoff = campo(0x20, 8);
    const uint64_t shoff = campo(0x28, 8);
    const uint64_t phentsize = campo(0x36, 2);
    const uint64_t phnum = campo(0x38, 2);
    const uint64_t shentsize = campo(0x3A, 2);
    const uint64_t shnum = campo(0x3C, 2);
    if (shnum == 0 || phentsize < 0x28 || !dentro(phoff, phnum * phentsize)) return 0;
    if (!estendi(shoff, shnum * shentsize)) return 0;
    for (uint64_t i = 0; i < phnum; ++i) {
      if (!estendi(campo(phoff + i * phentsize + 0x08, 8), campo(phoff + i * phentsize + 0x20, 8))) return 0;
    }
    if (almeno != nullptr) *almeno = fine;
    return fine;
  }
  if (inizio.substr(0, 2) != "MZ") return 0;
  const uint64_t pe = campo(0x3C, 4);
  if (!dentro(pe, 24) || inizio.substr(static_cast<size_t>(pe), 4) != std::string_view("PE\0\0", 4)) return 0;
  const uint64_t sezioni = campo(pe + 6, 2);
  const uint64_t simboli = campo(pe + 12, 4);
  const uint64_t opzionale = pe + 24;
  const uint64_t tabella = opzionale + campo(pe + 20, 2);
  if (!dentro(tabella, sezioni * 40)) return 0;
  for (uint64_t i = 0; i < sezioni; ++i) {
    const uint64_t grandezza = campo(tabella + i * 40 + 16, 4);
    if (grandezza != 0 && !estendi(campo(tabella + i * 40 + 20, 4), grandezza)) return 0;
  }
  if (simboli != 0) {
    // COFF symbols (18 bytes each) are followed by their string table, whose
    // length stands beyond these bytes: the end is not known, but the
    // program is at least that long.
    if (!estendi(campo(pe + 8, 4), simboli * 18 + 4)) return 0;
    if (almeno != nullptr) *almeno = fine;
    return 0;
  }
  // A signature appended to the program belongs to it.
  const bool pe32piu = campo(opzionale, 2) == 0x20B;
  const uint64_t voci = campo(opzionale + (pe32piu ? 108 : 92), 4);
  const uint64_t firma = opzionale + (pe32piu ? 144 : 128);
  if (voci > 4 && dentro(firma, 8) && campo(firma + 4, 4) != 0) {
    if (!estendi(campo(firma, 4), campo(firma + 4, 4))) return 0;
  }
  if (almeno != nullptr) *almeno = fine;
  return fine;
}

}  // namespace ferrovello
