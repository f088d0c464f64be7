// The builder of `view --serve`: the author's two scripts compiled in memory
// on every change into the view page and the state the open pages are told
// (a fault's banner, a missing file). It knows nothing of files being
// watched or of pages being served.
#pragma once

#include <string>

#include "platform/platform.h"
#include "tools/scenario/prepared_scripts.h"
#include "tools/view/view_data.h"

namespace ferrovello {

struct Costruzione {
  int versione = 0;        // of the state, one more at every build
  int versione_pagina = 0;  // of the page, one more when it changed
  std::string pagina;      // the whole view page
  std::string stato;       // JSON for the open pages (see json_stato)
  // The last route compiled without faults, drawn again under the faults
  // of a later build that fails.
  bool con_buono = false;
  DatiVista buono;
};

// Builds again from the scripts named in `o` (read through `base`). A build
// without faults replaces the page; one with faults keeps the last good
// route, with the new faults listed and named in the banner; a script that
// cannot be read (gone, or not text) leaves the page as it was and says so.
void ricostruisci(const CompileOptions& o, Platform& base, Costruzione& c);

}  // namespace ferrovello
