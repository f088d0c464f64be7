// A scenario of an author's own carried inside the installer. A package is
// the installer's file followed by a payload (format version, the two names,
// the two scripts, the driver's documents given) and a fixed trailer that
// ends the file: the payload's length (8 bytes), its CRC-32 (4 bytes) and a
// magic number (8 bytes), little-endian. The installer reads only the last
// bytes of its own file to learn whether it carries one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ferrovello {

struct Pacchetto {
  std::string nome;          // scenario name
  std::string numero_treno;  // train number
  std::string script_linea;  // Windows-1252 text, CR LF, as it is written
  std::string script_treno;
  // The driver's documents, written as they stand; one not given is not written.
  std::optional<std::string> note;
  std::optional<std::string> rallentamenti;
  std::optional<std::string> scheda;
};

inline constexpr uint16_t kVersionePacchetto = 1;
inline constexpr size_t kLunghezzaCoda = 20;
inline constexpr char kMagiaPacchetto[8] = {'\x89', 'F', 'V', 'P', 'A', 'C', '\r', '\n'};
// Bytes read from the end of the program's file to find the trailer: enough
// to tell a trailer cut short or followed by other bytes from no trailer;
// and from its start, for the headers that say how long the program is.
inline constexpr size_t kFinestraCoda = 4096;
inline constexpr size_t kFinestraTesta = 4096;
// Bounds of every field, checked before anything is written.
inline constexpr size_t kMassimoNome = 100;
inline constexpr size_t kMassimoTesto = size_t{64} << 20;
inline constexpr uint64_t kMassimoCarico = 5 * uint64_t{kMassimoTesto} + 2 * kMassimoNome + 64;

// A scenario or train name usable in file names: printable ASCII without
// path or reserved characters, at most kMassimoNome bytes. Empty when it is;
// the reason otherwise.
std::string nome_non_valido(const std::string& nome);
// True for a name Windows keeps for a device (CON, PRN, AUX, NUL, COM1 to
// COM9, LPT1 to LPT9, in any case, with or without an extension).
bool nome_riservato_da_windows(std::string_view nome);
// The names of every file a run with these names writes or holds (the lock,
// the two scripts, the three documents, the three binary files).
struct FileDellaCorsa {
  std::string ruolo;  // what the file is, as a message names it
  std::string nome;
};
std::vector<FileDellaCorsa> file_della_corsa(const std::string& nome, const std::string& numero);
// Empty when every one of those files has a name of its own, also on
// Windows (which does not tell upper from lower case) and none is a
// device's; otherwise which two files coincide, or which one is a device's.
std::string nomi_in_conflitto(const std::string& nome, const std::string& numero);

// The payload of a package and the trailer that follows it.
std::string codifica_carico(const Pacchetto& p);
std::string coda_del_carico(std::string_view carico);

// Decodes a payload, checking every field's bounds and the names. False
// with the reason when any part of it does not hold; nothing is trusted
// until it returns true.
bool decodifica_carico(std::string_view carico, Pacchetto& p, std::string& perche);

// What the end of a program's file says; `illeggibile` when it could not be read.
enum class EsitoCoda { assente, valida, danneggiata, illeggibile };
struct EsameCoda {
  EsitoCoda esito = EsitoCoda::assente;
  uint64_t lunghezza = 0;  // of the payload, when valid
  uint32_t crc = 0;
  std::string perche;  // when damaged
};
// `ultimi`: the last bytes of a file of `dimensione` bytes (at most
// kFinestraCoda of them, all of a shorter file).
EsameCoda esamina_coda(std::string_view ultimi, uint64_t dimensione);
// Where the program itself ends in its file, from the headers in `inizio`
// (its first bytes: an x86-64 ELF or a PE program); 0 when they do not say.
// A file longer than its program carries something more, which can only be
// a package: one without a sound trailer was cut or damaged. `almeno`, when
// given, receives the least length the headers declare (the end itself, or
// less when the end is not known; 0 when they say nothing): a file shorter
// than that was cut inside the program.
uint64_t fine_del_programma(std::string_view inizio, uint64_t* almeno = nullptr);

// `ultimi`: the last lunghezza + kLunghezzaCoda bytes of the file whose
// trailer `esame` describes. Checks the length, the checksum and the payload.
bool leggi_carico(std::string_view ultimi, const EsameCoda& esame, Pacchetto& p, std::string& perche);

// Reads part of a program's file: its last (`dalla_fine`) or first `quanti`
// bytes, all of it when shorter, and its size; false with the reason.
using LeggiParte = std::function<bool(bool dalla_fine, uint64_t quanti, std::string& bytes, uint64_t& dimensione,
                                      std::string& perche)>;
// The package a program's file carries, read through `leggi` a few
// kilobytes at a time: `assente`, `valida` with `p` filled, or `danneggiata`
// or `illeggibile` with the reason in `perche`.
EsitoCoda pacchetto_del_programma(const LeggiParte& leggi, Pacchetto& p, std::string& perche);
// The same for a whole file in memory (the authors' tool, fuzzing).
EsitoCoda pacchetto_dei_byte(std::string_view file, Pacchetto& p, std::string& perche);

}  // namespace ferrovello
