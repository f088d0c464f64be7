// Long routes folded into short ones for fuzzing: the line table has a slot
// for every metre, so a route of 88,000 m costs a hundred times the work of
// one of 4,000 m for the same code of the compiler.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "model/numbers.h"
#include "scripts/item_reader.h"

namespace ferrovello::fuzz {

constexpr int32_t kRottaCorta = 4000;  // longest route that is not folded, in metres

// The line script with the number after every "lunghezza percorso" item
// (the compiler takes the last one it meets) above kRottaCorta taken modulo
// kRottaCorta + 1, read with the compiler's own item reader.
inline std::string piega_lunghezza(std::string_view linea) {
  ScriptItems s;
  s.bytes.assign(linea);
  std::string item;
  while (leggi_testo(s, item)) {
    if (!contiene_ci(item, "lunghezza") || !contiene_ci(item, "percorso")) continue;
    int32_t l = 0;
    std::string perche;
    if (!leggi_numero(s, Larghezza::bit32, l, perche) || l <= kRottaCorta) continue;
    // The digits of the item give way to the folded length.
    const size_t da = s.item_start;
    size_t a = da;
    while (a < s.bytes.size() && s.bytes[a] >= '0' && s.bytes[a] <= '9') ++a;
    const std::string piegata = std::to_string(l % (kRottaCorta + 1));
    s.bytes.replace(da, a - da, piegata);
    s.pos = da + piegata.size();
    leggi_testo(s, item);  // the rest of the item, up to its comma or line end
  }
  return std::move(s.bytes);
}

}  // namespace ferrovello::fuzz
