// A property of the code under test that an input broke: aborts, so that
// the fuzzer reports it and keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace ferrovello::fuzz {

inline void verifica(bool ok, const char* cosa) {
  if (ok) return;
  std::fprintf(stderr, "property broken: %s\n", cosa);
  std::abort();
}

// True when the environment variable `nome` is set to 1.
inline bool acceso(const char* nome) {
  const char* valore = std::getenv(nome);
  return valore != nullptr && std::strcmp(valore, "1") == 0;
}

}  // namespace ferrovello::fuzz
