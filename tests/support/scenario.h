// A compilation in a temporary folder: small scripts written as the
// installer would write them, compiled by the real members of Form1.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "model/form1.h"
#include "platform/posix_platform.h"
#include "support/folder.h"

namespace ferrovello::test {

// Lines joined with CR LF, each one ended.
std::string crlf(std::initializer_list<std::string> lines);
std::string crlf(const std::vector<std::string>& lines);

// A line script: its general section (route of `length` metres) and the
// given body lines, closed by "[fine]".
std::string line_script(std::initializer_list<std::string> body, int length = 88000);
// A train script with the given body lines after "[generale]", closed by "[fine]".
std::string train_script(std::initializer_list<std::string> body);

struct Scenario {
  TempFolder folder;
  PosixPlatform platform{folder.path()};
  Form1 form{platform};

  Scenario() {
    form.scenario_name = kNomeScenario;
    form.train_number = kNumeroTreno;
  }
  std::string line_path() const { return folder.file("Ferrovello_linea.txt"); }
  std::string train_path() const { return folder.file("Ferrovello_2632-.txt"); }

  // Writes both scripts and compiles them as the run does (compila_percorso).
  void compile(const std::string& line, const std::string& train, int32_t j = 1);
  const RouteCell& cell(int i) const { return form.route_cells.at(static_cast<size_t>(i)); }
  // Point of metre m of the planar line.
  double x(int m) const { return form.line_table[static_cast<size_t>(m)].value; }
  double y(int m) const {
    return form.line_table[static_cast<size_t>(form.line_extent) + 1 + static_cast<size_t>(m)].value;
  }
};

}  // namespace ferrovello::test
