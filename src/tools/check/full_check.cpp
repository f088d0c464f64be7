#include "tools/check/full_check.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "scripts/item_reader.h"
#include "tools/scenario/read_faults.h"
#include "tools/scenario/script_overlay.h"
#include "tools/text/standard_output.h"

namespace ferrovello {

namespace {

constexpr int kPassateMassime = 5000;

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
};

}  // namespace

int controllo_completo(const CompileOptions& o, Platform& base, const ScriptPreparati& p) {
  ScriptPreparati copia = p;  // the scripts with the faulty lines blanked
  std::vector<Voce> voci;
  std::vector<Diagnosi> finali;
  bool interrotto = true;  // the list stopped at kPassateMassime faults
  for (int passata = 0; passata < kPassateMassime; ++passata) {
    ScriptOverlay overlay(base, true);
    Form1 form(overlay);
    prepara_form(form, overlay, o, copia);
    form.write_line_file = o.no_line_file ? 0 : 1;
    form.azzera_elementi();
    form.memorizza_dati();

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
      interrotto = false;
      break;
    }
    std::vector<Diagnosi> spiegato{primo};
    spiega_guasti_di_lettura(spiegato, p);
    size_t dove = offset;  // where the report points, for file order
    script_di(spiegato[0].luogo, copia, dove);
    voci.push_back({file, dove, blocco(spiegato[0])});
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
    if (!sbianca(b, da, a)) {  // nothing left to skip: the fault stays
      interrotto = false;
      break;
    }
  }
  if (voci.empty() && finali.empty()) return -1;

  const size_t guasti = voci.size() + finali.size() + conta(p.avvisi, Gravita::errore);
  const size_t avvisi = p.avvisi.size() - conta(p.avvisi, Gravita::errore) - conta(p.avvisi, Gravita::nota);
  const size_t note = conta(p.avvisi, Gravita::nota);
  for (const Avviso& a : p.avvisi) voci.push_back({a.file, a.offset, testo_avviso(a)});
  std::stable_sort(voci.begin(), voci.end(),
                   [](const Voce& a, const Voce& b) { return a.file != b.file ? a.file < b.file : a.offset < b.offset; });
  for (const Voce& v : voci) base.show_message(v.testo);
  for (const Diagnosi& d : finali) base.show_message(blocco(d));
  // Said, never left to be guessed from a round number.
  if (interrotto) {
    base.show_message("L'elenco si ferma ai primi " + std::to_string(kPassateMassime) +
                      " errori: le righe dopo l'ultimo non sono state controllate (correggi questi e riprova)");
  }
  const std::string riepilogo = std::to_string(guasti) + (guasti == 1 ? " errore, " : " errori, ") +
                                std::to_string(avvisi) + (avvisi == 1 ? " avviso" : " avvisi") +
                                (note == 0 ? "" : ", " + std::to_string(note) + (note == 1 ? " nota" : " note"));
  stampa(base, riepilogo + "\n");
  return 1;
}

}  // namespace ferrovello
