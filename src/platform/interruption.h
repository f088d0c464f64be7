// The files a run takes away when it is interrupted (Ctrl-C, SIGINT,
// SIGTERM, the console closed): the temporary file at hand, the run lock
// and the two scripts, which live only while the run goes on. The platform
// names them here as they come and go; on an interruption each one named is
// removed, and the program ends as the interruption asks.
#pragma once

#include <string>

namespace ferrovello {

enum class RunFile { temporary, lock, line_script, train_script };
inline constexpr int kRunFiles = 4;

// Names the file of a slot (empty: none). A path too long to keep is not kept.
void name_run_file(RunFile slot, const std::string& path);
// Removes every file named, from a signal handler or a console handler:
// nothing but system calls that a handler may make.
void remove_run_files();
// Whether any file is named: a program with none (a server, a reader) may
// leave an interruption to its own handling.
bool run_files_named();

}  // namespace ferrovello
