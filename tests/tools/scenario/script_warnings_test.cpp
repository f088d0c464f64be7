// The authors' check: a warning for everything the format lets through but an
// author almost never means, UTF-8 scripts, read faults in the author's
// terms, and every fault in one pass. The warnings only observe: the files
// `compile` writes are those of the installer's own compiler.
#include <gtest/gtest.h>

#include "model/form1.h"
#include "platform/posix_platform.h"
#include "support/folder.h"
#include "support/scenario.h"

namespace ferrovello::test {
namespace {

const std::string kLine = line_script({});
const std::string kTrain = train_script({"numero vetture,  9"});

std::string signal(const std::string& position, const std::string& s1 = "4") {
  return "segnale,  " + position + ",  2,  " + s1 + ",  0,  0,  0,  0,  0,  0,  0,  0";
}
std::string station(int position, const std::string& type, const std::string& name, int hours = 0) {
  return "stazione,  " + std::to_string(position) + ",  " + type + ",  300,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  " +
         std::to_string(hours) + ",  0,  0,   " + name;
}

// `scenario-tool ARGS --line linea.txt --train treno.txt`, run in the folder
// of the two scripts so that reports name them as the author typed them.
RunResult tool(const std::string& line, const std::string& train, std::vector<std::string> args,
               const TempFolder& in) {
  write_bytes(in.file("linea.txt"), line);
  write_bytes(in.file("treno.txt"), train);
  args.insert(args.end(), {"--line", "linea.txt", "--train", "treno.txt"});
  return run(TOOL_PATH, args, in.path());
}

// The three binary files written by the installer's own run on these
// scripts, with no tool in between.
std::vector<std::string> installer_files(const std::string& line, const std::string& train) {
  TempFolder folder;
  PosixPlatform platform(folder.path());
  Form1 form(platform);
  form.scenario_name = "Ferrovello";
  form.train_number = "2632";
  write_bytes(folder.file("Ferrovello_linea.txt"), line);
  write_bytes(folder.file("Ferrovello_2632-.txt"), train);
  form.memorizza_percorso(1);
  return {read_bytes(folder.file("Ferrovello_linea.dat")), read_bytes(folder.file("Ferrovello_2632.sim")),
          read_bytes(folder.file("Ferrovello_2632.dat"))};
}

struct Case {
  const char* what;
  std::string line;
  std::string train;
  std::string warning;  // the whole line printed
};

TEST(ScriptWarnings, OnePerKindWithItsPlaceAndTheFilesUnchanged) {
  const Case cases[] = {
      {"a field too many", kLine, train_script({"sabbia,  300,  5"}),
       "treno.txt:2:16: avviso: il valore \"5\" sta dove si attende una parola chiave: la riga precedente ha un campo in "
       "più? Viene ignorato"},
      {"two keywords in one item", kLine, train_script({"segnale e abbattimento,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0,  9000,  1"}),
       "treno.txt:2:1: avviso: \"segnale e abbattimento\" corrisponde a più parole chiave (\"segnale\" e \"abbattimento\"): "
       "ognuna legge i suoi campi, uno dopo l'altro; scrivi una parola chiave per riga"},
      {"keyword inside other text", kLine, train_script({"numero vetture del treno,  9"}),
       "treno.txt:2:1: avviso: \"numero vetture del treno\" è letto come la parola chiave \"numero vetture\" perché la "
       "contiene: se è un commento, toglilo; altrimenti scrivi \"numero vetture\""},
      {"keyword skipped as a separator", kLine, train_script({"sabbia-bis,  300"}),
       "treno.txt:2:1: avviso: \"sabbia-bis\" contiene \"-\" e viene saltato come separatore, benché contenga la parola "
       "chiave \"sabbia\": la riga è ignorata; togli il \"-\""},
      {"train script without [generale]", kLine, crlf({"numero vetture,  9"}),
       "treno.txt:1:1: avviso: manca la sezione \"[generale]\": nulla dello script del treno viene letto (dati del treno, "
       "stazioni, segnali); scrivi \"[generale]\" prima delle righe"},
      {"misspelt [generale]", kLine, crlf({"[generle]", "numero vetture,  9"}),
       "treno.txt:1:1: avviso: \"[generle]\" non è \"[generale]\": senza quella sezione nulla dello script del treno viene "
       "letto; scrivi \"[generale]\""},
      {"nothing read from the train script", kLine, train_script({}),
       "treno.txt:1:1: avviso: dopo \"[generale]\" non c'è nessuna riga che il compilatore legga: lo script del treno non "
       "dà nulla"},
      {"empty train script", kLine, "",
       "treno.txt:1:1: avviso: lo script del treno è vuoto: nessun dato del treno, nessuna stazione e nessun segnale"},
      {"a last keyword without [fine]", kLine, crlf({"[generale]", "numero vetture,  9", "sabbia"}),
       "treno.txt:3:1: avviso: \"sabbia\" è l'ultima voce del file e il compilatore non la legge mai: chiudi il file con "
       "la riga \"[fine]\""},
      {"signal before the route", kLine, train_script({signal("-300")}),
       "treno.txt:2:11: avviso: \"segnale\" a -300 m sta prima dell'inizio del percorso: il segnale non viene posto"},
      {"signboard before the route", line_script({"cartello_indicatore,  -100,  (A)"}), kTrain,
       "linea.txt:5:23: avviso: \"cartello_indicatore\" a -100 m sta prima dell'inizio del percorso: il cartello non viene "
       "posto"},
      {"signal near the start", kLine, train_script({signal("200")}),
       "treno.txt:2:1: avviso: il segnale a 200 m è troppo vicino all'inizio del percorso: i codici di avvicinamento che "
       "cadrebbero prima della cella 0 non vengono scritti"},
      {"mountain past the end", line_script({"montagna,  87000,  97000,  11"}), kTrain,
       "linea.txt:5:1: avviso: la montagna da 87000 a 97000 m esce dal percorso (celle da 0 a 1900): la parte fuori non "
       "viene posta"},
      {"curve past the last point", line_script({"curvad4,  94000,  2000"}), kTrain,
       "linea.txt:5:1: avviso: la curva finisce a 96000 m, oltre l'ultimo punto del tracciato (94998 m): gli ultimi 1002 m "
       "non vengono posati"},
      {"slow order ending past the route", kLine, train_script({"rallentamento,  94000,  60,  5000,  0,  0,  0"}),
       "treno.txt:2:1: avviso: il cartello di fine del rallentamento cadrebbe nella cella 1981, oltre l'ultima (1900): non "
       "viene posto"},
      {"gradient of 600 per mille", line_script({"pendenza,  1500,  600"}), kTrain,
       "linea.txt:5:19: avviso: campo 2 (pendenza) di \"pendenza\": 600 è fuori dal campo da -100 a 155; si tengono i bit "
       "bassi di pendenza + 100 (88 per mille)"},
      {"adhesion above 8 bits", kLine, train_script({"aderenza,  0,  300"}),
       "treno.txt:2:16: avviso: campo 2 (aderenza) di \"aderenza\": 300 è fuori dal campo da 0 a 255; si tengono i bit "
       "bassi (44)"},
      {"marked point value above 16 bits", kLine, train_script({"abbattimento,  5000,  70000"}),
       "treno.txt:2:23: avviso: campo 2 (valore) di \"abbattimento\": il valore 70000 non sta in 16 bit e se ne tengono "
       "solo i bit bassi (4464)"},
      {"station hour", kLine, train_script({station(13900, "12", "VALENZA", 25)}),
       "treno.txt:2:71: avviso: campo 14 (ore) di \"stazione\": 25 è fuori dal campo da 0 a 23"},
      {"speed board not a multiple of 5", line_script({"indicatori_vmax,  1550,  127,  135,  135,  0,    ,    ,    ,  0"}), kTrain,
       "linea.txt:5:26: avviso: campo 2 (vas) di \"indicatori_vmax\": 127 km/h non è un multiplo di 5 da 0 in su: il "
       "simulatore non la legge come è scritta"},
      {"speed table not from 0", kLine, train_script({"velocita,  1500,  100"}),
       "treno.txt:2:12: avviso: la prima riga \"velocita\" è a 1500 m: la tabella deve cominciare a 0 m, e prima le celle "
       "ricevono 0"},
      {"speed table not ascending", kLine, train_script({"velocita,  0,  80", "velocita,  5000,  100", "velocita,  3000,  90"}),
       "treno.txt:4:12: avviso: \"velocita\" a 3000 m viene dopo una riga a 5000 m: le righe vanno in ordine crescente di "
       "posizione"},
      {"adhesion table not ascending", kLine, train_script({"aderenza,  0,  100", "aderenza,  5000,  90", "aderenza,  3000,  90"}),
       "treno.txt:4:12: avviso: \"aderenza\" a 3000 m viene dopo una riga a 5000 m: le righe vanno in ordine crescente di "
       "posizione"},
      {"a line whose fields run onto the next", kLine, train_script({"orologio,  7,  29", "40"}),
       "treno.txt:2:1: avviso: la riga di \"orologio\" finisce prima del campo 3 (secondi): il campo 3 (secondi) è preso "
       "dalla riga seguente"},
      {"a byte that is no text", kLine, train_script({station(13900, "12", "VALENZA\x81")}),
       "treno.txt:2:91: avviso: il file contiene il byte 81, che non è testo in Windows-1252: è davvero uno script? Viene "
       "letto come sta"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder in;
    const RunResult r = tool(c.line, c.train, {"check"}, in);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find(c.warning + "\n"), std::string::npos) << r.err;
    // The summary counts every warning printed.
    size_t printed = 0;
    for (size_t at = r.err.find(": avviso: "); at != std::string::npos; at = r.err.find(": avviso: ", at + 1)) ++printed;
    const std::string count = std::to_string(printed) + (printed == 1 ? " avviso\n" : " avvisi\n");
    EXPECT_EQ(r.out.substr(r.out.size() - std::min(r.out.size(), count.size())), count) << r.out << r.err;
    EXPECT_EQ(tool(c.line, c.train, {"check", "--strict"}, in).status, 1);

    // compile: the same warning after the files, and the files the installer's compiler writes.
    const RunResult w = tool(c.line, c.train, {"compile", "--out", "o"}, in);
    EXPECT_EQ(w.status, 0) << w.err;
    EXPECT_NE(w.err.find(c.warning + "\n"), std::string::npos) << w.err;
    const std::vector<std::string> expected = installer_files(c.line, c.train);
    EXPECT_EQ(read_bytes(in.file("o/Ferrovello_linea.dat")), expected[0]);
    EXPECT_EQ(read_bytes(in.file("o/Ferrovello_2632.sim")), expected[1]);
    EXPECT_EQ(read_bytes(in.file("o/Ferrovello_2632.dat")), expected[2]);
  }
}

// A keyword misspelt on a line that carries fields drops those values from
// the route: an error of the check (status 1 for every command), while the
// compiler's own files stay what the installer writes.
TEST(ScriptWarnings, AMisspeltKeywordOnALineOfFieldsIsAnError) {
  const Case cases[] = {
      {"misspelt signal", kLine, train_script({"segnalle,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0"}),
       "treno.txt:2:1: errore: \"segnalle\" non è una parola chiave e la riga viene ignorata; forse \"segnale\"?"},
      {"misspelt gradient", line_script({"pendensa,  1500,  -5"}), kTrain,
       "linea.txt:5:1: errore: \"pendensa\" non è una parola chiave e la riga viene ignorata; forse \"pendenza\"?"},
      {"misspelt station", kLine, train_script({"stazzione,  13900,  12,  500"}),
       "treno.txt:2:1: errore: \"stazzione\" non è una parola chiave e la riga viene ignorata; forse \"stazione\"?"},
      {"exact-case keyword in capitals", crlf({"[generale]", "lunghezza percorso,  88000", "SFONDO UNO,  1", "[c]", "[fine]"}),
       kTrain,
       "linea.txt:3:1: errore: \"SFONDO UNO\" non è una parola chiave e la riga viene ignorata; le parole chiave della "
       "sezione [generale] distinguono le maiuscole: scrivi \"sfondo uno\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder in;
    const RunResult r = tool(c.line, c.train, {"check"}, in);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(c.warning + "\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.rfind("1 errore del controllo: percorso di 88000 m, ", 0), 0u) << r.out;
    EXPECT_EQ(tool(c.line, c.train, {"check", "--all"}, in).status, 1);

    const RunResult w = tool(c.line, c.train, {"compile", "--out", "o"}, in);
    EXPECT_EQ(w.status, 1) << w.err;
    EXPECT_NE(w.err.find(c.warning + "\n"), std::string::npos) << w.err;
    const std::vector<std::string> expected = installer_files(c.line, c.train);
    EXPECT_EQ(read_bytes(in.file("o/Ferrovello_2632.sim")), expected[1]);
    EXPECT_EQ(read_bytes(in.file("o/Ferrovello_2632.dat")), expected[2]);
  }
  // A note that resembles no keyword, and a misspelt keyword alone on its
  // line, only warn.
  for (const std::string& note : {std::string("nota del macchinista,  5"), std::string("segnalle")}) {
    SCOPED_TRACE(note);
    TempFolder in;
    const RunResult r = tool(kLine, train_script({note}), {"check"}, in);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("treno.txt:2:1: avviso: "), std::string::npos) << r.err;
  }
}

TEST(ScriptWarnings, TheEmbeddedScenarioHasNone) {
  TempFolder in;
  FolderScenario s;  // the scripts as real files, read back as an author would give them
  s.form.dati_linea();
  s.form.dati_treno();
  const RunResult r = tool(read_bytes(s.line_path()), read_bytes(s.train_path()), {"check", "--strict"}, in);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

TEST(ScriptWarnings, BinaryFileAsTrainScript) {
  TempFolder in;
  const RunResult r = tool(kLine, read_bytes("/bin/ls"), {"check"}, in);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("treno.txt:1:1: avviso: manca la sezione \"[generale]\""), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("che non è testo in Windows-1252: è davvero uno script?"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("0 stazioni, 0 segnali"), std::string::npos) << r.out;
}

// UTF-8 scripts: converted when every character has a place in Windows-1252.
TEST(ScriptText, Utf8IsConvertedOrRefused) {
  const std::string cp1252 = train_script({station(30550, "26", "VALLE LOMELLIN\xC0")});
  const std::string utf8 = train_script({station(30550, "26", "VALLE LOMELLIN\xC3\x80")});
  const std::string bom = "\xEF\xBB\xBF";
  struct Conversion {
    const char* what;
    std::string train;
    std::string warning;  // empty: none
  };
  const Conversion cases[] = {
      {"UTF-8", utf8, "treno.txt:1:1: nota: il file è in UTF-8: è stato convertito in Windows-1252, la codifica degli "
                      "script, prima di compilarlo"},
      {"UTF-8 with a byte-order mark", bom + utf8,
       "treno.txt:1:1: nota: il file è in UTF-8 (con BOM): è stato convertito in Windows-1252, la codifica degli "
       "script, prima di compilarlo"},
      {"Windows-1252", cp1252, ""},
  };
  for (const Conversion& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder in;
    const RunResult r = tool(kLine, c.train, {"compile", "--out", "o"}, in);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, c.warning.empty() ? "" : c.warning + "\n");
    // The station name is stored as the one byte C0, as the installer stores it.
    EXPECT_EQ(read_bytes(in.file("o/Ferrovello_2632.sim")), installer_files(kLine, cp1252)[1]);
  }

  // A lone byte-order mark is dropped, without a word.
  TempFolder in;
  const RunResult r = tool(kLine, bom + kTrain, {"check", "--strict"}, in);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_NE(r.out.find("0 avvisi"), std::string::npos);

  // A character with no place in the code page is a fault, with its place.
  const RunResult bad = tool(kLine, train_script({"numero vetture,  9", "stazione,  0,  8,  400,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   A\xE2\x86\x92" "B"}), {"check"}, in);
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err, "treno.txt:3:80: il carattere \"\xE2\x86\x92\" (U+2192) non esiste in Windows-1252, la codifica "
                     "degli script: sostituiscilo\n");
  EXPECT_EQ(bad.out, "");
}

TEST(ScriptFaults, ReadFaultsQuoteTheInput) {
  struct Quoted {
    const char* what;
    std::string train;
    std::string report;  // the block of the fault
  };
  const Quoted cases[] = {
      {"not a number", train_script({signal("7900", "due")}),
       " Errore n. 25\ntreno.txt:2:22: campo 3 (s1) di \"segnale\": \"due\" non è un numero intero\n"},
      {"outside its width", train_script({station(13900, "256", "VALENZA")}),
       " Errore n. 25\ntreno.txt:2:20: campo 2 (tipo) di \"stazione\": 256 non sta in 8 bit: il campo va da 0 a 255\n"},
      {"a line cut short", train_script({"segnale,  7900,  2,  4", signal("9000")}),
       " Errore n. 25\ntreno.txt:2:1: la riga di \"segnale\" finisce dopo il campo 3 (s1): mancano i campi da 4 a 11 "
       "(s2, s3, rapp, dx, d1, d2, d3, tempo) (\"segnale\" non è un numero intero)\n"},
      {"a line cut short by the end of the file", crlf({"[generale]", "abbattimento,  5000"}),
       " Errore n. 25\ntreno.txt:2:1: la riga di \"abbattimento\" finisce dopo il campo 1 (posizione), con il file: manca "
       "il campo 2 (valore)\n"},
      {"a comment read as a keyword", train_script({"; qui il segnale di partenza", signal("9000")}),
       " Errore n. 25\ntreno.txt:2:1: la riga di \"segnale\" finisce subito dopo la parola chiave: mancano i campi da 1 a "
       "11 (posizione, sx, s1, s2, s3, rapp, dx, d1, d2, d3, tempo) (\"segnale\" non è un numero intero)\n"},
  };
  for (const Quoted& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder in;
    const RunResult r = tool(kLine, c.train, {"check"}, in);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind(c.report, 0), 0u) << r.err;
  }
}

// Three independent faults: the compiler stops at the first, --all lists all
// three with the check's findings between them, in file order.
TEST(ScriptFaults, AllListsEveryFaultInOnePass) {
  const std::string train = train_script({
      signal("7900", "due"),                                      // line 2: 25
      "segnalle,  8000",                                          // line 3: error of the check
      station(10010, "12", "X"),                                  // line 4: 8
      signal("12000"), signal("12000"),                           // line 6: 16
  });
  TempFolder in;
  const RunResult first = tool(kLine, train, {"check"}, in);
  EXPECT_EQ(first.status, 1);
  EXPECT_EQ(first.err,
            " Errore n. 25\ntreno.txt:2:22: campo 3 (s1) di \"segnale\": \"due\" non è un numero intero\n"
            "treno.txt:3:1: errore: \"segnalle\" non è una parola chiave e la riga viene ignorata; forse \"segnale\"?\n");

  const RunResult all = tool(kLine, train, {"check", "--all"}, in);
  EXPECT_EQ(all.status, 1);
  EXPECT_EQ(all.err,
            " Errore n. 25\ntreno.txt:2:22: campo 3 (s1) di \"segnale\": \"due\" non è un numero intero\n"
            "treno.txt:3:1: errore: \"segnalle\" non è una parola chiave e la riga viene ignorata; forse \"segnale\"?\n"
            " Errore n. 8\nPosizione: 10010 m\ntreno.txt:4:1: la posizione della stazione (10010 m) non è multiplo di 50: "
            "usa un multiplo di 50\n"
            " Errore n. 16\nPosizione: 12000 m\ntreno.txt:6:1: il segnale non trova posto: la cella 241 (a 12000 m) è "
            "già occupata da: segnale; spostalo in una cella libera\n");
  EXPECT_EQ(all.out, "4 errori, 0 avvisi\n");

  // A fault that leaves nothing to check still stops it.
  const RunResult none = tool(crlf({"[generale]", "sfondo uno,  1", "[c]", "[fine]"}), train, {"check", "--all"}, in);
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.err.rfind(" Errore n. 25\nlinea.txt:", 0), 0u) << none.err;
  EXPECT_EQ(none.err.find("treno.txt"), std::string::npos) << none.err;

  // Without faults, --all checks as without it.
  const RunResult good = tool(kLine, kTrain, {"check", "--all"}, in);
  EXPECT_EQ(good.status, 0) << good.err;
  EXPECT_NE(good.out.find("Nessun errore"), std::string::npos);
}

}  // namespace
}  // namespace ferrovello::test
