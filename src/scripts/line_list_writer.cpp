#include "model/form1.h"
#include "scripts/line_list.h"

namespace ferrovello {

std::string testo_lista(const LineList& lista, int32_t& loop_index) {
  std::string bytes;
  for (int32_t i = 0; i < kLineListCapacity; ++i) {
    loop_index = i;
    const std::string& riga = lista[static_cast<size_t>(i)];
    if (riga == kEndMarker) break;
    bytes += riga;
    bytes += "\r\n";
  }
  return bytes;
}

std::string Form1::nome_file(const std::string& nome) {
  return platform.program_folder() + platform.separator() + nome;
}

// The file is replaced whole: its new content goes to a temporary file that
// then takes its place, so a failure never leaves it missing or short.
void Form1::scrivi_lista(const std::string& nome, const LineList& lista) {
  scrivi_file(nome, testo_lista(lista, loop_index));
}

}  // namespace ferrovello
