#include <gtest/gtest.h>

#include "TestTable.h"
#include "engine/storage/language/LanguageSettings.h"

namespace sklad {
namespace {

using sklad::testing::Evaluated;
using sklad::testing::FilterError;
using sklad::testing::TestTable;

constexpr uint16_t kCzech = 1029;

struct ValueCase {
  const char* text;
  const char* value;
};

void ExpectValues(TestTable& table, const sklad::testing::TestRecord& record, std::initializer_list<ValueCase> cases,
                  TPrepareOptions options = {}) {
  for (const ValueCase& c : cases) EXPECT_EQ(Evaluated(table, c.text, record, options), c.value) << c.text;
}

TEST(ExpressionEvaluator, NullsFollowTheComparisonAndLogicRules) {
  TestTable table = sklad::testing::StandardTable();
  const auto nulls = table.Record({"NULL"});
  const auto values = table.Record({"Smith", "1/", "3", "abc", "5"});
  ExpectValues(table, nulls,
               {{"name = NULL", "true"},
                {"name <> NULL", "false"},
                {"name IS NULL", "true"},
                {"name > NULL", "false"},
                {"name = 'x'", "false"},
                {"name <> 'x'", "true"},
                {"NOT name = 'x'", "true"},
                {"i + 1", "null"},
                {"name LIKE '%'", "false"},
                {"name NOT LIKE 'x'", "true"},
                {"name IN ('a', 'b')", "false"},
                {"i BETWEEN 1 AND 5", "false"},
                {"i NOT BETWEEN 1 AND 5", "true"},
                {"name || 'x'", "'x'"},
                {"SUBSTRING(p FROM 1 FOR 2) = '2/'", "false"}});
  ExpectValues(table, values,
               {{"name = NULL", "false"},
                {"name IS NOT NULL", "true"},
                {"i > 4 AND name = 'Smith'", "true"},
                {"i > 5 OR name = 'Smith'", "true"},
                {"i > 5 OR name = 'x'", "false"},
                {"SUBSTRING(p FROM 1 FOR 2) = '1/'", "true"},
                {"SUBSTRING(p FROM 1 FOR 1)", "'1'"},
                {"SUBSTRING('abc' FROM 5)", "null"},
                {"SUBSTRING(name FROM 2)", "'mith'"}});
}

TEST(ExpressionEvaluator, StringConstantsNamingAColumnCompareWithIt) {
  TestTable table({{"name", TFieldType::String, 41}, {"p", TFieldType::String, 4}, {"r", TFieldType::String, 3},
                   {"abc", TFieldType::String, 11}});
  const auto record = table.Record({"abc", "", "", "abc"});
  EXPECT_EQ(Evaluated(table, "name = 'abc'", record), "true");  // the column abc holds "abc" too
  const auto other = table.Record({"abc", "", "", "zzz"});
  EXPECT_EQ(Evaluated(table, "name = 'abc'", other), "false");  // compared with column abc
  EXPECT_EQ(Evaluated(table, "name = 'abd'", other), "false");
  EXPECT_EQ(Evaluated(table, "name = \"abc\"", other), "false");
  EXPECT_EQ(Evaluated(table, "name LIKE 'abc'", other), "true");  // a pattern is always a constant
}

TEST(ExpressionEvaluator, ArithmeticOverNumbersDatesAndTimes) {
  TestTable table = sklad::testing::StandardTable();
  // d = 2024-01-01 (day 738,886), t = 10:00, ts = 2024-01-01 12:00
  const auto record = table.Record({"x", "", "", "", "7", "-3", "2.5", "12.34", "738886", "36000000",
                                    std::to_string(738886.0 * 86400000 + 43200000)});
  ExpectValues(table, record,
               {{"7 / 2", "3.5"},
                {"5 / 0", "null"},
                {"i * s", "-21"},
                {"i - s", "10"},
                {"i + f", "9.5"},
                {"2147483647 + 1", "-2147483648"},
                {"-i", "-7"},
                {"m + 1", "bcd 13342 scale 2"},
                {"m * 2", "bcd 24682 scale 2"},
                {"m / 3", "bcd 4112 scale 2"},
                {"-m", "bcd -12342 scale 2"},
                {"d + 31 = d + 31", "true"},
                {"(d + 31) - d", "31"},
                {"EXTRACT(MONTH FROM (d + 31))", "2"},
                {"EXTRACT(DAYOFWEEK FROM d)", "2"},  // a Monday
                {"EXTRACT(HOUR FROM (t + 60000))", "10"},
                {"EXTRACT(MINUTE FROM (t + 60000))", "1"},
                {"EXTRACT(HOUR FROM ts)", "12"},
                {"EXTRACT(YEAR FROM ts)", "2024"},
                {"ts - d", "0"},
                {"ts - t", "7200000"},
                {"ROUND(2.5)", "3"},
                {"ROUND(-2.5)", "-3"},
                {"ROUND(f TO 0)", "3"},
                {"ROUND(1.2345 TO 2)", "1.23"},
                {"ABS(s)", "3"},
                {"ABS(-m)", "bcd 12342 scale 2"},
                {"IF(i > 5 THEN 'big' ELSE 'small')", "'big'"},
                {"CAST(m AS INTEGER)", "12"},
                {"CAST('12.34' AS DECIMAL(10, 2))", "bcd 12342 scale 2"},
                {"CAST(i AS CHAR(5))", "'7'"}});
}

TEST(ExpressionEvaluator, StringFunctions) {
  TestTable table = sklad::testing::StandardTable();
  const auto record = table.Record({"  Linux  ", "", "", "", "", "", "", "", "", "", "", "", "Příliš žluťoučký"});
  ExpectValues(table, record,
               {{"UPPER(name)", "'  LINUX  '"},
                {"LOWER(name)", "'  linux  '"},
                {"TRIM(BOTH ' ' FROM name)", "'Linux'"},
                {"TRIM(LEADING ' ' FROM name)", "'Linux  '"},
                {"TRIM(TRAILING ' ' FROM name)", "'  Linux'"},
                {"TRIM(BOTH ' ' FROM '   ')", "null"},
                {"POS('n' IN name)", "5"},
                {"POS('z' IN name)", "0"},
                {"OCCURS(' ' IN name)", "4"},
                {"REPLACE('  ' WITH '_' IN name)", "'_Linux_'"},
                {"REPLACE('i' WITH 'i' IN name)", "'  Linux  '"},
                {"'xy' || 'de'", "'xyde'"}});
}

TEST(ExpressionEvaluator, LikeMatchesWithPercentAndUnderscore) {
  TestTable table = sklad::testing::StandardTable();
  const auto record = table.Record({"abc"});
  ExpectValues(table, record,
               {{"name LIKE 'a%c'", "true"},
                {"name LIKE '_b_'", "true"},
                {"name LIKE 'A%'", "false"},
                {"name LIKE 'abcd%'", "false"},
                {"name LIKE '%%%'", "true"},
                {"name LIKE 'abc%%'", "true"},
                {"name LIKE '%b%'", "true"},
                {"name LIKE '%bc'", "true"},
                {"name LIKE '____'", "false"},
                {"name LIKE 'ab'", "false"},
                {"name LIKE 'ab%'", "true"},   // prepared into a prefix comparison
                {"name NOT LIKE 'ab%'", "false"},
                {"name LIKE 'b%'", "false"}});
}

TEST(ExpressionEvaluator, CzechLocaleIgnoresMarksButKeepsLettersAndCase) {
  TestTable table = sklad::testing::StandardTable();
  // "Žluťoučký kůň" in code page 1250.
  const auto record = table.Record({"\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2"});
  TPrepareOptions czech{false, false, kCzech, 0};
  ExpectValues(table, record,
               {{"name LIKE '%ko%'", "false"},          // ů and o differ only by a mark... but Czech ů is its own letter
                {"name LIKE '\x8E%'", "true"},
                {"name LIKE 'z%'", "false"},             // ž is a letter of its own in Czech
                {"name LIKE '%K\xF9\xF2'", "false"},     // case counts
                {"LOWER(name) LIKE '%k\xF9\xF2'", "true"},
                {"UPPER(name) = '\x8ELU\x8DOU\xC8K\xDD K\xD9\xD2'", "true"}},
               czech);
  const auto accented = table.Record({"k\xE1va"});  // káva
  ExpectValues(table, accented, {{"name LIKE 'kava'", "true"}, {"name = 'kava'", "true"}, {"name > 'kav'", "true"}},
               czech);
  ExpectValues(table, accented, {{"name LIKE 'kava'", "false"}});  // bytes without a language
}

TEST(ExpressionEvaluator, PreparedPrefixAndCaseOptions) {
  TestTable table = sklad::testing::StandardTable();
  const auto smith = table.Record({"Smith"});
  const auto star = table.Record({"Sm*"});
  ExpectValues(table, smith, {{"name = 'Sm*'", "true"}, {"name <> 'Sm*'", "false"}, {"name = 'sm*'", "false"}});
  ExpectValues(table, smith, {{"name = 'Sm*'", "false"}}, {true, false, 0, 0});
  ExpectValues(table, star, {{"name = 'Sm*'", "true"}}, {true, false, 0, 0});
  ExpectValues(table, smith, {{"name = 'SMITH'", "true"}, {"name = 'sm*'", "true"}, {"name LIKE 'sm%'", "false"}},
               {false, true, 0, 0});
  ExpectValues(table, table.Record({"abc "}), {{"name > 'abc'", "true"}});  // trailing blanks count
}

TEST(ExpressionEvaluator, ConstantsFitTheColumnWithoutChangingTheAnswer) {
  TestTable table = sklad::testing::StandardTable();
  const auto five = table.Record({"", "", "", "", "5", "5"});
  const auto six = table.Record({"", "", "", "", "6", "-32768"});
  ExpectValues(table, five,
               {{"i = 5.5", "false"},
                {"i <> 5.5", "true"},
                {"i >= 5.5", "false"},
                {"i > 4.5", "true"},
                {"i < 5.5", "true"},
                {"i <= 4.9", "false"},
                {"i IN (5.0, 7)", "true"},
                {"i IN (5.5)", "false"},
                {"i BETWEEN 4.5 AND 5.5", "true"},
                {"s < 100000", "true"},
                {"s > 100000", "false"},
                {"s >= -100000", "true"},
                {"s = 65541", "false"},
                {"m > 12.345", "false"}});
  ExpectValues(table, six, {{"i >= 5.5", "true"}, {"s > -100000", "true"}, {"s < -32768", "false"}});
}

TEST(ExpressionEvaluator, BareBooleanColumnIsACondition) {
  TestTable table = sklad::testing::StandardTable();
  const auto yes = table.Record({"", "", "", "", "", "", "", "", "", "", "", "TRUE"});
  const auto no = table.Record({"", "", "", "", "", "", "", "", "", "", "", "FALSE"});
  EXPECT_EQ(Evaluated(table, "flag", yes), "true");
  EXPECT_EQ(Evaluated(table, "NOT flag", yes), "false");
  EXPECT_EQ(Evaluated(table, "flag AND NOT flag", no), "false");
  EXPECT_EQ(Evaluated(table, "flag OR name IS NULL", no), "true");
}

TEST(ExpressionEvaluator, ColumnsNeedAFetcher) {
  TestTable table = sklad::testing::StandardTable();
  TExpTree bound = sklad::testing::BindFilter(table, "name = 'x'");
  try {
    Evaluate(*bound, nullptr, TEvaluationContext{});
    FAIL();
  } catch (const ESkladEngineError& e) {
    EXPECT_STREQ(e.what(), "Sklad Engine Error # 11949 SQL error - Internal error: Column 'name' specified illegally");
  }
}

TEST(ExpressionEvaluator, DateConstantsReadWithTheLocalesShortDateFormat) {
  TestTable table = sklad::testing::StandardTable();
  const auto record = table.Record({"", "", "", "", "", "", "", "", "738886"});
  {
    TLocaleScope scope(0, 0);
    EXPECT_EQ(Evaluated(table, "d = '2024-01-01'", record), "true");
    EXPECT_EQ(FilterError(table, "d = '2024/31/31'"),
              "Date, time, or timestamp expression expected, instead found '2024/31/31' in filter expression");
  }
  TLocaleScope czech(kCzech, 0);
  EXPECT_EQ(Evaluated(table, "d = '1.1.2024'", record), "true");
}

}  // namespace
}  // namespace sklad
