// A suite fixture for the authors' tool: the embedded scripts as
// `scenario-tool scripts` writes them and the files `scenario-tool compile`
// makes from them, written once per suite into a shared folder.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/folder.h"

namespace ferrovello::test {

class EmbeddedFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  static std::string dir(const std::string& name) { return folder_->file(name); }
  static std::string line() { return dir("s/Ferrovello_linea.txt"); }
  static std::string train() { return dir("s/Ferrovello_2632-.txt"); }
  // A compiled file, by its name.
  static std::string out(const std::string& name) { return dir("o/" + name); }

  static TempFolder* folder_;
};

}  // namespace ferrovello::test
