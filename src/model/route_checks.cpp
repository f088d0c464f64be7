// The pass over the finished route that completes it around slow orders:
// abbattimento points before signals near a warning board, before each start
// board, every 400 m inside slow orders below 110 km/h and before the first
// signal after an end board.
#include <string>

#include "model/cell_kinds.h"
#include "model/form1.h"
#include "model/numbers.h"

namespace ferrovello {

namespace {

constexpr int16_t kValorePunto = 180;

struct Passata {
  Form1& f;
  int64_t ultima;  // last index of route_cells

  uint8_t tipo(int64_t i) {
    const RouteCell* c = f.cella(i);
    return c != nullptr ? c->kind : 0;
  }
  bool libera(int64_t i) { return f.cella_libera(i); }
  void punto(int64_t i) {
    RouteCell* c = f.cella(i);
    c->kind = kAbbattimento;
    c->value1 = kValorePunto;
  }
  void limita(int64_t i) {
    RouteCell* c = f.cella(i);
    c->value1 = Form1::minimo<int16_t>(kValorePunto, c->value1);
  }
  // Every fault is recorded; the last one stays in error_code.
  void errore(int32_t codice, int64_t cella, const std::string& frase) {
    f.diagnostica({codice, true, static_cast<int32_t>(cella * 50), "cella " + std::to_string(cella), frase});
  }
  std::string celle(int64_t a, int64_t b) {
    return "le celle " + std::to_string(a) + " (" + nome_tipo_cella(tipo(a)) + ") e " + std::to_string(b) + " (" +
           nome_tipo_cella(tipo(b)) + ")";
  }

  // Rule 1: every signal in the 20 cells before a warning board gets a
  // point in one of the two cells before it.
  void segnali_prima_dell_avviso(int64_t c) {
    for (int64_t k = 1; k <= 20 && c - k >= 3; ++k) {
      const int64_t s = c - k;
      if (tipo(s) != kSegnale) continue;
      if (libera(s - 1)) {
        punto(s - 1);
      } else if (libera(s - 2)) {
        punto(s - 2);
      } else if (tipo(s - 1) == kAbbattimento) {
        limita(s - 1);
      } else if (tipo(s - 2) == kAbbattimento) {
        limita(s - 2);
      } else {
        errore(kErrorePuntoAvviso, s,
               "il segnale sta nei 1000 m prima di un cartello di avviso di rallentamento (cella " +
                   std::to_string(c) + "), ma " + celle(s - 1, s - 2) +
                   " prima di lui non sono libere né sono punti di abbattimento: libera una delle due");
      }
    }
  }

  // Rule 2: three bands of points before a start board.
  void punti_prima_dell_inizio(int64_t c) {
    static constexpr int64_t kBande[3][3] = {{5, 6, 7}, {11, 12, 13}, {18, 19, 20}};
    for (const auto& banda : kBande) {
      if (c <= banda[2]) continue;
      bool posto = false;
      for (const int64_t d : banda) {
        if (libera(c - d)) {
          punto(c - d);
          posto = true;
          break;
        }
      }
      if (!posto) {
        errore(kErroreBanda, c,
               "prima del cartello di inizio rallentamento non c'è posto per un punto di abbattimento: " +
                   celle(c - banda[0], c - banda[1]) + " e la cella " + std::to_string(c - banda[2]) + " (" +
                   nome_tipo_cella(tipo(c - banda[2])) + ") sono occupate; liberane una");
      }
    }
  }

  // Walks from a start board to its end board (or the last cell); below
  // 110 km/h it places a point every 8 cells on the way. Returns the index
  // where the walk stopped.
  int64_t cammina_fino_alla_fine(int64_t c, bool con_punti) {
    int64_t k = c;
    int64_t t = 0;
    while (k < ultima) {
      ++k;
      ++t;
      if (con_punti && t == 8) {
        if (libera(k)) {
          punto(k);
          t = 0;
        } else if (libera(k - 1)) {
          punto(k - 1);
          t = 1;
        } else if (libera(k + 1)) {
          punto(k + 1);
          t = -1;
        } else {
          errore(kErrorePuntoPeriodico, k,
                 "dentro il rallentamento sotto i 110 km/h non c'è posto per il punto di abbattimento di "
                 "questa cella né delle due vicine: liberane una; nessun altro punto è stato messo in "
                 "questo rallentamento");
        }
      }
      if (tipo(k) == kFineRallentamento) break;
    }
    return k;
  }

  // Rule 4: a point before the first signal in the end board's cell and the
  // 12 cells after it.
  void punto_prima_del_segnale(int64_t k) {
    for (int64_t m = k; m <= k + 12 && m <= ultima; ++m) {
      if (tipo(m) != kSegnale) continue;
      if (m - 1 > 0) {
        if (libera(m - 1)) {
          punto(m - 1);
        } else if (libera(m - 2)) {
          punto(m - 2);
        } else {
          errore(kErrorePuntoPeriodico, k,
                 "il primo segnale dopo il cartello di fine rallentamento (cella " + std::to_string(m) + ") ha " +
                     celle(m - 1, m - 2) + " prima di sé occupate: liberane una");
        }
      }
      return;
    }
  }
};

}  // namespace

void Form1::controlla_percorso() {
  if (route_cells.empty()) return;
  Passata p{*this, static_cast<int64_t>(route_cells.size()) - 1};
  for (int64_t c = 1; c <= p.ultima - 2; ++c) {
    const uint8_t tipo = p.tipo(c);
    if (tipo == kAvvisoRallentamento) {
      p.segnali_prima_dell_avviso(c);
    } else if (tipo == kInizioRallentamento) {
      p.punti_prima_dell_inizio(c);
      const bool lento = route_cells[static_cast<size_t>(c)].value1 < 110;
      const int64_t fine = p.cammina_fino_alla_fine(c, lento);
      p.punto_prima_del_segnale(fine);
    }
  }
}

}  // namespace ferrovello
