#include "tools/view/view_command.h"

#include "output/encoding.h"
#include "tools/text/cp1252.h"
#include "tools/compiled/file_decoders.h"
#include "tools/text/standard_output.h"
#include "tools/view/view_data.h"
#include "tools/view/view_page.h"

namespace ferrovello {

namespace {

int scrivi_pagina(const ViewOptions& o, const DatiVista& d, Platform& base) {
  const std::string pagina = pagina_vista(d.nome + " · treno " + d.treno, json_vista(d));
  return scrivi_uscita(base, o.out, pagina) ? 0 : 1;
}

int da_file(const ViewOptions& o, Platform& base) {
  DatiVista d;
  DatiGrafico& g = d.grafico;
  std::string bytes;
  std::string perche;
  if (!leggi_file(base, o.dat, bytes, kMassimoPercorso, nome_del_tipo(TipoFile::percorso))) return 1;
  bool ok = decodifica_percorso(bytes, g.celle, perche);
  if (ok) {
    if (!leggi_file(base, o.sim, bytes, kMassimoElementi, nome_del_tipo(TipoFile::elementi))) return 1;
    ok = decodifica_elementi(bytes, g.elementi, perche);
    g.con_elementi = ok;
  }
  if (ok && !o.line_file.empty()) {
    if (!leggi_file(base, o.line_file, bytes, kMassimoLinea, nome_del_tipo(TipoFile::linea))) return 1;
    ok = decodifica_linea(bytes, g.linea, perche);
  }
  if (!ok) {
    base.show_message("Un file non ha la forma attesa: " + perche);
    return 1;
  }
  d.nome = utf8_da_cp1252(g.elementi[85].text);
  d.treno = utf8_da_cp1252(g.elementi[86].text);
  return scrivi_pagina(o, d, base);
}

}  // namespace

bool dati_da_script(const CompileOptions& scripts, Platform& base, DatiVista& d, int& stato) {
  // The data are made after a fault too: its list says what to mend. The
  // warnings are shown as `check` shows them and listed after the faults.
  CompileOptions c = scripts;
  c.force = true;
  c.avvisi = true;
  ScriptPreparati p;
  if (!prepara_script(c, base, p)) return false;
  stato = compila_preparati(c, base, true, p, [&](Form1& f) {
    d.grafico.linea = valori_linea(f.line_table);
    d.grafico.celle = f.route_cells;
    d.grafico.elementi = f.items;
    d.grafico.con_elementi = true;
    d.nome = f.scenario_name;
    d.treno = f.train_number;
    d.elenco = voci_diagnosi(f.diagnoses, scripts.line, p.linea.bytes, scripts.train, p.treno.bytes);
    d.non_compilato_da = metro_non_compilato(f);
    for (VoceElenco& v : voci_avvisi(p.avvisi, p.linea.bytes, p.treno.bytes)) d.elenco.push_back(std::move(v));
    return 0;
  });
  return true;
}

int esegui_view(const ViewOptions& o, Platform& base) {
  if (o.scripts.line.empty()) return da_file(o, base);
  // The page is written after a fault too; the status is then 1.
  DatiVista d;
  int esito = 0;
  if (!dati_da_script(o.scripts, base, d, esito)) return 1;
  const int stato = scrivi_pagina(o, d, base);
  return esito != 0 ? esito : stato;
}

}  // namespace ferrovello
