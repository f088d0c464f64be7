// Compiles arbitrary bytes as a line script and a train script, with the
// line table and, where that gives a route, without it, through the steps of the run that must never end
// the program: compile, check the route, stamp the codes, encode the files.
// Every file must read back as the table it was written from.
//
// The input is the line script, a line "~~~~", then the train script;
// without that line all of it is the line script and the train script is
// empty.
//
// A route longer than kRottaCorta metres is folded into a short one (its
// length taken modulo kRottaCorta + 1), so that the line table, which has a
// slot for every metre, stays small and an input runs in a fraction of a
// millisecond: the compiler's code is the same at every length. With
// FUZZ_ROTTA_INTERA=1 in the environment nothing is folded, which is how the
// seed of the longest route is replayed.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "check.h"
#include "fold.h"
#include "mutator.h"
#include "platform/memory_platform.h"
#include "model/form1.h"
#include "model/numbers.h"
#include "output/encoding.h"
#include "scripts/item_reader.h"
#include "tools/compiled/file_decoders.h"
#include "tools/scenario/script_check.h"

namespace ferrovello::fuzz {
namespace {

bool rotta_intera = false;              // FUZZ_ROTTA_INTERA=1: no folding

// Inputs run and inputs whose route got a feature from a placing member
// (signal, slow order, maximum-speed board, abbattimento or mountain),
// printed at the end with FUZZ_STATISTICHE=1.
long eseguiti = 0;
long con_elementi_posati = 0;
std::map<int32_t, long> guasti;  // inputs by the first fault of their compilation (0: none)

// What a compilation gave.
struct Compilato {
  bool percorso = false;     // a route was made
  bool senza_guasti = false;  // and no fault was recorded
  bool posati = false;       // a placing member put a feature on it
  std::string dat;           // the route file
  std::string sim;           // the item file
};

// The three files as the run writes them, read back; the route file and
// the item file into `c`.
void rileggi(const Form1& f, Compilato& c) {
  std::string perche;
  const std::string& dat = c.dat = codifica_percorso(f.route_cells);
  std::vector<RouteCell> celle;
  verifica(decodifica_percorso(dat, celle, perche) && celle.size() == f.route_cells.size() &&
               codifica_percorso(celle) == dat,
           "the route file reads back");

  const std::string& sim = c.sim = codifica_elementi(f.items);
  std::array<ItemRecord, kItemCount> elementi{};
  verifica(decodifica_elementi(sim, elementi, perche) && codifica_elementi(elementi) == sim, "the item file reads back");
  for (size_t i = 0; i < elementi.size(); ++i) verifica(elementi[i].text == f.items[i].text, "item texts are whole");

  if (f.write_line_file == 0) return;
  // The line table is kept in the layout of its file: the file is the laid
  // slots of each entry, then an empty slot (two zero bytes) for every metre
  // not laid. Checked against the table's bytes here; the decoder target
  // reads such files back.
  static std::string riserva;  // kept from input to input, like the table's room
  const std::string_view linea = codifica_linea(f.line_table, riserva);
  const LineTable& t = f.line_table;
  const size_t posati_byte = LineTable::slot(t.laid);
  const size_t vuoti = 2 * (t.metres - t.laid);
  verifica(t.laid <= t.capacity() && linea.size() == 2 * (posati_byte + vuoti), "the line file has its size");
  for (size_t voce = 0; voce < 2; ++voce) {
    const std::string_view parte = linea.substr(voce * (posati_byte + vuoti), posati_byte + vuoti);
    verifica(std::memcmp(parte.data(), t.bytes.get() + voce * t.half, posati_byte) == 0,
             "the line file holds the laid slots");
    verifica(parte.find_first_not_of('\0', posati_byte) == std::string_view::npos,
             "the metres not laid are empty slots");
  }
}

bool posati(const Form1& f) {
  if (f.mountain_count > 0) return true;
  for (const RouteCell& c : f.route_cells) {
    if ((c.kind >= kSegnale && c.kind <= kIndicatoreVMax) || c.kind == kAbbattimento ||
        c.kind == kAbbattimentoSenzaValore) {
      return true;
    }
  }
  return false;
}

Compilato compila(const std::string& linea, std::string_view treno, int32_t j, bool oltre_i_guasti = false) {
  MemoryPlatform p;
  Form1 f(p);
  f.read_past_faults = oltre_i_guasti;
  f.scenario_name = kNomeScenario;
  f.train_number = kNumeroTreno;
  p.files[f.nome_file(f.nome_script_linea())] = linea;
  p.files[f.nome_file(f.nome_script_treno())] = std::string(treno);

  // The room of the line table goes from input to input, so that it is
  // allocated once and not for every input.
  static LineTable stanza;
  std::swap(stanza, f.line_table);
  struct Restituisci {
    Form1& f;
    ~Restituisci() { std::swap(stanza, f.line_table); }
  } restituisci{f};

  f.compila_percorso(j);
  verifica(p.files.empty(), "both scripts are deleted whatever ends the reading");
  for (const Diagnosi& d : f.diagnoses) {
    verifica(d.script < 0 || d.offset <= (d.script == 0 ? linea.size() : treno.size()), "a fault lies in its script");
  }
  const bool contata = j == 1 && !oltre_i_guasti;  // counted by the compilation that stops at its first fault
  if (f.route_cells.empty()) {
    f.segnala_errore_registrato();
    if (contata) ++guasti[f.diagnoses.empty() ? f.error_code : f.diagnoses.front().codice];
    return {};
  }
  Compilato c;
  c.percorso = true;
  verifica(f.route_cells.size() == static_cast<size_t>(f.last_cell) + 1 && f.route_cells.size() > 1,
           "the route has cells 0 to last_cell");
  verifica(j == 0 ? f.line_table.empty() : f.line_table.size() == 2 * (static_cast<size_t>(f.line_extent) + 1),
           "the line table has two entries per metre when wanted");
  f.controlla_percorso();
  c.senza_guasti = f.error_code == 0 && f.diagnoses.empty();
  if (f.error_code != 0) f.segnala_errore_registrato();
  c.posati = posati(f);
  if (contata) ++guasti[f.diagnoses.empty() ? f.error_code : f.diagnoses.front().codice];
  // Where a reserved slot is taken the run ends with fault 1250 or 1251
  // and writes nothing; the files are read back all the same.
  f.timbra_percorso();
  // The files of the compilation without the line file are compared with
  // those read back here, so they need no reading of their own.
  if (j == 1) {
    rileggi(f, c);
  } else {
    c.dat = codifica_percorso(f.route_cells);
    c.sim = codifica_elementi(f.items);
  }
  return c;
}

// True when a line of the line script holds "curva" beside another body
// keyword. Such an item is put to every test it matches, each reading its
// own fields: with the line file the curve reads the first two and the
// other keyword the next ones, without it the curve is skipped and the
// other keyword reads from the first. The route then differs by design
// (the check warns of an item matching several keywords). A line is looked
// at whole, which is never narrower than an item.
bool curva_con_altra_parola(std::string_view linea) {
  size_t inizio = 0;
  while (inizio < linea.size()) {
    size_t fine = linea.find('\n', inizio);
    if (fine == std::string_view::npos) fine = linea.size();
    const std::string_view riga = linea.substr(inizio, fine - inizio);
    if (contiene_ci(riga, "curva") &&
        (contiene_ci(riga, "pendenza") || contiene_ci(riga, "montagna") || contiene_ci(riga, "indicatori_v") ||
         (contiene_ci(riga, "cartello") && contiene_ci(riga, "indicat")))) {
      return true;
    }
    inizio = fine + 1;
  }
  return false;
}

void stampa_statistiche() {
  std::fprintf(stderr, "fuzz_compile: %ld inputs, %ld with a feature placed (%.1f %%)\n", eseguiti,
               con_elementi_posati, eseguiti > 0 ? 100.0 * static_cast<double>(con_elementi_posati) / static_cast<double>(eseguiti) : 0.0);
  std::fprintf(stderr, "fuzz_compile: inputs by their first fault (0 none):");
  for (const auto& [codice, quanti] : guasti) std::fprintf(stderr, " %d:%ld", codice, quanti);
  std::fprintf(stderr, "\n");
}

// The authors' check reads the same scripts, its own way: text
// preparation, warnings and read faults must never fail on any input.
void controlla(std::string_view linea, std::string_view treno) {
  std::vector<Avviso> avvisi;
  std::vector<std::string> senza_posto;  // characters with no place in the code page
  TestoScript l;
  TestoScript t;
  prepara_testo("linea", 0, std::string(linea), l, avvisi, senza_posto);
  prepara_testo("treno", 1, std::string(treno), t, avvisi, senza_posto);
  const ControlloScript c = controlla_script(l, t, true);
  for (int file = 0; file < 2; ++file) {
    const size_t fine = (file == 0 ? l : t).bytes.size();
    for (const GuastoDiLettura& g : c.guasti[file]) {
      verifica(g.riga_da < g.riga_a && g.riga_a <= fine, "a skipped line lies in its script");
    }
  }
}

}  // namespace
}  // namespace ferrovello::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  using namespace ferrovello::fuzz;
  rotta_intera = acceso("FUZZ_ROTTA_INTERA");
  if (acceso("FUZZ_STATISTICHE")) std::atexit(stampa_statistiche);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ferrovello::fuzz;
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  std::string_view linea = in;
  std::string_view treno;
  const size_t at = in.find(kSeparatore);
  if (at != std::string_view::npos) {
    linea = in.substr(0, at + 1);
    treno = in.substr(at + kSeparatore.size());
  }
  const std::string piegata = rotta_intera ? std::string(linea) : piega_lunghezza(linea);
  const Compilato con_linea = compila(piegata, treno, 1);
  // Without the line file the compiler skips the curves and the track
  // line, and nothing else: where a route was made it compiles again
  // without it, and where no fault was found the other two files must be
  // the same, unless a curve item matches another keyword too (see
  // curva_con_altra_parola). Where the first gave no route the second is
  // skipped: it reads the same items up to the same refusal or a later one,
  // which costs a compilation for little.
  if (con_linea.percorso && !curva_con_altra_parola(piegata)) {
    const Compilato senza_linea = compila(piegata, treno, 0);
    verifica(!con_linea.senza_guasti || (senza_linea.senza_guasti && senza_linea.dat == con_linea.dat &&
                                         senza_linea.sim == con_linea.sim),
             "without the line file the route and the items are the same");
  }
  // Reading past the faults (the authors' full check) ends, and where
  // there is no fault it compiles what the run compiles.
  const Compilato oltre = compila(piegata, treno, 1, true);
  verifica(!con_linea.senza_guasti || (oltre.senza_guasti && oltre.dat == con_linea.dat && oltre.sim == con_linea.sim),
           "reading past the faults changes nothing without one");
  controlla(piegata, treno);
  ++eseguiti;
  con_elementi_posati += con_linea.posati;
  return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned int seed) {
  return ferrovello::fuzz::muta_script(data, size, max_size, seed);
}
