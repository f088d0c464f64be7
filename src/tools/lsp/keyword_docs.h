// What the features say about the scripts' keywords and fields beyond the
// check's own table (what a keyword does, a field's unit), and the items of
// one line of a script as the editor shows it.
#pragma once

#include <string>
#include <vector>

#include "tools/scenario/script_check.h"

namespace ferrovello {

// What the keyword does, in a sentence; empty for none.
std::string descrizione_parola(const std::string& nome);
// The unit of a field ("m", "km/h", ...), empty for a plain number.
std::string unita_campo(const std::string& campo);
// A field that holds a position on the route, in metres from its start.
bool campo_di_posizione(const std::string& campo);
// "da 0 a 255" for a field of its width.
std::string campo_ammesso(const CampoChiave& c);

// An item of a line: bytes [da, a) of the line, blanks around left out.
struct ItemRiga {
  size_t da = 0;
  size_t a = 0;
  std::string testo;
};
std::vector<ItemRiga> items_di_riga(const std::string& riga);
// The item the byte `colonna` of the line falls in (0 the keyword), by the
// commas before it.
size_t item_a_colonna(const std::string& riga, size_t colonna);

}  // namespace ferrovello
