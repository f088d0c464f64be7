// `lsp`: the language server of the two scripts on the standard streams.
#pragma once

#include "platform/platform.h"

namespace ferrovello {

int esegui_lsp(Platform& base);

}  // namespace ferrovello
