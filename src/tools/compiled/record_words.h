// The words in which a cell, an item or a slot of the line table is shown:
// the rows of `dump`'s tables, which `diff` prints and the view's panel
// shows too, and every field as stored for JSON.
#pragma once

#include <cstddef>
#include <string>
#include <vector>
#include <nlohmann/json.hpp>

#include "model/form1.h"
#include "tools/compiled/progressive_km.h"

namespace ferrovello {

// What a cell's kind makes of its four values, as the route table shows
// them; cell 1 (`indice`) carries the two stamps.
std::string valori_cella(const RouteCell& c, size_t indice);

// The rows of the tables, each with its line end. A route row shows the
// kilometric post of the cell when the progressive systems are given.
std::string intestazione_percorso(bool con_km);
std::string riga_percorso(size_t i, const RouteCell& c, const std::vector<SistemaKm>* sistemi);
std::string riga_elemento(size_t i, const ItemRecord& r);
// A slot of the line table as the table shows it: "-", an integer or a real
// to a tenth of a millimetre, without trailing zeros.
std::string valore_linea(const LineValue& v);

// Every field of a record as stored, by the names of its layout; a slot of
// the line table as [tag] or [tag, value].
nlohmann::ordered_json json_cella(const RouteCell& c);
nlohmann::ordered_json json_elemento(const ItemRecord& r);
nlohmann::ordered_json json_valore(const LineValue& v);

}  // namespace ferrovello
