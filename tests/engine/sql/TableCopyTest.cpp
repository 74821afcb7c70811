// Whole tables copied into one another by INSERT ... SELECT and SELECT ... INTO: wide records with
// big memos, records of the catalogue's size with memos of every length, many small records, and
// tables copied into themselves. Each copy is larger than the record cache of its tables, so that
// reading the copied rows back, while the last of them are not yet written, meets a full cache.
// Every copy must end with all its rows, memos included, equal to their sources.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/cursor/TableCheck.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {
namespace {

// A table of string columns and, when memos are wanted, a memo column last. Rows are made from
// their number: every column a text of its own length, the memo of up to `LongestMemo` bytes (none
// on every fifth row).
struct TShape {
  const char* Name;
  std::vector<int> StringSizes;
  int LongestMemo;  // 0: no memo column
  int Rows;
};

const TShape kShapes[] = {
    {"wide records with big memos", {250, 250, 250, 250, 250, 250, 250}, 9000, 150},
    {"records of the catalogue", {4, 2, 5, 7, 120, 120, 250}, 1500, 276},
    {"many small records", {30}, 0, 3300},
};

std::string Text(int row, int column, int size) {
  std::string text = std::to_string(row) + "-" + std::to_string(column) + ":";
  const int length = std::min(size, 1 + (row * 7 + column * 13) % size);
  while (static_cast<int>(text.size()) < length) text += static_cast<char>('a' + (row + text.size()) % 26);
  text.resize(static_cast<size_t>(length));
  return text;
}

std::string Memo(int row, int longest) {
  if (row % 5 == 0) return {};
  const int length = 1 + (row * 977) % longest;
  std::string memo(static_cast<size_t>(length), ' ');
  for (int i = 0; i < length; ++i) memo[static_cast<size_t>(i)] = static_cast<char>('A' + (row + i / 7) % 26);
  return memo;
}

void PrintTo(const TShape& shape, std::ostream* out) { *out << shape.Name; }

TTableDefinition Definition(const TShape& shape) {
  TTableDefinition definition;
  for (size_t i = 0; i < shape.StringSizes.size(); ++i)
    definition.Fields.Add(TFieldDefinition::Make("s" + std::to_string(i + 1), TFieldType::String, shape.StringSizes[i]));
  if (shape.LongestMemo > 0) definition.Fields.Add(TFieldDefinition::Make("memo", TFieldType::Blob, 0, subtype::Memo));
  TIndexDefinition byFirst;  // the copies keep an index up to date as well
  byFirst.SetName("ByFirst");
  byFirst.SetFieldNumber(0, 1);
  definition.Secondary.Add(byFirst);
  return definition;
}

class TableCopyTest : public ::testing::TestWithParam<TShape> {
 protected:
  void SetUp() override {
    FSession.SetPrivateDirectory(FPrivate.Path().string());
    FDirectory = FSession.OpenDirectory("", FData.Path().string());
    FPrivateDirectory = FSession.OpenDirectory("", FPrivate.Path().string());
  }
  void TearDown() override { FSession.CloseDirectory(FPrivateDirectory); }

  // Creates the table with rows first .. first + count - 1 of the shape.
  void Fill(const std::string& table, int first, int count) {
    const TShape& shape = GetParam();
    FDirectory->CloseTable(FDirectory->CreateTable(table, false, Definition(shape)));
    TDataCursor cursor(*FDirectory);
    cursor.SetTableName(table);
    cursor.Open();
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    const int memoField = static_cast<int>(shape.StringSizes.size()) + 1;
    FDirectory->StartTransaction();
    for (int row = first; row < first + count; ++row) {
      cursor.InitRecord(record.data());
      for (size_t i = 0; i < shape.StringSizes.size(); ++i) {
        const std::string text = Text(row, static_cast<int>(i), shape.StringSizes[i]);
        cursor.PutField(static_cast<int>(i) + 1, record.data(), reinterpret_cast<const uint8_t*>(text.c_str()));
      }
      const std::string memo = shape.LongestMemo > 0 ? Memo(row, shape.LongestMemo) : std::string();
      if (!memo.empty()) {
        cursor.OpenBlob(memoField, record.data(), 0, TDataCursor::kBlobWrite);
        cursor.WriteBlob(memoField, record.data(), static_cast<int32_t>(memo.size()),
                         reinterpret_cast<const uint8_t*>(memo.data()), 0);
      }
      cursor.InsertRecord(record.data(), false);
      if (!memo.empty()) cursor.CloseBlob(memoField, record.data(), 0);
    }
    FDirectory->Commit();
  }

  // Runs a data-changing statement and answers the rows it affected.
  int32_t Change(const std::string& sql) {
    TSqlStatement statement(*FDirectory, sql);
    statement.Prepare();
    EXPECT_EQ(statement.Execute(), nullptr);
    return statement.RowsAffected();
  }

  int32_t Count(const std::string& table) {
    TSqlStatement statement(*FDirectory, "SELECT COUNT(*) FROM " + table);
    statement.Prepare();
    TDataCursor& result = *statement.Execute();
    result.First();
    std::vector<uint8_t> record(static_cast<size_t>(result.RecordSize()));
    EXPECT_EQ(result.ReadNext(record.data()), 0);
    int32_t count = 0;
    result.GetTableField(1, record.data(), reinterpret_cast<uint8_t*>(&count));
    return count;
  }

  // Every record of the table in natural order: its columns, the memo's bytes last, separated
  // by '|'. The table is checked for consistent records, indexes and memos first.
  std::vector<std::string> Rows(TDataDirectory& directory, const std::string& table) {
    TDataCursor cursor(directory);
    cursor.SetTableName(table);
    cursor.Open();
    EXPECT_EQ(CheckTable(*cursor.Table()), std::vector<std::string>{}) << table;
    std::vector<std::string> rows;
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    cursor.First();
    while (cursor.ReadNext(record.data()) == 0) {
      std::string row;
      for (int n = 1; n <= cursor.TableFieldCount(); ++n) {
        const TFieldDefinition& field = cursor.TableField(n);
        if (n > 1) row += '|';
        if (field.Type() == TFieldType::Blob) {
          const std::vector<uint8_t> memo = cursor.ReadWholeTableBlob(n, record.data());
          row.append(memo.begin(), memo.end());
        } else {
          std::vector<uint8_t> value(static_cast<size_t>(field.StoredSize()) + 1, 0);
          if (!cursor.GetTableField(n, record.data(), value.data())) row += reinterpret_cast<const char*>(value.data());
        }
      }
      rows.push_back(std::move(row));
    }
    return rows;
  }

  static std::vector<std::string> Joined(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
  }

  TempDir FData, FPrivate;
  TDataSession FSession;
  TDataDirectory* FDirectory = nullptr;
  TDataDirectory* FPrivateDirectory = nullptr;
};

TEST_P(TableCopyTest, WholeTablesCopyIntoOneAnother) {
  const int rows = GetParam().Rows;
  Fill("a", 1, rows);
  Fill("b", rows + 1, rows / 3);
  const std::vector<std::string> a = Rows(*FDirectory, "a");
  const std::vector<std::string> b = Rows(*FDirectory, "b");
  ASSERT_EQ(a.size(), static_cast<size_t>(rows));

  EXPECT_EQ(Change("INSERT INTO b SELECT * FROM a"), rows);
  EXPECT_EQ(Count("b"), rows + rows / 3);
  EXPECT_EQ(Rows(*FDirectory, "b"), Joined(b, a));

  {
    TSqlStatement statement(*FDirectory, "SELECT * INTO kopie FROM a");
    statement.Prepare();
    statement.Execute();
    EXPECT_EQ(statement.RowsAffected(), rows);
  }
  EXPECT_EQ(Rows(*FPrivateDirectory, "kopie"), a);

  EXPECT_EQ(Change("INSERT INTO a SELECT * FROM a"), rows);
  EXPECT_EQ(Count("a"), 2 * rows);
  EXPECT_EQ(Rows(*FDirectory, "a"), Joined(a, a));

  // A condition that holds for every row still copies through a filtered source.
  EXPECT_EQ(Change("INSERT INTO b SELECT * FROM a WHERE s1 <> 'zz'"), 2 * rows);
  EXPECT_EQ(Count("b"), 3 * rows + rows / 3);
  EXPECT_EQ(Rows(*FDirectory, "b"), Joined(Joined(Joined(b, a), a), a));
}

INSTANTIATE_TEST_SUITE_P(Shapes, TableCopyTest, ::testing::ValuesIn(kShapes),
                         [](const ::testing::TestParamInfo<TShape>& info) {
                           std::string name;
                           for (const char* c = info.param.Name; *c; ++c)
                             if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                           return name;
                         });

}  // namespace
}  // namespace sklad::testing
