// Tables made, renamed, deleted, read and emptied through the cursor: existing tables are
// refused or replaced as asked, the closed-cursor operations refuse an open cursor, emptying
// cuts every file back to its definitions and starts numbering again, and a full table refuses
// an insert without changing its files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "TableDefinitionTestSupport.h"
#include "engine/storage/blob/BlobFileHeader.h"
#include "engine/storage/index/IndexFile.h"
#include "engine/storage/data/RecordCache.h"

namespace sklad {
namespace {

using namespace ::sklad::testing;
using TableDefinitionTest = TableDefinitionFixture;

std::string FileBytes(const std::filesystem::path& path, size_t limit) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(limit, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(limit));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return bytes;
}

TEST_F(TableDefinitionTest, CreatedTableOpensEmptyAndConsistent) {
  auto cursor = CreateEditions();
  EXPECT_EQ(cursor->GetRecordCount(), 0);
  EXPECT_EQ(cursor->FieldCount(), 6);
  EXPECT_EQ(FilesIn(FData.Path()), (std::vector<std::string>{"VYDANI.BLB", "VYDANI.DAT", "VYDANI.IDX"}));
  Insert(*cursor, {1, "K1", "Prvni", 3}, "poznamka");
  EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 1);
}

TEST_F(TableDefinitionTest, ExistingTableIsReplacedOnlyWhenAsked) {
  for (const bool inMemory : {false, true}) {
    SCOPED_TRACE(inMemory ? "in memory" : "on disk");
    auto cursor = Cursor();
    cursor->SetInMemory(inMemory);
    cursor->CreateTable(EditionsDefinition(), false);
    cursor->Open();
    Insert(*cursor, {1, "K1", "Prvni"}, "poznamka");
    cursor->Close();
    EXPECT_EQ(ErrorMessage([&] { cursor->CreateTable(EditionsDefinition(), false); }),
              "Sklad Engine Error # 13060 The table 'VYDANI.DAT' already exists");

    // The replacement has no memo: no BLOB file of the old table may stay behind.
    TTableDefinition plain = EditionsDefinition();
    plain.Fields.Delete(kNoteField - 1);
    cursor->CreateTable(plain, true);
    EXPECT_FALSE(TFileHandler(FDatabase->FilePath(kEditions, inMemory, ".BLB"), inMemory).Exists());
    cursor->Open();
    EXPECT_EQ(cursor->GetRecordCount(), 0);
    EXPECT_EQ(cursor->FieldCount(), 5);
    cursor->Close();
    cursor->DeleteTable();
    EXPECT_FALSE(FDatabase->TableExists(kEditions, inMemory));
  }
}

TEST_F(TableDefinitionTest, ClosedCursorOperationsRefuseAnOpenCursor) {
  auto cursor = CreateEditions();
  const std::function<void()> operations[] = {
      [&] { cursor->CreateTable(EditionsDefinition(), true); },
      [&] { cursor->DeleteTable(); },
      [&] { cursor->RenameTable("JINE"); },
      [&] { cursor->ReadTableHeader(); },
  };
  for (const auto& operation : operations)
    EXPECT_EQ(ErrorMessage(operation), "Sklad Engine Error # 10031 table 'VYDANI.DAT' is already in use");
  EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 0);
}

TEST_F(TableDefinitionTest, RenamedTableKeepsItsRecordsAndHeaderReadsClosed) {
  auto cursor = CreateEditions();
  Insert(*cursor, {1, "K1", "Prvni"}, "poznamka");
  const std::vector<TEditionRow> rows = Rows(*cursor);
  cursor->Close();
  cursor->RenameTable("ROCNIKY");
  EXPECT_EQ(FilesIn(FData.Path()), (std::vector<std::string>{"ROCNIKY.BLB", "ROCNIKY.DAT", "ROCNIKY.IDX"}));
  EXPECT_EQ(ErrorCode([&] { cursor->ReadTableHeader(); }), err::InvalidPath);

  auto renamed = Cursor("ROCNIKY");
  const TDataFileHeader header = renamed->ReadTableHeader();
  EXPECT_EQ(header.Version(), TDataFileHeader::kFormatVersion);
  EXPECT_EQ(header.FieldCount(), 6);
  EXPECT_EQ(header.BlobFieldCount(), 1);
  EXPECT_EQ(header.NextRecordNumber(), 2);
  renamed->Open();
  EXPECT_EQ(Rows(*renamed), rows);
  EXPECT_EQ(ExpectIndexesMatchRecords(*renamed->Table()), 1);
  renamed->Close();
  renamed->DeleteTable();
  EXPECT_EQ(FilesIn(FData.Path()), std::vector<std::string>{});
}

TEST_F(TableDefinitionTest, EmptyingCutsTheFilesAndStartsNumberingAgain) {
  auto cursor = CreateEditions();
  for (int i = 1; i <= 40; ++i) Insert(*cursor, {i, "K" + std::to_string(i), "Jmeno", i}, std::string(900, 'm'));
  cursor->EmptyTable();
  EXPECT_EQ(cursor->GetRecordCount(), 0);
  EXPECT_TRUE(cursor->AtBeginning());
  EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 0);
  Insert(*cursor, {7, "K7", "Sedmy"}, "znovu");
  EXPECT_EQ(cursor->GetRecordNumber(), 1);
  EXPECT_EQ(Rows(*cursor), (std::vector<TEditionRow>{{7, "K7", "Sedmy", 0, 1, "znovu"}}));
  cursor->Close();

  // Written out, the files hold their headers, definitions and the one new record.
  const auto size = [&](const char* name) { return std::filesystem::file_size(FData.Path() / name); };
  EXPECT_EQ(size("VYDANI.DAT"), static_cast<uintmax_t>(TDataFile::kHeaderSize + 6 * TDataFile::kDefinitionSize +
                                                         cursor->ReadTableHeader().RecordSize()));
  EXPECT_LT(size("VYDANI.BLB"), 40u * 900u);
  auto reopened = Cursor();
  reopened->Open();
  EXPECT_EQ(ExpectIndexesMatchRecords(*reopened->Table()), 1);
}

TEST_F(TableDefinitionTest, EmptyingNeedsAnExclusiveWritableCursor) {
  CreateEditions()->Close();
  struct TCase {
    const char* What;
    bool Exclusive;
    bool ReadOnly;
    bool Open;
    uint16_t Code;
  } const cases[] = {
      {"a shared cursor", false, false, true, err::MustBeExclusive},
      {"a closed cursor", true, false, false, err::MustBeExclusive},
      {"a read-only cursor", true, true, true, err::AccessDenied},
  };
  for (const TCase& c : cases) {
    auto cursor = Cursor(kEditions, c.Exclusive);
    cursor->SetReadOnly(c.ReadOnly);
    if (c.Open) cursor->Open();
    EXPECT_EQ(ErrorCode([&] { cursor->EmptyTable(); }), c.Code) << c.What;
  }
}

// A refused change writes nothing: no BLOB block, no header, no key of a record never stored.
TEST_F(TableDefinitionTest, RefusedChangesKeepTheFilesAsTheyWere) {
  auto cursor = CreateEditions();
  Insert(*cursor, {1, "K1", "Prvni"}, "poznamka");
  Insert(*cursor, {2, "K2", "Druhe"}, "druha");
  TDataTable& table = *cursor->Table();
  std::vector<uint8_t> record;
  struct TCase {
    const char* What;
    std::function<void()> Prepare;
    std::function<void()> Change;
    uint16_t Code;
  } const cases[] = {
      {"an insert with a memo duplicating a unique key",
       [&] {
         record = EditionRecord(*cursor, {3, "K1", "Treti"});
         WriteMemo(*cursor, kNoteField, record.data(), std::string(3000, 'd'));
       },
       [&] { cursor->InsertRecord(record.data(), true); }, err::DuplicateKey},
      {"a change of a memo and a unique key to a duplicate",
       [&] {
         cursor->SelectIndex(0);
         cursor->Last();
         record.assign(static_cast<size_t>(cursor->RecordSize()), 0);
         ASSERT_EQ(cursor->ReadPrior(record.data()), cursor_status::Ok);
         ASSERT_EQ(cursor->ReadCurrent(record.data(), true), cursor_status::Ok);
         PutText(*cursor, kCodeField, record.data(), "K1");
         ASSERT_EQ(cursor->OpenBlob(kNoteField, record.data(), 0, TDataCursor::kBlobWrite), 0);
         ASSERT_EQ(cursor->TruncateBlob(kNoteField, record.data(), 0), 0);
         WriteMemo(*cursor, kNoteField, record.data(), "prepsana");
       },
       [&] { cursor->ModifyRecord(record.data(), true, true); }, err::DuplicateKey},
      {"an insert with a memo into a full table",
       [&] {
         // The slots up to the record limit exist (as a sparse file).
         table.Data().TakeRewrittenRecords(static_cast<int32_t>(TRecordCache::kMaxRecordNumber) - 1);
         table.ChangesMade(true, false, false);
         cursor->Refresh();
         record = EditionRecord(*cursor, {3, "K3", "Treti"});
         WriteMemo(*cursor, kNoteField, record.data(), "nevejde se");
       },
       [&] { cursor->InsertRecord(record.data(), true); }, err::TableFull},
  };
  const std::vector<TEditionRow> rows = Rows(*cursor);
  const auto snapshot = [&] {
    table.FlushAll();
    std::vector<std::pair<uintmax_t, std::string>> files;
    for (const char* name : {"VYDANI.DAT", "VYDANI.IDX", "VYDANI.BLB"})
      files.emplace_back(std::filesystem::file_size(FData.Path() / name), FileBytes(FData.Path() / name, 1 << 16));
    return files;
  };
  for (const TCase& c : cases) {
    c.Prepare();
    const auto before = snapshot();
    EXPECT_EQ(ErrorCode(c.Change), c.Code) << c.What;
    cursor->FreeBlobBuffers(true);
    EXPECT_TRUE(snapshot() == before) << c.What;
    if (c.Code == err::DuplicateKey) {
      cursor->UnlockRecord(0);
      EXPECT_EQ(Rows(*cursor), rows) << c.What;
      EXPECT_EQ(ExpectIndexesMatchRecords(table), 2) << c.What;
    }
  }

  // Emptied, the full table takes records from number 1 again.
  cursor->EmptyTable();
  Insert(*cursor, {2, "K2", "Druhe"});
  EXPECT_EQ(cursor->GetRecordNumber(), 1);
  EXPECT_EQ(ExpectIndexesMatchRecords(table), 1);
}

}  // namespace
}  // namespace sklad
