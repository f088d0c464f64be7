// Kilometric posts: the progressive systems that an item table carries in
// items 81 to 83, the post they give at a route position, and the places
// where a post stands; and a place as an author writes it on the command
// line ("36529" metres from the start, or the post "35+029").
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/form1.h"

namespace ferrovello {

// One progressive system, as the compiled item table holds it.
struct SistemaKm {
  int numero = 0;     // 1, 2, 3 in the order of their starts along the route
  int32_t da = 0;     // route position, metres, from which it applies
  int32_t base = 0;   // offset; a falling system carries the 100 m the compiler adds
  int32_t verso = 0;  // 1 = the posts fall as the route position grows
};

// The systems of an item table, by start; a slot all zero is no system.
std::vector<SistemaKm> sistemi_km(const std::array<ItemRecord, kItemCount>& elementi);

// The post at route position `metri`: by the system with the greatest start
// not beyond it (the first system before every start); the metres
// themselves when there is no system.
int64_t km_a(const std::vector<SistemaKm>& sistemi, int64_t metri);
// "35+029", "-1+500".
std::string testo_km(int64_t km);

// A place as written by the author: metres from the start of the route, or
// a kilometric post (its value in metres: 35+029 is 35029).
struct LuogoScritto {
  bool progressiva = false;
  int64_t valore = 0;
};
// False, with the reason, when `testo` is neither.
bool leggi_luogo(const std::string& testo, LuogoScritto& luogo, std::string& errore);

// Where a post stands: the route position and the system that gives it.
struct PostoKm {
  int64_t metri = 0;
  int numero = 0;
};
// Every position from 0 to `fine` metres at which the post `km` stands, in
// route order; only in system `solo` when it is not 0.
std::vector<PostoKm> posti_km(const std::vector<SistemaKm>& sistemi, int64_t km, int64_t fine, int solo);
// For --system N: why the scenario has no system N, or nothing.
std::string sistema_assente(const std::vector<SistemaKm>& sistemi, int solo);
// A place of the command line (option `opzione`, text `testo`) resolved to
// its route positions from 0 to `fine` metres, in route order, or why it is
// none. `sistemi` is null when the scenario's systems are not known (no
// item file given); `solo` as for posti_km.
struct LuogoRisolto {
  std::vector<PostoKm> posti;
  std::string errore;
};
LuogoRisolto risolvi_luogo(const std::string& opzione, const std::string& testo,
                           const std::vector<SistemaKm>* sistemi, int solo, int64_t fine);
// One end of a stretch: the one position of the place, or the reason; a
// post that stands at several places names them all.
bool estremo_tratto(const std::string& opzione, const std::string& testo, const std::vector<SistemaKm>* sistemi,
                    int solo, int64_t fine, int64_t& metri, std::string& errore);

// The systems with the posts and the metres each one covers up to `fine`,
// for a message: "sistema 1 da 0 a 42299 m, km da -1+500 a 40+799; ...".
std::string descrivi_sistemi(const std::vector<SistemaKm>& sistemi, int64_t fine);

}  // namespace ferrovello
