// INSERT, UPDATE and DELETE through SQL statements: the values each form stores, the planning
// and conversion messages, NOAUTOINC, BLOB and memo values, failing changes that leave the table
// as it was, and the commit intervals another user sees while a long DELETE runs. Every table is
// checked for consistent records, indexes and BLOB values after each statement.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "SqlErrorText.h"
#include "engine/cursor/DataCursor.h"
#include "engine/cursor/TableCheck.h"
#include "engine/sql/ChangeTransaction.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/data/DateTimeValues.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/core/LittleEndian.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {
namespace {

constexpr const char* kItems = "items";
enum ItemField { kId = 1, kCode, kName, kSerial, kAmount, kBorn, kNote, kData };

TTableDefinition ItemsDefinition() {
  TTableDefinition definition;
  definition.Fields.Add(TFieldDefinition::Make("Id", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("Code", TFieldType::String, 8));
  TFieldDefinition name = TFieldDefinition::Make("Name", TFieldType::String, 20);
  name.SetDefault("nameless");
  definition.Fields.Add(name);
  definition.Fields.Add(TFieldDefinition::Make("Serial", TFieldType::Integer, 0, subtype::AutoIncrement));
  TFieldDefinition amount = TFieldDefinition::Make("Amount", TFieldType::Integer);
  amount.SetMaximum("1000");
  definition.Fields.Add(amount);
  definition.Fields.Add(TFieldDefinition::Make("Born", TFieldType::Date));
  definition.Fields.Add(TFieldDefinition::Make("Note", TFieldType::Blob, 0, subtype::Memo));
  definition.Fields.Add(TFieldDefinition::Make("Data", TFieldType::Blob));
  definition.Primary.SetFieldNumber(0, kId);
  TIndexDefinition byCode;
  byCode.SetName("ByCode");
  byCode.SetUnique(true);
  byCode.SetFieldNumber(0, kCode);
  definition.Secondary.Add(byCode);
  return definition;
}

TTableDefinition TrioDefinition() {
  TTableDefinition definition;
  definition.Fields.Add(TFieldDefinition::Make("a", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("b", TFieldType::String, 10));
  definition.Fields.Add(TFieldDefinition::Make("c", TFieldType::Integer));
  return definition;
}

// Records of exactly 100 bytes: the record header, an integer and a string of 84 characters.
TTableDefinition HundredBytesDefinition() {
  TTableDefinition definition;
  definition.Fields.Add(TFieldDefinition::Make("Id", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("Name", TFieldType::String, 84));
  TIndexDefinition byName;
  byName.SetName("ByName");
  byName.SetFieldNumber(0, 2);
  definition.Secondary.Add(byName);
  return definition;
}

int EngineErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const ESkladEngineError& e) {
    return e.Code();
  }
  return 0;
}

// A BLOB value of the cursor's record: its bytes; "NULL" when it has none.
std::string BlobText(TDataCursor& cursor, int fieldNo, std::vector<uint8_t> record) {
  if (cursor.GetTableField(fieldNo, record.data(), nullptr)) return "NULL";
  EXPECT_EQ(cursor.OpenTableBlob(fieldNo, record.data(), 1, TDataCursor::kBlobRead), 0);
  int32_t length = 0, count = 0;
  cursor.GetTableBlobSize(fieldNo, record.data(), length);
  std::string bytes(static_cast<size_t>(length), '\0');
  cursor.ReadTableBlob(fieldNo, record.data(), count, length, reinterpret_cast<uint8_t*>(bytes.data()), 0);
  cursor.CloseTableBlob(fieldNo, record.data(), 1);
  return bytes;
}

// One field of a record as text: integers and dates as numbers, BLOBs as their bytes.
std::string FieldText(TDataCursor& cursor, int fieldNo, const std::vector<uint8_t>& record) {
  const TFieldDefinition& field = cursor.TableField(fieldNo);
  if (field.Type() == TFieldType::Blob) return BlobText(cursor, fieldNo, record);
  std::vector<uint8_t> value(static_cast<size_t>(field.StoredSize()) + 1, 0);
  if (cursor.GetTableField(fieldNo, record.data(), value.data())) return "NULL";
  if (field.Type() == TFieldType::String) return reinterpret_cast<const char*>(value.data());
  return std::to_string(LoadLE<int32_t>(value.data()));
}

class DataChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Dates are read in the fixed format of language 0.
    FSession.LanguageId = 0;
    FDirectory = FSession.OpenDirectory("", FTemp.Path().string());
    for (auto [name, definition] : {std::pair{kItems, ItemsDefinition()}, std::pair{"trio", TrioDefinition()}})
      FDirectory->CloseTable(FDirectory->CreateTable(name, false, definition));
  }

  // Runs a statement, checks the table it changed and answers the rows affected.
  int32_t Run(const std::string& sql, const std::string& table = kItems, std::vector<TSqlParameter> parameters = {}) {
    TSqlStatement statement(*FDirectory, sql);
    statement.Prepare();
    if (!parameters.empty()) statement.BindParameters(parameters);
    EXPECT_EQ(statement.Execute(), nullptr);
    ExpectConsistent(table);
    return statement.RowsAffected();
  }

  std::string Message(const std::string& sql, std::vector<TSqlParameter> parameters = {}) {
    return SqlMessage([&] {
      TSqlStatement statement(*FDirectory, sql);
      statement.Prepare();
      if (!parameters.empty()) statement.BindParameters(parameters);
      statement.Execute();
    });
  }

  void ExpectConsistent(const std::string& table) {
    TDataCursor cursor(*FDirectory);
    cursor.SetTableName(table);
    cursor.Open();
    EXPECT_EQ(CheckTable(*cursor.Table()), std::vector<std::string>{}) << table;
  }

  // Every record of the table in natural order, its fields separated by '|'.
  std::vector<std::string> Rows(const std::string& table = kItems) {
    TDataCursor cursor(*FDirectory);
    cursor.SetTableName(table);
    cursor.Open();
    std::vector<std::string> rows;
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    cursor.First();
    while (cursor.ReadNext(record.data()) == 0) {
      std::string row;
      for (int n = 1; n <= cursor.TableFieldCount(); ++n) row += (n > 1 ? "|" : "") + FieldText(cursor, n, record);
      rows.push_back(row);
    }
    return rows;
  }

  // Five items: Id 1..5, Code c1..c5, Name n1..n5, Amount 10 * Id, a memo on the even ones.
  void FillItems() {
    for (int i = 1; i <= 5; ++i) {
      const std::string id = std::to_string(i);
      Run("INSERT INTO items (Id, Code, Name, Amount, Note) VALUES (" + id + ", 'c" + id + "', 'n" + id + "', " +
          std::to_string(10 * i) + ", " + (i % 2 == 0 ? "'memo " + id + "'" : "NULL") + ")");
    }
  }

  TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDirectory = nullptr;
};

std::string Day(int year, int month, int day) { return std::to_string(DayNumber({year, month, day})); }

TSqlParameter Parameter(TFieldType type, std::vector<uint8_t> bytes) {
  TSqlParameter parameter;
  parameter.Number = 1;
  parameter.Type = type;
  parameter.Size = static_cast<int>(bytes.size());
  parameter.IsNull = false;
  parameter.Value = std::move(bytes);
  return parameter;
}

TSqlParameter DateParameter(int year, int month, int day) {
  std::vector<uint8_t> bytes(4);
  StoreLE(bytes.data(), DayNumber({year, month, day}));
  return Parameter(TFieldType::Date, bytes);
}

TEST_F(DataChangeTest, InsertStoresTheNamedColumnsOverTheDefaults) {
  EXPECT_EQ(Run("INSERT INTO items (Id, Code, Born) VALUES (1, 'a1', '2003-01-31')"), 1);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"1|a1|nameless|1|NULL|" + Day(2003, 1, 31) + "|NULL|NULL"}));
}

TEST_F(DataChangeTest, InsertWithoutAColumnListFillsEveryColumnInFieldOrder) {
  EXPECT_EQ(Run("INSERT INTO items VALUES (7, 'b', NULL, 0, 5 * 3, '1999-12-31', 'text', NULL)"), 1);
  // The auto-increment column takes its own value; NULL overrides the default.
  EXPECT_EQ(Rows(), (std::vector<std::string>{"7|b|NULL|1|15|" + Day(1999, 12, 31) + "|text|NULL"}));
  EXPECT_EQ(Run("INSERT INTO trio VALUES (1, 'x', 2)", "trio"), 1);
  EXPECT_EQ(Rows("trio"), (std::vector<std::string>{"1|x|2"}));
}

TEST_F(DataChangeTest, InsertConvertsNumbersToTheColumnType) {
  Run("INSERT INTO items (Id, Code, Amount) VALUES (2.9, 'f', -7.5)");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"2|f|nameless|1|-7|NULL|NULL|NULL"}));
}

TEST_F(DataChangeTest, NoAutoIncTakesTheGivenAutoIncrementValue) {
  Run("INSERT INTO items (Id, Code, Serial) VALUES (1, 'a', 500) NOAUTOINC");
  Run("INSERT INTO items (Id, Code, Serial) VALUES (2, 'b', 900)");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"1|a|nameless|500|NULL|NULL|NULL|NULL",
                                              "2|b|nameless|501|NULL|NULL|NULL|NULL"}));
}

TEST_F(DataChangeTest, BlobColumnsReceiveTheBytesOfTheirValues) {
  const std::string longText(700, 'm');
  Run("INSERT INTO items (Id, Code, Note) VALUES (1, 'a', '" + longText + "')");
  const std::vector<uint8_t> bytes = {0, 1, 2, 0, 255, 7};
  Run("INSERT INTO items (Id, Code, Data) VALUES (2, 'b', ?)", kItems, {Parameter(TFieldType::Blob, bytes)});
  std::vector<std::string> rows = Rows();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0], "1|a|nameless|1|NULL|NULL|" + longText + "|NULL");
  EXPECT_EQ(rows[1], "2|b|nameless|2|NULL|NULL|NULL|" + std::string(bytes.begin(), bytes.end()));

  EXPECT_EQ(Run("UPDATE items SET Note = Note || ' and more', Name = 'x' WHERE Id = 1"), 1);
  EXPECT_EQ(Run("UPDATE items SET Data = NULL, Note = 'new' WHERE Id = 2"), 1);
  rows = Rows();
  EXPECT_EQ(rows[0], "1|a|x|1|NULL|NULL|" + longText + " and more|NULL");
  EXPECT_EQ(rows[1], "2|b|nameless|2|NULL|NULL|new|NULL");
  EXPECT_EQ(Run("UPDATE items SET Note = NULL"), 2);
  EXPECT_EQ(Rows()[0], "1|a|x|1|NULL|NULL|NULL|NULL");
}

TEST_F(DataChangeTest, UpdateComputesEveryValueFromTheRowAsItWas) {
  FillItems();
  EXPECT_EQ(Run("UPDATE items SET Amount = Amount + 1, Name = Code, Code = Name WHERE Amount >= 30"), 3);
  EXPECT_EQ(Rows(), (std::vector<std::string>{
                        "1|c1|n1|1|10|NULL|NULL|NULL", "2|c2|n2|2|20|NULL|memo 2|NULL", "3|n3|c3|3|31|NULL|NULL|NULL",
                        "4|n4|c4|4|41|NULL|memo 4|NULL", "5|n5|c5|5|51|NULL|NULL|NULL"}));
  // A memo's text goes to a string column as a string would.
  EXPECT_EQ(Run("UPDATE items u SET u.Name = Note WHERE u.Note IS NOT NULL"), 2);
  EXPECT_EQ(Rows()[1], "2|c2|memo 2|2|20|NULL|memo 2|NULL");
  EXPECT_EQ(Run("UPDATE items SET Amount = 0 WHERE Id > 100"), 0);
}

TEST_F(DataChangeTest, UpdateMovesKeysOfEveryIndex) {
  FillItems();
  EXPECT_EQ(Run("UPDATE items SET Id = Id + 10, Code = 'k' || Code"), 5);
  EXPECT_EQ(Rows().front(), "11|kc1|n1|1|10|NULL|NULL|NULL");
}

TEST_F(DataChangeTest, AFailingUpdateLeavesTheTableAsItWas) {
  FillItems();
  const std::vector<std::string> before = Rows();
  const struct {
    const char* Sql;
    int Code;
  } cases[] = {
      {"UPDATE items SET Code = 'same'", err::DuplicateKey},
      {"UPDATE items SET Amount = Amount + 960", err::AboveMaximum},
      {"UPDATE items SET Id = 3 WHERE Id = 5", err::DuplicateKey},
      {"UPDATE items SET Amount = ? WHERE Id = 4", err::SqlError},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EngineErrorOf([&] {
                TSqlStatement statement(*FDirectory, c.Sql);
                statement.Prepare();
                if (statement.Text().find('?') != std::string::npos) statement.BindParameters({DateParameter(2000, 1, 1)});
                statement.Execute();
              }),
              c.Code)
        << c.Sql;
    EXPECT_FALSE(FDirectory->InTransaction());
    EXPECT_EQ(Rows(), before) << c.Sql;
    ExpectConsistent(kItems);
  }
}

TEST_F(DataChangeTest, DeleteRemovesTheRecordsTheConditionAccepts) {
  FillItems();
  EXPECT_EQ(Run("DELETE FROM items WHERE Amount BETWEEN 20 AND 40"), 3);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"1|c1|n1|1|10|NULL|NULL|NULL", "5|c5|n5|5|50|NULL|NULL|NULL"}));
  EXPECT_EQ(Run("DELETE FROM items AS i WHERE i.Code = 'none'"), 0);
  EXPECT_EQ(Run("DELETE FROM items"), 2);
  EXPECT_TRUE(Rows().empty());
  Run("INSERT INTO items (Id, Code, Note) VALUES (9, 'z', 'again')");
  EXPECT_EQ(Rows(), (std::vector<std::string>{"9|z|nameless|6|NULL|NULL|again|NULL"}));
}

// The records are collected before the first one changes: a record that another cursor changed
// meanwhile so that the condition no longer holds for it is left alone.
TEST_F(DataChangeTest, ARecordThatNoLongerSatisfiesTheConditionIsLeftAlone) {
  FillItems();
  TSqlStatement statement(*FDirectory, "DELETE FROM items WHERE Amount >= 20");
  bool changed = false;
  statement.SetProgress([&](int32_t, int, bool&) {
    if (!std::exchange(changed, true)) TSqlStatement(*FDirectory, "UPDATE items SET Amount = 5 WHERE Id = 5").Execute();
  });
  statement.Execute();
  EXPECT_EQ(statement.RowsAffected(), 3);
  EXPECT_EQ(Rows(), (std::vector<std::string>{"1|c1|n1|1|10|NULL|NULL|NULL", "5|c5|n5|5|5|NULL|NULL|NULL"}));
  ExpectConsistent(kItems);
}

TEST_F(DataChangeTest, AStatementPreparedOnceRunsAgain) {
  FillItems();
  TSqlStatement statement(*FDirectory, "UPDATE items SET Amount = Amount * 2 WHERE Id <= ?");
  statement.Prepare();
  std::vector<uint8_t> two(4);
  StoreLE(two.data(), int32_t{2});
  statement.BindParameters({Parameter(TFieldType::Integer, two)});
  statement.Execute();
  statement.Execute();
  EXPECT_EQ(statement.RowsAffected(), 2);
  EXPECT_EQ(Rows()[1], "2|c2|n2|2|80|NULL|memo 2|NULL");
}

TEST_F(DataChangeTest, BadStatementsFailWithTheirMessages) {
  FillItems();
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"INSERT INTO trio VALUES (1, 'a')", "The number of values must match the number of table columns"},
      {"INSERT INTO trio VALUES (1, 'a', 2, 3)", "The number of values must match the number of table columns"},
      {"INSERT INTO items (Id, Code) VALUES (1)", "The number of values must match the number of table columns"},
      {"INSERT INTO items (Id) VALUES (1, 2)", "The number of values must match the number of table columns"},
      {"INSERT INTO items (Nope) VALUES (1)",
       "Invalid column name 'Nope' or table correlation name '' specified in table columns"},
      {"INSERT INTO items i (x.Id) VALUES (1)",
       "Invalid column name 'Id' or table correlation name 'x' specified in table columns"},
      {"INSERT INTO items (Born) VALUES ('yesterday')",
       "Date, time, or timestamp expression expected, instead found 'yesterday' in update values"},
      {"INSERT INTO items (Born) VALUES (5)", "Type mismatch between column 'Born' and constant '5' in update values"},
      {"INSERT INTO items (Id) VALUES ('abc')",
       "Type mismatch between column 'Id' and constant 'abc' in update values"},
      {"INSERT INTO items (Name) VALUES (3)", "Type mismatch between column 'Name' and constant '3' in update values"},
      {"INSERT INTO items (Name) VALUES (1 + 2)",
       "Type mismatch between column 'Name' and expression '+' in update values"},
      {"INSERT INTO items (Id) VALUES (Amount)",
       "Invalid column name 'Amount' or table correlation name '' specified in value expression"},
      {"INSERT INTO items (Data) VALUES ('bytes')",
       "Type mismatch between column 'Data' and constant 'bytes' in update values"},
      {"UPDATE items SET Amount = Name", "Type mismatch between column 'Amount' and column 'Name' in update values"},
      {"UPDATE items SET Amount = Amount + 'x'",
       "Type mismatch between column 'Amount' and constant 'x' in value expression"},
      {"UPDATE items SET Nope = 1", "Invalid column name 'Nope' or table correlation name '' specified in table columns"},
      {"UPDATE items SET Born = 'soon'",
       "Date, time, or timestamp expression expected, instead found 'soon' in update values"},
      {"UPDATE items SET Amount = 1 WHERE Nope = 1",
       "Invalid column name 'Nope' or table correlation name '' specified in WHERE or JOIN clause"},
      {"DELETE FROM items WHERE Amount", "WHERE or JOIN clause must be a boolean expression"},
      {"DELETE FROM items COMMIT INTERVAL 0", "COMMIT INTERVAL specified (0) is invalid, it must be greater than 0"},
      {"UPDATE items SET Amount = 1 COMMIT INTERVAL -5",
       "COMMIT INTERVAL specified (-5) is invalid, it must be greater than 0"},
      {"INSERT INTO items SELECT * FROM trio COMMIT INTERVAL 0",
       "COMMIT INTERVAL specified (0) is invalid, it must be greater than 0"},
  };
  const std::vector<std::string> before = Rows();
  for (const auto& [sql, message] : cases) EXPECT_EQ(Message(sql), message) << sql;
  // Values that pass planning but cannot be converted to their column.
  EXPECT_EQ(Message("INSERT INTO items (Id, Code, Amount) VALUES (8, 'p', ?)", {DateParameter(2001, 2, 3)}),
            "Type mismatch between column Amount and constant value ? in INSERT statement");
  EXPECT_EQ(Message("UPDATE items SET Amount = ? WHERE Id = 1", {DateParameter(2001, 2, 3)}),
            "Type mismatch between column Amount and constant value ? in UPDATE statement");
  EXPECT_EQ(Rows(), before);
  ExpectConsistent(kItems);
}

TEST_F(DataChangeTest, EngineErrorsOfAnInsertPassThrough) {
  FillItems();
  EXPECT_EQ(EngineErrorOf([&] { Run("INSERT INTO items (Id, Code) VALUES (1, 'other')"); }), err::DuplicateKey);
  EXPECT_EQ(EngineErrorOf([&] { Run("INSERT INTO items (Id, Code, Amount) VALUES (9, 'x', 1001)"); }),
            err::AboveMaximum);
  // A failed insert keeps no BLOB value behind.
  EXPECT_EQ(EngineErrorOf([&] { Run("INSERT INTO items (Id, Code, Note) VALUES (9, 'c1', 'orphan')"); }),
            err::DuplicateKey);
  EXPECT_EQ(Rows().size(), 5u);
  ExpectConsistent(kItems);
}

TEST_F(DataChangeTest, InsertSelectAppendsTheRowsOfTheSelect) {
  FillItems();
  Run("INSERT INTO trio VALUES (100, 'x', 1)", "trio");
  TSqlStatement statement(*FDirectory, "INSERT INTO trio (c, b, a) SELECT Amount, Name, Id FROM items WHERE Id > 3");
  statement.Execute();
  EXPECT_EQ(statement.RowsAffected(), 2);
  EXPECT_EQ(Rows("trio"), (std::vector<std::string>{"100|x|1", "4|n4|40", "5|n5|50"}));
  ExpectConsistent("trio");
  EXPECT_EQ(Message("INSERT INTO trio SELECT Id, Code FROM items"),
            "The number of values must match the number of table columns");
  EXPECT_EQ(Message("INSERT INTO trio SELECT Id, Amount, Code FROM items"),
            "Type mismatch between column 'b' and column 'Amount' in update values");
}

// A table of 20,000 records of 100 bytes, and a second session that looks at it as another user.
class CommitIntervalTest : public DataChangeTest {
 protected:
  static constexpr int kRecords = 20000;

  void SetUp() override {
    DataChangeTest::SetUp();
    FDirectory->CloseTable(FDirectory->CreateTable("hundred", false, HundredBytesDefinition()));
    TDataCursor cursor(*FDirectory);
    cursor.SetTableName("hundred");
    cursor.Open();
    ASSERT_EQ(cursor.Table()->Data().RecordSize(), 100);
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    // Stored in one transaction: written to the files once.
    FDirectory->StartTransaction();
    for (int32_t i = 1; i <= kRecords; ++i) {
      cursor.InitRecord(record.data());
      uint8_t id[4];
      StoreLE(id, i);
      cursor.PutField(1, record.data(), id);
      const std::string name = "record " + std::to_string(i);
      cursor.PutField(2, record.data(), reinterpret_cast<const uint8_t*>(name.c_str()));
      cursor.InsertRecord(record.data(), false);
    }
    FDirectory->Commit();
    FOther = FOtherSession.OpenDirectory("", FTemp.Path().string());
    FOtherCursor = std::make_unique<TDataCursor>(*FOther);
    FOtherCursor->SetTableName("hundred");
    FOtherCursor->Open();
  }

  // The records the other user sees deleted.
  int32_t DeletedForOther() {
    FOtherCursor->Refresh();
    return kRecords - FOtherCursor->GetRecordCount();
  }

  // Runs the DELETE; at each progress report the records deleted so far and those the other user
  // sees deleted then, for the reports listed. The last percent reported is kept.
  std::vector<std::pair<int32_t, int32_t>> DeleteWatched(const std::string& sql, const std::vector<int32_t>& watched,
                                                         int32_t abortAt = 0) {
    std::vector<std::pair<int32_t, int32_t>> seen;
    TSqlStatement statement(*FDirectory, sql);
    FLastPercent = -1;
    statement.SetProgress([&](int32_t rows, int percent, bool& abort) {
      EXPECT_GE(percent, FLastPercent);
      FLastPercent = percent;
      if (std::find(watched.begin(), watched.end(), rows) != watched.end()) seen.emplace_back(rows, DeletedForOther());
      abort = rows == abortAt;
    });
    statement.Execute();
    ExpectConsistent("hundred");
    return seen;
  }

  TDataSession FOtherSession;
  TDataDirectory* FOther = nullptr;
  std::unique_ptr<TDataCursor> FOtherCursor;
  int FLastPercent = -1;
};

TEST_F(CommitIntervalTest, ADeleteWithoutIntervalCommitsEvery2621RecordsOf100Bytes) {
  const auto seen = DeleteWatched("DELETE FROM hundred", {1, 2620, 2621, 2622, 5242, 5243, 20000});
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{
                      {1, 0}, {2620, 0}, {2621, 2621}, {2622, 2621}, {5242, 5242}, {5243, 5242}, {20000, 18347}}));
  EXPECT_EQ(FLastPercent, 100);
  EXPECT_EQ(DeletedForOther(), kRecords);
}

TEST_F(CommitIntervalTest, AGivenIntervalIsTheOneUsed) {
  const auto seen = DeleteWatched("DELETE FROM hundred WHERE Id > 0 COMMIT INTERVAL 1000", {999, 1000, 1001, 19999});
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{{999, 0}, {1000, 1000}, {1001, 1000}, {19999, 19000}}));
}

TEST_F(CommitIntervalTest, AnAbortKeepsWhatWasDeleted) {
  DeleteWatched("DELETE FROM hundred", {}, 3000);
  EXPECT_EQ(FLastPercent, 15);
  EXPECT_EQ(DeletedForOther(), 3000);
  EXPECT_FALSE(FDirectory->InTransaction());
}

TEST_F(CommitIntervalTest, InsideTheCallersTransactionOnlyAGivenIntervalCommits) {
  FDirectory->StartTransaction();
  auto seen = DeleteWatched("DELETE FROM hundred WHERE Id <= 10000", {2621, 10000});
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{{2621, 0}, {10000, 0}}));
  EXPECT_TRUE(FDirectory->InTransaction());
  EXPECT_EQ(DeletedForOther(), 0);
  FDirectory->Rollback();
  EXPECT_EQ(DeletedForOther(), 0);
  EXPECT_EQ(Rows("hundred").size(), static_cast<size_t>(kRecords));

  FDirectory->StartTransaction();
  seen = DeleteWatched("DELETE FROM hundred WHERE Id <= 10000 COMMIT INTERVAL 4000", {3999, 4000});
  EXPECT_EQ(seen, (std::vector<std::pair<int32_t, int32_t>>{{3999, 0}, {4000, 4000}}));
  EXPECT_EQ(DeletedForOther(), 8000);
  FDirectory->Commit();
  EXPECT_EQ(DeletedForOther(), 10000);
}

TEST(ChangeTransactionInterval, FollowsTheRecordLength) {
  EXPECT_EQ(TChangeTransaction::DefaultInterval(100), 2621);
  EXPECT_EQ(TChangeTransaction::DefaultInterval(20), 8191);
  EXPECT_EQ(TChangeTransaction::DefaultInterval(65535), 4);
}

}  // namespace
}  // namespace sklad::testing
