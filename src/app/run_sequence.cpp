// The run: the progress window, the two scripts and the three documents
// written, the scripts compiled into the route, the route checked, stamped
// and saved, and the program ended.
#include "app/package_payload.h"
#include "model/form1.h"
#include "model/numbers.h"

namespace ferrovello {

namespace {

// What a driver does with an installer that cannot write where it lies.
constexpr const char* kCopiaNelSimulatore = "copia il programma nella cartella del simulatore ed eseguilo da lì";

}  // namespace

// A program that carries a package of an author's scenario at the end of its
// file installs that scenario, through the same steps, in place of its own.
void Form1::on_load() {
  keep_scripts = true;
  Pacchetto pacchetto;
  const bool dell_autore = cerca_pacchetto(pacchetto);
  scenario_name = dell_autore ? pacchetto.nome : kNomeScenario;
  train_number = dell_autore ? pacchetto.numero_treno : kNumeroTreno;
  platform.show_window("Form1", "Attendere");
  if (platform.program_folder().empty()) {
    guasto("Impossibile sapere in quale cartella si trova il programma (il suo percorso è troppo lungo o non "
           "si può leggere): non è stato scritto nessun file");
  }
  if (cartella_installata(platform.program_folder())) {
    guasto("Il programma è nella cartella in cui è installato (\"" + platform.program_folder() +
           "\"), dove non va eseguito: " + kCopiaNelSimulatore + "; non è stato scritto nessun file");
  }
  blocca_cartella(true);
  if (dell_autore) {
    proteggi_script(pacchetto.script_linea, pacchetto.script_treno);
    dati_pacchetto(pacchetto);
  } else {
    proteggi_script(testo_linea_incorporata(), testo_treno_incorporato());
    dati_linea();
    dati_treno();
    dati_note();
    dati_rallentamenti();
    dati_scheda();
  }
  memorizza_percorso(1);
  platform.end_program(0);
}

// The installed copy of the installer (PREFIX/share/ferrovello) is there
// to be copied into a simulator's folder: run where it lies, it would write
// the scenario among the package's files, which removing the package then
// leaves behind.
bool Form1::cartella_installata(std::string_view cartella) {
  while (!cartella.empty() && (cartella.back() == '/' || cartella.back() == '\\')) cartella.remove_suffix(1);
  for (const std::string_view fine : {"/share/ferrovello", "\\share\\ferrovello"}) {
    if (cartella.size() >= fine.size() && cartella.substr(cartella.size() - fine.size()) == fine) return true;
  }
  return false;
}

// One run at a time in a folder: a second one started while the first is
// still going says so and changes nothing.
void Form1::blocca_cartella(bool dall_installatore) {
  const std::string blocco = nome_file(scenario_name + ".lock");
  LockRefusal rifiuto{};
  std::string perche;
  if (platform.lock_run(blocco, rifiuto, perche)) {
    // The run's folder is flushed once, after its last rename, not after
    // each: no other run can write into it meanwhile.
    platform.hold_folder_flushes();
    // A run that was killed (or lost its power) while writing leaves the
    // temporary file of the file at hand: gone now that no other run can be
    // writing it.
    const std::string treno = nome_treno();
    platform.remove_stale_temporaries({nome_file(nome_script_linea()), nome_file(nome_script_treno()),
                                       nome_file(treno + "_note.txt"), nome_file(treno + "_rallentamenti.txt"),
                                       nome_file(treno + "_scheda_treno.txt"), nome_file(scenario_name + "_linea.dat"),
                                       nome_file(treno + ".sim"), nome_file(treno + ".dat")});
    return;
  }
  if (rifiuto == LockRefusal::busy) {
    guasto("Un'altra esecuzione sta già scrivendo in questa cartella (\"" + blocco +
           "\"): questa si ferma senza cambiare nulla");
  }
  if (rifiuto == LockRefusal::folder_not_writable) {
    guasto("La cartella \"" + platform.program_folder() + "\" non è scrivibile (" + perche + "): " +
           (dall_installatore ? std::string(kCopiaNelSimulatore) + "; " : std::string()) +
           "non è stato scritto nessun file");
  }
  guasto("Impossibile creare il file \"" + blocco + "\": " + perche);
}

void Form1::memorizza_percorso(int32_t j) {
  compila_percorso(j);
  // Without a route there is nothing to check or to write.
  if (route_cells.empty()) {
    if (error_code == 0) registra_errore(kErroreGuasto);
    segnala_errore_registrato();
    termina(1);
  }
  controlla_percorso();
  // A recorded fault is reported, never passed off as success.
  if (error_code != 0) {
    segnala_errore_registrato();
    if (!write_despite_faults) termina(1);
  }
  if (const int32_t n = timbra_percorso(); n != 0) errore(std::to_string(n));
  scrivi_file_binari();
}

void Form1::compila_percorso(int32_t j) {
  write_line_file = j;
  error_code = 0;
  error_position_recorded = false;
  diagnoses.clear();
  diagnoses_omesse = 0;
  azzera_elementi();
  memorizza_dati();
}

int32_t Form1::timbra_percorso() {
  RouteCell& cella1 = route_cells[1];
  ItemRecord& sim = items[kElementoScenario];
  if (sim.word1 != 0 || cella1.value1 != 0) return kErroreTimbroElemento;
  sim.word1 = kTimbroElemento;
  cella1.value1 = kTimbroCella;
  if (sim.code != 0 || cella1.value2 != 0) return kErroreTimbroCella;
  sim.code = codice_gara_st();
  if (!arrotonda16(codice_gara_og(), cella1.value2)) guasto("Overflow nel codice di gara");
  return 0;
}

void Form1::scrivi_file_binari() {
  if (write_line_file != 0) scrivi_file_linea();
  scrivi_file_elementi();
  scrivi_file_percorso();
  // One flush of the folder, after the last rename, makes every file of the
  // run durable (blocca_cartella held the flushes of the renames).
  std::string perche;
  if (!platform.flush_held_folders(perche)) {
    guasto("Impossibile scrivere sul disco la cartella \"" + platform.program_folder() + "\": " + perche);
  }
}

}  // namespace ferrovello
