#include "tools/compiled/scenario_data.h"

#include <algorithm>

#include "model/cell_kinds.h"
#include "model/fault_numbers.h"
#include "tools/compiled/file_decoders.h"

namespace ferrovello {

int32_t lunghezza_percorso(const DatiGrafico& d) {
  if (d.con_elementi && d.elementi[kElementoTreno].value2 > 0) return d.elementi[kElementoTreno].value2;
  return d.celle.empty() ? 0 : static_cast<int32_t>(d.celle.size() - 1) * 50;
}

int32_t estensione_disegno(const DatiGrafico& d) {
  int32_t fine = lunghezza_percorso(d);
  if (!d.con_elementi || d.elementi[kElementoTreno].value2 <= 0) return fine;
  for (size_t i = kElementoPrimaStazione; i <= static_cast<size_t>(kElementoPrimoCartello); ++i) {
    if (e_stazione(d.elementi[i])) fine = std::max(fine, d.elementi[i].position);
  }
  // A point feature at p metres lies in cell p / 50 + 1; a stop cell and a
  // mountain's marks follow from features already counted.
  for (size_t i = d.celle.size(); i-- > 1;) {
    const uint8_t k = d.celle[i].kind;
    if (k != 0 && k != kMarcaMontagna && k != kFermata) {
      fine = std::max(fine, static_cast<int32_t>(i - 1) * 50);
      break;
    }
  }
  return fine;
}

}  // namespace ferrovello
