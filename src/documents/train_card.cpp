// The train card: the timetable sheet of train 2632, a fixed
// text of 53 lines drawn with underscores and vertical bars. Only the file
// name depends on the run's names; the lines are literal.
#include "model/form1.h"
#include "scripts/line_list.h"

namespace ferrovello {

namespace {

// Line 9 keeps its seven trailing spaces and line 53 is a single space; the
// "a grave" of "Localita" on line 14 is the one byte outside ASCII (E0).
const char* const kSchedaTreno[] = {
    "",
    "",
    "  ___________________                                               ______________",
    " |                   |                    SCHEDA                   |              |",
    " |   TRENO n.2632    |                da: Alessandria              |    V140 A    |",
    " |___________________|                 a: Milano P.ta Genova       |    105 %     |",
    "                                                                   |______________|",
    "  ___________________                ___________________",
    " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ",
    " |       DIR         |              |      530T         |",
    " |___________________|              |___________________|",
    "",
    "  ________________________________________________________________________________",
    " | Vel.| Vel.| Progr Km |  No |   Localit\xE0  di  Servizio   |     Orario     | Rec |",
    " | Lim.|Marc.|          |  Rs |                            |                |     |",
    " |_____|_____|__________|_____|____________________________|________________|_____|",
    " |  75 |  75 |    90.000|     | ALESSANDRIA                |       7.30     |     |",
    " | 125 | 115 |     0.000|     | cippo km 0.000             |                |     |",
    " |     |     |     6.600|     | VALMADONNA                 |       7.37     |     |",
    " |     |     |    12.400|     | VALENZA                    |   7.41 - 7.42  | 0.5 |",
    " |     |     |    18.600|     | TORREBERETTI               |       7.45     |  1  |",
    " |     |     |    24.450|     | SARTIRANA                  |       7.48     |     |",
    " |     |     |    28.950|     | VALLE LOMELLINA            |       7.51     | 0.5 |",
    " |     |     |    36.050|     | OLEVANO                    |       7.54     | 1.5 |",
    " |  60 |  60 |    39.800|     | Segn. protezione Mortara   |                |     |",
    " |     |     |    40.800|     | MORTARA                    |   7.57 - 7.58  | 0.5 |",
    " | 130 | 120 |     0.700|     | Deviatoio uscita Mortara   |                |     |",
    " |     |     |     5.300|     | PARONA                     |       8.04     | 0.5 |",
    " |     |     |    12.800|     | VIGEVANO                   |   8.09 - 8.10  |  2  |",
    " | 100 |  90 |    26.500|     | ABBIATEGRASSO              |   8.19 - 8.20  |  2  |",
    " | 130 | 120 |    24.800|     | Ponte Naviglio Grande      |                |     |",
    " |     |     |    17.350|     | GAGGIANO                   |       8.26     |     |",
    " |     |     |    13.950|     | TREZZANO                   |       8.28     |     |",
    " |     |     |    10.900|     | CORSICO                    |       8.30     |     |",
    " |  90 |  90 |     8.600|     | MILANO S.CRISTOFORO        |       8.31     |     |",
    " |  30 |  30 |     6.500|     | Segn. protezione Mi P.Gen. |                |     |",
    " |     |     |     5.200|     | MILANO P.GENOVA            |       8.36     |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |     |     |          |     |                            |                |     |",
    " |_____|_____|__________|_____|____________________________|________________|_____|",
    "",
    "",
    "",
    " ",
};

}  // namespace

void Form1::dati_scheda() {
  scrivi_lista(nome_treno() + "_scheda_treno.txt", riempi_lista(kSchedaTreno));
}

}  // namespace ferrovello
