#pragma once

#include <string>

#include "platform/platform.h"

namespace ferrovello {

struct CompileOptions {
  std::string line;
  std::string train;
  std::string out;
  std::string name = "Ferrovello";
  std::string train_number = "2632";
  bool no_line_file = false;
  bool force = false;
};

// Compiles the author's two scripts into the binary files in `out`, as the
// installer's run does. Returns the exit status: 0, or 1 for a fault.
int esegui_compile(const CompileOptions& o, Platform& base);

// A scenario or train name usable in file names: printable ASCII without
// path or reserved characters. Empty when it is; the reason otherwise.
std::string nome_non_valido(const std::string& nome);

}  // namespace ferrovello
