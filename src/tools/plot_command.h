#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/form1.h"
#include "platform/platform.h"
#include "tools/compile_command.h"

namespace ferrovello {

// What a picture of a scenario is drawn from; any part may be missing.
struct DatiGrafico {
  std::vector<LineValue> linea;  // entry 0 of every metre, then entry 1
  std::vector<RouteCell> celle;
  std::array<ItemRecord, kItemCount> elementi{};
  bool con_elementi = false;
};

// One SVG page: the plan of the track with the stations marked by name and,
// below it, the profile along the route (gradient, the train's speed limit,
// signals, boards and stations against the kilometre).
std::string disegna_svg(const DatiGrafico& d);


struct PlotOptions {
  std::string out;
  std::string line_file;  // a line file to draw, with the item and route files if given
  std::string sim;
  std::string dat;
  CompileOptions scripts;  // or the two scripts, compiled in memory
};

// `plot`: writes the SVG page. Returns the exit status.
int esegui_plot(const PlotOptions& o, Platform& base);

}  // namespace ferrovello
