// The watcher of `view --serve` when the scripts' folder goes and comes back
// (a checkout of another branch), for inotify and for the look by times
// that other systems use; and a pipe among the watched files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "support/folder.h"
#include "tools/serve/file_watcher.h"

namespace ferrovello::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

struct Osservato {
  boost::asio::io_context io;
  int chiamate = 0;
  // Runs the watcher until it calls once more; false after 5 s.
  bool chiama() {
    const int prima = chiamate;
    const auto fine = std::chrono::steady_clock::now() + 5s;
    while (chiamate == prima && std::chrono::steady_clock::now() < fine) io.run_one_for(50ms);
    return chiamate > prima;
  }
  // Lets every call due come, and the watcher look for what went.
  void quiete() {
    const auto fine = std::chrono::steady_clock::now() + 600ms;
    while (std::chrono::steady_clock::now() < fine) io.run_one_for(50ms);
  }
};

TEST(FileWatcher, AFolderDeletedAndMadeAgainIsFollowed) {
  const struct {
    const char* caso;
    bool sondaggio;
  } casi[] = {{"inotify", false}, {"look by times", true}};
  for (const auto& k : casi) {
    SCOPED_TRACE(k.caso);
    TempFolder t;
    const std::string cartella = t.file("script");
    const std::string file = cartella + "/treno.txt";
    fs::create_directory(cartella);
    write_bytes(file, "uno");
    Osservato o;
    std::string perche;
    const auto conta = [&o] { ++o.chiamate; };
    if (k.sondaggio) {
      osserva_file_a_sondaggio(o.io, {file}, conta, 20ms);
    } else {
      ASSERT_TRUE(osserva_file(o.io, {file}, conta, perche)) << perche;
    }
    o.io.run_for(100ms);  // the look by times has its first picture

    fs::remove_all(cartella);
    EXPECT_TRUE(o.chiama());
    o.quiete();
    fs::create_directory(cartella);
    write_bytes(file, "due");
    EXPECT_TRUE(o.chiama());
    o.quiete();
    // Followed in the new folder, not only found again.
    write_bytes(file, "tre, più lungo");
    EXPECT_TRUE(o.chiama());

    // The same when the folder is moved away and another takes its name.
    o.quiete();
    fs::rename(cartella, t.file("vecchia"));
    EXPECT_TRUE(o.chiama());
    o.quiete();
    fs::create_directory(cartella);
    write_bytes(file, "quattro");
    EXPECT_TRUE(o.chiama());
    o.quiete();
    write_bytes(t.file("vecchia/treno.txt"), "nella cartella spostata");
    o.quiete();
    const int prima = o.chiamate;
    write_bytes(file, "cinque, più lungo");
    EXPECT_TRUE(o.chiama());
    EXPECT_EQ(o.chiamate, prima + 1);
  }
}

// A pipe in place of a script: the watcher never opens it, so it neither
// waits on it nor stops following the other files.
TEST(FileWatcher, APipeAmongTheFilesNeverHoldsTheWatcher) {
  for (const bool sondaggio : {false, true}) {
    SCOPED_TRACE(sondaggio ? "look by times" : "inotify");
    TempFolder t;
    const std::string tubo = t.file("linea.txt");
    const std::string file = t.file("treno.txt");
    write_bytes(file, "uno");
    ASSERT_EQ(::mkfifo(tubo.c_str(), 0600), 0);
    Osservato o;
    std::string perche;
    const auto conta = [&o] { ++o.chiamate; };
    if (sondaggio) {
      osserva_file_a_sondaggio(o.io, {tubo, file}, conta, 20ms);
    } else {
      ASSERT_TRUE(osserva_file(o.io, {tubo, file}, conta, perche)) << perche;
    }
    o.quiete();
    write_bytes(file, "due, più lungo");
    EXPECT_TRUE(o.chiama());
  }
}

}  // namespace
}  // namespace ferrovello::test
