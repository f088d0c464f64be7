// The two competition codes: checksums of the train number and the scenario
// name, padded to 25 characters.
#include <string>

#include "model/form1.h"

namespace ferrovello {

namespace {

constexpr size_t kCounted = 25;

// Windows-1252 lower case: A-Z, the accented capitals C0-DE except the
// multiplication sign D7, and the four capitals of the 80-9F row.
unsigned char minuscola(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return c;
  }
}

std::string testo_digest(const std::string& treno, const std::string& nome) {
  std::string t = treno + nome;
  for (char& c : t) c = static_cast<char>(minuscola(static_cast<unsigned char>(c)));
  t += "aabbccddeeffgghhiillmmnnoo";
  t.resize(kCounted);
  return t;
}

}  // namespace

int32_t Form1::codice_gara_og() {
  const std::string t = testo_digest(items[kElementoCorsa].text, items[kElementoScenario].text);
  int32_t somma = 0;
  for (size_t i = 0; i < kCounted; ++i) somma += static_cast<unsigned char>(t[i]);
  return somma;
}

int32_t Form1::codice_gara_st() {
  const std::string t = testo_digest(items[kElementoCorsa].text, items[kElementoScenario].text);
  int32_t somma = 0;
  for (size_t i = 0; i < kCounted; ++i) {
    somma += static_cast<int32_t>(i + 1) * static_cast<unsigned char>(t[i]);
  }
  return somma;
}

}  // namespace ferrovello
