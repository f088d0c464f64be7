// Kilometric progressives: the three systems in a fixed order by start,
// falling systems adjusted by 100 m.
#include "model/form1.h"

namespace ferrovello {

namespace {

struct Sistema {
  int32_t inizio = 0;
  int32_t offset = 0;
  int32_t direzione = 0;
};

Sistema da(const ItemRecord& r) { return {r.value1, r.value2, r.position}; }

void in(ItemRecord& r, const Sistema& s) {
  r.value1 = s.inizio;
  r.value2 = s.offset;
  r.position = s.direzione;
}

}  // namespace

void Form1::progressive_ordina() {
  const Sistema t = da(items[kElementoProgressivaTre]);
  const Sistema d = da(items[kElementoProgressivaDue]);
  const Sistema u = da(items[kElementoProgressivaUno]);
  const Sistema zero{};
  Sistema ordine[3] = {zero, zero, zero};  // items 81, 82, 83
  const int64_t somma = static_cast<int64_t>(t.inizio) + d.inizio + u.inizio;
  if (somma != 0) {
    const int32_t ts = t.inizio, ds = d.inizio, us = u.inizio;
    if (ts > ds && ts > us) {
      ordine[0] = t;
      ordine[1] = ds > us ? d : u;
      ordine[2] = ds > us ? u : d;
    } else if (ds > ts && ds > us) {
      ordine[0] = d;
      ordine[1] = ts > us ? t : u;
      ordine[2] = ts > us ? u : t;
    } else if (us > ts && us > ds) {
      ordine[0] = u;
      ordine[1] = ts > ds ? t : d;
      ordine[2] = ts > ds ? d : t;
    }
  } else if (u.offset > 0) {
    ordine[0] = u, ordine[1] = d, ordine[2] = t;
  } else if (d.offset > 0) {
    ordine[0] = d, ordine[1] = t, ordine[2] = u;
  } else if (t.offset > 0) {
    ordine[0] = t, ordine[1] = d, ordine[2] = u;
  }
  for (int i = 0; i < 3; ++i) {
    if (ordine[i].direzione == 1) ordine[i].offset = static_cast<int32_t>(static_cast<int64_t>(ordine[i].offset) + 100);
    in(items[kElementoProgressivaTre + static_cast<size_t>(i)], ordine[i]);
  }
}

}  // namespace ferrovello
