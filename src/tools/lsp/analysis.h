// The check of a pair of scripts, in memory, as `check` runs it: the
// scripts prepared and read by the authors' check, compiled through the
// installer's own steps (nothing is written), the route checked and
// stamped. What it found, with the places in the scripts' own bytes, and the
// compiled route, for the features that answer the editor.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/form1.h"
#include "tools/scenario/script_check.h"

namespace ferrovello {

// One fault or warning: bytes [da, a) of script `file` (0 line, 1 train),
// where a character is one byte as the check reads them.
struct VoceAnalisi {
  int file = 0;
  size_t da = 0;
  size_t a = 0;
  bool errore = false;
  int32_t codice = 0;  // the fault's number; 0 for a warning
  std::string testo;
  Correzione correzione;
};

// A script given to the check: its text (UTF-8 from an editor, or a file's
// bytes, UTF-8 or Windows-1252) and the name its places carry. A script
// that is not given is stood in for, and nothing of it is reported.
struct ScriptDato {
  bool presente = false;
  std::string etichetta;
  std::string testo;
  // An open document's text, borrowed for the check instead of `testo`:
  // it must outlive the call to analizza.
  const std::string* prestato = nullptr;

  const std::string& bytes() const { return prestato != nullptr ? *prestato : testo; }
};

struct Analisi {
  ScriptDato script[2];  // their texts let go once read
  std::string letto[2];  // the scripts' bytes as the check read them (Windows-1252)
  std::vector<VoceAnalisi> voci;  // in file order, faults and warnings together
  size_t omesse[2] = {};          // per script, the findings past those the check kept
  bool percorso = false;          // a route was compiled
  std::vector<RouteCell> celle;
  std::array<ItemRecord, kItemCount> elementi{};
  int32_t lunghezza = 0;
};

Analisi analizza(ScriptDato linea, ScriptDato treno);

}  // namespace ferrovello
