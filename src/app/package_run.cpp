// The scenario of a package: found at the end of the program's own file,
// checked whole before anything is written, then written out as the
// embedded scenario is.
#include "app/package_payload.h"
#include "model/form1.h"

namespace ferrovello {

// False when the program's file carries no package; true with `p` filled
// when it carries a sound one. A damaged or cut one ends the run with a
// message before anything is written.
bool Form1::cerca_pacchetto(Pacchetto& p) {
  const LeggiParte leggi = [this](bool dalla_fine, uint64_t quanti, std::string& bytes, uint64_t& dimensione,
                                  std::string& perche) {
    return platform.read_program_bytes(dalla_fine, quanti, bytes, dimensione, perche);
  };
  std::string perche;
  switch (pacchetto_del_programma(leggi, p, perche)) {
    case EsitoCoda::assente:
      return false;
    case EsitoCoda::valida:
      return true;
    case EsitoCoda::illeggibile:
      guasto("Impossibile leggere il file del programma: " + perche);
    case EsitoCoda::danneggiata:
      break;
  }
  guasto("Lo scenario contenuto in questo programma è danneggiato o incompleto (" + perche +
         "): non è stato scritto nessun file");
}

// The two scripts under the scenario's own names, then the documents given,
// in the order of the embedded ones: notes, slow-order form, train card.
void Form1::dati_pacchetto(const Pacchetto& p) {
  scrivi_file(nome_script_linea(), p.script_linea);
  scrivi_file(nome_script_treno(), p.script_treno);
  const std::string base = nome_treno();
  if (p.note) scrivi_file(base + "_note.txt", *p.note);
  if (p.rallentamenti) scrivi_file(base + "_rallentamenti.txt", *p.rallentamenti);
  if (p.scheda) scrivi_file(base + "_scheda_treno.txt", *p.scheda);
}

}  // namespace ferrovello
