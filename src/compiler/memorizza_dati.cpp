// The script compiler: reads the line script and then the train script item
// by item, dispatches every keyword to the code that stores its fields, and
// deletes both scripts whatever ends the reading.
#include "compiler/compile_state.h"
#include "compiler/line_script.h"
#include "compiler/train_script.h"

namespace ferrovello {

namespace {

// Deletes a script if it is still there; a script that cannot be deleted
// ends the run with a message that names it.
void elimina(Form1& f, const std::string& percorso) {
  if (!f.platform.exists(percorso)) return;
  std::string perche;
  if (!f.platform.delete_file(percorso, perche)) {
    f.guasto_file("eliminare", percorso, perche);
  }
}

// Step 11: every start and offset of the progressive systems must be a
// multiple of 50.
void controlla_progressive(Form1& f, const CompileState& s) {
  for (f.loop_index = kElementoProgressivaTre; f.loop_index <= static_cast<int32_t>(kElementoProgressivaUno);
       ++f.loop_index) {
    const ItemRecord& r = f.items[static_cast<size_t>(f.loop_index)];
    f.inner_index = (r.value1 % 50 != 0 || r.value2 % 50 != 0) ? 1 : 0;
    if (f.inner_index == 0) continue;
    // The line that declared the system: the same start, the offset as
    // written or with the 100 m of a falling system.
    std::string dove;
    for (const ProgressivaLetta& p : s.progressive) {
      if (p.dichiarata && p.inizio == r.value1 &&
          (p.offset == r.value2 || static_cast<int64_t>(p.offset) + 100 == r.value2)) {
        dove = p.luogo;
      }
    }
    f.diagnostica({kErroreProgressiva, false, 0, dove,
                   "l'inizio (" + std::to_string(r.value1) + " m) o lo scostamento (" + std::to_string(r.value2) +
                       " m, compresi i 100 m aggiunti a una progressiva decrescente) di una progressiva "
                       "chilometrica non è multiplo di 50: usa multipli di 50"});
  }
}

}  // namespace

void elimina_script(Form1& f, const std::string& percorso) { elimina(f, percorso); }

void Form1::memorizza_dati() {
  abbandona_file_linea();
  route_cells.clear();
  line_table.clear();
  last_cell = 0;
  line_extent = 0;
  station_count = 0;
  items[kElementoScenario].text = scenario_name;
  items[kElementoCorsa].text = train_number;

  const std::string linea = nome_file(nome_script_linea());
  const std::string treno = nome_file(nome_script_treno());
  CompileState s;
  if (leggi_script_linea(*this, s, linea) != Esito::avanti ||
      leggi_script_treno(*this, s, treno) != Esito::avanti) {
    // Neither script may stay behind, whatever fault ended the reading.
    elimina(*this, linea);
    elimina(*this, treno);
    return;
  }
  controlla_progressive(*this, s);
}

}  // namespace ferrovello
