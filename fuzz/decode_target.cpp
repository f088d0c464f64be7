// Feeds arbitrary bytes to the decoders of the simulator's three files. The
// first byte picks the kind by its value modulo 3 ('0' route, '1' items,
// '2' line); the rest is the file. A file that decodes must encode back to
// the same bytes and dump as a table and as JSON, whole and by place; a
// refused one says why.
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "check.h"
#include "platform/memory_platform.h"
#include "output/encoding.h"
#include "tools/text/cp1252.h"
#include "tools/dump/dump_command.h"
#include "tools/compiled/file_decoders.h"

namespace ferrovello::fuzz {
namespace {

bool percorso(const std::string& bytes, std::string& perche) {
  std::vector<RouteCell> celle;
  if (!decodifica_percorso(bytes, celle, perche)) return false;
  verifica(codifica_percorso(celle) == bytes, "a route file encodes back to its bytes");
  return true;
}

bool elementi(const std::string& bytes, std::string& perche) {
  std::array<ItemRecord, kItemCount> e{};
  if (!decodifica_elementi(bytes, e, perche)) return false;
  bool corti = true;  // the writer cuts longer texts
  for (const ItemRecord& r : e) {
    corti = corti && r.text.size() <= 32767;
    std::string indietro;
    verifica(cp1252_da_utf8(utf8_da_cp1252(r.text), indietro) && indietro == r.text,
             "a text goes to UTF-8 and back unchanged");
  }
  if (corti) verifica(codifica_elementi(e) == bytes, "an item file encodes back to its bytes");
  return true;
}

bool linea(const std::string& bytes, std::string& perche) {
  std::vector<LineValue> t;
  if (!decodifica_linea(bytes, t, perche)) return false;
  verifica(codifica_linea(t) == bytes, "a line file encodes back to its bytes");
  return true;
}

}  // namespace
}  // namespace ferrovello::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ferrovello;
  using namespace ferrovello::fuzz;
  if (size == 0) return 0;
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  static const char* const kTipi[3] = {"percorso", "elementi", "linea"};
  const int tipo = data[0] % 3;
  std::string perche;
  const bool ok = tipo == 0 ? percorso(bytes, perche) : tipo == 1 ? elementi(bytes, perche) : linea(bytes, perche);
  if (!ok) {
    verifica(!perche.empty(), "a refused file says why");
    return 0;
  }
  MemoryPlatform p;
  p.files["file"] = bytes;
  for (const bool json : {false, true}) {
    DumpOptions o;
    o.file = "file";
    o.tipo = kTipi[tipo];
    o.json = json;
    verifica(esegui_dump(o, p) == 0, "a decoded file dumps");
    if (tipo == 1) continue;
    // By place: a stretch at the start, whatever the file's length.
    o.from = "0";
    o.to = "120";
    const int stato = esegui_dump(o, p);
    verifica(stato == 0 || stato == 1, "a decoded file dumps by place or says why not");
  }
  return 0;
}
