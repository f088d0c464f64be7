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
// boards, slow orders; it opens with the errors of the check, if any.
std::string riepilogo(const Form1& form, size_t errori_controllo = 0);
// The same, followed by the lines of every other kind and the count of the
// warnings and notes.
std::string riepilogo(const Form1& form, const std::map<std::string, int>& righe, const std::vector<Avviso>& avvisi,
                      const Omessi& omessi = {});

}  // namespace ferrovello
