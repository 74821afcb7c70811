// Helpers for the table definition tests: a database directory and a private directory of their
// own, the editions table made through the cursor, records with memos put in and read back
// whole, and the files a directory holds.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "EditingTestSupport.h"
#include "engine/storage/data/RecordLayout.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {

constexpr int kNoteField = 6;

// One record of the editions table as the tests compare it.
struct TEditionRow {
  int32_t Id = 0;
  std::string Code;
  std::string Name;
  int32_t Count = 0;
  int32_t Serial = 0;
  std::string Note;  // empty: null
  bool operator==(const TEditionRow&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const TEditionRow& row) {
  return out << row.Id << "/" << row.Code << "/" << row.Name << "/" << row.Count
             << " #" << row.Serial << " '" << row.Note << "'";
}

inline std::string ReadMemo(TDataCursor& cursor, int field, uint8_t* record) {
  if (cursor.GetField(field, record, nullptr)) return {};
  EXPECT_EQ(cursor.OpenBlob(field, record, 1, TDataCursor::kBlobRead), 0);
  int32_t length = 0;
  EXPECT_EQ(cursor.GetBlobSize(field, record, length), 0);
  std::string text(static_cast<size_t>(length), '\0');
  int32_t count = 0;
  EXPECT_EQ(cursor.ReadBlob(field, record, count, length, reinterpret_cast<uint8_t*>(text.data()), 0), 0);
  EXPECT_EQ(cursor.CloseBlob(field, record, 1), 0);
  return text;
}

inline void WriteMemo(TDataCursor& cursor, int field, uint8_t* record, const std::string& text) {
  ASSERT_EQ(cursor.OpenBlob(field, record, 1, TDataCursor::kBlobWrite), 0);
  ASSERT_EQ(cursor.WriteBlob(field, record, static_cast<int32_t>(text.size()),
                             reinterpret_cast<const uint8_t*>(text.data()), 0),
            0);
}

// Every file name in a directory, sorted.
inline std::vector<std::string> FilesIn(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

class TableDefinitionFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    FSession.SetPrivateDirectory(FPrivate.Path().string());
    FDatabase = FSession.OpenDirectory("", FData.Path().string());
  }

  std::unique_ptr<TDataCursor> Cursor(std::string_view table = kEditions, bool exclusive = true) {
    auto cursor = std::make_unique<TDataCursor>(*FDatabase);
    cursor->SetTableName(table);
    cursor->SetExclusive(exclusive);
    return cursor;
  }

  // The editions table made through the cursor and opened exclusively.
  std::unique_ptr<TDataCursor> CreateEditions() {
    auto cursor = Cursor();
    cursor->CreateTable(EditionsDefinition(), false);
    cursor->Open();
    return cursor;
  }

  static void Insert(TDataCursor& cursor, const TEdition& edition, const std::string& note = {}) {
    std::vector<uint8_t> record = EditionRecord(cursor, edition);
    if (!note.empty()) WriteMemo(cursor, kNoteField, record.data(), note);
    cursor.InsertRecord(record.data(), true);
  }

  // The records in natural order, read with the cursor's own field numbers: id, code, name and
  // count where the table still has them by those names, the serial and the memo.
  static std::vector<TEditionRow> Rows(TDataCursor& cursor) {
    std::vector<TEditionRow> rows;
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    cursor.SelectIndex(TDataCursor::kNaturalOrder);
    cursor.First();
    while (cursor.ReadNext(record.data()) == cursor_status::Ok) {
      const TEdition edition = EditionOf(cursor, record.data());
      TEditionRow row{edition.Id, edition.Code, edition.Name, edition.Count, 0, {}};
      row.Serial = LoadLE<int32_t>(record.data() + kAutoIncrementAt);
      row.Note = ReadMemo(cursor, kNoteField, record.data());
      rows.push_back(row);
    }
    return rows;
  }

  TempDir FData;
  TempDir FPrivate;
  TDataSession FSession;
  TDataDirectory* FDatabase = nullptr;
};

}  // namespace sklad::testing
