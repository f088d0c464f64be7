#include "tools/lsp/protocol.h"

#include <algorithm>

namespace ferrovello {

namespace {

constexpr size_t kPasso = 64;  // characters between two sampled bytes

bool continuazione(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Bytes of the UTF-8 character that starts with `c`.
size_t lunghezza_carattere(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x80 ? 1 : u >= 0xF0 ? 4 : u >= 0xE0 ? 3 : u >= 0xC0 ? 2 : 1;
}

}  // namespace

Json json_di(const Posizione& p) { return {{"line", p.riga}, {"character", p.carattere}}; }
Json json_di(const Intervallo& i) { return {{"start", json_di(i.da)}, {"end", json_di(i.a)}}; }

bool leggi_posizione(const Json& j, Posizione& p) {
  if (!j.is_object() || !j.contains("line") || !j.contains("character")) return false;
  const Json& r = j["line"];
  const Json& c = j["character"];
  if (!r.is_number_integer() || !c.is_number_integer()) return false;
  p.riga = r.get<int64_t>();
  p.carattere = c.get<int64_t>();
  return p.riga >= 0 && p.carattere >= 0;
}

Json risposta(const Json& id, Json risultato) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(risultato)}};
}

Json risposta_errore(const Json& id, int codice, const std::string& messaggio) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", codice}, {"message", messaggio}}}};
}

Json notifica(const std::string& metodo, Json parametri) {
  return {{"jsonrpc", "2.0"}, {"method", metodo}, {"params", std::move(parametri)}};
}

int64_t unita_utf16(std::string_view utf8) {
  int64_t n = 0;
  for (const char c : utf8) {
    if (continuazione(c)) continue;
    n += static_cast<unsigned char>(c) >= 0xF0 ? 2 : 1;
  }
  return n;
}

TestoAperto::TestoAperto(std::string utf8) : utf8_(std::move(utf8)) {
  const std::string& b = utf8_;
  size_t n = 0;
  for (size_t i = 0; i < b.size(); i += lunghezza_carattere(b[i])) {
    if (n++ % kPasso == 0) caratteri_.push_back(static_cast<uint32_t>(i));
    if (b[i] == '\n' || (b[i] == '\r' && (i + 1 >= b.size() || b[i + 1] != '\n'))) inizi_.push_back(static_cast<uint32_t>(i + 1));
  }
}

std::string TestoAperto::riga(int64_t r) const {
  if (r < 0 || r >= righe()) return {};
  const size_t da = inizi_[static_cast<size_t>(r)];
  size_t a = r + 1 < righe() ? inizi_[static_cast<size_t>(r) + 1] : utf8_.size();
  while (a > da && (utf8_[a - 1] == '\n' || utf8_[a - 1] == '\r')) --a;
  return utf8_.substr(da, a - da);
}

size_t TestoAperto::inizio_riga(int64_t r) const {
  if (r < 0) return 0;
  return r < righe() ? inizi_[static_cast<size_t>(r)] : utf8_.size();
}

Posizione TestoAperto::posizione_di(size_t byte) const {
  byte = std::min(byte, utf8_.size());
  const auto r = static_cast<size_t>(std::upper_bound(inizi_.begin(), inizi_.end(), byte) - inizi_.begin()) - 1;
  return {static_cast<int64_t>(r), unita_utf16(std::string_view(utf8_).substr(inizi_[r], byte - inizi_[r]))};
}

size_t TestoAperto::byte_di(const Posizione& p) const {
  if (p.riga >= righe()) return utf8_.size();
  const size_t da = inizi_[static_cast<size_t>(p.riga)];
  const size_t fine = da + riga(p.riga).size();
  size_t i = da;
  for (int64_t u = 0; i < fine && u < p.carattere; i += lunghezza_carattere(utf8_[i])) {
    u += static_cast<unsigned char>(utf8_[i]) >= 0xF0 ? 2 : 1;
  }
  return std::min(i, fine);
}

size_t TestoAperto::byte_del_carattere(size_t n) const {
  if (caratteri_.empty()) return 0;
  const size_t campione = std::min(n / kPasso, caratteri_.size() - 1);
  size_t i = caratteri_[campione];
  for (size_t k = campione * kPasso; k < n && i < utf8_.size(); ++k) i += lunghezza_carattere(utf8_[i]);
  return std::min(i, utf8_.size());
}

}  // namespace ferrovello
