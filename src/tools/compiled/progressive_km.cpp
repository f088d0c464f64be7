#include "tools/compiled/progressive_km.h"

#include <algorithm>
#include <cstdlib>

#include "model/fault_numbers.h"

namespace ferrovello {

namespace {

// The post of system `s` at route position `metri`. The posts of a falling
// system are counted from the offset the script gives, 100 m below the one
// the compiler stores.
int64_t km_del_sistema(const SistemaKm& s, int64_t metri) {
  return s.verso == 1 ? (static_cast<int64_t>(s.base) - 100) - metri : metri + s.base;
}

// The route position at which system `s` gives the post `km`.
int64_t metri_del_km(const SistemaKm& s, int64_t km) {
  return s.verso == 1 ? (static_cast<int64_t>(s.base) - 100) - km : km - s.base;
}

// The metres that system i covers: from its start (from the route's start
// for the first) to the start of the next one, that excluded, or to `fine`.
int64_t inizio_sistema(const std::vector<SistemaKm>& sistemi, size_t i) { return i == 0 ? 0 : sistemi[i].da; }
int64_t fine_sistema(const std::vector<SistemaKm>& sistemi, size_t i, int64_t fine) {
  return i + 1 < sistemi.size() ? static_cast<int64_t>(sistemi[i + 1].da) - 1 : fine;
}

bool cifre(const std::string& s, size_t da, size_t a) {
  if (da >= a) return false;
  for (size_t i = da; i < a; ++i) {
    if (s[i] < '0' || s[i] > '9') return false;
  }
  return true;
}

}  // namespace

std::vector<SistemaKm> sistemi_km(const std::array<ItemRecord, kItemCount>& elementi) {
  std::vector<SistemaKm> sistemi;
  for (const size_t slot : {kElementoProgressivaUno, kElementoProgressivaDue, kElementoProgressivaTre}) {
    const ItemRecord& r = elementi[slot];
    if (r.value1 == 0 && r.value2 == 0 && r.position == 0) continue;
    sistemi.push_back({0, r.value1, r.value2, r.position});
  }
  std::stable_sort(sistemi.begin(), sistemi.end(), [](const SistemaKm& a, const SistemaKm& b) { return a.da < b.da; });
  for (size_t i = 0; i < sistemi.size(); ++i) sistemi[i].numero = static_cast<int>(i + 1);
  return sistemi;
}

int64_t km_a(const std::vector<SistemaKm>& sistemi, int64_t metri) {
  if (sistemi.empty()) return metri;
  const SistemaKm* s = &sistemi.front();
  for (const SistemaKm& t : sistemi) {
    if (t.da <= metri) s = &t;
  }
  return km_del_sistema(*s, metri);
}

std::string testo_km(int64_t km) {
  const int64_t a = km < 0 ? -km : km;
  const std::string metri = std::to_string(a % 1000);
  std::string t = km < 0 ? "-" : "";
  t += std::to_string(a / 1000);
  t += '+';
  t.append(3 - metri.size(), '0');
  return t + metri;
}

bool leggi_luogo(const std::string& testo, LuogoScritto& luogo, std::string& errore) {
  const std::string esempio = ": scrivi i metri dall'inizio del percorso (36529) o una progressiva chilometrica (35+029)";
  std::string s = testo;
  bool negativo = false;
  if (s.rfind("-", 0) == 0) {
    negativo = true;
    s.erase(0, 1);
  } else if (s.rfind("\xE2\x88\x92", 0) == 0) {  // the minus sign
    negativo = true;
    s.erase(0, 3);
  }
  const size_t piu = s.find('+');
  const size_t fine_km = piu == std::string::npos ? s.size() : piu;
  if (!cifre(s, 0, fine_km) || fine_km > 9) {
    errore = "\"" + testo + "\" non è un luogo" + esempio;
    return false;
  }
  if (piu == std::string::npos) {
    if (negativo) {
      errore = "\"" + testo + "\": i metri si contano dall'inizio del percorso e non sono negativi";
      return false;
    }
    luogo = {false, std::atoll(s.c_str())};
    return true;
  }
  if (!cifre(s, piu + 1, s.size()) || s.size() - piu - 1 != 3) {
    errore = "\"" + testo + "\": dopo il + vengono le tre cifre dei metri oltre il chilometro (35+029)";
    return false;
  }
  const int64_t v = std::atoll(s.substr(0, piu).c_str()) * 1000 + std::atoll(s.c_str() + piu + 1);
  luogo = {true, negativo ? -v : v};
  return true;
}

std::vector<PostoKm> posti_km(const std::vector<SistemaKm>& sistemi, int64_t km, int64_t fine, int solo) {
  std::vector<PostoKm> posti;
  if (sistemi.empty()) {
    if (km >= 0 && km <= fine) posti.push_back({km, 0});
    return posti;
  }
  for (size_t i = 0; i < sistemi.size(); ++i) {
    if (solo != 0 && sistemi[i].numero != solo) continue;
    const int64_t m = metri_del_km(sistemi[i], km);
    if (m >= inizio_sistema(sistemi, i) && m <= std::min(fine_sistema(sistemi, i, fine), fine)) {
      posti.push_back({m, sistemi[i].numero});
    }
  }
  std::sort(posti.begin(), posti.end(), [](const PostoKm& a, const PostoKm& b) { return a.metri < b.metri; });
  return posti;
}

std::string sistema_assente(const std::vector<SistemaKm>& sistemi, int solo) {
  if (solo <= static_cast<int>(sistemi.size())) return {};
  return "--system " + std::to_string(solo) + ": lo scenario ha " + std::to_string(sistemi.size()) +
         " sistemi progressivi";
}

LuogoRisolto risolvi_luogo(const std::string& opzione, const std::string& testo,
                           const std::vector<SistemaKm>* sistemi, int solo, int64_t fine) {
  LuogoScritto l;
  std::string errore;
  if (!leggi_luogo(testo, l, errore)) return {{}, opzione + " " + errore};
  const std::string chi = opzione + " " + testo;
  if (!l.progressiva) {
    if (l.valore > fine) {
      return {{}, chi + ": il percorso del file va da 0 a " + std::to_string(fine) + " m"};
    }
    return {{{l.valore, 0}}, ""};
  }
  if (sistemi == nullptr) {
    return {{}, chi + " è una progressiva chilometrica: serve --sim con il file degli elementi (.sim), "
                      "che porta i sistemi progressivi dello scenario"};
  }
  LuogoRisolto r{posti_km(*sistemi, l.valore, fine, solo), ""};
  if (r.posti.empty()) {
    r.errore = chi + (solo != 0 ? ": la progressiva non è sul percorso nel sistema " + std::to_string(solo)
                                : ": la progressiva non è sul percorso in nessuno dei sistemi progressivi") +
               " (" + descrivi_sistemi(*sistemi, fine) + ")";
  }
  return r;
}

bool estremo_tratto(const std::string& opzione, const std::string& testo, const std::vector<SistemaKm>* sistemi,
                    int solo, int64_t fine, int64_t& metri, std::string& errore) {
  const LuogoRisolto r = risolvi_luogo(opzione, testo, sistemi, solo, fine);
  if (r.posti.size() == 1) {
    metri = r.posti.front().metri;
    return true;
  }
  errore = r.errore;
  if (errore.empty()) {
    std::string dove;
    for (const PostoKm& posto : r.posti) {
      dove += (dove.empty() ? "" : ", ") + std::to_string(posto.metri) + " m (sistema " +
              std::to_string(posto.numero) + ")";
    }
    errore = opzione + " " + testo + ": la progressiva è in più punti del percorso: " + dove +
             "; scegli il sistema con --system o scrivi i metri";
  }
  return false;
}

std::string descrivi_sistemi(const std::vector<SistemaKm>& sistemi, int64_t fine) {
  if (sistemi.empty()) return "nessun sistema progressivo: le progressive sono i metri, da 0+000 a " + testo_km(fine);
  std::string d;
  for (size_t i = 0; i < sistemi.size(); ++i) {
    const int64_t da = inizio_sistema(sistemi, i);
    const int64_t a = std::min(fine_sistema(sistemi, i, fine), fine);
    if (!d.empty()) d += "; ";
    d += "sistema " + std::to_string(sistemi[i].numero) + " ";
    if (da > a) {
      d += "oltre la fine del percorso";
      continue;
    }
    d += "da " + std::to_string(da) + " a " + std::to_string(a) + " m, km da " +
         testo_km(km_del_sistema(sistemi[i], da)) + " a " + testo_km(km_del_sistema(sistemi[i], a));
  }
  return d;
}

}  // namespace ferrovello
