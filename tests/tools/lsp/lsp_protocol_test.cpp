// The language server through its protocol: the framing of messages, the
// error answers to what a client may get wrong, the exit status, positions
// in UTF-16 code units, the pairing of scripts and the check of the latest
// text only. The server runs on a platform in memory; the editor's side is
// tests/tools/lsp/neovim_test.lua.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "platform/memory_platform.h"
#include "platform/posix_platform.h"
#include "support/folder.h"
#include "support/scenario.h"
#include "tools/lsp/documents.h"
#include "tools/lsp/protocol.h"
#include "tools/lsp/server.h"
#include "tools/lsp/transport.h"
#include "tools/scenario/prepared_scripts.h"

namespace ferrovello::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

std::string frame(const json& m) { return incornicia(m.dump()); }

json request(int id, const std::string& method, json params = json::object()) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}
json notification(const std::string& method, json params = json::object()) {
  return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}
json initialize() { return request(1, "initialize", {{"initializationOptions", {{"ritardo", 0}}}}); }
json open(const std::string& uri, const std::string& text, int version = 1) {
  return notification("textDocument/didOpen",
                      {{"textDocument", {{"uri", uri}, {"languageId", "text"}, {"version", version}, {"text", text}}}});
}
json change(const std::string& uri, const std::string& text, int version) {
  return notification("textDocument/didChange",
                      {{"textDocument", {{"uri", uri}, {"version", version}}}, {"contentChanges", {{{"text", text}}}}});
}

// The messages the server wrote, split by their headers.
std::vector<json> messages(const std::string& out) {
  std::vector<json> all;
  LettoreMessaggi reader;
  reader.aggiungi(out);
  std::string body;
  std::string error;
  while (reader.prossimo(body, error) == LettoreMessaggi::Esito::messaggio) all.push_back(json::parse(body));
  return all;
}

struct Session {
  MemoryPlatform platform;
  int status = -1;
  std::vector<json> out;
};

// Serves `input` (raw bytes) to its end, on `files`.
void serve(Session& s, const std::string& input) {
  s.platform.input = input;
  ServerLsp server(s.platform);
  s.status = server.servi();
  s.out = messages(s.platform.output);
}

std::vector<json> with_method(const std::vector<json>& out, const std::string& method) {
  std::vector<json> r;
  for (const json& m : out) {
    if (m.value("method", "") == method) r.push_back(m);
  }
  return r;
}
const json* answer(const std::vector<json>& out, const json& id) {
  for (const json& m : out) {
    if (m.contains("id") && m["id"] == id && !m.contains("method")) return &m;
  }
  return nullptr;
}

TEST(LspFraming, MessagesAreTakenWholeHoweverTheBytesArrive) {
  const std::string two = incornicia("{\"a\":1}") + "content-length:  7\r\nContent-Type: x\r\n\r\n{\"b\":2}";
  for (size_t piece : {size_t{1}, size_t{3}, two.size()}) {
    LettoreMessaggi reader;
    std::vector<std::string> bodies;
    std::string body;
    std::string error;
    for (size_t i = 0; i < two.size(); i += piece) {
      reader.aggiungi(std::string_view(two).substr(i, piece));
      while (reader.prossimo(body, error) == LettoreMessaggi::Esito::messaggio) bodies.push_back(body);
    }
    EXPECT_EQ(bodies, (std::vector<std::string>{"{\"a\":1}", "{\"b\":2}"})) << "pieces of " << piece;
    EXPECT_EQ(reader.in_attesa(), 0u);
  }
}

TEST(LspFraming, ALargeBodyIsHandedOverWithTheMessagesAroundIt) {
  const std::string large = "{\"t\":\"" + std::string((size_t{1} << 20) + 5, 'x') + "\"}";
  const std::string stream = incornicia("{\"a\":1}") + incornicia(large) + incornicia("{\"b\":2}");
  for (size_t piece : {size_t{4096}, size_t{(1 << 20) + 17}, stream.size()}) {
    LettoreMessaggi reader;
    std::vector<std::string> bodies;
    std::string body;
    std::string error;
    for (size_t i = 0; i < stream.size(); i += piece) {
      reader.aggiungi(std::string_view(stream).substr(i, piece));
      while (reader.prossimo(body, error) == LettoreMessaggi::Esito::messaggio) bodies.push_back(body);
    }
    EXPECT_EQ(bodies, (std::vector<std::string>{"{\"a\":1}", large, "{\"b\":2}"})) << "pieces of " << piece;
    EXPECT_EQ(reader.in_attesa(), 0u);
  }
}

// A long string is decoded before the parse: the message must come out as
// the parser alone reads it, refusals included.
TEST(LspFraming, LongStringsAreReadAsTheParserReadsThem) {
  const std::string filler(70000, 'a');
  const std::vector<std::string> strings = {
      filler,
      filler + "\\r\\n\\t\\b\\f\\/\\\\\\\"",
      filler + "\\u00e8\\u20AC\\ud83d\\ude80 è €",
      filler + "\\u0000lungo 0",
      // refused by the parser
      filler + "\\ud83d",
      filler + "\\ude80",
      filler + "\\x",
      filler + "\\u12",
      filler + "\t",
      filler + "\xC3",
      filler + "\xED\xA0\x80",
      filler + "\xF4\x90\x80\x80",
  };
  for (const std::string& s : strings) {
    const std::vector<std::string> bodies = {
        "{\"t\":\"" + s + "\"}",
        "{\"t\" : \"" + s + "\" , \"u\":[\"" + s + "\", \"" + filler + "\", 1]}",
        "{\"" + s + "\":\"k\"}",  // a key stays with the parser
        "{\"t\":\"" + s,          // unterminated
        "[\"" + s + "\"",
    };
    for (const std::string& body : bodies) {
      const json expected = json::parse(body, nullptr, false);
      const json got = leggi_messaggio(body);
      ASSERT_EQ(got.is_discarded(), expected.is_discarded()) << body.substr(70000, 80);
      if (!expected.is_discarded()) {
        EXPECT_EQ(got, expected) << body.substr(70000, 80);
      }
    }
  }
}

TEST(LspFraming, ABadHeaderIsReportedAndReadingGoesOnAtTheNextOne) {
  struct Case {
    std::string header;
    std::string reason;
  };
  const std::vector<Case> cases = {
      {"Content-Length 7\r\n\r\n", "senza \":\""},
      {"Content-Length: sette\r\n\r\n", "non è un numero"},
      {"Content-Type: x\r\n\r\n", "manca Content-Length"},
      {"Content-Length: 999999999999\r\n\r\n", "supera il massimo"},
      {std::string(5000, 'x'), "troppo lunga"},
  };
  for (const Case& c : cases) {
    LettoreMessaggi reader;
    reader.aggiungi(c.header + incornicia("{}"));
    std::string body;
    std::string error;
    EXPECT_EQ(reader.prossimo(body, error), LettoreMessaggi::Esito::guasto) << c.header.substr(0, 40);
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(reader.prossimo(body, error), LettoreMessaggi::Esito::messaggio) << c.header.substr(0, 40);
    EXPECT_EQ(body, "{}");
  }
  // Bytes that never make a header are dropped as they come.
  LettoreMessaggi reader;
  std::string body;
  std::string error;
  reader.aggiungi(std::string(5000, 'x'));
  EXPECT_EQ(reader.prossimo(body, error), LettoreMessaggi::Esito::guasto);
  EXPECT_NE(error.find("senza riga vuota"), std::string::npos) << error;
  EXPECT_EQ(reader.in_attesa(), 0u);
  reader.aggiungi(incornicia("{}"));
  EXPECT_EQ(reader.prossimo(body, error), LettoreMessaggi::Esito::messaggio);
}

TEST(LspErrors, EveryMalformedMessageGetsTheProtocolsAnswerAndServingGoesOn) {
  Session s;
  serve(s, frame(request(7, "textDocument/hover")) +  // before initialize
               frame(initialize()) + "Content-Length: 5\r\n\r\n{bad}" + "Bogus\r\n\r\n" +
               frame(json::array({1, 2})) + frame(request(2, "nessuno/metodo")) +
               frame(notification("nessuna/notifica")) +
               frame(request(3, "textDocument/hover",
                             {{"textDocument", {{"uri", "file:///x/non_aperto.txt"}}},
                              {"position", {{"line", 0}, {"character", 0}}}})) +
               frame(request(4, "textDocument/codeAction", {{"textDocument", {{"uri", 5}}}})) +
               frame(request(5, "shutdown")) + frame(request(6, "textDocument/hover")) +
               frame(notification("exit")));
  EXPECT_EQ(s.status, 0);
  auto code_of = [&](const json& id) {
    const json* a = answer(s.out, id);
    return a != nullptr && a->contains("error") ? (*a)["error"]["code"].get<int>() : 0;
  };
  EXPECT_EQ(code_of(7), kNonInizializzato);
  EXPECT_EQ(code_of(2), kMetodoSconosciuto);
  EXPECT_EQ(code_of(3), kRichiestaFallita);
  EXPECT_EQ(code_of(4), kRichiestaFallita);
  EXPECT_EQ(code_of(6), kRichiestaNonValida);  // after shutdown
  ASSERT_NE(answer(s.out, 5), nullptr);
  EXPECT_TRUE((*answer(s.out, 5))["result"].is_null());
  // Bad JSON, a bad header and a batch have no id to answer to.
  std::vector<int> without_id;
  for (const json& m : s.out) {
    if (m.contains("error") && m["id"].is_null()) without_id.push_back(m["error"]["code"]);
  }
  EXPECT_EQ(without_id, (std::vector<int>{kErroreJson, kErroreJson, kRichiestaNonValida}));
  EXPECT_EQ(s.out.size(), 10u) << "the unknown notification gets no answer";
}

TEST(LspErrors, TheExitStatusSaysWhetherShutdownCameFirst) {
  struct Case {
    std::string input;
    int status;
  };
  const std::vector<Case> cases = {
      {frame(initialize()) + frame(request(2, "shutdown")) + frame(notification("exit")), 0},
      {frame(initialize()) + frame(notification("exit")), 1},
      {frame(notification("exit")), 1},
      {frame(initialize()) + frame(request(2, "shutdown")), 1},  // the input ends without exit
      {"", 1},
  };
  for (const Case& c : cases) {
    Session s;
    serve(s, c.input);
    EXPECT_EQ(s.status, c.status) << c.input;
  }
}

TEST(LspText, PositionsCountUtf16CodeUnits) {
  // "è" is two bytes and one unit; "😀" four bytes and two units.
  const TestoAperto t("ab\r\nè😀x\ny\rz");
  EXPECT_EQ(t.righe(), 4);
  EXPECT_EQ(t.riga(1), "è😀x");
  struct Case {
    size_t byte;
    int64_t line;
    int64_t character;
  };
  for (const Case& c : std::vector<Case>{{0, 0, 0}, {2, 0, 2}, {4, 1, 0}, {6, 1, 1}, {10, 1, 3}, {12, 2, 0}, {14, 3, 0}}) {
    const Posizione p = t.posizione_di(c.byte);
    EXPECT_EQ(p.riga, c.line) << c.byte;
    EXPECT_EQ(p.carattere, c.character) << c.byte;
    EXPECT_EQ(t.byte_di(p), c.byte) << c.byte;
  }
  EXPECT_EQ(t.byte_di({1, 99}), 11u) << "past the line's end: at its end";
  EXPECT_EQ(t.byte_di({9, 0}), t.utf8().size());
  EXPECT_EQ(t.byte_del_carattere(6), 10u);  // a b \r \n è 😀 -> x
}

// Line starts are kept for some lines only: every line, far from those
// kept, is found as a full table would find it.
TEST(LspText, ManyLinesOfMixedEndsAreFoundAsAFullTableFindsThem) {
  const std::vector<std::string> pieces = {"", "x", "è😀", "a, b", "", "\xEF\xBB\xBFz"};
  const std::vector<std::string> ends = {"\r\n", "\n", "\r", "\r\n", "\n\r"};
  std::string text;
  for (size_t i = 0; i < 53; ++i) text += pieces[i % pieces.size()] + ends[i % ends.size()];
  text += "fine";
  const TestoAperto t(text);
  std::vector<size_t> starts = {0};
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) starts.push_back(i + 1);
  }
  ASSERT_EQ(t.righe(), static_cast<int64_t>(starts.size()));
  for (size_t r = 0; r < starts.size(); ++r) {
    const size_t end = r + 1 < starts.size() ? starts[r + 1] : text.size();
    std::string line = text.substr(starts[r], end - starts[r]);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    EXPECT_EQ(t.inizio_riga(static_cast<int64_t>(r)), starts[r]) << r;
    EXPECT_EQ(t.riga(static_cast<int64_t>(r)), line) << r;
    EXPECT_EQ(t.byte_di({static_cast<int64_t>(r), 0}), starts[r]) << r;
    EXPECT_EQ(t.byte_di({static_cast<int64_t>(r), 99}), starts[r] + line.size()) << r;
  }
  for (size_t b = 0; b <= text.size(); ++b) {
    const auto r = static_cast<size_t>(std::upper_bound(starts.begin(), starts.end(), b) - starts.begin()) - 1;
    const Posizione p = t.posizione_di(b);
    EXPECT_EQ(p.riga, static_cast<int64_t>(r)) << b;
    EXPECT_EQ(p.carattere, unita_utf16(std::string_view(text).substr(starts[r], b - starts[r]))) << b;
  }
  EXPECT_EQ(t.inizio_riga(t.righe()), text.size());
  EXPECT_EQ(t.riga(t.righe()), "");
}

TEST(LspDocuments, ScriptsArePairedByTheirNamesOrByThePairFile) {
  MemoryPlatform p;
  p.files["/s/Valle_linea.txt"] = "";
  p.files["/s/Valle_10_2-.txt"] = "";
  p.files["/s/altro.txt"] = "";
  p.files["/c/a linea.txt"] = "";
  p.files["/c/il treno.txt"] = "";
  p.files["/c/.coppie-script"] = "# le coppie\r\n  a linea.txt |  il treno.txt \r\n";
  Documenti none;
  struct Case {
    std::string path;
    std::string line;
    std::string train;
  };
  const std::vector<Case> cases = {
      {"/s/Valle_linea.txt", "/s/Valle_linea.txt", "/s/Valle_10_2-.txt"},
      {"/s/Valle_10_2-.txt", "/s/Valle_linea.txt", "/s/Valle_10_2-.txt"},
      {"/s/Monte_3-.txt", "", "/s/Monte_3-.txt"},
      {"/c/il treno.txt", "/c/a linea.txt", "/c/il treno.txt"},
      {"/c/a linea.txt", "/c/a linea.txt", "/c/il treno.txt"},
  };
  for (const Case& c : cases) {
    const Coppia got = coppia_di(p, none, c.path, "");
    EXPECT_EQ(got.linea, c.line) << c.path;
    EXPECT_EQ(got.treno, c.train) << c.path;
  }
  EXPECT_EQ(coppia_di(p, none, "/s/altro.txt", "lunghezza percorso, 5000").linea, "/s/altro.txt");
  EXPECT_EQ(percorso_di_uri("file:///c/a%20linea.txt"), "/c/a linea.txt");
  EXPECT_EQ(percorso_di_uri("file:///C:/x/y%C3%A8.txt"), "C:/x/yè.txt");
  EXPECT_EQ(uri_di_percorso("/c/a linea.txt"), "file:///c/a%20linea.txt");
}

// On the disk: the train script beside a line script is found by listing
// the folder; an open one of the editor comes first.
TEST(LspDocuments, ALineScriptFindsItsTrainScriptInItsFolder) {
  TempFolder folder;
  write_bytes(folder.file("Valle_linea.txt"), "");
  write_bytes(folder.file("Valle_20-.txt"), "");
  write_bytes(folder.file("Valle_10-.txt"), "");
  write_bytes(folder.file("Monte_1-.txt"), "");
  PosixPlatform disk(folder.path());
  Documenti open_docs;
  EXPECT_EQ(coppia_di(disk, open_docs, folder.file("Valle_linea.txt"), "").treno, folder.file("Valle_10-.txt"));
  open_docs.apri(uri_di_percorso(folder.file("Valle_20-.txt")), 1, "");
  EXPECT_EQ(coppia_di(disk, open_docs, folder.file("Valle_linea.txt"), "").treno, folder.file("Valle_20-.txt"));
  EXPECT_EQ(coppia_di(disk, open_docs, folder.file("Monte_1-.txt"), "").linea, "");
}

// The check's fault, on a line with accents before it, lands on the
// character in UTF-16 units; a script alone is said to be alone once.
TEST(LspDiagnostics, FaultsAndWarningsLandOnTheirCharacters) {
  Session s;
  s.platform.files["/s/S_linea.txt"] = line_script({});
  const std::string uri = "file:///s/S_1-.txt";
  const std::string train = train_script({"stazione,  0,  8,  400,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   CITTÀ",
                                          "segnalle,  7900"});
  const std::string train_fault = train_script({"numero vetture,  😀"});
  serve(s, frame(initialize()) + frame(open(uri, train)) + frame(request(2, "shutdown")) +
               frame(change(uri, train_fault, 2)) + frame(notification("exit")));
  const std::vector<json> published = with_method(s.out, "textDocument/publishDiagnostics");
  ASSERT_EQ(published.size(), 1u) << "requests after shutdown are refused, and so is the check";
  const json& d = published[0]["params"]["diagnostics"];
  ASSERT_EQ(d.size(), 1u) << d.dump();
  // A misspelt keyword on a line of values is an error of the check.
  EXPECT_EQ(d[0]["severity"], kGravitaErrore);
  EXPECT_EQ(d[0]["range"], json::parse(R"({"start":{"line":2,"character":0},"end":{"line":2,"character":8}})"));
  EXPECT_NE(d[0]["message"].get<std::string>().find("forse \"segnale\""), std::string::npos);
  EXPECT_TRUE(with_method(s.out, "window/showMessage").empty()) << "the pair is complete";

  // Alone, with a character the scripts' code page has not.
  Session alone;
  serve(alone, frame(initialize()) + frame(open("file:///t/T_1-.txt", train_fault)) + frame(change("file:///t/T_1-.txt", train_fault, 2)) +
                   frame(request(3, "textDocument/documentSymbol", {{"textDocument", {{"uri", "file:///t/T_1-.txt"}}}})) +
                   frame(request(2, "shutdown")) + frame(notification("exit")));
  EXPECT_EQ(with_method(alone.out, "window/showMessage").size(), 1u);
  const std::vector<json> p2 = with_method(alone.out, "textDocument/publishDiagnostics");
  ASSERT_EQ(p2.size(), 1u);
  const json& f = p2[0]["params"]["diagnostics"];
  ASSERT_EQ(f.size(), 1u) << f.dump();
  EXPECT_EQ(f[0]["severity"], kGravitaErrore);
  EXPECT_EQ(f[0]["range"]["start"], json::parse(R"({"line":1,"character":17})"));
  EXPECT_NE(f[0]["message"].get<std::string>().find("U+1F600"), std::string::npos);
}

// Past the first 5000, one diagnostic says how many more there are; a text
// beyond a script's largest size is not checked at all.
TEST(LspDiagnostics, TheListStopsAtItsCapAndAHugeTextIsRefused) {
  Session s;
  s.platform.files["/s/S_linea.txt"] = line_script({});
  const std::string uri = "file:///s/S_1-.txt";
  std::string train = "[generale]\r\n";
  for (int i = 0; i < 5003; ++i) train += "x\r\n";
  train += "[fine]\r\n";
  const std::string huge(kMassimoScript + 1, '\n');
  serve(s, frame(initialize()) + frame(open(uri, train)) + frame(open("file:///s/G_1-.txt", huge)) +
               frame(request(2, "shutdown")) + frame(notification("exit")));
  const std::vector<json> published = with_method(s.out, "textDocument/publishDiagnostics");
  ASSERT_EQ(published.size(), 2u);
  for (const json& p : published) {
    const json& d = p["params"]["diagnostics"];
    SCOPED_TRACE(p["params"]["uri"].get<std::string>());
    if (p["params"]["uri"] == uri) {
      // 5004 warnings: the train script gives nothing (on line 0), then one per "x".
      ASSERT_EQ(d.size(), 5001u);
      EXPECT_EQ(d[4999]["range"]["start"]["line"], 4999);
      EXPECT_EQ(d[5000]["message"], "L'elenco si ferma ai primi 5000 avvisi: altri 4 non sono elencati (correggi questi e riprova)");
      EXPECT_EQ(d[5000]["range"]["start"]["line"], 4999) << "where the list stops";
    } else {
      ASSERT_EQ(d.size(), 1u);
      EXPECT_NE(d[0]["message"].get<std::string>().find("supera 16777216 byte"), std::string::npos) << d.dump();
    }
  }
}

// A burst of changes read together is one check, of the last text.
TEST(LspScheduling, ABurstOfChangesIsCheckedOnceOnItsLastText) {
  Session s;
  const std::string uri = "file:///s/S_1-.txt";
  s.platform.files["/s/S_linea.txt"] = line_script({});
  std::string input = frame(initialize()) + frame(open(uri, train_script({})));
  for (int v = 2; v <= 101; ++v) input += frame(change(uri, train_script({"numero vetture,  " + std::to_string(v)}), v));
  input += frame(change(uri, train_script({"segnalle,  100"}), 102));
  serve(s, input + frame(request(2, "shutdown")) + frame(notification("exit")));
  const std::vector<json> published = with_method(s.out, "textDocument/publishDiagnostics");
  ASSERT_EQ(published.size(), 1u);
  EXPECT_EQ(published[0]["params"]["version"], 102);
  EXPECT_NE(published[0]["params"]["diagnostics"].dump().find("segnalle"), std::string::npos);
}

TEST(LspFeatures, QuickFixesMendTheWarningsThatCarryAChange) {
  Session s;
  const std::string uri = "file:///s/S_1-.txt";
  s.platform.files["/s/S_linea.txt"] = line_script({});
  // A misspelt keyword, a line cut in two, and no "[fine]" after a lone keyword.
  const std::string train = "[generale]\r\nsegnalle,  100,  2,  4,  0,  0,  0,  0,  0,  0,  0,  0\r\n"
                            "velocita,  500\r\n80\r\nsabbia";
  auto action = [&](int id, int line) {
    return frame(request(id, "textDocument/codeAction",
                         {{"textDocument", {{"uri", uri}}},
                          {"range", {{"start", {{"line", line}, {"character", 0}}}, {"end", {{"line", line}, {"character", 1}}}}},
                          {"context", {{"diagnostics", json::array()}}}}));
  };
  serve(s, frame(initialize()) + frame(open(uri, train)) + action(2, 1) + action(3, 2) + action(4, 4) +
               frame(request(9, "shutdown")) + frame(notification("exit")));
  struct Case {
    int id;
    std::string title;
    std::string edit;
  };
  const std::vector<Case> cases = {
      {2, "Scrivi \"segnale\"", R"({"newText":"segnale","range":{"end":{"character":8,"line":1},"start":{"character":0,"line":1}}})"},
      {3, "Unisci la riga seguente a questa", R"({"newText":", ","range":{"end":{"character":0,"line":3},"start":{"character":14,"line":2}}})"},
      {4, "Aggiungi \"[fine]\"", R"({"newText":"\r\n[fine]\r\n","range":{"end":{"character":6,"line":4},"start":{"character":6,"line":4}}})"},
  };
  for (const Case& c : cases) {
    const json* a = answer(s.out, c.id);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ((*a)["result"].size(), 1u) << a->dump();
    EXPECT_EQ((*a)["result"][0]["title"], c.title);
    EXPECT_EQ((*a)["result"][0]["edit"]["changes"][uri][0], json::parse(c.edit));
  }
  // A script kept with LF line ends gets LF in what is added.
  Session lf;
  lf.platform.files["/s/S_linea.txt"] = line_script({});
  serve(lf, frame(initialize()) + frame(open(uri, "[generale]\nnumero vetture,  9\nsabbia")) + action(2, 2) +
                frame(request(9, "shutdown")) + frame(notification("exit")));
  const json* a = answer(lf.out, 2);
  ASSERT_NE(a, nullptr);
  ASSERT_EQ((*a)["result"].size(), 1u) << a->dump();
  EXPECT_EQ((*a)["result"][0]["edit"]["changes"][uri][0]["newText"], "\n[fine]\n");
}

// A pair file names files of its own folder only: a line that leads out of
// it (a path, "..", a drive, a NUL) says nothing, and so does a pair file
// larger than any real one, which is not read.
TEST(LspDocuments, APairFileNeverLeadsOutOfItsFolder) {
  MemoryPlatform p;
  p.files["/fuori_linea.txt"] = "";
  p.files["/c/.coppie-script"] = std::string("../fuori_linea.txt | T_1-.txt\n/fuori_linea.txt | T_2-.txt\n") +
                                 "C:fuori.txt | T_3-.txt\n..\\fuori.txt | T_4-.txt\n.. | T_5-.txt\n" +
                                 std::string("fuori\0.txt | T_6-.txt\n", 22) + "sotto/x.txt | T_7-.txt\n" +
                                 "L.txt | ../T_8-.txt\nL.txt | T_8-.txt\n";
  p.files["/g/.coppie-script"] = std::string(64 << 10, '#') + "\nL.txt | T_1-.txt\n";
  Documenti none;
  const struct {
    std::string path;
    std::string line;
  } cases[] = {
      {"/c/T_1-.txt", ""}, {"/c/T_2-.txt", ""}, {"/c/T_3-.txt", ""}, {"/c/T_4-.txt", ""},
      {"/c/T_5-.txt", ""}, {"/c/T_6-.txt", ""}, {"/c/T_7-.txt", ""}, {"/c/T_8-.txt", "/c/L.txt"},
      {"/g/T_1-.txt", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(coppia_di(p, none, c.path, "").linea, c.line) << c.path;
}

// Only a file of this machine, named without a NUL, is a document's file;
// any other uri is a document that is no file, checked alone.
TEST(LspDocuments, AUriOfAnotherMachineOrWithANulNamesNoFile) {
  const struct {
    std::string uri;
    std::string path;
  } cases[] = {
      {"file:///c/a%20linea.txt", "/c/a linea.txt"},
      {"file://localhost/c/x.txt", "/c/x.txt"},
      {"file://host/etc/hosts", ""},
      {"file:///dev/zero%00/X_1-.txt", ""},
      {"file:///c/x%00", ""},
      {"untitled:X_1-.txt", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(percorso_di_uri(c.uri), c.path) << c.uri;
}

// The server on the disk, its client's stream in memory.
class DiskStream : public PosixPlatform {
 public:
  using PosixPlatform::PosixPlatform;
  std::string input;
  std::string output;
  bool read_input_some(std::string& bytes, bool& ended, std::string&) override {
    ended = input.empty();
    bytes += input;
    input.clear();
    return true;
  }
  bool input_waiting(int) override { return true; }
  bool write_output(std::string_view text, bool&, std::string&) override {
    output += text;
    return true;
  }
};

// A partner that is a pipe, a device or too large is never read: the
// server answers as ever, checks the document alone and says why, once.
TEST(LspDocuments, APartnerThatIsNoScriptIsNotReadAndTheDocumentIsCheckedAlone) {
  const struct {
    std::string partner;  // what V_linea.txt is
    std::string says;
  } cases[] = {
      {"fifo", "non è un file regolare"},
      {"/dev/zero", "non è un file regolare"},
      {"huge", "supera 16777216 byte"},
      {"../V_linea.txt", ""},  // named by the pair file from outside: no partner at all
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.partner);
    TempFolder top;
    const std::string dir = top.file("d");
    fs::create_directory(dir);
    write_bytes(top.file("V_linea.txt"), line_script({}));  // outside: never the partner
    if (c.partner == "fifo") {
      ASSERT_EQ(::mkfifo((dir + "/V_linea.txt").c_str(), 0644), 0);
    } else if (c.partner == "huge") {
      const int fd = ::open((dir + "/V_linea.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      ASSERT_GE(fd, 0);
      ASSERT_EQ(::ftruncate(fd, off_t{1} << 30), 0);
      ::close(fd);
    } else if (c.partner == "/dev/zero") {
      fs::create_symlink(c.partner, dir + "/V_linea.txt");
    } else {
      write_bytes(dir + "/.coppie-script", c.partner + " | V_1-.txt\n");
    }
    DiskStream disk(dir);
    const std::string uri = uri_di_percorso(dir + "/V_1-.txt");
    disk.input = frame(initialize()) + frame(open(uri, train_script({}))) +
                 frame(request(2, "textDocument/documentSymbol", {{"textDocument", {{"uri", uri}}}})) +
                 frame(request(3, "shutdown")) + frame(notification("exit"));
    ServerLsp server(disk);
    EXPECT_EQ(server.servi(), 0);
    const std::vector<json> out = messages(disk.output);
    EXPECT_NE(answer(out, 2), nullptr);
    EXPECT_NE(answer(out, 3), nullptr);
    EXPECT_EQ(with_method(out, "textDocument/publishDiagnostics").size(), 1u);
    const std::vector<json> said = with_method(out, "window/showMessage");
    ASSERT_EQ(said.size(), 1u);
    const std::string message = said[0]["params"]["message"];
    EXPECT_NE(message.find(c.says.empty() ? "non ha uno script compagno" : c.says), std::string::npos) << message;
    EXPECT_NE(message.find("è controllato da solo"), std::string::npos) << message;
  }
}

}  // namespace
}  // namespace ferrovello::test
