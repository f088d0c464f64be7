// Field reads, fault records and the position check shared by the reader's
// steps.
#include "compiler/compile_state.h"
#include "model/cell_kinds.h"
#include "model/numbers.h"

namespace ferrovello {

std::string luogo(const CompileState& s, size_t offset) {
  const PuntoTesto p = punto_testo(s.script, offset);
  return s.etichetta + ":" + std::to_string(p.riga) + ":" + std::to_string(p.colonna);
}

Esito errore_script(Form1& f, CompileState& s, int32_t codice, size_t offset, const std::string& frase) {
  f.diagnostica({codice, false, 0, luogo(s, offset), frase});
  return Esito::termina;
}

Esito errore_script(Form1& f, CompileState& s, int32_t codice, size_t offset, int32_t posizione,
                    const std::string& frase) {
  f.diagnostica({codice, true, posizione, luogo(s, offset), frase});
  return Esito::termina;
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
    errore_script(f, s, kErroreOltrePercorso, s.parola, p,
                  "la posizione " + std::to_string(p) + " m più " + std::to_string(margine) +
                      " m va oltre l'ultima cella del percorso (" + std::to_string(f.last_cell) + ", a " +
                      std::to_string(static_cast<int64_t>(f.last_cell) * 50) +
                      " m): sposta la riga entro il percorso o allunga il percorso; il resto dello script non è stato letto");
    return Esito::fine_script;
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
