// The index file: its header, adding and deleting index definitions with their limits, the
// header check, scrambling, and deleting an index while its pages are modified in the cache.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "IndexTestSupport.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/index/IndexKeyForm.h"
#include "engine/storage/index/IndexReadRestart.h"
#include "engine/storage/index/IndexTree.h"

namespace sklad {
namespace {

template <typename Action>
uint16_t CodeOf(Action action) {
  try {
    action();
  } catch (const ESkladEngineError& error) {
    return error.Code();
  }
  return 0;
}

TIndexDefinition Secondary(const std::string& name, std::initializer_list<uint16_t> fieldNumbers, bool unique = false) {
  TIndexDefinition definition;
  definition.SetName(name);
  definition.SetUnique(unique);
  int i = 0;
  for (uint16_t number : fieldNumbers) definition.SetFieldNumber(i++, number);
  return definition;
}

class IndexFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FFile.Create();
    FFile.AddPrimaryIndex(TIndexDefinition{}, FFields);
  }
  void TearDown() override {
    FFile.Close();
    FFile.Delete();
  }

  void WriteAndClose() {
    FFile.WriteModifiedPages();
    FFile.WriteHeader(false);
    FFile.Close();
  }

  // Changes stored bytes of the closed file.
  void Patch(int64_t offset, std::vector<uint8_t> bytes) {
    if (bytes.empty()) return;
    TFileHandler raw(FFile.FileName(), true);
    raw.Open();
    raw.WriteAt(offset, bytes.data(), static_cast<int32_t>(bytes.size()));
    raw.Close();
  }

  int FRecordSize = 0;
  TSystemList<TFieldDefinition> FFields = testing::LaidOutFields(
      {TFieldDefinition::Make("Id", TFieldType::Integer), TFieldDefinition::Make("Name", TFieldType::String, 20),
       TFieldDefinition::Make("Memo", TFieldType::Blob, 0, subtype::Memo),
       TFieldDefinition::Make("Wide", TFieldType::String, 250)},
      &FRecordSize);
  TIndexFile FFile{"FILE.IDX", true};
};

TEST_F(IndexFileTest, ANewFileHoldsOnlyTheRecordStateIndex) {
  const TIndexFileHeader& header = FFile.Header();
  EXPECT_EQ(header.Version(), 4);
  EXPECT_EQ(header.NextPageOffset(), 4096u);
  EXPECT_EQ(header.SecondaryCount(), 0);
  const TIndexDefinition states = FFile.Definition(TIndexFile::kSystemSlot);
  EXPECT_EQ(states.Name(), "Sys Deleted");
  EXPECT_EQ(states.KeyLength(), 5);
  EXPECT_FALSE(states.Unique());
  EXPECT_EQ(states.Compression(), TKeyCompression::None);
  EXPECT_TRUE(header.Modified());
  WriteAndClose();
  FFile.Open();
  EXPECT_NO_THROW(FFile.CheckHeader(FFields));
  EXPECT_EQ(FFile.GetSize(), 4096);
}

TEST_F(IndexFileTest, PrimaryIndexDefinitions) {
  EXPECT_TRUE(FFile.NoPrimaryKey());

  EXPECT_EQ(CodeOf([&] { FFile.AddPrimaryIndex(Secondary("", {3}), FFields); }), err::InvalidIndexFieldType);
  TIndexDefinition byId = Secondary("ignored", {1});
  FFile.AddPrimaryIndex(byId, FFields);
  EXPECT_FALSE(FFile.NoPrimaryKey());
  const TIndexDefinition primary = FFile.Definition(0);
  EXPECT_EQ(primary.Name(), "");
  EXPECT_TRUE(primary.Unique());
  EXPECT_EQ(primary.KeyLength(), 5);
  EXPECT_EQ(primary.FieldCount(), 1);
  EXPECT_EQ(CodeOf([&] { FFile.AddPrimaryIndex(byId, FFields); }), err::PrimaryIndexExists);
}

TEST_F(IndexFileTest, SecondaryIndexDefinitionsAreChecked) {
  struct TCase {
    const char* What;
    TIndexDefinition Definition;
    uint16_t Code;
  };
  TIndexDefinition tooManyFields = Secondary("Many", {1});
  tooManyFields.SetFieldCount(17);
  const TCase cases[] = {
      {"empty name", Secondary("", {1}), err::IndexNameMissing},
      {"name starting with a digit", Secondary("1st", {1}), err::InvalidIndexName},
      {"BLOB key field", Secondary("Memo", {3}), err::InvalidIndexFieldType},
      {"field number beyond the table", Secondary("Ghost", {9}), err::InvalidIndexField},
      {"key fields of 526 bytes", Secondary("Big", {4, 4, 2}), err::InvalidKeySize},
      {"more than 16 fields", tooManyFields, err::IndexLimits},
      {"a name already used", Secondary("BYNAME ", {1}), err::IndexExists},
  };
  FFile.AddSecondaryIndex(Secondary("ByName", {2}), FFields);
  for (const TCase& c : cases) EXPECT_EQ(CodeOf([&] { FFile.AddSecondaryIndex(c.Definition, FFields); }), c.Code) << c.What;
  EXPECT_EQ(FFile.SecondaryCount(), 1);
  const TIndexDefinition byName = FFile.Definition(1);
  EXPECT_EQ(byName.KeyLength(), 1 + 21 + 4);
  EXPECT_EQ(byName.FieldCount(), 1);
}

TEST_F(IndexFileTest, ThirtySecondaryIndexesFillEverySlotBeforeTheRecordStates) {
  for (int i = 1; i <= 30; ++i) EXPECT_EQ(FFile.AddSecondaryIndex(Secondary("I" + std::to_string(i), {1}), FFields), i);
  EXPECT_EQ(CodeOf([&] { FFile.AddSecondaryIndex(Secondary("I31", {1}), FFields); }), err::IndexLimits);
  EXPECT_EQ(FFile.Definition(TIndexFile::kSystemSlot).Name(), "Sys Deleted");
  WriteAndClose();
  FFile.Open();
  EXPECT_NO_THROW(FFile.CheckHeader(FFields));
}

TEST_F(IndexFileTest, AHeaderAnnouncingMoreThanThirtySecondaryIndexesDoesNotOpen) {
  WriteAndClose();
  Patch(13, {31});
  EXPECT_EQ(CodeOf([&] { FFile.Open(); }), err::HeaderCorrupt);
  EXPECT_FALSE(FFile.IsOpen());
}

// A header with one secondary index (slot 1, "ByName") and one page, damaged in one place.
struct THeaderDamage {
  const char* What;
  int At;
  std::vector<uint8_t> Bytes;
  uint16_t Code;
};

void PrintTo(const THeaderDamage& damage, std::ostream* out) { *out << damage.What; }

class IndexHeaderCheckTest : public IndexFileTest, public ::testing::WithParamInterface<THeaderDamage> {};

constexpr int kSlot1 = 14 + 120;

TEST_P(IndexHeaderCheckTest, DamagedHeadersFailTheCheck) {
  FFile.AddSecondaryIndex(Secondary("ByName", {2}), FFields);
  FFile.AddSecondaryIndex(Secondary("ById", {1}, true), FFields);
  TPage* page = FFile.NewPage(1);
  FFile.ReleasePage(page);
  FFile.FreePage(page);
  WriteAndClose();
  const THeaderDamage& damage = GetParam();
  Patch(damage.At, damage.Bytes);
  FFile.Open();
  EXPECT_EQ(CodeOf([&] { FFile.CheckHeader(FFields); }), damage.Code) << damage.What;
}

INSTANTIATE_TEST_SUITE_P(
    Damages, IndexHeaderCheckTest,
    ::testing::Values(
        THeaderDamage{"undamaged", 0, {}, 0},
        THeaderDamage{"version 3", 8, {3}, err::WrongVersion},
        THeaderDamage{"root at the next page offset", kSlot1 + 86, {0x00, 0x20, 0, 0}, err::HeaderCorrupt},
        THeaderDamage{"root not on a page boundary", kSlot1 + 86, {0x01, 0x10, 0, 0}, err::HeaderCorrupt},
        THeaderDamage{"free page not on a page boundary", kSlot1 + 90, {0x10, 0x10, 0, 0}, err::HeaderCorrupt},
        THeaderDamage{"stored key length differs from the fields", kSlot1 + 31, {27, 0}, err::HeaderCorrupt},
        THeaderDamage{"compression 4", kSlot1 + 36, {4}, err::HeaderCorrupt},
        THeaderDamage{"field count byte disagrees with the numbers", kSlot1 + 37, {2}, err::HeaderCorrupt},
        THeaderDamage{"BLOB key field", kSlot1 + 54, {3, 0}, err::HeaderCorrupt},
        THeaderDamage{"field number beyond the table", kSlot1 + 54, {5, 0}, err::HeaderCorrupt},
        THeaderDamage{"name starting with a digit", kSlot1 + 1, {'1'}, err::HeaderCorrupt},
        THeaderDamage{"two indexes of one name", kSlot1 + 120, {6, 'B', 'y', 'N', 'A', 'M', 'E'}, err::HeaderCorrupt},
        THeaderDamage{"name length beyond its slot", kSlot1, {31}, err::HeaderCorrupt},
        THeaderDamage{"next page offset not on a page boundary", 9, {0x01, 0x20, 0, 0}, err::HeaderCorrupt},
        THeaderDamage{"record-state key length", 14 + 120 * 31 + 31, {6, 0}, err::HeaderCorrupt},
        THeaderDamage{"next page offset beyond the file", 9, {0x00, 0x30, 0, 0}, err::HeaderCorrupt}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(IndexFileTest, DeletingAnIndexKeepsTheModifiedPagesOfTheLaterOnes) {
  for (const char* name : {"First", "Second", "Third"}) FFile.AddSecondaryIndex(Secondary(name, {1}, true), FFields);
  const TKeyLayout layout = TKeyLayout::ForIndex(FFile.Definition(3), FFields, 0, 0);
  TBytewiseKeyCollation collation;
  const TKeyOrder order(layout, collation);
  {
    TIndexTree third(FFile, 3, order);
    for (int32_t i = 1; i <= 100; ++i) {
      testing::TRecordBuilder record(FFields, FRecordSize);
      record.Set<int32_t>(0, i);
      uint8_t key[5];
      layout.BuildKey(record.Bytes(), key);
      third.InsertKey(key, static_cast<uint32_t>(i));
    }
  }
  FFile.DeleteIndex(1);
  EXPECT_EQ(FFile.SecondaryCount(), 2);
  EXPECT_EQ(FFile.Definition(1).Name(), "Second");
  EXPECT_EQ(FFile.Definition(2).Name(), "Third");
  EXPECT_EQ(FFile.Definition(3).Name(), "First");  // parked beyond the count
  {
    // Reached through its new slot at once, before anything else is written.
    testing::TTreeWalker walker(FFile, 2, order);
    EXPECT_EQ(walker.Walk().size(), 100u);
  }
  WriteAndClose();
  FFile.Open();
  EXPECT_NO_THROW(FFile.CheckHeader(FFields));
  testing::TTreeWalker walker(FFile, 2, order);
  const auto entries = walker.Walk();
  ASSERT_EQ(entries.size(), 100u);
  EXPECT_EQ(entries.back().RecordNumber, 100u);
}

TEST_F(IndexFileTest, EncryptedFilesStoreHeaderAndPagesScrambled) {
  FFile.SetEncrypted(true);
  const TKeyLayout layout = TKeyLayout::ForRecordStates();
  TBytewiseKeyCollation collation;
  const TKeyOrder order(layout, collation);
  {
    TIndexTree states(FFile, TIndexFile::kSystemSlot, order);
    uint8_t key[5] = {0};
    for (int32_t i = 1; i <= 10; ++i) {
      StoreOrderedInt32(i, key + 1);
      states.InsertKey(key, static_cast<uint32_t>(i));
    }
  }
  WriteAndClose();
  TFileHandler raw(FFile.FileName(), true);
  raw.Open();
  uint8_t version = 0, pageType = 0;
  raw.ReadAt(8, &version, 1);
  raw.ReadAt(4096, &pageType, 1);
  raw.Close();
  EXPECT_NE(version, 4);
  EXPECT_NE(pageType, static_cast<uint8_t>(TPageType::LeafRoot));
  FFile.Open();
  EXPECT_NO_THROW(FFile.CheckHeader(FFields));
  testing::TTreeWalker walker(FFile, TIndexFile::kSystemSlot, order);
  EXPECT_EQ(walker.Walk().size(), 10u);
}

TEST_F(IndexFileTest, EmptyingDropsEveryIndexButKeepsTheDefinitions) {
  FFile.AddSecondaryIndex(Secondary("ById", {1}, true), FFields);
  TPage* page = FFile.NewPage(1);
  page->SetType(TPageType::LeafRoot);
  FFile.SetRoot(1, page->Offset);
  FFile.ReleasePage(page);
  FFile.SetRecordCount(5);
  FFile.Empty();
  EXPECT_EQ(FFile.Root(1), 0u);
  EXPECT_EQ(FFile.RecordCount(), 0);
  EXPECT_EQ(FFile.NextPageOffset(), 4096u);
  EXPECT_EQ(FFile.Definition(1).Name(), "ById");
  EXPECT_EQ(FFile.GetSize(), 4096);
}

TEST_F(IndexFileTest, PageOffsetsOutsideTheFileAreRefused) {
  for (uint32_t offset : {0u, 100u, 4096u, 8192u}) {
    EXPECT_EQ(CodeOf([&] { FFile.GetPage(1, offset); }), err::IndexBuffersCorrupt) << offset;
  }
}

}  // namespace
}  // namespace sklad

namespace sklad {
namespace {

// A table owner whose read lock can report another user's change and which can be inside a
// transaction.
class TScriptedOwner final : public TDataFileOwner {
 public:
  bool BeginCacheMissRead() override {
    ++ReadLocks;
    return ChangeFound;
  }
  bool StrictChangeDetection() const override { return Strict; }
  bool ForceBufferFlush() const override { return false; }
  bool Exclusive() const override { return false; }
  bool InTransaction() const override { return Transaction; }
  bool WrittenTo() const override { return Written; }
  void MarkWrittenTo() override { Written = true; }
  bool HasPrimaryKey() const override { return true; }

  int ReadLocks = 0;
  bool ChangeFound = false;
  bool Strict = false;
  bool Transaction = false;
  bool Written = false;
};

class IndexFileOwnerTest : public ::testing::Test {
 protected:
  void SetUp() override { FFile.Create(); }
  void TearDown() override {
    FFile.Close();
    FFile.Delete();
  }
  void InsertStates(int count) {
    TIndexTree tree(FFile, TIndexFile::kSystemSlot, FOrder);
    uint8_t key[kRecordStateKeyLength] = {0};
    for (int32_t i = 1; i <= count; ++i) {
      StoreOrderedInt32(i * 7919 % 100003, key + 1);
      tree.InsertKey(key, static_cast<uint32_t>(i));
    }
  }

  TScriptedOwner FOwner;
  TIndexFile FFile{"OWNED.IDX", true, &FOwner};
  TKeyLayout FLayout = TKeyLayout::ForRecordStates();
  TBytewiseKeyCollation FCollation;
  TKeyOrder FOrder{FLayout, FCollation};
};

TEST_F(IndexFileOwnerTest, ACacheMissTakesTheReadLockAndRestartsAfterAChange) {
  InsertStates(5000);
  FFile.WriteModifiedPages();
  FFile.DropPages();
  FOwner.ReadLocks = 0;
  TIndexTree tree(FFile, TIndexFile::kSystemSlot, FOrder);
  FOwner.ChangeFound = true;
  EXPECT_THROW(tree.KeyCount(), EIndexReadRestart);
  EXPECT_EQ(FOwner.ReadLocks, 1);
  FOwner.ChangeFound = false;
  EXPECT_EQ(tree.KeyCount(), 5000u);
  EXPECT_EQ(FOwner.ReadLocks, 2);
  EXPECT_EQ(tree.KeyCount(), 5000u);  // a cache hit needs no lock
  EXPECT_EQ(FOwner.ReadLocks, 2);
  // With strict change detection the cursor runs the lock protocol itself.
  FFile.DropPages();
  FOwner.Strict = true;
  FOwner.ChangeFound = true;
  EXPECT_EQ(tree.KeyCount(), 5000u);
  EXPECT_EQ(FOwner.ReadLocks, 2);
}

TEST_F(IndexFileOwnerTest, InsideATransactionTheCachesGrowInsteadOfWriting) {
  FOwner.Transaction = true;
  InsertStates(20000);
  EXPECT_EQ(FFile.GetSize(), 0);  // not even the header: nothing was written
  FOwner.Transaction = false;
  FFile.WriteModifiedPages();
  FFile.WriteHeader(true);
  FFile.ShrinkCaches();
  EXPECT_EQ(FFile.GetSize(), FFile.NextPageOffset());
  testing::TTreeWalker walker(FFile, TIndexFile::kSystemSlot, FOrder);
  EXPECT_EQ(walker.Walk().size(), 20000u);
}

}  // namespace
}  // namespace sklad

namespace sklad {
namespace {

// A damaged free list must not hand out a page of the tree: a freed page is stored without
// entries, so a "free" page that holds some is refused before it is cleared and reused.
TEST_F(IndexFileOwnerTest, AFreeListLeadingIntoALivePageIsRefused) {
  InsertStates(3000);
  TPage* spare = FFile.NewPage(TIndexFile::kSystemSlot);
  FFile.FreePage(spare);
  spare->Next = TIndexFile::kPageSize;  // the first page, which holds keys
  FFile.ReleasePage(spare);
  FFile.WriteModifiedPages();
  FFile.DropPages();
  FFile.ReleasePage(FFile.NewPage(TIndexFile::kSystemSlot));
  EXPECT_EQ(CodeOf([&] { FFile.NewPage(TIndexFile::kSystemSlot); }), err::IndexBuffersCorrupt);
  testing::TTreeWalker walker(FFile, TIndexFile::kSystemSlot, FOrder);
  EXPECT_EQ(walker.Walk().size(), 3000u);
}

}  // namespace
}  // namespace sklad
