// `view --serve`: the view of the author's two scripts as a page that
// follows every save. This room holds the three parts apart: the watcher
// (file_watcher), the builder (live_build) and the push to the open pages
// (page_server); the command only joins them, prints the address, opens the
// browser when asked and ends on Ctrl-C or SIGTERM.
#pragma once

#include <cstdint>

#include "platform/platform.h"
#include "tools/scenario/prepared_scripts.h"

namespace ferrovello {

struct ServeOptions {
  CompileOptions scripts;
  uint16_t port = 0;  // 0: a free one
  bool open = false;  // opens the page in the default browser
};

// Serves until Ctrl-C or SIGTERM (status 0); 1 when it cannot start.
int esegui_serve(const ServeOptions& o, Platform& base);

}  // namespace ferrovello
