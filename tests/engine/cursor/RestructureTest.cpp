// Restructuring through the cursor: values survive added, dropped and retyped fields as the
// conversions say, memos survive, records a new unique index refuses are left out, and the old
// table stays intact when any rename of the swap fails; the new table may be built on another
// file system than the table's.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <span>

#include "TableDefinitionTestSupport.h"
#include "engine/storage/data/ValueConversion.h"
#include "platform/FileSystem.h"

namespace sklad {
namespace {

using namespace ::sklad::testing;

// Passes every call to the operating system; renames fail as set.
class RenameFaults : public platform::FileSystem {
 public:
  int failRenameNumber = 0;    // the one rename (counted from 1) that fails with EIO
  bool crossDevice = false;    // every rename fails with EXDEV, as between file systems
  int renames = 0;

  int Rename(const std::string& from, const std::string& to) override {
    ++renames;
    if (renames == failRenameNumber) return EIO;
    if (crossDevice) return EXDEV;
    return FileSystem::Rename(from, to);
  }
};

class RestructureTest : public TableDefinitionFixture {
 protected:
  void TearDown() override { platform::SetFileSystem(nullptr); }

  // The editions table with three records, two of them with memos; opened exclusively.
  std::unique_ptr<TDataCursor> FilledEditions() {
    auto cursor = CreateEditions();
    Insert(*cursor, {1, "12", "Prvni", 5}, "a");
    Insert(*cursor, {2, "K2", "Druhe", 7});
    Insert(*cursor, {3, "30", "Treti", 5}, std::string(2000, 'c'));
    return cursor;
  }

  // The table's definition as a restructure starts from it: every field numbered.
  static TTableDefinition CurrentDefinition() {
    TTableDefinition definition = EditionsDefinition();
    for (int i = 0; i < definition.Fields.Count(); ++i) definition.Fields[i].SetNumber(static_cast<uint16_t>(i + 1));
    return definition;
  }

  // The values of the named field in natural order, as text ("null" for none).
  static std::vector<std::string> Column(TDataCursor& cursor, const std::string& name) {
    int field = 0;
    for (int i = 1; i <= cursor.FieldCount(); ++i)
      if (cursor.GetFieldDefinition(i).Name() == name) field = i;
    EXPECT_NE(field, 0) << name;
    const TFieldDefinition definition = cursor.GetFieldDefinition(field);
    std::vector<std::string> values;
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    cursor.SelectIndex(TDataCursor::kNaturalOrder);
    cursor.First();
    while (cursor.ReadNext(record.data()) == cursor_status::Ok) {
      std::array<uint8_t, 512> value{};
      if (cursor.GetField(field, record.data(), value.data())) {
        values.push_back("null");
      } else if (definition.Type() == TFieldType::Blob) {
        values.push_back(ReadMemo(cursor, field, record.data()).substr(0, 3));
      } else {
        Convert(definition.Type(), definition.StoredSize(), definition.Scale(), value, 256, 0, TFieldType::String);
        values.push_back(reinterpret_cast<const char*>(value.data()));
      }
    }
    return values;
  }

  // Only the table's own files are left: no backup, no temporary table (and no BLOB file when
  // the table has no BLOB field).
  void ExpectOnlyTheTableFiles(bool blobFile = true) {
    std::vector<std::string> expected{"VYDANI.DAT", "VYDANI.IDX"};
    if (blobFile) expected.insert(expected.begin(), "VYDANI.BLB");
    EXPECT_EQ(FilesIn(FData.Path()), expected);
    EXPECT_EQ(FilesIn(FPrivate.Path()), std::vector<std::string>{});
  }
};

TEST_F(RestructureTest, ValuesFollowTheirFieldsAsTheConversionsSay) {
  struct TCase {
    const char* What;
    std::function<void(TTableDefinition&)> Change;
    const char* Field;
    std::vector<std::string> Expected;
  };
  const TCase cases[] = {
      {"an integer retyped to a string", [](TTableDefinition& d) { d.Fields[0].SetType(TFieldType::String);
                                                                     d.Fields[0].SetDeclaredSize(4); },
       "Id", {"1", "2", "3"}},
      {"a string retyped to an integer; K2 is none", [](TTableDefinition& d) {
         d.Fields[1].SetType(TFieldType::Integer);
         d.Fields[1].SetDeclaredSize(0); },
       "Code", {"12", "null", "30"}},
      {"a string shortened", [](TTableDefinition& d) { d.Fields[2].SetDeclaredSize(3); }, "Name",
       {"Prv", "Dru", "Tre"}},
      {"an integer widened to a float", [](TTableDefinition& d) { d.Fields[4].SetType(TFieldType::Float); }, "Count",
       {"5", "7", "5"}},
      {"a field added with a default", [](TTableDefinition& d) {
         d.Fields.Add(TFieldDefinition::Make("Added", TFieldType::SmallInt));
         d.Fields.Last().SetDefault("42"); },
       "Added", {"42", "42", "42"}},
      {"a field dropped before another", [](TTableDefinition& d) {
         d.Fields.Delete(1);
         d.Secondary.Delete(0);
         d.Secondary[0].SetFieldNumber(0, 2); },
       "Name", {"Prvni", "Druhe", "Treti"}},
      {"the memos kept", [](TTableDefinition&) {}, "Note", {"a", "null", "ccc"}},
      {"a memo into a string is dropped", [](TTableDefinition& d) {
         d.Fields[5].SetType(TFieldType::String);
         d.Fields[5].SetSubtype(subtype::None);
         d.Fields[5].SetDeclaredSize(10); },
       "Note", {"null", "null", "null"}},
      {"an integer into a memo is dropped", [](TTableDefinition& d) {
         d.Fields[4].SetType(TFieldType::Blob);
         d.Fields[4].SetSubtype(subtype::Memo); },
       "Count", {"null", "null", "null"}},
      {"the auto-increment values kept", [](TTableDefinition& d) { d.Fields[4].SetName("Pocet"); }, "Serial",
       {"1", "2", "3"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.What);
    auto cursor = FilledEditions();
    TTableDefinition definition = CurrentDefinition();
    c.Change(definition);
    cursor->Restructure(definition);
    EXPECT_TRUE(cursor->Active());
    EXPECT_EQ(Column(*cursor, c.Field), c.Expected);
    EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 3);
    const bool blobFile = cursor->Table()->HasBlobFile();
    cursor->Close();
    ExpectOnlyTheTableFiles(blobFile);
    cursor->DeleteTable();
  }
}

TEST_F(RestructureTest, RecordsANewUniqueIndexRefusesAreLeftOut) {
  auto cursor = FilledEditions();
  TTableDefinition definition = CurrentDefinition();
  definition.Secondary[1].SetUnique(true);
  definition.Secondary[1].SetFieldNumber(0, kCountField);
  cursor->Restructure(definition);
  EXPECT_EQ(Column(*cursor, "Id"), (std::vector<std::string>{"1", "2"}));
  EXPECT_EQ(Column(*cursor, "Note"), (std::vector<std::string>{"a", "null"}));
  EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 2);
}

// What the cursor shows is its own business: a filter and own field definitions do not narrow
// the copy of the table.
TEST_F(RestructureTest, CursorFiltersAndOwnFieldsDoNotNarrowTheCopy) {
  auto cursor = FilledEditions();
  cursor->ActivateFilter(cursor->AddFilter("Id = 2", false, false));
  TDataCursor::TOwnField name;
  name.Definition = TFieldDefinition::Make("Name", TFieldType::String, 20);
  name.SourceField = kNameField;
  cursor->SetOwnFieldDefinitions({name});
  ASSERT_EQ(cursor->GetRecordCount(), 1);
  TTableDefinition definition = CurrentDefinition();
  definition.Fields[2].SetDeclaredSize(10);  // a field changes: the records are copied
  cursor->Restructure(definition);
  EXPECT_EQ(cursor->FieldCount(), 6);
  EXPECT_EQ(Column(*cursor, "Count"), (std::vector<std::string>{"5", "7", "5"}));
  EXPECT_EQ(Column(*cursor, "Note"), (std::vector<std::string>{"a", "null", "ccc"}));
}

TEST_F(RestructureTest, InMemoryTableIsRebuiltInMemory) {
  auto cursor = Cursor();
  cursor->SetInMemory(true);
  cursor->CreateTable(EditionsDefinition(), false);
  cursor->Open();
  Insert(*cursor, {1, "12", "Prvni", 5}, "a");
  Insert(*cursor, {2, "K2", "Druhe", 7});
  TTableDefinition definition = CurrentDefinition();
  definition.Fields[1].SetType(TFieldType::Integer);
  definition.Fields[1].SetDeclaredSize(0);
  cursor->Restructure(definition);
  EXPECT_EQ(Column(*cursor, "Code"), (std::vector<std::string>{"12", "null"}));
  EXPECT_EQ(Column(*cursor, "Note"), (std::vector<std::string>{"a", "null"}));
  EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 2);
  cursor->Close();
  EXPECT_EQ(FilesIn(FData.Path()), std::vector<std::string>{});
  EXPECT_EQ(FilesIn(FPrivate.Path()), std::vector<std::string>{});
  for (const char* extension : {".DBK", ".IBK", ".BBK"})
    EXPECT_FALSE(TFileHandler(FDatabase->FilePath(kEditions, true, extension), true).Exists()) << extension;
  cursor->DeleteTable();
}

// With the fields as they were, only the indexes change, in place: record numbers stay (a copy
// would number the records afresh) and the removed, changed and new indexes hold their keys.
TEST_F(RestructureTest, IndexChangesAloneAreMadeInPlace) {
  auto cursor = FilledEditions();
  cursor->GotoRecordNumber(2);
  std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
  ASSERT_EQ(cursor->ReadCurrent(record.data()), cursor_status::Ok);
  cursor->DeleteRecord(record.data(), true);
  TTableDefinition definition = CurrentDefinition();
  definition.Secondary.Delete(0);                       // ByCode removed
  definition.Secondary[0].SetDescending(true);          // ByName changed
  TIndexDefinition byCount;
  byCount.SetName("ByCount");
  byCount.SetFieldNumber(0, kCountField);
  definition.Secondary.Add(byCount);                    // ByCount added
  definition.Primary = TIndexDefinition{};              // the primary key dropped
  cursor->Restructure(definition);
  EXPECT_EQ(ErrorCode([&] { cursor->SelectIndexByName("ByCode"); }), err::InvalidIndexName);
  cursor->SelectIndexByName("ByCount");
  EXPECT_EQ(cursor->Table()->Data().NextRecordNumber(), 4) << "the deleted slot 2 is still there";
  EXPECT_EQ(Column(*cursor, "Note"), (std::vector<std::string>{"a", "ccc"}));
  EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 2);
  const TIndexFile& indexes = cursor->Table()->Index();
  EXPECT_TRUE(indexes.NoPrimaryKey());
  ASSERT_EQ(indexes.SecondaryCount(), 2);
  EXPECT_TRUE(indexes.Definition(1).Descending());
  EXPECT_EQ(indexes.Definition(2).Name(), "ByCount");
}

TEST_F(RestructureTest, LastAutoIncrementValueIsKeptOrSet) {
  for (const auto& [given, next] : {std::pair{-1, 4}, std::pair{100, 101}}) {
    SCOPED_TRACE(given);
    auto cursor = FilledEditions();
    cursor->Restructure(CurrentDefinition(), given);
    Insert(*cursor, {4, "K4", "Ctvrte"});
    EXPECT_EQ(Column(*cursor, "Serial").back(), std::to_string(next));
    cursor->Close();
    cursor->DeleteTable();
  }
}

TEST_F(RestructureTest, RefusedRestructureLeavesTheTable) {
  FilledEditions()->Close();
  TTableDefinition badIndex = CurrentDefinition();
  badIndex.Secondary.Add(badIndex.Secondary[0]);
  struct TCase {
    const char* What;
    bool Exclusive;
    bool ReadOnly;
    TTableDefinition Definition;
    uint16_t Code;
  } const cases[] = {
      {"a shared cursor", false, false, CurrentDefinition(), err::MustBeExclusive},
      {"a read-only cursor", true, true, CurrentDefinition(), err::AccessDenied},
      {"an index named twice", true, false, badIndex, err::IndexExists},
  };
  for (const TCase& c : cases) {
    auto cursor = Cursor(kEditions, c.Exclusive);
    cursor->SetReadOnly(c.ReadOnly);
    cursor->Open();
    const std::vector<TEditionRow> rows = Rows(*cursor);
    EXPECT_EQ(ErrorCode([&] { cursor->Restructure(c.Definition); }), c.Code) << c.What;
    EXPECT_EQ(Rows(*cursor), rows) << c.What;
    cursor->Close();
    ExpectOnlyTheTableFiles();
  }
}

// The old files become backups and the new ones move in: whichever of those six renames fails,
// the old table is back as it was and nothing else is left.
TEST_F(RestructureTest, FailedRenameKeepsTheOriginalTable) {
  RenameFaults faults;
  platform::SetFileSystem(&faults);
  auto cursor = FilledEditions();
  const std::vector<TEditionRow> rows = Rows(*cursor);
  TTableDefinition definition = CurrentDefinition();
  definition.Fields.Delete(kCountField - 1);
  for (int failing = 1; failing <= 6; ++failing) {
    SCOPED_TRACE(failing);
    faults.renames = 0;
    faults.failRenameNumber = failing;
    EXPECT_EQ(ErrorCode([&] { cursor->Restructure(definition); }), err::UnknownOsError);
    ASSERT_TRUE(cursor->Active());
    EXPECT_EQ(cursor->FieldCount(), 6);
    EXPECT_EQ(Rows(*cursor), rows);
    EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 3);
    cursor->Close();
    ExpectOnlyTheTableFiles();
    cursor->Open();
  }
  faults.failRenameNumber = 0;
  cursor->Restructure(definition);
  EXPECT_EQ(cursor->FieldCount(), 5);
  EXPECT_EQ(Column(*cursor, "Note"), (std::vector<std::string>{"a", "null", "ccc"}));
}

// The new table is built in the private directory; on another file system the files are copied
// into place and removed. /dev/shm is such a file system where it exists; the faulty layer
// stands in for one everywhere.
TEST_F(RestructureTest, PrivateDirectoryOnAnotherFileSystem) {
  struct stat shm {}, data {};
  const bool shmApart = ::stat("/dev/shm", &shm) == 0 && ::stat(FData.Path().c_str(), &data) == 0 &&
                        shm.st_dev != data.st_dev && ::access("/dev/shm", W_OK) == 0;
  for (const bool injected : {true, false}) {
    if (!injected && !shmApart) continue;
    SCOPED_TRACE(injected ? "renames failing with EXDEV" : "/dev/shm");
    RenameFaults faults;
    faults.crossDevice = injected;
    platform::SetFileSystem(&faults);
    std::string shmDirectory;
    if (!injected) {
      shmDirectory = "/dev/shm/sklad-restructure-" + std::to_string(::getpid());
      std::filesystem::create_directories(shmDirectory);
      FSession.SetPrivateDirectory(shmDirectory);
    }
    auto cursor = FilledEditions();
    TTableDefinition definition = CurrentDefinition();
    definition.Fields[2].SetDeclaredSize(3);
    cursor->Restructure(definition);
    EXPECT_EQ(Column(*cursor, "Name"), (std::vector<std::string>{"Prv", "Dru", "Tre"}));
    EXPECT_EQ(Column(*cursor, "Note"), (std::vector<std::string>{"a", "null", "ccc"}));
    EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 3);
    cursor->Close();
    EXPECT_EQ(FilesIn(FData.Path()), (std::vector<std::string>{"VYDANI.BLB", "VYDANI.DAT", "VYDANI.IDX"}));
    if (!injected) {
      EXPECT_EQ(FilesIn(shmDirectory), std::vector<std::string>{});
      std::filesystem::remove_all(shmDirectory);
      FSession.SetPrivateDirectory(FPrivate.Path().string());
    }
    cursor->DeleteTable();
    platform::SetFileSystem(nullptr);
  }
}

}  // namespace
}  // namespace sklad
