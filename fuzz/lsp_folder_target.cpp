// A hostile folder of scripts for the language server: the input makes a
// folder on the disk, one entry a line ("r NAME" a small file, "R NAME" a
// file just larger than a script may be, "f" a pipe, "z" a link to
// /dev/zero, "i" a link to the standard input, "o" a link to a file outside
// the folder, "d" a folder, "x" a link to nothing, "p LINE" a line of the
// pair file, "> NAME" the document opened). The server opens the document
// and is asked for its symbols: it must answer every request, publish the
// document's diagnostics and end, and it must never look at a name outside
// the folder nor read anything but a regular file within a script's size.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "check.h"
#include "platform/posix_platform.h"
#include "tools/lsp/documents.h"
#include "tools/lsp/server.h"
#include "tools/lsp/transport.h"
#include "tools/scenario/prepared_scripts.h"

namespace ferrovello::fuzz {
namespace {

namespace fs = std::filesystem;

constexpr const char* kTreno = "[generale]\r\nnumero vetture, 3\r\n[fine]\r\n";

// The disk for the server's files, the client's stream in memory; every
// name the server looks at is checked to lie in the folder.
class Cartella : public Platform {
 public:
  Cartella(PosixPlatform& disco, std::string cartella) : disco_(disco), cartella_(std::move(cartella)) {}
  std::string input;
  std::string output;

  std::string program_folder() override { return cartella_; }
  char separator() const override { return '/'; }
  bool exists(const std::string& path) override {
    verifica(dentro(path), "the server looks only at files of the folder");
    return disco_.exists(path);
  }
  bool read_file(const std::string& path, std::string& bytes, std::string& reason) override {
    verifica(false, "the server reads a file whole, with no limit");
    return disco_.read_file(path, bytes, reason);
  }
  bool read_file_up_to(const std::string& path, uint64_t limit, std::string& bytes, bool& too_large,
                       std::string& reason) override {
    verifica(dentro(path), "the server reads only files of the folder");
    verifica(limit <= kMassimoScript, "the server reads within a script's size");
    if (!disco_.read_file_up_to(path, limit, bytes, too_large, reason)) return false;
    struct stat st {};
    verifica(::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode), "only a regular file is read");
    verifica(bytes.size() <= limit, "no more than the limit is kept");
    return true;
  }
  bool list_folder(const std::string& path, std::vector<std::string>& names, std::string& reason) override {
    verifica(path == cartella_, "the server lists only the folder");
    return disco_.list_folder(path, names, reason);
  }
  bool replace_file(const std::string&, std::string_view, std::string&) override { return nessuna_scrittura(); }
  bool delete_file(const std::string&, std::string&) override { return nessuna_scrittura(); }
  bool create_folder(const std::string&, std::string&) override { return nessuna_scrittura(); }
  bool lock_run(const std::string&, LockRefusal&, std::string&) override { return nessuna_scrittura(); }
  void remove_stale_temporaries(const std::vector<std::string>&) override {}
  bool read_program_bytes(bool, uint64_t, std::string&, uint64_t& size, std::string&) override {
    size = 0;
    return true;
  }
  bool read_input(std::string& bytes, std::string&) override {
    bytes = input;
    return true;
  }
  bool read_input_some(std::string& bytes, bool& ended, std::string&) override {
    ended = input.empty();
    bytes += input;
    input.clear();
    return true;
  }
  bool input_waiting(int) override { return true; }
  bool write_output(std::string_view text, bool&, std::string&) override {
    output += text;
    return true;
  }
  void show_window(const std::string&, const std::string&) override {}
  void show_message(const std::string&) override {}

 protected:
  void terminate_program(int) override { verifica(false, "the server never ends the program"); }

 private:
  // A name of the folder itself: the folder, a separator, a name with none.
  bool dentro(const std::string& path) const {
    if (path.rfind(cartella_ + "/", 0) != 0) return false;
    const std::string nome = path.substr(cartella_.size() + 1);
    return !nome.empty() && nome != "." && nome != ".." && nome.find('/') == std::string::npos;
  }
  static bool nessuna_scrittura() {
    verifica(false, "the server writes no file");
    return false;
  }

  PosixPlatform& disco_;
  std::string cartella_;
};

// A name made safe to create in the folder: no separator (of either
// system: the server splits at both), no NUL, not the folder itself nor its
// parent.
std::string nome_sicuro(std::string n) {
  for (char& c : n) {
    if (c == '/' || c == '\\' || c == '\0') c = '_';
  }
  if (n.size() > 64) n.resize(64);
  return n.empty() || n == "." || n == ".." ? std::string() : n;
}

void scrivi(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

// Makes the folder the input describes; the document's name.
std::string costruisci(const std::string& bytes, const std::string& cartella, const std::string& fuori) {
  std::string documento = "V_1-.txt";
  std::string coppie;
  std::error_code e;
  size_t da = 0;
  while (da < bytes.size()) {
    size_t a = bytes.find('\n', da);
    if (a == std::string::npos) a = bytes.size();
    const std::string riga = bytes.substr(da, a - da);
    da = a + 1;
    if (riga.size() < 2) continue;
    const char tipo = riga[0];
    const std::string resto = riga.substr(riga[1] == ' ' ? 2 : 1);
    if (tipo == 'p') {
      coppie += resto + "\n";
      continue;
    }
    const std::string nome = nome_sicuro(resto);
    if (nome.empty()) continue;
    const std::string p = cartella + "/" + nome;
    switch (tipo) {
      case '>': documento = nome; break;
      case 'r': scrivi(p, kTreno); break;
      case 'R': {
        scrivi(p, "");
        fs::resize_file(p, kMassimoScript + 1, e);
        break;
      }
      case 'f': ::mkfifo(p.c_str(), 0644); break;
      case 'z': fs::create_symlink("/dev/zero", p, e); break;
      case 'i': fs::create_symlink("/dev/stdin", p, e); break;
      case 'o': fs::create_symlink(fuori, p, e); break;
      case 'd': fs::create_directory(p, e); break;
      case 'x': fs::create_symlink(cartella + "/nessuno", p, e); break;
      default: break;
    }
  }
  if (!coppie.empty() && !fs::exists(fs::symlink_status(cartella + "/" + kFileCoppie, e))) {
    scrivi(cartella + "/" + kFileCoppie, coppie);
  }
  return documento;
}

Json richiesta(int id, const std::string& metodo, Json parametri) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"method", metodo}, {"params", std::move(parametri)}};
}
Json notifica_(const std::string& metodo, Json parametri) {
  return {{"jsonrpc", "2.0"}, {"method", metodo}, {"params", std::move(parametri)}};
}

}  // namespace
}  // namespace ferrovello::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ferrovello;
  using namespace ferrovello::fuzz;
  static PosixPlatform disco("/");
  char modello[] = "/tmp/fuzz_lsp_folder.XXXXXX";
  if (::mkdtemp(modello) == nullptr) return 0;
  const std::string radice = modello;
  const std::string cartella = radice + "/d";
  const std::string fuori = radice + "/V_linea.txt";
  fs::create_directory(cartella);
  scrivi(fuori, "[generale]\r\nlunghezza percorso, 8000\r\n[fine]\r\n");

  const std::string documento = costruisci(std::string(reinterpret_cast<const char*>(data), size), cartella, fuori);
  const std::string uri = uri_di_percorso(cartella + "/" + documento);
  const Json doc = {{"uri", uri}};
  Cartella io(disco, cartella);
  io.input = incornicia(richiesta(1, "initialize", {{"initializationOptions", {{"ritardo", 0}}}}).dump()) +
             incornicia(notifica_("textDocument/didOpen",
                                  {{"textDocument", {{"uri", uri}, {"languageId", "text"}, {"version", 1}, {"text", kTreno}}}})
                            .dump()) +
             incornicia(richiesta(2, "textDocument/documentSymbol", {{"textDocument", doc}}).dump()) +
             incornicia(richiesta(3, "shutdown", Json::object()).dump()) +
             incornicia(notifica_("exit", Json::object()).dump());
  ServerLsp server(io);
  verifica(server.servi() == 0, "the server ends after shutdown and exit with status 0");

  LettoreMessaggi uscita;
  uscita.aggiungi(io.output);
  std::string corpo;
  std::string errore;
  bool risposte[4] = {false, false, false, false};
  int diagnostiche = 0;
  while (uscita.prossimo(corpo, errore) == LettoreMessaggi::Esito::messaggio) {
    const Json m = Json::parse(corpo, nullptr, false);
    verifica(m.is_object(), "every message is an object");
    if (m.contains("id") && m["id"].is_number_integer() && !m.contains("method")) {
      const int id = m["id"].get<int>();
      if (id >= 1 && id <= 3) risposte[id] = true;
    }
    if (m.value("method", "") == "textDocument/publishDiagnostics" && m["params"].value("uri", "") == uri) ++diagnostiche;
  }
  verifica(risposte[1] && risposte[2] && risposte[3], "every request is answered");
  verifica(diagnostiche == 1, "the document's diagnostics are published once");

  std::error_code e;
  fs::remove_all(radice, e);
  return 0;
}
