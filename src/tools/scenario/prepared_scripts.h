// The room every command of the authors' tool stands on: the author's two
// scripts read and made Windows-1252, read by the authors' check, and
// compiled through the installer's own run, in memory or into a folder.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "app/package_payload.h"  // nome_non_valido
#include "model/form1.h"
#include "platform/platform.h"
#include "tools/scenario/script_check.h"

namespace ferrovello {


struct CompileOptions {
  std::string line;
  std::string train;
  std::string out;
  std::string name = kNomeScenario;
  std::string train_number = kNumeroTreno;
  bool no_line_file = false;
  bool force = false;
  bool avvisi = false;  // warnings printed after the faults (check, compile)
  bool strict = false;  // a warning (not a note) makes the exit status 1
  bool all = false;     // check: every fault of both scripts in one pass
  bool windows_1252 = false;  // the scripts are Windows-1252 already (an editor's, converted): never converted again
};

// Compiles the author's two scripts through the installer's own run
// (`memorizza_percorso`), serving them from memory so that the author's
// files are never deleted or changed. The binary files go to the program
// folder of `base`, or stay in memory with `in_memoria`. A fault is reported
// and ends the program with status 1 (with `force` the files are written
// first and `dopo` still runs on what was built, its status ignored);
// otherwise `dopo` runs on the compiled model and gives the status.
int compila_script(const CompileOptions& o, Platform& base, bool in_memoria, const std::function<int(Form1&)>& dopo);
// The same, for scripts already read: `linea` and `treno` are their bytes,
// shown under the names o.line and o.train.
int compila_testi(const CompileOptions& o, std::string linea, std::string treno, Platform& base, bool in_memoria,
                  const std::function<int(Form1&)>& dopo);

// The author's two scripts made Windows-1252 and read by the authors' check.
struct ScriptPreparati {
  TestoScript linea;
  TestoScript treno;
  ControlloScript controllo;
  std::vector<Avviso> avvisi;  // of the text and of the check, in file order: the first kRilieviTenuti
  Omessi omessi;               // the findings after those
};
// Reads the two scripts' bytes (one of them may be "-", standard input);
// false, with the fault reported, when one cannot be read.
bool leggi_script(const CompileOptions& o, Platform& base, std::string& linea, std::string& treno);
// Reads and prepares the two scripts; false, with the fault reported, when
// a file cannot be read or holds a character without a place in the code page.
bool prepara_script(const CompileOptions& o, Platform& base, ScriptPreparati& p);
// The same for scripts already read.
bool prepara_testi(const CompileOptions& o, std::string linea, std::string treno, Platform& base, ScriptPreparati& p);
class ScriptOverlay;
// Gives a form on `overlay` the author's names and labels and serves the two
// prepared scripts under the names the compiler opens.
void prepara_form(Form1& form, ScriptOverlay& overlay, const CompileOptions& o, const ScriptPreparati& p);
// compila_script on scripts already prepared. With `o.avvisi` the findings
// are printed after the faults, an error of the check makes the status 1,
// and with `o.strict` so does a warning (never a note).
int compila_preparati(const CompileOptions& o, Platform& base, bool in_memoria, const ScriptPreparati& p,
                      const std::function<int(Form1&)>& dopo);

// Creates the folder the tool writes into; a failure is reported.
bool crea_cartella(Platform& base, const std::string& cartella);

// The largest script the tool reads: far beyond any route's (the generated
// line script of the longest route, 1000000 m, takes 160 KB).
inline constexpr uint64_t kMassimoScript = uint64_t{16} << 20;
// The largest installer the tool packages from, and document it carries.
inline constexpr uint64_t kMassimoInstallatore = uint64_t{64} << 20;

// Reads a file the author named ("-" the standard input), of at most `massimo` bytes (`cosa` says
// what the file is, for the message); a failure or a larger file is
// reported, naming the file, and a larger one is never read whole.
bool leggi_file(Platform& base, const std::string& nome, std::string& bytes, uint64_t massimo, const char* cosa);
// The message for a file beyond its kind's largest size.
void segnala_troppo_grande(Platform& base, const std::string& nome, uint64_t massimo, const char* cosa);

}  // namespace ferrovello
