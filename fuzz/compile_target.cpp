// Compiles arbitrary bytes as a line script and a train script, with and
// without the line table, through the steps of the run that must never end
// the program: compile, check the route, stamp the codes, encode the files.
// Every file must read back as the table it was written from.
//
// The input is the line script, a line "~~~~", then the train script;
// without that line all of it is the line script and the train script is
// empty.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "check.h"
#include "platform/memory_platform.h"
#include "model/form1.h"
#include "model/numbers.h"
#include "output/encoding.h"
#include "tools/file_decoders.h"

namespace ferrovello::fuzz {
namespace {

constexpr std::string_view kSeparatore = "\n~~~~\n";
constexpr int32_t kLineaRiletta = 20000;  // metres of the longest line file written and read back

// The three files as the run writes them, read back.
void rileggi(const Form1& f) {
  std::string perche;
  const std::string dat = codifica_percorso(f.route_cells);
  std::vector<RouteCell> celle;
  verifica(decodifica_percorso(dat, celle, perche) && celle.size() == f.route_cells.size() &&
               codifica_percorso(celle) == dat,
           "the route file reads back");

  const std::string sim = codifica_elementi(f.items);
  std::array<ItemRecord, kItemCount> elementi{};
  verifica(decodifica_elementi(sim, elementi, perche) && codifica_elementi(elementi) == sim, "the item file reads back");
  for (size_t i = 0; i < elementi.size(); ++i) verifica(elementi[i].text == f.items[i].text, "item texts are whole");

  // Writing and reading a line file is most of the time of a long route,
  // and its layout is the same at every length: only short routes do it.
  if (f.write_line_file == 0 || f.line_extent > kLineaRiletta) return;
  std::string riserva;
  const std::string linea(codifica_linea(f.line_table, riserva));
  std::vector<LineValue> tabella;
  verifica(decodifica_linea(linea, tabella, perche) && tabella.size() == f.line_table.size(),
           "the line file reads back");
  for (size_t i = 0; i < tabella.size(); ++i) {
    const LineValue v = f.line_table[i];
    verifica(tabella[i].tag == v.tag && std::memcmp(&tabella[i].value, &v.value, sizeof(double)) == 0,
             "the line file keeps every slot");
  }
  verifica(codifica_linea(tabella) == linea, "the line file encodes again to the same bytes");
}

void compila(std::string_view linea, std::string_view treno, int32_t j) {
  MemoryPlatform p;
  Form1 f(p);
  f.scenario_name = kNomeScenario;
  f.train_number = kNumeroTreno;
  p.files[f.nome_file(f.nome_script_linea())] = std::string(linea);
  p.files[f.nome_file(f.nome_script_treno())] = std::string(treno);

  f.compila_percorso(j);
  verifica(p.files.empty(), "both scripts are deleted whatever ends the reading");
  if (f.route_cells.empty()) {
    f.segnala_errore_registrato();
    return;
  }
  verifica(f.route_cells.size() == static_cast<size_t>(f.last_cell) + 1 && f.route_cells.size() > 1,
           "the route has cells 0 to last_cell");
  verifica(j == 0 ? f.line_table.empty() : f.line_table.size() == 2 * (static_cast<size_t>(f.line_extent) + 1),
           "the line table has two entries per metre when wanted");
  f.controlla_percorso();
  if (f.error_code != 0) f.segnala_errore_registrato();
  // Where a reserved slot is taken the run ends with fault 1250 or 1251
  // and writes nothing; the files are read back all the same.
  f.timbra_percorso();
  rileggi(f);
}

}  // namespace
}  // namespace ferrovello::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  std::string_view linea = in;
  std::string_view treno;
  const size_t at = in.find(ferrovello::fuzz::kSeparatore);
  if (at != std::string_view::npos) {
    linea = in.substr(0, at + 1);
    treno = in.substr(at + ferrovello::fuzz::kSeparatore.size());
  }
  ferrovello::fuzz::compila(linea, treno, 1);
  ferrovello::fuzz::compila(linea, treno, 0);
  return 0;
}
