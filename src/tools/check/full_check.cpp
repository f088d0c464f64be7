#include "tools/check/full_check.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "model/findings_cap.h"
#include "scripts/item_reader.h"
#include "tools/scenario/read_faults.h"
#include "tools/scenario/script_overlay.h"
#include "tools/text/standard_output.h"

namespace ferrovello {

namespace {

// Compilations after the one that reads past the faults, each finding one
// fault more; normally one is enough.
constexpr int kPassateMassime = 5000;
// Faults listed at most; the rest are counted.
constexpr size_t kElencoMassimo = kRilieviTenuti;

// Blanks bytes [da, a) of a script, line ends kept; false when nothing changed.
bool sbianca(std::string& b, size_t da, size_t a) {
  bool cambiato = false;
  for (size_t i = da; i < a && i < b.size(); ++i) {
    if (b[i] != '\r' && b[i] != '\n' && b[i] != ' ') {
      b[i] = ' ';
      cambiato = true;
    }
  }
  return cambiato;
}

std::string blocco(const Diagnosi& d) {
  std::string a = std::to_string(d.codice);
  if (d.con_posizione) a += "\nPosizione: " + std::to_string(d.posizione) + " m";
  const std::string dettaglio = d.luogo.empty() ? d.frase : d.luogo + ": " + d.frase;
  if (!dettaglio.empty()) a += "\n" + dettaglio;
  return testo_errore(a);
}

struct Voce {
  int file;
  size_t offset;
  std::string testo;
  bool guasto = true;  // a fault, not a warning or a note
};

// Where a fault of a script points, and the lines a full check blanks for
// it: those of a read fault, or the line of the fault. False when nothing
// was left to blank (the line is blank already).
bool salta_guasto(const ScriptPreparati& p, ScriptPreparati& copia, int file, size_t offset) {
  std::string& b = file == 0 ? copia.linea.bytes : copia.treno.bytes;
  size_t da = offset;
  size_t a = offset;
  if (const GuastoDiLettura* g = guasto_a(p, file, offset)) {
    da = g->riga_da;
    a = g->riga_a;
  } else {
    while (da > 0 && b[da - 1] != '\n' && b[da - 1] != '\r') --da;
    while (a < b.size() && b[a] != '\n' && b[a] != '\r') ++a;
  }
  return sbianca(b, da, a);
}

// The fault as the report shows it: a read fault in the author's terms, at
// the place the report points to (for file order).
Voce voce_del_guasto(Diagnosi d, const ScriptPreparati& p, int file, size_t offset) {
  const GuastoDiLettura* g = spiega_guasto(d, p, file, offset);
  return {file, g != nullptr ? g->dove : offset, blocco(d)};
}

void compila(Form1& form, ScriptOverlay& overlay, const CompileOptions& o, const ScriptPreparati& copia,
             bool oltre_i_guasti) {
  prepara_form(form, overlay, o, copia);
  form.write_line_file = o.no_line_file ? 0 : 1;
  form.read_past_faults = oltre_i_guasti;
  form.azzera_elementi();
  form.memorizza_dati();
}

// One reading past every faulty line: the faults of the scripts in one
// pass, in time linear in the scripts. Their lines are blanked in `copia`,
// so that the passes after it (which compile as the installer does) find
// the rest, normally none, and the faults of the route checks. Nothing is
// taken from a reading that leaves no route.
void leggi_oltre_i_guasti(const CompileOptions& o, Platform& base, const ScriptPreparati& p,
                          ScriptPreparati& copia, std::vector<Voce>& voci, size_t& omessi) {
  ScriptOverlay overlay(base, true);
  Form1 form(overlay);
  // The faults past those the form keeps are skipped and counted here, as
  // they are found.
  size_t omessi_qui = 0;
  form.diagnosi_non_tenuta = [&](const Diagnosi& d) {
    if (d.script >= 0 && salta_guasto(p, copia, d.script, d.offset)) ++omessi_qui;
  };
  compila(form, overlay, o, copia, true);
  if (form.route_cells.empty()) return;
  for (const Diagnosi& d : form.diagnoses) {
    if (d.script < 0) continue;  // a check after the reading: the passes after this one say it
    if (salta_guasto(p, copia, d.script, d.offset)) voci.push_back(voce_del_guasto(d, p, d.script, d.offset));
  }
  omessi += omessi_qui;
}

}  // namespace

int controllo_completo(const CompileOptions& o, Platform& base, const ScriptPreparati& p, bool una_lettura,
                       int* compilazioni) {
  ScriptPreparati copia = p;  // the scripts with the faulty lines blanked
  std::vector<Voce> voci;
  std::vector<Diagnosi> finali;
  size_t omessi = 0;  // faults found past those listed
  if (una_lettura) leggi_oltre_i_guasti(o, base, p, copia, voci, omessi);
  bool interrotto = true;  // the passes stopped at kPassateMassime
  for (int passata = 0; passata < kPassateMassime; ++passata) {
    if (compilazioni != nullptr) *compilazioni = passata + 1;
    ScriptOverlay overlay(base, true);
    Form1 form(overlay);
    compila(form, overlay, o, copia, false);

    // The first fault in a script, where the compiler found it.
    Diagnosi primo;
    int file = -1;
    size_t offset = 0;
    for (const Diagnosi& d : form.diagnoses) {
      if ((file = script_di(d.luogo, copia, offset)) >= 0) {
        primo = d;
        break;
      }
    }
    spiega_guasti_di_lettura(form.diagnoses, p);
    // Without a route nothing after the fault can be checked.
    if (form.route_cells.empty()) {
      for (const Diagnosi& d : form.diagnoses) {
        size_t o2 = 0;
        const int f2 = script_di(d.luogo, copia, o2);
        voci.push_back({f2 < 0 ? 0 : f2, o2, blocco(d)});
      }
      if (form.diagnoses.empty()) voci.push_back({0, 0, testo_errore("25")});
      interrotto = false;
      break;
    }
    if (file < 0) {
      form.controlla_percorso();
      finali = form.diagnoses;
      omessi += form.diagnoses_omesse;
      interrotto = false;
      break;
    }
    voci.push_back(voce_del_guasto(primo, p, file, offset));
    if (!salta_guasto(p, copia, file, offset)) {  // nothing left to skip: the fault stays
      interrotto = false;
      break;
    }
  }
  if (voci.empty() && finali.empty()) return -1;

  const size_t guasti = voci.size() + finali.size() + omessi + conta(p.avvisi, p.omessi, Gravita::errore);
  const size_t avvisi = conta(p.avvisi, p.omessi, Gravita::avviso);
  const size_t note = conta(p.avvisi, p.omessi, Gravita::nota);
  for (const Avviso& a : p.avvisi) voci.push_back({a.file, a.offset, testo_avviso(a), a.gravita == Gravita::errore});
  std::stable_sort(voci.begin(), voci.end(),
                   [](const Voce& a, const Voce& b) { return a.file != b.file ? a.file < b.file : a.offset < b.offset; });
  size_t elencati = 0;
  for (const Voce& v : voci) {
    if (v.guasto && elencati++ >= kElencoMassimo) continue;
    base.show_message(v.testo);
  }
  for (const Diagnosi& d : finali) {
    if (elencati++ < kElencoMassimo) base.show_message(blocco(d));
  }
  // The faults found past the list, and the warnings and notes past those
  // the check kept.
  const size_t altri = guasti - std::min(elencati, kElencoMassimo);
  if (altri > 0) base.show_message(frase_elenco_fermo(altri, "errori"));
  const size_t altri_avvisi = p.omessi.di(Gravita::avviso) + p.omessi.di(Gravita::nota);
  if (altri_avvisi > 0) base.show_message(frase_elenco_fermo(altri_avvisi, "avvisi"));
  if (interrotto) {
    base.show_message("Il controllo si ferma dopo " + std::to_string(kPassateMassime) +
                      " compilazioni: le righe dopo l'ultimo errore elencato non sono state controllate "
                      "(correggi questi e riprova)");
  }
  const std::string riepilogo = std::to_string(guasti) + (guasti == 1 ? " errore, " : " errori, ") +
                                std::to_string(avvisi) + (avvisi == 1 ? " avviso" : " avvisi") +
                                (note == 0 ? "" : ", " + std::to_string(note) + (note == 1 ? " nota" : " note"));
  stampa(base, riepilogo + "\n");
  return 1;
}

}  // namespace ferrovello
