// Quick fixes: the change a warning of the check carries, offered for the
// warnings whose range meets the one the editor asks about.
#pragma once

#include "tools/lsp/analysis.h"
#include "tools/lsp/protocol.h"

namespace ferrovello {

Json azioni_correttive(const Analisi& a, int file, const TestoAperto& testo, const std::string& uri,
                       const Intervallo& chiesto);

}  // namespace ferrovello
