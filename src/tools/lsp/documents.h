// The open documents, as the client last sent them, and the pairing of a
// line script with a train script: by a pair file in their folder, or by the
// names the installer gives them (NOME_linea.txt beside NOME_TRENO-.txt).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tools/lsp/protocol.h"

namespace ferrovello {

// The file that names the pairs of a folder: one pair a line, "LINEA | TRENO"
// (the two file names, "|" being no letter of a file name); blank lines and
// lines starting with "#" say nothing.
inline constexpr const char* kFileCoppie = ".coppie-script";
// The largest pair file read: thousands of pairs.
inline constexpr uint64_t kMassimoFileCoppie = uint64_t{64} << 10;

struct Documento {
  std::string uri;
  std::string percorso;  // the file, from the uri; empty for a document that is no file
  int64_t versione = 0;
  TestoAperto testo;
};

class Documenti {
 public:
  void apri(const std::string& uri, int64_t versione, std::string testo);
  // False for a document that is not open.
  bool cambia(const std::string& uri, int64_t versione, std::string testo);
  void chiudi(const std::string& uri) { aperti_.erase(uri); }
  const Documento* trova(const std::string& uri) const;
  // The open document of a file, or null.
  const Documento* del_file(const std::string& percorso) const;

 private:
  std::map<std::string, Documento> aperti_;
};

// The file a "file:" uri names (percent escapes decoded; "/C:/x" read as
// "C:/x"); empty for any other uri, for a file of another machine (an
// authority other than "localhost") and for a name holding a NUL.
std::string percorso_di_uri(const std::string& uri);
std::string uri_di_percorso(const std::string& percorso);

// The two scripts of a scenario: their files, or empty for one that is not
// known.
struct Coppia {
  std::string linea;
  std::string treno;
};
// The pair the script `percorso` belongs to. A script the names do not
// place is a train script unless it names the route's length.
Coppia coppia_di(Platform& base, const Documenti& documenti, const std::string& percorso, const std::string& testo);

}  // namespace ferrovello
