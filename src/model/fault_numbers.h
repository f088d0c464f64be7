// The numbers of the faults a run can record or show, as the table of
// faults lists them, and where in the item table each setting lives.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ferrovello {

// Fault numbers: the script reader, the stations, the placing members, the
// route checks and the reserved slots.
enum : int32_t {
  kErroreLunghezzaPercorso = 1,       // route length above 1000000
  kErroreProgressiva = 2,             // a progressive start or offset not a multiple of 50
  kErroreRipetizioneDa = 3,           // signal repetition from not a multiple of 50
  kErroreRipetizioneA = 4,            // signal repetition to not a multiple of 50
  kErroreRipetizioneCodici = 5,       // signal repetition keyword without "4" or "9"
  kErroreCartello = 6,                // signboard cell not free
  kErroreAbbattimento = 7,            // "abbattimento" cell not free
  kErroreStazionePosizione = 8,       // station position not a multiple of 50
  kErroreStazioneLunghezza = 9,       // station length not a multiple of 100
  kErroreElementiPieni = 10,          // station slots run into the signboard slots
  kErrorePuntoAvviso = 11,            // route checks: no abbattimento point before a warning board
  kErroreBanda = 12,                  // route checks: no cell for a band
  kErrorePuntoPeriodico = 13,         // route checks: no cell for a periodic point
  kErroreOltrePercorso = 15,          // position check failed
  kErroreSegnale = 16,                // the signal's cell is not free
  kErroreAvvisoRallentamento = 17,    // the warning board's cell is not free
  kErroreInizioRallentamento = 18,    // the start board's cell is not free
  kErroreFineRallentamento = 19,      // the end board's cell is not free
  kErroreAvvicinamento = 20,          // one of the four approach cells is not free
  kErroreIndicatoreVMax = 21,         // the maximum-speed board's cell is not free
  kErroreStazioniVicine = 22,         // a station's extent starts less than 350 m after the previous end
  kErroreFermataInizio = 24,          // a stop cell at cell 1 or below
  kErroreGuasto = 25,                 // the reader's failure handler
  kErroreScriptLinea = 101,           // no line script
  kErroreGenerale = 102,              // no "[generale]" before the last item
  kErroreCurva = 103,                 // curve without class digit, or past the last track point
  kErroreTimbroElemento = 1250,       // reserved slot of item 85 or value1 of cell 1 taken
  kErroreTimbroCella = 1251,          // code of item 85 or value2 of cell 1 taken
};

// Slots of the item table: stations from slot 1 upwards, signboard texts
// from slot 80 downwards, then the settings.
inline constexpr size_t kElementoPrimaStazione = 1;
inline constexpr int32_t kElementoPrimoCartello = 80;
// Progressive systems three, two and one: start (value1), offset (value2),
// direction (position).
inline constexpr size_t kElementoProgressivaTre = 81;
inline constexpr size_t kElementoProgressivaDue = 82;
inline constexpr size_t kElementoProgressivaUno = 83;
// Braked-weight percentage (value1), route length (value2), coaches (position).
inline constexpr size_t kElementoTreno = 84;
// Scenario name (text), backgrounds one, two, three (value1, position,
// value2), the stamp (word1) and the competition code (code).
inline constexpr size_t kElementoScenario = 85;
// Train number (text), signal repetition from, to and code system (value1,
// value2, position), sand (word1), clock (word3 to word5).
inline constexpr size_t kElementoCorsa = 86;

}  // namespace ferrovello
