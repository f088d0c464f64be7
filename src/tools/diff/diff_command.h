// `diff`: what differs between two scenarios, each given as the compiled
// files in a folder or as its two scripts, compiled in memory.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "model/form1.h"
#include "platform/platform.h"

namespace ferrovello {

struct DiffOptions {
  // A then B: each a folder of compiled files, or a line script and a train script.
  std::vector<std::string> scenari;
  std::string name = kNomeScenario;
  std::string train_number = kNumeroTreno;
  bool json = false;
};

// Exit statuses: the two scenarios are the same, they differ, or one of
// them cannot be read or compiled (or the arguments do not make two).
inline constexpr int kDiffUguali = 0;
inline constexpr int kDiffDiversi = 1;
inline constexpr int kDiffGuasto = 2;

// Compares the route cells, the item records and the line tables of A and
// B and writes what differs to `out`, nothing when they are the same (a
// JSON object always with --json).
int esegui_diff(const DiffOptions& o, Platform& platform, std::string& out);

}  // namespace ferrovello
