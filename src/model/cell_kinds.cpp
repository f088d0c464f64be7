#include "model/cell_kinds.h"

namespace ferrovello {

std::string nome_tipo_cella(uint8_t kind) {
  switch (kind) {
    case 0: return "vuota";
    case 1: return "segnale";
    case 2: return "fine rallentamento";
    case 3: return "inizio rallentamento";
    case 4: return "avviso di rallentamento";
    case 5: return "avvicinamento all'avviso";
    case 6: return "indicatore di velocità massima";
    case 10: return "fermata di stazione";
    case 11: return "segno di montagna";
    case 12: return "punto di abbattimento";
    case 13: return "punto di abbattimento senza valore";
    case 14: return "cartello indicatore";
    default: return "tipo " + std::to_string(kind);
  }
}

}  // namespace ferrovello
