// Damaged BLOB files: a file holding several values, some freed, is written, then opened many
// times with random bytes of its header and blocks changed. The header check, reading every
// value, rewriting and freeing chains must either work or raise one of the engine's errors for
// damaged files — never crash, read out of bounds (run under AddressSanitizer) or run on
// without end through a looping chain.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "BlobTestSupport.h"
#include "tests/support/Iterations.h"

namespace sklad {
namespace {

using testing::PatternBytes;

struct StoredValue {
  uint32_t First;
  int32_t Id;
  size_t Length;
};

class BlobFileFuzz : public ::testing::Test {
 protected:
  static constexpr int32_t kBlockSize = 64;

  void SetUp() override {
    std::mt19937 random(20261210);
    for (int32_t id = 1; id <= 14; ++id) {
      const size_t length = std::uniform_int_distribution<size_t>(0, 900)(random);
      FValues.push_back({FBlob.Write(PatternBytes(length, static_cast<uint32_t>(id)), id), id, length});
    }
    // A few freed values leave a free list behind.
    for (int i : {2, 7, 11}) {
      FreeBlobChain(*FBlob.File, FValues[i].First, FValues[i].Id, i + 1, false);
      FValues[i].First = 0;
    }
    FBlob.File->WriteModifiedBlocks();
    FBlob.File->WriteHeader(true);
    FBlob.File->Close();
    FImage = testing::FileBytes(FBlob.Name());
  }

  static bool ExpectedCode(int code) {
    static const std::set<int> codes = {err::RecordChanged, err::EndOfBlob,    err::HeaderCorrupt,
                                        err::BlobBuffersCorrupt, err::ReadError, err::TableFull,
                                        err::WrongVersion};
    return codes.count(code) != 0;
  }

  // Runs one step on the damaged file; an engine error must be one for damaged files.
  template <typename Step>
  void Survive(Step step) {
    try {
      step();
    } catch (const ESkladEngineError& error) {
      EXPECT_TRUE(ExpectedCode(error.Code())) << error.what();
    }
  }

  testing::BlobFileFixture FBlob{kBlockSize};
  std::vector<StoredValue> FValues;
  std::vector<uint8_t> FImage;
};

TEST_F(BlobFileFuzz, DamagedFilesGiveCleanErrors) {
  std::mt19937 random(4242);
  const int iterations = testing::Iterations(300, 30000);
  for (int iteration = 0; iteration < iterations; ++iteration) {
    std::vector<uint8_t> bytes = FImage;
    const int changes = std::uniform_int_distribution<int>(1, 6)(random);
    for (int i = 0; i < changes; ++i) {
      // Half of the changes hit block headers, where the pointers and counts live.
      size_t at = std::uniform_int_distribution<size_t>(0, bytes.size() - 1)(random);
      if (random() % 2 == 0 && bytes.size() > 512) {
        const size_t block = (at - std::min<size_t>(at, 512)) / kBlockSize;
        at = 512 + block * kBlockSize + random() % TBlock::kHeaderSize;
        if (at >= bytes.size()) at = 13;
      }
      bytes[at] = static_cast<uint8_t>(random());
    }
    testing::SetFileBytes(FBlob.Name(), bytes);
    TBlobFile file(FBlob.Name(), true);
    file.SetBlockSize(kBlockSize);
    try {
      file.Open();
      file.CheckHeader();
    } catch (const ESkladEngineError& error) {
      EXPECT_TRUE(ExpectedCode(error.Code())) << error.what();
      continue;
    }
    for (const StoredValue& value : FValues) {
      Survive([&] {
        TBlobBuffer buffer;
        buffer.FirstBlock = value.First;
        buffer.BlobId = value.Id;
        ReadBlobValue(file, buffer);
      });
    }
    const StoredValue& target = FValues[iteration % FValues.size()];
    Survive([&] {
      TBlobBuffer buffer;
      buffer.FirstBlock = target.First;
      buffer.BlobId = target.Id;
      buffer.Bytes = PatternBytes(static_cast<size_t>(random() % 1500), 99);
      WriteBlobValue(file, buffer);
      TBlobBuffer back = buffer;
      ReadBlobValue(file, back);
      EXPECT_EQ(back.Bytes, buffer.Bytes);
    });
    std::vector<std::string> reports;
    TBlobRepair check{true, [&](const std::string& message) { reports.push_back(message); }};
    for (const StoredValue& value : FValues)
      Survive([&] { FreeBlobChain(file, value.First, value.Id, 1, false, &check); });
    Survive([&] { file.WriteModifiedBlocks(); });
  }
}

}  // namespace
}  // namespace sklad
