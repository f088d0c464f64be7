// Names of the kinds of route cell, for reports and listings.
#pragma once

#include <cstdint>
#include <string>

namespace ferrovello {

// Short Italian name of a cell kind ("segnale", "cartello indicatore", ...);
// "tipo N" for a kind the model does not know.
std::string nome_tipo_cella(uint8_t kind);

}  // namespace ferrovello
