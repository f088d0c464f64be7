// What a new author meets on the built tool: accented scripts that are both
// strict-clean and packaged, places past the end of the line, stations out
// of order, one range for one value, Italian plurals, the command line's
// unknown options and "-", the dump's numbers and the page after a fault.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/folder.h"
#include "support/scenario.h"

namespace ferrovello::test {
namespace {

std::string station(int position, const std::string& name, int length = 300) {
  return "stazione,  " + std::to_string(position) + ",  12,  " + std::to_string(length) +
         ",  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   " + name;
}

// `scenario-tool ARGS --line linea.txt --train treno.txt` in the scripts' folder.
RunResult tool(const std::string& line, const std::string& train, std::vector<std::string> args, const TempFolder& in) {
  write_bytes(in.file("linea.txt"), line);
  write_bytes(in.file("treno.txt"), train);
  args.insert(args.end(), {"--line", "linea.txt", "--train", "treno.txt"});
  return run(TOOL_PATH, args, in.path());
}

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A UTF-8 script converts with a note that --strict lets pass; its
// Windows-1252 copy packages as the UTF-8 one does, into the same program.
TEST(NewAuthor, AccentedScriptsAreStrictCleanAndPackage) {
  TempFolder in;
  const std::string line = line_script({}, 20000);
  const std::string utf8 = train_script({"velocita,  0,  80", station(5000, "CITT\xC3\x80")});
  const std::string cp1252 = train_script({"velocita,  0,  80", station(5000, "CITT\xC0")});
  const RunResult strict = tool(line, utf8, {"check", "--strict"}, in);
  EXPECT_EQ(strict.status, 0) << strict.err;
  EXPECT_EQ(strict.err, "treno.txt:1:1: nota: il file è in UTF-8: è stato convertito in Windows-1252, la codifica "
                        "degli script, prima di compilarlo\n");
  EXPECT_TRUE(has(strict.out, ", 0 avvisi, 1 nota\n")) << strict.out;

  const RunResult from_utf8 = tool(line, utf8, {"package", "--stub", INSTALLER_PATH, "--out", "p1"}, in);
  ASSERT_EQ(from_utf8.status, 0) << from_utf8.err;
  const RunResult from_cp1252 = tool(line, cp1252, {"package", "--stub", INSTALLER_PATH, "--out", "p2"}, in);
  ASSERT_EQ(from_cp1252.status, 0) << from_cp1252.err;
  EXPECT_EQ(from_cp1252.err, "");
  EXPECT_EQ(read_bytes(in.file("p1")), read_bytes(in.file("p2")));
}

// A station or any feature past the end of the line: a warning each, and
// the plot and the page draw them where they stand.
TEST(NewAuthor, PlacesPastTheEndOfTheLine) {
  TempFolder in;
  const std::string line = line_script({"cartello_indicatore,  21000,  (OLTRE)"}, 20000);
  const std::string train =
      train_script({"velocita,  0,  80", station(5000, "PRIMA"), station(24500, "LONTANA"),
                    "segnale,  23000,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0"});
  const RunResult r = tool(line, train, {"check"}, in);
  EXPECT_EQ(r.status, 0) << r.err;
  for (const char* w :
       {"linea.txt:5:23: avviso: \"cartello_indicatore\" a 21000 m sta oltre la fine della linea (20000 m): sposta la "
        "riga entro la linea o allunga \"lunghezza percorso\"",
        "treno.txt:4:12: avviso: \"stazione\" a 24500 m sta oltre la fine della linea (20000 m)",
        "treno.txt:5:11: avviso: \"segnale\" a 23000 m sta oltre la fine della linea (20000 m)"}) {
    EXPECT_TRUE(has(r.err, w)) << w << "\n" << r.err;
  }
  EXPECT_EQ(tool(line, train, {"check", "--strict"}, in).status, 1);

  const RunResult plot = tool(line, train, {"plot", "--out", "-"}, in);
  ASSERT_EQ(plot.status, 0) << plot.err;
  EXPECT_TRUE(has(plot.out, "Da PRIMA a LONTANA")) << plot.out.substr(0, 2000);
  EXPECT_TRUE(has(plot.out, ", oltre la fine della linea")) << plot.out.substr(0, 2000);
  EXPECT_TRUE(has(plot.out, ">LONTANA</text>")) << plot.out;
  const RunResult view = tool(line, train, {"view", "--out", "-"}, in);
  ASSERT_EQ(view.status, 0) << view.err;
  EXPECT_TRUE(has(view.out, "\"lunghezza\":20000,")) << view.out.substr(0, 500);
  EXPECT_TRUE(has(view.out, "\"disegno_fino_a\":24500,")) << view.out.substr(0, 500);
}

TEST(NewAuthor, StationsOutOfOrderAreSaidSo) {
  TempFolder in;
  const RunResult r =
      tool(line_script({}, 20000), train_script({station(19600, "DOPO"), station(9300, "PRIMA")}), {"check"}, in);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(r.err, " Errore n. 22\nPosizione: 9300 m\ntreno.txt:3:1: le stazioni non sono in ordine: questa è "
                         "a 9300 m, prima della stazione precedente nello script (19600 m); scrivi le righe "
                         "\"stazione\" in ordine crescente di posizione\n"))
      << r.err;
  // Two stations in order but too close keep their own sentence.
  const RunResult close =
      tool(line_script({}, 20000), train_script({station(9300, "A"), station(9600, "B")}), {"check"}, in);
  EXPECT_TRUE(has(close.err, "meno di 350 m dopo la fine della stazione precedente")) << close.err;
}

// The speed field has one range: the compiler's fault and the check's
// warning name the same one, and a value is said by one of them only.
TEST(NewAuthor, OneRangeForTheSpeed) {
  const struct {
    int speed;
    int status;
    std::string says;  // empty: nothing
  } cases[] = {
      {1275, 0, ""},
      {87, 0, "treno.txt:3:18: avviso: campo 2 (velocita) di \"velocita\": 87 km/h non è un multiplo di 5: si arrotonda "
              "a 85 km/h\n"},
      {1277, 0, "treno.txt:3:18: avviso: campo 2 (velocita) di \"velocita\": 1277 è fuori dal campo da 0 a 1275; si "
                "arrotonda a 1275 km/h\n"},
      {1280, 1, "la velocità 1280 km/h è fuori dal campo da 0 a 1275\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.speed);
    TempFolder in;
    const RunResult r =
        tool(line_script({}), train_script({"velocita,  0,  80", "velocita,  500,  " + std::to_string(c.speed)}),
             {"check"}, in);
    EXPECT_EQ(r.status, c.status) << r.err;
    if (c.says.empty()) {
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_TRUE(has(r.err, c.says)) << r.err;
    }
    EXPECT_FALSE(has(r.err, "1277 è fuori") && has(r.err, "Errore")) << r.err;
    EXPECT_FALSE(c.status == 1 && has(r.err, "avviso")) << r.err;
  }
}

TEST(NewAuthor, TheSummaryHasItalianPlurals) {
  TempFolder in;
  const std::string line = line_script({"pendenza,  0,  0", "indicatori_vmax,  1550,  125,  135,  135,  0,  ,  ,  ,  0",
                                        "cartello_indicatore,  350,  (A)", "montagna,  8700,  11050,  11"});
  const std::string train =
      train_script({"velocita,  0,  80", "aderenza,  0,  100", station(13900, "VALENZA"),
                    "segnale,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0", "rallentamento,  30000,  60,  1000,  0,  1,  0",
                    "abbattimento,  40000,  1", "velocita,  1500,  1276"});
  const RunResult r = tool(line, train, {"check"}, in);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Nessun errore: percorso di 88000 m, 1901 celle, 1 stazione, 1 segnale, 1 indicatore di velocità, 1 cartello "
            "indicatore, 1 rallentamento, 1 pendenza, 0 curve, 1 montagna, 1 progressiva, 2 voci di velocità, 1 voce "
            "di aderenza, 1 punto di abbattimento, 1 avviso\n");
}

// Every option the command does not have is named, with the nearest one;
// the help wins over everything else on the line; "-" reads standard input
// where a command reads a script and is refused where it would be a folder.
TEST(NewAuthor, TheCommandLineNamesWhatItRefuses) {
  TempFolder in;
  ASSERT_EQ(run(TOOL_PATH, {"scripts", "--out", in.file("s")}).status, 0);
  const std::string line = in.file("s/Ferrovello_linea.txt");
  const std::string train = in.file("s/Ferrovello_2632-.txt");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;  // the whole of standard error
    std::string out;  // a part of standard output
  } cases[] = {
      {{"check", "--lin", line, "--train", train}, 2,
       "scenario-tool check: l'opzione \"--lin\" non esiste; forse --line?\nPer l'aiuto: scenario-tool check --help\n",
       ""},
      {{"check", "--line=" + line, "--trian", train}, 2,
       "scenario-tool check: l'opzione \"--trian\" non esiste; forse --train?\nPer l'aiuto: scenario-tool check --help\n",
       ""},
      {{"compila"}, 2,
       "scenario-tool: \"compila\" non è un sottocomando; forse compile?\nI sottocomandi sono: compile, check, dump, "
       "diff, plot, view, scripts, package, lsp\nPer l'aiuto: scenario-tool --help\n",
       ""},
      {{"--Version"}, 2,
       "scenario-tool: l'opzione \"--Version\" non esiste; forse --version?\nPer l'aiuto: scenario-tool --help\n", ""},
      {{"-v"}, 0, "", "scenario-tool "},
      {{"check", "--help", "--line"}, 0, "", "Uso: scenario-tool check"},
      {{"check", "uno", "due", "tre", "--line", line, "--train", train}, 2,
       "scenario-tool check: argomenti non previsti: \"uno\" \"due\" \"tre\"\nPer l'aiuto: scenario-tool check --help\n",
       ""},
      {{"compile", "--line", line, "--train", train, "--out", "-"}, 2,
       "scenario-tool compile: --out: vuole una cartella: compile scrive più file, non lo standard output\nPer "
       "l'aiuto: scenario-tool compile --help\n",
       ""},
      {{"scripts", "--out", "-"}, 2,
       "scenario-tool scripts: --out: vuole una cartella: scripts scrive due file, non lo standard output\nPer "
       "l'aiuto: scenario-tool scripts --help\n",
       ""},
      {{"check", "--line", "-", "--train", "-"}, 1,
       "--line e --train non possono leggere entrambi lo standard input: dai a uno dei due un file\n", ""},
      {{"check", "--name", "Valbòrmida", "--line", line, "--train", train}, 2,
       "scenario-tool check: --name: contiene \"ò\": il nome dà il nome ai file dello scenario e ammette solo "
       "lettere, cifre e segni ASCII (scrivi la lettera senza accento)\nPer l'aiuto: scenario-tool check --help\n",
       ""},
      {{"check", "--help"}, 0, "", "lettere, cifre e segni ASCII"},
      {{"check", "--help"}, 0, "", "share/doc/scenario-tool/script-format.md"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
    const RunResult r = run(TOOL_PATH, c.args, in.path());
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.err, c.err);
    EXPECT_TRUE(has(r.out, c.out)) << r.out;
  }
  // No folder named "-" is left behind.
  EXPECT_FALSE(file_exists(in.file("-")));

  // The line script from standard input, the train script from its file.
  const RunResult piped = run_with(TOOL_PATH, {"check", "--line", "-", "--train", train}, line, "");
  EXPECT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out.rfind("Nessun errore: percorso di 88000 m", 0), 0u) << piped.out;
}

// The dump of a line file: a cell column always, numbers to a tenth of a
// millimetre; the item dump gives a falling system's base as written and
// calls an undeclared system unused.
TEST(NewAuthor, TheDumpShowsWhatTheAuthorWrote) {
  TempFolder in;
  const std::string line = crlf({"[generale]", "lunghezza percorso,  20000",
                                 "progressiva chilometrica uno,  0,  1000,  0",
                                 "progressiva chilometrica due,  5000,  32000,  1", "[curve]", "curvas4,  100,  200",
                                 "[fine]"});
  const RunResult c = tool(line, train_script({"velocita,  0,  80"}), {"compile", "--out", "o"}, in);
  ASSERT_EQ(c.status, 0) << c.err;
  const RunResult plan = run(TOOL_PATH, {"dump", in.file("o/Ferrovello_linea.dat")});
  ASSERT_EQ(plan.status, 0) << plan.err;
  EXPECT_EQ(plan.out.substr(0, plan.out.find('\n') + 1),
            "   metro  cella                        x                        y\n");
  // Every row has the same columns; no value carries more than 4 decimals.
  std::vector<std::string> rows;
  for (size_t at = 0; at < plan.out.size();) {
    const size_t end = plan.out.find('\n', at);
    rows.push_back(plan.out.substr(at, end - at));
    at = end + 1;
  }
  ASSERT_EQ(rows.size(), 27002u);  // the header, then metres 0 to 27000
  for (const std::string& row : rows) ASSERT_EQ(row.size(), 65u) << row;
  EXPECT_EQ(rows[1 + 102], "     102      3                   -0.003                      102");
  const RunResult items = run(TOOL_PATH, {"dump", in.file("o/Ferrovello_2632.sim")});
  ASSERT_EQ(items.status, 0) << items.err;
  EXPECT_TRUE(has(items.out, "81 progressiva  da 5000 m, base 32000 m, decrescente (memorizzata come 32100)\n"))
      << items.out;
  EXPECT_TRUE(has(items.out, "82 progressiva  da 0 m, base 1000 m, crescente\n")) << items.out;
  EXPECT_TRUE(has(items.out, "83 progressiva  non usata\n")) << items.out;
}

// After a fault that stops the compilation, the page marks where the route
// stops holding compiled data.
TEST(NewAuthor, TheViewSaysWhereTheRouteWasNotCompiled) {
  TempFolder in;
  const std::string train =
      train_script({"velocita,  0,  80", "aderenza,  0,  100", "velocita,  5000,  100",
                    "segnale,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0",
                    "segnale,  7910,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0", "velocita,  9000,  120"});
  const RunResult r = tool(line_script({}, 20000), train, {"view", "--out", "v.html"}, in);
  EXPECT_EQ(r.status, 1);
  const std::string page = read_bytes(in.file("v.html"));
  EXPECT_TRUE(has(page, "percorso non compilato oltre questo punto"));
  const size_t at = page.find("\"non_compilato_da\":");
  ASSERT_NE(at, std::string::npos);
  // The speed fill stopped at the cell of 4950 m, before the fault's own place.
  EXPECT_EQ(std::stoi(page.substr(at + 19)), 4925);

  const RunResult clean = tool(line_script({}, 20000), train_script({"velocita,  0,  80"}), {"view", "--out", "w.html"}, in);
  EXPECT_EQ(clean.status, 0) << clean.err;
  EXPECT_FALSE(has(read_bytes(in.file("w.html")), "\"non_compilato_da\":"));
}

// The reference of the format, reviewed against the embedded scenario: every
// script line its examples show is a line of the embedded scripts, except
// the few it says are not, and every keyword has its own section or table.
TEST(NewAuthor, TheFormatReferenceQuotesTheEmbeddedScripts) {
  TempFolder in;
  ASSERT_EQ(run(TOOL_PATH, {"scripts", "--out", in.file("s")}).status, 0);
  std::vector<std::string> embedded;
  for (const char* f : {"s/Ferrovello_linea.txt", "s/Ferrovello_2632-.txt"}) {
    std::vector<std::string> lines;
    ASSERT_TRUE(split_crlf(read_bytes(in.file(f)), lines));
    embedded.insert(embedded.end(), lines.begin(), lines.end());
  }
  const std::string doc = read_bytes(std::string(SOURCE_PATH) + "/docs/script-format.md");
  const std::vector<std::string> not_embedded = {"rallentamento,  10000,  60,  1000,  0,  1,  0",
                                                 "abbattimento,  30000,  1"};
  int quoted = 0;
  for (size_t at = 0; at < doc.size();) {
    const size_t end = doc.find('\n', at);
    const std::string row = doc.substr(at, end - at);
    at = end == std::string::npos ? doc.size() : end + 1;
    // An example line: indented, a keyword then a number.
    if (row.rfind("    ", 0) != 0 || row.find(",  ") == std::string::npos) continue;
    const std::string line = row.substr(4);
    const size_t comma = line.find(',');
    const size_t first = line.find_first_not_of(' ', comma + 1);
    if (first == std::string::npos || !(line[first] == '-' || (line[first] >= '0' && line[first] <= '9'))) continue;
    if (std::find(not_embedded.begin(), not_embedded.end(), line) != not_embedded.end()) continue;
    ++quoted;
    EXPECT_NE(std::find(embedded.begin(), embedded.end(), line), embedded.end()) << line;
  }
  EXPECT_GE(quoted, 20);
  for (const char* keyword :
       {"`lunghezza percorso`", "`progressiva chilometrica uno`", "`sfondo uno`", "`ripetizione segnali 4 codici`",
        "`pendenza`", "`curva`", "`montagna`", "`indicatori_vmax`", "`cartello_indicatore`",
        "`percentuale massa frenata`", "`numero vetture`", "`velocita` (also `velocità`)", "`aderenza`", "`orologio`",
        "`sabbia`", "`abbattimento`", "## Signals", "## Slow orders", "## Stations", "## Kilometric progressives",
        "post = position + offset", "post = offset − position"}) {
    EXPECT_TRUE(has(doc, keyword)) << keyword;
  }
}

// A scenario of 20 km written from the format reference alone, as an author
// saves it (UTF-8, LF): strict-clean, compiled, packaged and installed.
TEST(NewAuthor, AScenarioWrittenFromTheReference) {
  const std::string fixture = std::string(SOURCE_PATH) + "/tests/tools/scenario/fixtures/valbormida/";
  const std::vector<std::string> scripts = {"--line", fixture + "linea.txt", "--train", fixture + "treno.txt"};
  const std::string note = ":1:1: nota: il file è in UTF-8: è stato convertito in Windows-1252, la codifica degli "
                           "script, prima di compilarlo\n";
  TempFolder in;
  std::vector<std::string> check = {"check", "--strict"};
  check.insert(check.end(), scripts.begin(), scripts.end());
  const RunResult r = run(TOOL_PATH, check);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, fixture + "linea.txt" + note + fixture + "treno.txt" + note);
  EXPECT_EQ(r.out,
            "Nessun errore: percorso di 20000 m, 541 celle, 4 stazioni, 6 segnali, 1 indicatore di velocità, 2 cartelli "
            "indicatori, 1 rallentamento, 6 pendenze, 4 curve, 1 montagna, 1 progressiva, 3 voci di velocità, 1 voce "
            "di aderenza, 0 punti di abbattimento, 0 avvisi, 2 note\n");

  std::vector<std::string> package = {"package", "--name", "Valbormida", "--train-number", "4711",
                                      "--stub", INSTALLER_PATH, "--out", in.file("valbormida")};
  package.insert(package.end(), scripts.begin(), scripts.end());
  const RunResult p = run(TOOL_PATH, package);
  ASSERT_EQ(p.status, 0) << p.err;
  const RunResult installed = run(in.file("valbormida"), {}, "/");
  EXPECT_EQ(installed.status, 0) << installed.err;
  for (const char* f : {"Valbormida_linea.dat", "Valbormida_4711.sim", "Valbormida_4711.dat"}) {
    EXPECT_TRUE(file_exists(in.file(f))) << f;
  }
  // The installed route is the one `compile` writes from the same scripts.
  std::vector<std::string> compile = {"compile", "--name", "Valbormida", "--train-number", "4711", "--out",
                                      in.file("c")};
  compile.insert(compile.end(), scripts.begin(), scripts.end());
  ASSERT_EQ(run(TOOL_PATH, compile).status, 0);
  EXPECT_EQ(read_bytes(in.file("c/Valbormida_4711.dat")), read_bytes(in.file("Valbormida_4711.dat")));
  EXPECT_EQ(read_bytes(in.file("c/Valbormida_4711.sim")), read_bytes(in.file("Valbormida_4711.sim")));
}

}  // namespace
}  // namespace ferrovello::test
