// Working values of one compilation and the helpers the reader's steps share.
#pragma once

#include <cstdint>
#include <string>

#include "model/form1.h"
#include "scripts/item_reader.h"

namespace ferrovello {

// How a step of the reader ends: go on, stop reading the current script as
// at its end (a position beyond the route), or end the compilation. It is
// the one way a step reports: a fault is recorded (errore_script,
// fallisci) and the step returns what it means for the reading. The
// placing members, which return nothing, record their faults in
// error_code, and the step that called them turns that into its Esito.
// While the compiler reads past faults (Form1::read_past_faults), a fault
// ends only its step: `riprendi`, and the reading loop undoes the step and
// goes on after its line (leggi_passo).
enum class Esito { avanti, fine_script, termina, riprendi };

// A progressive system as the script declared it, for fault reports.
struct ProgressivaLetta {
  bool dichiarata = false;
  int32_t inizio = 0;
  int32_t offset = 0;
  std::string luogo;  // "FILE:LINE:COLUMN" of its keyword
};

struct CompileState {
  ScriptItems script;
  std::string percorso;   // full name of the script being read
  std::string etichetta;  // the name shown in fault reports
  int32_t script_letto = 0;  // 0 the line script, 1 the train script
  size_t parola = 0;      // where the keyword item being acted on begins
  size_t fine_generale = 0;  // where the item that ended the general section begins
  ProgressivaLetta progressive[3];  // "tre", "due", "uno"
  int64_t indice_pendenza = 0;
  int32_t pendenza = 0;
  int32_t prossimo_cartello = kElementoPrimoCartello;
  int64_t indice_velocita = 0;
  int32_t velocita = 0;
  size_t parola_velocita = 0;  // where the line of the carried speed begins
  int32_t velocita_prima = 0;  // the speed carried before that line, and where its line begins
  size_t parola_velocita_prima = 0;
  int64_t indice_aderenza = 0;
  int32_t aderenza = 0;
  int32_t stazione = 1;
  int64_t punto = 2;  // next metre of the planar track line
  size_t guasto = 0;  // where the last fault recorded was found
};

// Texts longer than this do not fit the 16-bit length of the item file.
inline constexpr size_t kMaxTextBytes = 32767;

// "FILE:LINE:COLUMN" of a byte offset of the script being read.
std::string luogo(const CompileState& s, size_t offset);

// Records a fault found at `offset` of the script being read, with the
// sentence that says what to change, and ends the compilation (or, reading
// past faults, the step).
Esito errore_script(Form1& f, CompileState& s, int32_t codice, size_t offset, const std::string& frase);
// The same for a fault that has a position on the route.
Esito errore_script(Form1& f, CompileState& s, int32_t codice, size_t offset, int32_t posizione,
                    const std::string& frase);

// "the cell C (at P m) is already taken: what stands there".
std::string cella_occupata(Form1& f, int64_t cella);

// The reader's failure handler: any failure while reading ends the
// compilation with error 25; `perche` says what failed.
Esito fallisci(Form1& f, CompileState& s, const std::string& perche);

// Number and text fields of the line being read: Esito::termina once the
// failure handler has run.
Esito numero(Form1& f, CompileState& s, Larghezza w, int32_t& v);
Esito numero(Form1& f, CompileState& s, int32_t& v);
Esito testo(Form1& f, CompileState& s, std::string& t);
// 32-bit number fields in turn, up to the first that fails.
template <typename... T>
Esito numeri(Form1& f, CompileState& s, T&... v) {
  Esito e = Esito::avanti;
  ((e == Esito::avanti ? (e = numero(f, s, v), 0) : 0), ...);
  return e;
}

// Position check of a body line: (p + margin) / 50 must not exceed the last
// cell; otherwise error 15 and the script is read no further.
Esito controlla_posizione(Form1& f, CompileState& s, int32_t p, int32_t margine);

// One step of a reading loop. Reading past faults, a step that ends on a
// fault is undone (the cells it touched, the counters and the reading
// state as they were before it) and the reading goes on after the line of
// the fault, as if that line were blank: then `riprendi`. Otherwise
// whatever the step returns.
struct PrimaDelPasso {
  CompileState stato;  // all but the script's bytes
  int32_t mountain_count = 0;
  int32_t station_count = 0;
  int32_t last_cell = 0;
  int32_t line_extent = 0;
  size_t laid = 0;  // metres of the track line laid
  size_t celle = 0;   // cells of the route, and metres of the line table
  size_t metres = 0;
};
void prima_del_passo(Form1& f, CompileState& s, PrimaDelPasso& prima);
void annulla_passo(Form1& f, CompileState& s, PrimaDelPasso& prima);

template <typename Passo>
Esito leggi_passo(Form1& f, CompileState& s, Passo&& passo) {
  if (!f.read_past_faults) return passo();
  PrimaDelPasso prima;
  prima_del_passo(f, s, prima);
  const Esito e = passo();
  if (e == Esito::riprendi) annulla_passo(f, s, prima);
  return e;
}

// Reading step of a script body: one item, then up to two separators; the
// item that brings the reader to the end of the file is never acted on.
// False at the end of the file.
bool passo_corpo(Form1& f, CompileState& s);

// The placing members report a conflict with codes 16 to 21, and a value
// that does not fit its width with the failure handler's 25.
inline bool errore_di_posa(const Form1& f) {
  return f.error_code >= kErroreSegnale && f.error_code <= kErroreIndicatoreVMax;
}

// A running fill of one byte of the route cells (gradient, speed limit,
// adhesion): `valore` goes into the cell at the fill index `prossima`, which then
// advances, at least once and on while it is below `fino`. It never writes
// at or past the last cell, however far many lines at one position push it.
void riempi(Form1& f, int64_t& prossima, int64_t fino, uint8_t RouteCell::*campo, uint8_t valore);

// A "pendenza", "velocita" or "aderenza" line: position and value, the
// position check, then the fill up to the cell of the position with the
// value carried from the line before, from the fill index `prossima`. The new value is returned in `valore`.
Esito voce_di_riempimento(Form1& f, CompileState& s, int64_t& prossima, uint8_t RouteCell::*campo,
                          uint8_t carried, int32_t& valore);

// The station steps, with the current station slot.
Esito memorizza_stazione(Form1& f, CompileState& s);

}  // namespace ferrovello
