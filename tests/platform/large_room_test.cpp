// Room for a file laid in memory: every byte asked for can be written, and
// large room lies on large-page boundaries, where the system can back it
// with large pages.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/memory_platform.h"
#include "platform/posix_platform.h"

namespace ferrovello {
namespace {

constexpr size_t kLargePage = size_t{2} << 20;

TEST(LargeRoom, EveryByteAskedForCanBeWritten) {
  PosixPlatform posix("/tmp");
  MemoryPlatform memory;
  // Empty, small, either side of half a large page, whole pages, and the
  // line table of the longest route.
  for (size_t size : {size_t{0}, size_t{1}, kLargePage / 2 - 1, kLargePage / 2, kLargePage, kLargePage + 1,
                      size_t{20139964}}) {
    for (Platform* p : {static_cast<Platform*>(&posix), static_cast<Platform*>(&memory)}) {
      SCOPED_TRACE(size);
      Room room = p->take_room(size);
      ASSERT_NE(room.get(), nullptr);
      std::memset(room.get(), 0x5a, size);  // past its end, AddressSanitizer stops the test
      if (size > 0) {
        EXPECT_EQ(room[size - 1], 0x5a);
      }
    }
    if (size >= kLargePage / 2) {
      const Room room = posix.take_room(size);
      EXPECT_EQ(reinterpret_cast<uintptr_t>(room.get()) % kLargePage, 0u) << size;
    }
  }
}

}  // namespace
}  // namespace ferrovello
