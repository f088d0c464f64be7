// The driver's documents come with their own change; until then the run
// writes none.
#include "model/form1.h"

namespace ferrovello {

void Form1::dati_note() {}
void Form1::dati_rallentamenti() {}
void Form1::dati_scheda() {}

}  // namespace ferrovello
