// The one report the user sees, and the smaller of two values.
#include <string>

#include "model/findings_cap.h"
#include "model/form1.h"

namespace ferrovello {

std::string testo_errore(const std::string& a) { return " Errore n. " + a; }

// Said, never left to be guessed from a round number.
std::string frase_elenco_fermo(size_t altri, const std::string& cosa) {
  return "L'elenco si ferma ai primi " + std::to_string(kRilieviTenuti) + " " + cosa + ": " +
         (altri == 1 ? std::string("un altro non è elencato") : "altri " + std::to_string(altri) + " non sono elencati") +
         " (correggi questi e riprova)";
}

void Form1::errore(const std::string& a) {
  platform.show_message(testo_errore(a));
  termina(1);
}

// The faults recorded by the compiler or the route checks, one block each:
// the number, the position in metres when there is one, then where the
// fault was found and what to change.
void Form1::segnala_errore_registrato() {
  std::string testo;
  auto blocco = [&](int32_t codice, bool con_posizione, int32_t posizione, const std::string& dettaglio) {
    std::string a = std::to_string(codice);
    if (con_posizione) a += "\nPosizione: " + std::to_string(posizione) + " m";
    if (!dettaglio.empty()) a += "\n" + dettaglio;
    if (!testo.empty()) testo += "\n";
    testo += testo_errore(a);
  };
  for (const Diagnosi& d : diagnoses) {
    blocco(d.codice, d.con_posizione, d.posizione, d.luogo.empty() ? d.frase : d.luogo + ": " + d.frase);
  }
  if (diagnoses.empty()) blocco(error_code, error_position_recorded, error_position, {});
  if (diagnoses_omesse > 0) {
    // Appended in two steps: the sum of a literal and a new string makes
    // the cross compiler's optimiser warn of an overlap that cannot happen.
    testo += '\n';
    testo += frase_elenco_fermo(diagnoses_omesse, "errori");
  }
  platform.show_message(testo);
}

// A failure of the platform ends the run with a message that says what
// failed; files written before stay as they are.
void Form1::guasto(const std::string& messaggio) {
  platform.show_message(messaggio);
  termina(1);
}

void Form1::termina(int32_t stato) {
  abbandona_file_linea();
  platform.end_program(stato);
}

// A file that cannot be written, read or deleted. The two scripts live only
// for the length of a run, so they are taken away first where they can be.
void Form1::guasto_file(const std::string& azione, const std::string& percorso, const std::string& perche) {
  togli_script();
  guasto("Impossibile " + azione + " il file \"" + percorso + "\": " + perche);
}

void Form1::togli_script() {
  if (keep_scripts) return;
  for (const std::string& script : {nome_file(nome_script_linea()), nome_file(nome_script_treno())}) {
    std::string ignorato;
    if (platform.exists(script)) platform.delete_file(script, ignorato);
  }
}

// Memory the system refuses (a limit on the process, a full machine) ends
// the run as a failed file does: a message, status 1, no script left.
void Form1::memoria_esaurita() {
  togli_script();
  guasto("Memoria insufficiente: l'esecuzione si ferma; i file scritti prima restano com'erano");
}

}  // namespace ferrovello
