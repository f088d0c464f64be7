// The compiled scenario read back, the room that `dump`, `diff`, `plot` and
// `view` stand on: the simulator's three files decoded into the model's
// records (here), the kilometric posts of its item table
// (progressive_km.h), the words in which a record is shown
// (record_words.h) and what a picture is drawn from (scenario_data.h).
// Each decoder refuses, with the reason, bytes that do not fit its layout.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/form1.h"

namespace ferrovello {

enum class TipoFile { percorso, elementi, linea };

// The largest file of each kind the installer can write: the route file of
// the longest route (1000000 m), an item table whose 87 texts are all as
// long as a text can be, the line file of the longest route. A larger file
// is not one of them and is refused before it is read whole.
inline constexpr uint64_t kMassimoPercorso = (uint64_t{kMaxRouteLength} + 7000) / 50 * 15 + 15;
inline constexpr uint64_t kMassimoElementi = uint64_t{kItemCount} * (34 + 65535);
inline constexpr uint64_t kMassimoLinea = 2 * (uint64_t{kMaxRouteLength} + 7000 + 1) * 10;
uint64_t dimensione_massima(TipoFile tipo);
const char* nome_del_tipo(TipoFile tipo);

// The kind of a file from its name: "_linea.dat", ".sim" or ".dat".
bool tipo_da_nome(const std::string& nome, TipoFile& tipo);

// Whether a slot from 1 to 80 of a decoded item table holds a station (any
// field besides the text set) rather than a signboard text or nothing.
bool e_stazione(const ItemRecord& r);

bool decodifica_percorso(const std::string& bytes, std::vector<RouteCell>& celle, std::string& perche);
// The message of a file that does not decode, naming it and saying why.
std::string forma_inattesa(const std::string& nome, const std::string& perche);
bool decodifica_elementi(const std::string& bytes, std::array<ItemRecord, kItemCount>& elementi, std::string& perche);
// The line table as the model holds it: entry 0 of every metre, then entry 1.
bool decodifica_linea(const std::string& bytes, std::vector<LineValue>& tabella, std::string& perche);

}  // namespace ferrovello
