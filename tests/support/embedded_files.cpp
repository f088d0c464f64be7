#include "support/embedded_files.h"

namespace ferrovello::test {

TempFolder* EmbeddedFiles::folder_ = nullptr;

void EmbeddedFiles::SetUpTestSuite() {
  folder_ = new TempFolder;
  const RunResult s = run(TOOL_PATH, {"scripts", "--out", dir("s")});
  ASSERT_EQ(s.status, 0) << s.err;
  const RunResult c = run(TOOL_PATH, {"compile", "--line", line(), "--train", train(), "--out", dir("o")});
  ASSERT_EQ(c.status, 0) << c.err;
}

void EmbeddedFiles::TearDownTestSuite() {
  delete folder_;
  folder_ = nullptr;
}

}  // namespace ferrovello::test
