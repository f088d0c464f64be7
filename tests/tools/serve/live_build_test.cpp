// `view --serve`: the builder's states as the author edits the scripts, and
// the Host check of the server. The server under floods and the watcher
// have tests of their own; the whole in a browser is serve_browser_test.py.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "platform/posix_platform.h"
#include "support/embedded_files.h"
#include "support/folder.h"
#include "support/page_data.h"
#include "tools/serve/live_build.h"
#include "tools/serve/page_server.h"

namespace ferrovello::test {
namespace {

using nlohmann::json;

json station(const json& data, const std::string& name) {
  for (const json& s : data["stazioni"]) {
    if (s["nome"] == name) return s;
  }
  return json();
}

// A second signal at 7900 m, after the first: fault 16 at that line.
std::string with_second_signal(const std::string& train, int& line) {
  const size_t at = train.find("segnale,  7900,");
  const size_t end = train.find("\r\n", at) + 2;
  line = 1 + static_cast<int>(std::count(train.begin(), train.begin() + static_cast<long>(end), '\n'));
  return train.substr(0, end) + train.substr(at, end - at) + train.substr(end);
}

class LiveBuild : public EmbeddedFiles {
 protected:
  void SetUp() override {
    write_bytes(t.file("linea.txt"), read_bytes(line()));
    good = read_bytes(train());
    write_bytes(t.file("treno.txt"), good);
    o.line = t.file("linea.txt");
    o.train = t.file("treno.txt");
  }
  json state() const { return json::parse(c.stato); }
  TempFolder t;
  PosixPlatform base{"."};
  CompileOptions o;
  Costruzione c;
  std::string good;
};

TEST_F(LiveBuild, AFaultKeepsTheLastGoodRouteUnderItsBannerAndTheNextGoodSaveRemovesIt) {
  ricostruisci(o, base, c);
  EXPECT_EQ(state(), json::parse(R"({"versione":1,"pagina":1,"stato":"ok","buono":true})"));
  // The page `view` writes for the same scripts, byte for byte.
  const RunResult v = run(TOOL_PATH, {"view", "--out", t.file("v.html"), "--line", o.line, "--train", o.train});
  ASSERT_EQ(v.status, 0) << v.err;
  EXPECT_EQ(c.pagina, read_bytes(t.file("v.html")));

  // VALENZA 500 m on: the new page.
  std::string moved = good;
  moved.replace(moved.find("stazione,  13900,"), 17, "stazione,  14400,");
  write_bytes(o.train, moved);
  ricostruisci(o, base, c);
  EXPECT_EQ(state()["stato"], "ok");
  EXPECT_EQ(station(data_of(c.pagina), "VALENZA")["da"], 14150);

  int line = 0;
  write_bytes(o.train, with_second_signal(moved, line));
  ricostruisci(o, base, c);
  const json s = state();
  EXPECT_EQ(s["stato"], "errori");
  EXPECT_EQ(s["titolo"], "Errore n. 16 · treno.txt, riga " + std::to_string(line));
  EXPECT_EQ(s["riga_script"], "segnale,  7900,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0");
  EXPECT_NE(s["testo"].get<std::string>().find("cella 159"), std::string::npos);
  EXPECT_EQ(s["errori"], 1);
  EXPECT_EQ(s["buono"], true);
  EXPECT_EQ(s["pagina"], 3);
  // The route drawn is the last good one, the list the new build's.
  const json d = data_of(c.pagina);
  EXPECT_EQ(station(d, "VALENZA")["da"], 14150);
  ASSERT_FALSE(d["elenco"].empty());
  EXPECT_EQ(d["elenco"][0]["numero"], 16);
  EXPECT_EQ(d["elenco"][0]["riga"], line);

  write_bytes(o.train, good);
  ricostruisci(o, base, c);
  EXPECT_EQ(state()["stato"], "ok");
  EXPECT_EQ(c.pagina, read_bytes(t.file("v.html")));
}

TEST_F(LiveBuild, AFileThatGoesLeavesThePageAsItWasUntilItComesBack) {
  ricostruisci(o, base, c);
  const std::string page = c.pagina;
  std::string reason;
  ASSERT_TRUE(base.delete_file(o.train, reason)) << reason;
  ricostruisci(o, base, c);
  const json s = state();
  EXPECT_EQ(s["stato"], "manca");
  EXPECT_EQ(s["titolo"], "Il file treno.txt non c’è più");
  EXPECT_EQ(s["pagina"], 1);  // no new page
  EXPECT_EQ(s["versione"], 2);
  EXPECT_EQ(c.pagina, page);
  write_bytes(o.train, good);
  ricostruisci(o, base, c);
  EXPECT_EQ(state()["stato"], "ok");
  EXPECT_EQ(state()["pagina"], 1);  // the same page: nothing to redraw
  write_bytes(o.train, good + "\r\n");
  ricostruisci(o, base, c);
  EXPECT_EQ(state()["pagina"], 1);
  std::string moved = good;
  moved.replace(moved.find("stazione,  13900,"), 17, "stazione,  14400,");
  write_bytes(o.train, moved);
  ricostruisci(o, base, c);
  EXPECT_EQ(state()["pagina"], 2);
}

TEST_F(LiveBuild, BeforeAnyGoodBuildAFaultShowsWhatWasBuiltAndAnUnreadableScriptAnEmptyRoute) {
  int line = 0;
  write_bytes(o.train, with_second_signal(good, line));
  ricostruisci(o, base, c);
  EXPECT_EQ(state()["stato"], "errori");
  EXPECT_EQ(state()["buono"], false);
  EXPECT_EQ(data_of(c.pagina)["lunghezza"], 88000);  // as far as the compilation got

  Costruzione fresh;
  write_bytes(o.train, "stazione,  100,  \xe2\x82\xac\xf0\x9f\x9a\x82\r\n");  // a character without a place in the code page
  ricostruisci(o, base, fresh);
  const json s = json::parse(fresh.stato);
  EXPECT_EQ(s["stato"], "illeggibile");
  EXPECT_FALSE(s["testo"].get<std::string>().empty());
  EXPECT_EQ(data_of(fresh.pagina)["celle"]["numero"], 0);
}

TEST_F(LiveBuild, ARunThatEndsBeforeItsRouteIsMadeIsAFaultAndTheServerGoesOn) {
  ricostruisci(o, base, c);
  const std::string line_script = read_bytes(o.line);
  write_bytes(o.line, "");  // no route at all: the run would end the program
  ricostruisci(o, base, c);
  const json s = state();
  EXPECT_EQ(s["stato"], "errori");
  EXPECT_EQ(s["titolo"], "Errore n. 102 · linea.txt, riga 1");
  EXPECT_NE(s["testo"].get<std::string>().find("[generale]"), std::string::npos);
  const json d = data_of(c.pagina);
  EXPECT_EQ(d["lunghezza"], 88000);  // the last good route
  ASSERT_EQ(d["elenco"].size(), 1u);
  EXPECT_EQ(d["elenco"][0]["numero"], 102);
  write_bytes(o.line, line_script);
  ricostruisci(o, base, c);
  EXPECT_EQ(state()["stato"], "ok");
}

// A watched script replaced by a pipe, a device or a file too large is a
// script that cannot be read, said on the page at once: never waited on,
// never read whole. The page stays as it was.
TEST_F(LiveBuild, AScriptThatBecomesAPipeADeviceOrHugeIsUnreadable) {
  ricostruisci(o, base, c);
  const std::string page = c.pagina;
  const struct {
    std::string kind;
    std::string says;
  } cases[] = {
      {"fifo", "non è un file regolare"},
      {"zero", "non è un file regolare"},
      {"huge", "supera 16777216 byte"},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.kind);
    std::filesystem::remove(o.train);
    if (k.kind == "fifo") {
      ASSERT_EQ(::mkfifo(o.train.c_str(), 0644), 0);
    } else if (k.kind == "zero") {
      std::filesystem::create_symlink("/dev/zero", o.train);
    } else {
      write_bytes(o.train, "");
      std::filesystem::resize_file(o.train, uint64_t{1} << 30);
    }
    ricostruisci(o, base, c);
    const json s = state();
    EXPECT_EQ(s["stato"], "illeggibile");
    EXPECT_NE(s["testo"].get<std::string>().find(k.says), std::string::npos) << s.dump();
    EXPECT_EQ(c.pagina, page);
  }
}

TEST(ServeHost, OnlyTheServersOwnAddressIsAnswered) {
  const struct {
    const char* host;
    uint16_t port;
    bool allowed;
  } cases[] = {
      {"127.0.0.1:8123", 8123, true},  {"localhost:8123", 8123, true},   {"127.0.0.1", 8123, false},
      {"127.0.0.1:8124", 8123, false}, {"esempio.it:8123", 8123, false}, {"esempio.it", 80, false},
      {"", 8123, false},               {"127.0.0.1", 80, true},          {"127.0.0.1:80", 80, true},
      {"127.0.0.1.esempio.it:8123", 8123, false}, {"[::1]:8123", 8123, false},
  };
  for (const auto& k : cases) EXPECT_EQ(host_ammesso(k.host, k.port), k.allowed) << k.host << " " << k.port;
}

}  // namespace
}  // namespace ferrovello::test
