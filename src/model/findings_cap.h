// How many findings a report keeps with their text: the first ones, in
// file order; the rest are counted and said in one sentence. A script of
// any content then costs memory after its size, not after its faults.
#pragma once

#include <cstddef>
#include <string>

namespace ferrovello {

inline constexpr size_t kRilieviTenuti = 5000;

// The sentence after a list cut at kRilieviTenuti: `cosa` names what is
// listed ("errori", "avvisi"), `altri` how many were left out.
std::string frase_elenco_fermo(size_t altri, const std::string& cosa);

}  // namespace ferrovello
