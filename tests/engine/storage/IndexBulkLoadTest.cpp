// Building an index bottom-up from sorted keys: for every leaf compression and for unique and
// non-unique keys, at sizes around a page's capacity, the tree is a valid counted tree holding
// exactly the keys in order, it takes later inserts and deletes like any other tree, freeing all
// its pages makes the index empty, and a slot that already has keys is refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "IndexTestSupport.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/index/IndexBulkLoad.h"
#include "engine/storage/index/IndexTree.h"
#include "engine/storage/index/KeyCollation.h"

namespace sklad {
namespace {

using Key = std::vector<uint8_t>;

struct TLoadCase {
  TKeyCompression Compression;
  bool Unique;
  int Count;
};

std::string CaseName(const ::testing::TestParamInfo<TLoadCase>& info) {
  return "Compression" + std::to_string(static_cast<int>(info.param.Compression)) +
         (info.param.Unique ? "_Unique_" : "_Duplicates_") + std::to_string(info.param.Count);
}

// A string index over an in-memory index file; keys share prefixes so that compression matters.
class IndexBulkLoadTest : public ::testing::TestWithParam<TLoadCase> {
 protected:
  void SetUp() override {
    FFile.Create();
    TIndexDefinition definition;
    definition.SetName("ByName");
    definition.SetUnique(GetParam().Unique);
    definition.SetCompression(GetParam().Compression);
    definition.SetFieldNumber(0, 1);
    FSlot = FFile.AddSecondaryIndex(definition, FFields);
    FLayout = TKeyLayout::ForIndex(FFile.Definition(FSlot), FFields, 0, 0);
    FOrder = std::make_unique<TKeyOrder>(FLayout, FCollation);
    FTree = std::make_unique<TIndexTree>(FFile, FSlot, *FOrder);
  }
  void TearDown() override { FFile.Close(); }

  Key KeyOf(int value, int32_t identity) const {
    char text[24];
    std::snprintf(text, sizeof text, "program %07d", value);
    testing::TRecordBuilder record(FFields, FRecordSize);
    record.SetString(0, text).Identity(identity);
    Key key(static_cast<size_t>(FLayout.KeyLength()));
    FLayout.BuildKey(record.Bytes(), key.data());
    return key;
  }

  std::vector<testing::TLeafEntry> Walk() { return testing::TTreeWalker(FFile, FSlot, *FOrder).Walk(); }

  int FRecordSize = 0;
  TSystemList<TFieldDefinition> FFields =
      testing::LaidOutFields({TFieldDefinition::Make("Name", TFieldType::String, 20)}, &FRecordSize);
  TIndexFile FFile{"BULK.IDX", true};
  int FSlot = 0;
  TKeyLayout FLayout;
  TBytewiseKeyCollation FCollation;
  std::unique_ptr<TKeyOrder> FOrder;
  std::unique_ptr<TIndexTree> FTree;
};

TEST_P(IndexBulkLoadTest, TheTreeHoldsTheKeysInOrderAndTakesLaterChanges) {
  const int count = GetParam().Count;
  std::vector<Key> keys;
  for (int i = 0; i < count; ++i) keys.push_back(KeyOf(i * 2, i + 1));
  {
    TIndexBulkLoad load(FFile, FSlot);
    for (int i = 0; i < count; ++i) load.Add(keys[static_cast<size_t>(i)].data(), static_cast<uint32_t>(i + 1));
    load.Finish();
  }
  std::vector<testing::TLeafEntry> entries = Walk();
  ASSERT_EQ(entries.size(), keys.size());
  for (size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(entries[i].Key, keys[i]) << i;
    EXPECT_EQ(entries[i].RecordNumber, i + 1);
  }
  EXPECT_EQ(FTree->KeyCount(), static_cast<uint32_t>(count));
  if (count > 0) {
    EXPECT_EQ(FTree->KeyAt(static_cast<uint32_t>(count)).RecordNumber, static_cast<uint32_t>(count));
  }

  // Odd values go between the loaded ones; every third loaded key goes.
  std::mt19937 random(static_cast<unsigned>(count));
  std::vector<int> order(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) order[static_cast<size_t>(i)] = i;
  std::shuffle(order.begin(), order.end(), random);
  for (int i : order) {
    FTree->InsertKey(KeyOf(i * 2 + 1, count + i + 1).data(), static_cast<uint32_t>(count + i + 1));
    if (i % 3 == 0) FTree->DeleteKey(keys[static_cast<size_t>(i)].data());
  }
  entries = Walk();
  EXPECT_EQ(entries.size(), static_cast<size_t>(count * 2 - (count + 2) / 3));
  EXPECT_EQ(FTree->KeyCount(), entries.size());

  const uint32_t fileEnd = FFile.NextPageOffset();
  FTree->FreeAllPages();
  EXPECT_TRUE(FTree->Empty());
  EXPECT_TRUE(Walk().empty());
  // The freed pages come back before the file grows.
  {
    TIndexBulkLoad load(FFile, FSlot);
    for (int i = 0; i < count; ++i) load.Add(keys[static_cast<size_t>(i)].data(), static_cast<uint32_t>(i + 1));
    load.Finish();
  }
  EXPECT_EQ(FFile.NextPageOffset(), fileEnd);
  EXPECT_EQ(Walk().size(), keys.size());
}

std::vector<TLoadCase> LoadCases() {
  std::vector<TLoadCase> cases;
  // An uncompressed leaf of these keys holds 4,083 / (22 + 6) = 145 unique or 4,083 / 32 = 127
  // non-unique keys, an internal page 127 or 113 entries; the sizes straddle one leaf, two
  // leaves, and (uncompressed) a third level.
  for (int compression = 0; compression <= 3; ++compression)
    for (bool unique : {true, false})
      for (int count : {0, 1, 127, 128, 145, 146, 300, 3000})
        cases.push_back({static_cast<TKeyCompression>(compression), unique, count});
  for (bool unique : {true, false}) cases.push_back({TKeyCompression::None, unique, 20000});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Sizes, IndexBulkLoadTest, ::testing::ValuesIn(LoadCases()), CaseName);

TEST(IndexBulkLoad, ASlotThatHoldsKeysIsRefused) {
  TIndexFile file("BULKFULL.IDX", true);
  file.Create();
  const TKeyLayout layout = TKeyLayout::ForRecordStates();
  const TBytewiseKeyCollation collation;
  const TKeyOrder order(layout, collation);
  TIndexTree tree(file, kRecordStateSlot, order);
  const Key key(static_cast<size_t>(layout.KeyLength()), 0);
  tree.InsertKey(key.data(), 1);
  try {
    TIndexBulkLoad load(file, kRecordStateSlot);
    ADD_FAILURE() << "a bulk load over keys was accepted";
  } catch (const ESkladEngineError& error) {
    EXPECT_EQ(error.Code(), err::IndexBuffersCorrupt);
  }
  EXPECT_EQ(tree.KeyCount(), 1u);
  file.Close();
}

}  // namespace
}  // namespace sklad
