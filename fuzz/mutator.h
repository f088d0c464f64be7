// The mutator of fuzz_compile: one time in eight libFuzzer's own byte
// mutations (with the dictionary of keywords), the rest whole lines of the
// scripts: a feature line of either script put in, or put in place of
// another, with a position on the input's own route; a line taken away,
// doubled or swapped with another; a number of a line set to a value that
// matters; a general section with a route length put back when the line
// script has lost it. Byte mutations alone seldom keep a line whole enough
// to reach the placing members; these do.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "fold.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t max_size);

namespace ferrovello::fuzz {

// Between the line script and the train script of an input.
constexpr std::string_view kSeparatore = "\n~~~~\n";

class Mutatore {
 public:
  explicit Mutatore(unsigned int seme) : caso_(seme) {}

  // Mutates `testo` in place; false when it did nothing.
  bool muta(std::string& testo) {
    std::vector<Riga> righe = dividi(testo);
    const size_t separatore = testo.find(kSeparatore);
    const size_t fine_linea = separatore == std::string::npos ? testo.size() : separatore + 1;
    lunghezza_ = lunghezza_del_percorso(std::string_view(testo).substr(0, fine_linea));
    if (lunghezza_ < 0) return rimetti_generale(testo);
    switch (numero(0, 7)) {
      case 0:
        return inserisci(testo, righe, 0, fine_linea, riga_linea());
      case 1:
        if (separatore == std::string::npos) {
          testo += std::string(kSeparatore) + "[generale]\n" + riga_treno() + "\n[fine]\n";
          return true;
        }
        return inserisci(testo, righe, separatore + kSeparatore.size(), testo.size(), riga_treno());
      case 6: {  // a line given way to a new feature line of its script
        if (righe.empty()) return false;
        const Riga r = righe[indice(righe.size())];
        const std::string nuova = (r.inizio < fine_linea ? riga_linea() : riga_treno()) + "\n";
        testo.replace(r.inizio, r.fine - r.inizio, nuova);
        return true;
      }
      case 2: {  // a line taken away
        if (righe.empty()) return false;
        const Riga r = righe[indice(righe.size())];
        testo.erase(r.inizio, r.fine - r.inizio);
        return true;
      }
      case 3: {  // a line doubled
        if (righe.empty()) return false;
        const Riga r = righe[indice(righe.size())];
        testo.insert(r.fine, testo.substr(r.inizio, r.fine - r.inizio));
        return true;
      }
      case 4: {  // two lines swapped
        if (righe.size() < 2) return false;
        Riga a = righe[indice(righe.size())];
        Riga b = righe[indice(righe.size())];
        if (a.inizio == b.inizio) return false;
        if (b.inizio < a.inizio) std::swap(a, b);
        const std::string ta = testo.substr(a.inizio, a.fine - a.inizio);
        const std::string tb = testo.substr(b.inizio, b.fine - b.inizio);
        testo.replace(b.inizio, tb.size(), ta);
        testo.replace(a.inizio, ta.size(), tb);
        return true;
      }
      default:
        return cambia_numero(testo);
    }
  }

 private:
  struct Riga {
    size_t inizio;
    size_t fine;  // after its line end
  };

  static std::vector<Riga> dividi(const std::string& testo) {
    std::vector<Riga> righe;
    size_t inizio = 0;
    while (inizio < testo.size()) {
      size_t fine = testo.find('\n', inizio);
      fine = fine == std::string::npos ? testo.size() : fine + 1;
      righe.push_back({inizio, fine});
      inizio = fine;
    }
    return righe;
  }

  int numero(int da, int a) { return std::uniform_int_distribution<int>(da, a)(caso_); }
  size_t indice(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(caso_); }
  std::string n(int da, int a) { return std::to_string(numero(da, a)); }

  // The route length the compiler will take from a line script, folded as
  // the target folds it; -1 when no "lunghezza percorso" line reads.
  static int32_t lunghezza_del_percorso(std::string_view linea) {
    int32_t l = -1;
    for (size_t at = linea.find("lunghezza percorso"); at != std::string_view::npos;
         at = linea.find("lunghezza percorso", at + 1)) {
      size_t i = linea.find(',', at);
      if (i == std::string_view::npos) break;
      while (++i < linea.size() && linea[i] == ' ') {
      }
      int64_t v = 0;
      size_t j = i;
      while (j < linea.size() && j - i < 8 && linea[j] >= '0' && linea[j] <= '9') v = 10 * v + (linea[j++] - '0');
      if (j > i) l = static_cast<int32_t>(v > kRottaCorta ? v % (kRottaCorta + 1) : v);
    }
    return l;
  }

  // A line script that lost its general section or its route length gets
  // them back at its start.
  bool rimetti_generale(std::string& testo) {
    const std::string l = std::to_string(50 * numero(1, kRottaCorta / 50));
    testo.insert(0, "[generale]\nlunghezza percorso,  " + l + "\n[corpo]\n");
    return true;
  }

  // A position on the input's route, mostly on the 50 m grid.
  std::string posizione() {
    if (numero(0, 7) == 0) return n(-100, lunghezza_ + 7000);
    return std::to_string(50 * numero(0, std::max(1, lunghezza_ / 50)));
  }
  std::string velocita() { return std::to_string(5 * numero(0, 40)); }

  std::string riga_linea() {
    const std::string p = posizione();
    switch (numero(0, 4)) {
      case 0:
        return std::string("curva") + (numero(0, 1) ? "s" : "d") + n(1, 6) + ",  " + p + ",  " + n(0, 3000);
      case 1:
        return "pendenza,  " + p + ",  " + n(-40, 40);
      case 2:
        return "montagna,  " + p + ",  " + std::to_string(std::stoi(p) + 50 * numero(0, 40)) + ",  " + n(0, 12);
      case 3:
        return "indicatori_vmax,  " + p + ",  " + velocita() + ",  " + velocita() + ",  " + velocita() + ",  " +
               n(0, 9) + ",    ,    ,    ,  " + n(0, 9);
      default:
        return "cartello_indicatore,  " + p + ",     (" + std::string(1, static_cast<char>('A' + numero(0, 25))) + ")";
    }
  }

  std::string riga_treno() {
    const std::string p = posizione();
    switch (numero(0, 6)) {
      case 0: {
        std::string r = "segnale,  " + p + ",  " + n(0, 9) + ",  " + n(0, 9);
        for (int i = 0; i < 8; ++i) r += ",  " + n(0, 3);
        return r + ",  " + n(0, 60);
      }
      case 1:
        return "velocita,  " + p + ",  " + velocita();
      case 2:
        return "aderenza,  " + p + ",  " + n(0, 100);
      case 3:
        return "rallentamento,  " + p + ",  " + velocita() + ",  " + std::to_string(50 * numero(0, 40)) + ",  " +
               n(0, 5) + ",  " + n(0, 1) + ",  " + n(0, 40);
      case 4:
        return "abbattimento,  " + p + ",  " + n(-5, 5);
      case 5: {
        std::string r = "stazione,  " + p + ",  " + n(0, 30) + ",  " + std::to_string(100 * numero(1, 8));
        for (int i = 0; i < 13; ++i) r += ",  " + n(0, 1);
        return r + ",   S" + n(0, 9);
      }
      default:
        return "orologio,      " + n(0, 23) + "               " + n(0, 59) + "            " + n(0, 59);
    }
  }

  // Puts `riga` before one of the lines that start in [da, a), or at a.
  bool inserisci(std::string& testo, const std::vector<Riga>& righe, size_t da, size_t a, const std::string& riga) {
    std::vector<size_t> punti;
    for (const Riga& r : righe) {
      if (r.inizio >= da && r.inizio < a) punti.push_back(r.inizio);
    }
    punti.push_back(a);
    // Most often before the last line of the script, which is its "[fine]".
    const size_t dove = punti.size() >= 2 && numero(0, 1) == 0 ? punti[punti.size() - 2] : punti[indice(punti.size())];
    testo.insert(dove, riga + "\n");
    return true;
  }

  // One run of digits set to a value that matters to the compiler.
  bool cambia_numero(std::string& testo) {
    std::vector<std::pair<size_t, size_t>> numeri;
    for (size_t i = 0; i < testo.size();) {
      if (testo[i] < '0' || testo[i] > '9') {
        ++i;
        continue;
      }
      size_t j = i;
      while (j < testo.size() && testo[j] >= '0' && testo[j] <= '9') ++j;
      numeri.emplace_back(i, j);
      i = j;
    }
    if (numeri.empty()) return false;
    const auto [i, j] = numeri[indice(numeri.size())];
    static const char* const kValori[] = {"0", "1", "50", "99", "100", "255", "256", "32767", "32768", "65535",
                                          "2147483647", "2147483648", "4000", "3999", "4001"};
    const std::string nuovo = numero(0, 1) == 0 ? posizione() : kValori[indice(std::size(kValori))];
    testo.replace(i, j - i, nuovo);
    return true;
  }

  std::minstd_rand caso_;
  int32_t lunghezza_ = kRottaCorta;  // of the route of the input at hand
};

inline size_t muta_script(uint8_t* data, size_t size, size_t max_size, unsigned int seme) {
  Mutatore m(seme);
  if ((seme & 7u) == 0) return LLVMFuzzerMutate(data, size, max_size);
  std::string testo(reinterpret_cast<const char*>(data), size);
  if (!m.muta(testo) || testo.size() > max_size) return LLVMFuzzerMutate(data, size, max_size);
  std::memcpy(data, testo.data(), testo.size());
  return testo.size();
}

}  // namespace ferrovello::fuzz
