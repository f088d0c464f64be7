// What the tool prints for the author on standard output, and the status
// that a failed output makes of a command's own.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace ferrovello {

// Writes `testo` on standard output. The first failure is said on standard
// error, but for a reader that went away early (`| head`), which needs no
// word; the tool then ends with status 1 and prints nothing more.
void stampa(Platform& base, std::string_view testo);

// Appends to `out` as printf would write (on MinGW, its ANSI printf).
#ifdef __MINGW_PRINTF_FORMAT
#define FORMATO_PRINTF __MINGW_PRINTF_FORMAT
#else
#define FORMATO_PRINTF printf
#endif
void scrivi(std::string& out, const char* formato, ...) __attribute__((format(FORMATO_PRINTF, 2, 3)));

// `stato`, or 1 when standard output or standard error could not be written.
int stato_finale(const Platform& base, int stato);

// A file the tool writes, or standard output for "-": the file is replaced
// whole and its name printed, as `compile` prints the files it writes.
bool scrivi_uscita(Platform& base, const std::string& nome, std::string_view bytes);

}  // namespace ferrovello
