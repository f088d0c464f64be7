// Shared by the document tests: an earlier, longer file to be replaced.
#pragma once

#include <string>

namespace ferrovello::test {

// An earlier, longer file of the same name: more lines than the document,
// none of them its own, without a final line end.
inline std::string stale_document() {
  std::string bytes;
  for (int i = 0; i < 2000; ++i) bytes += "riga di una corsa precedente " + std::to_string(i) + "\r\n";
  return bytes + "riferimento fine del file";
}

}  // namespace ferrovello::test
