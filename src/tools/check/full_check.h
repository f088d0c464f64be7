// `check --all`: every fault of both scripts in one pass. The compiler stops
// at the first fault of a script; here it first reads past every faulty
// line (each step that ends on a fault undone, its line passed over), which
// finds them all in one reading. Their lines are then blanked in a copy
// held in memory (so that lines and columns stay) and the scripts compiled
// as the installer compiles them, which confirms the reading and runs the
// route checks; should that compilation still find a faulty line (one the
// first reading saw differently, through a line passed over), that line is
// blanked too and the scripts compiled again, until no line is at fault.
#pragma once

#include <vector>

#include "model/form1.h"
#include "tools/scenario/prepared_scripts.h"

namespace ferrovello {

// Lists every fault and warning of both scripts in file order, then the
// faults of the route checks. Returns the exit status, or -1 when there is
// no fault at all (the check then goes on as without --all).
// `una_lettura` false leaves out the reading past the faults: every fault is
// then found by a compilation of its own, as the reference the one reading
// is tested against; `compilazioni`, when given, receives how many
// compilations came after that reading.
int controllo_completo(const CompileOptions& o, Platform& base, const ScriptPreparati& p, bool una_lettura = true,
                       int* compilazioni = nullptr);

}  // namespace ferrovello
