// The command line of the authors' tool in Italian: the help pages and the
// usage errors of the option parser, in the language of every other
// message of the tool.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace ferrovello {

// Italian help and errors for `app`, its `--help` and its `--version`
// (printing `versione`). Call before adding options and subcommands.
void in_italiano(CLI::App& app, const std::string& versione);
// A subcommand added by other means, made like those of sottocomando.
void come_sottocomando(CLI::App* s);
// A subcommand of `app`, added after in_italiano, listed with the others.
CLI::App* sottocomando(CLI::App& app, const std::string& nome, const std::string& descrizione);

// A usage error said in Italian, with the way to the help of the command
// at hand; the hook of `app`'s failures.
std::string messaggio_di_uso(const CLI::App* app, const CLI::Error& e);
// The first word of the command line when it names no subcommand of `app`
// (empty when it does, or when it is an option): the command line is then
// refused with sottocomando_sconosciuto.
std::string primo_sconosciuto(const CLI::App& app, int argc, const char* const* argv);
std::string sottocomando_sconosciuto(const CLI::App& app, const std::string& nome);

// The message for the first option of the command line that the command it
// is given to does not have ("--lin", "--Version"), naming it and the
// nearest option; empty when every option is known. What follows "--" and
// the values of known options are not options.
std::string opzione_sconosciuta(const CLI::App& app, int argc, const char* const* argv);
// Whether the command line asks for help ("-h" or "--help" before "--"):
// the help is then shown whatever else the line holds.
bool chiede_aiuto(int argc, const char* const* argv);

}  // namespace ferrovello
