// Rules of the route and record model: reset, sizing, cells and faults.
#include "model/findings_cap.h"
#include "model/form1.h"
#include "model/numbers.h"

namespace ferrovello {

void Form1::azzera_elementi() {
  for (ItemRecord& r : items) r = ItemRecord{};
}

// Sizes the route (and the line table when it is wanted) from the route
// length: 7000 m beyond the end, one cell per 50 m. A negative length is a
// shorter route like any other; false only for one so short that the route
// has no cell 1, where the run stamps its codes.
bool Form1::dimensiona_percorso(int32_t lunghezza) {
  const int32_t estensione = lunghezza + 7000;  // the caller has refused lengths above 1000000
  int32_t ultima = 0;
  if (!arrotonda32(estensione / 50.0, ultima) || ultima < 1) return false;
  line_extent = estensione;
  last_cell = ultima;
  route_cells.assign(static_cast<size_t>(last_cell) + 1, RouteCell{});
  if (write_line_file != 0) {
    // A writer of an earlier table must stop reading the room first.
    abbandona_file_linea();
    line_table.assign(2 * (static_cast<size_t>(line_extent) + 1), LineValue{}, platform);
    avvia_file_linea();
  } else {
    line_table.clear();
  }
  return true;
}

RouteCell* Form1::cella(int64_t indice) {
  if (indice < 0 || indice >= static_cast<int64_t>(route_cells.size())) return nullptr;
  RouteCell* c = &route_cells[static_cast<size_t>(indice)];
  if (read_past_faults) cell_journal.emplace_back(indice, *c);
  return c;
}

bool Form1::cella_libera(int64_t indice) {
  const RouteCell* c = cella(indice);
  return c != nullptr && (c->kind == 0 || c->kind == kMarcaMontagna);
}

void Form1::registra_errore(int32_t codice) { error_code = codice; }

void Form1::diagnostica(Diagnosi d) {
  if (d.con_posizione) {
    registra_errore(d.codice, d.posizione);
  } else {
    registra_errore(d.codice);
  }
  if (diagnoses.size() < kRilieviTenuti) {
    diagnoses.push_back(std::move(d));
    return;
  }
  ++diagnoses_omesse;
  if (diagnosi_non_tenuta) diagnosi_non_tenuta(d);
}

void Form1::registra_errore(int32_t codice, int32_t posizione) {
  error_code = codice;
  error_position = posizione;
  error_position_recorded = true;
}

}  // namespace ferrovello
