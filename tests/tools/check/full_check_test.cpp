// `check --all` reads past every faulty line in one compilation. What it
// lists must be what compiling again after blanking each faulty line in
// turn lists (the reference, one compilation per fault), also where a
// faulty line changed the route or the reading before its fault was found.
#include <gtest/gtest.h>

#include "platform/memory_platform.h"
#include "support/scenario.h"
#include "tools/check/full_check.h"

namespace ferrovello::test {
namespace {

class Listing : public MemoryPlatform {
 public:
  std::string messages;
  void show_message(const std::string& text) override { messages += text + "\n"; }
};

struct Outcome {
  int status = 0;
  int compilations = 0;
  std::string text;
};

Outcome full_check(const std::string& line, const std::string& train, bool one_reading) {
  Listing platform;
  CompileOptions o;
  o.line = "linea.txt";
  o.train = "treno.txt";
  o.all = true;
  ScriptPreparati p;
  EXPECT_TRUE(prepara_testi(o, line, train, platform, p));
  Outcome r;
  r.status = controllo_completo(o, platform, p, one_reading, &r.compilations);
  r.text = platform.messages + platform.output;
  return r;
}

std::string signal(int position) {
  return "segnale,  " + std::to_string(position) + ",  2,  4,  0,  0,  0,  0,  0,  0,  0,  0";
}
std::string station(const std::string& position, const std::string& name) {
  return "stazione,  " + position + ",  12,  300,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,  0,   " + name;
}

TEST(FullCheck, OneReadingListsWhatACompilationPerFaultLists) {
  const struct {
    const char* what;
    std::string line;
    std::string train;
    int faults;
  } cases[] = {
      {"independent faults in both scripts",
       line_script({"pendenza,  1000,  tre", "curvad4,  2000,  300"}),
       train_script({signal(7900), "segnale,  8000,  2,  due,  0,  0,  0,  0,  0,  0,  0,  0", station("10010", "X"),
                     signal(12000), signal(12000)}),
       4},
      // Station B is too close to A, found once B's stop cell is taken:
      // passed over, B leaves the cell free for the signal after it.
      {"a faulty station's stop cell taken back",
       line_script({}), train_script({station("10000", "A"), station("10200", "B"), signal(10250), station("30010", "C")}),
       2},
      // The speed of 2000 km/h fails where the next speed line fills the
      // cells, reported at its own line: the speed before it is carried on.
      {"a speed out of range, found at the next speed line",
       line_script({}),
       train_script({"velocità,  1000,  100", "velocità,  5000,  2000", "velocità,  9000,  120", station("20010", "X"),
                     "velocità,  30000,  3000"}),
       3},
      // Fields missing: the reading runs into the next line, which is read
      // again as a line of its own.
      {"a line cut short, the next line read again",
       line_script({}), train_script({"segnale,  7900,  2", signal(7900), signal(7900), station("20010", "X")}), 3},
      {"lines past the end of the route, each listed",
       line_script({}), train_script({signal(96000), signal(97000), station("20010", "X"), signal(99000)}), 4},
      {"a curve without its class, the track laid on after it",
       line_script({"curva,  1000,  200", "curvad4,  3000,  500", "pendenza,  4000,  x", "curvas2,  6000,  400"}),
       train_script({station("20010", "X")}), 3},
      {"a fault of the general section and faults after it",
       crlf({"[generale]", "lunghezza percorso,  88000", "sfondo uno,  uno", "progressiva chilometrica uno,  0,  1500,  0",
             "[corpo]", "pendenza,  1000,  tre", "[fine]"}),
       train_script({station("20010", "X")}), 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Outcome reference = full_check(c.line, c.train, false);
    EXPECT_EQ(reference.compilations, c.faults + 1) << reference.text;
    const Outcome one = full_check(c.line, c.train, true);
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(one.text, reference.text);
    EXPECT_EQ(one.compilations, 1) << "the reading past the faults missed some: " << one.text;
  }
}

}  // namespace
}  // namespace ferrovello::test
