// The BLOB file: values as block chains, the free list, the header check, damaged chains and
// block sizes the block layout cannot hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BlobTestSupport.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

using testing::BlobFileFixture;
using testing::EngineErrorCode;
using testing::PatternBytes;

TEST(BlobFile, ThousandByteMemoTakesThreeBlocksOfDefaultSize) {
  BlobFileFixture blob;
  const uint32_t first = blob.Write(PatternBytes(1000, 1), 7);
  EXPECT_EQ(first, 512u);
  EXPECT_EQ(blob.BlocksInFile(), 3u);
  TPinnedBlock head(*blob.File, blob.File->GetBlock(first));
  EXPECT_EQ(head->TotalLength(), 1000u);
  EXPECT_EQ(head->UsedBytes(), 494);
  EXPECT_EQ(head->BlobId(), 7);
  TPinnedBlock second(*blob.File, blob.File->GetBlock(head->Next()));
  EXPECT_EQ(second->UsedBytes(), 494);
  EXPECT_EQ(second->TotalLength(), 0u);
  EXPECT_EQ(second->Previous(), first);
  TPinnedBlock third(*blob.File, blob.File->GetBlock(second->Next()));
  EXPECT_EQ(third->UsedBytes(), 12);
  EXPECT_EQ(third->Next(), 0u);
}

struct RoundTripCase {
  int32_t BlockSize;
  size_t Length;
};

class BlobRoundTrip : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(BlobRoundTrip, ValueReadsBackAfterReopen) {
  const RoundTripCase c = GetParam();
  BlobFileFixture blob(c.BlockSize);
  const std::vector<uint8_t> value = PatternBytes(c.Length, 3);
  const uint32_t other = blob.Write(PatternBytes(300, 4), 2);
  const uint32_t first = blob.Write(value, 5);
  EXPECT_EQ(blob.Read(first, 5), value);
  blob.Reopen();
  EXPECT_EQ(blob.Read(first, 5), value);
  EXPECT_EQ(blob.Read(other, 2), PatternBytes(300, 4));
}

INSTANTIATE_TEST_SUITE_P(BlockSizesAndLengths, BlobRoundTrip,
                         ::testing::Values(RoundTripCase{0, 1}, RoundTripCase{512, 494}, RoundTripCase{512, 495},
                                           RoundTripCase{512, 988}, RoundTripCase{64, 1000},
                                           RoundTripCase{4096, 100000}, RoundTripCase{65535, 200000}));

TEST(BlobFile, EncryptedBlocksAreStoredScrambled) {
  BlobFileFixture blob;
  blob.File->SetEncrypted(true);
  const std::vector<uint8_t> text(600, 'x');
  const uint32_t first = blob.Write(text, 1);
  blob.File->WriteModifiedBlocks();
  blob.File->WriteHeader(true);
  blob.File->Close();
  const std::vector<uint8_t> stored = testing::FileBytes(blob.Name());
  EXPECT_EQ(std::search(stored.begin(), stored.end(), text.begin(), text.begin() + 32), stored.end());
  blob.File->Open();
  EXPECT_EQ(blob.Read(first, 1), text);
}

TEST(BlobFile, EmptyValueHasNoBlocksAndFreesAnOldChain) {
  BlobFileFixture blob;
  EXPECT_EQ(blob.Write({}, 1), 0u);
  EXPECT_EQ(blob.BlocksInFile(), 0u);
  const uint32_t first = blob.Write(PatternBytes(1000, 1), 2);
  EXPECT_EQ(blob.Write({}, 2, first), 0u);
  EXPECT_NE(blob.File->Header().FirstFreeBlock(), 0u);
  EXPECT_TRUE(blob.Read(0, 2).empty());
}

TEST(BlobFile, ShortenedValueKeepsItsFirstBlockAndFreedBlocksAreReused) {
  BlobFileFixture blob;
  const uint32_t first = blob.Write(PatternBytes(1000, 1), 1);
  EXPECT_EQ(blob.Write(PatternBytes(100, 2), 1, first), first);
  EXPECT_EQ(blob.Read(first, 1), PatternBytes(100, 2));
  const uint32_t reused = blob.Write(PatternBytes(900, 3), 2);
  EXPECT_EQ(blob.BlocksInFile(), 3u) << "the two freed blocks are taken before the file grows";
  EXPECT_NE(reused, first);
  EXPECT_EQ(blob.Read(reused, 2), PatternBytes(900, 3));
  EXPECT_EQ(blob.Read(first, 1), PatternBytes(100, 2));
}

TEST(BlobFile, LengthenedValueReusesItsChainAndAppends) {
  BlobFileFixture blob;
  const uint32_t first = blob.Write(PatternBytes(600, 1), 1);
  EXPECT_EQ(blob.Write(PatternBytes(1400, 2), 3, first), first);
  EXPECT_EQ(blob.BlocksInFile(), 3u);
  EXPECT_EQ(blob.Read(first, 3), PatternBytes(1400, 2));
}

TEST(BlobFile, ValueOfAnotherIdentifierReadsAsChanged) {
  BlobFileFixture blob;
  const uint32_t first = blob.Write(PatternBytes(50, 1), 4);
  EXPECT_EQ(EngineErrorCode([&] { blob.Read(first, 5); }), err::RecordChanged);
}

TEST(BlobFile, RecordPointingOutsideTheBlocksIsRefusedWithoutGrowingTheFile) {
  BlobFileFixture blob;
  blob.Write(PatternBytes(1000, 1), 1);
  for (uint32_t offset : {blob.File->Header().NextBlockOffset(), 100u, 700u}) {
    EXPECT_EQ(EngineErrorCode([&] { blob.Read(offset, 1); }), err::BlobBuffersCorrupt) << offset;
    EXPECT_EQ(blob.BlocksInFile(), 3u);
  }
}

TEST(BlobFile, ChainShorterThanItsLengthEndsPrematurely) {
  BlobFileFixture blob;
  const uint32_t first = blob.Write(PatternBytes(1000, 1), 1);
  {
    TPinnedBlock head(*blob.File, blob.File->GetBlock(first));
    head->SetNext(0);
  }
  EXPECT_EQ(EngineErrorCode([&] { blob.Read(first, 1); }), err::EndOfBlob);
}

// Damaged chains: each row changes the second block's next pointer (or the first's) and names
// what a read, a free and a repair check say about it.
struct DamagedChainCase {
  const char* Name;
  bool DamageFirst;  // change the first block instead of the second
  uint32_t (*NextPointer)(uint32_t first, uint32_t second);
  const char* Report;
  int ReadCode;
};

class BlobDamagedChain : public ::testing::TestWithParam<DamagedChainCase> {};

TEST_P(BlobDamagedChain, ReadAndFreeRaiseAndRepairReports) {
  const DamagedChainCase c = GetParam();
  BlobFileFixture blob;
  blob.Write(PatternBytes(2000, 9), 3);  // blocks the damaged pointers may land in
  const uint32_t first = blob.Write(PatternBytes(1400, 1), 1);
  uint32_t second;
  {
    TPinnedBlock head(*blob.File, blob.File->GetBlock(first));
    second = head->Next();
    TPinnedBlock damaged(*blob.File, blob.File->GetBlock(c.DamageFirst ? first : second));
    damaged->SetNext(c.NextPointer(first, second));
  }
  EXPECT_EQ(EngineErrorCode([&] { blob.Read(first, 1); }), c.ReadCode);
  EXPECT_EQ(EngineErrorCode([&] { FreeBlobChain(*blob.File, first, 1, 12, false); }), err::BlobBuffersCorrupt);

  std::vector<std::string> reports;
  TBlobRepair check{true, [&](const std::string& message) { reports.push_back(message); }};
  EXPECT_EQ(FreeBlobChain(*blob.File, first, 1, 12, false, &check), first);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_EQ(reports[0], std::string(c.Report) + " in BLOB file for physical record # 12, error not fixed");

  const uint32_t blocksBefore = blob.BlocksInFile();
  TBlobRepair fix{false, [&](const std::string& message) { reports.push_back(message); }};
  EXPECT_EQ(FreeBlobChain(*blob.File, first, 1, 12, false, &fix), 0u);
  EXPECT_EQ(reports.back(), std::string(c.Report) + " in BLOB file for physical record # 12, error fixed");
  // The value written first is untouched: freeing stopped at the damage.
  EXPECT_EQ(blob.Read(TBlobFile::kFirstBlockOffset, 3), PatternBytes(2000, 9));
  EXPECT_EQ(blob.BlocksInFile(), blocksBefore);
}

INSTANTIATE_TEST_SUITE_P(
    Pointers, BlobDamagedChain,
    ::testing::Values(
        DamagedChainCase{"BackToFirst", false, [](uint32_t first, uint32_t) { return first; },
                         "Recursive intra-block pointer", err::BlobBuffersCorrupt},
        DamagedChainCase{"ToItself", false, [](uint32_t, uint32_t second) { return second; },
                         "Recursive intra-block pointer", err::BlobBuffersCorrupt},
        DamagedChainCase{"Misaligned", true, [](uint32_t first, uint32_t) { return first + 100; },
                         "Invalid intra-block pointer", err::BlobBuffersCorrupt},
        DamagedChainCase{"BeyondTheFile", false, [](uint32_t, uint32_t) { return 0x7FFFFE00u; },
                         "Invalid intra-block pointer", err::BlobBuffersCorrupt},
        DamagedChainCase{"IntoAnotherValue", false, [](uint32_t, uint32_t) { return 512u + 512u; },
                         "Invalid BLOB offset", err::RecordChanged}),
    [](const ::testing::TestParamInfo<DamagedChainCase>& info) { return std::string(info.param.Name); });

TEST(BlobFile, LoopOfEmptyBlocksEndsWithAnError) {
  BlobFileFixture blob;
  const uint32_t first = blob.Write(PatternBytes(1000, 1), 1);
  {
    TPinnedBlock head(*blob.File, blob.File->GetBlock(first));
    TPinnedBlock second(*blob.File, blob.File->GetBlock(head->Next()));
    head->SetUsedBytes(0);
    second->SetUsedBytes(0);
    second->SetNext(first);
  }
  EXPECT_EQ(EngineErrorCode([&] { blob.Read(first, 1); }), err::BlobBuffersCorrupt);
  EXPECT_EQ(EngineErrorCode([&] { blob.Write(PatternBytes(5000, 2), 1, first); }), err::BlobBuffersCorrupt);
}

TEST(BlobFile, MisalignedChainPointerIsNotWrittenThrough) {
  BlobFileFixture blob;
  const uint32_t victim = blob.Write(PatternBytes(1000, 5), 5);
  const uint32_t first = blob.Write(PatternBytes(1000, 1), 1);
  {
    TPinnedBlock head(*blob.File, blob.File->GetBlock(first));
    head->SetNext(victim + 10);
  }
  EXPECT_EQ(EngineErrorCode([&] { blob.Write(PatternBytes(1000, 2), 1, first); }), err::BlobBuffersCorrupt);
  EXPECT_EQ(blob.Read(victim, 5), PatternBytes(1000, 5));
}

// A chain whose pointer leads into another value, or a free list that does: a rewrite, a longer
// value or an emptied one is refused before any block changes, and the other value stays whole.
TEST(BlobFile, ChainsAndFreeListsLeadingIntoAnotherValueAreNotWrittenThrough) {
  BlobFileFixture blob;
  const uint32_t victim = blob.Write(PatternBytes(1000, 5), 5);
  const uint32_t first = blob.Write(PatternBytes(1000, 1), 1);
  {
    TPinnedBlock head(*blob.File, blob.File->GetBlock(first));
    head->SetNext(victim);
  }
  for (size_t length : {1000u, 3000u, 0u}) {
    EXPECT_EQ(EngineErrorCode([&] { blob.Write(PatternBytes(length, 2), 1, first); }), err::BlobBuffersCorrupt)
        << length;
    EXPECT_EQ(blob.Read(victim, 5), PatternBytes(1000, 5));
  }
  const uint32_t freed = blob.Write(PatternBytes(100, 9), 9);
  FreeBlobChain(*blob.File, freed, 9, 3, false);
  {
    TPinnedBlock head(*blob.File, blob.File->GetBlock(freed));
    TPinnedBlock victimHead(*blob.File, blob.File->GetBlock(victim));
    head->SetNext(victimHead->Next());
  }
  EXPECT_EQ(EngineErrorCode([&] { blob.Write(PatternBytes(1000, 3), 7); }), err::BlobBuffersCorrupt);
  EXPECT_EQ(blob.Read(victim, 5), PatternBytes(1000, 5));
}

TEST(BlobFile, AFirstBlockAnnouncingNoBytesReadsAsAnEmptyValue) {
  BlobFileFixture blob;
  const uint32_t first = blob.Write(PatternBytes(100, 1), 1);
  {
    TPinnedBlock head(*blob.File, blob.File->GetBlock(first));
    head->SetTotalLength(0);
  }
  EXPECT_TRUE(blob.Read(first, 1).empty());
}

TEST(BlobFile, AcceptedForeignIdentifiersAreFreedToo) {
  BlobFileFixture blob;
  const uint32_t first = blob.Write(PatternBytes(1000, 1), 1);
  EXPECT_EQ(FreeBlobChain(*blob.File, first, 2, 1, true), 0u);
  const uint32_t reused = blob.Write(PatternBytes(1000, 2), 3);
  EXPECT_EQ(blob.BlocksInFile(), 3u) << "the freed chain is reused";
  EXPECT_EQ(blob.Read(reused, 3), PatternBytes(1000, 2));
  EXPECT_EQ(EngineErrorCode([&] { blob.Read(first, 1); }), err::RecordChanged);
}

struct HeaderCase {
  const char* Name;
  uint8_t Version;
  uint32_t FirstFree;
  uint32_t NextBlock;
  int Code;
};

class BlobHeaderCheck : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(BlobHeaderCheck, Verdict) {
  const HeaderCase c = GetParam();
  BlobFileFixture blob;
  blob.Write(PatternBytes(1500, 1), 1);
  blob.Reopen();
  std::vector<uint8_t> bytes = testing::FileBytes(blob.Name());
  bytes[8] = c.Version;
  StoreLE(&bytes[9], c.FirstFree);
  StoreLE(&bytes[13], c.NextBlock);
  blob.File->Close();
  testing::SetFileBytes(blob.Name(), bytes);
  blob.File->Open();
  EXPECT_EQ(EngineErrorCode([&] { blob.File->CheckHeader(); }), c.Code);
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BlobHeaderCheck,
    ::testing::Values(HeaderCase{"Sound", 4, 0, 2048, 0}, HeaderCase{"SoundFreeList", 4, 1536, 2048, 0},
                      HeaderCase{"WrongVersion", 3, 0, 2048, err::WrongVersion},
                      HeaderCase{"FreeListWithoutBlocks", 4, 512, 512, err::HeaderCorrupt},
                      HeaderCase{"FreeListBeyondBlocks", 4, 2048, 2048, err::HeaderCorrupt},
                      HeaderCase{"MisalignedFreeList", 4, 700, 2048, err::HeaderCorrupt},
                      HeaderCase{"MisalignedNextBlock", 4, 0, 2000, err::HeaderCorrupt},
                      HeaderCase{"NextBlockInHeader", 4, 0, 100, err::HeaderCorrupt}),
    [](const ::testing::TestParamInfo<HeaderCase>& info) { return std::string(info.param.Name); });

TEST(BlobFile, BlockSizesTheLayoutCannotHoldAreRefused) {
  for (int32_t size : {70000, 65536, 18, -512}) {
    SCOPED_TRACE(size);
    const std::string name = testing::UniqueTableName("BADSIZE");
    {
      TBlobFile file(name, true);
      file.SetBlockSize(size);
      EXPECT_EQ(EngineErrorCode([&] { file.Create(); }), err::BlobFieldLimits);
    }
    {
      TBlobFile good(name, true);
      good.Create();
      good.WriteHeader(true);
    }
    TBlobFile file(name, true);
    file.SetBlockSize(size);
    EXPECT_EQ(EngineErrorCode([&] { file.Open(); }), err::HeaderCorrupt);
    EXPECT_FALSE(file.IsOpen());
    testing::DeleteFile(name);
  }
}

// A block counts its used bytes in 16 bits, and a block below 64 bytes would be mostly header;
// 0 stands for the default size.
TEST(BlobFile, DataFileTakesBlockSizesOf64To65535) {
  const struct {
    int32_t Size;
    uint16_t Code;
  } cases[] = {{0, 0}, {63, err::BlobFieldLimits}, {64, 0}, {65535, 0}, {65536, err::BlobFieldLimits},
               {70000, err::BlobFieldLimits}, {-1, err::BlobFieldLimits}};
  for (const auto& c : cases) {
    const std::string name = testing::UniqueTableName("BLOBSIZE");
    TTableProperties properties;
    properties.BlobBlockSize = c.Size;
    TDataFile file(name, true);
    EXPECT_EQ(EngineErrorCode([&] {
                file.Create(properties, testing::FieldList({TFieldDefinition::Make("Memo", TFieldType::Blob)}));
              }),
              c.Code)
        << c.Size;
    file.Close();
    if (c.Code == 0) testing::DeleteFile(name);
  }
}

TEST(BlobFile, CacheMissWithAnotherUsersChangeAsksForARestart) {
  BlobFileFixture blob;
  const uint32_t first = blob.Write(PatternBytes(1000, 1), 1);
  blob.Reopen();
  blob.Owner.ReportChange = true;
  EXPECT_EQ(blob.File->GetBlock(first), nullptr);
  EXPECT_EQ(blob.Owner.ReadLocks, 1);
  blob.Owner.ReportChange = false;
  EXPECT_EQ(blob.Read(first, 1), PatternBytes(1000, 1));
}

TEST(BlobFile, ReadAheadFetchesTheRestOfAValueWithOneRead) {
  BlobFileFixture blob;
  const uint32_t first = blob.Write(PatternBytes(5000, 1), 1);
  blob.Reopen();
  blob.Read(first, 1);
  EXPECT_EQ(blob.File->Statistics().Reads, 2) << "the first block alone, then the other nine at once";
  EXPECT_EQ(blob.File->ReadAheadLimit(), 65535 / 512);
}

TEST(BlobFile, TransactionGrowsTheCacheInsteadOfWriting) {
  BlobFileFixture blob;
  blob.Owner.Transaction = true;
  const int capacity = blob.File->Cache().Capacity();
  const uint32_t first = blob.Write(PatternBytes(494 * (capacity + 10), 1), 1);
  EXPECT_GT(blob.File->Cache().Capacity(), capacity);
  EXPECT_EQ(blob.File->Statistics().Writes, 0);
  blob.Owner.Transaction = false;
  blob.File->WriteModifiedBlocks();
  blob.File->ShrinkCache();
  EXPECT_EQ(blob.File->Cache().Capacity(), capacity);
  blob.File->EmptyCache();
  EXPECT_EQ(blob.Read(first, 1), PatternBytes(494 * (capacity + 10), 1));
}

TEST(BlobFile, EmptyCutsTheFileAfterItsHeader) {
  BlobFileFixture blob;
  blob.Write(PatternBytes(3000, 1), 1);
  blob.Reopen();
  blob.File->Empty();
  blob.File->WriteHeader(true);
  EXPECT_EQ(blob.File->GetSize(), 512);
  EXPECT_EQ(blob.File->Header().NextBlockOffset(), 512u);
  EXPECT_EQ(blob.File->Header().FirstFreeBlock(), 0u);
}

}  // namespace
}  // namespace sklad
