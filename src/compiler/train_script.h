#pragma once

#include <string>

#include "compiler/compile_state.h"

namespace ferrovello {

// Reads, compiles and deletes the train script.
Esito leggi_script_treno(Form1& f, CompileState& s, const std::string& percorso);

}  // namespace ferrovello
