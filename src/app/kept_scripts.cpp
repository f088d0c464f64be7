// Files of the scripts' names that stand in the folder before the run: an
// author's own scripts, in the folder where the guide has them written, are
// never replaced and deleted by the run.
#include "model/form1.h"

namespace ferrovello {

// A file of a script's name that holds exactly the script the run writes
// is one a run cut short left behind (or a copy of it): the run takes it as
// its own. Any other one stops the run before anything is written.
void Form1::proteggi_script(std::string_view linea, std::string_view treno) {
  const std::string percorsi[2] = {nome_file(nome_script_linea()), nome_file(nome_script_treno())};
  const std::string_view testi[2] = {linea, treno};
  for (int i = 0; i < 2; ++i) {
    if (!platform.exists(percorsi[i])) continue;
    std::string presente;
    std::string perche;
    bool altro = false;  // longer than the script: not the run's
    if (platform.read_file_up_to(percorsi[i], testi[i].size(), presente, altro, perche) && !altro &&
        presente == testi[i]) {
      continue;
    }
    guasto("Nella cartella c'è già il file \"" + percorsi[i] +
           "\", che questa esecuzione scriverebbe e poi cancellerebbe: spostalo o rinominalo e riavvia; "
           "non è stato scritto nessun file");
  }
  keep_scripts = false;
  for (int i = 0; i < 2; ++i) platform.remove_if_interrupted(i, percorsi[i]);
}

}  // namespace ferrovello
