// The tree's page operations at their edges: capacities of the record-state index, the split of
// a full page, deleting the only key, reuse of freed pages, runs of record numbers, and the
// pages reaching the file in order.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "IndexTestSupport.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/index/IndexKeyForm.h"
#include "engine/storage/index/IndexTree.h"

namespace sklad {
namespace {

class IndexTreeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FFile.Create();
    FFile.WriteHeader(true);
  }
  void TearDown() override {
    FFile.Close();
    FFile.Delete();
  }

  // A record-state key: active state, ordered identity.
  static std::vector<uint8_t> StateKey(int32_t identity, uint8_t state = kRecordActive) {
    std::vector<uint8_t> key(kRecordStateKeyLength);
    key[0] = state;
    StoreOrderedInt32(identity, key.data() + 1);
    return key;
  }

  TPage* Root() { return FFile.GetPage(kRecordStateSlot, FFile.Root(kRecordStateSlot)); }

  TIndexFile FFile{"TREE.IDX", true};
  TKeyLayout FLayout = TKeyLayout::ForRecordStates();
  TBytewiseKeyCollation FCollation;
  TKeyOrder FOrder{FLayout, FCollation};
  TIndexTree FTree{FFile, kRecordStateSlot, FOrder};
};

TEST_F(IndexTreeTest, AFullLeafOfTheRecordStateIndexSplitsInTwo) {
  for (int32_t i = 1; i <= 371; ++i) FTree.InsertKey(StateKey(i).data(), static_cast<uint32_t>(i));
  TPage* root = Root();
  EXPECT_EQ(root->Type(), TPageType::LeafRoot);
  EXPECT_EQ(root->Count(), 371);
  FFile.ReleasePage(root);

  FTree.InsertKey(StateKey(372).data(), 372);
  root = Root();
  ASSERT_EQ(root->Type(), TPageType::InternalRoot);
  ASSERT_EQ(root->Count(), 2);
  EXPECT_EQ(root->SubtreeCount(0), 186u);
  EXPECT_EQ(root->SubtreeCount(1), 186u);
  TPage* left = FFile.GetPage(kRecordStateSlot, root->Value(0));
  TPage* right = FFile.GetPage(kRecordStateSlot, root->Value(1));
  EXPECT_EQ(left->Type(), TPageType::Leaf);
  EXPECT_EQ(left->Next, right->Offset);
  EXPECT_EQ(right->Previous, left->Offset);
  EXPECT_EQ(0, std::memcmp(root->Key(1), right->Key(0), kRecordStateKeyLength));
  FFile.ReleasePage(left);
  FFile.ReleasePage(right);
  FFile.ReleasePage(root);
  testing::TTreeWalker walker(FFile, kRecordStateSlot, FOrder);
  EXPECT_EQ(walker.Walk().size(), 372u);
}

TEST_F(IndexTreeTest, AnOddPageKeepsTheLargerHalf) {
  // Unique keys of 500 bytes: a leaf holds 4,083 / 506 = 8 entries; the ninth splits 5 / 4.
  int recordSize = 0;
  const auto fields = testing::LaidOutFields({TFieldDefinition::Make("A", TFieldType::String, 250),
                                              TFieldDefinition::Make("B", TFieldType::String, 246)},
                                             &recordSize);
  TIndexDefinition definition;
  definition.SetName("Wide");
  definition.SetUnique(true);
  definition.SetFieldNumber(0, 1);
  definition.SetFieldNumber(1, 2);
  const int slot = FFile.AddSecondaryIndex(definition, fields);
  ASSERT_EQ(FFile.Definition(slot).KeyLength(), 500);
  const TKeyLayout layout = TKeyLayout::ForIndex(FFile.Definition(slot), fields, 0, 0);
  const TKeyOrder order(layout, FCollation);
  TIndexTree tree(FFile, slot, order);
  std::vector<uint8_t> key(500);
  for (int i = 0; i < 9; ++i) {
    testing::TRecordBuilder record(fields, recordSize);
    record.SetString(0, std::string(1, static_cast<char>('A' + i)));
    layout.BuildKey(record.Bytes(), key.data());
    tree.InsertKey(key.data(), static_cast<uint32_t>(i + 1));
  }
  TPage* root = FFile.GetPage(slot, FFile.Root(slot));
  ASSERT_EQ(root->Count(), 2);
  EXPECT_EQ(root->SubtreeCount(0), 5u);
  EXPECT_EQ(root->SubtreeCount(1), 4u);
  FFile.ReleasePage(root);
}

TEST_F(IndexTreeTest, DeletingTheOnlyKeyEmptiesTheRootAndTheFreedPageIsReused) {
  FTree.InsertKey(StateKey(1).data(), 1);
  const uint32_t page = FFile.Root(kRecordStateSlot);
  const uint32_t nextPage = FFile.NextPageOffset();
  FTree.DeleteKey(StateKey(1).data());
  EXPECT_EQ(FFile.Root(kRecordStateSlot), 0u);
  EXPECT_EQ(FFile.Definition(kRecordStateSlot).FirstFreePage(), page);
  EXPECT_EQ(FTree.KeyCount(), 0u);

  FTree.InsertKey(StateKey(2).data(), 2);
  EXPECT_EQ(FFile.Root(kRecordStateSlot), page);
  EXPECT_EQ(FFile.NextPageOffset(), nextPage);
  EXPECT_EQ(FFile.Definition(kRecordStateSlot).FirstFreePage(), 0u);
}

TEST_F(IndexTreeTest, ShrinkingToOneLeafFreesEveryOtherPage) {
  for (int32_t i = 1; i <= 2000; ++i) FTree.InsertKey(StateKey(i).data(), static_cast<uint32_t>(i));
  const uint32_t fileEnd = FFile.NextPageOffset();
  for (int32_t i = 1; i <= 1990; ++i) FTree.DeleteKey(StateKey(i).data());
  TPage* root = Root();
  EXPECT_EQ(root->Type(), TPageType::LeafRoot);
  EXPECT_EQ(root->Count(), 10);
  FFile.ReleasePage(root);
  // Growing again takes pages from the free list before the file grows.
  for (int32_t i = 1; i <= 1990; ++i) FTree.InsertKey(StateKey(i).data(), static_cast<uint32_t>(i));
  EXPECT_EQ(FFile.NextPageOffset(), fileEnd);
  testing::TTreeWalker walker(FFile, kRecordStateSlot, FOrder);
  EXPECT_EQ(walker.Walk().size(), 2000u);
}

TEST_F(IndexTreeTest, DeletingAMissingKeyRaisesCorruptPages) {
  FTree.InsertKey(StateKey(1).data(), 1);
  try {
    FTree.DeleteKey(StateKey(2).data());
    FAIL() << "no error";
  } catch (const ESkladEngineError& error) {
    EXPECT_EQ(error.Code(), err::IndexBuffersCorrupt);
  }
  EXPECT_EQ(FTree.KeyCount(), 1u);
}

TEST_F(IndexTreeTest, RunsOfConsecutiveRecordNumbersCrossLeaves) {
  for (int32_t i = 1; i <= 1000; ++i) FTree.InsertKey(StateKey(i).data(), static_cast<uint32_t>(i));
  FTree.DeleteKey(StateKey(600).data());
  const TKeyLocation at = FTree.KeyAt(100);
  ASSERT_EQ(at.RecordNumber, 100u);
  EXPECT_EQ(FTree.ConsecutiveRun(at, 1, 1000), 499);  // 101..599
  EXPECT_EQ(FTree.ConsecutiveRun(at, -1, 1000), 99);
  EXPECT_EQ(FTree.ConsecutiveRun(at, 1, 20), 20);
}

TEST_F(IndexTreeTest, PartialKeysFindTheirFirstAndLastMatches) {
  for (int32_t i = 1; i <= 500; ++i)
    FTree.InsertKey(StateKey(i, i % 2 == 0 ? kRecordDeleted : kRecordActive).data(), static_cast<uint32_t>(i));
  const uint8_t deleted[1] = {kRecordDeleted};
  EXPECT_EQ(FTree.FirstNotBelow(deleted, 1).Ordinal, 251u);
  EXPECT_EQ(FTree.LastNotAbove(deleted, 1).Ordinal, 500u);
  EXPECT_EQ(FTree.CountInRange(deleted, deleted, 1), 250u);
  const uint8_t beyond[1] = {2};
  EXPECT_EQ(FTree.FirstNotBelow(beyond, 1).Ordinal, 0u);
  EXPECT_TRUE(FTree.KeyExists(deleted, 1));
  EXPECT_FALSE(FTree.KeyExists(beyond, 1));
}

TEST_F(IndexTreeTest, ModifiedPagesSurviveEvictionAndReopening) {
  // Far more pages than one slot's cache holds: eviction writes modified pages back.
  for (int32_t i = 1; i <= 20000; ++i) FTree.InsertKey(StateKey(i * 7919 % 20011).data(), static_cast<uint32_t>(i));
  FFile.WriteModifiedPages();
  FFile.WriteHeader(false);
  FFile.Close();
  FFile.Open();
  testing::TTreeWalker walker(FFile, kRecordStateSlot, FOrder);
  EXPECT_EQ(walker.Walk().size(), 20000u);
  EXPECT_EQ(FFile.GetSize(), FFile.NextPageOffset());
}

}  // namespace
}  // namespace sklad
