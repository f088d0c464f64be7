#include "tools/text/distanza.h"

#include <algorithm>
#include <vector>

namespace ferrovello {

// No row of the table ever gets smaller than the one before, so a row whose
// least value passes the limit ends the count.
size_t distanza(const std::string& a, const std::string& b, size_t limite) {
  std::vector<size_t> riga(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) riga[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonale = riga[0];
    riga[0] = i;
    size_t minima = riga[0];
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t sopra = riga[j];
      riga[j] = std::min({riga[j] + 1, riga[j - 1] + 1, diagonale + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonale = sopra;
      minima = std::min(minima, riga[j]);
    }
    if (minima > limite) return limite + 1;
  }
  return std::min(riga[b.size()], limite + 1);
}

}  // namespace ferrovello
