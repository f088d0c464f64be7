// Hover: on a keyword, what it does and its fields; on a field, its name,
// unit and range; on a position, its kilometric posts and the row of the
// compiled route at its cell, in the dump's words.
#pragma once

#include "tools/lsp/analysis.h"
#include "tools/lsp/protocol.h"

namespace ferrovello {

// Null when there is nothing to say at the position.
Json informazioni(const Analisi* a, bool treno, const TestoAperto& testo, const Posizione& p);

}  // namespace ferrovello
