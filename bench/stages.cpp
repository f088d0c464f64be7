// The in-memory stages of a run, timed on the embedded scenario and on
// generated routes: reading and compiling the scripts, the planar line, the
// route checks, the bytes of each binary file, and the whole run with the
// writes counted but not made. The whole run is also timed at 10, 100 and
// 1000 km, per metre of the route it builds, to show that the cost grows
// linearly with the route.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "compiler/compile_state.h"
#include "generated_scenario.h"
#include "platform/memory_platform.h"
#include "model/form1.h"
#include "output/encoding.h"

namespace ferrovello::bench {
namespace {

struct Scenario {
  std::string name;
  std::string linea;
  std::string treno;
};

// A form over an in-memory folder that serves the scenario's two scripts.
struct Run {
  MemoryPlatform platform;
  Form1 form{platform};

  explicit Run(const Scenario& s) {
    platform.keep_written = false;
    platform.keep_deleted = true;  // the same scripts serve every repetition
    platform.print_messages = true;
    form.scenario_name = kNomeScenario;
    form.train_number = kNumeroTreno;
    platform.files[form.nome_file(form.nome_script_linea())] = s.linea;
    platform.files[form.nome_file(form.nome_script_treno())] = s.treno;
  }
  // Reading and compiling, as the run sequence calls it.
  bool compila() {
    form.compila_percorso(1);
    return form.error_code == 0;
  }
};

Scenario embedded() {
  MemoryPlatform p;
  Form1 f(p);
  f.scenario_name = kNomeScenario;
  f.train_number = kNumeroTreno;
  f.dati_linea();
  f.dati_treno();
  return {kNomeScenario, p.files[f.nome_file(f.nome_script_linea())], p.files[f.nome_file(f.nome_script_treno())]};
}

Scenario generated(int32_t metri) {
  return {std::to_string(metri / 1000) + "km", linea_generata(metri), treno_generato(metri)};
}

// The curve lines of a line script: keyword, start and length.
struct Curva {
  std::string parola;
  int32_t inizio;
  int32_t lunghezza;
};

std::vector<Curva> curve(const std::string& linea) {
  std::vector<Curva> out;
  size_t at = 0;
  while (at < linea.size()) {
    size_t fine = linea.find('\n', at);
    if (fine == std::string::npos) fine = linea.size();
    const std::string riga = linea.substr(at, fine - at);
    at = fine + 1;
    if (riga.rfind("curva", 0) != 0) continue;
    const size_t v1 = riga.find(',');
    const size_t v2 = riga.find(',', v1 + 1);
    out.push_back({riga.substr(0, v1), std::atoi(riga.c_str() + v1 + 1), std::atoi(riga.c_str() + v2 + 1)});
  }
  return out;
}

int32_t lunghezza(const Scenario& s) {
  Run r(s);
  r.compila();
  return r.form.items[84].value2;
}

void compile(benchmark::State& state, const Scenario& s) {
  Run r(s);
  for (auto _ : state) {
    if (!r.compila()) state.SkipWithError("the scenario does not compile");
  }
}

void planar_line(benchmark::State& state, const Scenario& s) {
  Run r(s);
  const std::vector<Curva> cs = curve(s.linea);
  const int32_t metri = lunghezza(s);
  r.form.line_extent = metri + 7000;
  for (auto _ : state) {
    r.form.line_table.clear();
    r.form.line_table.assign(2 * (static_cast<size_t>(r.form.line_extent) + 1), LineValue{}, r.form.platform);
    CompileState c;
    r.form.inizia_tracciato(c);
    for (const Curva& k : cs) r.form.posa_curva(c, k.inizio, k.lunghezza, k.parola);
    r.form.chiudi_tracciato(c);
    benchmark::DoNotOptimize(r.form.line_table.bytes.get());
  }
  state.counters["points"] = static_cast<double>(r.form.line_table.laid);
}

void route_checks(benchmark::State& state, const Scenario& s) {
  Run r(s);
  r.compila();
  const std::vector<RouteCell> compilate = r.form.route_cells;
  for (auto _ : state) {
    state.PauseTiming();
    r.form.route_cells = compilate;
    state.ResumeTiming();
    r.form.controlla_percorso();
  }
  if (r.form.error_code != 0) state.SkipWithError("the route checks record a fault");
}

// The finished model, as the writers see it.
void finisci(Run& r) {
  r.compila();
  r.form.controlla_percorso();
}

void route_file(benchmark::State& state, const Scenario& s) {
  Run r(s);
  finisci(r);
  for (auto _ : state) benchmark::DoNotOptimize(codifica_percorso(r.form.route_cells));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * r.form.route_cells.size() * kCellBytes));
}

void item_file(benchmark::State& state, const Scenario& s) {
  Run r(s);
  finisci(r);
  for (auto _ : state) benchmark::DoNotOptimize(codifica_elementi(r.form.items));
}

// The line table is kept in its file's layout: its bytes are ready.
void line_file(benchmark::State& state, const Scenario& s) {
  Run r(s);
  finisci(r);
  std::string riserva;
  size_t n = 0;
  for (auto _ : state) {
    n = codifica_linea(r.form.line_table, riserva).size();
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(n));
}

// Everything the run does after writing the scripts, up to handing the
// three files to the platform, which here only counts them.
void whole_run(benchmark::State& state, const Scenario& s) {
  Run r(s);
  const int32_t metri = lunghezza(s);
  // One run first, so that no timed run pays for the process's first use
  // of its memory: the whole-process comparison counts that.
  r.form.memorizza_percorso(1);
  for (auto _ : state) {
    r.form.memorizza_percorso(1);
    if (r.platform.written.size() != 3) state.SkipWithError("the run did not write its three files");
  }
  // Time per metre of the route built: its length and the 7000 m beyond it.
  state.counters["per_metre"] = benchmark::Counter(static_cast<double>(metri + 7000),
                                                   benchmark::Counter::kIsIterationInvariantRate |
                                                       benchmark::Counter::kInvert);
}

}  // namespace
}  // namespace ferrovello::bench

int main(int argc, char** argv) {
  using namespace ferrovello::bench;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  static const std::vector<Scenario> stadi = {embedded(), generated(1000000)};
  using Stage = void (*)(benchmark::State&, const Scenario&);
  const std::pair<const char*, Stage> stages[] = {
      {"compile", compile},     {"planar_line", planar_line}, {"route_checks", route_checks},
      {"route_file", route_file}, {"item_file", item_file},   {"line_file", line_file},
  };
  for (const Scenario& s : stadi) {
    for (const auto& [nome, stage] : stages) {
      benchmark::RegisterBenchmark((std::string(nome) + "/" + s.name).c_str(), stage, s)
          ->Unit(benchmark::kMicrosecond);
    }
  }
  static const std::vector<Scenario> lunghezze = {embedded(), generated(10000), generated(100000),
                                                  generated(1000000)};
  for (const Scenario& s : lunghezze) {
    benchmark::RegisterBenchmark(("whole_run/" + s.name).c_str(), whole_run, s)
        ->Unit(benchmark::kMicrosecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
