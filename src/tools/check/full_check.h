// `check --all`: every fault of both scripts in one pass. The compiler stops
// at the first fault of a script; here the line of that fault is skipped
// (blanked in a copy held in memory, so that lines and columns stay) and the
// scripts are compiled again, until no line of theirs is at fault. The
// compiler itself runs unchanged on every pass.
#pragma once

#include <vector>

#include "model/form1.h"
#include "tools/scenario/prepared_scripts.h"

namespace ferrovello {

// Lists every fault and warning of both scripts in file order, then the
// faults of the route checks. Returns the exit status, or -1 when there is
// no fault at all (the check then goes on as without --all).
int controllo_completo(const CompileOptions& o, Platform& base, const ScriptPreparati& p);

}  // namespace ferrovello
