// Completion: at the start of a line, the keywords of the script with a
// snippet of their fields; where a text is due (a station's name, a
// signboard's text), the names of the stations the train script holds.
#pragma once

#include "tools/lsp/analysis.h"
#include "tools/lsp/protocol.h"

namespace ferrovello {

Json completamenti(const Analisi* a, bool treno, const TestoAperto& testo, const Posizione& p);

}  // namespace ferrovello
