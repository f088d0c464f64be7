#include "tools/lsp/documents.h"

#include <algorithm>
#include <cctype>

namespace ferrovello {

namespace {

constexpr std::string_view kSuffissoLinea = "_linea.txt";
constexpr std::string_view kSuffissoTreno = "-.txt";

bool finisce_con(std::string_view t, std::string_view s) {
  return t.size() >= s.size() && t.substr(t.size() - s.size()) == s;
}

void dividi(const std::string& percorso, std::string& cartella, std::string& nome) {
  const size_t barra = percorso.find_last_of("/\\");
  cartella = barra == std::string::npos ? std::string() : percorso.substr(0, barra + 1);
  nome = percorso.substr(cartella.size());
}

std::string pulito(std::string t) {
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r')) t.pop_back();
  size_t i = 0;
  while (i < t.size() && (t[i] == ' ' || t[i] == '\t')) ++i;
  return t.substr(i);
}

// A name the pair file may give: a file of its own folder, never a path
// that leads out of it (a folder, "..", a drive, an absolute name) nor one
// the system would cut at a NUL.
bool nome_nella_cartella(std::string_view n) {
  return !n.empty() && n != "." && n != ".." && n.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

// The pair the pair file of `cartella` names for `nome`, if any. A line
// naming a file outside the folder says nothing.
bool dal_file_coppie(Platform& base, const std::string& cartella, const std::string& nome, Coppia& c) {
  std::string bytes;
  std::string perche;
  bool troppo = false;
  const std::string file = cartella + kFileCoppie;
  if (!base.exists(file) || !base.read_file_up_to(file, kMassimoFileCoppie, bytes, troppo, perche) || troppo) {
    return false;
  }
  size_t da = 0;
  while (da < bytes.size()) {
    size_t a = bytes.find('\n', da);
    if (a == std::string::npos) a = bytes.size();
    const std::string riga = pulito(bytes.substr(da, a - da));
    da = a + 1;
    const size_t barra = riga.find('|');
    if (riga.empty() || riga[0] == '#' || barra == std::string::npos) continue;
    const std::string linea = pulito(riga.substr(0, barra));
    const std::string treno = pulito(riga.substr(barra + 1));
    if (!nome_nella_cartella(linea) || !nome_nella_cartella(treno)) continue;
    if (linea == nome || treno == nome) {
      c = {cartella + linea, cartella + treno};
      return true;
    }
  }
  return false;
}

bool esiste(Platform& base, const Documenti& documenti, const std::string& percorso) {
  return documenti.del_file(percorso) != nullptr || base.exists(percorso);
}

}  // namespace

void Documenti::apri(const std::string& uri, int64_t versione, std::string testo) {
  aperti_[uri] = Documento{uri, percorso_di_uri(uri), versione, TestoAperto(std::move(testo))};
}

bool Documenti::cambia(const std::string& uri, int64_t versione, std::string testo) {
  const auto it = aperti_.find(uri);
  if (it == aperti_.end()) return false;
  it->second.versione = versione;
  it->second.testo = TestoAperto(std::move(testo));
  return true;
}

const Documento* Documenti::trova(const std::string& uri) const {
  const auto it = aperti_.find(uri);
  return it == aperti_.end() ? nullptr : &it->second;
}

const Documento* Documenti::del_file(const std::string& percorso) const {
  if (percorso.empty()) return nullptr;
  for (const auto& [uri, d] : aperti_) {
    if (d.percorso == percorso) return &d;
  }
  return nullptr;
}

std::string percorso_di_uri(const std::string& uri) {
  constexpr std::string_view kSchema = "file://";
  if (uri.rfind(kSchema, 0) != 0) return {};
  std::string p;
  const std::string resto = uri.substr(kSchema.size());
  // Only a file of this machine: no authority, or "localhost".
  const size_t inizio = resto.find('/');
  if (inizio == std::string::npos || (inizio != 0 && resto.substr(0, inizio) != "localhost")) return {};
  for (size_t i = inizio; i < resto.size(); ++i) {
    const auto cifra = [](char c) {
      return c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    if (resto[i] == '%' && i + 2 < resto.size() && cifra(resto[i + 1]) >= 0 && cifra(resto[i + 2]) >= 0) {
      p += static_cast<char>(cifra(resto[i + 1]) * 16 + cifra(resto[i + 2]));
      i += 2;
    } else {
      p += resto[i];
    }
  }
  // A NUL would end the name the system sees early: another file.
  if (p.find('\0') != std::string::npos) return {};
  // A drive: "/C:/..." is "C:/...".
  if (p.size() >= 3 && p[0] == '/' && p[2] == ':' && std::isalpha(static_cast<unsigned char>(p[1]))) p.erase(0, 1);
  return p;
}

std::string uri_di_percorso(const std::string& percorso) {
  std::string u = "file://";
  if (percorso.size() >= 2 && percorso[1] == ':') u += '/';
  static const char* kCifre = "0123456789ABCDEF";
  for (const char c : percorso) {
    const auto b = static_cast<unsigned char>(c);
    if (c == '\\') {
      u += '/';
    } else if (std::isalnum(b) || std::string_view("/-._~:").find(c) != std::string_view::npos) {
      u += c;
    } else {
      u += '%';
      u += kCifre[b >> 4];
      u += kCifre[b & 15];
    }
  }
  return u;
}

Coppia coppia_di(Platform& base, const Documenti& documenti, const std::string& percorso, const std::string& testo) {
  std::string cartella;
  std::string nome;
  dividi(percorso, cartella, nome);
  Coppia c;
  if (dal_file_coppie(base, cartella, nome, c)) return c;
  if (finisce_con(nome, kSuffissoLinea)) {
    c.linea = percorso;
    // NOME_TRENO-.txt: an open one first, else the first of the folder.
    const std::string prefisso = nome.substr(0, nome.size() - kSuffissoLinea.size()) + "_";
    std::vector<std::string> nomi;
    std::string perche;
    base.list_folder(cartella.empty() ? "." : cartella.substr(0, cartella.size() - 1), nomi, perche);
    std::sort(nomi.begin(), nomi.end());
    std::string trovato;
    for (const std::string& n : nomi) {
      if (n.rfind(prefisso, 0) != 0 || !finisce_con(n, kSuffissoTreno) || n.size() <= prefisso.size() + 5) continue;
      if (trovato.empty() || documenti.del_file(cartella + n) != nullptr) trovato = n;
      if (documenti.del_file(cartella + n) != nullptr) break;
    }
    if (!trovato.empty()) c.treno = cartella + trovato;
    return c;
  }
  if (finisce_con(nome, kSuffissoTreno)) {
    c.treno = percorso;
    // NOME_TRENO-.txt: NOME ends at one of the "_", the last that gives a line script.
    for (size_t u = nome.rfind('_'); u != std::string::npos && u > 0; u = nome.rfind('_', u - 1)) {
      const std::string linea = cartella + nome.substr(0, u) + std::string(kSuffissoLinea);
      if (esiste(base, documenti, linea)) {
        c.linea = linea;
        break;
      }
    }
    return c;
  }
  if (testo.find("lunghezza") != std::string::npos) {
    c.linea = percorso;
  } else {
    c.treno = percorso;
  }
  return c;
}

}  // namespace ferrovello
