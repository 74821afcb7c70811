// Damaged index files: a file with several indexes of every compression is written, then
// reopened many times with random bytes of its header or pages changed. Opening, the header
// check and every tree operation must either work or raise an engine error — never crash, read
// out of bounds (run under AddressSanitizer) or loop without end.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "IndexTestSupport.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/index/IndexKeyForm.h"
#include "engine/storage/index/IndexTree.h"
#include "tests/support/Iterations.h"

namespace sklad {
namespace {

class IndexFuzzTest : public ::testing::Test {
 protected:
  static constexpr const char* kName = "FUZZ.IDX";

  void SetUp() override {
    FFields = testing::LaidOutFields(
        {TFieldDefinition::Make("Id", TFieldType::Integer), TFieldDefinition::Make("Name", TFieldType::String, 30)},
        &FRecordSize);
    TIndexFile file(kName, true);
    file.Create();
    file.AddPrimaryIndex(Definition("", 1, true, TKeyCompression::None), FFields);
    for (int compression = 0; compression <= 3; ++compression)
      file.AddSecondaryIndex(Definition("Name" + std::to_string(compression), 2, false,
                                        static_cast<TKeyCompression>(compression)),
                             FFields);
    FSlots = {0, 1, 2, 3, 4, TIndexFile::kSystemSlot};
    for (int slot : FSlots) FLayouts.push_back(LayoutOf(file, slot));
    for (size_t i = 0; i < FSlots.size(); ++i) {
      const TKeyOrder order(FLayouts[i], FCollation);
      TIndexTree tree(file, FSlots[i], order);
      for (int32_t id = 1; id <= 400; ++id) tree.InsertKey(KeyOf(FLayouts[i], id).data(), static_cast<uint32_t>(id));
    }
    file.WriteModifiedPages();
    file.WriteHeader(true);
    file.Close();
    TFileHandler raw(kName, true);
    raw.Open();
    FImage.resize(static_cast<size_t>(raw.GetSize()));
    raw.ReadAt(0, FImage.data(), static_cast<int32_t>(FImage.size()));
    raw.Close();
  }

  void TearDown() override {
    TFileHandler raw(kName, true);
    raw.Delete();
  }

  static TIndexDefinition Definition(const std::string& name, uint16_t field, bool unique, TKeyCompression compression) {
    TIndexDefinition definition;
    definition.SetName(name);
    definition.SetUnique(unique);
    definition.SetCompression(compression);
    definition.SetFieldNumber(0, field);
    return definition;
  }

  TKeyLayout LayoutOf(const TIndexFile& file, int slot) const {
    return slot == TIndexFile::kSystemSlot ? TKeyLayout::ForRecordStates()
                                           : TKeyLayout::ForIndex(file.Definition(slot), FFields, 0, 0);
  }

  std::vector<uint8_t> KeyOf(const TKeyLayout& layout, int32_t id) const {
    testing::TRecordBuilder record(FFields, FRecordSize);
    record.Identity(id).Set<int32_t>(0, id);
    record.SetString(1, "Name " + std::to_string(id % 37) + std::string(static_cast<size_t>(id % 11), 'x'));
    std::vector<uint8_t> key(static_cast<size_t>(layout.KeyLength()));
    layout.BuildKey(record.Bytes(), key.data());
    return key;
  }

  // The image with a few random bytes changed, mostly in pages.
  std::vector<uint8_t> Mutated(std::mt19937& random) const {
    std::vector<uint8_t> image = FImage;
    const int changes = std::uniform_int_distribution<int>(1, 6)(random);
    for (int i = 0; i < changes; ++i) {
      size_t at;
      if (std::bernoulli_distribution(0.25)(random)) {
        at = std::uniform_int_distribution<size_t>(0, TIndexFileHeader::kSize - 1)(random);
      } else {
        const size_t page = std::uniform_int_distribution<size_t>(1, image.size() / 4096 - 1)(random);
        // Page headers and the first entries are where damage does the most.
        const size_t within = std::bernoulli_distribution(0.5)(random)
                                  ? std::uniform_int_distribution<size_t>(0, 60)(random)
                                  : std::uniform_int_distribution<size_t>(0, 4095)(random);
        at = page * 4096 + within;
      }
      image[at] = std::bernoulli_distribution(0.5)(random)
                      ? static_cast<uint8_t>(image[at] ^ (1u << std::uniform_int_distribution<int>(0, 7)(random)))
                      : static_cast<uint8_t>(random());
    }
    return image;
  }

  // Runs one operation; engine errors are the expected answer to damage.
  template <typename Operation>
  static void Survive(Operation operation) {
    try {
      operation();
    } catch (const ESkladEngineError&) {
    }
  }

  void Exercise(TIndexFile& file, std::mt19937& random) {
    for (size_t i = 0; i < FSlots.size(); ++i) {
      const TKeyOrder order(FLayouts[i], FCollation);
      TIndexTree tree(file, FSlots[i], order);
      const auto id = [&] { return std::uniform_int_distribution<int32_t>(1, 420)(random); };
      Survive([&] { tree.KeyCount(); });
      Survive([&] { tree.KeyAt(static_cast<uint32_t>(id())); });
      Survive([&] {
        const auto key = KeyOf(FLayouts[i], id());
        tree.CountInRange(key.data(), KeyOf(FLayouts[i], 420).data(), FLayouts[i].KeyLength());
      });
      Survive([&] {
        const TKeyLocation at = tree.FirstNotBelow(KeyOf(FLayouts[i], id()).data(), FLayouts[i].KeyLength());
        if (at.Ordinal != 0) tree.ConsecutiveRun(at, 1, 50);
      });
      for (int n = 0; n < 20; ++n) Survive([&] { tree.DeleteKey(KeyOf(FLayouts[i], id()).data()); });
      for (int n = 0; n < 20; ++n) Survive([&] { tree.InsertKey(KeyOf(FLayouts[i], 400 + id()).data(), 1); });
    }
    Survive([&] { file.WriteModifiedPages(); });
  }

  TSystemList<TFieldDefinition> FFields;
  int FRecordSize = 0;
  std::vector<int> FSlots;
  std::vector<TKeyLayout> FLayouts;
  TBytewiseKeyCollation FCollation;
  std::vector<uint8_t> FImage;
};

TEST_F(IndexFuzzTest, DamagedFilesGiveEngineErrorsOnly) {
  std::mt19937 random(4242);
  const int rounds = testing::Iterations(200, 20000);
  for (int round = 0; round < rounds; ++round) {
    const std::vector<uint8_t> image = Mutated(random);
    {
      TFileHandler raw(kName, true);
      raw.CreateNew();
      raw.WriteAt(0, image.data(), static_cast<int32_t>(image.size()));
      raw.Close();
    }
    TIndexFile file(kName, true);
    try {
      file.Open();
      file.CheckHeader(FFields);
    } catch (const ESkladEngineError& error) {
      EXPECT_TRUE(error.Code() == err::HeaderCorrupt || error.Code() == err::WrongVersion) << error.what();
      continue;
    }
    Exercise(file, random);
  }
}

}  // namespace
}  // namespace sklad
