#include "scripts/item_reader.h"

#include <cstring>

namespace ferrovello {

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }
bool line_end(char c) { return c == '\r' || c == '\n'; }

void skip_blanks(ScriptItems& s) {
  while (s.pos < s.bytes.size() && blank(s.bytes[s.pos])) ++s.pos;
}

// Consumes one line end: CR LF, or a lone LF or CR.
void consume_line_end(ScriptItems& s) {
  if (s.pos >= s.bytes.size()) return;
  if (s.bytes[s.pos] == '\r') {
    ++s.pos;
    if (s.pos < s.bytes.size() && s.bytes[s.pos] == '\n') ++s.pos;
  } else if (s.bytes[s.pos] == '\n') {
    ++s.pos;
  }
}

// Consumes the comma or line end that closes an item, if one stands here.
void consume_delimiter(ScriptItems& s) {
  if (s.pos >= s.bytes.size()) return;
  if (s.bytes[s.pos] == ',') {
    ++s.pos;
  } else {
    consume_line_end(s);
  }
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool fine_file(const ScriptItems& s) { return s.pos >= s.bytes.size(); }

bool leggi_testo(ScriptItems& s, std::string& item) {
  if (fine_file(s)) return false;
  skip_blanks(s);
  s.item_start = s.pos;
  size_t end = s.pos;
  while (end < s.bytes.size() && s.bytes[end] != ',' && !line_end(s.bytes[end])) ++end;
  size_t last = end;
  while (last > s.pos && blank(s.bytes[last - 1])) --last;
  item.assign(s.bytes, s.pos, last - s.pos);
  s.pos = end;
  consume_delimiter(s);
  return true;
}

bool leggi_numero(ScriptItems& s, Larghezza larghezza, int32_t& valore, std::string& perche) {
  if (fine_file(s)) {
    perche = "il file finisce dove si attende un numero";
    return false;
  }
  skip_blanks(s);
  s.item_start = s.pos;
  const std::string& b = s.bytes;
  bool negativo = false;
  if (s.pos < b.size() && b[s.pos] == '-') {
    negativo = true;
    ++s.pos;
  }
  int64_t v = 0;
  bool troppo_grande = false;
  size_t cifre = 0;
  while (s.pos < b.size() && b[s.pos] >= '0' && b[s.pos] <= '9') {
    if (v <= 10000000000LL) {
      v = v * 10 + (b[s.pos] - '0');
    } else {
      troppo_grande = true;
    }
    ++cifre;
    ++s.pos;
  }
  if (s.pos < b.size() && !blank(b[s.pos]) && b[s.pos] != ',' && !line_end(b[s.pos])) {
    perche = "un numero intero contiene un carattere non ammesso";
    return false;
  }
  if (negativo && cifre == 0) {
    perche = "un segno meno non seguito da cifre non è un numero";
    return false;
  }
  skip_blanks(s);
  consume_delimiter(s);
  if (negativo) v = -v;
  int64_t minimo = -2147483648LL;
  int64_t massimo = 2147483647LL;
  if (larghezza == Larghezza::bit16) {
    minimo = -32768;
    massimo = 32767;
  } else if (larghezza == Larghezza::bit8) {
    minimo = 0;
    massimo = 255;
  }
  if (troppo_grande || v < minimo || v > massimo) {
    perche = "il valore " + std::string(b, s.item_start, cifre + (negativo ? 1 : 0)) +
             " è fuori dal campo da " + std::to_string(minimo) + " a " + std::to_string(massimo);
    return false;
  }
  valore = static_cast<int32_t>(v);
  return true;
}

PuntoTesto punto_testo(const ScriptItems& s, size_t offset) {
  PuntoTesto p;
  const size_t end = offset < s.bytes.size() ? offset : s.bytes.size();
  size_t i = 0;
  if (s.contato_fino <= end) {
    i = s.contato_fino;
    p = s.punto_contato;
  }
  for (; i < end; ++i) {
    const char c = s.bytes[i];
    if (c == '\n' || (c == '\r' && (i + 1 >= s.bytes.size() || s.bytes[i + 1] != '\n'))) {
      ++p.riga;
      p.colonna = 1;
    } else if (c != '\r') {
      ++p.colonna;
    }
  }
  s.contato_fino = end;
  s.punto_contato = p;
  return p;
}

bool contiene(const std::string& testo, const char* parola) {
  return testo.find(parola) != std::string::npos;
}

bool contiene_ci(std::string_view testo, std::string_view parola) {
  const size_t n = parola.size();
  if (n > testo.size()) return false;
  if (n == 0) return true;
  const char primo = lower(parola[0]);
  for (size_t i = 0; i + n <= testo.size(); ++i) {
    if (lower(testo[i]) != primo) continue;
    size_t k = 1;
    while (k < n && lower(testo[i + k]) == lower(parola[k])) ++k;
    if (k == n) return true;
  }
  return false;
}

}  // namespace ferrovello
