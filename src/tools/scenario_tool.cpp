// scenario-tool: the authors' entry to the scenario compiler. It compiles
// and checks line and train scripts, decodes the simulator's files, draws
// a scenario and makes a page to look at it in a browser.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/command_docs.h"
#include "tools/compile_command.h"
#include "tools/dump_command.h"
#include "tools/place_diff_options.h"
#include "tools/package_command.h"
#include "tools/plot_command.h"
#include "tools/view_command.h"
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

// Names are UTF-8 on every system.
std::filesystem::path percorso(const std::string& nome) {
  return std::filesystem::path(std::u8string(nome.begin(), nome.end()));
}

// A file given on the command line must exist; checked through the
// platform, which understands UTF-8 names on every system.
std::string file_mancante(const std::string& nome) {
  ToolPlatform platform(".");
  return platform.exists(nome) ? std::string() : "il file non esiste: " + nome;
}

bool crea_cartella(const std::string& cartella) {
  std::error_code ec;
  std::filesystem::create_directories(percorso(cartella), ec);
  if (!ec) return true;
  std::fprintf(stderr, "Impossibile creare la cartella \"%s\": %s\n", cartella.c_str(), ec.message().c_str());
  return false;
}

void opzioni_nomi(CLI::App* cmd, ferrovello::CompileOptions& o) {
  auto nome = [](const std::string& v) { return ferrovello::nome_non_valido(v); };
  cmd->add_option("--name", o.name, "Nome dello scenario")->capture_default_str()->check(nome);
  cmd->add_option("--train-number", o.train_number, "Numero del treno")->capture_default_str()->check(nome);
}

void opzioni_script(CLI::App* cmd, ferrovello::CompileOptions& o, bool obbligatori) {
  CLI::Option* l = cmd->add_option("--line", o.line, "Script della linea")->check(file_mancante);
  CLI::Option* t = cmd->add_option("--train", o.train, "Script del treno")->check(file_mancante);
  if (obbligatori) {
    l->required();
    t->required();
  } else {
    l->needs(t);
    t->needs(l);
  }
  opzioni_nomi(cmd, o);
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

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> args = argomenti_utf8();
  std::vector<char*> puntatori;
  for (std::string& a : args) puntatori.push_back(a.data());
  puntatori.push_back(nullptr);
  if (!args.empty()) {
    argc = static_cast<int>(args.size());
    argv = puntatori.data();
  }
#endif
  CLI::App app{"scenario-tool: compila, controlla, decodifica, disegna e mostra gli scenari di guida ferroviaria"};
  app.require_subcommand(1);

  ferrovello::CompileOptions compile;
  CLI::App* c = app.add_subcommand("compile", "Compila lo script della linea e quello del treno nei file binari");
  opzioni_script(c, compile, true);
  c->add_option("--out", compile.out, "Cartella dei file binari (creata se manca)")->required();
  c->add_flag("--no-line-file", compile.no_line_file, "Non costruire ne' scrivere il file della linea");
  c->add_flag("--force", compile.force, "Scrive i file anche dopo un errore (lo stato d'uscita resta 1)");
  c->add_flag("--strict", compile.strict, "Esce con stato 1 anche per i soli avvisi");
  compile.avvisi = true;

  ferrovello::CompileOptions check;
  CLI::App* k = app.add_subcommand("check", "Compila in memoria e riporta gli errori e gli avvisi, senza scrivere nulla");
  opzioni_script(k, check, true);
  k->add_flag("--strict", check.strict, "Esce con stato 1 anche per i soli avvisi");
  k->add_flag("--all", check.all, "Legge oltre ogni errore di una riga (la riga è saltata) ed elenca tutti gli errori");
  k->footer("Il formato degli script, parola chiave per parola chiave: docs/script-format.md");
  check.avvisi = true;

  ferrovello::DumpOptions dump;
  CLI::App* d = app.add_subcommand("dump", "Decodifica un file del percorso (.dat), degli elementi (.sim) o della linea (_linea.dat)");
  d->add_option("file", dump.file, "Il file da decodificare")->required()->check(file_mancante);
  d->add_flag("--json", dump.json, "Scrive JSON con ogni campo come e' memorizzato");
  d->add_option("--type", dump.tipo, "Tipo del file, se il nome non lo dice")
      ->check(CLI::IsMember({"percorso", "elementi", "linea"}));
  ferrovello::opzioni_luogo(d, dump, file_mancante);

  ferrovello::DiffOptions diff;
  CLI::App* f = ferrovello::comando_diff(app, diff, file_mancante);

  ferrovello::PlotOptions plot;
  CLI::App* p = app.add_subcommand("plot", "Disegna la pianta del tracciato e il profilo in una pagina SVG");
  p->add_option("--out", plot.out, "Il file SVG da scrivere")->required();
  CLI::Option* lf = p->add_option("--line-file", plot.line_file, "Un file della linea (_linea.dat) da disegnare")
                        ->check(file_mancante);
  p->add_option("--sim", plot.sim, "Con --line-file: il file degli elementi, per i nomi delle stazioni")
      ->check(file_mancante)->needs(lf);
  p->add_option("--dat", plot.dat, "Con --line-file: il file del percorso, per il profilo")
      ->check(file_mancante)->needs(lf);
  opzioni_script(p, plot.scripts, false);
  p->add_option("--from", plot.finestra.da, "Disegna il percorso da questo metro (dall'inizio)")
      ->type_name("METRI")->check(CLI::NonNegativeNumber);
  p->add_option("--to", plot.finestra.a, "Disegna il percorso fino a questo metro (dall'inizio)")
      ->type_name("METRI")->check(CLI::PositiveNumber);

  ferrovello::ViewOptions view;
  CLI::App* v = app.add_subcommand("view", "Scrive una pagina HTML per esplorare la pianta e il profilo in un browser");
  v->add_option("--out", view.out, "Il file HTML da scrivere")->required();
  CLI::Option* vd = v->add_option("--dat", view.dat, "Il file del percorso (.dat) da mostrare")->check(file_mancante);
  CLI::Option* vs = v->add_option("--sim", view.sim, "Con --dat: il file degli elementi (.sim)")->check(file_mancante);
  vd->needs(vs);
  vs->needs(vd);
  v->add_option("--line-file", view.line_file, "Con --dat e --sim: il file della linea (_linea.dat), per la pianta")
      ->check(file_mancante)->needs(vd);
  opzioni_script(v, view.scripts, false);

  std::string scripts_out;
  ferrovello::CompileOptions scripts_names;
  CLI::App* s = app.add_subcommand("scripts", "Scrive gli script della linea e del treno dello scenario incorporato");
  s->add_option("--out", scripts_out, "Cartella degli script (creata se manca)")->required();
  opzioni_nomi(s, scripts_names);

  ferrovello::PackageOptions package;
  CLI::App* g = app.add_subcommand("package", "Controlla lo scenario e scrive un programma che lo installa");
  opzioni_script(g, package.scripts, true);
  g->add_option("--card", package.card, "La scheda treno (testo UTF-8)")->check(file_mancante);
  g->add_option("--slow-orders", package.slow_orders, "Il modulo dei rallentamenti (testo UTF-8)")->check(file_mancante);
  g->add_option("--notes", package.notes, "Le note dello scenario (testo UTF-8)")->check(file_mancante);
  bool per_windows = false;
  bool per_linux = false;
  CLI::Option* w = g->add_flag("--windows", per_windows, "Un programma per Windows (da Ferrovello.exe)");
  g->add_flag("--linux", per_linux, "Un programma per Linux (da ferrovello)")->excludes(w);
  g->add_option("--stub", package.stub, "L'installatore da cui partire (se non sta accanto a questo programma)")
      ->check(file_mancante);
  g->add_option("--out", package.out, "Il programma da scrivere")->required();

  // The build writes the manual pages and the completion from the options
  // defined above.
  if (argc == 3 && std::string(argv[1]) == ferrovello::kModoDocumentazione) {
    ToolPlatform platform(".");
    return ferrovello::scrivi_documentazione(app, argv[2], platform);
  }

  try {
    app.parse(argc, argv);
    if (p->parsed() && plot.line_file.empty() == plot.scripts.line.empty()) {
      throw CLI::ValidationError("plot", "serve --line-file oppure --line con --train");
    }
    if (p->parsed() && p->count("--to") > 0 && plot.finestra.a <= plot.finestra.da) {
      throw CLI::ValidationError("plot", "--to deve venire dopo --from");
    }
    if (v->parsed() && view.dat.empty() == view.scripts.line.empty()) {
      throw CLI::ValidationError("view", "serve --dat con --sim oppure --line con --train");
    }
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : kUsage;  // help asked for, or a usage error
  }

  if (c->parsed()) {
    if (!crea_cartella(compile.out)) return 1;
    ToolPlatform platform(compile.out);
    return ferrovello::esegui_compile(compile, platform);
  }
  if (k->parsed()) {
    ToolPlatform platform(".");
    return ferrovello::esegui_check(check, platform);
  }
  if (d->parsed()) {
    ToolPlatform platform(".");
    return ferrovello::esegui_dump(dump, platform, stdout);
  }
  if (f->parsed()) {
    ToolPlatform platform(".");
    return ferrovello::esegui_diff(diff, platform, stdout);
  }
  if (p->parsed()) {
    ToolPlatform platform(".");
    return ferrovello::esegui_plot(plot, platform);
  }
  if (g->parsed()) {
#ifdef _WIN32
    package.windows = !per_linux;
#else
    package.windows = per_windows;
#endif
    if (package.stub.empty()) {
      ToolPlatform accanto("");  // the installer built beside this program
      package.stub = accanto.program_folder() + accanto.separator() + (package.windows ? "Ferrovello.exe" : "ferrovello");
    }
    ToolPlatform platform(".");
    return ferrovello::esegui_package(package, platform);
  }
  if (v->parsed()) {
    ToolPlatform platform(".");
    return ferrovello::esegui_view(view, platform);
  }
  if (!crea_cartella(scripts_out)) return 1;
  ToolPlatform platform(scripts_out);
  return ferrovello::esegui_scripts(scripts_names.name, scripts_names.train_number, platform);
}
