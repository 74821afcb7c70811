// The BLOB stream: memos of one to several BLOB blocks read whole in chunks of any size, seeking,
// and values written while the record is edited, posted or cancelled.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "CatalogueDataSetSupport.h"
#include "DataSetTestSupport.h"
#include "dataset/SkladBlobStream.h"
#include "dataset/SkladTable.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

using testing::CatalogueRecord;

// A text of the length whose bytes tell their offset, so a piece read at the wrong place shows.
std::string Text(size_t length, char first = 'a') {
  std::string text;
  for (size_t i = 0; i < length; ++i) text += static_cast<char>(first + static_cast<char>(i % 23));
  return text;
}

const std::vector<size_t> kMemoLengths = {0, 1, 9, 495, 496, 497, 1500, 5000};

std::vector<CatalogueRecord> MemoRecords() {
  std::vector<CatalogueRecord> records;
  for (size_t i = 0; i < kMemoLengths.size(); ++i)
    records.push_back({static_cast<int32_t>(i + 1), "", "kniha", std::nullopt, Text(kMemoLengths[i]), 0});
  return records;
}

class SkladBlobStreamTest : public ::testing::Test {
 protected:
  SkladBlobStreamTest() : FDirectory(MemoRecords()) {
    testing::PointAtCatalogue(FTable, FDirectory);
    FTable.Open();
  }

  TField& Memo() { return FTable.FieldByName("popis"); }

  std::string ReadAll(TSkladTable& table, int32_t chunk) {
    TSkladBlobStream stream(table.FieldByName("popis"), TBlobStreamMode::Read);
    std::string text;
    std::vector<char> piece(static_cast<size_t>(chunk));
    while (const int32_t count = stream.Read(piece.data(), chunk))
      text.append(piece.data(), static_cast<size_t>(count));
    EXPECT_EQ(stream.Read(piece.data(), chunk), 0);
    return text;
  }

  // The memo of a record as a freshly opened dataset reads it.
  std::string StoredMemo(int32_t recNo) {
    TSkladTable table;
    testing::PointAtCatalogue(table, FDirectory);
    table.Open();
    table.SetRecNo(recNo);
    return ReadAll(table, 1000);
  }

  void Write(TBlobStreamMode mode, const std::string& text, int32_t seekFromEnd = 0) {
    TSkladBlobStream stream(Memo(), mode);
    if (seekFromEnd != 0) stream.Seek(seekFromEnd, TSeekOrigin::End);
    EXPECT_EQ(stream.Write(text.data(), static_cast<int32_t>(text.size())), static_cast<int32_t>(text.size()));
  }

  testing::CatalogueDirectory FDirectory;
  TSkladTable FTable;
};

TEST_F(SkladBlobStreamTest, ReadsEveryMemoWholeInChunksOfAnySize) {
  for (size_t i = 0; i < kMemoLengths.size(); ++i) {
    FTable.SetRecNo(static_cast<int32_t>(i + 1));
    for (const int32_t chunk : {1, 4, 496, 497, 4096, 10000}) {
      SCOPED_TRACE("memo of " + std::to_string(kMemoLengths[i]) + " bytes, chunks of " + std::to_string(chunk));
      EXPECT_EQ(ReadAll(FTable, chunk), Text(kMemoLengths[i]));
      EXPECT_EQ(FTable.Cursor()->OpenBlobCount(), 0);
    }
  }
}

TEST_F(SkladBlobStreamTest, SeeksFromEachOrigin) {
  FTable.SetRecNo(7);  // 1,500 bytes
  TSkladBlobStream stream(Memo(), TBlobStreamMode::Read);
  EXPECT_EQ(stream.Size(), 1500);
  char piece[10];
  struct Step {
    int32_t Offset;
    TSeekOrigin Origin;
    int32_t Position;
  };
  for (const Step& step : {Step{-10, TSeekOrigin::End, 1490}, Step{700, TSeekOrigin::Start, 700},
                           Step{-200, TSeekOrigin::Current, 510}, Step{5, TSeekOrigin::End, 1505}}) {
    SCOPED_TRACE(step.Position);
    EXPECT_EQ(stream.Seek(step.Offset, step.Origin), step.Position);
    const int32_t count = stream.Read(piece, 10);
    const std::string expected = step.Position < 1500 ? Text(1500).substr(static_cast<size_t>(step.Position), 10) : "";
    EXPECT_EQ(std::string(piece, static_cast<size_t>(count)), expected);
  }
  EXPECT_EQ(testing::EngineCode([&] { stream.Seek(-1, TSeekOrigin::Start); }), err::InvalidBlobOffset);
}

TEST_F(SkladBlobStreamTest, WritingNeedsTheEditStateAndAStreamForWriting) {
  EXPECT_EQ(testing::DatabaseErrorText([&] { TSkladBlobStream(Memo(), TBlobStreamMode::Write); }),
            "Dataset not in edit or insert mode");
  FTable.Edit();
  TSkladBlobStream reader(Memo(), TBlobStreamMode::Read);
  EXPECT_EQ(testing::DatabaseErrorText([&] { reader.Write("x", 1); }), "Field 'popis' cannot be modified");
}

TEST_F(SkladBlobStreamTest, AReadOnlyDataSetRefusesEditingAndWritingStreams) {
  FTable.Close();
  FTable.SetReadOnly(true);
  FTable.Open();
  EXPECT_EQ(testing::DatabaseErrorText([&] { FTable.Edit(); }), "Cannot modify a read-only dataset");
  EXPECT_EQ(testing::DatabaseErrorText([&] { TSkladBlobStream(Memo(), TBlobStreamMode::ReadWrite); }),
            "Field 'popis' cannot be modified");
}

TEST_F(SkladBlobStreamTest, WrittenValuesArePostedOrCancelled) {
  struct Case {
    const char* Name;
    int32_t RecNo;
    TBlobStreamMode Mode;
    std::string Text;
    int32_t SeekFromEnd;
    bool Post;
    std::string Stored;
  };
  const Case cases[] = {
      {"replace a short memo by several blocks", 2, TBlobStreamMode::Write, Text(3000, 'A'), 0, true, Text(3000, 'A')},
      {"replace several blocks by a short text", 8, TBlobStreamMode::Write, "kratky", 0, true, "kratky"},
      {"append to several blocks", 7, TBlobStreamMode::ReadWrite, Text(600, 'K'), 0, true, Text(1500) + Text(600, 'K')},
      {"overwrite the tail", 5, TBlobStreamMode::ReadWrite, "XYZ", -3, true, Text(496).substr(0, 493) + "XYZ"},
      {"empty a memo", 6, TBlobStreamMode::Write, "", 0, true, ""},
      {"a first memo", 1, TBlobStreamMode::Write, Text(497), 0, true, Text(497)},
      {"cancelled", 3, TBlobStreamMode::Write, Text(2000), 0, false, Text(9)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    FTable.SetRecNo(c.RecNo);
    FTable.Edit();
    {
      TSkladBlobStream stream(Memo(), c.Mode);
      if (c.Mode == TBlobStreamMode::ReadWrite) stream.Seek(c.SeekFromEnd, TSeekOrigin::End);
      stream.Write(c.Text.data(), static_cast<int32_t>(c.Text.size()));
    }
    // The edited record reads the new value before it is posted.
    EXPECT_EQ(ReadAll(FTable, 333), c.Mode == TBlobStreamMode::Write ? c.Text : c.Stored);
    if (c.Post)
      FTable.Post();
    else
      FTable.Cancel();
    EXPECT_EQ(FTable.State(), TDataSetState::Browse);
    EXPECT_EQ(FTable.RecNo(), c.RecNo);
    EXPECT_EQ(ReadAll(FTable, 333), c.Stored);
    EXPECT_EQ(Memo().IsNull(), c.Stored.empty());
    EXPECT_EQ(StoredMemo(c.RecNo), c.Stored);
    EXPECT_EQ(FTable.Cursor()->OpenBlobCount(), 0);
  }
  // The records no case touched keep their memos.
  EXPECT_EQ(StoredMemo(4), Text(495));
}

TEST_F(SkladBlobStreamTest, MovingAwayPostsAChangedValue) {
  FTable.SetRecNo(4);
  FTable.Edit();
  Write(TBlobStreamMode::Write, "novy popis");
  FTable.Next();
  EXPECT_EQ(FTable.State(), TDataSetState::Browse);
  EXPECT_EQ(StoredMemo(4), "novy popis");
  // An edit without changes is only cancelled: the lock goes and nothing is written.
  FTable.Edit();
  FTable.Prior();
  EXPECT_EQ(StoredMemo(5), Text(496));
}

}  // namespace
}  // namespace sklad
