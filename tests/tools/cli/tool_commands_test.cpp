// The authors' tool on the embedded scenario: check, dump, plot and scripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <type_traits>

#include "output/encoding.h"
#include "support/embedded_files.h"
#include "support/folder.h"
#include "support/scenario.h"
#include "tools/text/cp1252.h"

namespace ferrovello::test {
namespace {

using nlohmann::json;

// The embedded scripts and the files the tool compiles from them, made once.
class Tool : public EmbeddedFiles {};

TEST_F(Tool, ScriptsAreTheInstallersOwn) {
  FolderScenario s;
  s.form.dati_linea();
  s.form.dati_treno();
  EXPECT_EQ(read_bytes(line()), read_bytes(s.line_path()));
  EXPECT_EQ(read_bytes(train()), read_bytes(s.train_path()));
  EXPECT_EQ(read_bytes(line()).size(), 5988u);
  EXPECT_EQ(read_bytes(train()).size(), 3611u);
}

TEST_F(Tool, CheckSummarisesAndWritesNothing) {
  TempFolder cwd;
  const RunResult r = run(TOOL_PATH, {"check", "--line", line(), "--train", train()}, cwd.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "Nessun errore: percorso di 88000 m, 1901 celle, 16 stazioni, 29 segnali, 9 indicatori di velocità, "
            "61 cartelli indicatori, 0 rallentamenti, 26 pendenze, 38 curve, 1 montagna, 3 progressive, "
            "9 voci di velocità, 1 voce di aderenza, 0 punti di abbattimento, 0 avvisi\n");
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(list_folder(cwd.path()).empty());

  write_bytes(cwd.file("t.txt"), train_script({"stazione,  10010,  12,  300,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   X"}));
  const RunResult bad = run(TOOL_PATH, {"check", "--line", line(), "--train", cwd.file("t.txt")}, cwd.path());
  EXPECT_EQ(bad.status, 1);
  EXPECT_EQ(bad.err.rfind(" Errore n. 8\nPosizione: 10010 m\n", 0), 0u) << bad.err;
  EXPECT_NE(bad.err.find(cwd.file("t.txt") + ":2:1: "), std::string::npos) << bad.err;
  EXPECT_EQ(list_folder(cwd.path()), std::vector<std::string>{"t.txt"});
}

// A record from its JSON object: every field of its layout by name, and
// nothing else.
template <typename Record, typename Layout>
Record record_from(const json& o, const Layout& layout) {
  Record r;
  std::vector<std::string> names;
  per_ogni_campo(layout, [&](const auto& campo) {
    names.push_back(campo.nome);
    auto& v = r.*(campo.membro);
    if constexpr (std::is_same_v<std::remove_cvref_t<decltype(v)>, std::string>) {
      EXPECT_TRUE(cp1252_da_utf8(o.at(campo.nome), v));
    } else {
      v = o.at(campo.nome);
    }
  });
  std::vector<std::string> keys;
  for (const auto& [key, value] : o.items()) keys.push_back(key);
  std::sort(names.begin(), names.end());  // the parsed object keeps its keys sorted
  EXPECT_EQ(keys, names);
  return r;
}

std::vector<RouteCell> cells_from(const json& j) {
  std::vector<RouteCell> cells;
  for (const json& c : j.at("cells")) cells.push_back(record_from<RouteCell>(c, kCampiCella));
  return cells;
}

std::array<ItemRecord, kItemCount> items_from(const json& j) {
  std::array<ItemRecord, kItemCount> items{};
  size_t i = 0;
  for (const json& e : j.at("items")) items.at(i++) = record_from<ItemRecord>(e, kCampiElemento);
  EXPECT_EQ(i, 87u);
  return items;
}

std::vector<LineValue> line_from(const json& j) {
  std::vector<LineValue> table;
  for (const char* entry : {"entry0", "entry1"}) {
    for (const json& slot : j.at(entry)) {
      LineValue v;
      v.tag = slot.at(0);
      if (slot.size() > 1) v.value = slot.at(1).get<double>();
      table.push_back(v);
    }
  }
  EXPECT_EQ(table.size(), 2 * j.at("metres").get<size_t>());
  return table;
}

TEST_F(Tool, DumpJsonHoldsEveryFieldAsStored) {
  struct Case {
    const char* file;
    std::string (*reencode)(const json&);
  };
  const Case cases[] = {
      {"Ferrovello_2632.dat", [](const json& j) { return codifica_percorso(cells_from(j)); }},
      {"Ferrovello_2632.sim", [](const json& j) { return codifica_elementi(items_from(j)); }},
      {"Ferrovello_linea.dat", [](const json& j) { return codifica_linea(line_from(j)); }},
  };
  for (const Case& c : cases) {
    const RunResult r = run(TOOL_PATH, {"dump", out(c.file), "--json"});
    ASSERT_EQ(r.status, 0) << c.file << r.err;
    const std::string again = c.reencode(json::parse(r.out));
    EXPECT_TRUE(again == read_bytes(out(c.file))) << c.file;
  }
}

TEST_F(Tool, DumpTablesDecodeTheValues) {
  const RunResult route = run(TOOL_PATH, {"dump", out("Ferrovello_2632.dat")});
  ASSERT_EQ(route.status, 0);
  EXPECT_NE(route.out.find("   159     7900   135     6   100     0     0  segnale"), std::string::npos);
  EXPECT_NE(route.out.find("timbro 5121, codice di gara 2385"), std::string::npos);
  EXPECT_NE(route.out.find("indicatore di velocità massima   A 130/0, B 140/0, C 140/0 km/h"), std::string::npos);
  const RunResult items = run(TOOL_PATH, {"dump", out("Ferrovello_2632.sim")});
  ASSERT_EQ(items.status, 0);
  EXPECT_NE(items.out.find(" 3 stazione  VALENZA                tipo  12  posizione   13900  estensione 13650..14150  ora 7:42:00"),
            std::string::npos) << items.out;
  EXPECT_NE(items.out.find("80 cartello  (Fiume )(TANARO)"), std::string::npos);
  EXPECT_NE(items.out.find("81 progressiva  da 55000 m, base 91900 m, decrescente (memorizzata come 92000)"), std::string::npos);
  EXPECT_NE(items.out.find("85 scenario  \"Ferrovello\", sfondi 1 0 0, timbro 610, codice di gara 32776"), std::string::npos);
  const RunResult plan = run(TOOL_PATH, {"dump", out("Ferrovello_linea.dat")});
  ASSERT_EQ(plan.status, 0);
  EXPECT_NE(plan.out.find("\n     701     15                   -0.001                      701\n"), std::string::npos);
}

TEST_F(Tool, DumpRefusesFilesThatDoNotFitTheirLayout) {
  TempFolder f;
  const std::string sim = read_bytes(out("Ferrovello_2632.sim"));
  const std::string plan = read_bytes(out("Ferrovello_linea.dat"));
  const std::pair<std::string, std::string> cases[] = {
      {"a.dat", std::string(28514, '\0')},              // not a whole number of cells
      {"a.sim", sim.substr(0, sim.size() - 1)},           // the last record cut short
      {"b.sim", sim + "x"},                               // bytes after the 87 records
      {"a_linea.dat", plan.substr(0, plan.size() - 3)},   // cut inside a value
      {"b_linea.dat", std::string("\x07\x00", 2)},        // a tag the format has not
      {"c_linea.dat", std::string("\x00\x00", 2)},        // halves of different lengths
  };
  for (const auto& [name, bytes] : cases) {
    write_bytes(f.file(name), bytes);
    const RunResult r = run(TOOL_PATH, {"dump", f.file(name)});
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_NE(r.err.find("non ha la forma attesa"), std::string::npos) << name << r.err;
    EXPECT_TRUE(r.out.empty()) << name;
  }
  write_bytes(f.file("x.bin"), "abc");
  EXPECT_EQ(run(TOOL_PATH, {"dump", f.file("x.bin")}).status, 2);
  EXPECT_EQ(run(TOOL_PATH, {"dump", f.file("x.bin"), "--type", "percorso"}).status, 1);
}

TEST_F(Tool, PlotDrawsThePlanAndTheProfile) {
  TempFolder f;
  const RunResult r = run(TOOL_PATH, {"plot", "--out", f.file("p.svg"), "--line", line(), "--train", train()});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string svg = read_bytes(f.file("p.svg"));
  EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
  EXPECT_NE(svg.find("class='binario'"), std::string::npos);
  EXPECT_NE(svg.find("class='pendenza'"), std::string::npos);
  EXPECT_NE(svg.find("class='velocita'"), std::string::npos);
  EXPECT_NE(svg.find(">MILANO S.CRISTOFORO</text>"), std::string::npos);
  EXPECT_EQ(svg.substr(svg.size() - 7), "</svg>\n");

  const RunResult plan = run(TOOL_PATH, {"plot", "--out", f.file("q.svg"), "--line-file", out("Ferrovello_linea.dat"),
                                         "--sim", out("Ferrovello_2632.sim"), "--dat", out("Ferrovello_2632.dat")});
  ASSERT_EQ(plan.status, 0) << plan.err;
  EXPECT_NE(read_bytes(f.file("q.svg")).find(">VALENZA</text>"), std::string::npos);

  EXPECT_EQ(run(TOOL_PATH, {"plot", "--out", f.file("r.svg")}).status, 2);  // nothing to draw
  EXPECT_EQ(run(TOOL_PATH, {"plot", "--out", f.file("r.svg"), "--line", line()}).status, 2);
}

TEST(Cp1252, EveryByteRoundTripsThroughUtf8) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  std::string back;
  ASSERT_TRUE(cp1252_da_utf8(utf8_da_cp1252(all), back));
  EXPECT_EQ(back, all);
  EXPECT_EQ(utf8_da_cp1252("Localit\xE0 \x80"), "Localit\xC3\xA0 \xE2\x82\xAC");
  EXPECT_FALSE(cp1252_da_utf8("\xE4\xB8\xAD", back));  // a character the code page has not
}

}  // namespace
}  // namespace ferrovello::test
