// Long runs of operators and deeply nested texts. A run of any length (ORs, ANDs, sums or
// concatenations) parses, binds, prepares, copies and evaluates to its value, also on a thread
// with a small stack; nesting past the parser's bound fails with a clear filter error instead of
// overflowing the stack; and the deepest text the parser admits goes through every step on that
// small stack.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "TestTable.h"
#include "tests/support/RepeatedText.h"
#include "tests/support/SmallStack.h"

namespace sklad {
namespace {

using sklad::testing::Evaluated;
using sklad::testing::FilterError;
using sklad::testing::Joined;
using sklad::testing::Nested;
using sklad::testing::TestTable;

constexpr int kLong = 5000;
constexpr int kAdmitted = TExpressionParser::kMaximumNesting - 1;  // one level per shape below

TEST(DeepExpression, LongRunsOfOperatorsGiveTheirValues) {
  TestTable table = sklad::testing::StandardTable();
  const auto record = table.Record({"abc", "1/", "3", "kod", "7"});
  const std::string manyAs(kLong, 'a');
  const struct {
    std::string text;
    std::string value;
  } cases[] = {
      {Joined("i = 1", " OR ", kLong) + " OR i = 7", "true"},
      {"i = 7 OR " + Joined("i = 1", " OR ", kLong), "true"},
      {Joined("i = 1", " OR ", kLong), "false"},
      {Joined("i > 1", " AND ", kLong), "true"},
      {Joined("i > 1", " AND ", kLong) + " AND i = 1", "false"},
      {Joined("i = 1 AND name = 'abc'", " OR ", kLong) + " OR i = 7 AND name = 'abc'", "true"},
      {Joined("1", " + ", kLong), std::to_string(kLong)},
      {Joined("i", " - ", kLong), std::to_string(7 - 7 * (kLong - 1))},
      {Joined("2", " * ", kLong) + " * 0 + i", "7"},
      {Joined("'a'", " || ", kLong), "'" + manyAs + "'"},
      {"name || " + Joined("''", " || ", kLong) + " || name", "'abcabc'"},
      {"UPPER(" + Joined("name", " || ", kLong) + ") = '" + Joined("ABC", "", kLong) + "'", "true"},
  };
  sklad::testing::RunOnSmallStack(sklad::testing::kSmallStack, [&] {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.text.substr(0, 60));
      EXPECT_EQ(Evaluated(table, c.text, record), c.value);
      EXPECT_NE(CopyTree(*sklad::testing::BindFilter(table, c.text)), nullptr);
    }
  });
}

// Each shape nests one level per opening: at the bound's depth it is admitted, one deeper it
// fails; far deeper (the texts that used to overflow the stack) it fails the same way.
TEST(DeepExpression, NestingPastTheBoundFailsCleanly) {
  TestTable table = sklad::testing::StandardTable();
  const struct {
    const char* opening;
    const char* inner;
    const char* closing;
  } shapes[] = {
      {"UPPER(", "name", ")"},
      {"(", "i", ")"},
      {"NOT (", "i = 1", ")"},
      {"i = 1 OR (", "i = 2", ")"},
      {"1 - (", "i", ")"},
      {"IF(i = 1 THEN ", "i", " ELSE 2)"},
      {"CAST(", "i", " AS INTEGER)"},
      {"SUBSTRING(", "name", " FROM 1)"},
      {"REPLACE('a' WITH 'b' IN ", "name", ")"},
  };
  for (const auto& shape : shapes) {
    SCOPED_TRACE(shape.opening);
    EXPECT_EQ(FilterError(table, Nested(shape.opening, shape.inner, shape.closing, kAdmitted)), "");
    for (int depth : {kAdmitted + 1, 15000})
      EXPECT_EQ(FilterError(table, Nested(shape.opening, shape.inner, shape.closing, depth)),
                "Expression nested too deeply in filter expression");
  }
}

// The deepest text of each shape, with long runs inside, through every step on a 1 MB stack.
TEST(DeepExpression, DeepestAdmittedTextsRunOnASmallStack) {
  TestTable table = sklad::testing::StandardTable();
  const auto record = table.Record({"abc", "1/", "3", "kod", "7"});
  const std::string run = Joined("i = 1", " OR ", 200) + " OR i = 7";
  const struct {
    std::string text;
    const char* value;
  } cases[] = {
      {Nested("UPPER(", "name", ")", kAdmitted) + " = 'ABC'", "true"},
      {Nested("(", run, ")", kAdmitted), "true"},
      {Nested("NOT (NOT (", run, "))", kAdmitted / 2), "true"},
      {Nested("i = 1 OR (i = 2 AND (", run, "))", kAdmitted / 2), "false"},
      {Nested("1 - (", "i", ")", kAdmitted) + " = -6", "true"},
      {Nested("IF(" + run + " THEN ", "i", " ELSE 2)", kAdmitted) + " = 7", "true"},
      {Nested("ABS(", Joined("i", " - ", 100), ")", kAdmitted) + " = 686", "true"},
  };
  sklad::testing::RunOnSmallStack(sklad::testing::kSmallStack, [&] {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.text.substr(0, 60));
      EXPECT_EQ(Evaluated(table, c.text, record), c.value);
      EXPECT_NE(CopyTree(*sklad::testing::BindFilter(table, c.text)), nullptr);
    }
  });
}

}  // namespace
}  // namespace sklad
