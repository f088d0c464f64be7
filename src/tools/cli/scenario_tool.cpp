// scenario-tool: the authors' entry to the scenario compiler. It compiles
// and checks line and train scripts, decodes the simulator's files, draws
// a scenario and makes a page to look at it in a browser.
#include <CLI/CLI.hpp>
#include <new>
#include <stdexcept>
#include <sstream>
#include <string>
#include <vector>

#include "tools/cli/cli_italiano.h"
#include "tools/cli/command_docs.h"
#include "tools/check/check_command.h"
#include "tools/compile/compile_command.h"
#include "tools/dump/dump_command.h"
#include "tools/lsp/lsp_command.h"
#include "tools/cli/place_diff_options.h"
#include "tools/package/package_command.h"
#include "tools/plot/plot_command.h"
#include "tools/serve/serve_command.h"
#include "tools/text/standard_output.h"
#include "tools/view/view_command.h"
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "platform/win32_platform.h"
#else
#include "platform/posix_platform.h"
#endif

namespace {

constexpr int kUsage = 2;

// The platform of a console program whose folder is `cartella`: faults and
// messages go to standard error on every system.
#ifdef _WIN32
struct ToolPlatform : ferrovello::Win32Platform {
  explicit ToolPlatform(const std::string& cartella) : Win32Platform(cartella, Reports::console) {}
};
#else
struct ToolPlatform : ferrovello::PosixPlatform {
  explicit ToolPlatform(const std::string& cartella) : PosixPlatform(cartella) {}
};
#endif

// Files are checked by the commands that read them: a missing one is a
// failure of input (status 1), not a usage error.
std::string nessun_controllo(const std::string&) { return {}; }

// The kinds of value the options take, as the help shows them.
constexpr const char* kFile = "FILE";
constexpr const char* kCartella = "CARTELLA";

void opzioni_nomi(CLI::App* cmd, ferrovello::CompileOptions& o) {
  // The names become the names of the files the installer writes on any
  // system, from a program that runs in any code page: ASCII only, said
  // with the letter to change.
  auto nome = [](const std::string& v) {
    std::string difetto = ferrovello::nome_non_valido(v);
    if (difetto.rfind("contiene un carattere non ASCII", 0) == 0) {
      std::string lettera;
      for (size_t i = 0; i < v.size() && lettera.empty(); ++i) {
        if (static_cast<unsigned char>(v[i]) < 0x80) continue;
        size_t j = i + 1;
        while (j < v.size() && (static_cast<unsigned char>(v[j]) & 0xC0) == 0x80) ++j;
        lettera = v.substr(i, j - i);
      }
      if (!lettera.empty()) {
        difetto = "contiene \"" + lettera + "\": il nome dà il nome ai file dello scenario e ammette solo lettere, "
                  "cifre e segni ASCII (scrivi la lettera senza accento)";
      }
    }
    return difetto;
  };
  cmd->add_option("--name", o.name,
                  "Nome dello scenario e dei suoi file: lettere, cifre e segni ASCII, senza / \\ : * ? \" < > |")
      ->capture_default_str()->check(nome)->type_name("NOME");
  cmd->add_option("--train-number", o.train_number, "Numero del treno")
      ->capture_default_str()->check(nome)->type_name("NUMERO");
}

// The options of a scenario, which every command that compiles one takes.
void opzioni_script(CLI::App* cmd, ferrovello::CompileOptions& o, bool obbligatori) {
  CLI::Option* l = cmd->add_option("--line", o.line, "Script della linea (- per lo standard input)")->type_name(kFile);
  CLI::Option* t = cmd->add_option("--train", o.train, "Script del treno (- per lo standard input)")->type_name(kFile);
  if (obbligatori) {
    l->required();
    t->required();
  } else {
    l->needs(t);
    t->needs(l);
  }
  opzioni_nomi(cmd, o);
}

void opzioni_controllo(CLI::App* cmd, ferrovello::CompileOptions& o, const char* senza_linea) {
  cmd->add_flag("--no-line-file", o.no_line_file, senza_linea);
  cmd->add_flag("--strict", o.strict, "Esce con stato 1 anche per i soli avvisi");
  o.avvisi = true;
}

#ifdef _WIN32
// The arguments as UTF-8, whatever the ANSI code page, so that every path
// and every message is the same text as on the other systems.
std::vector<std::string> argomenti_utf8() {
  std::vector<std::string> args;
  int n = 0;
  wchar_t** w = CommandLineToArgvW(GetCommandLineW(), &n);
  for (int i = 0; w != nullptr && i < n; ++i) args.push_back(ferrovello::to_utf8(w[i]));
  if (w != nullptr) LocalFree(w);
  return args;
}
#endif

// A text made for a stream, shown as a message (which ends its own line).
std::string senza_a_capo(std::string testo) {
  while (!testo.empty() && testo.back() == '\n') testo.pop_back();
  return testo;
}

int esegui(int argc, char** argv);

}  // namespace

// Memory the system refuses ends the tool with a message and status 1; the
// platforms, gone on the way out, have taken their lock and files away.
int main(int argc, char** argv) {
  try {
    return esegui(argc, argv);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  ToolPlatform console(".");
  console.show_message("Memoria insufficiente: il comando si ferma");
  return 1;
}

namespace {

int esegui(int argc, char** argv) {
#ifdef _WIN32
  std::vector<std::string> args = argomenti_utf8();
  std::vector<char*> puntatori;
  for (std::string& a : args) puntatori.push_back(a.data());
  puntatori.push_back(nullptr);
  if (!args.empty()) {
    argc = static_cast<int>(args.size());
    argv = puntatori.data();
  }
#endif
  using ferrovello::stato_finale;
  ToolPlatform console(".");  // the parser's help and errors
  CLI::App app{"scenario-tool: compila, controlla, decodifica, disegna e mostra gli scenari di guida ferroviaria",
               "scenario-tool"};
  ferrovello::in_italiano(app, "scenario-tool " FERROVELLO_VERSION);
  app.require_subcommand(1);

  ferrovello::CompileOptions compile;
  CLI::App* c = ferrovello::sottocomando(app, "compile", "Compila lo script della linea e quello del treno nei file binari");
  opzioni_script(c, compile, true);
  c->add_option("--out", compile.out, "Cartella dei file binari (creata se manca)")->required()->type_name(kCartella);
  opzioni_controllo(c, compile, "Non costruire né scrivere il file della linea");
  c->add_flag("--force", compile.force, "Scrive i file anche dopo un errore (lo stato d'uscita resta 1)");

  ferrovello::CompileOptions check;
  CLI::App* k = ferrovello::sottocomando(app, "check", "Compila in memoria e riporta gli errori e gli avvisi, senza scrivere nulla");
  opzioni_script(k, check, true);
  opzioni_controllo(k, check, "Compila senza il file della linea, come compile --no-line-file");
  k->add_flag("--all", check.all, "Legge oltre ogni errore di una riga (la riga è saltata) ed elenca tutti gli errori");
  // Where `make install` puts the authors' docs, and where they stand in the
  // sources.
  k->footer("Il formato degli script, parola chiave per parola chiave: "
            "PREFIX/share/doc/scenario-tool/script-format.md una volta installato (PREFIX: /usr/local, o quello "
            "dato a make install), docs/script-format.md nei sorgenti");

  ferrovello::DumpOptions dump;
  CLI::App* d = ferrovello::sottocomando(app, "dump", "Decodifica un file del percorso (.dat), degli elementi (.sim) o della linea (_linea.dat)");
  d->add_option("FILE", dump.file, "Il file da decodificare (- per lo standard input, con --type)")->required()->type_name(kFile);
  d->add_flag("--json", dump.json, "Scrive JSON con ogni campo come è memorizzato");
  d->add_option("--type", dump.tipo, "Tipo del file, se il nome non lo dice: percorso, elementi o linea")
      ->type_name("TIPO")
      ->check(CLI::Validator(
          [](const std::string& v) {
            return v == "percorso" || v == "elementi" || v == "linea" ? std::string()
                                                                      : "\"" + v + "\" non è percorso, elementi né linea";
          },
          "{percorso,elementi,linea}"));
  d->add_option("--out", dump.out, "Il file da scrivere (- per lo standard output, come senza --out)")->type_name(kFile);
  ferrovello::opzioni_luogo(d, dump, nessun_controllo);

  ferrovello::DiffOptions diff;
  CLI::App* f = ferrovello::comando_diff(app, diff, nessun_controllo);
  ferrovello::come_sottocomando(f);

  ferrovello::PlotOptions plot;
  CLI::App* p = ferrovello::sottocomando(app, "plot", "Disegna la pianta del tracciato e il profilo in una pagina SVG");
  p->add_option("--out", plot.out, "Il file SVG da scrivere (- per lo standard output)")->required()->type_name(kFile);
  CLI::Option* lf = p->add_option("--line-file", plot.line_file, "Un file della linea (_linea.dat) da disegnare")
                        ->type_name(kFile);
  p->add_option("--sim", plot.sim, "Con --line-file: il file degli elementi, per i nomi delle stazioni e le progressive")
      ->type_name(kFile)->needs(lf);
  p->add_option("--dat", plot.dat, "Con --line-file: il file del percorso, per il profilo")->type_name(kFile)->needs(lf);
  opzioni_script(p, plot.scripts, false);
  p->add_option("--from", plot.from,
                "Disegna il percorso dal luogo KM: metri dall'inizio (36529) o progressiva chilometrica (35+029)")
      ->type_name("KM")->check(ferrovello::luogo_non_valido);
  p->add_option("--to", plot.to, "Disegna il percorso fino al luogo KM (metri o progressiva)")
      ->type_name("KM")->check(ferrovello::luogo_non_valido);
  p->add_option("--system", plot.system,
                "Cerca le progressive di --from e --to solo nel sistema progressivo N (1, 2, 3 nell'ordine lungo "
                "il percorso)")
      ->type_name("N")
      ->check(ferrovello::sistema_non_valido);

  ferrovello::ViewOptions view;
  CLI::App* v = ferrovello::sottocomando(app, "view", "Scrive una pagina HTML per esplorare la pianta e il profilo in un browser");
  CLI::Option* vo = v->add_option("--out", view.out, "Il file HTML da scrivere (- per lo standard output)")->type_name(kFile);
  CLI::Option* vd = v->add_option("--dat", view.dat, "Il file del percorso (.dat) da mostrare")->type_name(kFile);
  CLI::Option* vs = v->add_option("--sim", view.sim, "Con --dat: il file degli elementi (.sim)")->type_name(kFile);
  vd->needs(vs);
  vs->needs(vd);
  v->add_option("--line-file", view.line_file, "Con --dat e --sim: il file della linea (_linea.dat), per la pianta")
      ->type_name(kFile)->needs(vd);
  opzioni_script(v, view.scripts, false);
  ferrovello::ServeOptions serve;
  bool servi = false;
  CLI::Option* vserve = v->add_flag("--serve", servi, "Serve la pagina su 127.0.0.1 e la aggiorna a ogni salvataggio di --line "
                                              "o --train, finché non si preme Ctrl-C")->excludes(vo)->excludes(vd);
  v->add_option("--port", serve.port, "Con --serve: la porta (senza, una porta libera)")->type_name("N")->needs(vserve);
  v->add_flag("--open", serve.open, "Con --serve: apre la pagina nel browser predefinito")->needs(vserve);

  std::string scripts_out;
  ferrovello::CompileOptions scripts_names;
  CLI::App* s = ferrovello::sottocomando(app, "scripts", "Scrive gli script della linea e del treno dello scenario incorporato");
  s->add_option("--out", scripts_out, "Cartella degli script (creata se manca)")->required()->type_name(kCartella);
  opzioni_nomi(s, scripts_names);
  s->add_flag("--force", scripts_names.force, "Sovrascrive gli script già presenti nella cartella");

  ferrovello::PackageOptions package;
  CLI::App* g = ferrovello::sottocomando(app, "package", "Controlla lo scenario e scrive un programma che lo installa");
  opzioni_script(g, package.scripts, true);
  g->add_option("--card", package.card, "La scheda treno (testo UTF-8)")->type_name(kFile);
  g->add_option("--slow-orders", package.slow_orders, "Il modulo dei rallentamenti (testo UTF-8)")->type_name(kFile);
  g->add_option("--notes", package.notes, "Le note dello scenario (testo UTF-8)")->type_name(kFile);
  bool per_windows = false;
  bool per_linux = false;
  CLI::Option* w = g->add_flag("--windows", per_windows, "Un programma per Windows (da Ferrovello.exe)");
  g->add_flag("--linux", per_linux, "Un programma per Linux (da ferrovello)")->excludes(w);
  g->add_option("--stub", package.stub, "L'installatore da cui partire (se non sta accanto a questo programma né in ../share/ferrovello/)")
      ->type_name(kFile);
  g->add_option("--out", package.out, "Il programma da scrivere")->required()->type_name(kFile);

  CLI::App* l = ferrovello::sottocomando(
      app, "lsp", "Server del protocollo dei linguaggi (LSP) per gli script, sullo standard input e output");
  l->footer("Come collegarlo all'editor: docs/authoring.md");

  // The build writes the manual pages and the completion from the options
  // defined above.
  if (argc == 3 && std::string(argv[1]) == ferrovello::kModoDocumentazione) {
    ToolPlatform platform(".");
    return ferrovello::scrivi_documentazione(app, FERROVELLO_VERSION, argv[2], platform);
  }
  if (const std::string ignoto = ferrovello::primo_sconosciuto(app, argc, argv); !ignoto.empty()) {
    console.show_message(senza_a_capo(ferrovello::sottocomando_sconosciuto(app, ignoto)));
    return stato_finale(console, kUsage);
  }
  // A request for help is answered whatever else the line holds: the
  // command's help, as its options would be checked only after it.
  std::vector<const char*> solo_aiuto;
  if (ferrovello::chiede_aiuto(argc, argv)) {
    solo_aiuto.push_back(argv[0]);
    if (argc > 1 && argv[1][0] != '-') solo_aiuto.push_back(argv[1]);
    solo_aiuto.push_back("--help");
    argc = static_cast<int>(solo_aiuto.size());
    argv = const_cast<char**>(solo_aiuto.data());
  } else if (const std::string opzione = ferrovello::opzione_sconosciuta(app, argc, argv); !opzione.empty()) {
    console.show_message(senza_a_capo(opzione));
    return stato_finale(console, kUsage);
  }
  try {
    app.parse(argc, argv);
    if (p->parsed() && plot.line_file.empty() == plot.scripts.line.empty()) {
      throw CLI::ValidationError("plot", "serve --line-file oppure --line con --train");
    }
    if (p->parsed() && p->count("--to") > 0 && ferrovello::finestra_vuota_in_metri(plot.from, plot.to)) {
      throw CLI::ValidationError("plot", "--to deve venire dopo --from");
    }
    // A folder of several files has no standard output to go to.
    if (c->parsed() && compile.out == "-") {
      throw CLI::ValidationError("--out", "vuole una cartella: compile scrive più file, non lo standard output");
    }
    if (s->parsed() && scripts_out == "-") {
      throw CLI::ValidationError("--out", "vuole una cartella: scripts scrive due file, non lo standard output");
    }
    if (v->parsed() && servi && view.scripts.line.empty()) {
      throw CLI::ValidationError("view", "--serve vuole --line con --train");
    }
    if (v->parsed() && !servi && view.dat.empty() == view.scripts.line.empty()) {
      throw CLI::ValidationError("view", "serve --dat con --sim oppure --line con --train");
    }
    if (v->parsed() && !servi && view.out.empty()) {
      throw CLI::ValidationError("view", "serve --out oppure --serve");
    }
    // Every scenario is made to be installed on Windows: names whose files
    // would coincide there, or be a device's, are refused on every system.
    for (const ferrovello::CompileOptions* nomi :
         {&compile, &check, &plot.scripts, &view.scripts, &package.scripts, &scripts_names}) {
      if (const std::string conflitto = ferrovello::nomi_in_conflitto(nomi->name, nomi->train_number);
          !conflitto.empty()) {
        throw CLI::ValidationError("--name e --train-number", conflitto);
      }
    }
  } catch (const CLI::ParseError& e) {
    // Help and version on standard output, a usage error on standard error.
    std::ostringstream uscita;
    std::ostringstream errore;
    const int codice = app.exit(e, uscita, errore);
    ferrovello::stampa(console, uscita.str());
    if (!errore.str().empty()) console.show_message(senza_a_capo(errore.str()));
    return stato_finale(console, codice == 0 ? 0 : kUsage);
  }

  if (c->parsed()) {
    ToolPlatform platform(compile.out);
    return stato_finale(platform, ferrovello::esegui_compile(compile, platform));
  }
  if (k->parsed()) {
    ToolPlatform platform(".");
    return stato_finale(platform, ferrovello::esegui_check(check, platform));
  }
  if (d->parsed()) {
    ToolPlatform platform(".");
    return stato_finale(platform, ferrovello::esegui_dump(dump, platform));
  }
  if (f->parsed()) {
    ToolPlatform platform(".");
    std::string uscita;
    const int stato = ferrovello::esegui_diff(diff, platform, uscita);
    ferrovello::stampa(platform, uscita);
    return stato_finale(platform, stato);
  }
  if (p->parsed()) {
    ToolPlatform platform(".");
    return stato_finale(platform, ferrovello::esegui_plot(plot, platform));
  }
  if (g->parsed()) {
#ifdef _WIN32
    package.windows = !per_linux;
#else
    package.windows = per_windows;
#endif
    if (package.stub.empty()) {
      ToolPlatform accanto("");
      package.stub = ferrovello::installatore_predefinito(accanto, package.windows);
    }
    ToolPlatform platform(".");
    return stato_finale(platform, ferrovello::esegui_package(package, platform));
  }
  if (v->parsed() && servi) {
    serve.scripts = view.scripts;
    ToolPlatform platform(".");
    return stato_finale(platform, ferrovello::esegui_serve(serve, platform));
  }
  if (v->parsed()) {
    ToolPlatform platform(".");
    return stato_finale(platform, ferrovello::esegui_view(view, platform));
  }
  if (l->parsed()) {
    ToolPlatform platform(".");
    return ferrovello::esegui_lsp(platform);
  }
  ToolPlatform platform(scripts_out);
  return stato_finale(platform, ferrovello::esegui_scripts(scripts_names.name, scripts_names.train_number,
                                                           scripts_names.force, platform));
}

}  // namespace
