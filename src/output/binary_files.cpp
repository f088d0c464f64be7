// The three files the simulator loads: plain little-endian dumps of the line
// table, the item table and the route cells, built in memory and written in
// one piece each.
#include <cstring>
#include <string>

#include "model/form1.h"
#include "output/encoding.h"

namespace ferrovello {

void Form1::scrivi_file(const std::string& nome, const std::string& bytes) {
  const std::string percorso = nome_file(nome);
  std::string perche;
  if (!platform.replace_file(percorso, bytes, perche)) {
    guasto_file("scrivere", percorso, perche);
  }
}

void Form1::scrivi_file_linea() { scrivi_file(scenario_name + "_linea.dat", codifica_linea(line_table)); }

void Form1::scrivi_file_elementi() {
  scrivi_file(scenario_name + "_" + train_number + ".sim", codifica_elementi(items));
}

void Form1::scrivi_file_percorso() {
  scrivi_file(scenario_name + "_" + train_number + ".dat", codifica_percorso(route_cells));
}

}  // namespace ferrovello
