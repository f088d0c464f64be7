// Shared by the document tests: a Form1 that writes into a temporary folder,
// and the bytes a list of lines makes on disk.
#pragma once

#include <string>
#include <vector>

#include "model/form1.h"
#include "platform/posix_platform.h"
#include "support/folder.h"

namespace ferrovello::test {

// The run's two names set as the run sequence sets them; the platform's
// program folder is the temporary folder.
struct DocumentRun {
  TempFolder folder;
  PosixPlatform platform{folder.path()};
  Form1 form{platform};

  DocumentRun() {
    form.scenario_name = "Ferrovello";
    form.train_number = "2632";
  }
};

// Each line followed by CR LF, nothing else.
inline std::string crlf_text(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += line + "\r\n";
  return bytes;
}

// An earlier, longer file of the same name: more lines than the document,
// none of them its own, without a final line end.
inline std::string stale_document() {
  std::string bytes;
  for (int i = 0; i < 2000; ++i) bytes += "riga di una corsa precedente " + std::to_string(i) + "\r\n";
  return bytes + "riferimento fine del file";
}

}  // namespace ferrovello::test
