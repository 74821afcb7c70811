#include <gtest/gtest.h>

#include "TestTable.h"

namespace sklad {
namespace {

using sklad::testing::FilterError;
using sklad::testing::SelectListError;
using sklad::testing::TestTable;

struct BindErrorCase {
  const char* text;
  const char* message;  // followed by " in filter expression" unless it names the clause itself
};

TEST(ExpressionBinder, ReportsEachTypeFaultWithItsMessage) {
  TestTable table = sklad::testing::StandardTable();
  const BindErrorCase cases[] = {
      {"r = 3", "Type mismatch between column 'r' and constant '3'"},
      {"i = '3'", "Type mismatch between column 'i' and constant '3'"},
      {"NULL = name", "Type mismatch between constant 'NULL' and column 'name'"},
      {"xyz = 1", "Invalid column name 'xyz' or table correlation name '' specified"},
      {"u.name = 'a'", "Invalid column name 'name' or table correlation name 'u' specified"},
      {"NOT i", "Type mismatch between 'NOT' operator and 'i'"},
      {"-name = 'a'", "Type mismatch between '-' operator and 'name'"},
      {"+flag", "Type mismatch between '+' operator and 'flag'"},
      {"-s = -i AND - flag", "Type mismatch between '-' operator and 'flag'"},
      {"i AND flag", "Type mismatch between column 'i' and expression '='"},  // flag means flag = TRUE here
      {"name + 1 = 'a'", "Type mismatch between column 'name' and constant '1'"},
      {"d + d = d", "Type mismatch between column 'd' and column 'd'"},
      {"d - ts = 1", "Type mismatch between column 'd' and column 'ts'"},
      {"t - d = 1", "Type mismatch between column 't' and column 'd'"},
      {"f * name = 1", "Type mismatch between column 'f' and column 'name'"},
      {"name / 2 = 1", "Type mismatch between column 'name' and constant '2'"},
      {"(i + 1) = name", "Type mismatch between expression '+' and column 'name'"},
      {"LOWER(name) = 5", "Type mismatch between function 'LOWER' and constant '5'"},
      {"flag > flag", "Type mismatch between column 'flag' and column 'flag'"},
      {"img = 'x'", "Type mismatch between column 'img' and constant 'x'"},
      {"popis > 5", "Type mismatch between column 'popis' and constant '5'"},
      {"t < d", "Type mismatch between column 't' and column 'd'"},
      {"d = 'abc'", "Date, time, or timestamp expression expected, instead found 'abc'"},
      {"t = '25:99'", "Date, time, or timestamp expression expected, instead found '25:99'"},
      {"ts > 'x'", "Date, time, or timestamp expression expected, instead found 'x'"},
      {"'yesterday' < d", "Date, time, or timestamp expression expected, instead found 'yesterday'"},
      {"LOWER(i) = 'a'", "Type mismatch between LOWER function and function argument"},
      {"UPPER(d) = 'a'", "Type mismatch between UPPER function and function argument"},
      {"SUBSTRING(i FROM 1) = 'a'", "Expression argument of SUBSTRING function must be a string or memo"},
      {"SUBSTRING(name FROM i) = 'a'", "FROM argument of SUBSTRING function must be an integer constant"},
      {"SUBSTRING(name FROM 1.5) = 'a'", "FROM argument of SUBSTRING function must be an integer constant"},
      {"SUBSTRING(name FROM 0) = 'a'", "FROM argument of SUBSTRING function must be an integer constant greater than 0"},
      {"SUBSTRING(name FROM 1 FOR 'a') = 'a'", "FOR argument of SUBSTRING function must be an integer constant"},
      {"SUBSTRING(name FROM 1 FOR 0) = 'a'",
       "FOR argument of SUBSTRING function must be an integer constant greater than 0"},
      {"REPLACE('a' WITH 'b' IN i) = 'x'", "IN argument of REPLACE function must be a string or memo"},
      {"REPLACE(name WITH 'b' IN name) = 'x'", "Search argument of REPLACE function must be a string constant"},
      {"REPLACE('a' WITH name IN name) = 'x'", "WITH argument of REPLACE function must be a string constant"},
      {"POS('a' IN i) = 1", "Type mismatch between POS function and IN argument"},
      {"OCCURS('a' IN d) = 1", "Type mismatch between OCCURS function and IN argument"},
      {"POS(name IN name) = 1", "Search string argument of POS function must be a string constant"},
      {"OCCURS(1 IN name) = 1", "Search string argument of OCCURS function must be a string constant"},
      {"TRIM(BOTH ' ' FROM i) = 'a'", "FROM argument of TRIM function must be a string or memo"},
      {"TRIM(BOTH 'ab' FROM name) = 'a'", "Trim character argument of TRIM function must be a single character constant"},
      {"TRIM(LEADING name FROM name) = 'a'",
       "Trim character argument of TRIM function must be a single character constant"},
      {"EXTRACT(YEAR FROM name) = 1", "FROM argument of EXTRACT function must be a date, time, or timestamp"},
      {"EXTRACT(HOUR FROM i) = 1", "FROM argument of EXTRACT function must be a date, time, or timestamp"},
      {"CAST(d AS INTEGER) = 1", "Type mismatch between column 'd' and AS argument"},
      {"CAST(popis AS DATE) = d", "Type mismatch between column 'popis' and AS argument"},
      {"CAST(name AS BLOB(0, 1)) = 1", "Type mismatch between column 'name' and AS argument"},
      {"CAST(flag AS TIME) = t", "Type mismatch between column 'flag' and AS argument"},
      {"CAST(name AS CHAR(0)) = 'a'", "Length argument must be an integer greater than 0 and less than or equal to 250"},
      {"CAST(name AS CHAR(251)) = 'a'",
       "Length argument must be an integer greater than 0 and less than or equal to 250"},
      {"CAST(name AS CHAR('x')) = 'a'", "Length argument must be an integer"},
      {"CAST(name AS BYTES(300)) IS NULL",
       "Length argument must be an integer greater than 0 and less than or equal to 250"},
      {"CAST(name AS DECIMAL(10, 'x')) = 1", "Scale argument must be an integer"},
      {"CAST(img AS BLOB(1, 1)) IS NULL", "First BLOB type argument must be an integer with the value of 0"},
      {"CAST(img AS BLOB(0, 4)) IS NULL", "BLOB type argument must be an integer equal to 1,2,3,5, or 7"},
      {"CAST(img AS BLOB(0, 'x')) IS NULL", "BLOB type argument must be an integer"},
      {"ABS(name) = 1", "Expression argument of ABS function must be an integer or floating-point type"},
      {"ABS(d) = 1", "Expression argument of ABS function must be an integer or floating-point type"},
      {"ROUND(i) = 1", "Expression argument of ROUND function must be a floating-point type"},
      {"ROUND(f TO 33) = 1", "Decimal places argument of ROUND function must be an integer constant between 0 and 32"},
      {"ROUND(f TO i) = 1", "Decimal places argument of ROUND function must be an integer constant"},
      {"IF(i THEN 1 ELSE 2) = 1", "First expression argument of IF function must be a boolean type"},
      {"IF(flag THEN 1 ELSE 'a') = 1", "Type mismatch between second and third IF expression arguments"},
      {"i LIKE 'a%'", "Type mismatch between LIKE operator and expression 'i'"},
      {"name LIKE kod", "Constant expression expected after LIKE operator, instead found 'kod'"},
      {"name not like 5", "Type mismatch between NOT LIKE operator and expression '5'"},
      {"i BETWEEN s AND 5", "Constant expression expected after BETWEEN operator, instead found 's'"},
      {"i NOT BETWEEN 1 AND 'x'", "Type mismatch between NOT BETWEEN operator and expression 'x'"},
      {"i IN (1, 'a')", "Type mismatch between IN operator and expression 'a'"},
      {"name NOT IN ('a', i)", "Constant expression expected after NOT IN operator, instead found 'i'"},
      {"d BETWEEN 'x' AND 'y'", "Date, time, or timestamp expression expected, instead found 'x'"},
  };
  for (const BindErrorCase& c : cases)
    EXPECT_EQ(FilterError(table, c.text), std::string(c.message) + " in filter expression") << c.text;

  EXPECT_EQ(FilterError(table, "CAST(name AS DECIMAL(10, 5)) = 1"),
            "Scale argument must be an integer less than or equal to 4 for the BCD data type filter expression");
  EXPECT_EQ(FilterError(table, "IF(flag THEN NULL ELSE NULL) = 1"),
            "At least one of the second and third IF expression arguments in filter expression must be a non-NULL "
            "value");
  EXPECT_EQ(SelectListError(table, "SUM(name)"),
            "SUM aggregate function must contain a numeric, date, time, or timestamp expression in source column "
            "expression");
  EXPECT_EQ(SelectListError(table, "AVG(flag)"),
            "AVG aggregate function must contain a numeric, date, time, or timestamp expression in source column "
            "expression");
}

struct BoundCase {
  const char* text;
  TFieldType type;
  uint32_t size;
};

TEST(ExpressionBinder, GivesEveryNodeItsResultType) {
  TestTable table = sklad::testing::StandardTable();
  const BoundCase cases[] = {
      {"i + s", TFieldType::Integer, 4},      {"i / s", TFieldType::Float, 8},
      {"i * m", TFieldType::BCD, 8},          {"m + f", TFieldType::Float, 8},
      {"d + 1", TFieldType::Date, 4},         {"1 + d", TFieldType::Date, 4},
      {"d - d", TFieldType::Integer, 4},      {"t - t", TFieldType::Integer, 4},
      {"ts - ts", TFieldType::Float, 8},      {"ts - 1", TFieldType::TimeStamp, 8},
      {"name || r", TFieldType::String, 43},  {"name + popis", TFieldType::Blob, 48},
      {"SUBSTRING(name FROM 3)", TFieldType::String, 39}, {"SUBSTRING(r FROM 9)", TFieldType::String, 1},
      {"SUBSTRING(name FROM 1 FOR 2)", TFieldType::String, 3}, {"LOWER(popis)", TFieldType::Blob, 8},
      {"CAST(i AS CHAR(5))", TFieldType::String, 6}, {"CAST(i AS BYTES)", TFieldType::Bytes, 4},
      {"POS('a' IN name)", TFieldType::Integer, 4}, {"ROUND(m TO 1)", TFieldType::Float, 8},
      {"IF(flag THEN r ELSE name)", TFieldType::String, 41}, {"IF(flag THEN NULL ELSE i)", TFieldType::Integer, 4},
      {"name LIKE 'a%'", TFieldType::Boolean, 2}, {"COUNT(*)", TFieldType::Integer, 4},
  };
  for (const BoundCase& c : cases) {
    TExpressionParser parser;
    parser.SetErrorContext(11949, "", "source column expression");
    parser.SetText(c.text);
    parser.NextToken();
    TExpTree tree = parser.ParseExpression(AllowAggregates | AllowAllColumns | AllowExtendedPredicates);
    TExpToken* root = tree.get();
    TExpressionBinder(11949, "", "source column expression", table).Bind(root, false);
    EXPECT_EQ(root->ValueType, static_cast<uint8_t>(c.type)) << c.text;
    EXPECT_EQ(root->Size, c.size) << c.text;
  }
}

TEST(ExpressionBinder, ParametersTakeTheTypeBesideThem) {
  TestTable table = sklad::testing::StandardTable();
  struct Owner : TExpressionOwner {
    std::vector<TExpToken*> markers;
    void AddParameter(TExpToken* marker) override { markers.push_back(marker); }
    TSubQuery* ParseSubSelect(TExpressionParser&) override { return nullptr; }
  } owner;
  TExpressionParser parser(&owner);
  parser.SetErrorContext(11949, "", "WHERE or JOIN clause");
  parser.SetText("d = ? AND ? > i AND name IN (?, 'x')");
  parser.NextToken();
  TExpTree tree = parser.ParseExpression(AllowExtendedPredicates | AllowParameters);
  TExpToken* root = tree.get();
  TExpressionBinder(11949, "", "WHERE or JOIN clause", table).Bind(root, true);
  ASSERT_EQ(owner.markers.size(), 3u);
  EXPECT_EQ(owner.markers[0]->ValueType, static_cast<uint8_t>(TFieldType::Date));
  EXPECT_EQ(owner.markers[1]->ValueType, static_cast<uint8_t>(TFieldType::Integer));
  EXPECT_EQ(owner.markers[2]->ValueType, static_cast<uint8_t>(TFieldType::String));
}

}  // namespace
}  // namespace sklad
