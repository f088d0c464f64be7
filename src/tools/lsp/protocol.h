// The protocol's types as the features use them (positions in UTF-16 code
// units, ranges, diagnostics) and their JSON; the answers, errors and
// notifications of JSON-RPC; and the open text of a document with the
// conversions between its bytes and the protocol's positions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>
#include <nlohmann/json.hpp>

namespace ferrovello {

using Json = nlohmann::json;

// The error codes of JSON-RPC and of the protocol.
inline constexpr int kErroreJson = -32700;
inline constexpr int kRichiestaNonValida = -32600;
inline constexpr int kMetodoSconosciuto = -32601;
inline constexpr int kParametriNonValidi = -32602;
inline constexpr int kNonInizializzato = -32002;
inline constexpr int kRichiestaFallita = -32803;

// The protocol's kind of message shown and severities of a diagnostic.
inline constexpr int kMessaggioInformazione = 3;
inline constexpr int kGravitaErrore = 1;
inline constexpr int kGravitaAvviso = 2;

struct Posizione {
  int64_t riga = 0;
  int64_t carattere = 0;  // UTF-16 code units from the start of the line
};
struct Intervallo {
  Posizione da;
  Posizione a;
};

Json json_di(const Posizione& p);
Json json_di(const Intervallo& i);
// False when `j` is not a position.
bool leggi_posizione(const Json& j, Posizione& p);

Json risposta(const Json& id, Json risultato);
Json risposta_errore(const Json& id, int codice, const std::string& messaggio);
Json notifica(const std::string& metodo, Json parametri);

// A message's body parsed (discarded when it is no JSON), the body's room
// given up on the way: a long string, such as a document's text, is held
// once while it is read, not once for each step of the parser.
Json leggi_messaggio(std::string corpo);

// A document's text as the client sent it (UTF-8), with its lines.
class TestoAperto {
 public:
  TestoAperto() = default;
  explicit TestoAperto(std::string utf8);

  const std::string& utf8() const { return utf8_; }
  int64_t righe() const { return righe_; }
  // The line `r` without its line end; empty past the last line.
  std::string riga(int64_t r) const;
  size_t inizio_riga(int64_t r) const;
  Posizione posizione_di(size_t byte) const;
  // The byte of a position; a position past its line's end or past the
  // last line stands at that end.
  size_t byte_di(const Posizione& p) const;
  // The byte of the character `n` of the text: the scripts' reading has one
  // byte per character, so its places are character counts.
  size_t byte_del_carattere(size_t n) const;

 private:
  // Past the line end that follows byte `i`, or the text's end.
  size_t dopo_a_capo(size_t i) const;

  std::string utf8_;
  int64_t righe_ = 1;
  // Where every 16th line starts (a message is far below 4 GiB): a table
  // of every line would take twice a text of empty lines.
  std::vector<uint32_t> inizi_{0};
  std::vector<uint32_t> caratteri_;  // the byte where each character starts, sampled every 64
};

// UTF-16 code units of a UTF-8 text.
int64_t unita_utf16(std::string_view utf8);

}  // namespace ferrovello
