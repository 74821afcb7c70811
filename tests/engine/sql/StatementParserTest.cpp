#include <gtest/gtest.h>

#include <string>

#include "engine/sql/QueryStatement.h"
#include "SqlErrorText.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

using sklad::testing::SqlErrorText;

TEST(StatementParser, InsertTakesValuesOrTheRowsOfASelect) {
  TQueryStatement values(0, 0);
  values.Parse("INSERT INTO t (a, \"b\", t.c) VALUES (?, 'x' || 'y', -1) COMMIT INTERVAL 10;");
  const TDataQuery& q = values.Main();
  EXPECT_EQ(q.Kind, TStatementKind::Insert);
  EXPECT_EQ(q.Sources[0]->TableName, "t");
  ASSERT_EQ(q.Targets.size(), 3u);
  EXPECT_EQ(q.Targets[1].ColumnName, "b");
  EXPECT_EQ(q.Targets[2].CorrelationName, "t");
  EXPECT_TRUE(q.Targets[0].Value->IsParameter);
  EXPECT_EQ(q.CommitInterval, 10);
  EXPECT_EQ(values.Parameters().size(), 1u);

  TQueryStatement noList(0, 0);
  noList.Parse("INSERT INTO MEMORY t VALUES (1, 'a')");
  EXPECT_EQ(noList.Main().Targets.size(), 2u);
  EXPECT_TRUE(noList.Main().Targets[0].ColumnName.empty());  // named at planning, in field order
  EXPECT_EQ(noList.Main().Sources[0]->Directory, "Memory");

  TQueryStatement rows(0, 0);
  rows.Parse("INSERT INTO t SELECT * FROM u NOAUTOINC COMMIT INTERVAL 5");
  ASSERT_EQ(rows.Processors().size(), 2u);
  EXPECT_EQ(rows.Main().RowSource, rows.Processors()[1].get());
  EXPECT_EQ(rows.Main().RowSource->Sources[0]->CorrelationName, "u");  // NOAUTOINC is no correlation here
  EXPECT_TRUE(rows.Main().NoAutoIncrement);
}

TEST(StatementParser, UpdateAndDeleteReadTheirTableConditionAndInterval) {
  TQueryStatement update(0, 0);
  update.Parse("UPDATE t AS x SET a = a + 1, [b c] = 'x' WHERE x.c > 1 NOAUTOINC COMMIT INTERVAL 7");
  const TDataQuery& u = update.Main();
  EXPECT_EQ(u.Sources[0]->CorrelationName, "x");
  ASSERT_EQ(u.Targets.size(), 2u);
  EXPECT_EQ(u.Targets[1].ColumnName, "b c");
  EXPECT_EQ(u.Targets[0].Value->Operator, TOperator::Add);
  EXPECT_TRUE(u.HasCondition);
  EXPECT_TRUE(u.NoAutoIncrement);
  EXPECT_EQ(u.CommitInterval, 7);

  TQueryStatement erase(0, 0);
  erase.Parse("delete from t y where y.a in (select b from u)");
  EXPECT_EQ(erase.Main().Kind, TStatementKind::Delete);
  EXPECT_EQ(erase.Main().Sources[0]->CorrelationName, "y");
  EXPECT_EQ(erase.Processors().size(), 2u);
}

TEST(StatementParser, CreateTableReadsColumnsIndexesAndOptions) {
  TQueryStatement statement(0, 0);
  statement.Parse(
      "CREATE TABLE \"kat.dat\" (a CHAR(10) DESCRIPTION 'first' NOT NULL DEFAULT 'y' MAX 'zzz' CHARCASE UPPER, "
      "b INTEGER MIN 0 MAXIMUM 10, c BLOB(0, 1), CONSTRAINT pk UNIQUE DESC PRIMARY KEY (a, b) COMPRESS FULL, "
      "DESCRIPTION 'the table', BLOB BLOCK SIZE 1024, LANGUAGE Czech, ENCRYPTED WITH heslo, "
      "USER MAJOR VERSION 2, USER MINOR VERSION -3)");
  const TDataQuery& q = statement.Main();
  EXPECT_EQ(q.Kind, TStatementKind::CreateTable);
  EXPECT_EQ(q.Sources[0]->TableName, "kat.dat");
  ASSERT_EQ(q.CreateFields.size(), 3u);
  const TCreateField& a = q.CreateFields[0];
  EXPECT_EQ(a.Name, "a");
  EXPECT_EQ(a.DataType->ValueType, static_cast<uint8_t>(TFieldType::String));
  EXPECT_EQ(a.Description, "first");
  EXPECT_TRUE(a.Required);
  EXPECT_TRUE(a.Default);
  EXPECT_FALSE(a.Minimum);
  EXPECT_TRUE(a.Maximum);
  EXPECT_EQ(a.Casing, 2);
  EXPECT_TRUE(q.CreateFields[1].Minimum);
  ASSERT_EQ(q.CreateIndexes.size(), 1u);
  const TCreateIndex& pk = q.CreateIndexes[0];
  EXPECT_EQ(pk.Name, "pk");
  EXPECT_TRUE(pk.Unique && pk.Descending && pk.Primary);
  EXPECT_EQ(pk.Columns, (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(pk.Compression, TIndexCompression::Full);
  EXPECT_EQ(q.Options.Description, "the table");
  EXPECT_EQ(q.Options.BlobBlockSize, 1024);
  EXPECT_EQ(q.Options.Language, 1029);
  EXPECT_EQ(q.Options.Password, "heslo");
  EXPECT_EQ(q.Options.UserMajorVersion, 2);
  EXPECT_EQ(q.Options.UserMinorVersion, -3);
}

TEST(StatementParser, IndexAlterAndDropStatements) {
  TQueryStatement index(0, 0);
  index.Parse("CREATE UNIQUE DESCENDING NOCASE INDEX byName ON t (name, p) COMPRESS DUPBYTE");
  const TCreateIndex& i = index.Main().CreateIndexes.at(0);
  EXPECT_EQ(i.Name, "byName");
  EXPECT_TRUE(i.Unique && i.Descending && i.CaseInsensitive && !i.Primary);
  EXPECT_EQ(i.Compression, TIndexCompression::DupByte);

  TQueryStatement alter(0, 0);
  alter.Parse("ALTER TABLE t ADD COLUMN c DATE AT 2, REDEFINE a aa CHAR(20) NOT NULL, DROP b, "
              "ADD PRIMARY KEY (c), LAST AUTOINC 100 NOBACKUP");
  const TDataQuery& q = alter.Main();
  ASSERT_EQ(q.CreateFields.size(), 3u);
  EXPECT_EQ(q.CreateFields[0].Action, TColumnAction::Add);
  EXPECT_EQ(q.CreateFields[0].Position, 2);
  EXPECT_EQ(q.CreateFields[1].NewName, "aa");
  EXPECT_TRUE(q.CreateFields[1].Required);
  EXPECT_EQ(q.CreateFields[2].Action, TColumnAction::Drop);
  EXPECT_EQ(q.CreateIndexes.at(0).Action, TColumnAction::Add);
  EXPECT_EQ(q.Options.LastAutoIncrement, 100);
  EXPECT_TRUE(q.Options.NoBackup);

  TQueryStatement dropIndex(0, 0);
  dropIndex.Parse("DROP INDEX t.PRIMARY");
  EXPECT_TRUE(dropIndex.Main().DropPrimary);
  TQueryStatement dropTable(0, 0);
  dropTable.Parse("DROP TABLE MEMORY t;");
  EXPECT_EQ(dropTable.Main().Kind, TStatementKind::DropTable);
  EXPECT_TRUE(dropTable.Main().Sources[0]->InMemory);
}

struct ErrorCase {
  const char* text;
  const char* message;
};

TEST(StatementParser, ReportsEachFaultWithItsMessage) {
  const ErrorCase cases[] = {
      {"INSERT t VALUES (1)", "INTO keyword expected, instead found 't'"},
      {"INSERT INTO 5 VALUES (1)", "Table name expected after INTO clause, instead found '5'"},
      {"INSERT INTO MEMORY 5 VALUES (1)", "Table name expected after INTO keyword, instead found '5'"},
      {"INSERT INTO t (a b) VALUES (1)", "Right parentheses expected after list of table columns, instead found 'b'"},
      {"INSERT INTO t (a, ) VALUES (1)", "Table column name is empty"},
      {"INSERT INTO t VALUES 1", "Left parentheses expected after VALUES keyword, instead found '1'"},
      {"INSERT INTO t VALUES (1, )", "Value expression is empty"},
      {"INSERT INTO t VALUES (1 2)", "Right parentheses expected after list of values, instead found '2'"},
      {"INSERT INTO t x y", "VALUES or SELECT  keyword expected, instead found 'y'"},
      {"INSERT INTO t VALUES (1) COMMIT 5", "INTERVAL keyword expected after COMMIT keyword, instead found '5'"},
      {"INSERT INTO t VALUES (1) COMMIT INTERVAL 0", "COMMIT INTERVAL specified (0) is invalid, it must be greater than 0"},
      {"INSERT INTO t VALUES (1) COMMIT INTERVAL -5", "COMMIT INTERVAL specified (-5) is invalid, it must be greater than 0"},
      {"INSERT INTO t VALUES (1) COMMIT INTERVAL", "Commit interval is empty"},
      {"INSERT INTO t VALUES (1) x", "End of INSERT statement expected, instead found 'x'"},
      {"UPDATE 5 SET a = 1", "Table name expected, instead found '5'"},
      {"UPDATE t AS 5 SET a = 1", "Symbol or string expected after AS keyword, instead found '5'"},
      {"UPDATE t x a = 1", "SET keyword expected, instead found 'a'"},
      {"UPDATE t SET a 1", "Assignment (=) operator expected after column name, instead found '1'"},
      {"UPDATE t SET a = 1 WHERE", "WHERE or JOIN clause is empty"},
      {"UPDATE t SET a = 1 b", "End of UPDATE statement expected, instead found 'b'"},
      {"DELETE t", "FROM keyword expected, instead found 't'"},
      {"DELETE FROM 5", "Table name expected, instead found '5'"},
      {"DELETE FROM t WHERE a = 1 NOAUTOINC", "End of DELETE statement expected, instead found 'NOAUTOINC'"},
      {"CREATE TABLE 5 (a INT)", "Table name expected after CREATE TABLE keywords, instead found '5'"},
      {"CREATE TABLE MEMORY 5 (a INT)", "Table name expected, instead found '5'"},
      {"CREATE TABLE t a INT", "Left parentheses expected before list of table columns, instead found 'a'"},
      {"CREATE TABLE t (a INT b INT)", "Right parentheses expected after CREATE TABLE statement, instead found 'b'"},
      {"CREATE TABLE t (a SMALL)", "SQL data type keyword expected, instead found 'SMALL' in SQL statement"},
      {"CREATE TABLE t (a INT NOT 5)", "NULL keyword expected after NOT keyword, instead found '5'"},
      {"CREATE TABLE t (a CHAR(5) CHARCASE TITLE)",
       "UPPER, LOWER, or NOCHANGE keyword expected after CHARCASE keyword, instead found 'TITLE'"},
      {"CREATE TABLE t (a INT, UNIQUE KEY (a))", "PRIMARY keyword expected, instead found 'KEY'"},
      {"CREATE TABLE t (a INT, PRIMARY (a))", "KEY keyword expected after PRIMARY keyword, instead found '('"},
      {"CREATE TABLE t (a INT, PRIMARY KEY a)", "Left parentheses expected after KEY keyword, instead found 'a'"},
      {"CREATE TABLE t (a INT, PRIMARY KEY (a b))", "Right parentheses expected after primary key clause, instead found 'b'"},
      {"CREATE TABLE t (a INT, PRIMARY KEY ())", "Index column name is empty"},
      {"CREATE TABLE t (a INT, PRIMARY KEY (a) COMPRESS ALL)",
       "FULL, DUPBYTE, TRAILBYTE, or NONE keyword expected after COMPRESS keyword, instead found 'ALL'"},
      {"CREATE TABLE t (a INT, BLOB SIZE 5)", "BLOCK keyword expected after BLOB keyword, instead found 'SIZE'"},
      {"CREATE TABLE t (a INT, BLOB BLOCK 5)", "SIZE keyword expected after BLOCK keyword, instead found '5'"},
      {"CREATE TABLE t (a INT, BLOB BLOCK SIZE)", "BLOB block size is empty"},
      {"CREATE TABLE t (a INT, ENCRYPTED heslo)", "WITH keyword expected after ENCRYPTED keyword, instead found 'heslo'"},
      {"CREATE TABLE t (a INT, USER VERSION 1)", "MAJOR keyword expected after USER keyword, instead found 'VERSION'"},
      {"CREATE TABLE t (a INT, USER MAJOR 1)", "VERSION keyword expected after MAJOR keyword, instead found '1'"},
      {"CREATE TABLE t (a INT, USER MINOR 1)", "VERSION keyword expected after MINOR keyword, instead found '1'"},
      {"CREATE TABLE t (a INT, USER MINOR VERSION)", "User version number is empty"},
      {"CREATE TABLE t (a INT, LANGUAGE Elvish)", "Invalid language constant 'Elvish' specified after LANGUAGE keyword"},
      {"CREATE TABLE t (a INT) x", "End of CREATE TABLE statement expected, instead found 'x'"},
      {"CREATE UNIQUE TABLE t (a INT)", "INDEX keyword expected, instead found 'TABLE'"},
      {"CREATE INDEX (a) ON t", "Index name expected after INDEX keyword, instead found '('"},
      {"CREATE INDEX i t (a)", "ON keyword expected after index name, instead found 't'"},
      {"CREATE INDEX i ON 5 (a)", "Table name expected after ON keyword, instead found '5'"},
      {"CREATE INDEX i ON MEMORY 5 (a)", "Table name expected, instead found '5'"},
      {"CREATE INDEX i ON t (a) x", "End of CREATE INDEX statement expected, instead found 'x'"},
      {"ALTER TABLE 5 ADD a INT", "Table name expected after ALTER TABLE keywords, instead found '5'"},
      {"ALTER TABLE t MODIFY a INT", "ADD, DROP, or REDEFINE keyword expected, instead found 'MODIFY'"},
      {"ALTER TABLE t ADD a INT AT", "column position is empty"},
      {"ALTER TABLE t LAST 5", "AUTOINC keyword expected after LAST keyword, instead found '5'"},
      {"ALTER TABLE t LAST AUTOINC", "Next auto-increment number is empty"},
      {"DROP TABLE 5", "Table name expected after TABLE keyword, instead found '5'"},
      {"DROP TABLE MEMORY 5", "Table name expected, instead found '5'"},
      {"DROP TABLE t u", "End of DROP TABLE statement expected, instead found 'u'"},
      {"DROP INDEX 5", "Table name expected after INDEX keyword, instead found '5'"},
      {"DROP INDEX t.i x", "End of DROP INDEX statement expected, instead found 'x'"},
  };
  for (const ErrorCase& c : cases) EXPECT_EQ(SqlErrorText(c.text), c.message) << c.text;
}

}  // namespace
}  // namespace sklad
