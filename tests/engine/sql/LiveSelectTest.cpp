// SELECT statements with live results on the generated catalogue: the rows a statement shows are
// exactly those a direct evaluation of its condition picks, in the order it asks for, read
// through the base table's cursor.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "LiveCatalogue.h"
#include "SqlErrorText.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/core/EngineError.h"

namespace sklad::testing {
namespace {

constexpr int kRows = 3000;

bool StartsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }
bool CharAt(const std::string& text, size_t at, char c) { return text.size() > at && text[at] == c; }

class LiveSelectTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { FDatabase = new CatalogueDatabase(kRows); }
  static void TearDownTestSuite() {
    delete FDatabase;
    FDatabase = nullptr;
  }

  static std::unique_ptr<TSqlStatement> Live(const std::string& text) {
    TSqlStatementOptions options;
    options.RequestLive = true;
    auto statement = std::make_unique<TSqlStatement>(FDatabase->Directory(), text, options);
    statement->Prepare();
    return statement;
  }

  // The names of the rows the result shows, in its order; also checks that the count the
  // statement reports equals the rows walked.
  static std::vector<std::string> Names(TSqlStatement& statement, int nameField = kName) {
    TDataCursor& cursor = *statement.Execute();
    std::vector<std::string> names;
    cursor.First();
    while (cursor.ReadNext(nullptr) == 0) names.push_back(TextOf(cursor, nameField));
    EXPECT_EQ(statement.RowsAffected(), static_cast<int32_t>(names.size()));
    return names;
  }

  static std::vector<std::string> Expected(const std::function<bool(const CatalogueRow&)>& condition) {
    std::vector<std::string> names;
    for (const CatalogueRow& row : FDatabase->Rows())
      if (condition(row)) names.push_back(row.name);
    return names;
  }

  static CatalogueDatabase* FDatabase;
};

CatalogueDatabase* LiveSelectTest::FDatabase = nullptr;

bool Issue(const CatalogueRow& row, const std::string& n) {
  return StartsWith(row.p, n + "/") || StartsWith(row.p, "0" + n + "/");
}

struct TLiveCase {
  const char* Sql;
  std::function<bool(const CatalogueRow&)> Condition;
};

TEST_F(LiveSelectTest, CatalogueStatementsShowExactlyTheMatchingRows) {
  const TLiveCase cases[] = {
      {"SELECT * FROM t WHERE ((SUBSTRING(p FROM 1 FOR 2) = '2/') OR (SUBSTRING(p FROM 1 FOR 3) = '02/')) AND "
       "((r = '3') OR (r = '4')) AND ((typ LIKE \"1%\") OR (typ LIKE \"2%\"))",
       [](auto& row) {
         return Issue(row, "2") && (row.r == "3" || row.r == "4") && (StartsWith(row.typ, "1") || StartsWith(row.typ, "2"));
       }},
      {"SELECT * FROM t\nWHERE ((SUBSTRING(p FROM 1 FOR 2) = '1/') OR (SUBSTRING(p FROM 1 FOR 3) = '01/')\n"
       " OR (SUBSTRING(p FROM 1 FOR 2) = '2/') OR (SUBSTRING(p FROM 1 FOR 3) = '02/')\n)\n AND \n((r = '1')\n"
       " OR (r = '3')\n OR (r = '99')\n)",
       [](auto& row) { return (Issue(row, "1") || Issue(row, "2")) && (row.r == "1" || row.r == "3"); }},
      {"SELECT * FROM t\nWHERE ((SUBSTRING(p FROM 1 FOR 2) = '1/') OR (SUBSTRING(p FROM 1 FOR 3) = '01/')\n)\n AND \n"
       "((r = '1')\n)\n AND \n(( typ LIKE \"1%\")\n OR (typ LIKE \"_1%\")\n OR (typ LIKE \"__1%\")\n"
       " OR (typ LIKE \"___1%\")\n OR (typ LIKE \"____1%\")\n OR (os LIKE \"1%\")\n OR (os LIKE \"_1%\")\n"
       " OR (os LIKE \"__1%\")\n OR (os LIKE \"___1%\")\n OR (os LIKE \"____1%\")\n OR (os LIKE \"_____1%\")\n"
       " OR (os LIKE \"______1%\")\n OR (typ LIKE \"N%\")\n OR (typ LIKE \"M%\")\n OR (typ LIKE \"C%\")\n"
       " OR (typ LIKE \"G%\")\n OR (typ LIKE \"F%\")\n OR (typ LIKE \"K%\")\n OR (typ LIKE \"X%\")\n"
       " OR (typ LIKE \"O%\")\n OR (typ LIKE \"R%\")\n OR (typ LIKE \"A%\")\n)",
       [](auto& row) {
         bool any = false;
         for (size_t i = 0; i < 5; ++i) any = any || CharAt(row.typ, i, '1');
         for (size_t i = 0; i < 7; ++i) any = any || CharAt(row.os, i, '1');
         for (char c : std::string("NMCGFKXORA")) any = any || CharAt(row.typ, 0, c);
         return Issue(row, "1") && row.r == "1" && any;
       }},
      {"SELECT * FROM t\nWHERE ((SUBSTRING(p FROM 1 FOR 2) = '3/') OR (SUBSTRING(p FROM 1 FOR 3) = '03/')\n)\n"
       " AND \n((r = '2')\n)\n AND \n(( typ LIKE \"_1%\")\n AND (os LIKE \"_____1%\")\n)",
       [](auto& row) { return Issue(row, "3") && row.r == "2" && CharAt(row.typ, 1, '1') && CharAt(row.os, 5, '1'); }},
      {"SELECT * FROM t\nWHERE \n((r = '1')\n OR (r = '2')\n)\n AND (r = '@@@@')", [](auto&) { return false; }},
      {"SELECT * FROM t\nWHERE p=\"@@@@\"", [](auto&) { return false; }},
      {"SELECT * FROM t WHERE '5' = r", [](auto& row) { return row.r == "5"; }},
      {"SELECT * FROM t WHERE '5' < r", [](auto& row) { return row.r > "5"; }},
      {"select * from t;", [](auto&) { return true; }},
  };
  for (const TLiveCase& c : cases) {
    SCOPED_TRACE(c.Sql);
    auto statement = Live(c.Sql);
    EXPECT_TRUE(statement->ResultIsLive());
    EXPECT_EQ(Names(*statement), Expected(c.Condition));
  }
}

TEST_F(LiveSelectTest, OrderByAnIndexedColumnIsLiveAndOrdered) {
  auto statement = Live("SELECT name, r FROM t WHERE r = '7' ORDER BY name");
  ASSERT_TRUE(statement->ResultIsLive());
  const std::vector<std::string> names = Names(*statement, 1);
  EXPECT_EQ(statement->Result()->IndexName(), "ByName");
  // The table walked in its name index, keeping the rows of section 7.
  TDataCursor byName(FDatabase->Directory());
  byName.SetTableName(kCatalogueTable);
  byName.Open();
  byName.SelectIndex(kByName);
  std::vector<std::string> expected;
  while (byName.ReadNext(nullptr) == 0)
    if (TextOf(byName, kR) == "7") expected.push_back(TextOf(byName, kName));
  EXPECT_EQ(names, expected);
  EXPECT_EQ(names.size(), Expected([](auto& row) { return row.r == "7"; }).size());
}

TEST_F(LiveSelectTest, MaxRowCountDoesNotCutALiveResult) {
  TSqlStatementOptions options;
  options.RequestLive = true;
  options.MaxRowCount = 10;
  TSqlStatement statement(FDatabase->Directory(), "SELECT * FROM t WHERE r = '3'", options);
  statement.Prepare();
  EXPECT_EQ(Names(statement), Expected([](auto& row) { return row.r == "3"; }));
}

TEST_F(LiveSelectTest, ComputedColumnsAreCalculatedPerRecord) {
  auto statement = Live("SELECT name, UPPER(name) AS u, SUBSTRING(p FROM 1 FOR 2) FROM t WHERE r = '4'");
  ASSERT_TRUE(statement->ResultIsLive());
  TDataCursor& cursor = *statement->Execute();
  ASSERT_EQ(cursor.FieldCount(), 3);
  EXPECT_EQ(cursor.GetFieldDefinition(2).Name(), "u");
  EXPECT_EQ(cursor.GetFieldDefinition(3).Name(), "Expression");
  const std::vector<CatalogueRow>& rows = FDatabase->Rows();
  size_t next = 0;
  int seen = 0;
  cursor.First();
  while (cursor.ReadNext(nullptr) == 0) {
    while (rows[next].r != "4") ++next;
    const CatalogueRow& row = rows[next++];
    EXPECT_EQ(TextOf(cursor, 1), row.name);
    std::string upper = TextOf(cursor, 2);
    EXPECT_EQ(upper.size(), row.name.size());
    EXPECT_EQ(upper.substr(upper.find(' ')), row.name.substr(row.name.find(' ')));  // digits unchanged
    EXPECT_NE(upper, row.name);
    EXPECT_EQ(TextOf(cursor, 3), row.p.substr(0, 2));
    ++seen;
  }
  EXPECT_EQ(seen, statement->RowsAffected());
  // A computed field is not written by the dataset's PutField, only by the engine.
  std::vector<uint8_t> record(cursor.CurrentRecord());
  const std::string before(reinterpret_cast<const char*>(record.data() + cursor.GetFieldDefinition(2).Offset() + 1));
  cursor.PutField(2, record.data(), reinterpret_cast<const uint8_t*>("xyz"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(record.data() + cursor.GetFieldDefinition(2).Offset() + 1)), before);
  // Writing the name recomputes its upper-case copy in the same buffer.
  cursor.PutField(1, record.data(), reinterpret_cast<const uint8_t*>("abc"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(record.data() + cursor.GetFieldDefinition(2).Offset() + 1)), "ABC");
}

TEST_F(LiveSelectTest, AViewReadsTheMemoUnderItsOwnFieldNumber) {
  auto statement = Live("SELECT popis AS d, name FROM t WHERE r = '2' AND popis IS NOT NULL");
  TDataCursor& cursor = *statement->Execute();
  ASSERT_EQ(cursor.TableFieldNumber(1), kPopis);
  ASSERT_GT(cursor.GetRecordCount(), 0);
  cursor.First();
  while (cursor.ReadNext(nullptr) == 0) {
    std::vector<uint8_t> record(cursor.CurrentRecord());
    ASSERT_EQ(cursor.OpenBlob(1, record.data(), 0, TDataCursor::kBlobRead), 0);
    int32_t length = 0;
    ASSERT_EQ(cursor.GetBlobSize(1, record.data(), length), 0);
    std::string text(static_cast<size_t>(length), '\0');
    int32_t count = 0;
    EXPECT_EQ(cursor.ReadBlob(1, record.data(), count, length, reinterpret_cast<uint8_t*>(text.data()), 0), 0);
    EXPECT_EQ(cursor.CloseBlob(1, record.data(), 0), 0);
    const std::string name = TextOf(cursor, 2);
    const auto row = std::find_if(FDatabase->Rows().begin(), FDatabase->Rows().end(), [&](auto& r) { return r.name == name; });
    ASSERT_NE(row, FDatabase->Rows().end());
    EXPECT_EQ(text, row->popis);
  }
}

// The condition is tested on the table's own records, which are shorter than the view's records
// with their computed column: reading the memo takes only the table's part.
TEST_F(LiveSelectTest, AViewWithAComputedColumnTestsMemoConditions) {
  auto statement = Live("SELECT UPPER(name) AS u, name FROM t WHERE popis LIKE '%programu%'");
  ASSERT_TRUE(statement->ResultIsLive());
  EXPECT_EQ(Names(*statement, 2),
            Expected([](const CatalogueRow& row) { return row.popis.find("programu") != std::string::npos; }));
}

TEST_F(LiveSelectTest, AnEditByAnotherCursorAppearsAtTheNextOperation) {
  auto statement = Live("SELECT * FROM t WHERE r = '9'");
  TDataCursor& result = *statement->Execute();
  const int32_t before = result.GetRecordCount();
  TDataCursor other(FDatabase->Directory());
  other.SetTableName(kCatalogueTable);
  other.Open();
  CatalogueRow row = GeneratedRow(1);
  row.r = "9";
  row.name = "Nový záznam";
  InsertRow(other, row);
  EXPECT_EQ(result.GetRecordCount(), before + 1);
  result.Last();
  ASSERT_EQ(result.ReadPrior(nullptr), 0);
  EXPECT_EQ(TextOf(result, kName), row.name);
  FDatabase->MutableRows().push_back(row);
}

TEST_F(LiveSelectTest, PlanningFaultsGiveTheirMessages) {
  const std::pair<const char*, const char*> cases[] = {
      {"SELECT nic FROM t", "Invalid column name 'nic' or table correlation name '' specified in source columns"},
      {"SELECT x.name FROM t", "Invalid column name 'name' or table correlation name 'x' specified in source columns"},
      {"SELECT * AS a FROM t", "Invalid use of column correlation name 'a' for '*' specified in source columns"},
      {"SELECT name, COUNT(*) FROM t", "Invalid use of aggregate function(s), the necessary GROUP BY clause is missing"},
      {"SELECT name FROM t HAVING name > 'a'", "A GROUP BY clause must exist in order to use the HAVING clause"},
      {"SELECT name FROM t ORDER BY 2", "Invalid column number '2' specified in ORDER BY clause"},
      {"SELECT name FROM t ORDER BY nic",
       "Invalid column name 'nic' or table correlation name '' specified in ORDER BY clause"},
      {"SELECT * FROM t WHERE x.r = '1'",
       "Table correlation name 'x' referenced in WHERE clause is not defined in the FROM clause"},
      {"SELECT name || name || name || name || name FROM t",
       "Column expression 'name || name || name || name || name' exceeds the maximum allowable field size"},
      {"SELECT name FROM t ORDER BY src",
       "Invalid column name 'src' or table correlation name '' specified in ORDER BY clause"},
  };
  for (auto [sql, message] : cases) {
    SCOPED_TRACE(sql);
    EXPECT_EQ(SqlMessage([&] { Live(sql); }), message);
  }
  EXPECT_EQ(SqlMessage([&] { Live("SELECT * FROM t WHERE name")->Execute(); }),
            "WHERE or JOIN clause must be a boolean expression");
}

TEST_F(LiveSelectTest, WithoutRequestLiveTheResultIsACopy) {
  TSqlStatement statement(FDatabase->Directory(), "SELECT * FROM t WHERE r = '3'");
  statement.Prepare();
  EXPECT_FALSE(statement.ResultIsLive());
  TDataCursor& result = *statement.Execute();
  EXPECT_NE(result.Table(), nullptr);
  EXPECT_EQ(statement.RowsAffected(), static_cast<int32_t>(Expected([](auto& row) { return row.r == "3"; }).size()));
}

}  // namespace
}  // namespace sklad::testing
