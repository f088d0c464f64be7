// Reading a file an author names: only a regular file, after its links,
// is read; a pipe is refused without waiting for a writer, a device without
// a byte read, and a file larger than the limit is known before it is read.
// The tool's overlay of served scripts holds its platform to the same rules.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/memory_platform.h"
#include "platform/posix_platform.h"
#include "support/folder.h"
#include "tools/scenario/script_overlay.h"

namespace ferrovello::test {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  bool read = false;
  bool too_large = false;
  std::string bytes;
  std::string reason;
};

Outcome read_up_to(Platform& p, const std::string& path, uint64_t limit) {
  Outcome o;
  o.read = p.read_file_up_to(path, limit, o.bytes, o.too_large, o.reason);
  return o;
}

TEST(FileReader, OnlyARegularFileWithinTheLimitIsRead) {
  TempFolder t;
  write_bytes(t.file("script.txt"), "abc");
  fs::create_symlink(t.file("script.txt"), t.file("link"));
  fs::create_symlink("/dev/zero", t.file("zero"));
  fs::create_symlink(t.file("nothing"), t.file("dangling"));
  ASSERT_EQ(::mkfifo(t.file("fifo").c_str(), 0644), 0);
  fs::create_symlink(t.file("fifo"), t.file("fifo_link"));
  fs::create_directory(t.file("folder"));
  // A sparse file of 64 GB: read, it would take all the memory there is.
  const int fd = ::open(t.file("huge").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, off_t{64} << 30), 0);
  ::close(fd);

  const struct {
    std::string path;
    uint64_t limit;
    bool read;
    bool too_large;
    std::string bytes_or_reason;
  } cases[] = {
      {t.file("script.txt"), 3, true, false, "abc"},
      {t.file("link"), 3, true, false, "abc"},
      {t.file("script.txt"), 2, true, true, ""},
      {t.file("huge"), 1 << 20, true, true, ""},
      // Regular but sized 0 by the system, with more to give: the read
      // itself stops past the limit.
      {"/proc/self/status", 16, true, true, ""},
      {t.file("fifo"), 100, false, false, "non è un file regolare"},
      {t.file("fifo_link"), 100, false, false, "non è un file regolare"},
      {t.file("zero"), 100, false, false, "non è un file regolare"},
      {"/dev/null", 100, false, false, "non è un file regolare"},
      {t.file("folder"), 100, false, false, "è una cartella"},
      {t.file("dangling"), 100, false, false, "file o cartella inesistente"},
  };
  PosixPlatform disk(t.path());
  ScriptOverlay overlay(disk, true);
  for (Platform* p : {static_cast<Platform*>(&disk), static_cast<Platform*>(&overlay)}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.path + " limit " + std::to_string(c.limit));
      const Outcome o = read_up_to(*p, c.path, c.limit);
      EXPECT_EQ(o.read, c.read) << o.reason;
      EXPECT_EQ(o.too_large, c.too_large);
      EXPECT_EQ(c.read ? o.bytes : o.reason, c.bytes_or_reason);
      if (c.too_large) {
        EXPECT_TRUE(o.bytes.empty());
      }
    }
    // The whole file, without a limit, goes through the same door.
    std::string bytes;
    std::string reason;
    EXPECT_FALSE(p->read_file(t.file("fifo"), bytes, reason));
    EXPECT_EQ(reason, "non è un file regolare");
    EXPECT_FALSE(p->read_file(t.file("zero"), bytes, reason));
  }
}

// A served script is held to the limit as a file is; the memory platform too.
TEST(FileReader, ScriptsInMemoryHonourTheLimit) {
  MemoryPlatform memory;
  memory.files["a.txt"] = "abcd";
  ScriptOverlay overlay(memory, true);
  overlay.offri("b.txt", "abcdef");
  const struct {
    Platform* platform;
    std::string path;
    uint64_t limit;
    bool too_large;
  } cases[] = {
      {&memory, "a.txt", 4, false}, {&memory, "a.txt", 3, true},   {&overlay, "a.txt", 3, true},
      {&overlay, "b.txt", 6, false}, {&overlay, "b.txt", 5, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + " limit " + std::to_string(c.limit));
    const Outcome o = read_up_to(*c.platform, c.path, c.limit);
    EXPECT_TRUE(o.read);
    EXPECT_EQ(o.too_large, c.too_large);
    EXPECT_EQ(o.bytes.size(), c.too_large ? 0 : c.limit);
  }
}

}  // namespace
}  // namespace ferrovello::test
