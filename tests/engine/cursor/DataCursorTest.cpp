// The cursor over a table of books: opening, statuses on an empty table, navigation, record
// numbers, counts and bookmarks in natural and index order against a model of the live records,
// index switches, clones, and following the changes of another table user and another process.
#include "engine/cursor/DataCursor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "CursorTestSupport.h"
#include "engine/storage/core/EngineError.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/Iterations.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

using testing::BookWriter;

struct TBook {
  int32_t RecordNumber;
  int32_t Id;
  std::string Name;
  int Sequence;  // order of insertion: ties of the non-unique name index follow it
};

int ErrorCode(const std::function<void()>& action) {
  try {
    action();
  } catch (const ESkladEngineError& error) {
    return error.Code();
  }
  return 0;
}

std::string NameOf(int32_t id) { return std::string("Kniha ") + static_cast<char>('A' + id % 5); }

class DataCursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::CreateBooks(FTemp.Path().string());
    FDatabase = FSession.OpenDirectory("", FTemp.Path().string());
  }

  std::unique_ptr<TDataCursor> OpenCursor(int index) {
    auto cursor = std::make_unique<TDataCursor>(*FDatabase);
    cursor->SetTableName(testing::kBooks);
    cursor->Open();
    cursor->SelectIndex(index);
    return cursor;
  }

  // Appends books with scattered ids and removes every fourth, keeping the model.
  void Fill(TDataTable& table, int count) {
    BookWriter writer(table);
    std::vector<TBook> appended;
    for (int i = 0; i < count; ++i) {
      const int32_t id = (i * 37) % 101;
      appended.push_back({writer.Append(id, NameOf(id)), id, NameOf(id), FSequence++});
    }
    for (int i = 0; i < count; ++i) {
      if (i % 4 == 1) {
        writer.Remove(appended[i].RecordNumber);
      } else {
        FBooks.push_back(appended[i]);
      }
    }
  }

  // The ids in the order of the index.
  std::vector<int32_t> Expected(int index) const {
    std::vector<TBook> books = FBooks;
    std::ranges::sort(books, [index](const TBook& a, const TBook& b) {
      if (index == 0) return a.Id < b.Id;
      if (index == testing::kByName) return std::tie(a.Name, a.Sequence) < std::tie(b.Name, b.Sequence);
      return a.RecordNumber < b.RecordNumber;
    });
    std::vector<int32_t> ids;
    for (const TBook& book : books) ids.push_back(book.Id);
    return ids;
  }

  static int32_t CurrentId(TDataCursor& cursor) {
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    EXPECT_EQ(cursor.ReadCurrent(record.data()), cursor_status::Ok);
    return IdOf(cursor, record.data());
  }

  static int32_t IdOf(TDataCursor& cursor, const uint8_t* record) {
    uint8_t value[4] = {};
    EXPECT_FALSE(cursor.GetField(1, record, value));
    return LoadLE<int32_t>(value);
  }

  ::sklad::testing::TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDatabase = nullptr;
  std::vector<TBook> FBooks;
  int FSequence = 0;
};

class DataCursorOrderTest : public DataCursorTest, public ::testing::WithParamInterface<int> {};

INSTANTIATE_TEST_SUITE_P(Orders, DataCursorOrderTest,
                         ::testing::Values(TDataCursor::kNaturalOrder, 0, testing::kByName));

TEST_P(DataCursorOrderTest, EmptyTableHasNoRecord) {
  auto cursor = OpenCursor(GetParam());
  std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()), 0xAB);
  cursor->First();
  EXPECT_EQ(cursor->ReadCurrent(record.data()), cursor_status::NoCurrentRecord);
  EXPECT_EQ(std::ranges::count(record, 0), cursor->RecordSize()) << "the buffer is zero-filled";
  EXPECT_EQ(cursor->ReadNext(record.data()), cursor_status::EndOfFile);
  EXPECT_EQ(cursor->ReadPrior(record.data()), cursor_status::BeginningOfFile);
  cursor->Last();
  EXPECT_EQ(cursor->ReadPrior(nullptr), cursor_status::BeginningOfFile);
  EXPECT_EQ(cursor->ReadNext(nullptr), cursor_status::EndOfFile);
  EXPECT_EQ(cursor->GetRecordCount(), 0);
  EXPECT_EQ(cursor->GetRecordNumber(), 0);
}

TEST_P(DataCursorOrderTest, NavigationFollowsTheModel) {
  auto cursor = OpenCursor(GetParam());
  Fill(*cursor->Table(), 60);
  const std::vector<int32_t> expected = Expected(GetParam());
  const int32_t count = static_cast<int32_t>(expected.size());
  ASSERT_EQ(cursor->GetRecordCount(), count) << "the cursor sees the writer's change";

  std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
  cursor->First();
  EXPECT_EQ(cursor->ReadCurrent(nullptr), cursor_status::BeginningOfFile);
  for (int32_t k = 1; k <= count; ++k) {
    ASSERT_EQ(cursor->ReadNext(record.data()), cursor_status::Ok) << k;
    ASSERT_EQ(IdOf(*cursor, record.data()), expected[k - 1]) << k;
    ASSERT_EQ(cursor->GetRecordNumber(), k);
  }
  EXPECT_EQ(cursor->ReadNext(nullptr), cursor_status::EndOfFile);
  EXPECT_EQ(cursor->ReadNext(nullptr), cursor_status::EndOfFile);
  for (int32_t k = count; k >= 1; --k) {
    ASSERT_EQ(cursor->ReadPrior(record.data()), cursor_status::Ok) << k;
    ASSERT_EQ(IdOf(*cursor, record.data()), expected[k - 1]) << k;
    ASSERT_EQ(cursor->GetRecordNumber(), k);
  }
  EXPECT_EQ(cursor->ReadPrior(nullptr), cursor_status::BeginningOfFile);

  cursor->Last();
  ASSERT_EQ(cursor->ReadPrior(record.data()), cursor_status::Ok);
  EXPECT_EQ(IdOf(*cursor, record.data()), expected.back());
  EXPECT_EQ(cursor->GetRecordNumber(), count);

  for (int32_t k : {1, 2, count / 2, count}) {
    cursor->GotoRecordNumber(k);
    EXPECT_EQ(CurrentId(*cursor), expected[k - 1]) << k;
    EXPECT_EQ(cursor->GetRecordNumber(), k);
  }
  cursor->GotoRecordNumber(count + 1);
  EXPECT_TRUE(cursor->AtEnd());

  struct TMove {
    int32_t From, By, To;
    bool AtEnd, AtBeginning;
  };
  for (const TMove& move : {TMove{1, 5, 6, false, false}, TMove{count - 3, 5, count, true, false},
                            TMove{10, -4, 6, false, false}, TMove{3, -7, 1, false, true}}) {
    cursor->GotoRecordNumber(move.From);
    cursor->MoveBy(move.By);
    EXPECT_EQ(cursor->GetRecordNumber(), move.To) << move.From << " by " << move.By;
    EXPECT_EQ(cursor->AtEnd(), move.AtEnd) << move.From << " by " << move.By;
    EXPECT_EQ(cursor->AtBeginning(), move.AtBeginning) << move.From << " by " << move.By;
  }
  cursor->GotoRecordNumber(count - 3);
  cursor->MoveBy(5);
  ASSERT_EQ(cursor->ReadPrior(record.data()), cursor_status::Ok);
  EXPECT_EQ(IdOf(*cursor, record.data()), expected.back()) << "the end crack is behind the last record";
}

TEST_P(DataCursorOrderTest, BookmarksAndClonesFindTheirRecord) {
  auto cursor = OpenCursor(GetParam());
  Fill(*cursor->Table(), 40);
  const std::vector<int32_t> expected = Expected(GetParam());
  const int size = cursor->BookmarkSize();
  EXPECT_EQ(size == 4, GetParam() == TDataCursor::kNaturalOrder);
  std::vector<uint8_t> seventh(size), eighth(size);
  cursor->GotoRecordNumber(7);
  cursor->GetBookmark(seventh.data());
  cursor->GotoRecordNumber(8);
  cursor->GetBookmark(eighth.data());
  EXPECT_EQ(cursor->CompareBookmarks(seventh.data(), eighth.data()), -1);
  EXPECT_EQ(cursor->CompareBookmarks(eighth.data(), seventh.data()), 1);
  EXPECT_EQ(cursor->CompareBookmarks(seventh.data(), seventh.data()), 0);

  cursor->First();
  EXPECT_TRUE(cursor->GotoBookmark(seventh.data(), false));
  EXPECT_EQ(CurrentId(*cursor), expected[6]);
  EXPECT_EQ(cursor->GetRecordNumber(), 7);

  auto clone = cursor->Clone();
  EXPECT_EQ(clone->IndexNumber(), cursor->IndexNumber());
  EXPECT_EQ(CurrentId(*clone), expected[6]);
  EXPECT_EQ(clone->GetRecordNumber(), 7);
  ASSERT_EQ(clone->ReadNext(nullptr), cursor_status::Ok);
  EXPECT_EQ(CurrentId(*clone), expected[7]);
  EXPECT_EQ(CurrentId(*cursor), expected[6]) << "the clone moves on its own";
}

TEST_F(DataCursorTest, SelectingAnIndexKeepsTheCurrentRecord) {
  auto cursor = OpenCursor(TDataCursor::kNaturalOrder);
  Fill(*cursor->Table(), 30);
  cursor->GotoRecordNumber(9);
  const int32_t id = CurrentId(*cursor);
  for (int index : {0, testing::kByName, TDataCursor::kNaturalOrder}) {
    cursor->SelectIndex(index);
    const std::vector<int32_t> expected = Expected(index);
    EXPECT_EQ(CurrentId(*cursor), id) << index;
    EXPECT_EQ(cursor->GetRecordNumber(), std::ranges::find(expected, id) - expected.begin() + 1) << index;
  }
  cursor->SelectIndexByName("byname");
  EXPECT_EQ(cursor->IndexNumber(), testing::kByName);
  EXPECT_EQ(CurrentId(*cursor), id);
  EXPECT_EQ(ErrorCode([&] { cursor->SelectIndexByName("Nic"); }), err::InvalidIndexName);
  EXPECT_EQ(ErrorCode([&] { cursor->GetField(3, cursor->CurrentRecord().data(), nullptr); }), err::InvalidField);
  EXPECT_EQ(ErrorCode([&] { cursor->SetExclusive(true); }), err::TableInUse);
  cursor->Close();
  EXPECT_NO_THROW(cursor->SetExclusive(true)) << "options are set while closed";
}

TEST(DataCursorNameTest, TableNamesCarryTheDataFileExtension) {
  TDataSession session;
  TDataDirectory* database = session.OpenDirectory("Memory", "");
  TDataCursor cursor(*database);
  const struct {
    const char* Given;
    const char* Stored;
  } cases[] = {{"knihy", "knihy.DAT"}, {" knihy.dat ", "knihy.dat"}, {"knihy.txt", "knihy.DAT"},
               {"archiv.2024/knihy", "archiv.2024/knihy.DAT"}};
  for (const auto& name : cases) {
    cursor.SetTableName(name.Given);
    EXPECT_EQ(cursor.TableName(), name.Stored) << name.Given;
  }
}

TEST_F(DataCursorTest, FailedOpenLeavesTheCursorClosed) {
  auto owner = std::make_unique<TDataCursor>(*FDatabase);
  owner->SetTableName(testing::kBooks);
  owner->SetExclusive(true);
  owner->Open();
  Fill(*owner->Table(), 8);
  owner->Refresh();  // an exclusive cursor only looks for changes when asked to
  owner->GotoRecordNumber(3);

  TDataCursor refused(*FDatabase);
  refused.SetTableName(testing::kBooks);
  refused.SetExclusive(true);
  EXPECT_EQ(ErrorCode([&] { refused.Open(); }), err::AccessDenied);
  EXPECT_FALSE(refused.Active());

  auto clone = owner->Clone();
  EXPECT_EQ(clone->Table(), owner->Table()) << "a clone shares the exclusive table object";
  EXPECT_EQ(CurrentId(*clone), CurrentId(*owner));

  TDataCursor missing(*FDatabase);
  missing.SetTableName("NIC");
  EXPECT_NE(ErrorCode([&] { missing.Open(); }), 0);
  EXPECT_FALSE(missing.Active());
  EXPECT_NO_THROW(missing.SetTableName("JINE")) << "options stay settable";
}

TEST_F(DataCursorTest, SyncToCursorFindsTheOthersRecordInAnyOrder) {
  auto byId = OpenCursor(0);
  Fill(*byId->Table(), 12);
  byId->GotoRecordNumber(4);
  const int32_t id = CurrentId(*byId);
  auto byName = OpenCursor(testing::kByName);
  auto natural = OpenCursor(TDataCursor::kNaturalOrder);
  for (TDataCursor* follower : {byName.get(), natural.get()}) {
    EXPECT_EQ(follower->SyncToCursor(*byId), cursor_status::Ok);
    EXPECT_EQ(CurrentId(*follower), id);
  }
  // The leader has not looked since its record went: the others cannot find it.
  std::vector<uint8_t> bookmark(4);
  natural->GetBookmark(bookmark.data());
  BookWriter(*byId->Table()).Remove(LoadLE<int32_t>(bookmark.data()));
  for (TDataCursor* follower : {byName.get(), natural.get()}) {
    EXPECT_EQ(follower->SyncToCursor(*byId), cursor_status::RecordNotFound);
  }
}

TEST_F(DataCursorTest, DeletedRecordIsLeftForItsSuccessor) {
  auto cursor = OpenCursor(TDataCursor::kNaturalOrder);
  Fill(*cursor->Table(), 20);
  const std::vector<int32_t> expected = Expected(TDataCursor::kNaturalOrder);
  cursor->GotoRecordNumber(5);
  std::vector<uint8_t> bookmark(4);
  cursor->GetBookmark(bookmark.data());
  BookWriter(*cursor->Table()).Remove(LoadLE<int32_t>(bookmark.data()));
  EXPECT_EQ(CurrentId(*cursor), expected[5]) << "the cursor moved to the next record";
  EXPECT_EQ(cursor->GetRecordCount(), static_cast<int32_t>(expected.size()) - 1);
  EXPECT_FALSE(cursor->GotoBookmark(bookmark.data(), false));
  EXPECT_EQ(CurrentId(*cursor), expected[5]);
  EXPECT_EQ(cursor->GetRecordNumber(), 5);
}

TEST_F(DataCursorTest, RandomChangesKeepNavigationExact) {
  auto cursor = OpenCursor(TDataCursor::kNaturalOrder);
  BookWriter writer(*cursor->Table());
  std::mt19937 random(20261210);
  int32_t nextId = 1;
  const int batches = testing::Iterations(25, 600);
  for (int batch = 0; batch < batches; ++batch) {
    for (int change = 0; change < 10; ++change) {
      if (FBooks.empty() || random() % 10 < 7) {
        // Unique ids in a scattered order.
        const int32_t id = static_cast<int32_t>((int64_t{nextId++} * 7919) % 100003);
        FBooks.push_back({writer.Append(id, NameOf(id)), id, NameOf(id), FSequence++});
      } else {
        const size_t victim = random() % FBooks.size();
        writer.Remove(FBooks[victim].RecordNumber);
        FBooks.erase(FBooks.begin() + static_cast<std::ptrdiff_t>(victim));
      }
    }
    for (int index : {TDataCursor::kNaturalOrder, 0, testing::kByName}) {
      cursor->SelectIndex(index);
      const std::vector<int32_t> expected = Expected(index);
      const int32_t count = static_cast<int32_t>(expected.size());
      ASSERT_EQ(cursor->GetRecordCount(), count) << "batch " << batch << " index " << index;
      std::vector<int32_t> walked;
      cursor->First();
      while (cursor->ReadNext(nullptr) == cursor_status::Ok) walked.push_back(CurrentId(*cursor));
      ASSERT_EQ(walked, expected) << "batch " << batch << " index " << index;
      if (count == 0) continue;
      const int32_t k = static_cast<int32_t>(random() % static_cast<uint32_t>(count)) + 1;
      cursor->GotoRecordNumber(k);
      ASSERT_EQ(CurrentId(*cursor), expected[k - 1]) << "batch " << batch << " index " << index;
      ASSERT_EQ(cursor->GetRecordNumber(), k);
    }
  }
}

// The other process appends books to the table the test's cursor has open.
void AppendInChild(const std::string& directory, int count, int32_t firstId) {
  testing::ChildProcess child([&](testing::ChildProcess&) {
    TDataSession session;
    TDataDirectory* database = session.OpenDirectory("", directory);
    TDataTable* table = database->OpenTable(testing::kBooks, false);
    BookWriter writer(*table);
    for (int i = 0; i < count; ++i) writer.Append(firstId + i, NameOf(firstId + i));
    database->CloseTable(table);
    return 0;
  });
  ASSERT_TRUE(child.Started());
  ASSERT_EQ(child.Wait(), 0);
}

TEST_F(DataCursorTest, CountFollowsAnotherProcessesAppends) {
  FSession.StrictChangeDetection = true;
  auto cursor = OpenCursor(TDataCursor::kNaturalOrder);
  {
    BookWriter writer(*cursor->Table());
    for (int32_t id = 1; id <= 10; ++id) writer.Append(id, NameOf(id));
  }
  cursor->First();
  AppendInChild(FTemp.Path().string(), 3, 101);
  EXPECT_EQ(cursor->GetRecordCount(), 13);
  ASSERT_EQ(cursor->ReadNext(nullptr), cursor_status::Ok);
  EXPECT_EQ(CurrentId(*cursor), 1) << "the cursor stays before the first record";

  cursor->GotoRecordNumber(2);
  AppendInChild(FTemp.Path().string(), 2, 201);
  EXPECT_EQ(cursor->GetRecordCount(), 15);
  EXPECT_EQ(CurrentId(*cursor), 2);
  EXPECT_EQ(cursor->GetRecordNumber(), 2);
  cursor->Last();
  ASSERT_EQ(cursor->ReadPrior(nullptr), cursor_status::Ok);
  EXPECT_EQ(CurrentId(*cursor), 202);

  FSession.StrictChangeDetection = false;
  cursor->SelectIndex(0);
  AppendInChild(FTemp.Path().string(), 1, 301);
  cursor->Refresh();
  EXPECT_EQ(cursor->GetRecordCount(), 16);
  EXPECT_EQ(CurrentId(*cursor), 202) << "the cursor stays on its record";
  cursor->Last();
  ASSERT_EQ(cursor->ReadPrior(nullptr), cursor_status::Ok);
  EXPECT_EQ(CurrentId(*cursor), 301);

  // Without strict detection the change shows when a read misses the caches: the walk starts
  // again from a resynchronised cursor.
  AppendInChild(FTemp.Path().string(), 1, 401);
  cursor->Table()->DiscardCaches(false, false);
  cursor->GotoRecordNumber(2);
  EXPECT_EQ(cursor->GetRecordCount(), 17);
  EXPECT_EQ(CurrentId(*cursor), 2);
  cursor->Last();
  ASSERT_EQ(cursor->ReadPrior(nullptr), cursor_status::Ok);
  EXPECT_EQ(CurrentId(*cursor), 401);
}

}  // namespace
}  // namespace sklad
