// Feeds arbitrary bytes to the language server as the stream its client
// writes: the message reader must take the same messages however the bytes
// are cut, and the server must answer every message with well-framed
// JSON-RPC and end, whatever it is sent. The folder /s holds a line script,
// so that a train script opened as file:///s/S_1-.txt is checked in a pair.
#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
#include "platform/memory_platform.h"
#include "tools/lsp/server.h"
#include "tools/lsp/transport.h"

namespace ferrovello::fuzz {
namespace {

constexpr const char* kLinea =
    "[generale]\r\nlunghezza percorso, 8000\r\nprogressiva chilometrica uno, 0, 1500, 0\r\n[pendenze]\r\n"
    "pendenza, 0, 2\r\n[cartelli]\r\ncartello_indicatore, 2000, (ALFA)\r\n[fine]\r\n";

// The reader's outcomes and bodies, for the bytes given `pezzo` at a time.
std::vector<std::string> letti(const std::string& bytes, size_t pezzo) {
  LettoreMessaggi lettore;
  std::vector<std::string> esiti;
  std::string corpo;
  std::string errore;
  for (size_t i = 0; i < bytes.size(); i += pezzo) {
    lettore.aggiungi(std::string_view(bytes).substr(i, pezzo));
    for (LettoreMessaggi::Esito e; (e = lettore.prossimo(corpo, errore)) != LettoreMessaggi::Esito::incompleto;) {
      esiti.push_back(e == LettoreMessaggi::Esito::messaggio ? "m:" + corpo : "g");
    }
  }
  return esiti;
}

}  // namespace
}  // namespace ferrovello::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ferrovello;
  using namespace ferrovello::fuzz;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  // Whole messages are whole however they arrive; a bad header may be
  // seen at another byte when the bytes come in pieces, so only the
  // messages are compared when there is none.
  const std::vector<std::string> interi = letti(bytes, bytes.size() + 1);
  bool guasti = false;
  for (const std::string& e : interi) guasti = guasti || e == "g";
  if (!guasti) verifica(letti(bytes, size % 7 + 1) == interi, "the messages are the same however the bytes are cut");

  MemoryPlatform p;
  p.files["/s/S_linea.txt"] = kLinea;
  p.input = bytes;
  ServerLsp server(p);
  const int stato = server.servi();
  verifica(stato == 0 || stato == 1, "the server ends with status 0 or 1");
  // Everything written is framed JSON-RPC.
  LettoreMessaggi uscita;
  uscita.aggiungi(p.output);
  std::string corpo;
  std::string errore;
  for (LettoreMessaggi::Esito e; (e = uscita.prossimo(corpo, errore)) != LettoreMessaggi::Esito::incompleto;) {
    verifica(e == LettoreMessaggi::Esito::messaggio, "the server writes only whole messages");
    const Json m = Json::parse(corpo, nullptr, false);
    verifica(m.is_object() && m.value("jsonrpc", "") == "2.0", "every message is JSON-RPC 2.0");
  }
  verifica(uscita.in_attesa() == 0, "no message is cut short");
  return 0;
}
