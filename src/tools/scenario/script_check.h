// The authors' check of the two scripts: a reading of its own, with the
// compiler's item reader and keyword tests, that tells the author about
// everything the format lets through but an author almost never means
// (warnings), says in the author's terms which keyword and field a read
// fault stopped at, and counts the lines of every kind. It only observes:
// the compiler reads the same bytes and builds the same files whether this
// reading ran or not.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ferrovello {

// The change that mends what a warning says, when there is one sure
// change: bytes [da, a) of the script replaced by `testo` (Windows-1252).
struct Correzione {
  bool presente = false;
  size_t da = 0;
  size_t a = 0;
  std::string testo;
};

// How much a finding of the check weighs: a note only informs (even
// `--strict` lets it pass); a warning makes `--strict` fail; an error of the
// check makes every command fail although the compiler took the scripts (a
// line it silently drops that was almost surely meant as a keyword).
enum class Gravita { avviso, nota, errore };

// A finding: "FILE:LINE:COLUMN" and the sentence after "avviso: " (or
// "nota: ", "errore: ").
struct Avviso {
  int file = 0;       // 0 the line script, 1 the train script
  size_t offset = 0;  // byte of the script it points at, for file order
  std::string luogo;
  std::string frase;
  Gravita gravita = Gravita::avviso;
  Correzione correzione = {};  // what an editor may offer to change
};

// Findings past those kept (kRilieviTenuti), counted by script and weight.
struct Omessi {
  size_t n[2][3] = {};
  void conta(int file, Gravita g) { ++n[file == 0 ? 0 : 1][static_cast<size_t>(g)]; }
  size_t di(Gravita g) const;
  size_t del_file(int file) const;
  size_t totale() const;
};

// The findings of one weight: those kept, and with `omessi` those counted too.
size_t conta(const std::vector<Avviso>& avvisi, Gravita g);
size_t conta(const std::vector<Avviso>& avvisi, const Omessi& omessi, Gravita g);
// Findings in file order cut to the first kRilieviTenuti, the rest counted.
void tieni_i_primi(std::vector<Avviso>& avvisi, Omessi& omessi);

// A field the reading could not take, in the author's terms.
struct GuastoDiLettura {
  size_t offset = 0;  // where the compiler reports it: the item it failed on
  size_t riga_da = 0;  // first byte of the lines a full check skips
  size_t riga_a = 0;   // end of those lines
  std::string luogo;   // where the author should look
  size_t dove = 0;     // the byte it points at
  std::string frase;
};

// One script as the author gave it, once its text is Windows-1252.
struct TestoScript {
  std::string etichetta;  // the name shown in reports
  std::string bytes;
};

// A script made Windows-1252: a UTF-8 script whose every character has a
// place in the code page is converted (one note), a lone byte-order mark
// is dropped, anything else is kept as it is. A character without a place
// is a fault: its place and sentence land in `guasti`. With `gia_windows`
// the bytes are Windows-1252 already (a text an editor gave, converted
// once) and are only read: converting them again could take two of their
// letters for one.
void prepara_testo(const std::string& etichetta, int file, std::string originale, TestoScript& testo,
                   std::vector<Avviso>& avvisi, std::vector<std::string>& guasti, bool gia_windows = false);

struct ControlloScript {
  std::vector<Avviso> avvisi;               // in file order, line script first: the first kRilieviTenuti
  Omessi omessi;                            // the findings after those
  std::vector<GuastoDiLettura> guasti[2];   // per script, in file order: the first kRilieviTenuti
  std::map<std::string, int> righe;         // lines read, by kind
};

// Reads both scripts as the compiler does and gathers warnings, read faults
// and counts. `linea_voluta` as the compiler's write_line_file: without it
// the curve lines are not read. The scripts' bytes are lent to the reading
// and are back in place when it returns.
ControlloScript controlla_script(TestoScript& linea, TestoScript& treno, bool linea_voluta);

// The text of a warning as printed.
std::string testo_avviso(const Avviso& a);

// A keyword as an editor shows it: the emitter's spelling, where it is
// read and its fields in order (width in bits; a text field has none).
struct CampoChiave {
  std::string nome;
  int bit = 32;
  bool testo = false;
};
struct ParolaChiave {
  std::string nome;
  bool generale = false;  // read in the [generale] section of either script
  bool treno = false;     // otherwise: the train script's body, or the line script's
  std::vector<CampoChiave> campi;
};
const std::vector<ParolaChiave>& parole_chiave();
// The first keyword whose test takes `item` in the body of a script or in
// its [generale] section, as the compiler tests them; null for none.
const ParolaChiave* parola_chiave_di(const std::string& item, bool script_treno);

// Nearest keyword by edit distance, or empty when none is close.
std::string parola_vicina(const std::string& item, bool script_treno);

}  // namespace ferrovello
