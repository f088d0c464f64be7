// The scenario notes, checked whole for their structure: line
// count, headings and empty lines at their numbers, width and trailing
// spaces, list layout, and the bytes of Windows-1252 text with CR LF ends.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "documents/document_files.h"
#include "support/scenario.h"

namespace ferrovello::test {
namespace {

const char* const kNotesName = "Ferrovello_2632_note.txt";

// Line numbers count from 1.
struct Block {
  int first;
  int last;
};
const std::vector<Block> kProseBlocks = {{3, 17},  {19, 25},   {27, 28},   {30, 59},
                                         {61, 82}, {87, 128}, {133, 135}, {138, 150}};
const std::vector<int> kEmptyLines = {2, 18, 26, 29, 60, 83, 84, 86, 129, 130, 132, 136, 151, 152, 153, 155, 157, 158};
const std::vector<std::pair<int, std::string>> kHeadings = {
    {1, "Caratteristiche della linea Alessandria-Mortara-Milano"},
    {85, "Cenno storico"},
    {131, "Caratteristiche del treno 2632"},
    {137, "Composizione."},
};

std::vector<std::string> notes_lines(const std::string& bytes) {
  std::vector<std::string> lines;
  EXPECT_TRUE(split_crlf(bytes, lines)) << "every line ends in CR LF";
  return lines;
}

class ScenarioNotes : public ::testing::Test {
 protected:
  void SetUp() override {
    run_.form.dati_note();
    bytes_ = read_bytes(run_.folder.file(kNotesName));
    lines_ = notes_lines(bytes_);
    ASSERT_EQ(lines_.size(), 158u);
  }
  const std::string& line(int n) const { return lines_[static_cast<size_t>(n - 1)]; }

  FolderScenario run_;
  std::string bytes_;
  std::vector<std::string> lines_;
};

TEST_F(ScenarioNotes, Has158LinesAndNoEndMarker) {
  EXPECT_EQ(bytes_.find(kEndMarker), std::string::npos);
  // The contact line's own line end, then two empty lines.
  ASSERT_GE(bytes_.size(), 7u);
  EXPECT_EQ(bytes_.substr(bytes_.size() - 7), "g\r\n\r\n\r\n");
}

TEST_F(ScenarioNotes, HeadingsAndEmptyLinesStandAtTheirNumbers) {
  for (const auto& [n, text] : kHeadings) EXPECT_EQ(line(n), text) << "line " << n;
  std::set<int> empty(kEmptyLines.begin(), kEmptyLines.end());
  for (int n = 1; n <= 158; ++n) {
    if (empty.count(n) != 0) {
      EXPECT_EQ(line(n), "") << "line " << n;
    } else {
      EXPECT_NE(line(n).find_first_not_of(' '), std::string::npos) << "line " << n << " has text";
    }
  }
  // "Composizione." runs straight into its prose; the other headings are
  // followed by one empty line.
  EXPECT_FALSE(line(138).empty());
}

TEST_F(ScenarioNotes, SignatureAndContactLines) {
  EXPECT_EQ(line(154), "La redazione di Ferrovello");
  EXPECT_NE(line(156).find("@example.org"), std::string::npos);
  EXPECT_EQ(line(156).back(), 'g');
}

TEST_F(ScenarioNotes, KeepsTheWidthAndTrailingSpaceRules) {
  for (int n = 1; n <= 158; ++n) {
    const std::string& l = line(n);
    EXPECT_LE(l.size(), 105u) << "line " << n;
    EXPECT_FALSE(l.size() >= 2 && l.substr(l.size() - 2) == "  ") << "line " << n << " ends in two spaces";
    // A line ends in a space only where its sentence runs on to the next line.
    if (!l.empty() && l.back() == ' ') {
      EXPECT_TRUE(n < 158 && !line(n + 1).empty()) << "line " << n;
    }
  }
  for (const auto& [n, text] : kHeadings) EXPECT_NE(line(n).back(), ' ') << "line " << n;
  // About half of the prose lines end in one space.
  int prose = 0;
  int spaced = 0;
  for (const Block& b : kProseBlocks) {
    for (int n = b.first; n <= b.last; ++n) {
      ++prose;
      spaced += line(n).back() == ' ' ? 1 : 0;
    }
  }
  EXPECT_EQ(prose, 134);
  EXPECT_GE(spaced * 10, prose * 4) << spaced << " of " << prose;
  EXPECT_LE(spaced * 10, prose * 6) << spaced << " of " << prose;
}

// Items begin with "- ", sub-items with "  - "; an item's continuation lines
// are indented by two spaces, a sub-item's by four. Returns the items.
enum class Place { kProse, kItem, kSubItem };

int check_list_layout(const std::vector<std::string>& lines, Block b, bool all_list) {
  Place state = Place::kProse;
  int items = 0;
  for (int n = b.first; n <= b.last; ++n) {
    const std::string& l = lines[static_cast<size_t>(n - 1)];
    if (l.rfind("- ", 0) == 0) {
      state = Place::kItem;
      ++items;
    } else if (l.rfind("  - ", 0) == 0) {
      EXPECT_NE(state, Place::kProse) << "line " << n << ": a sub-item outside an item";
      state = Place::kSubItem;
    } else if (l.rfind("    ", 0) == 0) {
      EXPECT_EQ(state, Place::kSubItem) << "line " << n << ": indent of four outside a sub-item";
      EXPECT_NE(l[4], ' ') << "line " << n;
    } else if (l.rfind("  ", 0) == 0) {
      EXPECT_EQ(state, Place::kItem) << "line " << n << ": indent of two outside an item";
      EXPECT_NE(l[2], ' ') << "line " << n;
    } else {
      EXPECT_NE(l[0], ' ') << "line " << n;
      EXPECT_FALSE(all_list) << "line " << n << " stands outside the list";
      state = Place::kProse;
    }
  }
  return items;
}

TEST_F(ScenarioNotes, ListsKeepTheirLayout) {
  EXPECT_EQ(check_list_layout(lines_, {3, 17}, false), 2);
  EXPECT_EQ(line(30).rfind("- ", 0), 0u);
  EXPECT_GE(check_list_layout(lines_, {30, 59}, true), 2);
  EXPECT_EQ(check_list_layout(lines_, {61, 82}, false), 4);
  // Every other line begins at the first column and is no list item.
  std::set<int> listed;
  for (int n = 3; n <= 17; ++n) listed.insert(n);
  for (int n = 30; n <= 82; ++n) listed.insert(n);
  for (int n = 1; n <= 158; ++n) {
    if (listed.count(n) != 0 || line(n).empty()) continue;
    EXPECT_NE(line(n)[0], ' ') << "line " << n;
    EXPECT_NE(line(n).rfind("- ", 0), 0u) << "line " << n;
  }
}

TEST_F(ScenarioNotes, IsWindows1252TextWithSingleByteAccents) {
  // Bytes that Windows-1252 leaves undefined.
  const std::set<unsigned char> undefined = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
  // The letters the notes use besides ASCII, and the degree sign.
  const std::set<unsigned char> accents = {0xE0, 0xE8, 0xE9, 0xEC, 0xF2, 0xF9, 0xB0};
  int accented = 0;
  for (int n = 1; n <= 158; ++n) {
    for (unsigned char c : line(n)) {
      EXPECT_TRUE(c >= 0x20 && c != 0x7F) << "line " << n << ": control byte " << int{c};
      EXPECT_EQ(undefined.count(c), 0u) << "line " << n << ": byte " << int{c};
      if (c >= 0x80) {
        EXPECT_EQ(accents.count(c), 1u) << "line " << n << ": byte " << int{c};
        ++accented;
      }
    }
  }
  EXPECT_GT(accented, 0);
  EXPECT_NE(bytes_.find("citt\xE0"), std::string::npos);
  EXPECT_NE(bytes_.find("1\xB0 tronco"), std::string::npos);
}

TEST(ScenarioNotesFile, ReplacesAnEarlierLongerFileWhole) {
  FolderScenario fresh;
  fresh.form.dati_note();
  const std::string expected = read_bytes(fresh.folder.file(kNotesName));

  FolderScenario run;
  write_bytes(run.folder.file(kNotesName), stale_document());
  run.form.dati_note();
  EXPECT_EQ(read_bytes(run.folder.file(kNotesName)), expected);
  EXPECT_EQ(list_folder(run.folder.path()), std::vector<std::string>{kNotesName});
}

}  // namespace
}  // namespace ferrovello::test
