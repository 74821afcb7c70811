#include "engine/storage/data/RecordCache.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "DataFileTestSupport.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/data/RecordLayout.h"

namespace sklad {
namespace {

using testing::EngineErrorCode;
using testing::FieldList;
using testing::TTestOwner;

// A table whose records are `recordSize` bytes: the system part and as many bytes fields as
// that takes (each field takes its size and its null-flag byte).
TSystemList<TFieldDefinition> FieldsForRecordSize(int recordSize) {
  TSystemList<TFieldDefinition> fields;
  for (int left = recordSize - kFieldAreaAt; left > 0;) {
    int take = std::min(left, kMaxDeclaredSize + 1);
    if (left - take == 1) --take;  // leave at least one byte and its flag for the last field
    fields.Add(TFieldDefinition::Make("data" + std::to_string(fields.Count()), TFieldType::Bytes, take - 1));
    left -= take;
  }
  return fields;
}

class RecordCacheTest : public ::testing::Test {
 protected:
  void TearDown() override {
    File.reset();
    testing::DeleteFile(Name);
  }

  // A table of `count` records whose auto-increment values are 100 + their numbers.
  void MakeTable(int count, int recordSize = 29) {
    File = std::make_unique<TDataFile>(Name, true, &Owner);
    File->Create({}, FieldsForRecordSize(recordSize));
    for (int i = 1; i <= count; ++i) {
      TRecord* record = Cache().GetRecord(i);
      record->SetAutoIncrementValue(100 + i);
      Cache().ReleaseRecord(record);
    }
    Cache().WriteModified(false);
    File->WriteHeader(true);
    File->WriteFieldDefinitions();
  }

  void Reopen() {
    Cache().WriteModified(false);
    File->WriteHeader(false);
    File = std::make_unique<TDataFile>(Name, true, &Owner);
    File->Open();
    File->CheckConsistency();
  }

  TRecordCache& Cache() { return File->Records(); }

  // Gets, reads the auto-increment value and releases.
  int32_t ValueOf(int32_t number, const TReadAhead& readAhead = {}, std::span<const int32_t> upcoming = {}) {
    TRecord* record = Cache().GetRecord(number, readAhead, upcoming);
    EXPECT_NE(record, nullptr);
    const int32_t value = record ? record->AutoIncrementValue() : -1;
    Cache().ReleaseRecord(record);
    return value;
  }

  void Free(int32_t number) {
    TRecord* record = Cache().GetRecord(number);
    Cache().FreeRecord(*record);
    Cache().ReleaseRecord(record);
  }

  int32_t Insert() {
    TRecord* record = Cache().NewRecord();
    const int32_t number = record->Number();
    EXPECT_EQ(record->State(), kRecordActive);
    EXPECT_EQ(LoadLE<int32_t>(record->Bytes() + kRecordNumberAt), number);
    record->SetAutoIncrementValue(File->NextAutoIncrement());
    Cache().ReleaseRecord(record);
    return number;
  }

  std::string Name = testing::UniqueTableName("cache");
  TTestOwner Owner;
  std::unique_ptr<TDataFile> File;
};

TEST_F(RecordCacheTest, CapacityAndReadAheadFollowTheRecordSize) {
  struct Case {
    int recordSize, capacity, readAhead;
  };
  for (const Case c : {Case{100, 1310, 655}, Case{21, 6241, 3120}, Case{10, 8191, 6553}, Case{65535, 2, 1}}) {
    MakeTable(0, c.recordSize);
    EXPECT_EQ(Cache().Capacity(), c.capacity) << c.recordSize;
    EXPECT_EQ(Cache().ReadAheadLimit(), c.readAhead) << c.recordSize;
    File.reset();
    testing::DeleteFile(Name);
  }
}

TEST_F(RecordCacheTest, RecordsSurviveCloseAndReopenWithTheirOwnNumbers) {
  MakeTable(50);
  Reopen();
  EXPECT_EQ(File->RecordCount(), 50);
  for (int i = 1; i <= 50; ++i) {
    TRecord* record = Cache().GetRecord(i, {true});
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->AutoIncrementValue(), 100 + i);
    EXPECT_EQ(LoadLE<int32_t>(record->Bytes() + kRecordNumberAt), i);
    Cache().ReleaseRecord(record);
  }
  EXPECT_EQ(Cache().Statistics().Reads, 1);  // one read-ahead brought all 50
}

TEST_F(RecordCacheTest, FreedRecordsChainAndAreReusedLastFreedFirst) {
  MakeTable(10);
  Free(3);
  Free(7);
  EXPECT_EQ(File->FirstFreeRecord(), 7);
  Reopen();
  TRecord* seven = Cache().GetRecord(7);
  EXPECT_EQ(seven->State(), kRecordDeleted);
  EXPECT_EQ(seven->FreeLink(), 3);
  Cache().ReleaseRecord(seven);
  EXPECT_EQ(Insert(), 7);
  EXPECT_EQ(File->FirstFreeRecord(), 3);
  EXPECT_EQ(Insert(), 3);
  EXPECT_EQ(File->FirstFreeRecord(), 0);
  EXPECT_EQ(Insert(), 11);
  Reopen();
  EXPECT_EQ(ValueOf(7), 1);
  EXPECT_EQ(ValueOf(3), 2);
  EXPECT_EQ(ValueOf(11), 3);
}

TEST_F(RecordCacheTest, TablesWithoutPrimaryKeyAppendAndKeepTheirFreeList) {
  Owner.PrimaryKey = false;
  MakeTable(10);
  Free(3);
  Free(7);
  EXPECT_EQ(File->FirstFreeRecord(), 7);
  EXPECT_EQ(Insert(), 11);
  EXPECT_EQ(Insert(), 12);
  EXPECT_EQ(File->FirstFreeRecord(), 7);  // appending does not drop the deleted slot
  TRecord* seven = Cache().GetRecord(7);
  EXPECT_EQ(seven->State(), kRecordDeleted);
  Cache().ReleaseRecord(seven);
}

TEST_F(RecordCacheTest, DamagedFreeListNeverHandsOutALiveRecord) {
  struct Case {
    const char* what;
    int32_t firstFree;
    int32_t linkOfFive;  // -1: record 5 stays active
  };
  const Case cases[] = {
      {"first free beyond the last record", 11, 0}, {"first free negative", -4, 0},
      {"first free is a live record", 5, -1},       {"link beyond the last record", 5, 500},
      {"link to itself", 5, 5},                     {"negative link", 5, -2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MakeTable(10);
    if (c.linkOfFive >= 0 || c.linkOfFive < -1) {
      TRecord* five = Cache().GetRecord(5);
      five->SetState(kRecordDeleted);
      five->SetFreeLink(c.linkOfFive);
      Cache().ReleaseRecord(five);
    }
    File->Records().WriteModified(false);
    // Set the header's first free record the way a damaged file would have it.
    std::vector<uint8_t> header(File->Header().Bytes(), File->Header().Bytes() + TDataFileHeader::kSize);
    StoreLE<int32_t>(&header[9], c.firstFree);
    File->WriteAt(0, header.data(), TDataFileHeader::kSize);
    File->ReadHeader();

    EXPECT_EQ(EngineErrorCode([&] { (void)Cache().NewRecord(); }), err::RecordBuffersCorrupt);
    if (c.linkOfFive == -1) {
      EXPECT_EQ(ValueOf(5), 105);
    }
    EXPECT_EQ(File->NextRecordNumber(), 11);
    File.reset();
    testing::DeleteFile(Name);
  }
}

TEST_F(RecordCacheTest, ReadAheadStaysWithinTheRecords) {
  MakeTable(20);
  Reopen();
  // Backward from record 1: only record 1, never the definitions or the header before it.
  EXPECT_EQ(ValueOf(1, {true, 0, TReadDirection::Backward}), 101);
  EXPECT_EQ(Cache().Count(), 1);
  EXPECT_EQ(ValueOf(2, {true, 8, TReadDirection::Backward}), 102);  // guided, still stops at record 1
  EXPECT_EQ(Cache().Count(), 2);
  EXPECT_EQ(ValueOf(9, {true, 0, TReadDirection::Backward}), 109);  // records 1..9
  EXPECT_EQ(Cache().Count(), 9);
  for (int i = 1; i <= 9; ++i) EXPECT_NE(Cache().Cached(i), nullptr) << i;
  EXPECT_EQ(ValueOf(15, {true, 3, TReadDirection::Forward}), 115);  // guided: 15..17
  EXPECT_EQ(Cache().Count(), 12);
  EXPECT_EQ(Cache().Cached(18), nullptr);
  EXPECT_EQ(ValueOf(18, {true}), 118);  // to the last record only
  EXPECT_EQ(Cache().Count(), 15);
  EXPECT_EQ(Cache().Statistics().Reads, 5);
  EXPECT_EQ(Cache().Statistics().ReadsCompleted, 5);
}

// An index-order reader names the records it visits next: the missing ones come with the miss,
// near neighbours in one read, nothing beyond the last record.
TEST_F(RecordCacheTest, UpcomingRecordsAreReadWithAMissInRunsOfNeighbours) {
  MakeTable(40);
  Reopen();
  Owner.ReadLocks = 0;
  const int32_t upcoming[] = {30, 3, 31, 17, 33, 45, 17, 0};
  EXPECT_EQ(ValueOf(5, {}, upcoming), 105);
  // Runs 3..5, 17 and 30..33; 45 and 0 are no records.
  EXPECT_EQ(Cache().Statistics().Reads, 3);
  EXPECT_EQ(Owner.ReadLocks, 1);
  for (int32_t n : {3, 4, 5, 17, 30, 31, 32, 33}) EXPECT_NE(Cache().Cached(n), nullptr) << n;
  EXPECT_EQ(Cache().Count(), 8);
  EXPECT_EQ(ValueOf(17, {}, upcoming), 117);  // cached: no read
  EXPECT_EQ(Cache().Statistics().Reads, 3);
}

// Making room for the missing records of a read run never evicts the records of the same run
// that were cached already: a forward walk through a table larger than the cache, which holds
// the walk's next records as its least recently used ones, reads every record once.
TEST_F(RecordCacheTest, AReadRunKeepsTheRecordsOfTheRunThatWereCached) {
  MakeTable(160, 1000);
  ASSERT_EQ(Cache().Capacity(), 131);
  ASSERT_EQ(Cache().ReadAheadLimit(), 65);
  ASSERT_EQ(Cache().Cached(29), nullptr);  // appending kept 30..160, 30 the least recently used
  ASSERT_NE(Cache().Cached(30), nullptr);
  for (int n = 1; n <= 160; ++n) EXPECT_EQ(ValueOf(n, {true}), 100 + n);
  EXPECT_EQ(Cache().Statistics().Reads, 3);  // 1..65, 66..130 and 131..160
}

TEST_F(RecordCacheTest, MissesTakeTheTableReadLockAndRestartWhenItFoundAChange) {
  MakeTable(5);
  Reopen();
  Owner.ReadLocks = 0;
  EXPECT_EQ(ValueOf(2), 102);
  EXPECT_EQ(Owner.ReadLocks, 1);
  EXPECT_EQ(ValueOf(2), 102);  // a hit takes no lock
  EXPECT_EQ(Owner.ReadLocks, 1);
  EXPECT_EQ(Cache().Statistics().Hits, 1);

  Owner.ReportChange = true;
  EXPECT_EQ(Cache().GetRecord(3), nullptr);
  Owner.Strict = true;  // with strict change detection the cursor runs the protocol itself
  EXPECT_EQ(ValueOf(3), 103);
  EXPECT_EQ(Owner.ReadLocks, 2);
}

TEST_F(RecordCacheTest, ModifiedRecordsAreWrittenInRunsOfConsecutiveNumbers) {
  MakeTable(10);
  Reopen();
  for (int number : {2, 3, 4, 8, 10}) {
    TRecord* record = Cache().GetRecord(number);
    record->SetAutoIncrementValue(number * 1000);
    Cache().ReleaseRecord(record);
  }
  TRecord* pinned = Cache().GetRecord(9);
  pinned->SetAutoIncrementValue(9000);
  EXPECT_TRUE(Cache().WriteModified(false));
  EXPECT_EQ(Cache().Statistics().Writes, 3);  // 2..4, 8, 10; the pinned 9 waits
  EXPECT_FALSE(Cache().WriteModified(false));
  Cache().ReleaseRecord(pinned);
  EXPECT_TRUE(Cache().WriteModified(false));
  Reopen();
  for (int number : {2, 3, 4, 8, 9, 10}) EXPECT_EQ(ValueOf(number), number * 1000);
  EXPECT_EQ(ValueOf(5), 105);
}

TEST_F(RecordCacheTest, LeastRecentlyUsedUnpinnedRecordsMakeRoom) {
  MakeTable(6, 65535);  // room for two records
  Reopen();
  EXPECT_EQ(ValueOf(1), 101);
  EXPECT_EQ(ValueOf(2), 102);
  EXPECT_EQ(ValueOf(1), 101);
  EXPECT_EQ(ValueOf(3), 103);  // 2 was the least recently used
  EXPECT_EQ(Cache().Cached(2), nullptr);
  EXPECT_NE(Cache().Cached(1), nullptr);

  TRecord* modified = Cache().GetRecord(4);  // evicts 1
  modified->SetAutoIncrementValue(4000);
  Cache().ReleaseRecord(modified);
  TRecord* pinned = Cache().GetRecord(5);  // evicts 3; 4 is modified
  EXPECT_EQ(Cache().Cached(3), nullptr);
  // Only the modified 4 is left to make room: it is written first.
  EXPECT_EQ(ValueOf(6), 106);
  EXPECT_EQ(Cache().Statistics().Writes, 1);
  EXPECT_NE(Cache().Cached(5), nullptr);
  TRecord* alsoPinned = Cache().GetRecord(6);
  EXPECT_EQ(EngineErrorCode([&] { (void)Cache().GetRecord(1); }), err::RecordBuffersCorrupt);
  Cache().ReleaseRecord(alsoPinned);
  Cache().ReleaseRecord(pinned);
  Reopen();
  EXPECT_EQ(ValueOf(4), 4000);
}

// Modified records that a write cannot reach (pinned ones, or ones inside the range of the read
// in progress) stay modified however often the cache writes. A cache whose old end is full of
// them must still evict the clean records behind them, and must never wait for them to be
// written. The test owner caps the cache's searches for room, so that an eviction that never
// ends fails here instead of hanging the test.
TEST_F(RecordCacheTest, ModifiedRecordsAWriteCannotReachNeverStopAnEviction) {
  struct Case {
    const char* what;
    bool pinned;     // the modified records stay pinned; otherwise they lie inside the read
    bool readAhead;  // record 1 is read with read-ahead, over the modified records
  };
  for (const Case c : {Case{"pinned", true, false}, Case{"inside the read in progress", false, true}}) {
    SCOPED_TRACE(c.what);
    MakeTable(300, 1000);
    Reopen();
    const int capacity = Cache().Capacity();
    const int readAhead = Cache().ReadAheadLimit();
    ASSERT_GT(readAhead, 40);  // more modified records than an eviction passes before writing
    Owner.TransactionQuestions = 0;
    Owner.TransactionQuestionLimit = 100000;
    // Records 2..readAhead, modified, are the least recently used; the forward read from record 1
    // covers all of them.
    std::vector<TRecord*> held;
    for (int n = 2; n <= readAhead; ++n) {
      TRecord* record = Cache().GetRecord(n);
      record->SetAutoIncrementValue(n * 1000);
      if (c.pinned)
        held.push_back(record);
      else
        Cache().ReleaseRecord(record);
    }
    for (int n = 100; Cache().Count() < capacity; ++n) EXPECT_EQ(ValueOf(n), 100 + n);

    EXPECT_EQ(ValueOf(1, {c.readAhead}), 101);  // record 1 needs room: the clean 100 gives it
    EXPECT_EQ(Cache().Count(), capacity);
    EXPECT_EQ(Cache().Cached(100), nullptr);
    for (TRecord* record : held) Cache().ReleaseRecord(record);
    Owner.TransactionQuestionLimit = 0;
    Reopen();
    for (int n = 2; n <= readAhead; ++n) EXPECT_EQ(ValueOf(n), n * 1000) << n;
    File.reset();
    testing::DeleteFile(Name);
  }
}

TEST_F(RecordCacheTest, TransactionsGrowTheCacheInsteadOfWriting) {
  MakeTable(0, 100);
  Owner.Transaction = true;
  for (int i = 1; i <= 2000; ++i) {
    TRecord* record = Cache().GetRecord(i);
    record->SetAutoIncrementValue(i);
    Cache().ReleaseRecord(record);
  }
  EXPECT_EQ(Cache().Count(), 2000);
  EXPECT_GE(Cache().Capacity(), 2000);
  EXPECT_EQ(File->GetSize(), File->DefinitionsEnd());  // nothing written yet
  EXPECT_EQ(Cache().Statistics().Writes, 0);

  Owner.Transaction = false;  // commit: write everything, then shrink
  Cache().WriteModified(true);
  Cache().Shrink();
  EXPECT_EQ(Cache().Capacity(), 1310);
  EXPECT_EQ(Cache().Count(), 1310);
  EXPECT_NE(Cache().Cached(1310), nullptr);
  EXPECT_EQ(Cache().Cached(1311), nullptr);
  Reopen();
  EXPECT_EQ(ValueOf(2000), 2000);
}

TEST_F(RecordCacheTest, AppendingAndTheLimitsOfRecordNumbers) {
  MakeTable(3);
  EXPECT_EQ(File->NextRecordNumber(), 4);
  TRecord* appended = Cache().GetRecord(4);
  EXPECT_EQ(File->NextRecordNumber(), 5);
  EXPECT_TRUE(File->Header().Modified());
  Cache().ReleaseRecord(appended);
  EXPECT_EQ(EngineErrorCode([&] { (void)Cache().GetRecord(0); }), err::RecordBuffersCorrupt);
  EXPECT_EQ(EngineErrorCode([&] { (void)Cache().GetRecord(6); }), err::RecordBuffersCorrupt);
  Reopen();  // the appended slot reached the file even though nothing was stored in it
  EXPECT_EQ(File->RecordCount(), 4);
}

TEST_F(RecordCacheTest, FullTablesRefuseAppends) {
  struct Case {
    int recordSize;
    int32_t nextRecordNumber;
    bool full;
  };
  // Sizes are computed in 64 bits: 99,999,999 × 29 wraps to a negative number in 32 and would
  // pass for a table with room left.
  for (const Case c : {Case{29, 68965517, false}, Case{29, 68965518, true}, Case{29, 99999999, true},
                       Case{20, 99999999, false}, Case{20, 100000000, true}, Case{65535, 30518, false},
                       Case{65535, 30519, true}}) {
    SCOPED_TRACE(c.nextRecordNumber);
    MakeTable(0, c.recordSize);
    std::vector<uint8_t> header(File->Header().Bytes(), File->Header().Bytes() + TDataFileHeader::kSize);
    StoreLE<int32_t>(&header[13], c.nextRecordNumber);
    File->WriteAt(0, header.data(), TDataFileHeader::kSize);
    File->ReadHeader();
    EXPECT_EQ(File->RecordOffset(c.nextRecordNumber), File->DefinitionsEnd() + int64_t{c.nextRecordNumber - 1} * c.recordSize);
    const int code = EngineErrorCode([&] { Cache().ReleaseRecord(Cache().GetRecord(c.nextRecordNumber)); });
    EXPECT_EQ(code, c.full ? err::TableFull : 0);
    Cache().Empty();  // drop the slot instead of writing it far out
    File.reset();
    testing::DeleteFile(Name);
  }
}

TEST_F(RecordCacheTest, ReadsAtTheEndOfAShortFilePlaceOnlyCompleteRecords) {
  MakeTable(5);
  Reopen();
  std::vector<uint8_t> bytes = testing::FileBytes(Name);
  bytes.resize(bytes.size() - 10);
  testing::SetFileBytes(Name, bytes);

  Owner.Written = false;  // not yet written to: a short read is an error
  EXPECT_EQ(EngineErrorCode([&] { (void)Cache().GetRecord(1, {true}); }), err::ReadError);
  Owner.Written = true;  // written to while exclusive: the file may not have grown yet
  EXPECT_EQ(ValueOf(1, {true}), 101);
  EXPECT_EQ(Cache().Count(), 4);
  EXPECT_EQ(EngineErrorCode([&] { (void)Cache().GetRecord(5); }), err::RecordBuffersCorrupt);
}

}  // namespace
}  // namespace sklad
