// scenario-tool: the authors' entry to the scenario compiler.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/compile_command.h"
#ifdef _WIN32
#include "platform/win32_platform.h"
#else
#include "platform/posix_platform.h"
#endif

namespace {

constexpr int kUsage = 2;

int compile(const ferrovello::CompileOptions& o) {
  std::error_code ec;
  std::filesystem::create_directories(o.out, ec);
  if (ec) {
    std::fprintf(stderr, "Impossibile creare la cartella \"%s\": %s\n", o.out.c_str(), ec.message().c_str());
    return 1;
  }
#ifdef _WIN32
  ferrovello::Win32Platform platform(o.out, ferrovello::Win32Platform::Reports::console);
#else
  ferrovello::PosixPlatform platform(o.out);
#endif
  return ferrovello::esegui_compile(o, platform);
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"scenario-tool: compila e controlla scenari di guida ferroviaria"};
  app.require_subcommand(1);

  ferrovello::CompileOptions o;
  CLI::App* cmd = app.add_subcommand("compile", "Compila lo script della linea e quello del treno nei file binari");
  cmd->add_option("--line", o.line, "Script della linea")->required()->check(CLI::ExistingFile);
  cmd->add_option("--train", o.train, "Script del treno")->required()->check(CLI::ExistingFile);
  cmd->add_option("--out", o.out, "Cartella dei file binari (creata se manca)")->required();
  auto nome = [](const std::string& v) { return ferrovello::nome_non_valido(v); };
  cmd->add_option("--name", o.name, "Nome dello scenario")->capture_default_str()->check(nome);
  cmd->add_option("--train-number", o.train_number, "Numero del treno")->capture_default_str()->check(nome);
  cmd->add_flag("--no-line-file", o.no_line_file, "Non costruire ne' scrivere il file della linea");
  cmd->add_flag("--force", o.force, "Scrive i file anche dopo un errore (lo stato d'uscita resta 1)");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    return app.exit(e) == 0 ? 0 : kUsage;  // help asked for, or a usage error
  }
  if (cmd->parsed()) return compile(o);
  return kUsage;
}
