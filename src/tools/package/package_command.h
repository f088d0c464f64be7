// `package`: the author's scenario checked, then carried after the
// installer's own bytes as one program that installs it.
#pragma once

#include <string>

#include "platform/platform.h"
#include "tools/scenario/prepared_scripts.h"

namespace ferrovello {

struct PackageOptions {
  CompileOptions scripts;  // --line, --train, --name, --train-number
  std::string card;        // the driver's documents, each optional
  std::string slow_orders;
  std::string notes;
  bool windows = false;  // the stub is the Windows installer, else the Linux one
  std::string stub;      // the installer to start from
  std::string out;
};

// The installer to start from when none is given: the one beside the tool
// (a build folder, the Windows archive), else the one of an installed tree,
// where bin/scenario-tool stands beside share/ferrovello/ferrovello. When
// neither is there, the one beside, for the message that it is missing.
std::string installatore_predefinito(Platform& base, bool windows);

// `package`: checks the scenario, then writes one program that installs it:
// the installer `o.stub` followed by the scenario's payload and trailer.
// Returns the exit status.
int esegui_package(const PackageOptions& o, Platform& base);

}  // namespace ferrovello
