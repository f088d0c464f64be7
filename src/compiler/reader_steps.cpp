// Field reads, the failure handler and the position check shared by the
// reader's steps.
#include "compiler/compile_state.h"
#include "model/numbers.h"

namespace ferrovello {

namespace {

std::string dove(const CompileState& s) {
  const PuntoTesto p = punto_testo(s.script, s.script.item_start);
  return s.percorso + ":" + std::to_string(p.riga) + ":" + std::to_string(p.colonna);
}

}  // namespace

Esito fallisci(Form1& f, CompileState& s, const std::string& perche) {
  f.registra_errore(25);
  f.error_detail = dove(s) + ": " + perche;
  return Esito::termina;
}

bool numero(Form1& f, CompileState& s, Larghezza w, int32_t& v, Esito& e) {
  std::string perche;
  if (leggi_numero(s.script, w, v, perche)) return true;
  e = fallisci(f, s, perche);
  return false;
}

bool numero(Form1& f, CompileState& s, int32_t& v, Esito& e) { return numero(f, s, Larghezza::bit32, v, e); }

bool testo(Form1& f, CompileState& s, std::string& t, Esito& e) {
  if (!leggi_testo(s.script, t)) {
    e = fallisci(f, s, "il file finisce dove si attende un testo");
    return false;
  }
  if (t.size() > kMaxTextBytes) {
    e = fallisci(f, s, "un testo supera i " + std::to_string(kMaxTextBytes) + " caratteri");
    return false;
  }
  return true;
}

Esito controlla_posizione(Form1& f, CompileState& s, int32_t p, int32_t margine) {
  int32_t somma = 0;
  if (!somma32(static_cast<int64_t>(p) + margine, somma)) {
    return fallisci(f, s, "la posizione " + std::to_string(p) + " e' fuori dal campo dei numeri a 32 bit");
  }
  if (somma / 50.0 > f.last_cell) {
    f.registra_errore(15, p);
    return Esito::fine_script;
  }
  return Esito::avanti;
}

}  // namespace ferrovello
