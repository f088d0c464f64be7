#pragma once

#include <string>

#include "compiler/compile_state.h"

namespace ferrovello {

// Reads, compiles and deletes the line script.
Esito leggi_script_linea(Form1& f, CompileState& s, const std::string& percorso);

// Deletes a script if it is still there.
void elimina_script(Form1& f, const std::string& percorso);

}  // namespace ferrovello
