// BLOB access through the cursor: reading in pieces, offsets and counts at the edges, the open
// limit, the close tags, another user's rewrite, and posting changed values.
#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CatalogueTestSupport.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

using testing::kMemoField;

class CursorBlobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDatabase = FSession.OpenDirectory("", FTemp.Path().string());
    FTable = FDatabase->CreateTable(testing::kCatalogue, false, testing::CatalogueDefinition(0));
    testing::CatalogueWriter writer(*FDatabase);
    writer.Append({1, "1", "nine", 1, "123456789"});
    writer.Append({2, "1", "empty", 2, ""});
    // A memo of several blocks.
    writer.Append({3, "1", "long", 3, std::string(1500, 'x') + "konec"});
    FCursor = std::make_unique<TDataCursor>(*FDatabase);
    FCursor->SetTableName(testing::kCatalogue);
    FCursor->Open();
    FCursor->SelectIndex(TDataCursor::kNaturalOrder);
  }
  void TearDown() override {
    FCursor.reset();
    FDatabase->CloseTable(FTable);
  }

  // The record with that record number, as the cursor reads it.
  std::vector<uint8_t> Record(int32_t number) {
    std::vector<uint8_t> record(static_cast<size_t>(FCursor->RecordSize()));
    FCursor->GotoRecordNumber(number);
    EXPECT_EQ(FCursor->ReadCurrent(record.data()), cursor_status::Ok);
    return record;
  }

  std::string ReadWhole(uint8_t* record) {
    EXPECT_EQ(FCursor->OpenBlob(kMemoField, record, 1, TDataCursor::kBlobRead), 0);
    int32_t length = 0, count = 0;
    EXPECT_EQ(FCursor->GetBlobSize(kMemoField, record, length), 0);
    std::string text(static_cast<size_t>(length), '\0');
    EXPECT_EQ(FCursor->ReadBlob(kMemoField, record, count, length, reinterpret_cast<uint8_t*>(text.data()), 0), 0);
    EXPECT_EQ(FCursor->CloseBlob(kMemoField, record, 1), 0);
    return text;
  }

  ::sklad::testing::TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDatabase = nullptr;
  TDataTable* FTable = nullptr;
  std::unique_ptr<TDataCursor> FCursor;
};

TEST_F(CursorBlobTest, ReadsInPiecesAndStopsAtTheEnd) {
  std::vector<uint8_t> record = Record(1);
  ASSERT_EQ(FCursor->OpenBlob(kMemoField, record.data(), 0, TDataCursor::kBlobRead), 0);
  // Opening the same value again reuses its buffer.
  ASSERT_EQ(FCursor->OpenBlob(kMemoField, record.data(), 0, TDataCursor::kBlobRead), 0);
  EXPECT_EQ(FCursor->OpenBlobCount(), 1);
  uint8_t piece[4];
  int32_t count = 0;
  std::string read;
  int32_t offset = 0;
  for (int expected : {0, 0, 8711}) {
    EXPECT_EQ(FCursor->ReadBlob(kMemoField, record.data(), count, 4, piece, offset), expected);
    read.append(reinterpret_cast<char*>(piece), static_cast<size_t>(count));
    offset += count;
  }
  EXPECT_EQ(read, "123456789");

  std::vector<uint8_t> empty = Record(2);
  ASSERT_EQ(FCursor->OpenBlob(kMemoField, empty.data(), 1, TDataCursor::kBlobRead), 0);
  EXPECT_TRUE(FCursor->GetField(kMemoField, empty.data(), nullptr));
  EXPECT_FALSE(FCursor->GetField(kMemoField, record.data(), nullptr));
  int32_t length = -1;
  EXPECT_EQ(FCursor->GetBlobSize(kMemoField, empty.data(), length), 0);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(FCursor->ReadBlob(kMemoField, empty.data(), count, 10, piece, 0), err::EndOfBlob);
  EXPECT_EQ(count, 0);

  std::vector<uint8_t> longer = Record(3);
  EXPECT_EQ(ReadWhole(longer.data()), std::string(1500, 'x') + "konec");
}

TEST_F(CursorBlobTest, OffsetsAndCountsAtTheEdges) {
  std::vector<uint8_t> record = Record(1);
  ASSERT_EQ(FCursor->OpenBlob(kMemoField, record.data(), 1, TDataCursor::kBlobWrite), 0);
  uint8_t bytes[16] = {};
  struct Case {
    const char* Name;
    std::function<int()> Call;
    int Code;
  };
  int32_t count = 0;
  const Case cases[] = {
      {"read at a negative offset", [&] { return FCursor->ReadBlob(kMemoField, record.data(), count, 4, bytes, -1); }, 9998},
      {"read a negative count", [&] { return FCursor->ReadBlob(kMemoField, record.data(), count, -4, bytes, 0); }, 9998},
      {"read beyond 2^31", [&] { return FCursor->ReadBlob(kMemoField, record.data(), count, INT_MAX, bytes, INT_MAX); }, 8711},
      {"write at a negative offset", [&] { return FCursor->WriteBlob(kMemoField, record.data(), 4, bytes, -8); }, 9998},
      {"write a negative count", [&] { return FCursor->WriteBlob(kMemoField, record.data(), -1, bytes, 0); }, 9998},
      {"write past 2^31", [&] { return FCursor->WriteBlob(kMemoField, record.data(), 16, bytes, INT_MAX - 8); }, 9998},
      {"truncate to a negative length", [&] { return FCursor->TruncateBlob(kMemoField, record.data(), -1); }, 9998},
      {"read a field that is no BLOB", [&] { return FCursor->ReadBlob(2, record.data(), count, 4, bytes, 0); }, 10753},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(c.Call(), c.Code);
  }
  // None of them changed the value.
  int32_t length = 0;
  EXPECT_EQ(FCursor->GetBlobSize(kMemoField, record.data(), length), 0);
  EXPECT_EQ(length, 9);
  // A closed value has no handle.
  EXPECT_EQ(FCursor->CloseBlob(kMemoField, record.data(), 1), 0);
  EXPECT_EQ(FCursor->ReadBlob(kMemoField, record.data(), count, 4, bytes, 0), err::InvalidBlobHandle);
}

TEST_F(CursorBlobTest, OpenLimitAndCloseTags) {
  const std::vector<uint8_t> empty = Record(2);
  std::vector<std::vector<uint8_t>> copies(TDataCursor::kMaxOpenBlobs + 1, empty);
  for (int i = 0; i < TDataCursor::kMaxOpenBlobs; ++i) {
    ASSERT_EQ(FCursor->OpenBlob(kMemoField, copies[static_cast<size_t>(i)].data(), 1, TDataCursor::kBlobRead), 0);
  }
  EXPECT_EQ(FCursor->OpenBlob(kMemoField, copies.back().data(), 1, TDataCursor::kBlobRead), err::TooManyBlobs);
  FCursor->FreeBlobBuffers(false);
  EXPECT_EQ(FCursor->OpenBlobCount(), 0);

  // A stream's value that the engine opens too outlives the stream's close.
  std::vector<uint8_t> record = Record(1);
  ASSERT_EQ(FCursor->OpenBlob(kMemoField, record.data(), 0, TDataCursor::kBlobRead), 0);
  ASSERT_EQ(FCursor->OpenBlob(kMemoField, record.data(), 1, TDataCursor::kBlobRead), 0);
  EXPECT_EQ(FCursor->CloseBlob(kMemoField, record.data(), 0), 0);
  EXPECT_EQ(FCursor->OpenBlobCount(), 1);
  EXPECT_EQ(FCursor->CloseBlob(kMemoField, record.data(), 1), 0);
  EXPECT_EQ(FCursor->OpenBlobCount(), 0);
  EXPECT_EQ(FCursor->CloseBlob(kMemoField, record.data(), 1), err::InvalidBlobHandle);
  // A negative reference that is none of the cursor's handles.
  StoreLE<int32_t>(record.data() + FCursor->GetFieldDefinition(kMemoField).Offset() + 1, -12345);
  EXPECT_EQ(FCursor->OpenBlob(kMemoField, record.data(), 1, TDataCursor::kBlobRead), err::InvalidBlobOffset);
}

TEST_F(CursorBlobTest, ValueRewrittenByAnotherUserIsReported) {
  std::vector<uint8_t> stale = Record(3);
  testing::CatalogueWriter(*FDatabase).RewriteMemoElsewhere(3, "nový text");
  try {
    FCursor->OpenBlob(kMemoField, stale.data(), 1, TDataCursor::kBlobRead);
    ADD_FAILURE() << "no error";
  } catch (const ESkladEngineError& error) {
    EXPECT_EQ(error.Code(), err::RecordChanged);
  }
  EXPECT_EQ(FCursor->OpenBlobCount(), 0);
  // The record as it stands now carries the new identifier.
  std::vector<uint8_t> fresh = Record(3);
  EXPECT_EQ(ReadWhole(fresh.data()), "nový text");
}

TEST_F(CursorBlobTest, PostingWritesChangedValuesAndFreesEmptiedOnes) {
  std::vector<uint8_t> record = Record(1);
  ASSERT_EQ(FCursor->OpenBlob(kMemoField, record.data(), 1, TDataCursor::kBlobWrite), 0);
  const std::string text = "přepsáno " + std::string(700, 'y');
  ASSERT_EQ(FCursor->WriteBlob(kMemoField, record.data(), static_cast<int32_t>(text.size()),
                               reinterpret_cast<const uint8_t*>(text.data()), 0),
            0);
  FTable->BeginWrite();
  EXPECT_TRUE(FCursor->PostBlobs(record.data()));
  FTable->EndWrite();
  EXPECT_EQ(FCursor->OpenBlobCount(), 0);
  EXPECT_FALSE(FCursor->GetField(kMemoField, record.data(), nullptr));
  EXPECT_EQ(ReadWhole(record.data()), text);

  FCursor->EmptyAllBlobs(record.data());
  FTable->BeginWrite();
  EXPECT_TRUE(FCursor->PostBlobs(record.data()));
  FTable->EndWrite();
  EXPECT_TRUE(FCursor->GetField(kMemoField, record.data(), nullptr));
}

TEST_F(CursorBlobTest, RecordsWrittenThroughTheCursorCarryTheirValues) {
  std::vector<uint8_t> record(static_cast<size_t>(FCursor->RecordSize()));
  FCursor->InitRecord(record.data());
  uint8_t id[4];
  StoreLE<int32_t>(id, 4);
  FCursor->PutField(testing::kIdField, record.data(), id);
  ASSERT_EQ(FCursor->OpenBlob(kMemoField, record.data(), 1, TDataCursor::kBlobWrite), 0);
  const std::string text = "vložený popis " + std::string(900, 'z');
  ASSERT_EQ(FCursor->WriteBlob(kMemoField, record.data(), static_cast<int32_t>(text.size()),
                               reinterpret_cast<const uint8_t*>(text.data()), 0),
            0);
  FCursor->InsertRecord(record.data(), true);
  EXPECT_EQ(FCursor->OpenBlobCount(), 0);
  std::vector<uint8_t> stored = Record(4);
  EXPECT_EQ(ReadWhole(stored.data()), text);

  // Deleting the record frees its blocks.
  const uint32_t freeBefore = FTable->Blob().Header().FirstFreeBlock();
  FCursor->DeleteRecord(stored.data(), true);
  EXPECT_NE(FTable->Blob().Header().FirstFreeBlock(), freeBefore);

  // A value a stream keeps open (close tag 0) after its record was posted stays out of the
  // records posted after it.
  const auto newRecord = [&](int32_t number) {
    std::vector<uint8_t> fresh(static_cast<size_t>(FCursor->RecordSize()));
    FCursor->InitRecord(fresh.data());
    StoreLE<int32_t>(id, number);
    FCursor->PutField(testing::kIdField, fresh.data(), id);
    return fresh;
  };
  std::vector<uint8_t> streamed = newRecord(5);
  ASSERT_EQ(FCursor->OpenBlob(kMemoField, streamed.data(), 0, TDataCursor::kBlobWrite), 0);
  ASSERT_EQ(FCursor->WriteBlob(kMemoField, streamed.data(), 5, reinterpret_cast<const uint8_t*>("proud"), 0), 0);
  FCursor->InsertRecord(streamed.data(), true);
  const int32_t streamedNumber = LoadLE<int32_t>(FCursor->CurrentRecord().data() + 1);
  EXPECT_EQ(FCursor->OpenBlobCount(), 1);
  std::vector<uint8_t> plain = newRecord(6);
  FCursor->InsertRecord(plain.data(), true);
  EXPECT_TRUE(FCursor->GetField(kMemoField, Record(LoadLE<int32_t>(FCursor->CurrentRecord().data() + 1)).data(), nullptr));
  std::vector<uint8_t> streamedStored = Record(streamedNumber);
  EXPECT_EQ(ReadWhole(streamedStored.data()), "proud");
}

}  // namespace
}  // namespace sklad
