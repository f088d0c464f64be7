// The three files the simulator loads: plain little-endian dumps of the line
// table, the item table and the route cells, built in memory and written in
// one piece each (the line file in pieces as its table is laid, where the
// platform can: line_file_writer.cpp). The line table is kept in its file's
// layout, so its file is written straight from the table.
#include <cstring>
#include <string>

#include "model/form1.h"
#include "output/encoding.h"

namespace ferrovello {

void Form1::scrivi_file(const std::string& nome, std::string_view bytes) {
  const std::string percorso = nome_file(nome);
  std::string perche;
  if (!platform.replace_file(percorso, bytes, perche)) {
    guasto_file("scrivere", percorso, perche);
  }
}

void Form1::scrivi_file_elementi() {
  scrivi_file(nome_treno() + ".sim", codifica_elementi(items));
}

void Form1::scrivi_file_percorso() {
  scrivi_file(nome_treno() + ".dat", codifica_percorso(route_cells));
}

}  // namespace ferrovello
