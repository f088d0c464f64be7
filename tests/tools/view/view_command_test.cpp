// `scenario-tool view`: the page's data, its findings with their script
// lines, and the command's inputs. The page in a browser is tested by
// view_browser_test.py.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "support/embedded_files.h"
#include "support/folder.h"
#include "support/page_data.h"
#include "support/scenario.h"
#include "tools/view/view_data.h"
#include "tools/view/view_page.h"

namespace ferrovello::test {
namespace {

using nlohmann::json;

// A property of every cell, from its runs of value and count.
std::vector<int> cells(const json& d, const char* name) {
  std::vector<int> v;
  const json& runs = d["celle"][name];
  for (size_t i = 0; i + 1 < runs.size(); i += 2) v.insert(v.end(), runs[i + 1].get<size_t>(), runs[i].get<int>());
  return v;
}

class View : public EmbeddedFiles {};

TEST_F(View, ScriptsAndBinaryFilesGiveOnePageThatNeedsNothingElse) {
  TempFolder t;
  const RunResult a = run(TOOL_PATH, {"view", "--out", t.file("a.html"), "--line", line(), "--train", train()});
  ASSERT_EQ(a.status, 0) << a.err;
  EXPECT_EQ(a.out, t.file("a.html") + "\n");  // what it wrote, as compile says it
  EXPECT_EQ(a.err, "");
  const RunResult b = run(TOOL_PATH, {"view", "--out", t.file("b.html"), "--dat", out("Ferrovello_2632.dat"), "--sim",
                                      out("Ferrovello_2632.sim"), "--line-file", out("Ferrovello_linea.dat")});
  ASSERT_EQ(b.status, 0) << b.err;
  const std::string page = read_bytes(t.file("a.html"));
  EXPECT_EQ(page, read_bytes(t.file("b.html")));
  EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
  for (const char* outside : {"http:", "https:", "src=", "<link", "@import", "url("}) {
    EXPECT_EQ(page.find(outside), std::string::npos) << outside;
  }
  EXPECT_NE(page.find("Velocit\xc3\xa0 massima"), std::string::npos);  // UTF-8 accented letters

  const json d = data_of(page);
  EXPECT_EQ(d["nome"], "Ferrovello");
  EXPECT_EQ(d["treno"], "2632");
  EXPECT_EQ(d["lunghezza"], 88000);
  EXPECT_EQ(d["celle"]["numero"], 1901);
  EXPECT_EQ(cells(d, "velocita").size(), 1901u);
  EXPECT_EQ(cells(d, "velocita")[159], 135);
  EXPECT_EQ(cells(d, "pendenza")[159], 6);
  EXPECT_EQ(cells(d, "avvicinamento")[157], 61);
  EXPECT_EQ(cells(d, "avvicinamento")[158], 0);
  EXPECT_EQ(d["stazioni"].size(), 16u);
  EXPECT_EQ(d["stazioni"][2], json::parse(R"({"elemento":3,"nome":"VALENZA","tipo":12,"posizione":13900,)"
                                          R"("da":13650,"a":14150,"ora":27720,"sosta":60})"));
  EXPECT_EQ(d["progressive"][0], json::parse(R"({"elemento":81,"da":55000,"base":92000,"verso":1})"));
  EXPECT_EQ(d["elenco"], json::array());
  // Cells that hold something, in the dump's words (accents restored).
  const json& oggetti = d["celle"]["oggetti"];
  auto cell = [&](int c) {
    for (const json& o : oggetti) {
      if (o[0] == c) return o;
    }
    return json();
  };
  EXPECT_EQ(cell(159), json::parse(R"([159,1,"segnale","codici 40 0 0, lati e ripetitore 6, tempo 0",""])"));
  EXPECT_EQ(cell(32)[2], "indicatore di velocit\xc3\xa0 massima");
  EXPECT_EQ(cell(32)[3], "A 125/0, B 135/0, C 135/0 km/h, strisce 0/0");
  EXPECT_EQ(cell(1)[3].get<std::string>().rfind("timbro 5121, codice di gara ", 0), 0u);
  int cartelli = 0;
  for (const json& o : oggetti) cartelli += o[1] == 14 && !o[4].get<std::string>().empty();
  EXPECT_EQ(cartelli, 61);
}

// Each level of the plan, rebuilt from its differences, runs within its
// tolerance of every metre of the line table and keeps its two ends.
// The page is assembled from its own files (markup, style, script) with
// the same bytes as the page kept in fixtures/, which was written when the
// page was still one block of the program's source.
TEST_F(View, ThePageOfTheEmbeddedScenarioIsTheKeptOne) {
  TempFolder t;
  const RunResult r = run(TOOL_PATH, {"view", "--out", t.file("a.html"), "--line", line(), "--train", train()});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string kept = read_bytes(std::string(SOURCE_PATH) + "/tests/tools/view/fixtures/embedded-scenario-view.html");
  ASSERT_EQ(kept.size(), 67858u);
  EXPECT_TRUE(read_bytes(t.file("a.html")) == kept);
}

TEST_F(View, PlanLevelsStayWithinTheirTolerances) {
  TempFolder t;
  ASSERT_EQ(run(TOOL_PATH, {"view", "--out", t.file("a.html"), "--line", line(), "--train", train()}).status, 0);
  const json d = data_of(read_bytes(t.file("a.html")));
  const RunResult table = run(TOOL_PATH, {"dump", "--json", out("Ferrovello_linea.dat")});
  const json lt = json::parse(table.out);
  std::vector<double> x, y;
  for (size_t m = 0; m + 2 < lt["metres"].get<size_t>(); ++m) {
    x.push_back(lt["entry0"][m][1]);
    y.push_back(lt["entry1"][m][1]);
  }
  ASSERT_EQ(x.size(), 94999u);  // metres 0 to line_extent - 2
  size_t prima = SIZE_MAX;
  ASSERT_EQ(d["pianta"].size(), 4u);
  for (const json& l : d["pianta"]) {
    const double tol = l["tolleranza"];
    const json& p = l["punti"];
    std::vector<double> pm, px, py;
    double m = 0, a = 0, b = 0;
    for (size_t i = 0; i < p.size(); i += 3) {
      m += p[i].get<double>(), a += p[i + 1].get<double>(), b += p[i + 2].get<double>();
      pm.push_back(m), px.push_back(a / 10), py.push_back(b / 10);
    }
    EXPECT_LT(pm.size(), prima);
    prima = pm.size();
    EXPECT_EQ(pm.front(), 0);
    EXPECT_EQ(pm.back(), 94998);
    // Every metre against the chord of the kept points around it (0.05 m of
    // rounding to decimetres, and the simplification of the finer levels).
    double peggiore = 0;
    size_t k = 0;
    for (size_t i = 0; i < x.size(); ++i) {
      while (k + 2 < pm.size() && pm[k + 1] <= static_cast<double>(i)) ++k;
      const double ux = px[k + 1] - px[k], uy = py[k + 1] - py[k], l2 = std::hypot(ux, uy);
      const double d2 = std::abs((x[i] - px[k]) * uy - (y[i] - py[k]) * ux) / l2;
      peggiore = std::max(peggiore, d2);
    }
    EXPECT_LE(peggiore, tol * 1.12 + 0.08) << "tolerance " << tol;
  }
}

TEST_F(View, AFaultyScriptGivesAPageThatListsTheFaultWithItsLine) {
  TempFolder t;
  // A second signal at 7900 m, as line 41 of the train script.
  std::string s = read_bytes(train());
  const std::string riga = "segnale,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0\r\n";
  const size_t at = s.find(riga);
  ASSERT_NE(at, std::string::npos);
  s.insert(at + riga.size(), riga);
  write_bytes(t.file("treno.txt"), s);
  const RunResult r = run(TOOL_PATH, {"view", "--out", t.file("e.html"), "--line", line(), "--train", t.file("treno.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind(" Errore n. 16\nPosizione: 7900 m\n", 0), 0u) << r.err;
  const json d = data_of(read_bytes(t.file("e.html")));
  ASSERT_EQ(d["elenco"].size(), 1u);
  EXPECT_EQ(d["elenco"][0], json({{"tipo", "errore"},
                                  {"numero", 16},
                                  {"posizione", 7900},
                                  {"file", t.file("treno.txt")},
                                  {"riga", 41},
                                  {"colonna", 1},
                                  {"testo", "il segnale non trova posto: la cella 159 (a 7900 m) \xc3\xa8 gi\xc3\xa0 "
                                            "occupata da: segnale; spostalo in una cella libera"},
                                  {"riga_script", "segnale,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0"}}));
  // Built as far as the compilation got: the whole line, the cells.
  EXPECT_EQ(cells(d, "velocita").size(), 1901u);
  EXPECT_EQ(d["pianta"][0]["punti"][0], 0);
}

// A UTF-8 script with a misspelt keyword: the check's findings (the note of
// the conversion, the error of the keyword) follow the faults in the list,
// each with its place and its script line in UTF-8.
TEST_F(View, TheChecksWarningsAreListedWithTheirLines) {
  TempFolder t;
  const std::string from = "stazione,  13900,";
  std::string s = read_bytes(train());
  const size_t at = s.find(from);
  ASSERT_NE(at, std::string::npos);
  s.replace(at, from.size(), "stazzione,  13900,");
  const size_t name = s.find("   VALENZA\r\n");
  ASSERT_NE(name, std::string::npos);
  s.replace(name, 12, "   VALENZA P\xc3\x92\r\n");
  write_bytes(t.file("treno.txt"), s);
  const RunResult r = run(TOOL_PATH, {"view", "--out", t.file("a.html"), "--line", line(), "--train", t.file("treno.txt")});
  EXPECT_EQ(r.status, 1) << r.err;  // the misspelt keyword on a line of fields is an error of the check
  const RunResult check = run(TOOL_PATH, {"check", "--line", line(), "--train", t.file("treno.txt")});
  EXPECT_EQ(r.err, check.err);
  const json d = data_of(read_bytes(t.file("a.html")));
  ASSERT_EQ(d["elenco"].size(), 2u) << d["elenco"];
  EXPECT_EQ(d["elenco"][0]["tipo"], "nota");
  EXPECT_EQ(d["elenco"][0]["riga"], 1);  // the file was converted from UTF-8
  EXPECT_EQ(d["elenco"][1], json({{"tipo", "errore"},
                                  {"numero", 0},
                                  {"posizione", nullptr},
                                  {"file", t.file("treno.txt")},
                                  {"riga", 21},
                                  {"colonna", 1},
                                  {"testo", "\"stazzione\" non \xc3\xa8 una parola chiave e la riga viene ignorata; "
                                            "forse \"stazione\"?"},
                                  {"riga_script", "stazzione,  13900,  12,  500,  0,  0,  0,  1,  1,  0,  4,  1,  1,  60,  "
                                                  "7,  42,  0,   VALENZA P\xc3\x92"}}));
}

TEST_F(View, RefusesIncompleteOrMixedInputs) {
  TempFolder t;
  const std::string dat = out("Ferrovello_2632.dat"), sim = out("Ferrovello_2632.sim");
  const std::vector<std::vector<std::string>> cases = {
      {"view", "--out", t.file("x.html")},
      {"view", "--out", t.file("x.html"), "--dat", dat},
      {"view", "--out", t.file("x.html"), "--line", line()},
      {"view", "--out", t.file("x.html"), "--line-file", out("Ferrovello_linea.dat")},
      {"view", "--out", t.file("x.html"), "--dat", dat, "--sim", sim, "--line", line(), "--train", train()},
      {"view", "--dat", dat, "--sim", sim},
      // --serve serves the two scripts and writes nothing.
      {"view", "--serve"},
      {"view", "--serve", "--out", t.file("x.html"), "--line", line(), "--train", train()},
      {"view", "--serve", "--dat", dat, "--sim", sim},
      {"view", "--out", t.file("x.html"), "--port", "8123", "--line", line(), "--train", train()},
      {"view", "--out", t.file("x.html"), "--open", "--line", line(), "--train", train()},
      {"view", "--serve", "--port", "porta", "--line", line(), "--train", train()},
      {"view", "--serve", "--port", "70000", "--line", line(), "--train", train()},
  };
  for (const auto& args : cases) {
    EXPECT_EQ(run(TOOL_PATH, args).status, 2) << args.size();
  }
  EXPECT_EQ(run(TOOL_PATH, {"view", "--out", t.file("x.html"), "--dat", t.file("manca.dat"), "--sim", sim}).status, 1);
  EXPECT_TRUE(list_folder(t.path()).empty());
  // A file that does not fit its layout: status 1, nothing written.
  TempFolder bad;
  write_bytes(bad.file("corto.dat"), std::string(14, '\0'));
  const RunResult r = run(TOOL_PATH, {"view", "--out", t.file("x.html"), "--dat", bad.file("corto.dat"), "--sim", sim});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("non ha la forma attesa"), std::string::npos) << r.err;
  EXPECT_TRUE(list_folder(t.path()).empty());
}

TEST(ViewData, PlacesAndScriptLines) {
  struct Caso {
    std::string luogo;
    bool ok;
    std::string file;
    int riga, colonna;
  };
  const Caso casi[] = {
      {"treno.txt:41:1", true, "treno.txt", 41, 1},
      {"C:\\scenari\\linea 2.txt:3:17", true, "C:\\scenari\\linea 2.txt", 3, 17},
      {"a:b:c.txt:12:4", true, "a:b:c.txt", 12, 4},
      {"cella 159", false, "", 0, 0},
      {"treno.txt:41", false, "", 0, 0},
      {"treno.txt:x:1", false, "", 0, 0},
      {":1:1", false, "", 0, 0},
  };
  for (const Caso& c : casi) {
    std::string file;
    int riga = 0, colonna = 0;
    EXPECT_EQ(dividi_luogo(c.luogo, file, riga, colonna), c.ok) << c.luogo;
    if (c.ok) {
      EXPECT_EQ(file, c.file);
      EXPECT_EQ(riga, c.riga);
      EXPECT_EQ(colonna, c.colonna);
    }
  }
  // Lines end as the compiler counts them: LF, CR LF or a lone CR.
  const std::string script = "uno\r\ndue\ntre\rcittà \xe8\r\n\r\nultima";
  const std::pair<int, std::string> righe[] = {{1, "uno"}, {2, "due"}, {3, "tre"}, {4, "citt\xc3\x83\xc2\xa0 \xc3\xa8"},
                                               {5, ""},    {6, "ultima"}, {7, ""},  {0, ""}};
  for (const auto& [n, testo] : righe) EXPECT_EQ(riga_di(script, n), testo) << n;

  const std::vector<Diagnosi> diagnosi = {
      {16, true, 7900, "t.txt:2:1", "la cella è già occupata"},
      {12, true, 7950, "cella 160", "manca il segnale"},
      {101, false, 0, "l.txt", "lo script della linea non esiste"},
  };
  const std::vector<VoceElenco> v = voci_diagnosi(diagnosi, "l.txt", "", "t.txt", "a\r\nb,  7900\r\n");
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(v[0].file, "t.txt");
  EXPECT_EQ(v[0].riga, 2);
  EXPECT_EQ(v[0].riga_script, "b,  7900");
  EXPECT_EQ(v[1].file, "");
  EXPECT_EQ(v[1].testo, "cella 160: manca il segnale");
  EXPECT_TRUE(v[1].con_posizione);
  EXPECT_EQ(v[2].file, "l.txt");
  EXPECT_EQ(v[2].riga, 0);
  EXPECT_FALSE(v[2].con_posizione);
}

TEST(ViewData, SimplifiedPlanKeepsEndsAndBends) {
  std::vector<double> x, y;
  for (int m = 0; m <= 1000; ++m) x.push_back(0), y.push_back(m);
  EXPECT_EQ(semplifica(x, y, 0.1), (std::vector<size_t>{0, 1000}));
  // A right angle keeps its corner; a point off by less than the tolerance goes.
  for (int m = 1; m <= 500; ++m) x.push_back(m), y.push_back(1000);
  EXPECT_EQ(semplifica(x, y, 0.1), (std::vector<size_t>{0, 1000, 1500}));
  x[300] = 0.09;
  EXPECT_EQ(semplifica(x, y, 0.1), (std::vector<size_t>{0, 1000, 1500}));
  // A spike keeps its tip and the two points beside it.
  x[300] = 0.11;
  EXPECT_EQ(semplifica(x, y, 0.1), (std::vector<size_t>{0, 299, 300, 301, 1000, 1500}));
  EXPECT_EQ(semplifica({1}, {2}, 1), (std::vector<size_t>{0}));
  EXPECT_TRUE(semplifica({}, {}, 1).empty());
}

TEST(ViewPage, DataAndTitleCannotBreakOutOfTheirElements) {
  const std::string page = pagina_vista("a<b & \"c\"", R"({"nome":"</script><script>x()</script>"})");
  EXPECT_NE(page.find("<title>a&lt;b &amp; &quot;c&quot;</title>"), std::string::npos);
  EXPECT_NE(page.find(R"({"nome":"\u003c/script>\u003cscript>x()\u003c/script>"})"), std::string::npos);
  EXPECT_EQ(data_of(page)["nome"], "</script><script>x()</script>");
}

}  // namespace
}  // namespace ferrovello::test
