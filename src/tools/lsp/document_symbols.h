// The outline of a script: its sections, and in them the stations, signals
// and slow orders, each with its position.
#pragma once

#include "tools/lsp/protocol.h"

namespace ferrovello {

Json simboli(bool treno, const TestoAperto& testo);

}  // namespace ferrovello
