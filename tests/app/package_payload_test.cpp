// The payload and trailer of a package, decoded as the installer decodes
// them: everything that does not hold is refused before anything is written.
#include "app/package_payload.h"

#include <gtest/gtest.h>

#include "app/crc32.h"
#include "support/folder.h"

namespace ferrovello {
namespace {

Pacchetto example() {
  Pacchetto p;
  p.nome = "Lomellina";
  p.numero_treno = "10234";
  p.script_linea = "[generale]\r\nlunghezza percorso,  8000\r\n[fine]\r\n";
  p.script_treno = "[generale]\r\n[fine]\r\n";
  p.rallentamenti = "Modulo M. 3\r\n";
  p.scheda = "";
  return p;
}

std::string with_byte(std::string s, size_t at, char c) {
  s[at] = c;
  return s;
}

TEST(PackagePayload, RoundTripsEveryField) {
  const std::string bytes = codifica_carico(example());
  Pacchetto p;
  std::string why;
  ASSERT_TRUE(decodifica_carico(bytes, p, why)) << why;
  EXPECT_EQ(p.nome, "Lomellina");
  EXPECT_EQ(p.numero_treno, "10234");
  EXPECT_EQ(p.script_linea, example().script_linea);
  EXPECT_EQ(p.script_treno, example().script_treno);
  EXPECT_FALSE(p.note.has_value());
  EXPECT_EQ(p.rallentamenti, std::optional<std::string>("Modulo M. 3\r\n"));
  EXPECT_EQ(p.scheda, std::optional<std::string>(""));
  EXPECT_EQ(bytes.substr(0, 7), std::string("\x01\x00\x01\x09\x00\x00\x00", 7));  // version 1, the name's length
}

TEST(PackagePayload, RefusesEveryPayloadCutShortOrLengthened) {
  const std::string bytes = codifica_carico(example());
  for (size_t n = 0; n < bytes.size(); ++n) {
    Pacchetto p;
    std::string why;
    EXPECT_FALSE(decodifica_carico(bytes.substr(0, n), p, why)) << n;
    EXPECT_FALSE(why.empty());
  }
  Pacchetto p;
  std::string why;
  EXPECT_FALSE(decodifica_carico(bytes + '\0', p, why));
  EXPECT_EQ(why, "1 byte in più dopo l'ultimo campo");
}

TEST(PackagePayload, RefusesFieldsOutOfBounds) {
  const std::string good = codifica_carico(example());
  Pacchetto named = example();
  const size_t name_at = 3;  // version, presence byte
  std::string huge = good;
  huge.replace(name_at + 4 + 9 + 1, 4, "\xFF\xFF\xFF\x7F");  // the train number's length
  const struct {
    std::string bytes;
    const char* says;
  } cases[] = {
      {with_byte(good, 0, 2), "versione 2 del formato non conosciuta"},
      {with_byte(good, 2, 2), "campo nome: segno di presenza non valido"},
      {with_byte(good, 2, 0), "campo nome assente"},
      {with_byte(good, name_at + 4, '/'), "il nome \"/omellina\" contiene il carattere non ammesso '/'"},
      {with_byte(good, name_at + 4, '\\'), "contiene il carattere non ammesso '\\'"},
      {with_byte(good, name_at + 4, '\xC0'), "contiene un carattere non ASCII o di controllo"},
      {with_byte(good, name_at + 4, '\n'), "contiene un carattere non ASCII o di controllo"},
      {huge, "campo treno: 2147483647 byte, oltre il massimo di 100"},
  };
  for (const auto& c : cases) {
    Pacchetto p;
    std::string why;
    EXPECT_FALSE(decodifica_carico(c.bytes, p, why)) << c.says;
    EXPECT_NE(why.find(c.says), std::string::npos) << why;
  }
  named.nome = std::string(kMassimoNome + 1, 'a');
  Pacchetto p;
  std::string why;
  EXPECT_FALSE(decodifica_carico(codifica_carico(named), p, why));
  named.nome = "";
  EXPECT_FALSE(decodifica_carico(codifica_carico(named), p, why));
  EXPECT_EQ(why, "il nome \"\" è vuoto");
}

TEST(PackagePayload, TrailerAtTheEndOfAFile) {
  const std::string payload = codifica_carico(example());
  const std::string trailer = coda_del_carico(payload);
  ASSERT_EQ(trailer.size(), kLunghezzaCoda);
  const std::string file = std::string(5000, 'x') + payload + trailer;
  const std::string tail = file.substr(file.size() - kFinestraCoda);

  const EsameCoda good = esamina_coda(tail, file.size());
  ASSERT_EQ(good.esito, EsitoCoda::valida) << good.perche;
  EXPECT_EQ(good.lunghezza, payload.size());
  Pacchetto p;
  std::string why;
  EXPECT_TRUE(leggi_carico(file.substr(file.size() - payload.size() - kLunghezzaCoda), good, p, why)) << why;
  EXPECT_FALSE(leggi_carico(file.substr(file.size() - payload.size() - kLunghezzaCoda + 1), good, p, why));
  EXPECT_EQ(why, "il file è cambiato durante la lettura");

  const struct {
    std::string file;
    EsitoCoda esito;
  } cases[] = {
      {std::string(5000, 'x'), EsitoCoda::assente},
      {"", EsitoCoda::assente},
      {trailer.substr(8), EsitoCoda::danneggiata},  // a trailer in a file too short for it: cut
      {std::string(5000, 'x') + payload + trailer.substr(0, 16), EsitoCoda::danneggiata},
      {std::string(5000, 'x') + payload + trailer.substr(0, 15), EsitoCoda::assente},  // less than half the magic left
      {file + "x", EsitoCoda::danneggiata},
      {payload + trailer, EsitoCoda::valida},
      {payload.substr(1) + trailer, EsitoCoda::danneggiata},  // claims one byte more than the file holds
  };
  for (const auto& c : cases) {
    const size_t n = std::min(c.file.size(), kFinestraCoda);
    EXPECT_EQ(esamina_coda(std::string_view(c.file).substr(c.file.size() - n), c.file.size()).esito, c.esito)
        << c.file.size();
  }
}

// The installer's file ends where its headers say the program ends, so
// that bytes after it without a trailer are known for a package cut short.
TEST(PackagePayload, TheInstallersHeadersGiveItsWholeSize) {
  const std::string installer = test::read_bytes(INSTALLER_PATH);
  EXPECT_EQ(fine_del_programma(std::string_view(installer).substr(0, kFinestraTesta)), installer.size());
  EXPECT_EQ(fine_del_programma("MZ"), 0u);
  EXPECT_EQ(fine_del_programma(std::string_view(installer).substr(0, 20)), 0u);
  EXPECT_EQ(fine_del_programma("#!/bin/sh\n"), 0u);
}

// The whole reading of a program's file, as the installer does it, on the
// installer's own bytes with and without a package after them.
TEST(PackagePayload, ThePackageOfAProgramsFile) {
  const std::string installer = test::read_bytes(INSTALLER_PATH);
  const std::string payload = codifica_carico(example());
  const std::string package = installer + payload + coda_del_carico(payload);
  const struct {
    std::string file;
    EsitoCoda esito;
    const char* says;
  } cases[] = {
      {installer, EsitoCoda::assente, ""},
      {package, EsitoCoda::valida, ""},
      {package.substr(0, installer.size() + 10), EsitoCoda::danneggiata, "dopo il programma ci sono 10 byte"},
      {package.substr(0, package.size() - 1), EsitoCoda::danneggiata, "tagliato"},
      // Shorter than its own headers say: a download cut inside the program.
      {installer.substr(0, installer.size() - 1), EsitoCoda::danneggiata, "le sue intestazioni ne dichiarano almeno"},
  };
  for (const auto& c : cases) {
    Pacchetto p;
    std::string why;
    EXPECT_EQ(pacchetto_dei_byte(c.file, p, why), c.esito) << c.file.size() << ": " << why;
    EXPECT_NE(why.find(c.says), std::string::npos) << why;
    if (c.esito == EsitoCoda::valida) {
      EXPECT_EQ(p.script_treno, example().script_treno);
    }
  }
}

TEST(PackagePayload, Crc32OfTheStandardCheckString) {
  EXPECT_EQ(crc32("123456789"), 0xCBF43926u);
  EXPECT_EQ(crc32(""), 0u);
}

}  // namespace
}  // namespace ferrovello
