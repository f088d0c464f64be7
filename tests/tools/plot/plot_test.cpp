// `scenario-tool plot`: where the names go, and the page of the embedded
// scenario whole and in a window. The page as a browser draws it is tested
// by plot_browser_test.py.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/folder.h"
#include "tools/plot/plot_labels.h"

namespace ferrovello::test {
namespace {

// --- placement ---------------------------------------------------------------

struct RowsCase {
  const char* name;
  std::vector<double> places;
  double width;
};

TEST(PlotLabels, NamesInRowsNeverTouchAndNoLineCrossesAnotherName) {
  const RowsCase cases[] = {
      {"spread", {100, 300, 500, 700}, 80},
      {"crowd of a terminus", {900, 927, 936, 964, 980}, 140},
      {"two on one spot", {400, 400}, 60},
      {"at both edges", {15, 1185}, 120},
      {"in any order", {964, 100, 936, 110, 927}, 90},
  };
  for (const RowsCase& c : cases) {
    std::vector<NomeInFila> names;
    for (const double x : c.places) names.push_back({x, c.width, 0, 0});
    disponi_in_file(names, 10, 1190);
    for (size_t i = 0; i < names.size(); ++i) {
      const NomeInFila& a = names[i];
      EXPECT_GE(a.x0, 10) << c.name;
      EXPECT_LE(a.x0 + a.larghezza, 1190) << c.name;
      EXPECT_TRUE(a.x >= a.x0 && a.x <= a.x0 + a.larghezza) << c.name << ": name " << i << " beside its line";
      for (size_t j = 0; j < names.size(); ++j) {
        const NomeInFila& b = names[j];
        if (i == j || a.x == b.x) continue;  // two stations on one spot share their line
        if (a.fila == b.fila) {
          EXPECT_FALSE(a.x0 < b.x0 + b.larghezza && b.x0 < a.x0 + a.larghezza) << c.name << ": " << i << ", " << j;
        }
        if (a.fila < b.fila) {  // b's line runs down through a's row
          EXPECT_FALSE(b.x > a.x0 && b.x < a.x0 + a.larghezza) << c.name << ": line " << j << " crosses " << i;
        }
      }
    }
  }
}

TEST(PlotLabels, NamesBesideCrowdedPointsStayApartAndInside) {
  // Five stations 15 pixels apart along a diagonal track, as near Milano.
  std::vector<PuntoSchermo> track;
  for (int i = 0; i <= 100; ++i) track.push_back({500.0 + i * 3, 400.0 - i * 2});
  std::vector<NomeAccanto> names;
  for (int i = 0; i < 5; ++i) {
    NomeAccanto n;
    n.px = 700 + i * 13;
    n.py = 400 - (n.px - 500) / 3 * 2;
    n.larghezza = 130;
    n.altezza = 13;
    names.push_back(n);
  }
  const Riquadro field = {0, 0, 1190, 500};
  const Riquadro legend = {820, 230, 1190, 500};
  disponi_accanto(names, field, {legend}, track);
  for (size_t i = 0; i < names.size(); ++i) {
    const Riquadro& a = names[i].box;
    EXPECT_TRUE(a.x0 >= field.x0 && a.x1 <= field.x1 && a.y0 >= field.y0 && a.y1 <= field.y1) << i;
    EXPECT_FALSE(si_toccano(a, legend)) << i;
    for (size_t j = 0; j < names.size(); ++j) {
      EXPECT_FALSE(si_toccano(a, {names[j].px - 4, names[j].py - 4, names[j].px + 4, names[j].py + 4})) << i << " on dot " << j;
      if (j > i) {
        EXPECT_FALSE(si_toccano(a, names[j].box)) << i << ", " << j;
      }
    }
  }
}

// --- the page ----------------------------------------------------------------

struct Text {
  std::string cls, body;
  Riquadro box;
};

// Every text of the page with a box of its own reckoning: 0.62 em for each
// letter (wider than the average letter of a sans-serif font), the font's
// size tall above the baseline.
// The value of attribute `name` in the tag `tag`, or empty.
std::string attribute(const std::string& tag, const std::string& name) {
  const size_t a = tag.find(" " + name + "='");
  if (a == std::string::npos) return "";
  const size_t b = a + name.size() + 3;
  return tag.substr(b, tag.find('\'', b) - b);
}

std::vector<Text> texts(const std::string& svg) {
  std::vector<Text> out;
  for (size_t i = svg.find("<text "); i != std::string::npos; i = svg.find("<text ", i + 1)) {
    const size_t close = svg.find('>', i), end = svg.find("</text>", close);
    const std::string tag = svg.substr(i, close - i), cls = attribute(tag, "class"), anchor = attribute(tag, "text-anchor");
    const std::string body = svg.substr(close + 1, end - close - 1);
    const double size = cls == "titolo" ? 20 : cls == "sezione" ? 14 : cls == "sottotitolo" || cls == "voce" || cls == "nome" ? 11.5 : 10;
    double letters = 0;
    for (const char c : body) letters += (static_cast<unsigned char>(c) & 0xc0) == 0x80 ? 0 : 1;
    const double w = letters * 0.62 * size, x = std::stod(attribute(tag, "x")), y = std::stod(attribute(tag, "y"));
    const double x0 = anchor == "middle" ? x - w / 2 : anchor == "end" ? x - w : x;
    out.push_back({cls, body, {x0, y - size, x0 + w, y + 2}});
  }
  return out;
}

class Plot : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    folder_ = new TempFolder;
    ASSERT_EQ(run(TOOL_PATH, {"scripts", "--out", folder_->path()}).status, 0);
  }
  static void TearDownTestSuite() { delete folder_; }
  static RunResult plot(std::vector<std::string> more) {
    std::vector<std::string> args = {"plot", "--out", folder_->file("p.svg"), "--line",
                                     folder_->file("Ferrovello_linea.txt"), "--train",
                                     folder_->file("Ferrovello_2632-.txt")};
    args.insert(args.end(), more.begin(), more.end());
    return run(TOOL_PATH, args);
  }
  static std::string svg() { return read_bytes(folder_->file("p.svg")); }
  static TempFolder* folder_;
};
TempFolder* Plot::folder_ = nullptr;

bool has(const std::string& svg, const std::string& part) { return svg.find(part) != std::string::npos; }

TEST_F(Plot, TheWholeRouteHasTitleLegendTicksAndNoTextOnAnother) {
  ASSERT_EQ(plot({}).status, 0);
  const std::string page = svg();
  EXPECT_EQ(page.rfind("<?xml", 0), 0u);
  EXPECT_EQ(page.substr(page.size() - 7), "</svg>\n");
  EXPECT_TRUE(has(page, ">Ferrovello \xe2\x80\x94 treno 2632</text>"));
  EXPECT_TRUE(has(page, ">Da ALESSANDRIA a MILANO P.GENOVA \xc2\xb7 percorso di 88\xe2\x80\x89" "000 m</text>"));
  for (const char* entry : {"binario", "stazione", "pendenza", "velocit\xc3\xa0 massima del treno", "segnale"}) {
    EXPECT_TRUE(has(page, std::string(">") + entry + "</text>")) << entry;
  }
  // Speed every 20 km/h up to 140, the gradient at round steps.
  for (const char* v : {">0</text>", ">20</text>", ">80</text>", ">140</text>", ">+10\xe2\x80\xb0</text>"}) {
    EXPECT_TRUE(has(page, v)) << v;
  }
  // The posts of the three progressive systems: the first from -1+500, the
  // second restarting at 0+000 at 42300 m, the third falling from 36+900 at 55000 m.
  std::vector<std::string> starts;
  for (const Text& a : texts(page)) {
    if (a.cls == "km inizio") starts.push_back(a.body);
  }
  EXPECT_EQ(starts, (std::vector<std::string>{"0+000", "36+900"}));
  EXPECT_TRUE(has(page, ">5+000</text>") && has(page, ">30+000</text>"));
  EXPECT_TRUE(has(page, "<g class='scala'>") && has(page, ">25 km</text>"));

  const std::vector<Text> t = texts(page);
  size_t names = 0;
  for (const Text& a : t) names += a.cls == "nome" ? 1 : 0;
  EXPECT_EQ(names, 32u);  // each station on the plan and on the profile
  for (size_t i = 0; i < t.size(); ++i) {
    for (size_t j = i + 1; j < t.size(); ++j) {
      EXPECT_FALSE(si_toccano(t[i].box, t[j].box)) << t[i].body << " touches " << t[j].body;
    }
  }
}

TEST_F(Plot, AWindowShowsItsStretchOnly) {
  ASSERT_EQ(plot({"--from", "78000", "--to", "88000"}).status, 0);
  const std::string page = svg();
  EXPECT_TRUE(has(page, ">Da CORSICO a MILANO P.GENOVA \xc2\xb7 dal metro 78\xe2\x80\x89" "000 al metro 88\xe2\x80\x89" "000"));
  EXPECT_FALSE(has(page, ">TREZZANO</text>"));
  EXPECT_TRUE(has(page, ">MILANO S.CRISTOFORO</text>"));
  EXPECT_TRUE(has(page, ">13+500</text>") && has(page, ">4+000</text>"));  // every 500 m of the falling posts
  EXPECT_TRUE(has(page, ">78,0 km</text>") && has(page, ">88,0 km</text>"));
  EXPECT_TRUE(has(page, "<path class='fuori'"));  // the rest of the track, pale
  const std::vector<Text> t = texts(page);
  for (size_t i = 0; i < t.size(); ++i) {
    for (size_t j = i + 1; j < t.size(); ++j) EXPECT_FALSE(si_toccano(t[i].box, t[j].box)) << t[i].body << " / " << t[j].body;
  }

  EXPECT_EQ(plot({"--from", "5000", "--to", "5000"}).status, 2);
  EXPECT_EQ(plot({"--from", "-5"}).status, 2);
  const RunResult beyond = plot({"--from", "88000"});
  EXPECT_EQ(beyond.status, 1);
  EXPECT_NE(beyond.err.find("oltre la fine del percorso"), std::string::npos) << beyond.err;
  EXPECT_EQ(plot({"--from", "80000"}).status, 0);  // to the end of the route
  EXPECT_TRUE(has(svg(), "dal metro 80\xe2\x80\x89" "000 al metro 88\xe2\x80\x89" "000"));
}

}  // namespace
}  // namespace ferrovello::test

namespace ferrovello::test {
namespace {

// The ends of the window as kilometric posts of the scenario's systems: the
// first from -1+500 at 0 m, the second from 0+000 at 42300 m, the third
// falling from 36+900 at 55000 m.
TEST_F(Plot, AWindowByKilometricPostsIsTheSameAsByMetres) {
  ASSERT_EQ(plot({"--from", "78000", "--to", "88000"}).status, 0);
  const std::string by_metres = svg();
  ASSERT_EQ(plot({"--from", "13+900", "--to", "3+900", "--system", "3"}).status, 0);
  EXPECT_EQ(svg(), by_metres);

  struct Case {
    std::vector<std::string> args;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {{"--from", "13+900"}, 1,
       "--from 13+900: la progressiva è in più punti del percorso: 15400 m (sistema 1), 78000 m (sistema 3); "
       "scegli il sistema con --system o scrivi i metri\n"},
      {{"--from", "99+000"}, 1, "--from 99+000: la progressiva non è sul percorso in nessuno dei sistemi progressivi"},
      {{"--from", "3+900", "--to", "13+900", "--system", "3"}, 1,
       "--to 13+900 (a 78000 m) non viene dopo --from 3+900 (a 88000 m): il tratto disegnato va da --from a --to "
       "lungo il percorso\n"},
      {{"--to", "-1+500"}, 1, "--to -1+500 (a 0 m) non viene dopo l'inizio del percorso"},
      {{"--to", "0"}, 2, "--to deve venire dopo --from"},
      {{"--from", "1+5"}, 2, "dopo il + vengono le tre cifre dei metri oltre il chilometro"},
      {{"--system", "4"}, 2, "--system: deve essere 1, 2 o 3"},
  };
  for (const Case& c : cases) {
    const RunResult r = plot(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[0] << " " << c.args[1];
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace ferrovello::test
