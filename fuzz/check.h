// A property of the code under test that an input broke: aborts, so that
// the fuzzer reports it and keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace ferrovello::fuzz {

inline void verifica(bool ok, const char* cosa) {
  if (ok) return;
  std::fprintf(stderr, "property broken: %s\n", cosa);
  std::abort();
}

}  // namespace ferrovello::fuzz
