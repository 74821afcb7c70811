// Joins read through TJoinedRows: inner joins from WHERE and JOIN ... ON, left and right outer
// joins, several tables, comparisons other than =, conditions over two tables after the join,
// join order, join values of another type than their column, and the planning messages.
#include <gtest/gtest.h>

#include <algorithm>

#include "JoinTables.h"
#include "engine/storage/core/EngineError.h"

namespace sklad::testing {
namespace {

using T = TFieldType;

std::vector<TestTable> Tables() {
  TestTable dept{"dept", {{"id", T::Integer}, {"name", T::String, 10}}, {{"1", "Sales"}, {"2", "Dev"}, {"3", "Ops"}}, 1, {}};
  TestTable emp{"emp",
                {{"id", T::Integer}, {"name", T::String, 10}, {"dept", T::Integer}, {"salary", T::Float}},
                {{"1", "Ann", "1", "100"}, {"2", "Bob", "2", "200"}, {"3", "Cyd", "2", "300"}, {"4", "Dan", "", "150"},
                 {"5", "Eve", "9", "50"}},
                0,
                {3, 2}};
  // No index: joins into it go through a filter per row.
  TestTable proj{"proj", {{"id", T::Integer}, {"dept", T::Integer}, {"title", T::String, 10}},
                 {{"10", "1", "Alpha"}, {"11", "2", "Beta"}, {"12", "3", "Gamma"}, {"13", "", "Delta"}}, 0, {}};
  TestTable grade{"grade", {{"level", T::Float}, {"label", T::String, 10}},
                  {{"2.5", "half"}, {"2", "two"}, {"1", "one"}}, 0, {1}};
  TestTable tags{"tags", {{"name", T::String, 10}, {"note", T::String, 10}}, {{"B*", "star"}, {"Bob", "exact"}}, 0, {}};
  // Numbered by the table itself, with the number as its primary key.
  TestTable team{"team", {{"id", T::Integer, 0, subtype::AutoIncrement}, {"name", T::String, 10}},
                 {{"", "Red"}, {"", "Blue"}}, 1, {}};
  return {dept, emp, proj, grade, tags, team};
}

class JoinTest : public ::testing::Test {
 protected:
  std::vector<std::string> Sorted(const std::string& text) {
    std::vector<std::string> rows = FDatabase.JoinedRows(text);
    std::ranges::sort(rows);
    return rows;
  }
  JoinDatabase FDatabase{Tables()};
};

struct JoinCase {
  const char* Text;
  std::vector<std::string> Rows;  // sorted
};

TEST_F(JoinTest, JoinedRowsMatchTheCondition) {
  const std::vector<JoinCase> cases = {
      {"SELECT e.name, d.name FROM emp e, dept d WHERE e.dept = d.id", {"Ann|Sales", "Bob|Dev", "Cyd|Dev"}},
      {"SELECT e.name, d.name FROM emp e JOIN dept d ON e.dept = d.id", {"Ann|Sales", "Bob|Dev", "Cyd|Dev"}},
      {"SELECT e.name, d.name FROM emp e, dept d WHERE d.id = e.dept", {"Ann|Sales", "Bob|Dev", "Cyd|Dev"}},
      // Through a filter on the unindexed table, per row.
      {"SELECT d.name, p.title FROM dept d, proj p WHERE d.id = p.dept", {"Dev|Beta", "Ops|Gamma", "Sales|Alpha"}},
      {"SELECT e.name, d.name FROM emp e LEFT JOIN dept d ON e.dept = d.id",
       {"Ann|Sales", "Bob|Dev", "Cyd|Dev", "Dan|NULL", "Eve|NULL"}},
      {"SELECT d.name, e.name FROM emp e RIGHT OUTER JOIN dept d ON e.dept = d.id",
       {"Dev|Bob", "Dev|Cyd", "Ops|NULL", "Sales|Ann"}},
      // A WHERE condition on the outer join's inner table sees its NULL row; one in ON does not.
      {"SELECT e.name, d.name FROM emp e LEFT JOIN dept d ON e.dept = d.id WHERE d.name IS NULL", {"Dan|NULL", "Eve|NULL"}},
      {"SELECT e.name, d.name FROM emp e LEFT JOIN dept d ON e.dept = d.id AND d.name = 'Dev'",
       {"Ann|NULL", "Bob|Dev", "Cyd|Dev", "Dan|NULL", "Eve|NULL"}},
      // An ON condition on the outer join's own table decides whether its row finds a match.
      {"SELECT e.name, d.name FROM emp e LEFT JOIN dept d ON e.dept = d.id AND e.salary > 150",
       {"Ann|NULL", "Bob|Dev", "Cyd|Dev", "Dan|NULL", "Eve|NULL"}},
      // Everything joined from a NULL row is NULL too.
      {"SELECT e.name, d.name, p.title FROM emp e LEFT JOIN dept d ON e.dept = d.id LEFT JOIN proj p ON d.id = p.dept",
       {"Ann|Sales|Alpha", "Bob|Dev|Beta", "Cyd|Dev|Beta", "Dan|NULL|NULL", "Eve|NULL|NULL"}},
      {"SELECT e.name, d.name, p.title FROM emp e, dept d, proj p WHERE e.dept = d.id AND p.dept = d.id",
       {"Ann|Sales|Alpha", "Bob|Dev|Beta", "Cyd|Dev|Beta"}},
      {"SELECT e.name, d.name FROM emp e, dept d WHERE e.dept > d.id",
       {"Bob|Sales", "Cyd|Sales", "Eve|Dev", "Eve|Ops", "Eve|Sales"}},
      // Two comparisons between the same tables make one join.
      {"SELECT e.name, d.name FROM emp e, dept d WHERE e.dept >= d.id AND e.id <= d.id",
       {"Ann|Sales", "Bob|Dev"}},
      // An OR over two tables is tested on every row of the cross product.
      {"SELECT e.name, d.name FROM emp e, dept d WHERE e.dept = d.id OR e.salary < 60",
       {"Ann|Sales", "Bob|Dev", "Cyd|Dev", "Eve|Dev", "Eve|Ops", "Eve|Sales"}},
      {"SELECT e.name, d.name FROM emp e, dept d WHERE e.dept = d.id AND e.salary > 150 AND d.name <> 'Ops'",
       {"Bob|Dev", "Cyd|Dev"}},
      {"SELECT e.name FROM emp e, dept d WHERE e.id = d.id", {"Ann", "Bob", "Cyd"}},
      {"SELECT e.name, t.name FROM emp e, team t WHERE e.dept = t.id", {"Ann|Red", "Bob|Blue", "Cyd|Blue"}},
      // = holds for two NULLs, in a join as in any condition: through a filter and through a key.
      {"SELECT e.name, p.title FROM emp e, proj p WHERE e.dept = p.dept", {"Ann|Alpha", "Bob|Beta", "Cyd|Beta", "Dan|Delta"}},
      {"SELECT p.title, e.name FROM proj p, emp e WHERE p.dept = e.dept NOJOINOPTIMIZE",
       {"Alpha|Ann", "Beta|Bob", "Beta|Cyd", "Delta|Dan"}},
      // Both sides of the one comparison mix nothing: a condition over two tables, not a join.
      {"SELECT e.name, d.name FROM emp e, dept d WHERE e.id + d.id = 3", {"Ann|Dev", "Bob|Sales"}},
      {"SELECT e.name, d.name FROM emp e, dept d WHERE e.name = 'Ann'", {"Ann|Dev", "Ann|Ops", "Ann|Sales"}},
  };
  for (const JoinCase& c : cases) EXPECT_EQ(Sorted(c.Text), c.Rows) << c.Text;
}

// A join value the inner column's type cannot hold exactly matches nothing with = and keeps its
// order with <= (2.5 is never 2); a string value ending in * is no prefix.
TEST_F(JoinTest, JoinValuesNeverMatchValuesThatDiffer) {
  const std::vector<JoinCase> cases = {
      {"SELECT g.label, e.name FROM grade g, emp e WHERE g.level = e.dept NOJOINOPTIMIZE",
       {"one|Ann", "two|Bob", "two|Cyd"}},
      {"SELECT e.name, g.label FROM emp e, grade g WHERE e.dept = g.level NOJOINOPTIMIZE",
       {"Ann|one", "Bob|two", "Cyd|two"}},
      {"SELECT g.label, e.name FROM grade g, emp e WHERE g.level <= e.dept NOJOINOPTIMIZE",
       {"half|Eve", "one|Ann", "one|Bob", "one|Cyd", "one|Eve", "two|Bob", "two|Cyd", "two|Eve"}},
      {"SELECT g.label, e.name FROM grade g, emp e WHERE g.level > e.dept NOJOINOPTIMIZE",
       {"half|Bob", "half|Cyd", "half|Ann", "two|Ann"}},
      {"SELECT t.note, e.name FROM tags t, emp e WHERE t.name = e.name NOJOINOPTIMIZE", {"exact|Bob"}},
      {"SELECT t.note, e.name FROM tags t, emp e WHERE t.name <> e.name NOJOINOPTIMIZE",
       {"exact|Ann", "exact|Cyd", "exact|Dan", "exact|Eve", "star|Ann", "star|Bob", "star|Cyd", "star|Dan", "star|Eve"}},
  };
  for (const JoinCase& c : cases) {
    std::vector<std::string> expected = c.Rows;
    std::ranges::sort(expected);
    EXPECT_EQ(Sorted(c.Text), expected) << c.Text;
  }
}

TEST_F(JoinTest, JoinOrderGivesTheSameRows) {
  for (const char* text : {"SELECT e.name, d.name, p.title FROM emp e, dept d, proj p WHERE e.dept = d.id AND d.id = p.dept",
                           "SELECT e.name, d.name FROM emp e, dept d WHERE e.dept = d.id AND e.salary > 100",
                           "SELECT e.name, g.label FROM emp e, grade g WHERE e.dept = g.level",
                           "SELECT e.name, d.name FROM emp e LEFT JOIN dept d ON e.dept = d.id"}) {
    const std::vector<std::string> optimised = Sorted(text);
    EXPECT_EQ(Sorted(std::string(text) + " NOJOINOPTIMIZE"), optimised) << text;
    EXPECT_FALSE(optimised.empty()) << text;
  }
}

TEST_F(JoinTest, TheSmallestTableThatCanLeadLeads) {
  const std::string text = "SELECT e.name FROM emp e, dept d, proj p WHERE e.dept = d.id AND d.id = p.dept";
  EXPECT_EQ(FDatabase.LeaderOf(text), "d");
  EXPECT_EQ(FDatabase.LeaderOf(text + " NOJOINOPTIMIZE"), "e");
  // A table behind an outer join cannot lead.
  EXPECT_EQ(FDatabase.LeaderOf("SELECT e.name FROM emp e LEFT JOIN dept d ON e.dept = d.id JOIN proj p ON d.id = p.dept"),
            "e");
}

// Integer keys are looked up among the inner table's records read once; other equalities search
// an index of the inner column when there is one.
TEST_F(JoinTest, AnEqualityOnAnIndexedColumnSearchesTheIndex) {
  bool usedIndex = false;
  EXPECT_EQ(FDatabase.JoinedRows("SELECT t.note, e.name FROM tags t, emp e WHERE t.name = e.name NOJOINOPTIMIZE",
                                 &usedIndex),
            std::vector<std::string>{"exact|Bob"});
  EXPECT_TRUE(usedIndex);
  EXPECT_EQ(FDatabase.JoinedRows("SELECT t.note, p.title FROM tags t, proj p WHERE t.name <> p.title", &usedIndex).size(),
            8u);
  EXPECT_FALSE(usedIndex);
  FDatabase.JoinedRows("SELECT d.name, e.name FROM dept d, emp e WHERE d.id = e.dept NOJOINOPTIMIZE", &usedIndex);
  EXPECT_FALSE(usedIndex);
}

TEST_F(JoinTest, LeaderRowsCountTheFirstTablesRecords) {
  EXPECT_EQ(FDatabase.LeaderRowsOf("SELECT e.name FROM emp e, dept d WHERE e.dept = d.id NOJOINOPTIMIZE"), 5);
}

TEST_F(JoinTest, PlanningFaultsAreReported) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"SELECT e.name FROM emp e, dept d, proj p WHERE e.dept + p.dept = d.id",
       "The join condition cannot contain multiple table correlation names in either the left or right operand in "
       "WHERE or JOIN clause"},
      {"SELECT e.name FROM emp e, dept d, proj p WHERE e.dept = p.dept AND d.id = p.id",
       "Internal join error - table correlation name \"p\" is target of multiple join conditions in WHERE or JOIN "
       "clause"},
      {"SELECT e.name FROM emp e, dept d WHERE e.dept = d.id AND e.id = d.id AND e.dept < x.id",
       "Table correlation name 'x' referenced in WHERE clause is not defined in the FROM clause"},
  };
  for (const auto& [text, message] : cases) {
    try {
      FDatabase.JoinedRows(text);
      ADD_FAILURE() << text;
    } catch (const ESkladEngineError& e) {
      EXPECT_EQ(e.Code(), err::SqlError);
      EXPECT_EQ(std::string(e.what()), std::string("Sklad Engine Error # 11949 SQL error - ") + message) << text;
    }
  }
}

}  // namespace
}  // namespace sklad::testing
