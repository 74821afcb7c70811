#include <gtest/gtest.h>

#include <string>

#include "engine/sql/QueryStatement.h"
#include "SqlErrorText.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

using sklad::testing::SqlErrorText;

TEST(SelectParser, ReadsTheCataloguesStatement) {
  TQueryStatement statement(1029, 0);
  const std::string text =
      "SELECT * FROM t WHERE ((SUBSTRING(p FROM 1 FOR 2) = '2/') OR (SUBSTRING(p FROM 1 FOR 3) = '02/')) AND "
      "((r = '3') OR (r = '4'));";
  EXPECT_EQ(statement.Parse(text), text.size());
  const TDataQuery& q = statement.Main();
  EXPECT_EQ(q.Kind, TStatementKind::Select);
  ASSERT_EQ(q.Sources.size(), 1u);
  EXPECT_EQ(q.Sources[0]->TableName, "t");
  EXPECT_EQ(q.Sources[0]->CorrelationName, "t");
  ASSERT_EQ(q.Columns.size(), 1u);
  EXPECT_EQ(q.Columns[0].ColumnName, "*");
  ASSERT_TRUE(q.Condition);
  EXPECT_EQ(q.Condition->Operator, TOperator::And);
  EXPECT_TRUE(q.HasCondition);
  EXPECT_FALSE(q.SeveralTables);
}

TEST(SelectParser, NamesTablesAndCorrelations) {
  TQueryStatement statement(0, 0);
  statement.Parse(
      "select a.x, b.y from \"c:\\data\\a.dat\" a, MEMORY b LEFT OUTER JOIN c ON a.x = c.x RIGHT JOIN d AS dd ON "
      "dd.z = b.z AND dd.w > 1");
  const TDataQuery& q = statement.Main();
  ASSERT_EQ(q.Sources.size(), 4u);
  EXPECT_EQ(q.Sources[0]->CorrelationName, "dd");  // the outer table of a right join goes first
  EXPECT_EQ(q.Sources[0]->SequenceNumber, 4);
  EXPECT_EQ(q.Sources[1]->TableName, "a.dat");
  EXPECT_EQ(q.Sources[1]->Directory, "c:\\data\\");
  EXPECT_EQ(q.Sources[2]->Directory, "Memory");
  EXPECT_EQ(q.Sources[3]->CorrelationName, "c");
  EXPECT_TRUE(q.SeveralTables);
  // The ON conditions joined the condition tree, their column comparisons marked with the join.
  const TExpToken* right = q.Condition->Second;  // dd.z = b.z AND dd.w > 1
  EXPECT_EQ(right->First->JoinKind, TJoinKind::RightOuter);
  EXPECT_EQ(right->Second->JoinKind, TJoinKind::None);  // one side is a constant
  EXPECT_TRUE(right->Second->FromJoin);
  EXPECT_EQ(q.Condition->First->JoinKind, TJoinKind::LeftOuter);

  TQueryStatement keyword(0, 0);
  keyword.Parse("SELECT * FROM t NOJOINOPTIMIZE");
  EXPECT_EQ(keyword.Main().Sources[0]->CorrelationName, "NOJOINOPTIMIZE");
  EXPECT_FALSE(keyword.Main().NoJoinOptimize);
}

TEST(SelectParser, ClassifiesSelectItemsAndNamesResultColumns) {
  TQueryStatement statement(0, 0);
  statement.Parse(
      "SELECT DISTINCT n, t.n, SUM(x), COUNT(*), AVG(x + 1), x * 2, y AS Total, a AS x.y, z zz "
      "FROM t GROUP BY n, 2 ORDER BY t.n DESC, 3 NOCASE");
  TDataQuery& q = statement.Main();
  EXPECT_TRUE(q.Distinct);
  EXPECT_TRUE(q.HasAverage);
  EXPECT_TRUE(q.HasComputedColumns);
  ASSERT_EQ(q.Columns.size(), 9u);
  EXPECT_EQ(q.Columns[1].CorrelationName, "t");
  EXPECT_EQ(q.Columns[2].Aggregate, TAggregateKind::Sum);
  EXPECT_FALSE(q.Columns[2].Computed);
  EXPECT_TRUE(q.Columns[4].Computed);
  EXPECT_EQ(q.Columns[4].ExpressionText, "AVG(x + 1)");
  EXPECT_EQ(q.Columns[5].ExpressionText, "x * 2");
  NameResultColumns(q.Columns);
  const char* names[] = {"n", "n_1", "Sum Of x", "Count Of *", "Average Of Expr", "Expression", "Total", "y", "zz"};
  for (size_t i = 0; i < 9; ++i) EXPECT_EQ(q.Columns[i].Name, names[i]) << i;
  ASSERT_EQ(q.GroupBy.size(), 2u);
  EXPECT_EQ(q.GroupBy[1].ColumnNumber, 2);
  ASSERT_EQ(q.OrderBy.size(), 2u);
  EXPECT_EQ(q.OrderBy[0].CorrelationName, "t");
  EXPECT_TRUE(q.OrderBy[0].Descending);
  EXPECT_TRUE(q.OrderByNoCase);
}

TEST(SelectParser, LongNamesAreCutToThirtyCharactersAndStayUnique) {
  std::vector<TResultField> columns(3);
  for (TResultField& c : columns) c.Alias = "abcdefghijklmnopqrstuvwxyz0123456789", c.AliasGiven = true;
  NameResultColumns(columns);
  EXPECT_EQ(columns[0].Name, "ghijklmnopqrstuvwxyz0123456789");
  EXPECT_EQ(columns[1].Name, "ijklmnopqrstuvwxyz0123456789_1");
  EXPECT_EQ(columns[2].Name, "ijklmnopqrstuvwxyz0123456789_2");
}

TEST(SelectParser, ReadsTheClosingClauses) {
  TQueryStatement statement(0, 0);
  statement.Parse(
      "SELECT x INTO MEMORY result FROM t WITH LOCKS LANGUAGE 'German (Standard)' SORT 'German Phone Book Order' "
      "ENCRYPTED WITH secret NOJOINOPTIMIZE");
  const TDataQuery& q = statement.Main();
  EXPECT_EQ(q.ResultTableName, "result");
  EXPECT_TRUE(q.ResultInMemory);
  EXPECT_FALSE(q.RequestLive);
  EXPECT_TRUE(q.WithLocks);
  EXPECT_TRUE(q.LanguageGiven);
  EXPECT_EQ(q.ResultSort, 1);
  EXPECT_TRUE(q.Encrypted);
  EXPECT_EQ(q.Password, "secret");
  EXPECT_TRUE(q.NoJoinOptimize);
}

TEST(SelectParser, SubSelectsAndParametersBelongToTheStatement) {
  TQueryStatement statement(0, 0);
  statement.Parse("SELECT * FROM t WHERE a = ? AND b IN (SELECT c FROM u WHERE d = ?) AND e = ?");
  ASSERT_EQ(statement.Processors().size(), 2u);
  const TDataQuery& inner = *statement.Processors()[1];
  EXPECT_TRUE(inner.IsSubSelect);
  EXPECT_EQ(inner.Sources[0]->TableName, "u");
  EXPECT_TRUE(inner.HasCondition);
  EXPECT_EQ(statement.Parameters().size(), 3u);
}

TEST(SelectParser, ConsumesOneStatement) {
  TQueryStatement statement(0, 0);
  EXPECT_EQ(SqlErrorText("SELECT * FROM t; SELECT * FROM u"), "End of SELECT statement expected, instead found 'SELECT'");
  EXPECT_EQ(statement.Parse("SELECT * FROM t;"), 16u);
}

struct ErrorCase {
  const char* text;
  const char* message;
};

TEST(SelectParser, ReportsEachFaultWithItsMessage) {
  const ErrorCase cases[] = {
      {"UPSERT x", "SELECT, INSERT, UPDATE, DELETE, CREATE, ALTER, or DROP keyword expected, instead found 'UPSERT'"},
      {"", "SELECT, INSERT, UPDATE, DELETE, CREATE, ALTER, or DROP keyword expected, instead found ''"},
      {"CREATE VIEW v", "TABLE or INDEX keyword expected, instead found 'VIEW'"},
      {"ALTER INDEX i", "TABLE keyword expected, instead found 'INDEX'"},
      {"DROP VIEW v", "TABLE or INDEX keyword expected, instead found 'VIEW'"},
      {"SELECT FROM t", "Source column expression is empty"},
      {"SELECT a, FROM t", "Source column expression is empty"},
      {"SELECT a t", "FROM keyword expected, instead found ''"},
      {"SELECT a AS 5 FROM t", "Symbol or string expected after AS keyword, instead found '5'"},
      {"SELECT a AS x.( FROM t", "Symbol or string expected after table correlation name, instead found '('"},
      {"SELECT SUM(COUNT(x)) FROM t", "Aggregate functions cannot be nested"},
      {"SELECT SUM(x) + 1 FROM t", "Aggregate functions cannot be used within expressions"},
      {"SELECT a INTO 5 FROM t", "Result table name expected in INTO clause, instead found '5'"},
      {"SELECT a INTO MEMORY [r] FROM t", "Result table name expected in INTO MEMORY clause, instead found 'r'"},
      {"SELECT * FROM [t]", "Table name expected after FROM keyword, instead found 't'"},
      {"SELECT * FROM a JOIN 5 ON x = y", "Table name expected after JOIN keyword, instead found '5'"},
      {"SELECT * FROM t AS 5", "Symbol or string expected after AS keyword, instead found '5'"},
      {"SELECT * FROM a, b, a", "Duplicate table correlation name 'a' found in source tables"},
      {"SELECT * FROM a x, b X", "Duplicate table correlation name 'X' found in source tables"},
      {"SELECT * FROM a FULL JOIN b ON a.x = b.x", "Full outer joins are currently not supported in Sklad SQL SELECT statements"},
      {"SELECT * FROM a INNER b", "JOIN keyword expected after INNER keyword, instead found 'b'"},
      {"SELECT * FROM a LEFT OUTER b", "JOIN keyword expected after LEFT or OUTER keyword, instead found 'b'"},
      {"SELECT * FROM a RIGHT b", "JOIN keyword expected after RIGHT or OUTER keyword, instead found 'b'"},
      {"SELECT * FROM a JOIN b WHERE x = 1", "ON keyword expected in JOIN clause, instead found 'WHERE'"},
      {"SELECT * FROM a JOIN b ON", "WHERE or JOIN clause is empty"},
      {"SELECT * FROM a JOIN b ON x IN (SELECT y FROM c)", "Sub-select queries are not allowed in WHERE or JOIN clause"},
      {"SELECT * FROM t WHERE", "WHERE or JOIN clause is empty"},
      {"SELECT * FROM t WHERE ORDER BY a", "WHERE or JOIN clause is empty"},
      {"SELECT * FROM t WHERE a = ", "Unknown or unexpected symbol '' found in WHERE or JOIN clause"},
      {"SELECT * FROM t GROUP a", "BY keyword expected after GROUP keyword, instead found 'a'"},
      {"SELECT * FROM t GROUP BY 'a'.(", "Column name or column number expected in GROUP BY clause, instead found '('"},
      {"SELECT * FROM t GROUP BY (a)", "Column name or column number expected in GROUP BY clause, instead found '('"},
      {"SELECT COUNT(*) FROM t HAVING COUNT(*) > 1", "* (all columns) symbol is not allowed in HAVING clause"},
      {"SELECT a FROM t GROUP BY a HAVING", "HAVING clause is empty"},
      {"SELECT a FROM t HAVING a LIKE 'x%'",
       "Extended predicate operators (LIKE, BETWEEN, IN, IS NULL) are not allowed in HAVING clause"},
      {"SELECT * FROM t ORDER a", "BY keyword expected after ORDER keyword, instead found 'a'"},
      {"SELECT * FROM t ORDER BY -1", "Column name or column number expected in ORDER BY clause, instead found '-'"},
      {"SELECT * FROM t WITH LOCK", "LOCKS keyword expected after WITH keyword, instead found 'LOCK'"},
      {"SELECT * FROM t x LANGUAGE Klingon", "Invalid language constant 'Klingon' specified after LANGUAGE keyword"},
      {"SELECT * FROM t x LANGUAGE Czech SORT 'German Phone Book Order'",
       "Invalid sort constant 'German Phone Book Order' specified after SORT keyword"},
      {"SELECT * FROM t ENCRYPTED secret", "WITH keyword expected after ENCRYPTED keyword, instead found 'secret'"},
      {"SELECT * FROM t ORDER BY a ASC DESC", "End of SELECT statement expected, instead found 'DESC'"},
      {"SELECT a FROM t WHERE a = 1 b", "End of SELECT statement expected, instead found 'b'"},
  };
  for (const ErrorCase& c : cases) EXPECT_EQ(SqlErrorText(c.text), c.message) << c.text;
}

}  // namespace
}  // namespace sklad
