// Bad statements of every kind, prepared and executed on a small database: each fails with its
// exact message, and the table it names is left as it was. Errors of the cursor engine (missing
// tables, duplicate keys, unknown indexes) pass through with their own codes.
#include <gtest/gtest.h>

#include <string>

#include "SqlErrorText.h"
#include "engine/cursor/DataCursor.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {
namespace {

class BadStatementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDirectory = FSession.OpenDirectory("", FTemp.Path().string());
    TTableDefinition t;
    t.Fields.Add(TFieldDefinition::Make("a", TFieldType::Integer, 0));
    t.Fields.Add(TFieldDefinition::Make("b", TFieldType::String, 10));
    t.Fields.Add(TFieldDefinition::Make("c", TFieldType::Float, 0));
    t.Fields.Add(TFieldDefinition::Make("d", TFieldType::Date, 0));
    t.Fields.Add(TFieldDefinition::Make("m", TFieldType::Blob, 0, subtype::Memo));
    t.Fields.Add(TFieldDefinition::Make("s", TFieldType::SmallInt, 0));
    t.Primary.SetFieldNumber(0, 1);
    t.Primary.SetFieldCount(1);
    FDirectory->CloseTable(FDirectory->CreateTable("t", false, t));
    TTableDefinition u;
    u.Fields.Add(TFieldDefinition::Make("a", TFieldType::Integer, 0));
    u.Fields.Add(TFieldDefinition::Make("b", TFieldType::String, 10));
    FDirectory->CloseTable(FDirectory->CreateTable("u", false, u));
    Run("INSERT INTO t (a, b, c) VALUES (1, 'jedna', 1.5)");
    Run("INSERT INTO t (a, b, c) VALUES (2, 'dva', 2.5)");
  }

  void Run(const std::string& sql) {
    TSqlStatement statement(*FDirectory, sql);
    statement.Execute();
  }

  // Every record of t, as text, to show that a failed statement changed nothing.
  std::string TableContent() {
    TDataCursor cursor(*FDirectory);
    cursor.SetTableName("t");
    cursor.Open();
    std::string content;
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    while (cursor.ReadNext(record.data()) == cursor_status::Ok) content += std::string(record.begin(), record.end());
    return content + std::to_string(cursor.GetRecordCount());
  }

  TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDirectory = nullptr;
};

TEST_F(BadStatementTest, EveryKindFailsWithItsMessageAndChangesNothing) {
  const std::pair<const char*, const char*> cases[] = {
      // Dispatch and SELECT.
      {"SELEC * FROM t", "SELECT, INSERT, UPDATE, DELETE, CREATE, ALTER, or DROP keyword expected, instead found 'SELEC'"},
      {"SELECT * FROM t a, u a", "Duplicate table correlation name 'a' found in source tables"},
      {"SELECT * FROM t FULL JOIN u ON t.a = u.a",
       "Full outer joins are currently not supported in Sklad SQL SELECT statements"},
      {"SELECT x FROM t", "Invalid column name 'x' or table correlation name '' specified in source columns"},
      {"SELECT * AS x FROM t", "Invalid use of column correlation name 'x' for '*' specified in source columns"},
      {"SELECT a, COUNT(*) FROM t", "Invalid use of aggregate function(s), the necessary GROUP BY clause is missing"},
      {"SELECT a FROM t HAVING a > 1", "A GROUP BY clause must exist in order to use the HAVING clause"},
      {"SELECT a FROM t ORDER BY 3", "Invalid column number '3' specified in ORDER BY clause"},
      {"SELECT a FROM t ORDER BY zz", "Invalid column name 'zz' or table correlation name '' specified in ORDER BY clause"},
      {"SELECT a FROM t GROUP BY 2", "Invalid column number '2' specified in GROUP BY clause"},
      {"SELECT a FROM t GROUP BY zz", "Invalid column name 'zz' or table correlation name '' specified in GROUP BY clause"},
      {"SELECT m FROM t GROUP BY m", "Invalid BLOB column 'm' specified in GROUP BY clause"},
      {"SELECT DISTINCT a, m FROM t", "Invalid BLOB column 'm' specified in DISTINCT clause"},
      {"SELECT b, COUNT(*) FROM t GROUP BY b HAVING SUM(c) > 1", "Expression in HAVING clause not found in source columns"},
      {"SELECT b, MIN(c) FROM t GROUP BY b HAVING MAX(c) > 5", "Expression in HAVING clause not found in source columns"},
      {"SELECT b, SUM(c) FROM t GROUP BY b HAVING SUM(c)", "HAVING clause must be a boolean expression"},
      {"SELECT * FROM t WHERE b", "WHERE or JOIN clause must be a boolean expression"},
      {"SELECT MIN(b) FROM t",
       "MIN aggregate function must contain a numeric, date, time, or timestamp expression in source column "
       "expression"},
      {"SELECT * FROM t WHERE z.a = 1", "Table correlation name 'z' referenced in WHERE clause is not defined in the FROM clause"},
      {"SELECT t.a FROM t, u WHERE t.a + u.a = t.a",
       "The join condition cannot contain multiple table correlation names in either the left or right operand in "
       "WHERE or JOIN clause"},
      {"SELECT * FROM t, u, t v WHERE t.a = v.a AND u.a = v.a",
       "Internal join error - table correlation name \"v\" is target of multiple join conditions in WHERE or JOIN "
       "clause"},
      {"SELECT a FROM t INTO x", "End of SELECT statement expected, instead found 'x'"},  // INTO names t here
      // Numbers no column has, refused as written rather than cut down to one that exists.
      {"SELECT a FROM t ORDER BY 4294967297", "Invalid column number '4294967297' specified in ORDER BY clause"},
      {"SELECT a FROM t GROUP BY 0", "Invalid column number '0' specified in GROUP BY clause"},
      // No operator admits NULL on its left: the comparison is not turned round to hide it.
      {"SELECT * FROM t WHERE NULL = a", "Type mismatch between constant 'NULL' and column 'a' in WHERE or JOIN clause"},
      {"SELECT * FROM t WHERE NULL < b", "Type mismatch between constant 'NULL' and column 'b' in WHERE or JOIN clause"},
      // A condition's first token is read in its clause.
      {"SELECT * FROM t WHERE 'abc", "Missing single quote after 'abc' in WHERE or JOIN clause"},
      {"SELECT * FROM t JOIN u ON [abc", "Missing right bracket after 'abc' in WHERE or JOIN clause"},
      {"SELECT b FROM t GROUP BY b HAVING \"x", "Missing double quote after 'x' in HAVING clause"},
      {"UPDATE t SET a = 1 WHERE 'abc", "Missing single quote after 'abc' in WHERE or JOIN clause"},
      {"DELETE FROM t WHERE [abc", "Missing right bracket after 'abc' in WHERE or JOIN clause"},
      // INSERT.
      {"INSERT t VALUES (1)", "INTO keyword expected, instead found 't'"},
      {"INSERT INTO t VALUES (1, 'a')", "The number of values must match the number of table columns"},
      {"INSERT INTO t (a, zz) VALUES (1, 2)",
       "Invalid column name 'zz' or table correlation name '' specified in table columns"},
      {"INSERT INTO t (a, b VALUES (1, 'x')",
       "Right parentheses expected after list of table columns, instead found 'VALUES'"},
      {"INSERT INTO t (a) (1)", "VALUES or SELECT  keyword expected, instead found '('"},
      {"INSERT INTO t (a) VALUES 1", "Left parentheses expected after VALUES keyword, instead found '1'"},
      {"INSERT INTO t (a) VALUES (3) COMMIT INTERVAL 0",
       "COMMIT INTERVAL specified (0) is invalid, it must be greater than 0"},
      {"INSERT INTO t (a) VALUES (3) COMMIT INTERVAL -5",
       "COMMIT INTERVAL specified (-5) is invalid, it must be greater than 0"},
      {"INSERT INTO t (a) VALUES (3) COMMIT 5", "INTERVAL keyword expected after COMMIT keyword, instead found '5'"},
      // Integer values too large for an integer are refused, not read as 0.
      {"INSERT INTO t (a) VALUES (3) COMMIT INTERVAL 99999999999999",
       "Integer constant '99999999999999' is out of range in commit interval"},
      {"UPDATE t SET a = 1 COMMIT INTERVAL 4294967297", "Integer constant '4294967297' is out of range in commit interval"},
      {"DELETE FROM t COMMIT INTERVAL -2147483649", "Integer constant '-2147483649' is out of range in commit interval"},
      {"DELETE FROM t COMMIT INTERVAL -2147483648",
       "COMMIT INTERVAL specified (-2147483648) is invalid, it must be greater than 0"},
      {"INSERT INTO t (a) VALUES (3) x", "End of INSERT statement expected, instead found 'x'"},
      // UPDATE.
      {"UPDATE t SET zz = 1", "Invalid column name 'zz' or table correlation name '' specified in table columns"},
      {"UPDATE t x b = 1", "SET keyword expected, instead found 'b'"},
      {"UPDATE t SET b 1", "Assignment (=) operator expected after column name, instead found '1'"},
      {"UPDATE t AS 5 SET b = 'x'", "Symbol or string expected after AS keyword, instead found '5'"},
      {"UPDATE t SET b = 'x' WHERE b", "WHERE or JOIN clause must be a boolean expression"},
      {"UPDATE t SET a = 1 COMMIT INTERVAL 0", "COMMIT INTERVAL specified (0) is invalid, it must be greater than 0"},
      // DELETE.
      {"DELETE t", "FROM keyword expected, instead found 't'"},
      {"DELETE FROM t WHERE b", "WHERE or JOIN clause must be a boolean expression"},
      {"DELETE FROM t COMMIT INTERVAL -1", "COMMIT INTERVAL specified (-1) is invalid, it must be greater than 0"},
      {"DELETE FROM t x y", "End of DELETE statement expected, instead found 'y'"},
      // CREATE TABLE.
      {"CREATE n (a INTEGER)", "TABLE or INDEX keyword expected, instead found 'n'"},
      {"CREATE TABLE n a INTEGER)", "Left parentheses expected before list of table columns, instead found 'a'"},
      {"CREATE TABLE n (a INTEGER NOT 1)", "NULL keyword expected after NOT keyword, instead found '1'"},
      {"CREATE TABLE n (a CHAR(10) CHARCASE MIXED)",
       "UPPER, LOWER, or NOCHANGE keyword expected after CHARCASE keyword, instead found 'MIXED'"},
      {"CREATE TABLE n (a INTEGER, PRIMARY (a))", "KEY keyword expected after PRIMARY keyword, instead found '('"},
      {"CREATE TABLE n (a INTEGER, PRIMARY KEY a)", "Left parentheses expected after KEY keyword, instead found 'a'"},
      {"CREATE TABLE n (a INTEGER, PRIMARY KEY (a) COMPRESS SOME)",
       "FULL, DUPBYTE, TRAILBYTE, or NONE keyword expected after COMPRESS keyword, instead found 'SOME'"},
      {"CREATE TABLE n (a INTEGER, BLOB SIZE 512)", "BLOCK keyword expected after BLOB keyword, instead found 'SIZE'"},
      {"CREATE TABLE n (a INTEGER, BLOB BLOCK 512)", "SIZE keyword expected after BLOCK keyword, instead found '512'"},
      {"CREATE TABLE n (a INTEGER, USER MAJOR 2)", "VERSION keyword expected after MAJOR keyword, instead found '2'"},
      {"CREATE TABLE n (a INTEGER, ENCRYPTED BY x)", "WITH keyword expected after ENCRYPTED keyword, instead found 'BY'"},
      {"CREATE TABLE n (a INTEGER, BLOB BLOCK SIZE 4294967808)",
       "Integer constant '4294967808' is out of range in BLOB block size"},
      {"CREATE TABLE n (a INTEGER, USER MINOR VERSION 4294967296)",
       "Integer constant '4294967296' is out of range in user version number"},
      // CREATE INDEX.
      {"CREATE UNIQUE i ON t (a)", "INDEX keyword expected, instead found 'i'"},
      {"CREATE INDEX i t (a)", "ON keyword expected after index name, instead found 't'"},
      {"CREATE INDEX i ON t a", "Left parentheses expected after KEY keyword, instead found 'a'"},
      // ALTER TABLE.
      {"ALTER t ADD e INTEGER", "TABLE keyword expected, instead found 't'"},
      {"ALTER TABLE t CHANGE a INTEGER", "ADD, DROP, or REDEFINE keyword expected, instead found 'CHANGE'"},
      {"ALTER TABLE t DROP zz", "Column zz not found"},
      {"ALTER TABLE t REDEFINE zz INTEGER", "Column zz not found"},
      {"ALTER TABLE t LAST 5", "AUTOINC keyword expected after LAST keyword, instead found '5'"},
      {"ALTER TABLE t ADD e INTEGER AT 4294967297", "Integer constant '4294967297' is out of range in column position"},
      {"ALTER TABLE t LAST AUTOINC 99999999999",
       "Integer constant '99999999999' is out of range in next auto-increment number"},
      // DROP.
      {"DROP t", "TABLE or INDEX keyword expected, instead found 't'"},
      {"DROP TABLE t x", "End of DROP TABLE statement expected, instead found 'x'"},
      {"DROP INDEX t.i x", "End of DROP INDEX statement expected, instead found 'x'"},
  };
  const std::string before = TableContent();
  for (auto [sql, message] : cases) {
    SCOPED_TRACE(sql);
    EXPECT_EQ(SqlMessage([&] { Run(sql); }), message);
  }
  EXPECT_EQ(TableContent(), before);
}

// The cursor engine's own errors come through unchanged.
TEST_F(BadStatementTest, EngineErrorsPassThrough) {
  const std::pair<const char*, uint16_t> cases[] = {
      {"INSERT INTO t (a, b) VALUES (1, 'znovu')", err::DuplicateKey},
      {"UPDATE t SET a = 1 WHERE a = 2", err::DuplicateKey},
      {"CREATE TABLE t (a INTEGER)", err::TableExists},
      {"DROP INDEX t.nic", err::InvalidIndexName},
  };
  const std::string before = TableContent();
  for (auto [sql, code] : cases) {
    SCOPED_TRACE(sql);
    try {
      Run(sql);
      ADD_FAILURE() << "no error";
    } catch (const ESkladEngineError& e) {
      EXPECT_EQ(e.Code(), code) << e.what();
    }
  }
  EXPECT_EQ(TableContent(), before);
}

}  // namespace
}  // namespace sklad::testing
