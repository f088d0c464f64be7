// `check`: the author's scripts compiled in memory, their faults and
// warnings, or a summary of what the scenario holds.
#pragma once

#include <map>
#include <string>

#include "tools/scenario/prepared_scripts.h"

namespace ferrovello {

// `check`: compiles in memory and prints the faults or a one-line summary.
int esegui_check(const CompileOptions& o, Platform& base);
// One line on a compiled scenario: route length, cells, stations, signals,
// boards, slow orders.
std::string riepilogo(const Form1& form);
// The same, followed by the lines of every other kind and the warnings.
std::string riepilogo(const Form1& form, const std::map<std::string, int>& righe, size_t avvisi);

}  // namespace ferrovello
