// What the page of `view` carries: the scenario reduced to compact JSON
// (the plan simplified at a few tolerances, the cells' properties as runs, the
// cells that hold something with their values in the dump's words, the
// stations, boards and progressive systems) and the list of findings of the
// compilation, each with its place in the scripts.
#pragma once

#include <string>
#include <vector>

#include "model/form1.h"
#include "tools/compiled/scenario_data.h"
#include "tools/scenario/script_check.h"

namespace ferrovello {

// One finding of the compilation as the page lists it. Faults and warnings
// share the same shape, so a new kind slots into the list.
struct VoceElenco {
  std::string tipo = "errore";  // "errore" or "avviso"
  int32_t numero = 0;           // a fault's number; 0 for a warning
  bool con_posizione = false;
  int32_t posizione = 0;  // metres
  std::string file;       // as the author named it; empty when not in a script
  int riga = 0;           // 1-based; 0 when unknown
  int colonna = 0;
  std::string testo;      // the rule broken and what to change
  std::string riga_script;  // the script line itself, UTF-8
};

// Splits a place "FILE:LINE:COLUMN" (the file may hold colons itself).
// False for any other place, such as "cella 159".
bool dividi_luogo(const std::string& luogo, std::string& file, int& riga, int& colonna);

// Line `riga` (1-based) of a Windows-1252 script, as UTF-8 without its line
// end; lines end at LF, CR LF or a lone CR, as the compiler counts them.
std::string riga_di(const std::string& script, int riga);

// The faults recorded by a compilation, with their script lines taken from
// the two scripts named `nome_linea` and `nome_treno`.
std::vector<VoceElenco> voci_diagnosi(const std::vector<Diagnosi>& diagnosi, const std::string& nome_linea,
                                      const std::string& linea, const std::string& nome_treno,
                                      const std::string& treno);
// The warnings of the authors' check, the same way; `linea` and `treno` are
// the scripts as the check read them (Windows-1252).
std::vector<VoceElenco> voci_avvisi(const std::vector<Avviso>& avvisi, const std::string& linea,
                                    const std::string& treno);

// Plan points kept at a tolerance: every point of the track lies within
// `tolleranza` metres of the polyline through the kept ones. The first and
// last points are always kept. `x`, `y` are the points of metres 0 onwards.
std::vector<size_t> semplifica(const std::vector<double>& x, const std::vector<double>& y, double tolleranza);

struct DatiVista {
  DatiGrafico grafico;
  std::string nome;   // scenario and train, for the title
  std::string treno;
  std::vector<VoceElenco> elenco;
  int64_t non_compilato_da = -1;  // metre from which a fault left the route unbuilt; -1 none
};

// After a fault that ended the compilation early: the metre from which the
// route holds no compiled data (the fills of gradient, speed and adhesion
// stopped there, or the fault's own place is before), or -1.
int64_t metro_non_compilato(const Form1& f);

// The JSON object embedded in the page.
std::string json_vista(const DatiVista& d);

}  // namespace ferrovello
