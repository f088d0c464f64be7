// A compilation by the real members of Form1, of small scripts written as
// the installer would write them: in memory (Scenario), or in a temporary
// folder (FolderScenario) where real files are the point.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

#include "model/form1.h"
#include "platform/memory_platform.h"
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

// A form with the installer's names on a platform, and the compiled route.
class ScenarioForm {
 public:
  Form1 form;

  explicit ScenarioForm(Platform& p) : form(p) {
    form.scenario_name = kNomeScenario;
    form.train_number = kNumeroTreno;
  }
  std::string line_path() { return form.nome_file(form.nome_script_linea()); }
  std::string train_path() { return form.nome_file(form.nome_script_treno()); }
  bool exists(const std::string& path) { return form.platform.exists(path); }

  // Writes both scripts and compiles them as the run does (compila_percorso).
  void compile(const std::string& line, const std::string& train, int32_t j = 1);
  const RouteCell& cell(int i) const { return form.route_cells.at(static_cast<size_t>(i)); }
  // Point of metre m of the planar line.
  double x(int m) const { return form.line_table[static_cast<size_t>(m)].value; }
  double y(int m) const {
    return form.line_table[static_cast<size_t>(form.line_extent) + 1 + static_cast<size_t>(m)].value;
  }
};

struct InMemory {
  MemoryPlatform platform;
};
struct Scenario : InMemory, ScenarioForm {
  Scenario() : ScenarioForm(platform) {}
};

struct InFolder {
  TempFolder folder;
  PosixPlatform platform{folder.path()};
};
struct FolderScenario : InFolder, ScenarioForm {
  FolderScenario() : ScenarioForm(platform) {}
};

}  // namespace ferrovello::test
