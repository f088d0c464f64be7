// The authors' tool by place and by difference: `dump --at/--from/--to` in
// metres and kilometric posts, and `diff` of compiled files and scripts.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "support/folder.h"
#include "tools/text/colonne.h"
#include "tools/dump/dump_command.h"
#include "tools/compiled/progressive_km.h"

namespace ferrovello::test {
namespace {

using nlohmann::json;

// The embedded scripts, the files the installer leaves from them, and a
// train script with the signal at 7900 m moved to 8000 m.
class PlaceAndDiff : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    ASSERT_EQ(run(TOOL_PATH, {"scripts", "--out", dir("s")}).status, 0);
    ASSERT_EQ(run(TOOL_PATH, {"scripts", "--out", dir("i")}).status, 0);
    const RunResult r = run_installer_in(dir("i"));
    ASSERT_EQ(r.status, 0) << r.err;
    edited(train(), "\r\nsegnale,  7900,  2,  4,", "\r\nsegnale,  8000,  2,  4,", "moved.txt");
  }
  static void TearDownTestSuite() { delete folder_; }
  static std::string dir(const std::string& name) { return folder_->file(name); }
  static std::string line() { return dir("s/Ferrovello_linea.txt"); }
  static std::string train() { return dir("s/Ferrovello_2632-.txt"); }
  // A copy of `script` named `name` in which the one `old` becomes `now`.
  static std::string edited(const std::string& script, const std::string& old, const std::string& now,
                            const std::string& name) {
    std::string text = read_bytes(script);
    EXPECT_NE(text.find(old), std::string::npos) << old;
    EXPECT_EQ(text.find(old), text.rfind(old)) << old;
    text.replace(text.find(old), old.size(), now);
    write_bytes(dir(name), text);
    return dir(name);
  }
  static std::string installed(const std::string& name) { return dir("i/Ferrovello" + name); }
  static RunResult dump(std::vector<std::string> args) {
    args.insert(args.begin(), {"dump", installed("_2632.dat"), "--sim", installed("_2632.sim")});
    return run(TOOL_PATH, args);
  }

  static TempFolder* folder_;
};
TempFolder* PlaceAndDiff::folder_ = nullptr;

const char kRouteHeader[] =
    " cella    metri       km  km/h  pend  ader  mont   avv  tipo                             valori\n";

// The examples of the README: a post of each of the three progressive
// systems (1 from 0 m, 2 from 42300 m, 3 from 55000 m, falling).
TEST_F(PlaceAndDiff, DumpAtAPostOfEachProgressiveSystem) {
  const struct {
    std::vector<std::string> args;
    std::string rows;
  } cases[] = {
      {{"--at", "38+550"},  // system 1 alone gives it
       "   802    40050   38+550   135     2   100     0     0  segnale                          "
       "codici 53 61 0, lati e ripetitore 4, tempo 0\n"},
      {{"--at", "5+550"},  // all three give it
       "   142     7050    5+550   135     6   100     0     0  vuota                            \n"
       "   958    47850    5+550   130     0   100     0     0  fermata di stazione              stazione dell'elemento 9\n"
       "  1728    86350    5+550    30     0   100     0     0  vuota                            \n"},
      {{"--at", "36+600", "--system", "3"},
       "  1107    55300   36+600   130     0   100     0     0  fermata di stazione              stazione dell'elemento 10\n"},
      {{"--at", "0+200", "--system", "2"},
       "   851    42500    0+200    60     0   100     0     0  fermata di stazione              stazione dell'elemento 8\n"},
      {{"--at", "55300"},  // metres, posts from the item file
       "  1107    55300   36+600   130     0   100     0     0  fermata di stazione              stazione dell'elemento 10\n"},
  };
  for (const auto& c : cases) {
    const RunResult r = dump(c.args);
    EXPECT_EQ(r.status, 0) << c.args[1] << r.err;
    EXPECT_EQ(r.out, kRouteHeader + c.rows) << c.args[1];
    EXPECT_EQ(r.err, "");
  }
}

TEST_F(PlaceAndDiff, DumpAlongAStretch) {
  // A falling system: from the greater post to the smaller one is forward.
  const RunResult r = dump({"--from", "36+000", "--to", "35+800", "--system", "3"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, kRouteHeader +
                       std::string("  1119    55900   36+000   130     0   100     0     0  vuota                            \n"
                                   "  1120    55950   35+950   130     0   100     0     0  vuota                            \n"
                                   "  1121    56000   35+900   130     0   100     0     0  vuota                            \n"
                                   "  1122    56050   35+850   130     0   100     0     0  vuota                            \n"
                                   "  1123    56100   35+800   130     0   100     0     0  cartello indicatore              "
                                   "testo dell'elemento 43\n"));

  // Without --sim: metres only, no post column; the ends are the file's.
  const RunResult end = run(TOOL_PATH, {"dump", installed("_2632.dat"), "--from", "94925"});
  ASSERT_EQ(end.status, 0) << end.err;
  EXPECT_EQ(end.out.substr(end.out.find('\n') + 1),
            "  1900    94950     0  -100     0     0     0  vuota                            \n");

  // The line file: one row a metre, with its cell and post.
  const RunResult plan = run(TOOL_PATH, {"dump", installed("_linea.dat"), "--sim", installed("_2632.sim"), "--from",
                                         "700", "--to", "701"});
  ASSERT_EQ(plan.status, 0) << plan.err;
  EXPECT_EQ(plan.out,
            "   metro  cella       km                        x                        y\n"
            "     700     15   -0+800                        0                      700\n"
            "     701     15   -0+799                   -0.001                      701\n");
}

TEST_F(PlaceAndDiff, DumpByPlaceJsonRowsCarryTheirPlace) {
  const RunResult r = dump({"--at", "5+550", "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const json j = json::parse(r.out);
  EXPECT_EQ(j.at("file"), "percorso");
  ASSERT_EQ(j.at("cells").size(), 3u);
  const json& station = j.at("cells").at(1);
  EXPECT_EQ(station.at("cell"), 958);
  EXPECT_EQ(station.at("metres"), 47850);
  EXPECT_EQ(station.at("km"), "5+550");
  EXPECT_EQ(station.at("kind"), 10);
  EXPECT_EQ(station.at("value1"), 9);

  const RunResult plan = run(TOOL_PATH, {"dump", installed("_linea.dat"), "--at", "701", "--json"});
  ASSERT_EQ(plan.status, 0) << plan.err;
  EXPECT_EQ(json::parse(plan.out),
            json::parse(R"({"file":"linea","points":[{"cell":15,"metres":701,"entry0":[5,-0.001],"entry1":[5,701.0]}]})"));
}

TEST_F(PlaceAndDiff, DumpByPlaceRefusesWhatIsNotOnTheRoute) {
  const std::string sim = installed("_2632.sim");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;  // the start of the message
  } cases[] = {
      {{"--at", "35+29"}, 2, "--at: \"35+29\": dopo il + vengono le tre cifre"},
      {{"--at", "km35"}, 2, "--at: \"km35\" non è un luogo: scrivi i metri"},
      {{"--at", "-200"}, 2, "--at: \"-200\": i metri si contano dall'inizio del percorso"},
      {{"--at", "5+000", "--sim", sim, "--system", "4"}, 2, "--system"},
      {{"--at", "5+000", "--system", "2"}, 2, "--system"},  // only with --sim
      {{"--at", "5+000"}, 1, "--at 5+000 è una progressiva chilometrica: serve --sim"},
      {{"--at", "99+000", "--sim", sim}, 1,
       "--at 99+000: la progressiva non è sul percorso in nessuno dei sistemi progressivi (sistema 1 da 0 a 42299 m, "
       "km da -1+500 a 40+799; sistema 2 da 42300 a 54999 m, km da 0+000 a 12+699; sistema 3 da 55000 a 94950 m, "
       "km da 36+900 a -3+050)\n"},
      {{"--at", "40+000", "--sim", sim, "--system", "2"}, 1, "--at 40+000: la progressiva non è sul percorso nel sistema 2"},
      {{"--at", "95000"}, 1, "--at 95000: il percorso del file va da 0 a 94950 m\n"},
      {{"--from", "90000", "--to", "96000"}, 1, "--to 96000: il percorso del file va da 0 a 94950 m\n"},
      {{"--from", "9000", "--to", "8000"}, 1, "--from 9000 m viene dopo --to 8000 m lungo il percorso: scambiali\n"},
      {{"--from", "36+000", "--to", "35+000", "--sim", sim, "--system", "1"}, 1,
       "--from 36+000 (a 37500 m) viene dopo --to 35+000 (a 36500 m) lungo il percorso: scambiali\n"},
      {{"--from", "5+000", "--to", "6000", "--sim", sim}, 1,
       "--from 5+000: la progressiva è in più punti del percorso: 6500 m (sistema 1), 47300 m (sistema 2), "
       "86900 m (sistema 3); scegli il sistema con --system o scrivi i metri\n"},
      {{"--at", "1", "--from", "0"}, 2, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {"dump", installed("_2632.dat")};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const RunResult r = run(TOOL_PATH, args);
    EXPECT_EQ(r.status, c.status) << c.args[1];
    // A usage error names the command first.
    const std::string start = (c.status == 2 ? "scenario-tool dump: " : "") + c.err;
    EXPECT_EQ(r.err.rfind(start, 0), 0u) << c.args[1] << "\n" << r.err;
    EXPECT_EQ(r.out, "") << c.args[1];
  }
  const RunResult items = run(TOOL_PATH, {"dump", sim, "--at", "100"});
  EXPECT_EQ(items.status, 2);
  EXPECT_NE(items.err.find("valgono per un file del percorso"), std::string::npos) << items.err;
}

TEST(Place, WrittenPlaces) {
  const struct {
    const char* text;
    bool ok;
    bool post;
    int64_t value;
  } cases[] = {
      {"0", true, false, 0},          {"36529", true, false, 36529}, {"35+029", true, true, 35029},
      {"0+000", true, true, 0},       {"-1+500", true, true, -1500}, {"\xE2\x88\x92" "3+100", true, true, -3100},
      {"", false, false, 0},          {"35+", false, false, 0},      {"35+0290", false, false, 0},
      {"+029", false, false, 0},      {"3 5", false, false, 0},      {"1e3", false, false, 0},
      {"1234567890", false, false, 0}, {"-5", false, false, 0},
  };
  for (const auto& c : cases) {
    LuogoScritto l;
    std::string why;
    EXPECT_EQ(leggi_luogo(c.text, l, why), c.ok) << c.text;
    if (!c.ok) {
      EXPECT_FALSE(why.empty()) << c.text;
      continue;
    }
    EXPECT_EQ(l.progressiva, c.post) << c.text;
    EXPECT_EQ(l.valore, c.value) << c.text;
  }
  EXPECT_EQ(testo_km(-1500), "-1+500");
  EXPECT_EQ(testo_km(35029), "35+029");
  EXPECT_EQ(testo_km(-50), "-0+050");
}

// An accented letter is one column, though it takes two bytes in UTF-8.
TEST(Place, ColumnsArePaddedByCharacters) {
  EXPECT_EQ(a_sinistra("PÒ", 4), "PÒ  ");
  EXPECT_EQ(a_destra("−1", 3), " −1");
  ItemRecord plain;
  plain.kind = 12;
  plain.position = 13900;
  plain.text = "VALENZA PO";
  ItemRecord accented = plain;
  accented.text = "VALENZA P\xD2";  // Windows-1252
  const std::string a = riga_elemento(3, plain);
  const std::string b = riga_elemento(3, accented);
  EXPECT_EQ(caratteri(a.substr(0, a.find(" tipo"))), caratteri(b.substr(0, b.find(" tipo"))));
  EXPECT_EQ(caratteri(a), caratteri(b));
}

TEST_F(PlaceAndDiff, DiffOfTheInstallersFilesAgainstThemselvesIsEmpty) {
  const std::vector<std::string> cases[] = {
      {dir("i"), dir("i")},
      {line(), train(), dir("i")},  // the scripts compile to the installer's files
      {line(), train(), line(), train()},
  };
  for (const auto& args : cases) {
    std::vector<std::string> a = {"diff"};
    a.insert(a.end(), args.begin(), args.end());
    const RunResult r = run(TOOL_PATH, a);
    EXPECT_EQ(r.status, 0) << args.size() << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
  }
  const RunResult j = run(TOOL_PATH, {"diff", dir("i"), dir("i"), "--json"});
  EXPECT_EQ(j.status, 0);
  EXPECT_EQ(json::parse(j.out).at("equal"), true);
}

// The signal leaves cell 159 for cell 161, and its approach codes, in the
// four cells from 100 to 400 m before it, move with it.
TEST_F(PlaceAndDiff, DiffShowsAMovedSignal) {
  const RunResult r = run(TOOL_PATH, {"diff", dir("i"), line(), dir("moved.txt")});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "--- A: " + dir("i") + "\n+++ B: " + line() + " " + dir("moved.txt") +
                "\n"
                "percorso: 6 celle diverse\n"
                "  cella    metri       km  km/h  pend  ader  mont   avv  tipo                             valori\n"
                "-   151     7500    6+000   135     6   100     0    64  vuota                            \n"
                "+   151     7500    6+000   135     6   100     0     0  vuota                            \n"
                "-   153     7600    6+100   135     6   100     0    63  vuota                            \n"
                "+   153     7600    6+100   135     6   100     0    64  vuota                            \n"
                "-   155     7700    6+200   135     6   100     0    62  vuota                            \n"
                "+   155     7700    6+200   135     6   100     0    63  vuota                            \n"
                "-   157     7800    6+300   135     6   100     0    61  vuota                            \n"
                "+   157     7800    6+300   135     6   100     0    62  vuota                            \n"
                "-   159     7900    6+400   135     6   100     0     0  segnale                          "
                "codici 40 0 0, lati e ripetitore 6, tempo 0\n"
                "+   159     7900    6+400   135     6   100     0    61  vuota                            \n"
                "-   161     8000    6+500   135     6   100     0     0  vuota                            \n"
                "+   161     8000    6+500   135     6   100     0     0  segnale                          "
                "codici 40 0 0, lati e ripetitore 6, tempo 0\n");

  const RunResult j = run(TOOL_PATH, {"diff", dir("i"), line(), dir("moved.txt"), "--json"});
  EXPECT_EQ(j.status, 1);
  const json d = json::parse(j.out);
  EXPECT_EQ(d.at("equal"), false);
  std::vector<int> cells;
  for (const json& c : d.at("cells").at("differ")) cells.push_back(c.at("cell"));
  EXPECT_EQ(cells, (std::vector<int>{151, 153, 155, 157, 159, 161}));
  const json& moved = d.at("cells").at("differ").at(4);
  EXPECT_EQ(moved.at("metres"), 7900);
  EXPECT_EQ(moved.at("a").at("kind"), 1);
  EXPECT_EQ(moved.at("b").at("kind"), 0);
  EXPECT_EQ(moved.at("b").at("byte2"), 61);
  EXPECT_TRUE(d.at("items").at("differ").empty());
  EXPECT_EQ(d.at("line").at("differ"), 0);
}

// A station renamed with an accented letter (the script in UTF-8): one item
// record, shown as `dump` shows it, its columns kept in place.
TEST_F(PlaceAndDiff, DiffShowsARenamedStation) {
  const std::string renamed = edited(train(), "   VALENZA\r\n", "   VALENZA PÒ\r\n", "renamed.txt");
  const RunResult r = run(TOOL_PATH, {"diff", dir("i"), line(), renamed});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "--- A: " + dir("i") + "\n+++ B: " + line() + " " + renamed +
                       "\n"
                       "elementi: 1 elemento diverso\n"
                       "- 3 stazione  VALENZA                tipo  12  posizione   13900  estensione 13650..14150  "
                       "ora 7:42:00  sosta 60 s  attributi 0 0 0 1 1 0 4 1 1\n"
                       "+ 3 stazione  VALENZA PÒ             tipo  12  posizione   13900  estensione 13650..14150  "
                       "ora 7:42:00  sosta 60 s  attributi 0 0 0 1 1 0 4 1 1\n");
}

// A curve 10 m longer: the plans part where the shorter one ends, and stay
// apart to the last metre that has a point (the last two are empty).
TEST_F(PlaceAndDiff, DiffOfThePlanGivesWhereAndHowFar) {
  const std::string longer = edited(line(), "\r\ncurvas4,  700,  950\r\n", "\r\ncurvas4,  700,  960\r\n", "l.txt");
  const RunResult r = run(TOOL_PATH, {"diff", line(), train(), longer, train()});
  EXPECT_EQ(r.status, 1) << r.err;
  // 10 m more of a curve turn the rest of the line far away.
  EXPECT_EQ(r.out.substr(r.out.find("\nlinea: ") + 1),
            "linea: 93348 metri diversi, dal metro 1651 al metro 94998; distanza massima tra le due piante "
            "792,271 m, al metro 94998\n");
  EXPECT_EQ(r.out.find("percorso:"), std::string::npos);
  EXPECT_EQ(r.out.find("elementi:"), std::string::npos);
}

TEST_F(PlaceAndDiff, DiffFailuresAreStatusTwo) {
  TempFolder empty;
  const std::string two_signals = edited(train(), "\r\nsegnale,  7900,", "\r\nsegnale,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0\r\nsegnale,  7900,", "two.txt");
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{dir("i"), dir("s")}, "Nella cartella \"" + dir("s") + "\" manca il file \"" + dir("s") + "/Ferrovello_2632.dat\""},
      {{dir("i"), dir("i"), "--name", "Altro"}, "Nella cartella \"" + dir("i") + "\" manca il file"},
      {{dir("i"), line(), two_signals}, " Errore n. 16\nPosizione: 7900 m\n"},
      {{dir("i"), dir("i"), dir("i")}, "diff confronta due scenari, A e B"},
      {{dir("i"), line()}, "diff confronta due scenari, A e B"},
      {{dir("i")}, ""},
      {{dir("i"), empty.file("nothing")}, ""},
  };
  for (const auto& c : cases) {
    std::vector<std::string> a = {"diff"};
    a.insert(a.end(), c.args.begin(), c.args.end());
    const RunResult r = run(TOOL_PATH, a);
    EXPECT_EQ(r.status, 2) << c.args.size() << r.err;
    EXPECT_EQ(r.err.rfind(c.err, 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
}  // namespace ferrovello::test
