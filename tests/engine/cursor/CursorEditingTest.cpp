// Record editing through the cursor: inserts, modifications and deletes keep every index equal
// to the records in every order, refused changes leave the table files untouched, deleted slots
// are reused only with a primary key, auto-increment values wrap and may not repeat, and a record
// freed by another cursor is not brought back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>

#include "EditingTestSupport.h"
#include "engine/storage/data/RecordLayout.h"
#include "tests/support/Iterations.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

using namespace ::sklad::testing;

class CursorEditingTest : public ::testing::Test {
 protected:
  void SetUp() override { Create(true); }

  void Create(bool primaryKey) {
    std::filesystem::remove_all(FTemp.Path());
    std::filesystem::create_directories(FTemp.Path());
    CreateEditions(FTemp.Path().string(), primaryKey);
    FDatabase = FSession.OpenDirectory("", FTemp.Path().string());
  }

  std::unique_ptr<TDataCursor> OpenCursor(int index = 0) {
    auto cursor = std::make_unique<TDataCursor>(*FDatabase);
    cursor->SetTableName(kEditions);
    cursor->Open();
    cursor->SelectIndex(index);
    return cursor;
  }

  static void Insert(TDataCursor& cursor, const TEdition& edition) {
    std::vector<uint8_t> record = EditionRecord(cursor, edition);
    cursor.InsertRecord(record.data(), true);
  }

  // The reader reads the one record of the table; the writer then changes it behind its back.
  static void ChangeBehindReader(TDataCursor& reader, TDataCursor& writer, std::vector<uint8_t>& seen,
                                 int32_t count) {
    Insert(writer, {1, "K1", "Prvni"});
    seen.assign(static_cast<size_t>(reader.RecordSize()), 0);
    reader.First();
    ASSERT_EQ(reader.ReadNext(seen.data()), cursor_status::Ok);
    std::vector<uint8_t> record(static_cast<size_t>(writer.RecordSize()));
    ASSERT_EQ(writer.ReadCurrent(record.data()), cursor_status::Ok);
    ASSERT_EQ(writer.ReadCurrent(record.data(), true), cursor_status::Ok);
    PutInteger(writer, kCountField, record.data(), count);
    writer.ModifyRecord(record.data(), true, true);
  }

  static TEdition Current(TDataCursor& cursor) {
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    EXPECT_EQ(cursor.ReadCurrent(record.data()), cursor_status::Ok);
    return EditionOf(cursor, record.data());
  }

  // The three table files as they are on disk.
  std::string Files() const {
    std::string all;
    for (const char* extension : {".DAT", ".IDX", ".BLB"}) {
      std::ifstream file(FTemp / (std::string(kEditions) + extension), std::ios::binary);
      EXPECT_TRUE(file.good()) << extension;
      all += std::string(std::istreambuf_iterator<char>(file), {});
      all += '|';
    }
    return all;
  }

  TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDatabase = nullptr;
};

class CursorEditingOrderTest : public CursorEditingTest, public ::testing::WithParamInterface<int> {};

INSTANTIATE_TEST_SUITE_P(Orders, CursorEditingOrderTest,
                         ::testing::Values(TDataCursor::kNaturalOrder, 0, kByCode, kByEditionName));

// Random inserts, modifications and deletes against a model; duplicates in the primary or the
// unique code index are refused. After every step every index equals the records, the count is
// the model's and the cursor stands on the record it changed.
TEST_P(CursorEditingOrderTest, RandomEditsKeepEveryIndex) {
  auto cursor = OpenCursor(GetParam());
  std::mt19937 random(GetParam() + 7);
  std::map<int32_t, TEdition> model;
  auto codeTaken = [&](const std::string& code, int32_t exceptId) {
    return std::ranges::any_of(model, [&](const auto& row) { return row.second.Code == code && row.first != exceptId; });
  };
  auto randomEdition = [&] {
    const int32_t id = static_cast<int32_t>(random() % 60);
    return TEdition{id, "K" + std::to_string(random() % 45), "Vydani " + std::to_string(random() % 4), 0};
  };
  std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
  const int steps = Iterations(150, 3000);
  for (int step = 0; step < steps; ++step) {
    const unsigned action = model.empty() ? 0 : random() % 3;
    if (action == 0) {
      const TEdition edition = randomEdition();
      const bool refused = model.count(edition.Id) > 0 || codeTaken(edition.Code, -1);
      record = EditionRecord(*cursor, edition);
      ASSERT_EQ(ErrorCode([&] { cursor->InsertRecord(record.data(), true); }), refused ? err::DuplicateKey : 0);
      if (!refused) {
        model[edition.Id] = edition;
        EXPECT_EQ(Current(*cursor).Id, edition.Id) << "the cursor stands on the new record";
      }
    } else {
      cursor->GotoRecordNumber(static_cast<int32_t>(random() % model.size()) + 1);
      ASSERT_EQ(cursor->ReadCurrent(record.data()), cursor_status::Ok);
      // Editing locks the record read, after checking it is still as read.
      if (action == 1) {
        ASSERT_EQ(cursor->ReadCurrent(record.data(), true), cursor_status::Ok);
      }
      const TEdition before = EditionOf(*cursor, record.data());
      if (action == 1) {
        TEdition after = randomEdition();
        if (random() % 2 == 0) after.Id = before.Id;  // often only the secondary keys change
        after.Count = before.Count + 1;
        const bool refused = (after.Id != before.Id && model.count(after.Id) > 0) || codeTaken(after.Code, before.Id);
        PutInteger(*cursor, kIdField, record.data(), after.Id);
        PutText(*cursor, kCodeField, record.data(), after.Code);
        PutText(*cursor, kNameField, record.data(), after.Name);
        PutInteger(*cursor, kCountField, record.data(), after.Count);
        ASSERT_EQ(ErrorCode([&] { cursor->ModifyRecord(record.data(), true, true); }), refused ? err::DuplicateKey : 0);
        if (refused) {
          cursor->UnlockRecord(0);
        } else {
          model.erase(before.Id);
          model[after.Id] = after;
          EXPECT_EQ(Current(*cursor).Id, after.Id) << "the cursor stays on the modified record";
        }
      } else {
        cursor->DeleteRecord(record.data(), true);
        model.erase(before.Id);
      }
    }
    ASSERT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), static_cast<int32_t>(model.size())) << "step " << step;
    ASSERT_EQ(cursor->GetRecordCount(), static_cast<int32_t>(model.size())) << "step " << step;
  }
  // Every record reads back as the model has it.
  std::map<int32_t, TEdition> stored;
  cursor->First();
  while (cursor->ReadNext(record.data()) == cursor_status::Ok) {
    const TEdition edition = EditionOf(*cursor, record.data());
    stored[edition.Id] = edition;
  }
  ASSERT_EQ(stored.size(), model.size());
  for (const auto& [id, edition] : model) {
    EXPECT_EQ(stored[id].Code, edition.Code);
    EXPECT_EQ(stored[id].Name, edition.Name);
    EXPECT_EQ(stored[id].Count, edition.Count);
  }
}

// Deleting the current record leaves the cursor on its successor, or on the new last record.
TEST_P(CursorEditingOrderTest, DeleteMovesToTheNearestRecord) {
  auto cursor = OpenCursor(GetParam());
  for (int32_t id = 1; id <= 3; ++id) Insert(*cursor, {id, "K" + std::to_string(id), "Vydani " + std::to_string(id)});
  std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
  cursor->GotoRecordNumber(2);
  ASSERT_EQ(cursor->ReadCurrent(record.data()), cursor_status::Ok);
  cursor->DeleteRecord(record.data(), true);
  EXPECT_EQ(Current(*cursor).Id, 3);
  ASSERT_EQ(cursor->ReadCurrent(record.data()), cursor_status::Ok);
  cursor->DeleteRecord(record.data(), true);
  EXPECT_EQ(Current(*cursor).Id, 1);
  EXPECT_EQ(cursor->GetRecordCount(), 1);
}

// A table with a primary key reuses a deleted slot; one without always appends. Either way the
// cursor ends on the new record.
TEST_F(CursorEditingTest, DeletedSlotsAreReusedOnlyWithAPrimaryKey) {
  for (const bool primaryKey : {true, false}) {
    SCOPED_TRACE(primaryKey ? "primary key" : "no primary key");
    Create(primaryKey);
    auto cursor = OpenCursor(primaryKey ? kByCode : 0);
    for (int32_t id = 1; id <= 3; ++id) Insert(*cursor, {id, "K" + std::to_string(id), "Vydani"});
    std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
    cursor->GotoRecordNumber(2);
    ASSERT_EQ(cursor->ReadCurrent(record.data()), cursor_status::Ok);
    cursor->DeleteRecord(record.data(), true);
    Insert(*cursor, {7, "K7", "Vydani"});
    EXPECT_EQ(cursor->Table()->Data().RecordCount(), primaryKey ? 3 : 4);
    EXPECT_EQ(Current(*cursor).Id, 7);
    ExpectIndexesMatchRecords(*cursor->Table());
    cursor.reset();
  }
}

// A refused insert or modification changes nothing in the data, index or BLOB file.
TEST_F(CursorEditingTest, KeyViolationsLeaveTheFilesUntouched) {
  auto cursor = OpenCursor();
  Insert(*cursor, {1, "K1", "Prvni"});
  Insert(*cursor, {2, "K2", "Druhe"});
  struct TCase {
    const char* Name;
    TEdition Edition;
    bool Modify;
    const char* Message;
  };
  const TCase cases[] = {
      {"insert, same id", {1, "K9", "Jine"}, false, "Duplicate key found in index '' of table 'VYDANI.DAT'"},
      {"insert, same code", {9, "K2", "Jine"}, false, "Duplicate key found in index 'ByCode' of table 'VYDANI.DAT'"},
      {"modify, id of another", {2, "K1", "Prvni"}, true, "Duplicate key found in index '' of table 'VYDANI.DAT'"},
      {"modify, code of another", {1, "K2", "Prvni"}, true, "Duplicate key found in index 'ByCode' of table 'VYDANI.DAT'"},
  };
  std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.Name);
    const std::string before = Files();
    std::string message;
    if (test.Modify) {
      cursor->First();
      ASSERT_EQ(cursor->ReadNext(record.data()), cursor_status::Ok);
      ASSERT_EQ(cursor->ReadCurrent(record.data(), true), cursor_status::Ok);
      std::vector<uint8_t> changed = EditionRecord(*cursor, test.Edition);
      message = ErrorMessage([&] { cursor->ModifyRecord(changed.data(), true, true); });
      cursor->UnlockRecord(0);
    } else {
      record = EditionRecord(*cursor, test.Edition);
      message = ErrorMessage([&] { cursor->InsertRecord(record.data(), true); });
    }
    EXPECT_NE(message.find(test.Message), std::string::npos) << message;
    EXPECT_EQ(Files(), before);
  }
}

// Changing only fields outside every key leaves the index file alone.
TEST_F(CursorEditingTest, ModifyingNonKeyFieldsRewritesNoIndex) {
  auto cursor = OpenCursor();
  Insert(*cursor, {1, "K1", "Prvni"});
  const int32_t indexCounter = cursor->Table()->Index().Header().ChangeCounter();
  const int32_t dataCounter = cursor->Table()->Data().Header().ChangeCounter();
  std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
  ASSERT_EQ(cursor->ReadCurrent(record.data()), cursor_status::Ok);
  ASSERT_EQ(cursor->ReadCurrent(record.data(), true), cursor_status::Ok);
  PutInteger(*cursor, kCountField, record.data(), 42);
  cursor->ModifyRecord(record.data(), true, true);
  EXPECT_EQ(cursor->Table()->Index().Header().ChangeCounter(), indexCounter);
  EXPECT_NE(cursor->Table()->Data().Header().ChangeCounter(), dataCounter);
  EXPECT_EQ(Current(*cursor).Count, 42);
}

// The value after 2,147,483,647 is 1, in the record and in the header alike.
TEST_F(CursorEditingTest, AutoIncrementWrapsOnce) {
  auto cursor = OpenCursor();
  TDataTable& table = *cursor->Table();
  table.BeginWrite();
  table.Data().SetLastAutoIncrement(2147483646);
  table.ChangesMade(true, false, false);
  table.EndWrite();
  std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
  for (const auto& [id, serial] : {std::pair{1, 2147483647}, {2, 1}, {3, 2}}) {
    Insert(*cursor, {id, "K" + std::to_string(id), "Vydani"});
    ASSERT_EQ(cursor->ReadCurrent(record.data()), cursor_status::Ok);
    EXPECT_EQ(IntegerOf(*cursor, kSerialField, record.data()), serial);
    EXPECT_EQ(LoadLE<int32_t>(record.data() + kAutoIncrementAt), serial);
    EXPECT_EQ(table.Data().LastAutoIncrement(), serial);
  }
  ExpectIndexesMatchRecords(table);
}

// A caller-supplied auto-increment value that an active record has already is refused, on
// insert as on modify; a free value is taken and raises the header's last value.
TEST_F(CursorEditingTest, SuppliedAutoIncrementValuesMayNotRepeat) {
  auto cursor = OpenCursor();
  Insert(*cursor, {1, "K1", "Prvni"});  // serial 1
  Insert(*cursor, {2, "K2", "Druhe"});  // serial 2
  cursor->SetUserRecordIds(true);
  ASSERT_TRUE(cursor->UserRecordIds());
  std::vector<uint8_t> record = EditionRecord(*cursor, {3, "K3", "Treti"});
  PutInteger(*cursor, kSerialField, record.data(), 2);
  EXPECT_EQ(ErrorCode([&] { cursor->InsertRecord(record.data(), true); }), err::DuplicateKey);
  PutInteger(*cursor, kSerialField, record.data(), 50);
  cursor->InsertRecord(record.data(), true);
  EXPECT_EQ(cursor->Table()->Data().LastAutoIncrement(), 50);

  cursor->First();
  ASSERT_EQ(cursor->ReadNext(record.data()), cursor_status::Ok);
  ASSERT_EQ(cursor->ReadCurrent(record.data(), true), cursor_status::Ok);
  PutInteger(*cursor, kSerialField, record.data(), 50);
  EXPECT_EQ(ErrorCode([&] { cursor->ModifyRecord(record.data(), true, true); }), err::DuplicateKey);
  PutInteger(*cursor, kSerialField, record.data(), 60);
  cursor->ModifyRecord(record.data(), true, true);
  EXPECT_EQ(IntegerOf(*cursor, kSerialField, cursor->CurrentRecord().data()), 60);
  EXPECT_EQ(cursor->Table()->Data().LastAutoIncrement(), 60);
  ExpectIndexesMatchRecords(*cursor->Table());
}

// A cursor writing back a record that another cursor has deleted meanwhile is refused; the slot
// stays deleted and on the free list.
TEST_F(CursorEditingTest, ModifyDoesNotResurrectAFreedRecord) {
  auto editor = OpenCursor();
  auto deleter = OpenCursor();
  Insert(*editor, {1, "K1", "Prvni"});
  Insert(*editor, {2, "K2", "Druhe"});
  std::vector<uint8_t> edited(static_cast<size_t>(editor->RecordSize()));
  editor->First();
  ASSERT_EQ(editor->ReadNext(edited.data()), cursor_status::Ok);
  const int32_t number = LoadLE<int32_t>(edited.data() + kRecordNumberAt);

  std::vector<uint8_t> record(static_cast<size_t>(deleter->RecordSize()));
  deleter->First();
  ASSERT_EQ(deleter->ReadNext(record.data()), cursor_status::Ok);
  deleter->DeleteRecord(record.data(), true);

  PutInteger(*editor, kCountField, edited.data(), 5);
  EXPECT_EQ(ErrorCode([&] { editor->ModifyRecord(edited.data(), true, false); }), err::RecordChanged);
  TDataTable& table = *editor->Table();
  EXPECT_EQ(table.Data().FirstFreeRecord(), number);
  TRecord* slot = table.Data().Records().GetRecord(number);
  ASSERT_NE(slot, nullptr);
  EXPECT_EQ(slot->State(), kRecordDeleted);
  table.Data().Records().ReleaseRecord(slot);
  EXPECT_EQ(ExpectIndexesMatchRecords(table), 1);
}

// A delete whose buffer no longer matches the stored record is refused.
TEST_F(CursorEditingTest, DeleteOfAChangedRecordIsRefused) {
  auto reader = OpenCursor();
  auto writer = OpenCursor();
  std::vector<uint8_t> seen;
  ASSERT_NO_FATAL_FAILURE(ChangeBehindReader(*reader, *writer, seen, 9));
  EXPECT_EQ(ErrorCode([&] { reader->DeleteRecord(seen.data(), true); }), err::RecordChanged);
  EXPECT_EQ(writer->GetRecordCount(), 1);
}

// Locking a record that changed since it was read is refused, and leaves it unlocked.
TEST_F(CursorEditingTest, LockedReadOfAChangedRecordIsRefused) {
  auto reader = OpenCursor();
  auto writer = OpenCursor();
  std::vector<uint8_t> seen;
  ASSERT_NO_FATAL_FAILURE(ChangeBehindReader(*reader, *writer, seen, 3));
  EXPECT_EQ(ErrorCode([&] { reader->ReadCurrent(seen.data(), true); }), err::RecordChanged);
  writer->LockRecord(0);
  writer->UnlockRecord(0);
  ASSERT_EQ(reader->ReadCurrent(seen.data()), cursor_status::Ok);
  ASSERT_EQ(reader->ReadCurrent(seen.data(), true), cursor_status::Ok) << "read again, the record can be edited";
  reader->UnlockRecord(0);
}

// Copying the current record makes a new record of its values, without its identity.
TEST_F(CursorEditingTest, CopyOfTheCurrentRecordIsANewRecord) {
  auto cursor = OpenCursor();
  std::vector<uint8_t> copy(static_cast<size_t>(cursor->RecordSize()), 0xAB);
  EXPECT_EQ(cursor->CopyCurrentRecord(copy.data()), cursor_status::NoCurrentRecord);
  Insert(*cursor, {1, "K1", "Prvni", 4});
  ASSERT_EQ(cursor->CopyCurrentRecord(copy.data()), cursor_status::Ok);
  const TEdition copied = EditionOf(*cursor, copy.data());
  EXPECT_EQ(copied.Id, 1);
  EXPECT_EQ(copied.Name, "Prvni");
  EXPECT_EQ(copied.Count, 4);
  EXPECT_EQ(LoadLE<int32_t>(copy.data() + kAutoIncrementAt), 0) << "the copy gets its own serial";
  EXPECT_EQ(LoadLE<int32_t>(copy.data() + kRecordNumberAt), 0);
  PutInteger(*cursor, kIdField, copy.data(), 2);
  PutText(*cursor, kCodeField, copy.data(), "K2");
  cursor->InsertRecord(copy.data(), true);
  EXPECT_EQ(IntegerOf(*cursor, kSerialField, cursor->CurrentRecord().data()), 2);
  cursor->SetUserRecordIds(true);
  ASSERT_EQ(cursor->CopyCurrentRecord(copy.data()), cursor_status::Ok);
  EXPECT_EQ(LoadLE<int32_t>(copy.data() + kAutoIncrementAt), 2) << "a caller supplying serials gets it too";
}

// A full table fails before any index is touched: no key of the record that could not be stored
// stays behind.
TEST_F(CursorEditingTest, FullTableLeavesNoKeysBehind) {
  auto cursor = OpenCursor(TDataCursor::kNaturalOrder);
  Insert(*cursor, {1, "K1", "Prvni"});
  TDataTable& table = *cursor->Table();
  const int32_t highest = static_cast<int32_t>(TRecordCache::kMaxRecordNumber) - 1;
  // The slots up to the limit exist (as a sparse file), record 1 among them.
  table.BeginWrite();
  table.Data().TakeRewrittenRecords(highest);
  table.ChangesMade(true, false, false);
  table.EndWrite();
  cursor->Refresh();
  std::vector<uint32_t> keyCounts;
  TSystemList<TFieldDefinition> fields;
  for (int i = 0; i < table.Data().FieldCount(); ++i) fields.Add(table.Data().Field(i));
  for (int slot : {0, kByCode, kByEditionName, kRecordStateSlot}) keyCounts.push_back(TCursorIndex(table, fields, slot).Tree().KeyCount());

  std::vector<uint8_t> record = EditionRecord(*cursor, {2, "K2", "Druhe"});
  EXPECT_EQ(ErrorCode([&] { cursor->InsertRecord(record.data(), true); }), err::TableFull);
  size_t at = 0;
  for (int slot : {0, kByCode, kByEditionName, kRecordStateSlot})
    EXPECT_EQ(TCursorIndex(table, fields, slot).Tree().KeyCount(), keyCounts[at++]) << "slot " << slot;
  EXPECT_EQ(table.Data().RecordCount(), highest);
  EXPECT_EQ(table.Index().RecordCount(), 1);
}

// A read-only cursor changes nothing.
TEST_F(CursorEditingTest, ReadOnlyCursorIsRefused) {
  auto writer = OpenCursor();
  Insert(*writer, {1, "K1", "Prvni"});
  TDataCursor reader(*FDatabase);
  reader.SetTableName(kEditions);
  reader.SetReadOnly(true);
  reader.Open();
  std::vector<uint8_t> record(static_cast<size_t>(reader.RecordSize()));
  reader.First();
  ASSERT_EQ(reader.ReadNext(record.data()), cursor_status::Ok);
  EXPECT_EQ(ErrorMessage([&] { reader.InsertRecord(record.data(), true); }),
            "Sklad Engine Error # 11013 Access denied to table 'VYDANI.DAT'");
  EXPECT_EQ(ErrorCode([&] { reader.ModifyRecord(record.data(), true, false); }), err::AccessDenied);
  EXPECT_EQ(ErrorCode([&] { reader.DeleteRecord(record.data(), true); }), err::AccessDenied);
}

}  // namespace
}  // namespace sklad
