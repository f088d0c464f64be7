#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/form1.h"
#include "platform/platform.h"
#include "tools/scenario/prepared_scripts.h"

namespace ferrovello {

// What a picture of a scenario is drawn from; any part may be missing.
struct DatiGrafico {
  std::vector<LineValue> linea;  // entry 0 of every metre, then entry 1
  std::vector<RouteCell> celle;
  std::array<ItemRecord, kItemCount> elementi{};
  bool con_elementi = false;
};

// The route's length in metres: the one the item table gives, else the
// cells' extent.
int32_t lunghezza_percorso(const DatiGrafico& d);
// How far a drawing of the route goes: its length, or further, to a station
// or a feature placed past it.
int32_t estensione_disegno(const DatiGrafico& d);

// The stretch of the route a picture shows, in metres from its start; `a`
// at or below `da` means up to the end of the route.
struct Finestra {
  int32_t da = 0;
  int32_t a = -1;
};

// One SVG page: a title with the scenario and its train, a legend, the plan
// of the track with the stations marked by name and a scale bar and, below
// it, the profile along the route (gradient, the train's speed limit,
// signals, boards and stations) against the kilometric posts of the
// scenario's progressive systems and the metres from the start.
std::string disegna_svg(const DatiGrafico& d, const Finestra& f = {});


struct PlotOptions {
  std::string out;
  std::string line_file;  // a line file to draw, with the item and route files if given
  std::string sim;
  std::string dat;
  CompileOptions scripts;  // or the two scripts, compiled in memory
  // The stretch drawn: each end in metres from the start or a kilometric
  // post of the scenario's progressive systems (only system `system`, when
  // not 0); empty, the start and the end of the route.
  std::string from;
  std::string to;
  int system = 0;
};

// True when both ends are metres (no --from being 0) and --to does not come
// after --from: a usage error, found before any file is read. Ends given as
// posts are placed once the scenario is read.
bool finestra_vuota_in_metri(const std::string& from, const std::string& to);

// `plot`: writes the SVG page. Returns the exit status.
int esegui_plot(const PlotOptions& o, Platform& base);

}  // namespace ferrovello
