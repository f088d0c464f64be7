// Every fault of a scenario, through `scenario-tool compile`: the number, the
// position, the exit status, and no binary file written.
#include <gtest/gtest.h>

#include <map>

#include "support/decode.h"
#include "support/folder.h"
#include "support/scenario.h"

namespace ferrovello::test {
namespace {

struct Compiled {
  RunResult result;
  std::vector<std::string> files;  // left in the output folder
  std::map<std::string, std::string> bytes;  // their contents, by name
};

Compiled compile(const std::string& line, const std::string& train, std::vector<std::string> extra = {}) {
  TempFolder in;
  TempFolder out;
  write_bytes(in.file("linea.txt"), line);
  write_bytes(in.file("treno.txt"), train);
  std::vector<std::string> args = {"compile", "--line", in.file("linea.txt"), "--train", in.file("treno.txt"),
                                   "--out", out.path()};
  args.insert(args.end(), extra.begin(), extra.end());
  Compiled c{run(TOOL_PATH, args), list_folder(out.path()), {}};
  for (const std::string& f : c.files) c.bytes[f] = read_bytes(out.file(f));
  EXPECT_EQ(read_bytes(in.file("linea.txt")), line);  // the author's files stay as they were
  EXPECT_EQ(read_bytes(in.file("treno.txt")), train);
  return c;
}

std::string signal(int position) {
  return "segnale,  " + std::to_string(position) + ",  1,  4,  0,  0,  0,  0,  0,  0,  0,  0";
}
std::string board(int position) { return "indicatori_vmax,  " + std::to_string(position) + ",  100,  100,  100,  0,    ,    ,    ,  0"; }
std::string station(int position, int type, int length) {
  return "stazione,  " + std::to_string(position) + ",  " + std::to_string(type) + ",  " + std::to_string(length) +
         ",  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   X";
}

TEST(CompileFaults, EveryFaultNumberWithItsPosition) {
  struct Case {
    const char* what;
    std::string line;
    std::string train;
    int code;
    int position;       // -1: none recorded
    const char* where;  // "L:line:column" of the line script, "T:..." of the train script, "C:cell"
  };
  const std::string good_line = line_script({});
  const std::string good_train = train_script({});
  const Case cases[] = {
      {"no [generale]", crlf({"lunghezza percorso,  88000", "[fine]"}), good_train, 102, -1, "L:2:1"},
      {"[generale] as last item", crlf({"prima", "[generale]"}), good_train, 102, -1, "L:2:1"},
      {"route too long", line_script({}, 1000001), good_train, 1, -1, "L:2:22"},
      {"repetition from", crlf({"[generale]", "lunghezza percorso,  88000", "ripetizione segnali 4,  510,  3000", "[f]", "[fine]"}), good_train, 3, -1, "L:3:25"},
      {"repetition to", crlf({"[generale]", "lunghezza percorso,  88000", "ripetizione segnali 4,  500,  3010", "[f]", "[fine]"}), good_train, 4, -1, "L:3:31"},
      {"repetition digit", crlf({"[generale]", "lunghezza percorso,  88000", "ripetizione segnali,  500,  3000", "[f]", "[fine]"}), good_train, 5, -1, "L:3:1"},
      {"beyond the route", good_line, train_script({signal(94950)}), 15, 94950, "T:2:1"},
      {"station beyond the route", good_line, train_script({station(94300, 12, 300)}), 15, 94300, "T:2:1"},
      {"curve without class", line_script({"curvax7,  700,  100"}), good_train, 103, -1, "L:5:1"},
      {"curve past the last point", line_script({"curvad4,  995000,  10000"}, 1000000), good_train, 103, -1, "L:5:1"},
      {"signboard on a taken cell", line_script({"cartello_indicatore,  1000,     (A)", "cartello_indicatore,  1010,     (B)"}), good_train, 6, 1010, "L:6:1"},
      {"signal on a taken cell", line_script({board(1000)}), train_script({signal(1000)}), 16, 1000, "T:2:1"},
      {"warning board cell taken", good_line, train_script({signal(8800), "rallentamento,  10000,  60,  1000,  0,  0,  0"}), 17, 10000, "T:3:1"},
      {"start board cell taken", good_line, train_script({signal(10000), "rallentamento,  10000,  60,  1000,  0,  0,  0"}), 18, 10000, "T:3:1"},
      {"end board cell taken", good_line, train_script({signal(11000), "rallentamento,  10000,  60,  1000,  0,  0,  0"}), 19, 10000, "T:3:1"},
      {"approach cell taken", good_line, train_script({signal(8700), "rallentamento,  10000,  60,  1000,  0,  1,  0"}), 20, 10000, "T:3:1"},
      {"board on a taken cell", line_script({"cartello_indicatore,  1000,     (A)", board(1000)}), good_train, 21, 1000, "L:6:1"},
      {"marked point on a taken cell", line_script({board(1000)}), train_script({"abbattimento,  1050,  1"}), 7, 1050, "T:2:1"},
      {"station position", good_line, train_script({station(10010, 12, 300)}), 8, 10010, "T:2:1"},
      {"station length", good_line, train_script({station(10000, 12, 350)}), 9, 10000, "T:2:1"},
      {"stop cell at 1", good_line, train_script({station(50, 12, 100)}), 24, -1, "T:2:1"},
      {"stations too close", good_line, train_script({station(10000, 12, 400), station(10700, 12, 400)}), 22, 10700, "T:3:1"},
      {"progressive", crlf({"[generale]", "lunghezza percorso,  88000", "progressiva chilometrica uno,  10,  0,  0", "[f]", "[fine]"}), good_train, 2, -1, "L:3:1"},
      {"value outside its width", good_line, train_script({station(10000, 256, 300)}), 25, -1, "T:2:20"},
      {"signal without point before a warning board", line_script({board(8400), board(8350)}),
       train_script({signal(8450), "rallentamento,  10000,  60,  1000,  0,  0,  0"}), 11, 8500, "C:170"},
      {"no cell for a band", good_line,
       train_script({signal(9650), signal(9700), signal(9750), "rallentamento,  10000,  120,  1000,  0,  0,  0"}), 12, 10050, "C:201"},
      {"no cell for a periodic point", good_line,
       train_script({signal(10350), signal(10400), signal(10450), "rallentamento,  10000,  60,  1000,  0,  0,  0"}), 13, 10450, "C:209"},
  };
  for (const Case& c : cases) {
    const Compiled r = compile(c.line, c.train);
    EXPECT_EQ(r.result.status, 1) << c.what << "\n" << r.result.err;
    const std::string first = " Errore n. " + std::to_string(c.code) + "\n";
    EXPECT_EQ(r.result.err.substr(0, first.size()), first) << c.what << "\n" << r.result.err;
    const std::string at = "Posizione: " + std::to_string(c.position) + " m";
    if (c.position >= 0) {
      EXPECT_NE(r.result.err.find(at), std::string::npos) << c.what << "\n" << r.result.err;
    } else {
      EXPECT_EQ(r.result.err.find("Posizione"), std::string::npos) << c.what << "\n" << r.result.err;
    }
    EXPECT_TRUE(r.files.empty()) << c.what;  // a fault writes no binary file
    // Where the fault was found, and a sentence after it.
    const std::string where = c.where;
    std::string place = where.substr(2);
    if (where[0] == 'C') place = "cella " + place;
    if (where[0] == 'C') {
      EXPECT_NE(r.result.err.find("\n" + place + ": "), std::string::npos) << c.what << "\n" << r.result.err;
    } else {
      const std::string file = where[0] == 'L' ? "linea.txt:" : "treno.txt:";
      EXPECT_NE(r.result.err.find(file + place + ": "), std::string::npos) << c.what << "\n" << r.result.err;
    }
  }
}

TEST(CompileFaults, RouteChecksReportEveryFault) {
  const Compiled r = compile(line_script({}), train_script({signal(9650), signal(9700), signal(9750),
                                                            "rallentamento,  10000,  120,  1000,  0,  0,  0",
                                                            signal(29650), signal(29700), signal(29750),
                                                            "rallentamento,  30000,  120,  1000,  0,  0,  0"}));
  EXPECT_EQ(r.result.status, 1);
  const std::string& e = r.result.err;
  const size_t first = e.find(" Errore n. 12\nPosizione: 10050 m\ncella 201: ");
  const size_t second = e.find(" Errore n. 12\nPosizione: 30050 m\ncella 601: ");
  EXPECT_NE(first, std::string::npos) << e;
  EXPECT_NE(second, std::string::npos) << e;
  EXPECT_LT(first, second);
}

TEST(CompileFaults, ReservedSlotsOfCell1) {
  const Compiled a = compile(line_script({"cartello_indicatore,  0,     (A)"}), train_script({}));
  EXPECT_EQ(a.result.status, 1);
  EXPECT_EQ(a.result.err, " Errore n. 1250\n");
  EXPECT_TRUE(a.files.empty());
  const Compiled b = compile(line_script({}), train_script({"segnale,  0,  1,  0,  1,  0,  0,  0,  0,  0,  0,  0"}));
  EXPECT_EQ(b.result.status, 1);
  EXPECT_EQ(b.result.err, " Errore n. 1251\n");
  EXPECT_TRUE(b.files.empty());
}

TEST(CompileFaults, ForceWritesTheFilesAllTheSame) {
  const std::string train = train_script({station(10000, 12, 350)});
  const Compiled r = compile(line_script({}), train, {"--force"});
  EXPECT_EQ(r.result.status, 1);
  EXPECT_EQ(r.files, (std::vector<std::string>{"Ferrovello_2632.dat", "Ferrovello_2632.sim", "Ferrovello_linea.dat"}));
  // Without a route there is nothing to write, even with --force.
  const Compiled none = compile(crlf({"[generale]", "lunghezza percorso,  2000000", "[fine]"}), train, {"--force"});
  EXPECT_EQ(none.result.status, 1);
  EXPECT_TRUE(none.files.empty());
}

// What the compiler stores and checks comes in the order in which it reads:
// a fault found part way through a line leaves what was stored before it,
// and a check added for safety never comes before one the format makes.
struct Ordered {
  const char* what;
  std::string line;
  std::string train;
  int code;
  int position;  // -1: none shown
};

// The fault shown first, with its position, and no file without --force.
void expect_fault(const Ordered& c, const Compiled& r) {
  EXPECT_EQ(r.result.status, 1) << c.what << "\n" << r.result.err;
  std::string first = " Errore n. " + std::to_string(c.code) + "\n";
  if (c.position >= 0) first += "Posizione: " + std::to_string(c.position) + " m\n";
  EXPECT_EQ(r.result.err.substr(0, first.size()), first) << c.what << "\n" << r.result.err;
  if (c.position < 0) {
    EXPECT_EQ(r.result.err.find("Posizione"), std::string::npos) << c.what << "\n" << r.result.err;
  }
}

TEST(CompileOrder, TheStationTypeIsStoredBeforeTheLengthIsRead) {
  const Ordered c{"length not a number", line_script({}), train_script({"stazione,  5000,  12,  x"}), 25, -1};
  const Compiled plain = compile(c.line, c.train);
  expect_fault(c, plain);
  EXPECT_TRUE(plain.files.empty());
  const Compiled forced = compile(c.line, c.train, {"--force"});
  expect_fault(c, forced);
  const std::vector<ItemRecord> items = items_of(forced.bytes.at("Ferrovello_2632.sim"));
  ASSERT_EQ(items.size(), 87u);
  EXPECT_EQ(items[1].kind, 12);
  EXPECT_EQ(items[1].position, 5000);
  EXPECT_EQ(items[1].value1, 0);  // no extent: the length was never read
}

TEST(CompileOrder, SlowOrderBoardsAreTestedBeforeTheEndIsSummed) {
  const std::string line = line_script({}, 20000);
  const std::string order = "rallentamento,  5000,  60,  2147483647,  0,  0,  0";
  const Ordered cases[] = {
      {"warning board's cell taken", line, train_script({signal(3800), order}), 17, 5000},
      {"start board's cell taken", line, train_script({signal(5000), order}), 18, 5000},
      {"both free: x + l overflows", line, train_script({order}), 25, -1},
  };
  for (const Ordered& c : cases) {
    const Compiled plain = compile(c.line, c.train);
    expect_fault(c, plain);
    EXPECT_TRUE(plain.files.empty()) << c.what;
    const Compiled forced = compile(c.line, c.train, {"--force"});
    expect_fault(c, forced);
    // The route as it was before the slow order: no board anywhere.
    const std::string& dat = forced.bytes.at("Ferrovello_2632.dat");
    ASSERT_EQ(dat.size(), route_file_size(540)) << c.what;
    for (size_t i = 0; i < 541; ++i) {
      const uint8_t kind = cell_at(dat, i).kind;
      EXPECT_TRUE(kind != 2 && kind != 3 && kind != 4) << c.what << ": cell " << i;
    }
    EXPECT_EQ(cell_at(dat, 77).kind, c.code == 17 ? 1 : 0) << c.what;
    EXPECT_EQ(cell_at(dat, 101).kind, c.code == 18 ? 1 : 0) << c.what;
  }
}

TEST(CompileOrder, ANegativeRouteLengthIsAShorterRoute) {
  const auto line = [](int length) { return crlf({"[generale]", "lunghezza percorso,  " + std::to_string(length), "[fine]"}); };
  // Line extent 6999: cells 0 to 140; metres 0 to 6999, the last two empty.
  for (const std::vector<std::string>& extra : {std::vector<std::string>{}, std::vector<std::string>{"--force"}}) {
    const Compiled r = compile(line(-1), train_script({}), extra);
    ASSERT_EQ(r.result.status, 0) << r.result.err;
    const std::string& dat = r.bytes.at("Ferrovello_2632.dat");
    EXPECT_EQ(dat.size(), route_file_size(140));
    EXPECT_EQ(cell_at(dat, 1).value1, 5121);
    EXPECT_EQ(r.bytes.at("Ferrovello_linea.dat").size(), line_file_size(6999));
    EXPECT_EQ(items_of(r.bytes.at("Ferrovello_2632.sim")).at(84).value2, -1);  // the length as read
  }
  // The shortest route that still has cell 1 for the codes: extent 26.
  const Compiled shortest = compile(line(-6974), train_script({}));
  ASSERT_EQ(shortest.result.status, 0) << shortest.result.err;
  EXPECT_EQ(shortest.bytes.at("Ferrovello_2632.dat").size(), route_file_size(1));
  // Extent 25: round(0.5) = 0 leaves no cell 1, the one place it is refused.
  const Ordered none{"no cell 1", line(-6975), train_script({}), 25, -1};
  for (const std::vector<std::string>& extra : {std::vector<std::string>{}, std::vector<std::string>{"--force"}}) {
    const Compiled r = compile(none.line, none.train, extra);
    expect_fault(none, r);
    EXPECT_NE(r.result.err.find("la lunghezza del percorso -6975 è negativa"), std::string::npos) << r.result.err;
    EXPECT_TRUE(r.files.empty());
  }
}

TEST(CompileOrder, ChecksAddedForSafetyComeAfterTheRulesOwn) {
  std::vector<std::string> signs;
  for (int i = 0; i < 80; ++i) signs.push_back("cartello_indicatore,  " + std::to_string(1000 + 100 * i) + ",     (S)");
  std::string line = crlf({"[generale]", "lunghezza percorso,  88000", "[corpo]"});
  for (const std::string& l : signs) line += l + "\r\n";
  line += "[fine]\r\n";
  const Ordered cases[] = {
      // All 80 signboard slots taken: the station's own checks come first,
      // then it takes slot 1 and error 10 ends the compilation.
      {"station off the 50 m grid, no slot left", line, train_script({station(10010, 12, 300)}), 8, 10010},
      {"station with no slot left", line, train_script({station(10000, 12, 300)}), 10, -1},
      // A speed that does not fit 8 bits fails where a cell receives it: a
      // fault of a line between comes first.
      {"speed too high, a signal refused before its fill", line_script({}),
       train_script({"velocita,  0,  1500", signal(1000), signal(1000)}), 16, 1000},
      {"speed too high, failing at the end fill", line_script({}), train_script({"velocita,  0,  1500", signal(1000)}), 25, -1},
  };
  for (const Ordered& c : cases) {
    const Compiled plain = compile(c.line, c.train);
    expect_fault(c, plain);
    EXPECT_TRUE(plain.files.empty()) << c.what;
    const Compiled forced = compile(c.line, c.train, {"--force"});
    expect_fault(c, forced);
  }
  const Compiled taken = compile(cases[1].line, cases[1].train, {"--force"});
  const std::vector<ItemRecord> items = items_of(taken.bytes.at("Ferrovello_2632.sim"));
  ASSERT_EQ(items.size(), 87u);
  EXPECT_EQ(items[1].kind, 12);
  EXPECT_EQ(items[1].text, "X");  // the station took slot 1 over from the last signboard
  EXPECT_EQ(items[2].text, "(S)");
  // The speed fault is shown at the line that gave the speed.
  const Compiled speed = compile(cases[3].line, cases[3].train);
  EXPECT_NE(speed.result.err.find("treno.txt:2:1: la velocità 1500 km/h"), std::string::npos) << speed.result.err;
  const Compiled refused = compile(cases[2].line, cases[2].train, {"--force"});
  const std::string& dat = refused.bytes.at("Ferrovello_2632.dat");
  EXPECT_EQ(cell_at(dat, 21).kind, 1);
  EXPECT_EQ(cell_at(dat, 21).byte4, 0);  // no fill ran with the speed that does not fit
}

TEST(CompileOrder, AMissingRouteLengthFailsWhereTheRouteIsFirstUsed) {
  // Without the line file the body is read: a line beyond the (empty) route
  // records 15, then the gradient end fill finds no route.
  const std::string line = crlf({"[generale]", "sfondo uno,  1", "[corpo]", "pendenza,  1000,  2", "[fine]"});
  const Compiled r = compile(line, train_script({}), {"--no-line-file"});
  EXPECT_EQ(r.result.status, 1);
  const std::string& e = r.result.err;
  EXPECT_TRUE(e.starts_with(" Errore n. 15\nPosizione: 1000 m\n")) << e;
  const size_t second = e.find("\n Errore n. 25\n");
  ASSERT_NE(second, std::string::npos) << e;
  EXPECT_NE(e.find("linea.txt:3:1: la sezione [generale] non dà la \"lunghezza percorso\"", second), std::string::npos) << e;
  EXPECT_TRUE(r.files.empty());
  // With the line file the start of the track line is the first use.
  const Compiled with_line = compile(line, train_script({}));
  EXPECT_TRUE(with_line.result.err.starts_with(" Errore n. 25\n")) << with_line.result.err;
  EXPECT_EQ(with_line.result.err.find("Errore n. 15"), std::string::npos) << with_line.result.err;
}

TEST(Compile, WritesTheFilesUnderTheGivenNames) {
  const Compiled r = compile(line_script({}), train_script({}), {"--name", "Prova", "--train-number", "77", "--no-line-file"});
  EXPECT_EQ(r.result.status, 0) << r.result.err;
  EXPECT_EQ(r.files, (std::vector<std::string>{"Prova_77.dat", "Prova_77.sim"}));
}

TEST(Compile, UsageErrors) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {}, {"compile"}, {"nope"}}) {
    const RunResult r = run(TOOL_PATH, args);
    EXPECT_EQ(r.status, 2);
    EXPECT_FALSE(r.err.empty());
  }
  TempFolder in;
  write_bytes(in.file("l"), line_script({}));
  const RunResult bad_name = run(TOOL_PATH, {"compile", "--line", in.file("l"), "--train", in.file("l"), "--out",
                                             in.path(), "--name", "a/b"});
  EXPECT_EQ(bad_name.status, 2);
  EXPECT_EQ(run(TOOL_PATH, {"compile", "--help"}).status, 0);
}

}  // namespace
}  // namespace ferrovello::test
