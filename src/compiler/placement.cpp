// Features placed on the route cells: mountain sections, slow orders with
// their boards, signals and maximum-speed boards. Cells outside the route
// are skipped; a cell that is taken refuses the feature with its number.
#include <algorithm>

#include "model/form1.h"
#include "model/numbers.h"

namespace ferrovello {

namespace {

int64_t cella_di(int64_t p) { return indice(static_cast<double>(p) / 50.0 + 1); }

// A cell inside the route that holds something other than a mountain mark.
bool occupata(Form1& f, int64_t i) { return f.cella(i) != nullptr && !f.cella_libera(i); }

}  // namespace

void Form1::memo_montagna(int32_t inizio, int32_t fine, int32_t tipo) {
  const bool con_marche = tipo > 10;
  if (con_marche) tipo -= 10;
  const int32_t n = ++mountain_count;
  mountain_start[static_cast<size_t>(n)] = inizio;
  mountain_end[static_cast<size_t>(n)] = fine;
  if (n > 1) {
    int32_t distanza = 0;
    if (!somma32(static_cast<int64_t>(inizio) - mountain_end[static_cast<size_t>(n - 1)], distanza)) {
      return registra_errore(kErroreGuasto);
    }
    if (distanza <= 150) tipo = 3;
  }
  const int64_t primo = indice(inizio / 50.0);
  const int64_t ultimo = indice(fine / 50.0 - 1);
  const int64_t da = primo > 0 ? primo : 0;
  const int64_t a = std::min<int64_t>(ultimo, static_cast<int64_t>(route_cells.size()) - 1);
  for (int64_t i = da; i <= a; ++i) {
    RouteCell& c = route_cells[static_cast<size_t>(i)];
    c.byte3 = lo8(tipo);
    if (con_marche && (i - primo + 1) % 4 == 0 && c.kind == 0) c.kind = kMarcaMontagna;
  }
}

void Form1::memo_rallentamento(int32_t x, int32_t v, int32_t l, int32_t f_tt, int32_t f_ta, int32_t d_v) {
  const bool avviso = x > 1500;
  if (!avviso) f_ta = 0;
  const int64_t w = cella_di(static_cast<int64_t>(x) - 1200);
  if (avviso && occupata(*this, w)) return registra_errore(kErroreAvvisoRallentamento);
  const int64_t s = cella_di(x);
  if (occupata(*this, s)) return registra_errore(kErroreInizioRallentamento);
  // The end is a 32-bit sum, formed only once the two boards before it have
  // found their cells.
  int32_t fine = 0;
  if (!somma32(static_cast<int64_t>(x) + l, fine)) return registra_errore(kErroreGuasto);
  const int64_t e = cella_di(fine);
  if (occupata(*this, e)) return registra_errore(kErroreFineRallentamento);

  RouteCell* ce = cella(e);
  RouteCell* cs = cella(s);
  RouteCell* cw = avviso ? cella(w) : nullptr;
  if (ce != nullptr) {
    ce->kind = kFineRallentamento;
    if (d_v != 0) ce->value2 = lo16(d_v);
  }
  if (cs != nullptr) {
    cs->kind = kInizioRallentamento;
    if (d_v != 0) cs->value2 = lo16(d_v);
  }
  if (cw != nullptr) {
    cw->kind = kAvvisoRallentamento;
    if (d_v != 0) cw->value2 = lo16(d_v);
    cw->value1 = lo16(v);
  }
  if (cs != nullptr) cs->value1 = lo16(v);
  if (ce != nullptr) ce->value1 = lo16(v);
  if (cs != nullptr) cs->value3 = lo16(f_tt);
  if (ce != nullptr) ce->value3 = lo16(f_tt);

  if (f_ta == 0) return;
  const int64_t h = indice((static_cast<double>(x) - 1200) / 50.0);
  for (int64_t i = 0; i < 4; ++i) {
    if (occupata(*this, h - i)) return registra_errore(kErroreAvvicinamento);
  }
  for (int64_t i = 0; i < 4; ++i) {
    if (RouteCell* c = cella(h - i)) {
      c->kind = kAvvicinamentoAvviso;
      c->value1 = lo16(i + 1);
      if (d_v != 0) c->value2 = lo16(i + 1);
    }
  }
}

void Form1::memo_segnale(int32_t posizione, int32_t sx, int32_t s1, int32_t s2, int32_t s3, int32_t rapp,
                         int32_t dx, int32_t d1, int32_t d2, int32_t d3, int32_t tempo) {
  const int64_t i = cella_di(posizione);
  if (occupata(*this, i)) return registra_errore(kErroreSegnale);
  if (RouteCell* c = cella(i)) {
    c->kind = kSegnale;
    c->value4 = lo16(static_cast<int64_t>(rapp) * 10 + static_cast<int64_t>(sx) * 3 + dx);
    c->value1 = lo16(static_cast<int64_t>(s1) * 10 + d1);
    c->value2 = lo16(static_cast<int64_t>(s2) * 10 + d2);
    c->value3 = lo16(static_cast<int64_t>(s3) * 10 + d3);
    if (tempo >= 1 && tempo <= 100) tempo = 101;
    c->byte1 = sx == 2 ? lo8(tempo) : 0;
  }
  for (int64_t k = 1; k <= 4; ++k) {
    if (RouteCell* a = cella(i - 2 * k)) {
      a->byte2 = lo8((static_cast<int64_t>(sx) * 3 + dx) * 10 + k);
    }
  }
}

void Form1::memo_indicatori_v_max(int32_t posizione, int32_t vas, int32_t vbs, int32_t vcs, int32_t strisces,
                                  int32_t vad, int32_t vbd, int32_t vcd, int32_t strisced) {
  const int64_t i = cella_di(posizione);
  if (occupata(*this, i)) return registra_errore(kErroreIndicatoreVMax);
  // The fields are stored in turn, so a speed pair that does not fit leaves
  // the ones before it stored, as they stand when the compilation ends.
  RouteCell scarto;  // the fields of a board before the start of the route go nowhere
  RouteCell* c = cella(i);
  if (c == nullptr) c = &scarto;
  c->kind = kIndicatoreVMax;
  if (!arrotonda16(vad / 5.0 + vas * 20.0, c->value1) || !arrotonda16(vbd / 5.0 + vbs * 20.0, c->value2) ||
      !arrotonda16(vcd / 5.0 + vcs * 20.0, c->value3)) {
    return registra_errore(kErroreGuasto);
  }
  c->value4 = lo16(static_cast<int64_t>(strisces) * 10 + strisced);
}

}  // namespace ferrovello
