// `compile` and `scripts`: the author's scenario into binary files, and the
// embedded scripts written out for an author to start from.
#pragma once

#include <string>

#include "tools/scenario/prepared_scripts.h"

namespace ferrovello {

// `compile`: the binary files into the output folder. Returns the exit status.
int esegui_compile(const CompileOptions& o, Platform& base);
// `scripts`: writes the embedded line and train scripts, as the installer does.
// Writes the embedded scripts into the folder of `base`; a script already
// there is written over only with `force`.
int esegui_scripts(const std::string& name, const std::string& train_number, bool force, Platform& base);

}  // namespace ferrovello
