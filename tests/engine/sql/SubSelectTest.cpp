// IN (SELECT ...) and NOT IN (SELECT ...) through whole statements: the sub-select runs before the
// statement that asks it, its values compare under =, NULLs included, and binding checks its
// column.
#include <gtest/gtest.h>

#include <algorithm>

#include "JoinTables.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/core/EngineError.h"

namespace sklad::testing {
namespace {

using T = TFieldType;

TSqlStatementOptions LiveOptions() {
  TSqlStatementOptions options;
  options.RequestLive = true;
  return options;
}

std::vector<TestTable> Tables() {
  TestTable proj{"proj", {{"id", T::Integer}, {"dept", T::Integer}, {"title", T::String, 10}},
                 {{"10", "1", "Alpha"}, {"11", "2", "Beta"}, {"12", "3", "Gamma"}}, 0, {}};
  TestTable grade{"grade", {{"level", T::Float}}, {{"2.5"}, {"2"}, {"1"}}, 0, {}};
  return {DeptTable(), EmpTable(), proj, grade};
}

class SubSelectTest : public ::testing::Test {
 protected:
  // The first column of every result row, sorted.
  std::vector<std::string> Rows(const std::string& text) {
    TSqlStatement statement(FDatabase.Directory(), text, LiveOptions());
    return Read(statement);
  }

  static std::vector<std::string> Read(TSqlStatement& statement) {
    TDataCursor* result = statement.Execute();
    std::vector<std::string> rows;
    result->First();
    while (result->ReadNext(nullptr) == 0) {
      char value[64] = {};
      rows.push_back(result->GetField(1, result->CurrentRecord().data(), reinterpret_cast<uint8_t*>(value)) ? "NULL"
                                                                                                            : value);
    }
    std::ranges::sort(rows);
    EXPECT_EQ(statement.RowsAffected(), static_cast<int32_t>(rows.size()));
    return rows;
  }

  // The text after "SQL error - " of the error preparing and running the statement raises.
  std::string Message(const std::string& text) {
    try {
      Rows(text);
    } catch (const ESkladEngineError& e) {
      EXPECT_EQ(e.Code(), err::SqlError) << e.what();
      const std::string message = e.what(), prefix = "Sklad Engine Error # 11949 SQL error - ";
      return message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : message;
    }
    return "";
  }

  JoinDatabase FDatabase{Tables()};
};

struct SubSelectCase {
  const char* Text;
  std::vector<std::string> Rows;  // sorted
};

TEST_F(SubSelectTest, RowsAreThoseWhoseValueTheSubSelectHolds) {
  const std::vector<SubSelectCase> cases = {
      {"SELECT name FROM emp WHERE dept IN (SELECT id FROM dept)", {"Ann", "Bob", "Cyd"}},
      {"SELECT name FROM emp WHERE dept NOT IN (SELECT id FROM dept)", {"Dan", "Eve"}},
      {"SELECT name FROM emp WHERE dept IN (SELECT id FROM dept WHERE name = 'Dev')", {"Bob", "Cyd"}},
      {"SELECT name FROM emp WHERE id < 5 AND dept IN (SELECT id FROM dept WHERE id > 1)", {"Bob", "Cyd"}},
      // The sub-select's NULL: a NULL value is in it (= holds for two NULLs), NOT IN then fails.
      {"SELECT title FROM proj WHERE dept IN (SELECT dept FROM emp)", {"Alpha", "Beta"}},
      {"SELECT title FROM proj WHERE dept NOT IN (SELECT dept FROM emp)", {"Gamma"}},
      {"SELECT name FROM emp WHERE dept IN (SELECT dept FROM emp WHERE id = 4)", {"Dan"}},
      {"SELECT name FROM emp WHERE dept NOT IN (SELECT dept FROM emp WHERE id = 4)", {"Ann", "Bob", "Cyd", "Eve"}},
      // An empty sub-select holds nothing.
      {"SELECT name FROM emp WHERE dept IN (SELECT id FROM dept WHERE id > 100)", {}},
      // Numbers of two types compare as numbers: 2.5 is no department.
      {"SELECT name FROM emp WHERE dept IN (SELECT level FROM grade)", {"Ann", "Bob", "Cyd"}},
      {"SELECT title FROM proj WHERE id - 9 IN (SELECT level FROM grade)", {"Alpha", "Beta"}},
      // A sub-select inside a sub-select runs first.
      {"SELECT name FROM emp WHERE dept IN (SELECT id FROM dept WHERE id IN (SELECT dept FROM proj WHERE title = "
       "'Beta'))",
       {"Bob", "Cyd"}},
      {"SELECT name FROM emp WHERE dept IN (SELECT id FROM dept) AND id NOT IN (SELECT id FROM emp WHERE name = "
       "'Bob')",
       {"Ann", "Cyd"}},
  };
  for (const SubSelectCase& c : cases) EXPECT_EQ(Rows(c.Text), c.Rows) << c.Text;
}

TEST_F(SubSelectTest, EachExecutionReadsTheSubSelectAgain) {
  TSqlStatement statement(FDatabase.Directory(), "SELECT name FROM emp WHERE dept IN (SELECT id FROM dept)",
                          LiveOptions());
  EXPECT_EQ(Read(statement), (std::vector<std::string>{"Ann", "Bob", "Cyd"}));
  {
    TDataCursor dept(FDatabase.Directory());
    dept.SetTableName("dept");
    dept.Open();
    std::vector<uint8_t> record(static_cast<size_t>(dept.RecordSize()));
    dept.InitRecord(record.data());
    const int32_t id = 9;
    dept.PutField(1, record.data(), reinterpret_cast<const uint8_t*>(&id));
    dept.InsertRecord(record.data(), false);
  }
  EXPECT_EQ(Read(statement), (std::vector<std::string>{"Ann", "Bob", "Cyd", "Eve"}));
}

TEST_F(SubSelectTest, BindingChecksTheSubSelectsColumn) {
  EXPECT_EQ(Message("SELECT name FROM emp WHERE dept IN (SELECT id, name FROM dept)"),
            "More than 1 column for sub-select  specified in WHERE or JOIN clause");
  EXPECT_EQ(Message("SELECT name FROM emp WHERE dept IN (SELECT * FROM dept)"),
            "More than 1 column for sub-select  specified in WHERE or JOIN clause");
  EXPECT_EQ(Message("SELECT name FROM emp WHERE name IN (SELECT id FROM dept)"),
            "Type mismatch between  operator and expression 'SELECT' in WHERE or JOIN clause");
  EXPECT_EQ(Message("SELECT name FROM emp WHERE dept IN (SELECT nothing FROM dept)"),
            "Invalid column name 'nothing' or table correlation name '' specified in source columns");
}

}  // namespace
}  // namespace sklad::testing
