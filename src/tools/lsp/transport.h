// The language server's transport: JSON-RPC messages, each a header with
// its Content-Length, a blank line and a body of that many bytes, read from
// the bytes of standard input as they come and written whole to standard
// output. It knows nothing of what the messages mean.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ferrovello {

// The largest body taken: a script of the longest route is a few MB.
inline constexpr size_t kCorpoMassimo = size_t{256} << 20;

class LettoreMessaggi {
 public:
  enum class Esito { incompleto, messaggio, guasto };

  void aggiungi(std::string_view bytes);
  // The next whole message out of the bytes received, its body in `corpo`.
  // A malformed header is a `guasto` (with why in `errore`): the bytes are
  // dropped up to the next "Content-Length", where reading starts again.
  Esito prossimo(std::string& corpo, std::string& errore);
  // Bytes received and not yet taken.
  size_t in_attesa() const { return buffer_.size() - inizio_; }

 private:
  Esito scarta(std::string& errore, std::string perche);
  Esito consegna(std::string& corpo, size_t inizio_corpo, size_t lunghezza);

  std::string buffer_;
  size_t inizio_ = 0;  // first byte not taken
};

// A body with its header, as it goes on the stream.
std::string incornicia(std::string_view corpo);

}  // namespace ferrovello
