// CREATE TABLE, CREATE INDEX, ALTER TABLE, DROP TABLE and DROP INDEX: the tables they make and
// change, read back through a cursor's definitions, the table header and the table check, with
// the values of altered tables converted and kept, and every refusal leaving the table as it was.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "SqlErrorText.h"
#include "engine/cursor/DataCursor.h"
#include "engine/cursor/TableCheck.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {
namespace {

constexpr uint16_t kCzech = 1029;

class DefinitionStatementTest : public ::testing::Test {
 protected:
  DefinitionStatementTest() {
    FSession.LanguageId = 0;
    FDirectory = FSession.OpenDirectory("", FTemp.Path().string());
  }

  void Run(const std::string& text) {
    TSqlStatement statement(*FDirectory, text);
    statement.Prepare();
    statement.Execute();
    EXPECT_EQ(statement.RowsAffected(), 0);
  }

  // The engine error code a statement raises; 0 when it runs.
  uint16_t ErrorCode(const std::string& text) {
    try {
      Run(text);
    } catch (const ESkladEngineError& e) {
      return e.Code();
    }
    return 0;
  }

  std::unique_ptr<TDataCursor> Open(const std::string& table, bool inMemory = false) {
    auto cursor = std::make_unique<TDataCursor>(*FDirectory);
    cursor->SetTableName(table);
    cursor->SetInMemory(inMemory);
    cursor->Open();
    return cursor;
  }

  bool FileExists(const std::string& name) const { return std::filesystem::exists(FTemp / name); }

  // The table's data, indexes and BLOBs are consistent.
  void ExpectConsistent(const std::string& table, bool inMemory = false) {
    EXPECT_TRUE(CheckTable(*Open(table, inMemory)->Table()).empty()) << table;
  }

  // A table "people" of id INTEGER, name CHAR(20), score CHAR(6), note BLOB memo with `count`
  // rows: id i, name "Name i", score the text of i * 10, a note on every other row.
  void CreatePeople(int count) {
    Run("CREATE TABLE people (id INTEGER, name CHAR(20), score CHAR(6), note BLOB(0, 1), PRIMARY KEY (id))");
    auto cursor = Open("people");
    std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
    for (int i = 1; i <= count; ++i) {
      cursor->InitRecord(record.data());
      const int32_t id = i;
      cursor->PutField(1, record.data(), reinterpret_cast<const uint8_t*>(&id));
      const std::string name = "Name " + std::to_string(i), score = std::to_string(i * 10);
      cursor->PutField(2, record.data(), reinterpret_cast<const uint8_t*>(name.c_str()));
      cursor->PutField(3, record.data(), reinterpret_cast<const uint8_t*>(score.c_str()));
      const std::string note = "Note " + std::to_string(i);
      if (i % 2 == 0) {
        cursor->OpenBlob(4, record.data(), 0, TDataCursor::kBlobWrite);
        cursor->WriteBlob(4, record.data(), static_cast<int32_t>(note.size()),
                          reinterpret_cast<const uint8_t*>(note.data()), 0);
      }
      cursor->InsertRecord(record.data(), false);
      if (i % 2 == 0) cursor->CloseBlob(4, record.data(), 0);
    }
  }

  // Every record's fields as text, in natural order ("" for null, the memo's text for BLOBs).
  std::vector<std::vector<std::string>> Rows(const std::string& table) {
    auto cursor = Open(table);
    std::vector<std::vector<std::string>> rows;
    std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
    cursor->First();
    while (cursor->ReadNext(record.data()) == 0) {
      std::vector<std::string> row;
      for (int n = 1; n <= cursor->FieldCount(); ++n) row.push_back(FieldText(*cursor, n, record.data()));
      rows.push_back(row);
    }
    return rows;
  }

  static std::string FieldText(TDataCursor& cursor, int n, uint8_t* record) {
    const TFieldDefinition& field = cursor.GetFieldDefinition(n);
    std::vector<uint8_t> value(512, 0);
    if (cursor.GetField(n, record, value.data())) return "";
    switch (field.Type()) {
      case TFieldType::String: return reinterpret_cast<const char*>(value.data());
      case TFieldType::Integer: {
        int32_t v;
        std::memcpy(&v, value.data(), 4);
        return std::to_string(v);
      }
      case TFieldType::SmallInt: {
        int16_t v;
        std::memcpy(&v, value.data(), 2);
        return std::to_string(v);
      }
      case TFieldType::Blob: {
        int32_t length = 0, read = 0;
        cursor.OpenBlob(n, record, 1, TDataCursor::kBlobRead);
        cursor.GetBlobSize(n, record, length);
        std::string text(static_cast<size_t>(length), '\0');
        cursor.ReadBlob(n, record, read, length, reinterpret_cast<uint8_t*>(text.data()), 0);
        cursor.CloseBlob(n, record, 1);
        return text;
      }
      default: return "?";
    }
  }

  static std::vector<std::string> FieldNames(const TDataCursor& cursor) {
    std::vector<std::string> names;
    for (int n = 1; n <= cursor.TableFieldCount(); ++n) names.push_back(cursor.TableField(n).Name());
    return names;
  }

  TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDirectory = nullptr;
};

TEST_F(DefinitionStatementTest, CreateTableGivesEveryDataTypeAndOption) {
  Run("CREATE TABLE \"all\" ("
      "s CHAR(20) DESCRIPTION 'A string' NOT NULL DEFAULT 'abc' CHARCASE UPPER, "
      "v VARCHAR(5) CHARCASE LOWER, d DATE DEFAULT '2003-01-31', memo BLOB(0, 1), pic BLOB(0, 5), "
      "flag BOOLEAN DEFAULT TRUE, small SMALLINT MIN -5 MAX 100, i INT, counter AUTOINC, "
      "f FLOAT(10, 2) DEFAULT -1.5, cash MONEY, amount DECIMAL(10, 2) DEFAULT 12.5, raw BYTES(6), "
      "t TIME DEFAULT TIME, ts TIMESTAMP DEFAULT NOW, w WORD, "
      "CONSTRAINT pk PRIMARY KEY (i, s), "
      "DESCRIPTION 'Every type', BLOB BLOCK SIZE 1024, USER MAJOR VERSION 3, USER MINOR VERSION 7)");
  auto cursor = Open("all");
  struct Expected {
    const char* name;
    TFieldType type;
    uint8_t subtype;
    int declaredSize, scale;
    const char* minimum;
    const char* maximum;
    const char* defaultText;
  };
  const Expected expected[] = {
      {"s", TFieldType::String, 0, 20, 0, "", "", "abc"},
      {"v", TFieldType::String, 0, 5, 0, "", "", ""},
      {"d", TFieldType::Date, 0, 0, 0, "", "", "2003-01-31"},
      {"memo", TFieldType::Blob, subtype::Memo, 0, 0, "", "", ""},
      {"pic", TFieldType::Blob, subtype::Graphic, 0, 0, "", "", ""},
      {"flag", TFieldType::Boolean, 0, 0, 0, "", "", "True"},
      {"small", TFieldType::SmallInt, 0, 0, 0, "-5", "100", ""},
      {"i", TFieldType::Integer, 0, 0, 0, "", "", ""},
      {"counter", TFieldType::Integer, subtype::AutoIncrement, 0, 0, "", "", ""},
      {"f", TFieldType::Float, 0, 0, 0, "", "", "-1.5"},
      {"cash", TFieldType::Float, subtype::Money, 0, 0, "", "", ""},
      {"amount", TFieldType::BCD, 0, 0, 2, "", "", "12.50"},
      {"raw", TFieldType::Bytes, 0, 6, 0, "", "", ""},
      {"t", TFieldType::Time, 0, 0, 0, "", "", "TIME"},
      {"ts", TFieldType::TimeStamp, 0, 0, 0, "", "", "NOW"},
      {"w", TFieldType::Word, 0, 0, 0, "", "", ""},
  };
  ASSERT_EQ(cursor->TableFieldCount(), static_cast<int>(std::size(expected)));
  for (int n = 1; n <= cursor->TableFieldCount(); ++n) {
    const Expected& e = expected[n - 1];
    const TFieldDefinition& field = cursor->TableField(n);
    SCOPED_TRACE(e.name);
    EXPECT_EQ(field.Name(), e.name);
    EXPECT_EQ(field.Type(), e.type);
    EXPECT_EQ(field.Subtype(), e.subtype);
    EXPECT_EQ(field.DeclaredSize(), e.declaredSize);
    EXPECT_EQ(field.Scale(), e.scale);
    EXPECT_EQ(field.Minimum(), e.minimum);
    EXPECT_EQ(field.Maximum(), e.maximum);
    EXPECT_EQ(field.Default(), e.defaultText);
  }
  const TFieldDefinition& s = cursor->TableField(1);
  EXPECT_EQ(s.Description(), "A string");
  EXPECT_TRUE(s.Required());
  EXPECT_EQ(s.Casing(), casing::Upper);
  EXPECT_EQ(cursor->TableField(2).Casing(), casing::Lower);
  EXPECT_FALSE(cursor->TableField(3).Required());

  const TDataFile& data = cursor->Table()->Data();
  EXPECT_EQ(data.Description(), "Every type");
  EXPECT_EQ(data.BlobBlockSize(), 1024);
  EXPECT_EQ(data.UserMajorVersion(), 3);
  EXPECT_EQ(data.UserMinorVersion(), 7);
  EXPECT_EQ(data.Language(), 0);
  EXPECT_FALSE(data.Encrypted());

  const TIndexFile& index = cursor->Table()->Index();
  ASSERT_FALSE(index.NoPrimaryKey());
  const TIndexDefinition primary = index.Definition(TIndexFile::kPrimarySlot);
  EXPECT_TRUE(primary.Unique());
  ASSERT_EQ(primary.ListedFieldCount(), 2);
  EXPECT_EQ(primary.FieldNumber(0), 8);
  EXPECT_EQ(primary.FieldNumber(1), 1);
  EXPECT_EQ(index.SecondaryCount(), 0);
  ExpectConsistent("all");
}

TEST_F(DefinitionStatementTest, TableOptionsDefaultToTheSessionAndOneVersion) {
  FSession.LanguageId = kCzech;
  Run("CREATE TABLE plain (n INTEGER)");
  Run("CREATE TABLE english (n INTEGER, LANGUAGE 'English (USA)')");
  auto plain = Open("plain");
  EXPECT_EQ(plain->Table()->Data().Language(), kCzech);
  EXPECT_EQ(plain->Table()->Data().UserMajorVersion(), 1);
  EXPECT_EQ(plain->Table()->Data().UserMinorVersion(), 0);
  EXPECT_EQ(plain->Table()->Data().BlobBlockSize(), 512);
  EXPECT_TRUE(plain->Table()->Index().NoPrimaryKey());
  EXPECT_EQ(Open("english")->Table()->Data().Language(), 1033);
}

// Values are read as the statement reads constants and written in the table language's formats.
TEST_F(DefinitionStatementTest, ValueTextsAreWrittenForTheTableLanguage) {
  struct Case {
    const char* column;
    const char* language;
    const char* expected;
  };
  const Case cases[] = {
      {"x FLOAT DEFAULT 1.5", "", "1.5"},
      {"x FLOAT DEFAULT 1.5", ", LANGUAGE Czech", "1,5"},
      {"x DECIMAL(8, 3) DEFAULT -2.25", ", LANGUAGE Czech", "-2,250"},
      {"x INTEGER DEFAULT -7", ", LANGUAGE Czech", "-7"},
      {"x CHAR(5) DEFAULT 'a.b'", ", LANGUAGE Czech", "a.b"},
      {"x CHAR(5) DEFAULT 12", "", "12"},
      {"x DATE DEFAULT DATE", ", LANGUAGE Czech", "DATE"},
  };
  int table = 0;
  for (const Case& c : cases) {
    const std::string name = "v" + std::to_string(++table);
    Run("CREATE TABLE " + name + " (" + c.column + c.language + ")");
    EXPECT_EQ(Open(name)->TableField(1).Default(), c.expected) << c.column << c.language;
  }
}

TEST_F(DefinitionStatementTest, DefaultsFillNewRecords) {
  Run("CREATE TABLE d (n INTEGER DEFAULT 42, s CHAR(4) DEFAULT 'ab')");
  auto cursor = Open("d");
  std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
  cursor->InitRecord(record.data());
  EXPECT_EQ(FieldText(*cursor, 1, record.data()), "42");
  EXPECT_EQ(FieldText(*cursor, 2, record.data()), "ab");
}

TEST_F(DefinitionStatementTest, EncryptedTableAsksForItsPassword) {
  Run("CREATE TABLE secret (n INTEGER, ENCRYPTED WITH 'heslo')");
  TDataCursor cursor(*FDirectory);
  cursor.SetTableName("secret");
  try {
    cursor.Open();
    FAIL() << "opened without a password";
  } catch (const ESkladEngineError& e) {
    EXPECT_EQ(e.Code(), err::PasswordRequired);
  }
  FSession.AddPassword("heslo");
  cursor.Open();
  EXPECT_TRUE(cursor.Table()->Data().Encrypted());
  EXPECT_EQ(cursor.Table()->Data().Password(), "heslo");
}

TEST_F(DefinitionStatementTest, CreateIndexOfEveryKind) {
  CreatePeople(20);
  Run("CREATE INDEX byname ON people (name)");
  Run("CREATE UNIQUE DESC NOCASE INDEX "
      "an_index_name_longer_than_thirty_characters ON people (name, id) COMPRESS FULL");
  Run("CREATE ASCENDING INDEX byscore ON people (score) COMPRESS DUPBYTE");
  auto cursor = Open("people");
  const TIndexFile& file = cursor->Table()->Index();
  ASSERT_EQ(file.SecondaryCount(), 3);
  const TIndexDefinition plain = file.Definition(1);
  EXPECT_EQ(plain.Name(), "byname");
  EXPECT_FALSE(plain.Unique());
  EXPECT_FALSE(plain.Descending());
  EXPECT_EQ(plain.Compression(), TKeyCompression::None);
  const TIndexDefinition full = file.Definition(2);
  EXPECT_EQ(full.Name(), "an_index_name_longer_than_thir");
  EXPECT_TRUE(full.Unique());
  EXPECT_TRUE(full.Descending());
  EXPECT_TRUE(full.FieldDescending(0));
  EXPECT_TRUE(full.CaseInsensitive());
  EXPECT_EQ(full.Compression(), TKeyCompression::Full);
  ASSERT_EQ(full.ListedFieldCount(), 2);
  EXPECT_EQ(full.FieldNumber(0), 2);
  EXPECT_EQ(full.FieldNumber(1), 1);
  EXPECT_EQ(file.Definition(3).Compression(), TKeyCompression::DuplicateBytes);
  cursor.reset();
  ExpectConsistent("people");
  EXPECT_EQ(Rows("people").size(), 20u);
}

TEST_F(DefinitionStatementTest, UniqueIndexOverDuplicatesFailsAndDeletesNothing) {
  CreatePeople(6);
  {
    auto cursor = Open("people");
    std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
    cursor->InitRecord(record.data());
    const int32_t id = 7;
    cursor->PutField(1, record.data(), reinterpret_cast<const uint8_t*>(&id));
    cursor->PutField(2, record.data(), reinterpret_cast<const uint8_t*>("Name 1"));
    cursor->InsertRecord(record.data(), false);
  }
  EXPECT_EQ(ErrorCode("CREATE UNIQUE INDEX byname ON people (name)"), err::DuplicateKey);
  auto cursor = Open("people");
  EXPECT_EQ(cursor->GetRecordCount(), 7);
  EXPECT_EQ(cursor->Table()->Index().SecondaryCount(), 0);
  cursor.reset();
  ExpectConsistent("people");
  Run("CREATE INDEX byname ON people (name)");
  ExpectConsistent("people");
}

TEST_F(DefinitionStatementTest, AlterTableConvertsAndKeepsValues) {
  CreatePeople(10);
  // Actions apply in order; a new column takes its default in the existing records.
  Run("ALTER TABLE people ADD COLUMN added SMALLINT DEFAULT 5 AT 1, "
      "REDEFINE score points INTEGER, REDEFINE id AT 5, DROP COLUMN name");
  auto cursor = Open("people");
  EXPECT_EQ(FieldNames(*cursor), (std::vector<std::string>{"added", "points", "note", "id"}));
  EXPECT_EQ(cursor->TableField(2).Type(), TFieldType::Integer);
  // The primary index follows its column to its new place.
  ASSERT_FALSE(cursor->Table()->Index().NoPrimaryKey());
  EXPECT_EQ(cursor->Table()->Index().Definition(TIndexFile::kPrimarySlot).FieldNumber(0), 4);
  cursor.reset();
  const auto rows = Rows("people");
  ASSERT_EQ(rows.size(), 10u);
  for (int i = 1; i <= 10; ++i) {
    const auto& row = rows[static_cast<size_t>(i - 1)];
    EXPECT_EQ(row, (std::vector<std::string>{"5", std::to_string(i * 10),
                                             i % 2 == 0 ? "Note " + std::to_string(i) : "", std::to_string(i)}));
  }
  ExpectConsistent("people");
  // No backup was asked against, so the old files stay beside the table.
  EXPECT_TRUE(FileExists("people.DBK"));
  EXPECT_TRUE(FileExists("people.IBK"));
}

TEST_F(DefinitionStatementTest, AlterTableColumnOptionsAndTableOptions) {
  CreatePeople(3);
  Run("ALTER TABLE people REDEFINE name DESCRIPTION 'Full name' NOT NULL CHARCASE UPPER, "
      "DESCRIPTION 'People', USER MAJOR VERSION 2, LAST AUTOINC 100 NOBACKUP");
  auto cursor = Open("people");
  const TFieldDefinition& name = cursor->TableField(2);
  EXPECT_EQ(name.Type(), TFieldType::String);
  EXPECT_EQ(name.DeclaredSize(), 20);
  EXPECT_EQ(name.Description(), "Full name");
  EXPECT_TRUE(name.Required());
  EXPECT_EQ(name.Casing(), casing::Upper);
  EXPECT_EQ(cursor->Table()->Data().Description(), "People");
  EXPECT_EQ(cursor->Table()->Data().UserMajorVersion(), 2);
  EXPECT_EQ(cursor->Table()->Data().LastAutoIncrement(), 100);
  cursor.reset();
  EXPECT_EQ(Rows("people").size(), 3u);
  EXPECT_FALSE(FileExists("people.DBK"));
  ExpectConsistent("people");
}

TEST_F(DefinitionStatementTest, AlterTablePrimaryKeys) {
  CreatePeople(5);
  Run("ALTER TABLE people DROP PRIMARY KEY");
  EXPECT_TRUE(Open("people")->Table()->Index().NoPrimaryKey());
  EXPECT_EQ(ErrorCode("ALTER TABLE people DROP PRIMARY KEY"), err::InvalidIndexName);
  Run("ALTER TABLE people ADD DESC PRIMARY KEY (name) NOBACKUP");
  EXPECT_EQ(ErrorCode("ALTER TABLE people ADD PRIMARY KEY (id)"), err::PrimaryIndexExists);
  Run("ALTER TABLE people REDEFINE PRIMARY KEY (id)");
  auto cursor = Open("people");
  EXPECT_EQ(cursor->Table()->Index().Definition(TIndexFile::kPrimarySlot).FieldNumber(0), 1);
  cursor.reset();
  // An index over a dropped column goes with it.
  Run("CREATE INDEX byscore ON people (score)");
  Run("ALTER TABLE people DROP score");
  EXPECT_EQ(Open("people")->Table()->Index().SecondaryCount(), 0);
  EXPECT_EQ(Rows("people").size(), 5u);
  ExpectConsistent("people");
}

// An ALTER that would leave records out, or that the engine refuses, changes nothing.
TEST_F(DefinitionStatementTest, FailingAlterLeavesTheTableAsItWas) {
  CreatePeople(8);
  const auto before = Rows("people");
  struct Case {
    const char* text;
    uint16_t code;
  };
  const Case cases[] = {
      {"ALTER TABLE people ADD must INTEGER NOT NULL", err::ValueRequired},
      {"ALTER TABLE people ADD PRIMARY KEY (score)", err::PrimaryIndexExists},
      {"ALTER TABLE people DROP PRIMARY KEY, ADD PRIMARY KEY (note)", err::InvalidIndexFieldType},
      {"ALTER TABLE people ADD id CHAR(3)", err::InvalidFieldName},
      {"ALTER TABLE people REDEFINE score INTEGER MIN 50", err::BelowMinimum},
      {"ALTER TABLE people ADD x INTEGER DEFAULT 'abc'", err::InvalidValidityCheck},
      {"ALTER TABLE people BLOB BLOCK SIZE 10", err::BlobFieldLimits},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ErrorCode(c.text), c.code) << c.text;
    EXPECT_EQ(Rows("people"), before) << c.text;
    EXPECT_EQ(FieldNames(*Open("people")), (std::vector<std::string>{"id", "name", "score", "note"}));
  }
  ExpectConsistent("people");
}

TEST_F(DefinitionStatementTest, PlanningMessages) {
  CreatePeople(2);
  const std::pair<const char*, const char*> cases[] = {
      {"ALTER TABLE people ADD x INTEGER AT 6", "AT column position must be between 1 and 5"},
      {"ALTER TABLE people ADD x INTEGER AT -1", "AT column position must be between 1 and 5"},
      {"ALTER TABLE people REDEFINE name AT 5", "AT column position must be between 1 and 4"},
      {"ALTER TABLE people REDEFINE nobody INTEGER", "Column nobody not found"},
      {"ALTER TABLE people DROP COLUMN nobody", "Column nobody not found"},
      {"ALTER TABLE people ADD PRIMARY KEY (nobody)", "Column nobody not found"},
      {"CREATE INDEX i ON people (id, nobody)", "Column nobody not found"},
      {"CREATE TABLE x (s CHAR(0))",
       "Length argument must be an integer greater than 0 and less than or equal to 250 in table column"},
      {"CREATE TABLE x (s VARCHAR(251))",
       "Length argument must be an integer greater than 0 and less than or equal to 250 in table column"},
      {"CREATE TABLE x (s CHAR('a'))", "Length argument must be an integer in table column"},
      {"CREATE TABLE x (b BYTES(300))",
       "Length argument must be an integer greater than 0 and less than or equal to 250 in table column"},
      {"CREATE TABLE x (d DECIMAL(10, 5))",
       "Scale argument must be an integer less than or equal to 4 for the BCD data type table column"},
      {"CREATE TABLE x (b BLOB(1, 1))", "First BLOB type argument must be an integer with the value of 0 in table column"},
      {"CREATE TABLE x (b BLOB(0, 4))", "BLOB type argument must be an integer equal to 1,2,3,5, or 7 in table column"},
      {"CREATE TABLE x (n INTEGER, USER MAJOR VERSION 70000)", "User version number 70000 must be between 0 and 65535"},
      {"CREATE TABLE x (n INTEGER, USER MINOR VERSION -1)", "User version number -1 must be between 0 and 65535"},
  };
  for (const auto& [text, message] : cases) {
    TSqlStatement statement(*FDirectory, text);
    EXPECT_EQ(SqlMessage([&] { statement.Prepare(); }), message) << text;
  }
  EXPECT_FALSE(FileExists("x.DAT"));
}

TEST_F(DefinitionStatementTest, EngineErrorsPassThrough) {
  CreatePeople(2);
  EXPECT_EQ(ErrorCode("CREATE TABLE people (n INTEGER)"), err::TableExists);
  EXPECT_EQ(ErrorCode("CREATE TABLE x (n INTEGER, n CHAR(2))"), err::InvalidFieldName);
  EXPECT_EQ(ErrorCode("CREATE TABLE x (n INTEGER, PRIMARY KEY (n), PRIMARY KEY (n))"), err::PrimaryIndexExists);
  EXPECT_EQ(ErrorCode("CREATE TABLE x (n INTEGER, ENCRYPTED WITH '   ')"), err::InvalidPassword);
  EXPECT_EQ(ErrorCode("DROP INDEX people.nothing"), err::InvalidIndexName);
  auto user = Open("people");
  EXPECT_EQ(ErrorCode("CREATE INDEX i ON people (name)"), err::AccessDenied);
  EXPECT_EQ(ErrorCode("ALTER TABLE people ADD x INTEGER"), err::AccessDenied);
  EXPECT_EQ(ErrorCode("DROP TABLE people"), err::AccessDenied);
  user.reset();
  EXPECT_EQ(Rows("people").size(), 2u);
}

TEST_F(DefinitionStatementTest, DropIndexAndDropTable) {
  CreatePeople(4);
  Run("CREATE INDEX byname ON people (name)");
  Run("DROP INDEX people.BYNAME");
  EXPECT_EQ(Open("people")->Table()->Index().SecondaryCount(), 0);
  Run("DROP INDEX people.primary");
  EXPECT_TRUE(Open("people")->Table()->Index().NoPrimaryKey());
  EXPECT_EQ(ErrorCode("DROP INDEX people.PRIMARY"), err::InvalidIndexName);
  EXPECT_EQ(Rows("people").size(), 4u);
  ExpectConsistent("people");
  Run("DROP TABLE people");
  EXPECT_FALSE(FileExists("people.DAT"));
  EXPECT_FALSE(FileExists("people.IDX"));
  EXPECT_FALSE(FileExists("people.BLB"));
  EXPECT_FALSE(FDirectory->TableExists("people", false));
}

TEST_F(DefinitionStatementTest, InMemoryTables) {
  Run("CREATE TABLE MEMORY scratch (n INTEGER, s CHAR(5), PRIMARY KEY (n))");
  EXPECT_TRUE(FDirectory->TableExists("scratch", true));
  EXPECT_FALSE(FileExists("scratch.DAT"));
  Run("CREATE INDEX bys ON MEMORY scratch (s)");
  Run("ALTER TABLE MEMORY scratch ADD extra DATE AT 1");
  auto cursor = Open("scratch", true);
  EXPECT_EQ(FieldNames(*cursor), (std::vector<std::string>{"extra", "n", "s"}));
  EXPECT_EQ(cursor->Table()->Index().SecondaryCount(), 1);
  cursor.reset();
  ExpectConsistent("scratch", true);
  Run("DROP INDEX MEMORY scratch.PRIMARY");
  Run("DROP TABLE MEMORY scratch");
  EXPECT_FALSE(FDirectory->TableExists("scratch", true));
}

}  // namespace
}  // namespace sklad::testing
