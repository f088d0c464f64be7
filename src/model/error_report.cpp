// The one report the user sees, and the smaller of two values.
#include <string>

#include "model/form1.h"

namespace ferrovello {

std::string testo_errore(const std::string& a) { return " Errore n. " + a; }

void Form1::errore(const std::string& a) {
  platform.show_message(testo_errore(a));
  platform.end_program(1);
}

// A fault recorded by the compiler or the route checks, with its position
// on a second line when one was recorded and what failed on a third.
void Form1::segnala_errore_registrato() {
  std::string a = std::to_string(error_code);
  if (error_position_recorded) a += "\nPosizione: " + std::to_string(error_position) + " m";
  if (!error_detail.empty()) a += "\n" + error_detail;
  platform.show_message(testo_errore(a));
}

// A failure of the platform ends the run with a message that says what
// failed; files written before stay as they are.
void Form1::guasto(const std::string& messaggio) {
  platform.show_message(messaggio);
  platform.end_program(1);
}

}  // namespace ferrovello
