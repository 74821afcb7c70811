// Long runs of operators and deep nesting in whole statements. A WHERE, a join, a select list, a
// HAVING or an UPDATE with a long run of operators runs and finds the right rows, also on a thread
// with a small stack; nesting past the parser's bound fails naming its clause; the deepest
// statements the parser admits run on that small stack.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <string_view>

#include "JoinTables.h"
#include "SqlErrorText.h"
#include "engine/sql/SqlStatement.h"
#include "tests/support/Iterations.h"
#include "tests/support/RepeatedText.h"
#include "tests/support/SmallStack.h"

namespace sklad::testing {
namespace {

constexpr int kAdmitted = TExpressionParser::kMaximumNesting - 1;
constexpr int kAdmittedSubSelects = (TExpressionParser::kMaximumNesting - 1) / TExpressionParser::kSubSelectNesting;

class DeepStatementTest : public ::testing::Test {
 protected:
  // The rows a SELECT gives or a data change changes.
  int32_t Rows(const std::string& text) {
    TSqlStatement statement(FDatabase.Directory(), text);
    statement.Execute();
    return statement.RowsAffected();
  }

  // The first column of a SELECT's first row, an integer.
  int32_t FirstValue(const std::string& text) {
    TSqlStatement statement(FDatabase.Directory(), text);
    TDataCursor* result = statement.Execute();
    result->First();
    EXPECT_EQ(result->ReadNext(nullptr), 0);
    int32_t value = 0;
    result->GetField(1, result->CurrentRecord().data(), reinterpret_cast<uint8_t*>(&value));
    return value;
  }

  // Departments 1..3 keyed by id; employees Ann (1), Bob (2), Cyd (2), Dan (none), Eve (9).
  JoinDatabase FDatabase{{DeptTable(), EmpTable()}};
};

TEST_F(DeepStatementTest, LongRunsInEveryClauseFindTheirRows) {
  // Long enough to overflow a small stack by recursion; the long version runs the 100,000 terms
  // that used to end the process on the main thread.
  const int kLong = Iterations(5000, 100000);
  const std::string sum = Joined("id", " + ", kLong);
  const struct {
    std::string text;
    int32_t rows;
  } cases[] = {
      {"SELECT * FROM emp WHERE " + Joined("id = 0", " OR ", kLong) + " OR id = 2", 1},
      {"SELECT * FROM emp WHERE id = 2 OR " + Joined("dept = 0", " OR ", kLong), 1},
      {"SELECT * FROM emp WHERE " + Joined("name <> 'Ann'", " AND ", kLong), 4},
      {"SELECT * FROM emp WHERE " + sum + " = " + std::to_string(kLong) + " * id", 5},
      {"SELECT * FROM emp WHERE " + Joined("name", " || ", kLong) + " <> name", 5},
      // A join made of many comparisons, single-table parts an index serves, parts over both.
      {"SELECT * FROM emp, dept WHERE " + Joined("emp.dept = dept.id", " AND ", kLong), 3},
      {"SELECT * FROM emp, dept WHERE emp.dept = dept.id AND " + Joined("dept.id > 1", " AND ", kLong), 2},
      {"SELECT * FROM emp, dept WHERE emp.dept = dept.id AND " + Joined("emp.id + dept.id > 2", " AND ", kLong), 2},
      {"SELECT * FROM emp JOIN dept ON " + Joined("emp.dept = dept.id", " AND ", kLong) + " WHERE emp.id > 2", 1},
      // HAVING matches its aggregate with the select list's over the whole long argument.
      {"SELECT dept, SUM(" + sum + ") FROM emp GROUP BY dept HAVING SUM(" + sum + ") > " + std::to_string(3 * kLong), 3},
      {"UPDATE emp SET name = name WHERE " + Joined("id = 0", " OR ", kLong) + " OR id = 3", 1},
  };
  RunOnSmallStack(kSmallStack, [&] {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.text.substr(0, 80));
      EXPECT_EQ(Rows(c.text), c.rows);
    }
    EXPECT_EQ(FirstValue("SELECT " + Joined("1", " + ", kLong) + " FROM dept"), kLong);
    EXPECT_EQ(FirstValue("SELECT id FROM emp WHERE " + Joined("name <> 'Ann'", " AND ", kLong) + " ORDER BY id"), 2);
  });
}

// Each shape is admitted as deep as the bound allows and refused one level deeper and far deeper
// (where the process used to end in a stack overflow), with the clause named.
TEST_F(DeepStatementTest, NestingPastTheBoundFailsNamingTheClause) {
  const struct {
    std::string before;
    const char* opening;
    const char* inner;
    const char* closing;
    std::string after;
    int admitted;
    const char* clause;
  } shapes[] = {
      {"SELECT * FROM emp WHERE ", "UPPER(", "name", ")", " = 'X'", kAdmitted, "WHERE or JOIN clause"},
      {"SELECT * FROM emp WHERE ", "NOT (", "id = 1", ")", "", kAdmitted, "WHERE or JOIN clause"},
      // The bound is met in the select list of the sub-select one too deep.
      {"SELECT * FROM emp WHERE id IN ", "(SELECT id FROM emp WHERE id IN ", "(1)", ")", "", kAdmittedSubSelects,
       "source column expression"},
      {"SELECT * FROM emp JOIN dept ON emp.dept = dept.id AND ", "(", "dept.id > 1", ")", "", kAdmitted,
       "WHERE or JOIN clause"},
      {"SELECT ", "LOWER(", "name", ")", " FROM emp", kAdmitted, "source column expression"},
      {"SELECT dept FROM emp GROUP BY dept HAVING ", "(", "dept > 0", ")", "", kAdmitted, "HAVING clause"},
      {"UPDATE emp SET name = ", "UPPER(", "name", ")", "", kAdmitted, "value expression"},
      {"INSERT INTO dept VALUES (7, ", "TRIM(BOTH 'x' FROM ", "'y'", ")", ")", kAdmitted, "value expression"},
  };
  for (const auto& shape : shapes) {
    SCOPED_TRACE(shape.before + shape.opening);
    auto text = [&](int depth) {
      return shape.before + Nested(shape.opening, shape.inner, shape.closing, depth) + shape.after;
    };
    EXPECT_EQ(SqlMessage([&] { Rows(text(shape.admitted)); }), "");
    for (int depth : {shape.admitted + 1, 10000})
      EXPECT_EQ(SqlMessage([&] { Rows(text(depth)); }), std::string("Expression nested too deeply in ") + shape.clause);
  }
}

// The deepest statements, with long runs inside, parsed, planned and run on a 1 MB stack.
TEST_F(DeepStatementTest, DeepestAdmittedStatementsRunOnASmallStack) {
  const std::string run = Joined("emp.id = 0", " OR ", 200) + " OR emp.id > 1";
  RunOnSmallStack(kSmallStack, [&] {
    EXPECT_EQ(Rows("SELECT * FROM emp WHERE id IN " +
                   Nested("(SELECT id FROM emp WHERE id IN ", "(SELECT id FROM emp WHERE " + run + ")", ")",
                          kAdmittedSubSelects - 1)),
              4);
    EXPECT_EQ(Rows("SELECT * FROM emp WHERE " + Nested("NOT (NOT (", run, "))", kAdmitted / 2)), 4);
    EXPECT_EQ(Rows("SELECT * FROM emp, dept WHERE emp.dept = dept.id AND " +
                   Nested("(dept.id = 7 OR ", run, ")", kAdmitted)),
              2);
    EXPECT_EQ(Rows("SELECT " + Nested("UPPER(", "name", ")", kAdmitted) + " FROM emp ORDER BY 1"), 5);
    EXPECT_EQ(Rows("SELECT dept, COUNT(id) FROM emp GROUP BY dept HAVING " +
                   Nested("(COUNT(id) = 7 OR ", "COUNT(id) > 1", ")", kAdmitted - 1)),
              1);
  });
}

}  // namespace
}  // namespace sklad::testing
