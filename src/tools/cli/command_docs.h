// The manual pages of the two programs and the bash completion of the
// tool, made from the tool's own option definitions at build time, so that
// every subcommand and option the tool takes is in them, described by the
// same words as its --help.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "platform/platform.h"

namespace ferrovello {

// The argument of the hidden mode that writes the three files: the build
// runs `scenario-tool --scrivi-documentazione FOLDER`.
inline constexpr const char* kModoDocumentazione = "--scrivi-documentazione";

// scenario-tool(1) in roff: every subcommand with its options, the exit
// statuses; `versione` in the page's footer.
std::string pagina_man_tool(const CLI::App& app, const std::string& versione);
// ferrovello(1): the run, where the installed program stays and how it is
// used, the files it writes and its exit statuses.
std::string pagina_man_installatore(const std::string& versione);
// The bash completion of scenario-tool: subcommands, their options, the
// values of options that take a fixed set, file names elsewhere.
std::string completamento_bash(const CLI::App& app);

// Writes scenario-tool.1, ferrovello.1 and scenario-tool.bash into
// `cartella`. Returns the exit status.
int scrivi_documentazione(const CLI::App& app, const std::string& versione, const std::string& cartella,
                          Platform& base);

}  // namespace ferrovello
