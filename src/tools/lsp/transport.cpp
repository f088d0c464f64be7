#include "tools/lsp/transport.h"

#include <algorithm>
#include <cctype>

namespace ferrovello {

namespace {

constexpr std::string_view kFineIntestazione = "\r\n\r\n";
constexpr std::string_view kLunghezza = "content-length";
// A header longer than this without its blank line is no header.
constexpr size_t kIntestazioneMassima = 4096;
// Bytes already taken that the reader's buffer may keep.
constexpr size_t kTrattenutoMassimo = size_t{1} << 20;

std::string minuscolo(std::string_view t) {
  std::string m(t);
  for (char& c : m) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return m;
}

std::string_view senza_spazi(std::string_view t) {
  while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
  while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
  return t;
}

// The body's length from the header's lines; false with why otherwise.
bool lunghezza_di(std::string_view intestazione, size_t& lunghezza, std::string& perche) {
  bool trovata = false;
  while (!intestazione.empty()) {
    const size_t a_capo = intestazione.find("\r\n");
    const std::string_view riga = intestazione.substr(0, a_capo);
    intestazione.remove_prefix(a_capo == std::string_view::npos ? intestazione.size() : a_capo + 2);
    const size_t due_punti = riga.find(':');
    if (due_punti == std::string_view::npos) {
      perche = "riga d'intestazione senza \":\"";
      return false;
    }
    if (minuscolo(senza_spazi(riga.substr(0, due_punti))) != kLunghezza) continue;
    const std::string_view valore = senza_spazi(riga.substr(due_punti + 1));
    if (valore.empty() || valore.size() > 12 ||
        !std::all_of(valore.begin(), valore.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      perche = "Content-Length non è un numero";
      return false;
    }
    lunghezza = std::stoull(std::string(valore));
    if (lunghezza > kCorpoMassimo) {
      perche = "Content-Length supera il massimo di " + std::to_string(kCorpoMassimo) + " byte";
      return false;
    }
    trovata = true;
  }
  if (!trovata) perche = "manca Content-Length";
  return trovata;
}

}  // namespace

void LettoreMessaggi::aggiungi(std::string_view bytes) {
  // What was taken goes once it is most of the buffer: appending stays cheap.
  if (inizio_ > 0 && inizio_ * 2 >= buffer_.size()) {
    buffer_.erase(0, inizio_);
    inizio_ = 0;
  }
  buffer_.append(bytes);
}

LettoreMessaggi::Esito LettoreMessaggi::scarta(std::string& errore, std::string perche) {
  errore = "intestazione non valida: " + std::move(perche);
  // On to the next header that names a length, or to the end.
  const std::string m = minuscolo(std::string_view(buffer_).substr(inizio_ + 1));
  const size_t dopo = m.find(kLunghezza);
  inizio_ = dopo == std::string::npos ? buffer_.size() : inizio_ + 1 + dopo;
  return Esito::guasto;
}

LettoreMessaggi::Esito LettoreMessaggi::prossimo(std::string& corpo, std::string& errore) {
  const std::string_view resto = std::string_view(buffer_).substr(inizio_);
  const size_t fine = resto.find(kFineIntestazione);
  if (fine == std::string_view::npos) {
    if (resto.size() > kIntestazioneMassima + kFineIntestazione.size()) return scarta(errore, "senza riga vuota");
    return Esito::incompleto;
  }
  if (fine > kIntestazioneMassima) return scarta(errore, "troppo lunga");
  size_t lunghezza = 0;
  std::string perche;
  if (!lunghezza_di(resto.substr(0, fine + 2), lunghezza, perche)) return scarta(errore, perche);
  const size_t inizio_corpo = fine + kFineIntestazione.size();
  if (resto.size() - inizio_corpo < lunghezza) {
    // Room for the whole message at once: growing by doubling would hold
    // the bytes twice while they are moved.
    if (inizio_ > 0) {
      buffer_.erase(0, inizio_);
      inizio_ = 0;
    }
    buffer_.reserve(inizio_corpo + lunghezza);
    return Esito::incompleto;
  }
  if (lunghezza > kTrattenutoMassimo) return consegna(corpo, inizio_corpo, lunghezza);
  corpo.assign(resto.substr(inizio_corpo, lunghezza));
  inizio_ += inizio_corpo + lunghezza;
  // A large message taken leaves no room behind it: a document's text
  // would otherwise be held twice more while it is checked.
  if (inizio_ > kTrattenutoMassimo) {
    buffer_.erase(0, inizio_);
    buffer_.shrink_to_fit();
    inizio_ = 0;
  }
  return Esito::messaggio;
}

// A large body is handed over in the buffer itself, not copied: what came
// after it starts the next buffer.
LettoreMessaggi::Esito LettoreMessaggi::consegna(std::string& corpo, size_t inizio_corpo, size_t lunghezza) {
  const size_t dopo = inizio_ + inizio_corpo + lunghezza;
  std::string seguito = buffer_.substr(dopo);
  buffer_.resize(dopo);
  buffer_.erase(0, inizio_ + inizio_corpo);
  corpo = std::move(buffer_);
  buffer_ = std::move(seguito);
  inizio_ = 0;
  return Esito::messaggio;
}

std::string incornicia(std::string_view corpo) {
  std::string m = "Content-Length: " + std::to_string(corpo.size()) + "\r\n\r\n";
  m.append(corpo);
  return m;
}

}  // namespace ferrovello
