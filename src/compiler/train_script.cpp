// The train script: train data, speed limits, adhesion, clock, signals, slow
// orders, marked points and stations.
#include "compiler/train_script.h"

#include "compiler/line_script.h"
#include "model/field_ranges.h"
#include "model/numbers.h"

namespace ferrovello {

namespace {

Esito campo(Form1& f, CompileState& s, Larghezza w, int32_t& v) {
  return numero(f, s, w, v);
}

template <typename T>
Esito campo16(Form1& f, CompileState& s, T& destinazione) {
  int32_t v = 0;
  const Esito e = campo(f, s, Larghezza::bit16, v);
  if (e == Esito::avanti) destinazione = static_cast<T>(v);
  return e;
}

Esito massa_frenata(Form1& f, CompileState& s) { return campo(f, s, Larghezza::bit32, f.items[kElementoTreno].value1); }
Esito vetture(Form1& f, CompileState& s) { return campo(f, s, Larghezza::bit32, f.items[kElementoTreno].position); }
Esito sabbia(Form1& f, CompileState& s) { return campo16(f, s, f.items[kElementoCorsa].word1); }

Esito orologio(Form1& f, CompileState& s) {
  Esito e = campo16(f, s, f.items[kElementoCorsa].word3);
  if (e == Esito::avanti) e = campo16(f, s, f.items[kElementoCorsa].word4);
  if (e == Esito::avanti) e = campo16(f, s, f.items[kElementoCorsa].word5);
  return e;
}

// The speed fill up to `fino`, with the carried speed in units of 5 km/h as
// an 8-bit value. The conversion is checked where a cell receives it, so a
// speed that does not fit fails at the fill after its line, reported at the
// line that gave it.
Esito riempi_velocita(Form1& f, CompileState& s, int64_t fino) {
  uint8_t unita = 0;
  if (s.indice_velocita < f.last_cell && !arrotonda8(s.velocita / 5.0, unita)) {
    const Esito e = errore_script(f, s, kErroreGuasto, s.parola_velocita,
                                  "la velocità " + std::to_string(s.velocita) + " km/h è fuori dal campo da " +
                                      std::to_string(kCampoVelocita.minimo) + " a " +
                                      std::to_string(kCampoVelocita.massimo));
    if (e != Esito::riprendi) return e;
    // Reading past faults, the line of that speed is passed over: the speed
    // before it is carried on, which its own line has filled with already.
    s.velocita = s.velocita_prima;
    s.parola_velocita = s.parola_velocita_prima;
    if (!arrotonda8(s.velocita / 5.0, unita)) unita = 0;
  }
  riempi(f, s.indice_velocita, fino, &RouteCell::byte4, unita);
  return Esito::avanti;
}

Esito velocita(Form1& f, CompileState& s) {
  Esito e = Esito::avanti;
  int32_t p = 0;
  int32_t v = 0;
  if ((e = numeri(f, s, p, v)) != Esito::avanti) return e;
  if ((e = controlla_posizione(f, s, p, 100)) != Esito::avanti) return e;
  const int64_t t = indice(p / 50.0);
  if (t > 0 && (e = riempi_velocita(f, s, t)) != Esito::avanti) return e;
  s.velocita_prima = s.velocita;
  s.parola_velocita_prima = s.parola_velocita;
  s.velocita = v;
  s.parola_velocita = s.parola;
  return Esito::avanti;
}

Esito aderenza(Form1& f, CompileState& s) {
  int32_t a = 0;
  const Esito e = voce_di_riempimento(f, s, s.indice_aderenza, &RouteCell::byte6, lo8(s.aderenza), a);
  if (e == Esito::avanti) s.aderenza = a;
  return e;
}

Esito segnale(Form1& f, CompileState& s) {
  Esito e = Esito::avanti;
  int32_t v[11] = {};
  for (int32_t& x : v) {
    if ((e = numero(f, s, x)) != Esito::avanti) return e;
  }
  if ((e = controlla_posizione(f, s, v[0], 100)) != Esito::avanti) return e;
  f.memo_segnale(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]);
  if (errore_di_posa(f)) {
    return errore_script(f, s, f.error_code, s.parola, v[0],
                         "il segnale non trova posto: " + cella_occupata(f, indice(v[0] / 50.0 + 1)) +
                             "; spostalo in una cella libera");
  }
  return Esito::avanti;
}

// Which cell refused a slow order, and why.
std::string frase_rallentamento(Form1& f, int32_t x, int32_t l) {
  switch (f.error_code) {
    case kErroreAvvisoRallentamento:
      return "il cartello di avviso, 1200 m prima dell'inizio, non trova posto: " +
             cella_occupata(f, indice((x - 1200.0) / 50.0 + 1)) + "; sposta il rallentamento";
    case kErroreInizioRallentamento:
      return "il cartello di inizio non trova posto: " + cella_occupata(f, indice(x / 50.0 + 1)) +
             "; sposta il rallentamento";
    case kErroreFineRallentamento:
      return "il cartello di fine non trova posto: " +
             cella_occupata(f, indice((static_cast<double>(x) + l) / 50.0 + 1)) + "; cambia la lunghezza";
    default: {
      const int64_t h = indice((x - 1200.0) / 50.0);
      int64_t presa = h;
      while (presa > h - 3 && f.cella_libera(presa)) --presa;
      return "le quattro celle prima del cartello di avviso non sono libere: " + cella_occupata(f, presa) +
             "; sposta il rallentamento o togli le celle di avvicinamento";
    }
  }
}

Esito rallentamento(Form1& f, CompileState& s) {
  Esito e = Esito::avanti;
  int32_t v[6] = {};
  for (int32_t& x : v) {
    if ((e = numero(f, s, x)) != Esito::avanti) return e;
  }
  if ((e = controlla_posizione(f, s, v[0], 100)) != Esito::avanti) return e;
  f.memo_rallentamento(v[0], v[1], v[2], v[3], v[4], v[5]);
  if (f.error_code == kErroreGuasto) return fallisci(f, s, "l'inizio o la fine del rallentamento è fuori dal campo dei numeri a 32 bit");
  if (errore_di_posa(f)) return errore_script(f, s, f.error_code, s.parola, v[0], frase_rallentamento(f, v[0], v[2]));
  return Esito::avanti;
}

Esito abbattimento(Form1& f, CompileState& s) {
  Esito e = Esito::avanti;
  int32_t p = 0;
  int32_t n = 0;
  if ((e = numeri(f, s, p, n)) != Esito::avanti) return e;
  if ((e = controlla_posizione(f, s, p, 100)) != Esito::avanti) return e;
  const int64_t j = indice(p / 50.0);
  RouteCell* c = f.cella(j);
  if (c == nullptr) return Esito::avanti;  // before the start of the route
  if (!f.cella_libera(j)) {
    return errore_script(f, s, kErroreAbbattimento, s.parola, p,
                         "il punto di abbattimento non trova posto: " + cella_occupata(f, j) +
                             "; spostalo in una cella libera");
  }
  if (n >= 1) {
    c->kind = kAbbattimento;
    c->value1 = lo16(n);
  } else {
    c->kind = kAbbattimentoSenzaValore;
  }
  return Esito::avanti;
}

// One keyword item of the body, put to every test in turn.
Esito voce_treno(Form1& f, CompileState& s) {
  const std::string parola = f.line_buffer;
  Esito e = Esito::avanti;
  auto prova = [&](bool trovata, Esito (*leggi)(Form1&, CompileState&)) {
    if (e == Esito::avanti && trovata) e = leggi(f, s);
  };
  prova(contiene_ci(parola, "massa") && contiene_ci(parola, "frenata"), massa_frenata);
  prova(contiene_ci(parola, "vetture"), vetture);
  prova(contiene_ci(parola, "velocit"), velocita);
  prova(contiene_ci(parola, "aderenza"), aderenza);
  prova(contiene_ci(parola, "orologio"), orologio);
  prova(contiene_ci(parola, "sabbia"), sabbia);
  prova(contiene_ci(parola, "segnale"), segnale);
  prova(contiene_ci(parola, "rallentamento"), rallentamento);
  prova(contiene_ci(parola, "abbattimento"), abbattimento);
  prova(contiene_ci(parola, "stazione"), memorizza_stazione);
  return e;
}

}  // namespace

Esito leggi_script_treno(Form1& f, CompileState& s, const std::string& percorso) {
  s.percorso = percorso;
  s.etichetta = f.train_label.empty() ? percorso : f.train_label;
  s.script = ScriptItems{};
  s.script_letto = 1;
  std::string perche;
  if (!f.platform.read_file(percorso, s.script.bytes, perche)) {
    return fallisci(f, s, "impossibile leggere il file: " + perche);
  }
  bool generale = false;
  while (!generale && !fine_file(s.script)) {
    leggi_testo(s.script, f.line_buffer);
    generale = contiene_ci(f.line_buffer, "[generale]");
  }
  if (generale) {
    for (bool letto = true; letto;) {
      const Esito e = leggi_passo(f, s, [&] {
        letto = passo_corpo(f, s);
        return letto ? voce_treno(f, s) : Esito::avanti;
      });
      if (e == Esito::termina) return e;
      if (e == Esito::fine_script) break;
    }
  }
  elimina_script(f, percorso);
  const int64_t fine = static_cast<int64_t>(f.last_cell) - 2;
  if (riempi_velocita(f, s, fine) == Esito::termina) return Esito::termina;
  riempi(f, s.indice_aderenza, fine, &RouteCell::byte6, lo8(s.aderenza));
  return Esito::avanti;
}

}  // namespace ferrovello
