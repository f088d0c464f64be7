// `view`: the page that explores a scenario in a browser, from the scripts
// (with their faults and warnings) or from the compiled files.
#pragma once

#include <string>

#include "platform/platform.h"
#include "tools/scenario/prepared_scripts.h"
#include "tools/view/view_data.h"

namespace ferrovello {

struct ViewOptions {
  std::string out;
  std::string dat;        // the route and item files to show,
  std::string sim;
  std::string line_file;  // with the line file for the plan if given
  CompileOptions scripts;  // or the two scripts, compiled in memory
};

// `view`: writes one HTML page with the plan and the profile of a scenario,
// linked by a cursor, and, for scripts, the faults of the compilation with
// their script lines. A page is written even for scripts with faults, as
// far as the compilation got; the status is then 1.
int esegui_view(const ViewOptions& o, Platform& base);

// The page's data from the two scripts compiled in memory: what the
// compilation built, as far as it got, with its faults and the check's
// warnings in the list. `stato` is the compilation's (1 after a fault).
// False when a script cannot be read or converted, reported on `base`.
bool dati_da_script(const CompileOptions& scripts, Platform& base, DatiVista& d, int& stato);

}  // namespace ferrovello
