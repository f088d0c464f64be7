// End to end: a run of the installer leaves the three documents, each
// replacing whole a longer file that an earlier run left behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "documents/document_files.h"
#include "support/scenario.h"

namespace ferrovello::test {
namespace {

TEST(InstallerDocuments, RunLeavesTheThreeDocuments) {
  const std::vector<std::string> names = {"Ferrovello_2632_scheda_treno.txt", "Ferrovello_2632_rallentamenti.txt",
                                          "Ferrovello_2632_note.txt"};
  // What the three members write on their own.
  FolderScenario reference;
  reference.form.dati_scheda();
  reference.form.dati_rallentamenti();
  reference.form.dati_note();

  TempFolder folder;
  for (const std::string& name : names) write_bytes(folder.file(name), stale_document());
  const RunResult r = run_installer_in(folder.path());
  EXPECT_EQ(r.status, 0) << r.err;

  for (const std::string& name : names) {
    EXPECT_EQ(read_bytes(folder.file(name)), read_bytes(reference.folder.file(name))) << name;
  }
  EXPECT_EQ(read_bytes(folder.file(names[0])).size(), 3825u);
  EXPECT_EQ(read_bytes(folder.file(names[1])).size(), 3298u);
  std::vector<std::string> notes;
  ASSERT_TRUE(split_crlf(read_bytes(folder.file(names[2])), notes));
  EXPECT_EQ(notes.size(), 158u);
}

}  // namespace
}  // namespace ferrovello::test
