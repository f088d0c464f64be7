#include "tools/compiled/scenario_data.h"

#include "model/fault_numbers.h"

namespace ferrovello {

int32_t lunghezza_percorso(const DatiGrafico& d) {
  if (d.con_elementi && d.elementi[kElementoTreno].value2 > 0) return d.elementi[kElementoTreno].value2;
  return d.celle.empty() ? 0 : static_cast<int32_t>(d.celle.size() - 1) * 50;
}

}  // namespace ferrovello
