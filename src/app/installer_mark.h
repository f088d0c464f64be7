// The mark every installer of this project carries in its file: the
// authors' tool packages a scenario only onto a program that carries it.
// Only the installer's entry (main.cpp) puts the mark into a program; the
// tool holds it reversed, so that the tool's own file never carries it and
// cannot pass for an installer.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace ferrovello {

inline constexpr char kMarchioRovesciato[] = "\n\r1:ollevorref erotallatsni:TSNIVF\x89";
inline constexpr size_t kLunghezzaMarchio = sizeof kMarchioRovesciato - 1;

// The mark as it stands in an installer's file.
constexpr std::array<char, kLunghezzaMarchio> marchio_installatore() {
  std::array<char, kLunghezzaMarchio> m{};
  for (size_t i = 0; i < kLunghezzaMarchio; ++i) m[i] = kMarchioRovesciato[kLunghezzaMarchio - 1 - i];
  return m;
}

}  // namespace ferrovello
