// Diagnostics: the faults and warnings of the check of a pair, for one of
// its scripts, as the protocol publishes them; and the translation of the
// check's places (one byte per character) into the document's positions.
#pragma once

#include "tools/lsp/analysis.h"
#include "tools/lsp/protocol.h"

namespace ferrovello {

// The position of byte `offset` of a script as the check read it, in the
// text the client sent.
Posizione posizione_letta(const TestoAperto& testo, size_t offset);
Intervallo intervallo_di(const TestoAperto& testo, const VoceAnalisi& v);

// The diagnostics of script `file` of the analysis, for the document
// `testo` it was made from.
Json diagnostiche(const Analisi& a, int file, const TestoAperto& testo);

}  // namespace ferrovello
