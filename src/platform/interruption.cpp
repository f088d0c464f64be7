#include "platform/interruption.h"

#include <atomic>
#include <cstring>
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace ferrovello {

namespace {

// Fixed rooms, so that a handler never allocates: a slot is read only while
// its flag says it is whole.
constexpr size_t kRoom = 8192;
struct Slot {
  std::atomic<bool> whole{false};
  char path[kRoom];
};
Slot slots[kRunFiles];

}  // namespace

void name_run_file(RunFile slot, const std::string& path) {
  Slot& s = slots[static_cast<int>(slot)];
  s.whole.store(false);
  if (path.empty() || path.size() >= kRoom) return;
  std::memcpy(s.path, path.c_str(), path.size() + 1);
  s.whole.store(true);
}

bool run_files_named() {
  for (const Slot& s : slots) {
    if (s.whole.load()) return true;
  }
  return false;
}

void remove_run_files() {
  for (Slot& s : slots) {
    if (!s.whole.load()) continue;
#ifdef _WIN32
    wchar_t wide[kRoom];
    if (MultiByteToWideChar(CP_UTF8, 0, s.path, -1, wide, static_cast<int>(kRoom)) > 0) DeleteFileW(wide);
#else
    ::unlink(s.path);
#endif
  }
}

}  // namespace ferrovello
