#include "tools/lsp/analysis.h"

#include <algorithm>

#include "model/fault_numbers.h"
#include "platform/memory_platform.h"
#include "tools/scenario/prepared_scripts.h"
#include "tools/scenario/read_faults.h"
#include "tools/scenario/script_overlay.h"

namespace ferrovello {

namespace {

// A line script that only gives the longest route, for a train script
// checked alone: every position of the train fits on it.
constexpr const char* kLineaSostituta = "[generale]\r\nlunghezza percorso, 1000000\r\n[fine]\r\n";

// The compile's platform: nothing reaches the disk or the streams, and a
// step that would end the program ends only this compile.
struct FineCompilazione {
  int stato;
};
class PiattaformaAnalisi : public MemoryPlatform {
 public:
  std::string ultimo_messaggio;
  void show_message(const std::string& text) override { ultimo_messaggio = text; }

 protected:
  void terminate_program(int status) override { throw FineCompilazione{status}; }
};

// The item that starts at `offset`: to the next comma or line end, its
// trailing blanks left out; at least one byte where there is one.
size_t fine_item(const std::string& b, size_t offset) {
  size_t fine = offset;
  while (fine < b.size() && b[fine] != ',' && b[fine] != '\r' && b[fine] != '\n') ++fine;
  while (fine > offset && (b[fine - 1] == ' ' || b[fine - 1] == '\t')) --fine;
  return fine == offset && offset < b.size() && b[offset] != '\r' && b[offset] != '\n' ? offset + 1 : fine;
}

// "LABEL:LINE:COLUMN: sentence" of a character the code page has not.
VoceAnalisi guasto_di_carattere(const std::string& guasto, const ScriptPreparati& p) {
  VoceAnalisi v;
  v.errore = true;
  size_t offset = 0;
  const size_t due_punti = guasto.find(": ");
  const std::string luogo = guasto.substr(0, due_punti);
  v.file = std::max(0, script_di(luogo, p, offset));
  v.da = offset;
  v.a = offset + 1;
  v.testo = due_punti == std::string::npos ? guasto : guasto.substr(due_punti + 2);
  return v;
}

// The bytes of script `f` as the check read them: while it runs, they are
// the check's own unless a copy was kept.
const std::string& letti_di(const Analisi& r, const ScriptPreparati& p, int f) {
  if (!r.letto[f].empty()) return r.letto[f];
  return f == 0 ? p.linea.bytes : p.treno.bytes;
}

void compila(Analisi& r, const CompileOptions& o, const ScriptPreparati& p) {
  PiattaformaAnalisi base;
  ScriptOverlay overlay(base, true);
  Form1 form(overlay);
  prepara_form(form, overlay, o, p);
  try {
    form.compila_percorso(o.no_line_file ? 0 : 1);
    if (form.route_cells.empty()) {
      if (form.error_code == 0) form.registra_errore(kErroreGuasto);
    } else {
      form.controlla_percorso();
      if (form.error_code == 0) {
        if (const int32_t n = form.timbra_percorso(); n != 0) form.registra_errore(n);
      }
    }
  } catch (const FineCompilazione&) {
    form.diagnostica({kErroreGuasto, false, 0, {}, base.ultimo_messaggio});
  }
  spiega_guasti_di_lettura(form.diagnoses, p);
  std::vector<Diagnosi> diagnosi = form.diagnoses;
  if (diagnosi.empty() && form.error_code != 0) {
    diagnosi.push_back({form.error_code, form.error_position_recorded, form.error_position, {}, {}});
  }
  const int riserva = r.script[0].presente ? 0 : 1;  // where a fault with no place of its own is put
  for (const Diagnosi& d : diagnosi) {
    VoceAnalisi v;
    v.errore = true;
    v.codice = d.codice;
    size_t offset = 0;
    const int file = script_di(d.luogo, p, offset);
    v.file = file >= 0 ? file : riserva;
    v.testo = d.frase;
    if (file < 0 && d.luogo == p.treno.etichetta) v.file = 1;
    if (file < 0 && !d.luogo.empty() && d.luogo != p.linea.etichetta && d.luogo != p.treno.etichetta) {
      v.testo = d.luogo + ": " + d.frase;  // a place on the route, such as a cell
    }
    if (d.con_posizione) {
      if (!v.testo.empty()) v.testo += '\n';
      v.testo.append("Posizione: ").append(std::to_string(d.posizione)).append(" m");
    }
    if (v.testo.empty()) v.testo = testo_errore(std::to_string(d.codice));
    const std::string& b = letti_di(r, p, v.file);
    v.da = file >= 0 ? offset : 0;
    v.a = file >= 0 ? fine_item(b, offset) : fine_item(b, 0);
    // A fault of the route alone says nothing of a script checked alone.
    if (file < 0 && (!r.script[0].presente || !r.script[1].presente)) continue;
    if (!r.script[v.file].presente) continue;
    r.voci.push_back(std::move(v));
  }
  r.percorso = !form.route_cells.empty();
  r.celle = std::move(form.route_cells);
  r.elementi = form.items;
  r.lunghezza = form.items[kElementoTreno].value2;
}

}  // namespace

Analisi analizza(ScriptDato linea, ScriptDato treno) {
  Analisi r;
  if (linea.etichetta.empty()) linea.etichetta = "linea";
  if (treno.etichetta.empty()) treno.etichetta = "treno";
  CompileOptions o;
  o.line = linea.etichetta;
  o.train = treno.etichetta;
  if (!linea.presente) {
    linea.testo = kLineaSostituta;
    linea.prestato = nullptr;
    o.no_line_file = true;
  }
  r.script[0] = std::move(linea);
  r.script[1] = std::move(treno);
  // The texts made Windows-1252 as the check makes a file of the author's;
  // an editor's text is always Unicode, so that its conversion is no news.
  ScriptPreparati p;
  std::vector<std::string> guasti;
  std::vector<Avviso> avvisi;
  TestoScript t[2];
  for (int f = 0; f < 2; ++f) {
    const size_t prima = avvisi.size();
    prepara_testo(r.script[f].etichetta, f, r.script[f].bytes(), t[f], avvisi, guasti);
    if (t[f].bytes != r.script[f].bytes()) avvisi.resize(prima);  // converted: the notice of it goes
    // Read: the given text is not kept with the bytes read from it.
    std::string().swap(r.script[f].testo);
    r.script[f].prestato = nullptr;
  }
  if (!guasti.empty()) {
    for (int f = 0; f < 2; ++f) r.letto[f] = t[f].bytes;
    p.linea = std::move(t[0]);
    p.treno = std::move(t[1]);
    for (const std::string& g : guasti) {
      VoceAnalisi v = guasto_di_carattere(g, p);
      if (r.script[v.file].presente) r.voci.push_back(std::move(v));
    }
    return r;
  }
  o.windows_1252 = true;
  // The check reads the bytes as they are, unless a leading byte-order mark
  // could be dropped again: then from a copy, the bytes read being kept.
  const auto letti = [&](int f) {
    if (t[f].bytes.rfind("\xEF\xBB\xBF", 0) == 0) r.letto[f] = t[f].bytes;
    return std::move(t[f].bytes);
  };
  std::string linea_letta = letti(0);
  std::string treno_letto = letti(1);
  for (TestoScript& testo : t) testo = {};
  PiattaformaAnalisi base;
  const bool preparati = prepara_testi(o, std::move(linea_letta), std::move(treno_letto), base, p);
  // Otherwise the bytes read are the check's own: they go back to the result
  // when the check is done with them.
  const auto restituisci = [&] {
    if (r.letto[0].empty()) r.letto[0] = std::move(p.linea.bytes);
    if (r.letto[1].empty()) r.letto[1] = std::move(p.treno.bytes);
  };
  if (!preparati) {
    restituisci();
    return r;
  }
  p.avvisi.insert(p.avvisi.end(), avvisi.begin(), avvisi.end());
  for (int f = 0; f < 2; ++f) r.omesse[f] = r.script[f].presente ? p.omessi.del_file(f) : 0;
  for (const Avviso& a : p.avvisi) {
    if (!r.script[a.file].presente) continue;
    VoceAnalisi v;
    v.file = a.file;
    v.da = a.offset;
    v.a = fine_item(letti_di(r, p, a.file), a.offset);
    v.testo = a.frase;
    // An error of the check fails `check` as a fault does: it is shown so.
    v.errore = a.gravita == Gravita::errore;
    v.correzione = a.correzione;
    r.voci.push_back(std::move(v));
  }
  compila(r, o, p);
  restituisci();
  std::stable_sort(r.voci.begin(), r.voci.end(), [](const VoceAnalisi& a, const VoceAnalisi& b) {
    return a.file != b.file ? a.file < b.file : a.da < b.da;
  });
  return r;
}

}  // namespace ferrovello
