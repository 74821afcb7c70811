// Exclusive creation of temporary file names: threads racing for the same names, on disk and in
// memory, each name is won by exactly one of them and no one fails; a taken name stays as it was.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "engine/storage/core/EngineError.h"
#include "engine/storage/file/FileHandler.h"
#include "engine/storage/file/TemporaryFileName.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

TEST(TemporaryFileName, RacingThreadsEachWinDifferentNames) {
  constexpr int kThreads = 4;
  constexpr int kNames = 150;
  sklad::testing::TempDir dir;
  for (bool inMemory : {false, true}) {
    SCOPED_TRACE(inMemory ? "in memory" : "on disk");
    const std::string prefix = inMemory ? "RACE" : dir.Path().string() + "/RACE";
    auto nameOf = [&](int n) { return prefix + std::to_string(n) + ".TMP"; };
    std::vector<std::atomic<int>> winners(kNames);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&] {
        for (int n = 0; n < kNames; ++n) {
          try {
            if (CreateFileExclusively(nameOf(n), inMemory)) ++winners[static_cast<size_t>(n)];
          } catch (const ESkladEngineError&) {
            ++failures;
          }
        }
      });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(failures.load(), 0);
    for (int n = 0; n < kNames; ++n) {
      EXPECT_EQ(winners[static_cast<size_t>(n)].load(), 1) << nameOf(n);
      TFileHandler(nameOf(n), inMemory).Delete();
    }
  }
}

TEST(TemporaryFileName, ATakenNameKeepsItsContent) {
  for (bool inMemory : {false, true}) {
    sklad::testing::TempDir dir;
    const std::string name = inMemory ? "TAKEN.TMP" : dir / "TAKEN.TMP";
    ASSERT_TRUE(CreateFileExclusively(name, inMemory));
    {
      TFileHandler file(name, inMemory);
      file.Open();
      const uint8_t bytes[3] = {1, 2, 3};
      file.WriteAt(0, bytes, 3);
      file.Close();
    }
    EXPECT_FALSE(CreateFileExclusively(name, inMemory));
    TFileHandler file(name, inMemory);
    file.Open();
    EXPECT_EQ(file.GetSize(), 3) << inMemory;
    file.Close();
    file.Delete();
  }
}

}  // namespace
}  // namespace sklad
