// The command-line options of `dump` by place and of `diff`, for the tool's
// command line (scenario_tool.cpp), which alone includes this.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

#include "app/package_payload.h"  // nome_non_valido
#include "tools/diff/diff_command.h"
#include "tools/dump/dump_place.h"

namespace ferrovello {

using ControlloFile = std::function<std::string(const std::string&)>;

// The value of --system (dump and plot): one of the three systems a scenario
// can carry.
inline std::string sistema_non_valido(const std::string& v) {
  return v == "1" || v == "2" || v == "3" ? std::string() : "deve essere 1, 2 o 3";
}

inline void opzioni_luogo(CLI::App* d, DumpOptions& o, const ControlloFile& file_esistente) {
  CLI::Option* at = d->add_option("--at", o.at,
                                  "Solo la riga del luogo KM: metri dall'inizio del percorso (36529) o progressiva "
                                  "chilometrica (35+029, con --sim); una progressiva che cade in più punti dà una "
                                  "riga per ciascuno")
                        ->type_name("KM")
                        ->check(luogo_non_valido);
  d->add_option("--from", o.from, "Dal luogo KM (metri o progressiva), compreso; senza, dall'inizio del file")
      ->type_name("KM")->check(luogo_non_valido)->excludes(at);
  d->add_option("--to", o.to, "Fino al luogo KM (metri o progressiva), compreso; senza, fino alla fine del file")
      ->type_name("KM")->check(luogo_non_valido)->excludes(at);
  CLI::Option* sim = d->add_option("--sim", o.sim,
                "Il file degli elementi (.sim) dello scenario: i suoi sistemi progressivi danno la colonna km e "
                "le progressive di --at, --from e --to")
      ->type_name("FILE")->check(file_esistente);
  d->add_option("--system", o.system,
                "Cerca le progressive solo nel sistema progressivo N (1, 2, 3 nell'ordine lungo il percorso)")
      ->type_name("N")
      ->check(sistema_non_valido)
      ->needs(sim);
}

inline CLI::App* comando_diff(CLI::App& app, DiffOptions& o, const ControlloFile& file_esistente) {
  CLI::App* f = app.add_subcommand(
      "diff", "Confronta due scenari compilati o due coppie di script, cella per cella ed elemento per elemento");
  f->add_option("scenari", o.scenari,
                "A e B, ciascuno una cartella con i file compilati (NOME_linea.dat, NOME_NUM.sim, NOME_NUM.dat) "
                "oppure lo script della linea e quello del treno, compilati in memoria")
      ->type_name("A B")->required()->expected(2, 4)->check(file_esistente);
  const auto nome = [](const std::string& v) { return nome_non_valido(v); };
  f->add_option("--name", o.name, "Nome dello scenario, nei nomi dei file e nei codici di gara")
      ->capture_default_str()->check(nome);
  f->add_option("--train-number", o.train_number, "Numero del treno, nei nomi dei file e nei codici di gara")
      ->capture_default_str()->check(nome);
  f->add_flag("--json", o.json, "Scrive le differenze in JSON, con ogni campo come è memorizzato");
  f->footer("Stato d'uscita: 0 se A e B sono uguali, 1 se differiscono, 2 per un errore d'uso o se A o B non si "
            "possono leggere o compilare");
  return f;
}

}  // namespace ferrovello
