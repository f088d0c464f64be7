// Feeds arbitrary bytes to the installer as the end of its own file, the
// package of an author's scenario, and runs the whole installer on a
// platform in memory: the trailer and the payload read, then, when they
// hold, the scripts and documents written and the route compiled, checked
// and saved.
//
// The first byte says how the rest is taken: even, as a payload, which gets
// a sound trailer (its length and checksum) so that the decoder of the
// payload sees every input; 1 modulo 4, as the program's file as it
// stands, so that the trailer's reader sees arbitrary ends of files too;
// 3 modulo 4, as a program cut short: headers of an ELF or a PE program
// (the second byte chooses) that declare it longer than it is, followed
// by the rest, which must be refused as damaged whatever follows.
//
// The mutator keeps a payload that decodes decodable three times in four:
// it changes one field (the scripts with fuzz_compile's line mutations, a
// name or a document with libFuzzer's byte mutations) or gives or takes a
// document, and writes the fields back with their lengths.
//
// A payload that decodes, in either way, has its route length folded
// (fold.h) before the run, as fuzz_compile does; with FUZZ_ROTTA_INTERA=1
// nothing is folded.
//
// What must hold: a package refused ends the run with status 1, one message
// and nothing written; one accepted writes the two scripts and every
// document it carries, byte for byte, then either the three files of the
// route (status 0) or a message (status 1).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "app/package_payload.h"
#include "check.h"
#include "fold.h"
#include "mutator.h"
#include "model/form1.h"
#include "platform/memory_platform.h"

namespace ferrovello::fuzz {
namespace {

bool rotta_intera = false;     // FUZZ_ROTTA_INTERA=1: no folding
bool mostra_messaggi = false;  // FUZZ_MESSAGGI=1: the installer's messages on stderr

// Inputs by what became of them, printed at the end with FUZZ_STATISTICHE=1.
long eseguiti = 0;
long senza_pacchetto = 0;  // files with no package: nothing run
long rifiutati = 0;        // packages refused before anything is written
long falliti = 0;          // packages accepted whose run ended with a message
long installati = 0;       // packages installed, status 0

void stampa_statistiche() {
  std::fprintf(stderr, "fuzz_payload: %ld inputs: %ld without a package, %ld refused, %ld ended with a message, %ld installed\n",
               eseguiti, senza_pacchetto, rifiutati, falliti, installati);
}

// The end of the run, carried out of the installer's members.
struct Fine {
  int status;
};

class PiattaformaDelPacchetto : public MemoryPlatform {
 public:
  int messaggi = 0;
  void show_message(const std::string& testo) override {
    ++messaggi;
    if (mostra_messaggi) std::fprintf(stderr, "%s\n", testo.c_str());
  }

 protected:
  void terminate_program(int status) override { throw Fine{status}; }
};

// Runs the installer on `p`; its status.
int installa(Form1& f) {
  // The room of the line table goes from input to input, so that it is
  // allocated once and not for every input.
  static LineTable stanza;
  std::swap(stanza, f.line_table);
  int status = -1;
  try {
    f.on_load();
  } catch (const Fine& fine) {
    status = fine.status;
  }
  std::swap(stanza, f.line_table);
  return status;
}

// A document of the package: written as it stands when given, not at all when not.
void documento(const PiattaformaDelPacchetto& p, const std::string& nome, const std::optional<std::string>& testo) {
  const auto it = p.files.find(nome);
  verifica(testo ? it != p.files.end() && it->second == *testo : it == p.files.end(),
           "a document is written as the package carries it, and only then");
}

void metti(std::string& out, size_t da, uint64_t v, int byte) {
  for (int i = 0; i < byte; ++i) out[da + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFFu);
}

// Headers of a program `fine` bytes long, followed by `resto`; the program
// is cut short when `fine` exceeds the whole.
std::string programma_tagliato(bool pe, uint64_t fine, const std::string& resto) {
  std::string testa(128, '\0');
  if (!pe) {
    testa.replace(0, 6, std::string("\x7F" "ELF\x02\x01", 6));
    metti(testa, 0x20, 64, 8);          // program headers right after these
    metti(testa, 0x28, fine - 64, 8);   // section headers: the last 64 bytes
    metti(testa, 0x36, 0x38, 2);
    metti(testa, 0x38, 1, 2);
    metti(testa, 0x3A, 64, 2);
    metti(testa, 0x3C, 1, 2);
    metti(testa, 64 + 0x20, 120, 8);    // one segment, the headers' own bytes
  } else {
    testa.replace(0, 2, "MZ");
    metti(testa, 0x3C, 64, 4);
    testa.replace(64, 4, std::string("PE\0\0", 4));
    metti(testa, 64 + 6, 1, 2);         // one section, no optional header
    metti(testa, 88 + 16, fine - 100, 4);
    metti(testa, 88 + 20, 100, 4);
  }
  return testa + resto;
}

void esegui(const std::string& programma) {
  Pacchetto atteso;
  std::string perche;
  const EsitoCoda esito = pacchetto_dei_byte(programma, atteso, perche);
  verifica((esito == EsitoCoda::valida || esito == EsitoCoda::assente) == perche.empty(),
           "a package refused says why");
  // A file with no package installs the program's own scenario, which
  // tells nothing about the input.
  if (esito == EsitoCoda::assente) {
    ++senza_pacchetto;
    return;
  }
  PiattaformaDelPacchetto p;
  p.keep_deleted = true;  // the scripts stay, to be compared
  p.program_file = programma;
  Form1 f(p);
  const int status = installa(f);
  verifica(status == 0 || status == 1, "the run ends with status 0 or 1");
  verifica(status == 0 || p.messaggi == 1, "a run that fails says why, once");

  if (esito != EsitoCoda::valida) {
    verifica(status == 1 && p.written.empty(), "a package refused writes nothing");
    ++rifiutati;
    return;
  }
  ++(status == 0 ? installati : falliti);
  verifica(f.scenario_name == atteso.nome && f.train_number == atteso.numero_treno, "the run takes the package's names");
  const auto script = [&](const std::string& nome, const std::string& testo) {
    const auto it = p.files.find(f.nome_file(nome));
    verifica(it != p.files.end() && it->second == testo, "a script is written as the package carries it");
  };
  script(f.nome_script_linea(), atteso.script_linea);
  script(f.nome_script_treno(), atteso.script_treno);
  const std::string base = f.nome_file(atteso.nome + "_" + atteso.numero_treno);
  documento(p, base + "_note.txt", atteso.note);
  documento(p, base + "_rallentamenti.txt", atteso.rallentamenti);
  documento(p, base + "_scheda_treno.txt", atteso.scheda);
  const bool binari = p.written.count(base + ".dat") != 0 && p.written.count(base + ".sim") != 0 &&
                      p.written.count(f.nome_file(atteso.nome + "_linea.dat")) != 0;
  verifica(status == 1 || binari, "a run that ends well writes the three files of the route");
}

// A payload that decodes with its route length folded; any other as it is.
std::string piegato(const std::string& carico) {
  Pacchetto p;
  std::string perche;
  if (rotta_intera || !decodifica_carico(carico, p, perche)) return carico;
  p.script_linea = piega_lunghezza(p.script_linea);
  return codifica_carico(p);
}

// A field of `p` mutated, or a document given or taken.
void muta_campo(Pacchetto& p, unsigned int seme) {
  const auto bytes = [&](std::string& campo) {
    const size_t massimo = campo.size() + 64;
    campo.resize(massimo);
    campo.resize(LLVMFuzzerMutate(reinterpret_cast<uint8_t*>(campo.data()), massimo - 64, massimo));
  };
  std::optional<std::string>* const documenti[3] = {&p.note, &p.rallentamenti, &p.scheda};
  switch ((seme >> 3) % 8) {
    case 0:
    case 1:
    case 2:
    case 3: {  // the two scripts, as fuzz_compile mutates them
      std::string testo = p.script_linea;
      if (testo.empty() || testo.back() != '\n') testo += '\n';
      testo += "~~~~\n" + p.script_treno;
      Mutatore(seme).muta(testo);
      const size_t at = testo.find(kSeparatore);
      if (at == std::string::npos) {
        p.script_linea = testo;
        return;
      }
      p.script_linea = testo.substr(0, at + 1);
      p.script_treno = testo.substr(at + kSeparatore.size());
      return;
    }
    case 4:
      return bytes((seme >> 6) % 2 == 0 ? p.nome : p.numero_treno);
    case 5: {
      std::optional<std::string>& d = *documenti[(seme >> 6) % 3];
      if (d) return bytes(*d);
      d.emplace("Documento\r\n");
      return;
    }
    default:
      documenti[(seme >> 6) % 3]->reset();
  }
}

}  // namespace
}  // namespace ferrovello::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  using namespace ferrovello::fuzz;
  rotta_intera = acceso("FUZZ_ROTTA_INTERA");
  mostra_messaggi = acceso("FUZZ_MESSAGGI");
  if (acceso("FUZZ_STATISTICHE")) std::atexit(stampa_statistiche);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ferrovello;
  using namespace ferrovello::fuzz;
  if (size == 0) return 0;
  ++eseguiti;
  const std::string resto(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((data[0] & 3u) == 3) {
    // Declared one to 256 bytes longer than it is.
    const bool pe = !resto.empty() && (resto[0] & 1) != 0;
    const uint64_t fine = 128 + resto.size() + 1 + (resto.empty() ? 0 : static_cast<unsigned char>(resto.back()));
    const std::string programma = programma_tagliato(pe, fine, resto);
    Pacchetto p;
    std::string perche;
    verifica(pacchetto_dei_byte(programma, p, perche) == EsitoCoda::danneggiata,
             "a program shorter than its headers declare is refused as damaged");
    esegui(programma);
    return 0;
  }
  if ((data[0] & 1u) == 0) {
    const std::string carico = piegato(resto);
    esegui(carico + coda_del_carico(carico));
    return 0;
  }
  // A file whose package holds has it folded too, behind the same bytes.
  Pacchetto p;
  std::string perche;
  if (rotta_intera || pacchetto_dei_byte(resto, p, perche) != EsitoCoda::valida) {
    esegui(resto);
    return 0;
  }
  const size_t coda = std::min(resto.size(), kFinestraCoda);
  const uint64_t lunghezza = esamina_coda(std::string_view(resto).substr(resto.size() - coda), resto.size()).lunghezza;
  const std::string carico = piegato(resto.substr(resto.size() - kLunghezzaCoda - lunghezza, lunghezza));
  esegui(resto.substr(0, resto.size() - kLunghezzaCoda - lunghezza) + carico + coda_del_carico(carico));
  return 0;
}

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned int seed) {
  using namespace ferrovello;
  using namespace ferrovello::fuzz;
  Pacchetto p;
  std::string perche;
  if (size < 1 || (data[0] & 1u) != 0 || (seed & 3u) == 0 ||
      !decodifica_carico(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1), p, perche)) {
    return LLVMFuzzerMutate(data, size, max_size);
  }
  muta_campo(p, seed);
  const std::string carico = codifica_carico(p);
  if (carico.size() + 1 > max_size) return LLVMFuzzerMutate(data, size, max_size);
  std::memcpy(data + 1, carico.data(), carico.size());
  return carico.size() + 1;
}
