// Stations: one item record each from slot 1 upwards, a stop cell at the end
// of the station's extent and four approach marks before it.
#include "compiler/compile_state.h"
#include "model/numbers.h"

namespace ferrovello {

namespace {

// Fields 4 to 13 of a station line, in file order, with their widths.
Esito attributi(Form1& f, CompileState& s, ItemRecord& r) {
  Esito e = Esito::avanti;
  int32_t v = 0;
  auto b8 = [&](uint8_t& d) {
    if (e == Esito::avanti && (e = numero(f, s, Larghezza::bit8, v)) == Esito::avanti) d = static_cast<uint8_t>(v);
  };
  auto w16 = [&](int16_t& d) {
    if (e == Esito::avanti && (e = numero(f, s, Larghezza::bit16, v)) == Esito::avanti) d = static_cast<int16_t>(v);
  };
  b8(r.flag);
  b8(r.byte4);
  b8(r.byte3);
  w16(r.word1);
  w16(r.word2);
  b8(r.byte1);
  w16(r.word3);
  w16(r.word4);
  w16(r.word5);
  b8(r.byte2);
  return e;
}

// Start and end of the station's extent.
bool estensione(ItemRecord& r, int32_t p, int32_t lunghezza) {
  const int64_t p64 = p;
  switch (r.kind) {
    case 5:
    case 6:
      r.byte3 = 0;
      return somma32(p64 - lunghezza, r.value1) && somma32(p64 + 150, r.value2);
    case 7:
    case 8:
      r.byte3 = 0;
      return somma32(p64 - lunghezza, r.value1) && somma32(p64 + lunghezza, r.value2);
    default: {
      int32_t fine = 0;
      return arrotonda32(p - lunghezza / 2.0, r.value1) && arrotonda32(p + lunghezza / 2.0, fine) &&
             somma32(static_cast<int64_t>(fine) + (r.byte3 != 0 ? 50 : 0), r.value2);
    }
  }
}

}  // namespace

namespace {

Esito troppe(Form1& f, CompileState& s) {
  return errore_script(f, s, kErroreElementiPieni, s.parola,
                       "stazioni e testi dei cartelli indicatori non stanno nella tabella (al massimo 80 in "
                       "tutto, e l'ultima stazione deve lasciare libero il posto seguente): togli stazioni o "
                       "cartelli");
}

}  // namespace

Esito memorizza_stazione(Form1& f, CompileState& s) {
  // Slot n lies inside the table: n starts at 1 and grows only while it
  // stays below the next board slot. With all 80 signboard slots taken,
  // the first station takes slot 1 over from a signboard text and error 10
  // then ends the compilation, after the station's own checks.
  const int32_t n = s.stazione;
  ItemRecord& r = f.items[static_cast<size_t>(n)];
  Esito e = Esito::avanti;
  int32_t p = 0;
  if ((e = numero(f, s, p)) != Esito::avanti) return e;
  r.position = p;
  if ((e = controlla_posizione(f, s, p, 800)) != Esito::avanti) return e;
  if (p % 50 != 0) {
    return errore_script(f, s, kErroreStazionePosizione, s.parola, p,
                         "la posizione della stazione (" + std::to_string(p) +
                             " m) non è multiplo di 50: usa un multiplo di 50");
  }
  // The type goes into the record as soon as it is read: a failure on the
  // length after it leaves it stored.
  int32_t tipo = 0;
  int32_t lunghezza = 0;
  if ((e = numero(f, s, Larghezza::bit8, tipo)) != Esito::avanti) return e;
  r.kind = static_cast<uint8_t>(tipo);
  if ((e = numero(f, s, lunghezza)) != Esito::avanti) return e;
  if (lunghezza % 100 != 0) {
    return errore_script(f, s, kErroreStazioneLunghezza, s.parola, p,
                         "la lunghezza della stazione (" + std::to_string(lunghezza) +
                             " m) non è multiplo di 100: usa un multiplo di 100");
  }
  if ((e = attributi(f, s, r)) != Esito::avanti) return e;
  int32_t h = 0;
  int32_t m = 0;
  int32_t sec = 0;
  if ((e = numeri(f, s, h, m, sec)) != Esito::avanti) return e;
  if (!somma32((static_cast<int64_t>(h) * 60 + m) * 60 + sec, r.code)) {
    return fallisci(f, s, "l'orario della stazione è fuori dal campo dei numeri a 32 bit");
  }
  if ((e = testo(f, s, r.text)) != Esito::avanti) return e;
  if (!estensione(r, p, lunghezza)) {
    return fallisci(f, s, "l'estensione della stazione è fuori dal campo dei numeri a 32 bit");
  }
  if (lunghezza < 600) r.byte4 = 0;
  if (n == 1) {
    r.byte3 = 0;
    r.byte4 = 0;
  }

  if (tipo < 25 && tipo != 5 && tipo != 6) {
    for (int k = 1; k <= 4; ++k) {
      const double q = r.value2 / 50.0 - k - 1;
      if (q > 1) {
        if (RouteCell* c = f.cella(indice(q))) c->byte2 = static_cast<uint8_t>(80 + k);
      }
    }
  }
  if (tipo < 25) {
    const double q = r.value2 / 50.0 - 1;
    if (!(q > 1)) {
      return errore_script(f, s, kErroreFermataInizio, s.parola,
                           "la cella di fermata della stazione, alla fine della sua estensione (" +
                               std::to_string(r.value2) +
                               " m), cadrebbe nella cella 1 o prima: sposta la stazione più avanti");
    }
    if (RouteCell* c = f.cella(indice(q))) {
      c->kind = kFermata;
      c->value1 = lo16(n);
    }
  }
  if (n > 1 && static_cast<int64_t>(r.value1) - 350 < f.items[static_cast<size_t>(n - 1)].value2) {
    const ItemRecord& prima = f.items[static_cast<size_t>(n - 1)];
    // A station written before the one it follows on the route is a line
    // out of place, not two stations too close.
    if (r.position < prima.position) {
      return errore_script(f, s, kErroreStazioniVicine, s.parola, p,
                           "le stazioni non sono in ordine: questa è a " + std::to_string(r.position) +
                               " m, prima della stazione precedente nello script (" + std::to_string(prima.position) +
                               " m); scrivi le righe \"stazione\" in ordine crescente di posizione");
    }
    return errore_script(f, s, kErroreStazioniVicine, s.parola, p,
                         "l'estensione della stazione inizia a " + std::to_string(r.value1) +
                             " m, meno di 350 m dopo la fine della stazione precedente (" + std::to_string(prima.value2) +
                             " m): allontana le due stazioni");
  }
  s.stazione = n + 1;
  f.station_count = n;
  if (s.stazione >= s.prossimo_cartello) return troppe(f, s);
  return Esito::avanti;
}

}  // namespace ferrovello
