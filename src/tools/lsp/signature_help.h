// Signature help: the fields of the keyword line being typed, the field
// under the cursor marked.
#pragma once

#include "tools/lsp/protocol.h"

namespace ferrovello {

// Null outside a keyword line.
Json aiuto_firma(bool treno, const TestoAperto& testo, const Posizione& p);

}  // namespace ferrovello
