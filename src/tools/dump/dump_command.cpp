#include "tools/dump/dump_command.h"

#include <nlohmann/json.hpp>

#include "platform/visible_text.h"
#include "tools/compiled/file_decoders.h"
#include "tools/scenario/prepared_scripts.h"
#include "tools/dump/dump_place.h"
#include "tools/text/standard_output.h"

namespace ferrovello {

namespace {

using nlohmann::ordered_json;

void tabella_percorso(const std::vector<RouteCell>& celle, std::string& out) {
  out += intestazione_percorso(false);
  for (size_t i = 0; i < celle.size(); ++i) out += riga_percorso(i, celle[i], nullptr);
}

void tabella_elementi(const std::array<ItemRecord, kItemCount>& it, std::string& out) {
  for (size_t i = 1; i < kItemCount; ++i) {
    if (i <= 80 && !e_stazione(it[i]) && it[i].text.empty()) continue;
    out += riga_elemento(i, it[i]);
  }
}

void tabella_linea(const std::vector<LineValue>& t, std::string& out) {
  const size_t metri = t.size() / 2;
  out += colonne_linea("metro", "cella", nullptr, "x", "y");
  for (size_t m = 0; m < metri; ++m) {
    out += colonne_linea(std::to_string(m), std::to_string(cella_di(static_cast<int64_t>(m))), nullptr,
                         valore_linea(t[m]), valore_linea(t[metri + m]));
  }
}

ordered_json json_percorso(const std::vector<RouteCell>& celle) {
  ordered_json a = ordered_json::array();
  for (const RouteCell& c : celle) a.push_back(json_cella(c));
  return {{"file", "percorso"}, {"cells", a}};
}

ordered_json json_elementi(const std::array<ItemRecord, kItemCount>& it) {
  ordered_json a = ordered_json::array();
  for (const ItemRecord& r : it) a.push_back(json_elemento(r));
  return {{"file", "elementi"}, {"items", a}};
}

ordered_json json_linea(const std::vector<LineValue>& t) {
  const size_t metri = t.size() / 2;
  ordered_json e0 = ordered_json::array();
  ordered_json e1 = ordered_json::array();
  for (size_t m = 0; m < metri; ++m) {
    e0.push_back(json_valore(t[m]));
    e1.push_back(json_valore(t[metri + m]));
  }
  return {{"file", "linea"}, {"metres", metri}, {"entry0", e0}, {"entry1", e1}};
}

}  // namespace

namespace {

// The dump into `out`; the exit status. A file that cannot be read is said
// so before its kind is looked at: a folder or a missing file is status 1.
int dump_in(const DumpOptions& o, Platform& platform, std::string& out) {
  if (o.tipo.empty() && o.file == "-") {
    platform.show_message("Dallo standard input serve --type: percorso, elementi o linea");
    return 2;
  }
  std::string bytes;
  std::string perche;
  // Read no further than the largest file of any kind: a larger one is
  // refused below without being held whole.
  bool troppo = false;
  if (o.file == "-" ? !platform.read_input_up_to(kMassimoLinea, bytes, troppo, perche)
                    : !platform.read_file_up_to(o.file, kMassimoLinea, bytes, troppo, perche)) {
    platform.show_message("Impossibile leggere " +
                          (o.file == "-" ? std::string("lo standard input") : "il file \"" + o.file + "\"") + ": " +
                          perche);
    return 1;
  }
  TipoFile tipo{};
  if (o.tipo == "percorso") {
    tipo = TipoFile::percorso;
  } else if (o.tipo == "elementi") {
    tipo = TipoFile::elementi;
  } else if (o.tipo == "linea") {
    tipo = TipoFile::linea;
  } else if (!tipo_da_nome(o.file, tipo)) {
    platform.show_message("Non so che file sia \"" + o.file +
                          "\": il nome deve finire in \"_linea.dat\", \".sim\" o \".dat\" (oppure usa --type)");
    return 2;
  }
  if (tipo == TipoFile::elementi && per_luogo(o)) {
    platform.show_message("--at, --from, --to e --sim valgono per un file del percorso (.dat) o della linea (_linea.dat)");
    return 2;
  }
  if (troppo || bytes.size() > dimensione_massima(tipo)) {
    segnala_troppo_grande(platform, o.file == "-" ? "-" : o.file, dimensione_massima(tipo), nome_del_tipo(tipo));
    return 1;
  }
  ordered_json j;
  bool ok = false;
  if (tipo == TipoFile::percorso) {
    std::vector<RouteCell> celle;
    ok = decodifica_percorso(bytes, celle, perche);
    if (ok && per_luogo(o)) return dump_percorso_per_luogo(o, platform, celle, out);
    if (ok && o.json) j = json_percorso(celle);
    if (ok && !o.json) tabella_percorso(celle, out);
  } else if (tipo == TipoFile::elementi) {
    std::array<ItemRecord, kItemCount> elementi{};
    ok = decodifica_elementi(bytes, elementi, perche);
    if (ok && o.json) j = json_elementi(elementi);
    if (ok && !o.json) tabella_elementi(elementi, out);
  } else {
    std::vector<LineValue> tabella;
    ok = decodifica_linea(bytes, tabella, perche);
    if (ok && per_luogo(o)) return dump_linea_per_luogo(o, platform, tabella, out);
    if (ok && o.json) j = json_linea(tabella);
    if (ok && !o.json) tabella_linea(tabella, out);
  }
  if (!ok) {
    platform.show_message(forma_inattesa(o.file, perche));
    return 1;
  }
  if (o.json) scrivi(out, "%s\n", j.dump().c_str());
  return 0;
}

}  // namespace

int esegui_dump(const DumpOptions& o, Platform& platform) {
  std::string out;
  const int stato = dump_in(o, platform, out);
  if (stato != 0 && out.empty()) return stato;
  // A table shows the texts of the file (station names, signboards) with
  // their control characters written out; JSON escapes its own.
  if (!o.json) out = visible_text(out);
  return scrivi_uscita(platform, o.out, out) ? stato : 1;
}

}  // namespace ferrovello
