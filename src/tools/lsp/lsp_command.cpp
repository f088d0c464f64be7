// The room of `scenario-tool lsp`: the transport (transport), the protocol's
// types (protocol), the dispatch and the scheduling of checks (server), the
// open documents and their pairing (documents), the check in memory
// (analysis) and one file per feature (diagnostics, code_actions, hover,
// completion, signature_help, document_symbols).
#include "tools/lsp/lsp_command.h"

#include "tools/lsp/server.h"

namespace ferrovello {

int esegui_lsp(Platform& base) {
  ServerLsp server(base);
  return server.servi();
}

}  // namespace ferrovello
