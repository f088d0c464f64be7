#include "tools/package/package_command.h"

#include <cstdio>
#include <optional>

#include "app/installer_mark.h"
#include "app/package_payload.h"
#include "tools/text/standard_output.h"
#include "tools/text/windows_text.h"

namespace ferrovello {

namespace {

// Reads an author's text and turns it into the bytes the installer writes.
bool testo_autore(Platform& base, const std::string& nome, std::string& out, uint64_t massimo, const char* cosa) {
  std::string utf8;
  if (!leggi_file(base, nome, utf8, massimo, cosa)) return false;
  std::string perche;
  if (testo_windows(utf8, out, perche)) return true;
  base.show_message(nome + ":" + perche);
  return false;
}

bool documento(Platform& base, const std::string& nome, std::optional<std::string>& doc) {
  if (nome.empty()) return true;
  doc.emplace();
  return testo_autore(base, nome, *doc, kMassimoTesto, "un documento");
}

// The installer's mark, put together while the tool runs: the tool's own
// file holds it only reversed.
std::string marchio_a_runtime() {
  const volatile char* rovesciato = kMarchioRovesciato;
  std::string m(kLunghezzaMarchio, '\0');
  for (size_t i = 0; i < kLunghezzaMarchio; ++i) m[i] = rovesciato[kLunghezzaMarchio - 1 - i];
  return m;
}

// The installer a package starts from: a program of the chosen system that
// carries no package yet.
bool stub_valido(Platform& base, const PackageOptions& o, const std::string& stub) {
  const std::string atteso = o.windows ? std::string("MZ") : std::string("\x7F" "ELF");
  const std::string sistema = o.windows ? "Windows" : "Linux";
  if (stub.compare(0, atteso.size(), atteso) != 0) {
    base.show_message("Il file \"" + o.stub + "\" non è un programma per " + sistema +
                      ": serve l'installatore per " + sistema + " (--stub)");
    return false;
  }
  if (stub.find(marchio_a_runtime()) == std::string::npos) {
    base.show_message("Il file \"" + o.stub + "\" non è un installatore di questo progetto: serve l'installatore per " +
                      sistema + " (--stub)");
    return false;
  }
  Pacchetto gia;
  std::string perche;
  if (pacchetto_dei_byte(stub, gia, perche) != EsitoCoda::assente) {
    base.show_message("Il file \"" + o.stub + "\" contiene già uno scenario: serve l'installatore senza pacchetto");
    return false;
  }
  return true;
}

}  // namespace

std::string installatore_predefinito(Platform& base, bool windows) {
  const std::string cartella = base.program_folder();
  const std::string s(1, base.separator());
  const std::string nome = windows ? "Ferrovello.exe" : "ferrovello";
  const std::string accanto = cartella + s + nome;
  const std::string installato = cartella + s + ".." + s + "share" + s + "ferrovello" + s + nome;
  return !base.exists(accanto) && base.exists(installato) ? installato : accanto;
}

int esegui_package(const PackageOptions& o, Platform& base) {
  Pacchetto p;
  p.nome = o.scripts.name;
  p.numero_treno = o.scripts.train_number;
  // The scripts are read as `check` reads them: UTF-8 is converted (a
  // note), anything else is taken as Windows-1252 already. The check
  // compiles them as the package will carry them; its findings are shown as
  // `check` shows them, and a fault (or an error of the check) ends the
  // program here, before anything is written.
  // The line ends become the installer's first: they are the same in
  // either encoding, and the lines and columns reported stay the author's.
  CompileOptions controllo_opzioni = o.scripts;
  controllo_opzioni.avvisi = true;
  std::string linea;
  std::string treno;
  if (!leggi_script(o.scripts, base, linea, treno)) return 1;
  ScriptPreparati preparati;
  if (!prepara_testi(controllo_opzioni, righe_windows(linea), righe_windows(treno), base, preparati)) return 1;
  const int controllo = compila_preparati(controllo_opzioni, base, true, preparati, [](Form1&) { return 0; });
  if (controllo != 0) return controllo;
  p.script_linea = preparati.linea.bytes;
  p.script_treno = preparati.treno.bytes;
  if (!documento(base, o.notes, p.note) || !documento(base, o.slow_orders, p.rallentamenti) ||
      !documento(base, o.card, p.scheda)) {
    return 1;
  }

  if (!base.exists(o.stub)) {
    base.show_message("Manca l'installatore da cui partire, \"" + o.stub + "\": indicalo con --stub (" +
                      (o.windows ? "make windows costruisce Ferrovello.exe" : "make costruisce ferrovello") + ")");
    return 1;
  }
  std::string stub;
  if (!leggi_file(base, o.stub, stub, kMassimoInstallatore, "un installatore") || !stub_valido(base, o, stub)) return 1;
  const std::string carico = codifica_carico(p);
  Pacchetto verifica;
  std::string perche;
  if (carico.size() > kMassimoCarico || !decodifica_carico(carico, verifica, perche)) {
    base.show_message("Lo scenario non entra in un pacchetto: " + (perche.empty() ? "troppo grande" : perche));
    return 1;
  }
  std::string programma;
  programma.reserve(stub.size() + carico.size() + kLunghezzaCoda);
  programma += stub;
  programma += carico;
  programma += coda_del_carico(carico);
  if (!base.write_named_output(o.out, programma, true, perche)) {
    base.show_message("Impossibile scrivere il file \"" + o.out + "\": " + perche);
    return 1;
  }
  stampa(base, o.out + "\n");
  return 0;
}

}  // namespace ferrovello
