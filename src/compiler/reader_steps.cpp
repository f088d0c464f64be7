// Field reads, fault records and the position check shared by the reader's
// steps.
#include "compiler/compile_state.h"

#include <algorithm>

#include "model/cell_kinds.h"
#include "model/numbers.h"

namespace ferrovello {

std::string luogo(const CompileState& s, size_t offset) {
  const PuntoTesto p = punto_testo(s.script, offset);
  return s.etichetta + ":" + std::to_string(p.riga) + ":" + std::to_string(p.colonna);
}

namespace {

Esito fine_per_guasto(Form1& f, CompileState& s, size_t offset) {
  s.guasto = offset;
  return f.read_past_faults ? Esito::riprendi : Esito::termina;
}

// Line ends of the scripts: CR LF as the scripts are written, a lone CR or
// LF as an author's editor may leave them.
bool fine_riga(char c) { return c == '\r' || c == '\n'; }

// The first byte of the line after the one holding `offset`.
size_t riga_seguente(const std::string& b, size_t offset) {
  size_t i = offset;
  while (i < b.size() && !fine_riga(b[i])) ++i;
  if (i < b.size() && b[i] == '\r') ++i;
  if (i < b.size() && b[i] == '\n') ++i;
  return i;
}

// Where the reading goes on after a step that ended on the fault at
// s.guasto: after the line of the fault, or, for a line cut short whose
// fields ran into the next line, at the start of that next line, which is
// read again as a line of its own. Always past the line the step started
// on, so that the reading moves on.
size_t dove_riprendere(const CompileState& s, size_t inizio) {
  const std::string& b = s.script.bytes;
  const size_t g = std::min(s.guasto, b.size());
  size_t riga_del_guasto = g;
  while (riga_del_guasto > 0 && !fine_riga(b[riga_del_guasto - 1])) --riga_del_guasto;
  const bool a_capo = riga_del_guasto > s.parola && riga_del_guasto > inizio;
  bool primo_della_riga = true;
  for (size_t i = riga_del_guasto; i < g; ++i) primo_della_riga = primo_della_riga && (b[i] == ' ' || b[i] == '\t');
  const size_t dopo = a_capo && primo_della_riga ? riga_del_guasto : riga_seguente(b, g);
  return std::max(dopo, riga_seguente(b, std::max(inizio, std::min(s.parola, b.size()))));
}

}  // namespace

void prima_del_passo(Form1& f, CompileState& s, PrimaDelPasso& prima) {
  // A fault recorded earlier must not look like one of this step's placing.
  f.error_code = 0;
  f.cell_journal.clear();
  ScriptItems script = std::move(s.script);
  prima.stato = s;
  s.script = std::move(script);
  prima.stato.script.pos = s.script.pos;
  prima.mountain_count = f.mountain_count;
  prima.station_count = f.station_count;
  prima.last_cell = f.last_cell;
  prima.line_extent = f.line_extent;
  prima.laid = f.line_table.laid;
  prima.celle = f.route_cells.size();
  prima.metres = f.line_table.metres;
}

void annulla_passo(Form1& f, CompileState& s, PrimaDelPasso& prima) {
  const size_t dove = dove_riprendere(s, prima.stato.script.pos);
  if (f.route_cells.size() == prima.celle) {
    for (auto i = f.cell_journal.rbegin(); i != f.cell_journal.rend(); ++i) {
      f.route_cells[static_cast<size_t>(i->first)] = i->second;
    }
  } else {
    // The step sized the route: a line of the general section, before
    // anything is placed on it, so the route it replaced was empty cells.
    f.route_cells.assign(prima.celle, RouteCell{});
  }
  if (f.line_table.metres != prima.metres) {
    if (prima.metres == 0) {
      f.line_table.clear();
    } else {
      f.line_table.assign(2 * prima.metres, LineValue{}, f.platform);
    }
  }
  f.cell_journal.clear();
  f.error_code = 0;
  f.mountain_count = prima.mountain_count;
  f.station_count = prima.station_count;
  f.last_cell = prima.last_cell;
  f.line_extent = prima.line_extent;
  f.line_table.laid = prima.laid;
  ScriptItems script = std::move(s.script);
  s = std::move(prima.stato);
  s.script = std::move(script);
  s.script.pos = dove;
  s.script.item_start = dove;
}

Esito errore_script(Form1& f, CompileState& s, int32_t codice, size_t offset, const std::string& frase) {
  f.diagnostica({codice, false, 0, luogo(s, offset), frase, s.script_letto, offset});
  return fine_per_guasto(f, s, offset);
}

Esito errore_script(Form1& f, CompileState& s, int32_t codice, size_t offset, int32_t posizione,
                    const std::string& frase) {
  f.diagnostica({codice, true, posizione, luogo(s, offset), frase, s.script_letto, offset});
  return fine_per_guasto(f, s, offset);
}

std::string cella_occupata(Form1& f, int64_t cella) {
  const RouteCell* c = f.cella(cella);
  return "la cella " + std::to_string(cella) + " (a " + std::to_string((cella - 1) * 50) +
         " m) è già occupata da: " + nome_tipo_cella(c != nullptr ? c->kind : 0);
}

Esito fallisci(Form1& f, CompileState& s, const std::string& perche) {
  return errore_script(f, s, kErroreGuasto, s.script.item_start, perche);
}

Esito numero(Form1& f, CompileState& s, Larghezza w, int32_t& v) {
  std::string perche;
  if (leggi_numero(s.script, w, v, perche)) return Esito::avanti;
  return fallisci(f, s, perche + ": correggi il valore");
}

Esito numero(Form1& f, CompileState& s, int32_t& v) { return numero(f, s, Larghezza::bit32, v); }

Esito testo(Form1& f, CompileState& s, std::string& t) {
  if (!leggi_testo(s.script, t)) {
    return fallisci(f, s, "il file finisce dove si attende un testo: completa la riga");
  }
  if (t.size() > kMaxTextBytes) {
    return fallisci(f, s, "un testo supera i " + std::to_string(kMaxTextBytes) + " caratteri: accorcialo");
  }
  return Esito::avanti;
}

Esito controlla_posizione(Form1& f, CompileState& s, int32_t p, int32_t margine) {
  int32_t somma = 0;
  if (!somma32(static_cast<int64_t>(p) + margine, somma)) {
    return fallisci(f, s, "la posizione " + std::to_string(p) + " è fuori dal campo dei numeri a 32 bit");
  }
  if (somma / 50.0 > f.last_cell) {
    const Esito e = errore_script(f, s, kErroreOltrePercorso, s.parola, p,
                  "la posizione " + std::to_string(p) + " m più " + std::to_string(margine) +
                      " m va oltre l'ultima cella del percorso (" + std::to_string(f.last_cell) + ", a " +
                      std::to_string(static_cast<int64_t>(f.last_cell) * 50) +
                      " m): sposta la riga entro il percorso o allunga il percorso; il resto dello script non è stato letto");
    // Reading past faults, the lines after it are read all the same.
    return e == Esito::riprendi ? e : Esito::fine_script;
  }
  return Esito::avanti;
}

void riempi(Form1& f, int64_t& prossima, int64_t fino, uint8_t RouteCell::*campo, uint8_t valore) {
  do {
    if (prossima >= f.last_cell) return;
    f.route_cells[static_cast<size_t>(prossima)].*campo = valore;
    ++prossima;
  } while (prossima < fino);
}

Esito voce_di_riempimento(Form1& f, CompileState& s, int64_t& prossima, uint8_t RouteCell::*campo,
                          uint8_t carried, int32_t& valore) {
  Esito e = Esito::avanti;
  int32_t p = 0;
  if ((e = numeri(f, s, p, valore)) != Esito::avanti) return e;
  if ((e = controlla_posizione(f, s, p, 100)) != Esito::avanti) return e;
  const int64_t t = indice(p / 50.0);
  if (t > 0) riempi(f, prossima, t, campo, carried);
  return Esito::avanti;
}

}  // namespace ferrovello
