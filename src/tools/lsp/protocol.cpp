#include "tools/lsp/protocol.h"

#include <algorithm>
#include <cstring>

namespace ferrovello {

namespace {

constexpr size_t kPasso = 64;  // characters between two sampled bytes
constexpr int64_t kPassoRighe = 16;  // lines between two sampled line starts

bool continuazione(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Bytes of the UTF-8 character that starts with `c`.
size_t lunghezza_carattere(char c) {
  const auto u = static_cast<unsigned char>(c);
  return u < 0x80 ? 1 : u >= 0xF0 ? 4 : u >= 0xE0 ? 3 : u >= 0xC0 ? 2 : 1;
}

// Strings from this length on are decoded before the parse.
constexpr size_t kStringaLunga = size_t{1} << 16;

bool esadecimale(std::string_view t, size_t i, uint32_t& v) {
  if (i + 4 > t.size()) return false;
  v = 0;
  for (size_t k = i; k < i + 4; ++k) {
    const char c = t[k];
    const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (d < 0) return false;
    v = v * 16 + static_cast<uint32_t>(d);
  }
  return true;
}

void aggiungi_utf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Bytes of the well-formed UTF-8 character at `i`, or 0.
size_t carattere_valido(std::string_view t, size_t i) {
  const auto b = [&](size_t k) { return k < t.size() ? static_cast<unsigned char>(t[k]) : 0u; };
  const auto in = [](unsigned v, unsigned lo, unsigned hi) { return v >= lo && v <= hi; };
  const unsigned c = b(i);
  if (in(c, 0xC2, 0xDF)) return in(b(i + 1), 0x80, 0xBF) ? 2 : 0;
  if (in(c, 0xE0, 0xEF)) {
    const unsigned lo = c == 0xE0 ? 0xA0 : 0x80;
    const unsigned hi = c == 0xED ? 0x9F : 0xBF;
    return in(b(i + 1), lo, hi) && in(b(i + 2), 0x80, 0xBF) ? 3 : 0;
  }
  if (in(c, 0xF0, 0xF4)) {
    const unsigned lo = c == 0xF0 ? 0x90 : 0x80;
    const unsigned hi = c == 0xF4 ? 0x8F : 0xBF;
    return in(b(i + 1), lo, hi) && in(b(i + 2), 0x80, 0xBF) && in(b(i + 3), 0x80, 0xBF) ? 4 : 0;
  }
  return 0;
}

// The string between the quotes, decoded as the parser would; false for
// anything it would refuse, which is then left to it.
bool decodifica(std::string_view t, std::string& out) {
  out.reserve(t.size());
  for (size_t i = 0; i < t.size();) {
    const auto c = static_cast<unsigned char>(t[i]);
    if (c < 0x20) return false;
    if (c >= 0x80) {
      const size_t n = carattere_valido(t, i);
      if (n == 0) return false;
      out.append(t.substr(i, n));
      i += n;
      continue;
    }
    if (c != '\\') {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    if (i + 1 >= t.size()) return false;
    const char e = t[i + 1];
    i += 2;
    switch (e) {
      case '"': out += '"'; break;
      case '\\': out += '\\'; break;
      case '/': out += '/'; break;
      case 'b': out += '\b'; break;
      case 'f': out += '\f'; break;
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case 'u': {
        uint32_t cp = 0;
        if (!esadecimale(t, i, cp)) return false;
        i += 4;
        if (cp >= 0xDC00 && cp <= 0xDFFF) return false;
        if (cp >= 0xD800 && cp <= 0xDBFF) {
          uint32_t basso = 0;
          if (i + 1 >= t.size() || t[i] != '\\' || t[i + 1] != 'u' || !esadecimale(t, i + 2, basso)) return false;
          if (basso < 0xDC00 || basso > 0xDFFF) return false;
          i += 6;
          cp = 0x10000 + ((cp - 0xD800) << 10) + (basso - 0xDC00);
        }
        aggiungi_utf8(out, cp);
        break;
      }
      default:
        return false;
    }
  }
  return true;
}

// What stands in the body for the long string `n` while it is parsed.
std::string segnaposto(size_t n) { return std::string(1, '\0') + "lungo " + std::to_string(n); }

// The long string values of `corpo` decoded into `lunghe`, each replaced by
// its stand-in in place: the body shrinks as they are taken.
void togli_stringhe_lunghe(std::string& corpo, std::vector<std::string>& lunghe) {
  size_t scritto = 0;  // the body is rewritten from the start
  size_t i = 0;
  while (i < corpo.size()) {
    if (corpo[i] != '"') {
      corpo[scritto++] = corpo[i++];
      continue;
    }
    size_t fine = i + 1;
    while (fine < corpo.size() && corpo[fine] != '"') fine += corpo[fine] == '\\' ? 2 : 1;
    if (fine >= corpo.size()) break;  // unterminated: the parser says so
    size_t dopo = fine + 1;
    while (dopo < corpo.size() && (corpo[dopo] == ' ' || corpo[dopo] == '\t' || corpo[dopo] == '\n' || corpo[dopo] == '\r')) ++dopo;
    const bool chiave = dopo < corpo.size() && corpo[dopo] == ':';
    std::string testo;
    if (fine - i - 1 >= kStringaLunga && !chiave && decodifica(std::string_view(corpo).substr(i + 1, fine - i - 1), testo)) {
      const Json j = segnaposto(lunghe.size());
      const std::string sostituto = j.dump();
      lunghe.push_back(std::move(testo));
      corpo.replace(scritto, sostituto.size(), sostituto);
      scritto += sostituto.size();
    } else {
      std::memmove(&corpo[scritto], &corpo[i], fine + 1 - i);
      scritto += fine + 1 - i;
    }
    i = fine + 1;
  }
  if (i < corpo.size()) {
    std::memmove(&corpo[scritto], &corpo[i], corpo.size() - i);
    scritto += corpo.size() - i;
  }
  corpo.resize(scritto);
}

// The long strings put back where their stand-ins are.
void rimetti_stringhe_lunghe(Json& m, std::vector<std::string>& lunghe) {
  std::vector<Json*> da_vedere{&m};
  while (!da_vedere.empty()) {
    Json* j = da_vedere.back();
    da_vedere.pop_back();
    if (j->is_structured()) {
      for (Json& figlio : *j) da_vedere.push_back(&figlio);
      continue;
    }
    if (!j->is_string()) continue;
    std::string& s = j->get_ref<std::string&>();
    for (size_t n = 0; n < lunghe.size(); ++n) {
      if (s.size() < 16 && s == segnaposto(n)) {
        s = std::move(lunghe[n]);
        break;
      }
    }
  }
}

}  // namespace

Json leggi_messaggio(std::string corpo) {
  std::vector<std::string> lunghe;
  togli_stringhe_lunghe(corpo, lunghe);
  if (lunghe.empty()) {
    Json m = Json::parse(corpo, nullptr, false);
    return m;
  }
  std::string(corpo).swap(corpo);  // what is left is small
  Json m = Json::parse(corpo, nullptr, false);
  if (!m.is_discarded()) rimetti_stringhe_lunghe(m, lunghe);
  return m;
}

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
    if (b[i] == '\n' || (b[i] == '\r' && (i + 1 >= b.size() || b[i + 1] != '\n'))) {
      if (righe_++ % kPassoRighe == 0) inizi_.push_back(static_cast<uint32_t>(i + 1));
    }
  }
}

size_t TestoAperto::dopo_a_capo(size_t i) const {
  for (; i < utf8_.size(); ++i) {
    if (utf8_[i] == '\n' || (utf8_[i] == '\r' && (i + 1 >= utf8_.size() || utf8_[i + 1] != '\n'))) return i + 1;
  }
  return utf8_.size();
}

std::string TestoAperto::riga(int64_t r) const {
  if (r < 0 || r >= righe()) return {};
  const size_t da = inizio_riga(r);
  size_t a = r + 1 < righe() ? dopo_a_capo(da) : utf8_.size();
  while (a > da && (utf8_[a - 1] == '\n' || utf8_[a - 1] == '\r')) --a;
  return utf8_.substr(da, a - da);
}

size_t TestoAperto::inizio_riga(int64_t r) const {
  if (r < 0) return 0;
  if (r >= righe()) return utf8_.size();
  size_t i = inizi_[static_cast<size_t>(r / kPassoRighe)];
  for (int64_t k = r % kPassoRighe; k > 0; --k) i = dopo_a_capo(i);
  return i;
}

Posizione TestoAperto::posizione_di(size_t byte) const {
  byte = std::min(byte, utf8_.size());
  const auto campione = static_cast<size_t>(std::upper_bound(inizi_.begin(), inizi_.end(), byte) - inizi_.begin()) - 1;
  auto r = static_cast<int64_t>(campione) * kPassoRighe;
  size_t da = inizi_[campione];
  for (size_t dopo; r + 1 < righe() && (dopo = dopo_a_capo(da)) <= byte; ++r) da = dopo;
  return {r, unita_utf16(std::string_view(utf8_).substr(da, byte - da))};
}

size_t TestoAperto::byte_di(const Posizione& p) const {
  if (p.riga >= righe()) return utf8_.size();
  const size_t da = inizio_riga(p.riga);
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
