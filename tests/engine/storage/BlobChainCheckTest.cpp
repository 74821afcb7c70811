// The read-only walk of BLOB chains and the free list: sound chains give their blocks and no
// finding; each kind of damage is named, without raising and without changing a block.
#include <gtest/gtest.h>

#include <functional>

#include "BlobTestSupport.h"
#include "engine/storage/blob/BlobChainCheck.h"

namespace sklad::testing {
namespace {

constexpr int32_t kId = 7;
// 1,200 bytes in blocks of 512 (494 data bytes each): three blocks.
constexpr size_t kLength = 1200;

struct ChainFixture : BlobFileFixture {
  ChainFixture() : First(Write(PatternBytes(kLength, 1), kId)) {
    TBlobChainWalk walk = *WalkBlobChain(*File, First, kId);
    Chain = walk.Blocks;
  }
  void Change(uint32_t offset, const std::function<void(TBlock&)>& change) {
    TPinnedBlock block(*File, File->GetBlock(offset));
    change(*block.Get());
    block->Modified = true;
  }
  uint32_t First;
  std::vector<uint32_t> Chain;
};

TEST(BlobChainCheck, ASoundChainGivesItsBlocks) {
  ChainFixture f;
  f.Reopen();
  const TBlobChainWalk walk = *WalkBlobChain(*f.File, f.First, kId);
  EXPECT_EQ(walk.Blocks, (std::vector<uint32_t>{512, 1024, 1536}));
  EXPECT_TRUE(walk.Findings.empty());
}

TEST(BlobChainCheck, EveryKindOfDamageIsNamed) {
  const struct {
    const char* What;
    std::function<void(ChainFixture&)> Damage;
    std::string Finding;
  } cases[] = {
      {"loop", [](ChainFixture& f) { f.Change(f.Chain[1], [&](TBlock& b) { b.SetNext(f.Chain[0]); }); },
       "block 1024 points back to block 512: the chain loops"},
      {"next outside", [](ChainFixture& f) { f.Change(f.Chain[1], [](TBlock& b) { b.SetNext(700); }); },
       "block 1024 points to 700, which is no block of the file"},
      {"foreign block", [](ChainFixture& f) { f.Change(f.Chain[1], [](TBlock& b) { b.SetBlobId(9); }); },
       "block 1024 belongs to value 9, not to value 7"},
      {"cut short", [](ChainFixture& f) { f.Change(f.Chain[1], [](TBlock& b) { b.SetNext(0); }); },
       "the chain holds 988 bytes of a value of 1200"},
      {"runs on", [](ChainFixture& f) { f.Change(f.Chain[0], [](TBlock& b) { b.SetTotalLength(400); }); },
       "the chain goes on after the value's 400 bytes"},
      {"back link", [](ChainFixture& f) { f.Change(f.Chain[2], [](TBlock& b) { b.SetPrevious(512); }); },
       "block 1536 links back to 512 instead of 1024"},
      {"overfull", [](ChainFixture& f) { f.Change(f.Chain[1], [](TBlock& b) { b.SetUsedBytes(600); }); },
       "block 1024 claims 600 bytes, a block holds 494"},
  };
  for (const auto& c : cases) {
    ChainFixture f;
    c.Damage(f);
    f.Reopen();
    const TBlobChainWalk walk = *WalkBlobChain(*f.File, f.First, kId);
    ASSERT_FALSE(walk.Findings.empty()) << c.What;
    EXPECT_EQ(walk.Findings.front(), c.Finding) << c.What;
  }
}

TEST(BlobChainCheck, AFirstBlockOutsideTheFileIsNamed) {
  ChainFixture f;
  for (uint32_t first : {100u, 513u, 2048u}) {
    const TBlobChainWalk walk = *WalkBlobChain(*f.File, first, kId);
    EXPECT_TRUE(walk.Blocks.empty());
    EXPECT_EQ(walk.Findings, std::vector<std::string>{"first block " + std::to_string(first) + " is no block of the file"});
  }
}

TEST(BlobChainCheck, TheFreeListIsWalkedAndALoopInItNamed) {
  ChainFixture f;
  FreeBlobChain(*f.File, f.First, kId, 1, false);
  f.Reopen();
  const TBlobChainWalk walk = *WalkFreeBlocks(*f.File);
  EXPECT_EQ(walk.Blocks.size(), 3u);
  EXPECT_TRUE(walk.Findings.empty());

  f.Change(walk.Blocks[2], [&](TBlock& b) { b.SetNext(walk.Blocks[0]); });
  f.Reopen();
  const TBlobChainWalk looping = *WalkFreeBlocks(*f.File);
  EXPECT_EQ(looping.Blocks.size(), 3u);
  ASSERT_EQ(looping.Findings.size(), 1u);
  EXPECT_NE(looping.Findings[0].find("the chain loops"), std::string::npos);
}

}  // namespace
}  // namespace sklad::testing
