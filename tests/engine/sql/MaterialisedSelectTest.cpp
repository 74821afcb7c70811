// SELECT statements whose result is a copy: sorted, de-duplicated and grouped results compared
// with a model of the rows, the aggregate rules, the maximum row count, where result tables go
// and when they disappear, progress with abort, and the planning messages of such statements.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <numeric>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "SqlErrorText.h"
#include "engine/cursor/DataCursor.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/data/BcdValue.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {
namespace {

constexpr int kRows = 200;
enum GroupField { kSection = 1, kN, kS, kF, kName, kMemo, kId, kPrice };

struct GroupRow {
  std::string section;
  int32_t n = 0;
  int16_t s = 0;
  std::optional<double> f;
  std::string name;
  std::string memo;
};

GroupRow MakeRow(int i) {
  GroupRow row;
  row.section = "S" + std::to_string(i % 7);
  row.n = (i * 37) % 101 - 50;
  row.s = static_cast<int16_t>(20000 + i % 5);  // sums overflow 16 bits
  if (i % 4 != 0) row.f = i * 0.5;
  row.name = std::string(i % 2 ? "alpha" : "Alpha") + std::to_string(i % 17);
  if (i % 3 == 0) row.memo = "memo " + std::to_string(i);
  return row;
}

// Field values of a cursor's current record.
struct Field {
  static bool Null(TDataCursor& c, int f) { return c.GetField(f, c.CurrentRecord().data(), nullptr); }
  static int32_t Int(TDataCursor& c, int f) {
    int32_t v = 0;
    c.GetField(f, c.CurrentRecord().data(), reinterpret_cast<uint8_t*>(&v));
    return v;
  }
  static double Float(TDataCursor& c, int f) {
    double v = 0;
    c.GetField(f, c.CurrentRecord().data(), reinterpret_cast<uint8_t*>(&v));
    return v;
  }
  static std::string Text(TDataCursor& c, int f) {
    std::vector<uint8_t> v(static_cast<size_t>(c.GetFieldDefinition(f).StoredSize()) + 1, 0);
    if (c.GetField(f, c.CurrentRecord().data(), v.data())) return {};
    return reinterpret_cast<const char*>(v.data());
  }
};

// Every record of a cursor, through a reader of one record.
template <typename T>
std::vector<T> Records(TDataCursor& cursor, const std::function<T(TDataCursor&)>& read) {
  std::vector<T> out;
  cursor.First();
  while (cursor.ReadNext(nullptr) == 0) out.push_back(read(cursor));
  return out;
}

class MaterialisedSelectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FSession.SetPrivateDirectory(FPrivate.Path().string());
    FDirectory = FSession.OpenDirectory("", FData.Path().string());
    TTableDefinition definition;
    definition.Fields.Add(TFieldDefinition::Make("section", TFieldType::String, 8));
    definition.Fields.Add(TFieldDefinition::Make("n", TFieldType::Integer));
    definition.Fields.Add(TFieldDefinition::Make("s", TFieldType::SmallInt));
    definition.Fields.Add(TFieldDefinition::Make("f", TFieldType::Float));
    definition.Fields.Add(TFieldDefinition::Make("name", TFieldType::String, 20));
    definition.Fields.Add(TFieldDefinition::Make("memo", TFieldType::Blob, 0, subtype::Memo));
    definition.Fields.Add(TFieldDefinition::Make("id", TFieldType::Integer, 0, subtype::AutoIncrement));
    definition.Fields.Add(TFieldDefinition::Make("price", TFieldType::BCD, 0, subtype::None, 2));
    FDirectory->CloseTable(FDirectory->CreateTable("g", false, definition));
    TDataCursor cursor(*FDirectory);
    cursor.SetTableName("g");
    cursor.Open();
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    for (int i = 0; i < kRows; ++i) {
      const GroupRow row = MakeRow(i);
      FRows.push_back(row);
      cursor.InitRecord(record.data());
      cursor.PutField(kSection, record.data(), reinterpret_cast<const uint8_t*>(row.section.c_str()));
      cursor.PutField(kN, record.data(), reinterpret_cast<const uint8_t*>(&row.n));
      cursor.PutField(kS, record.data(), reinterpret_cast<const uint8_t*>(&row.s));
      cursor.PutField(kF, record.data(), row.f ? reinterpret_cast<const uint8_t*>(&*row.f) : nullptr);
      cursor.PutField(kName, record.data(), reinterpret_cast<const uint8_t*>(row.name.c_str()));
      const int64_t price = *EncodeBcd({int64_t{i} * 125, 2});  // i × 1.25
      cursor.PutField(kPrice, record.data(), reinterpret_cast<const uint8_t*>(&price));
      if (!row.memo.empty()) {
        cursor.OpenBlob(kMemo, record.data(), 0, TDataCursor::kBlobWrite);
        cursor.WriteBlob(kMemo, record.data(), static_cast<int32_t>(row.memo.size()),
                         reinterpret_cast<const uint8_t*>(row.memo.data()), 0);
      }
      cursor.InsertRecord(record.data(), false);
      if (!row.memo.empty()) cursor.CloseBlob(kMemo, record.data(), 0);
    }
  }

  std::unique_ptr<TSqlStatement> Run(const std::string& text, TSqlStatementOptions options = {}) {
    auto statement = std::make_unique<TSqlStatement>(*FDirectory, text, std::move(options));
    statement->Prepare();
    statement->Execute();
    EXPECT_FALSE(statement->ResultIsLive());
    EXPECT_EQ(statement->RowsAffected(), statement->Result()->GetRecordCount());
    return statement;
  }

  TempDir FData, FPrivate;
  TDataSession FSession;
  TDataDirectory* FDirectory = nullptr;
  std::vector<GroupRow> FRows;
};

TEST_F(MaterialisedSelectTest, OrderByWithoutAnIndexGivesASortedCopy) {
  TSqlStatementOptions live;
  live.RequestLive = true;
  auto statement = Run("SELECT name, n FROM g ORDER BY n DESC, name", live);
  using Pair = std::pair<int32_t, std::string>;
  const auto got = Records<Pair>(*statement->Result(), [](TDataCursor& c) { return Pair{Field::Int(c, 2), Field::Text(c, 1)}; });
  std::vector<Pair> expected;
  for (const GroupRow& row : FRows) expected.emplace_back(row.n, row.name);
  std::ranges::sort(expected, [](const Pair& a, const Pair& b) { return a.first != b.first ? a.first > b.first : a.second < b.second; });
  EXPECT_EQ(got, expected);
}

TEST_F(MaterialisedSelectTest, OrderByNoCaseIgnoresLetterCase) {
  auto statement = Run("SELECT DISTINCT name FROM g ORDER BY name NOCASE");
  const auto names = Records<std::string>(*statement->Result(), [](TDataCursor& c) { return Field::Text(c, 1); });
  auto upper = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  };
  ASSERT_EQ(names.size(), 34u);  // "alpha" and "Alpha" with 17 numbers each
  EXPECT_TRUE(std::ranges::is_sorted(names, [&](auto& a, auto& b) { return upper(a) < upper(b); }));
}

TEST_F(MaterialisedSelectTest, DistinctKeepsOneRowPerValueInOrder) {
  auto statement = Run("SELECT DISTINCT section FROM g");
  std::set<std::string> expected;
  for (const GroupRow& row : FRows) expected.insert(row.section);
  EXPECT_EQ(Records<std::string>(*statement->Result(), [](TDataCursor& c) { return Field::Text(c, 1); }),
            std::vector<std::string>(expected.begin(), expected.end()));
}

TEST_F(MaterialisedSelectTest, GroupByComputesEveryAggregate) {
  auto statement = Run("SELECT section, COUNT(*), COUNT(f), SUM(n), SUM(s), MIN(n), MAX(n), AVG(n), AVG(f) "
                       "FROM g GROUP BY section");
  TDataCursor& result = *statement->Result();
  EXPECT_EQ(result.GetFieldDefinition(5).Type(), TFieldType::Integer);  // SUM of a 16-bit column
  EXPECT_EQ(result.GetFieldDefinition(8).Type(), TFieldType::Float);
  ASSERT_EQ(result.FieldCount(), 11);
  EXPECT_EQ(result.GetFieldDefinition(10).Name(), "Sys__Avg__Count8");
  EXPECT_TRUE(result.GetFieldDefinition(10).HiddenFromDataSet());
  struct Group {
    int count = 0, counted = 0;
    int32_t sum = 0, sumS = 0, min = INT32_MAX, max = INT32_MIN;
    double sumF = 0;
  };
  std::map<std::string, Group> groups;
  for (const GroupRow& row : FRows) {
    Group& g = groups[row.section];
    ++g.count;
    g.sum += row.n;
    g.sumS += row.s;
    g.min = std::min(g.min, row.n);
    g.max = std::max(g.max, row.n);
    if (row.f) ++g.counted, g.sumF += *row.f;
  }
  result.First();
  for (const auto& [section, g] : groups) {
    SCOPED_TRACE(section);
    ASSERT_EQ(result.ReadNext(nullptr), 0);
    EXPECT_EQ(Field::Text(result, 1), section);
    EXPECT_EQ(Field::Int(result, 2), g.count);
    EXPECT_EQ(Field::Int(result, 3), g.counted);
    EXPECT_EQ(Field::Int(result, 4), g.sum);
    EXPECT_EQ(Field::Int(result, 5), g.sumS);
    EXPECT_EQ(Field::Int(result, 6), g.min);
    EXPECT_EQ(Field::Int(result, 7), g.max);
    EXPECT_DOUBLE_EQ(Field::Float(result, 8), static_cast<double>(g.sum) / g.count);
    EXPECT_DOUBLE_EQ(Field::Float(result, 9), g.sumF / g.counted);
  }
  EXPECT_NE(result.ReadNext(nullptr), 0);
}

TEST_F(MaterialisedSelectTest, AggregatesOverAutoIncrementAndBcdColumns) {
  auto statement = Run("SELECT section, MAX(id), AVG(id), SUM(price), MIN(price) FROM g GROUP BY section");
  TDataCursor& result = *statement->Result();
  EXPECT_EQ(result.GetFieldDefinition(2).Subtype(), subtype::None);  // a plain integer in the copy
  EXPECT_EQ(result.GetFieldDefinition(4).Type(), TFieldType::BCD);
  std::map<std::string, std::vector<int>> members;
  for (int i = 0; i < kRows; ++i) members[FRows[static_cast<size_t>(i)].section].push_back(i);
  result.First();
  for (const auto& [section, rows] : members) {
    SCOPED_TRACE(section);
    ASSERT_EQ(result.ReadNext(nullptr), 0);
    int64_t stored = 0;
    result.GetField(4, result.CurrentRecord().data(), reinterpret_cast<uint8_t*>(&stored));
    int64_t sum = 0;
    for (int i : rows) sum += int64_t{i} * 125;
    EXPECT_EQ(DecodeBcd(stored).Digits, sum);
    result.GetField(5, result.CurrentRecord().data(), reinterpret_cast<uint8_t*>(&stored));
    EXPECT_EQ(DecodeBcd(stored).Digits, int64_t{rows.front()} * 125);
    // Auto-increment values count from 1 in insertion order.
    EXPECT_EQ(Field::Int(result, 2), rows.back() + 1);
    double mean = 0;
    for (int i : rows) mean += i + 1;
    EXPECT_DOUBLE_EQ(Field::Float(result, 3), mean / static_cast<double>(rows.size()));
  }
}

TEST_F(MaterialisedSelectTest, HavingTestsTheAggregateOfItsOwnKind) {
  std::map<std::string, std::pair<int32_t, int32_t>> minMax;
  for (const GroupRow& row : FRows) {
    auto [it, added] = minMax.try_emplace(row.section, row.n, row.n);
    it->second.first = std::min(it->second.first, row.n);
    it->second.second = std::max(it->second.second, row.n);
  }
  // A bound between the smallest and the largest MAX: testing MIN instead would keep no group.
  std::vector<int32_t> maxima;
  for (auto& [section, mm] : minMax) maxima.push_back(mm.second);
  std::ranges::sort(maxima);
  const int32_t bound = maxima[maxima.size() / 2];
  auto statement = Run("SELECT section, MIN(n), MAX(n) FROM g GROUP BY section HAVING MAX(n) > " + std::to_string(bound));
  std::vector<std::string> expected;
  for (auto& [section, mm] : minMax)
    if (mm.second > bound) expected.push_back(section);
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(Records<std::string>(*statement->Result(), [](TDataCursor& c) { return Field::Text(c, 1); }), expected);
  EXPECT_EQ(SqlMessage([&] { Run("SELECT section, MIN(n) FROM g GROUP BY section HAVING MAX(n) > 5"); }),
            "Expression in HAVING clause not found in source columns");
}

TEST_F(MaterialisedSelectTest, AggregatesWithoutGroupByGiveOneRecordEvenWithoutRows) {
  auto none = Run("SELECT COUNT(*), COUNT(n), AVG(n), SUM(n), MAX(n) FROM g WHERE n > 1000");
  TDataCursor& empty = *none->Result();
  ASSERT_EQ(none->RowsAffected(), 1);
  empty.First();
  ASSERT_EQ(empty.ReadNext(nullptr), 0);
  EXPECT_EQ(Field::Int(empty, 1), 0);
  EXPECT_EQ(Field::Int(empty, 2), 0);
  EXPECT_FALSE(Field::Null(empty, 3));
  EXPECT_EQ(Field::Float(empty, 3), 0.0);
  EXPECT_TRUE(Field::Null(empty, 4));
  EXPECT_TRUE(Field::Null(empty, 5));

  auto negative = Run("SELECT MAX(n), MIN(n), COUNT(*) FROM g WHERE n < 0");
  int32_t largest = INT32_MIN, smallest = INT32_MAX, count = 0;
  for (const GroupRow& row : FRows)
    if (row.n < 0) largest = std::max(largest, row.n), smallest = std::min(smallest, row.n), ++count;
  TDataCursor& result = *negative->Result();
  result.First();
  ASSERT_EQ(result.ReadNext(nullptr), 0);
  EXPECT_EQ(Field::Int(result, 1), largest);
  EXPECT_EQ(Field::Int(result, 2), smallest);
  EXPECT_EQ(Field::Int(result, 3), count);
}

TEST_F(MaterialisedSelectTest, CountOfAllRowsAloneReadsNoRecords) {
  TDataCursor probe(*FDirectory);
  probe.SetTableName("g");
  probe.Open();
  const TRecordCacheStatistics& statistics = probe.Table()->Data().Records().Statistics();
  auto reads = [&] { return statistics.Hits + statistics.Reads; };
  TSqlStatement count(*FDirectory, "SELECT COUNT(*) FROM g");
  count.Prepare();
  const int64_t before = reads();
  TDataCursor& result = *count.Execute();
  // Placing the cursor at its start may touch a record or two; no row is read one by one.
  EXPECT_LT(reads() - before, 10);
  result.First();
  ASSERT_EQ(result.ReadNext(nullptr), 0);
  EXPECT_EQ(Field::Int(result, 1), kRows);
  // Counting a column reads every row.
  TSqlStatement column(*FDirectory, "SELECT COUNT(n) FROM g");
  column.Prepare();
  const int64_t beforeColumn = reads();
  column.Execute();
  EXPECT_GE(reads() - beforeColumn, kRows);
}

TEST_F(MaterialisedSelectTest, MaximumRowCountCutsACopy) {
  TSqlStatementOptions options;
  options.MaxRowCount = 10;
  EXPECT_EQ(Run("SELECT name FROM g WHERE n > -1000", options)->RowsAffected(), 10);
  options.MaxRowCount = 0;
  EXPECT_EQ(Run("SELECT name FROM g", options)->RowsAffected(), 0);
}

TEST_F(MaterialisedSelectTest, PlainColumnsAndMemosAreCopied) {
  auto statement = Run("SELECT name, memo, n * 2 AS twice FROM g ORDER BY twice");
  TDataCursor& result = *statement->Result();
  EXPECT_EQ(result.GetRecordCount(), kRows);
  result.First();
  int checked = 0;
  while (result.ReadNext(nullptr) == 0) {
    const std::string name = Field::Text(result, 1);
    const int32_t twice = Field::Int(result, 3);
    const auto row = std::ranges::find_if(FRows, [&](const GroupRow& r) { return r.n * 2 == twice && r.name == name; });
    ASSERT_NE(row, FRows.end());
    int32_t length = 0;
    std::vector<uint8_t> record = result.CurrentRecord();
    ASSERT_EQ(result.OpenBlob(2, record.data(), 0, TDataCursor::kBlobRead), 0);
    result.GetBlobSize(2, record.data(), length);
    std::string memo(static_cast<size_t>(length), '\0');
    int32_t count = 0;
    if (length > 0) result.ReadBlob(2, record.data(), count, length, reinterpret_cast<uint8_t*>(memo.data()), 0);
    result.CloseBlob(2, record.data(), 0);
    if (memo == row->memo) ++checked;
  }
  EXPECT_EQ(checked, kRows);
}

TEST_F(MaterialisedSelectTest, IntoNamedTablesKeepsTheResult) {
  struct Case {
    std::string Sql;
    std::string Table;
    bool InMemory;
    TDataDirectory* Directory;
  };
  TDataDirectory* privateDirectory = FSession.OpenDirectory("", FPrivate.Path().string());
  std::string dataPath = FData.Path().string();
  std::ranges::replace(dataPath, '/', '\\');
  const Case cases[] = {
      {"SELECT * INTO kopie FROM g WHERE n > 0", "kopie", false, privateDirectory},
      {"SELECT * INTO MEMORY pamet FROM g WHERE n > 0", "pamet", true, FDirectory},
      {"SELECT * INTO \"" + dataPath + "\\tady\" FROM g WHERE n > 0", "tady", false, FDirectory},
  };
  const auto positive = std::ranges::count_if(FRows, [](const GroupRow& r) { return r.n > 0; });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Sql);
    Run(c.Sql);
    TDataCursor cursor(*c.Directory);
    cursor.SetTableName(c.Table);
    cursor.SetInMemory(c.InMemory);
    cursor.Open();
    EXPECT_EQ(cursor.GetRecordCount(), positive);
  }
  FSession.CloseDirectory(privateDirectory);
}

TEST_F(MaterialisedSelectTest, AnEncryptedResultLeavesThePasswordUnknown) {
  auto statement = Run("SELECT name INTO tajne FROM g ENCRYPTED WITH heslo");
  EXPECT_TRUE(statement->Result()->Table()->Data().Encrypted());
  EXPECT_EQ(statement->RowsAffected(), kRows);
  EXPECT_FALSE(FSession.PasswordKnown("heslo"));
  // The open result is rebuilt without the password.
  statement->Execute();
  EXPECT_EQ(statement->RowsAffected(), kRows);
}

TEST_F(MaterialisedSelectTest, SourceTablesOutsideTheStatementsDatabaseAreRead) {
  Run("SELECT section, n INTO MEMORY pamet FROM g WHERE n > 0");
  std::string dataPath = FData.Path().string();
  std::ranges::replace(dataPath, '/', '\\');
  TDataDirectory* other = FSession.OpenDirectory("", FPrivate.Path().string());
  const auto positive = std::ranges::count_if(FRows, [](const GroupRow& r) { return r.n > 0; });
  const std::pair<std::string, int64_t> cases[] = {
      {"SELECT COUNT(*) FROM \"" + dataPath + "\\g\"", kRows},
      {"SELECT COUNT(*) FROM MEMORY pamet", positive},
  };
  for (const auto& [sql, count] : cases) {
    SCOPED_TRACE(sql);
    TSqlStatement statement(*other, sql);
    TDataCursor& result = *statement.Execute();
    result.First();
    ASSERT_EQ(result.ReadNext(nullptr), 0);
    EXPECT_EQ(Field::Int(result, 1), count);
  }
  FSession.CloseDirectory(other);
}

TEST_F(MaterialisedSelectTest, ATemporaryResultGoesWithItsStatement) {
  auto first = Run("SELECT DISTINCT section FROM g");
  auto second = Run("SELECT DISTINCT section FROM g");
  const std::string firstName = first->Result()->TableName();
  const std::string secondName = second->Result()->TableName();
  // The same thread's prefix, then the counter: 0 for the first statement, 1 for the second.
  ASSERT_GE(firstName.size(), 5u);
  EXPECT_EQ(firstName.substr(firstName.size() - 5), "0.DAT");
  EXPECT_EQ(secondName, firstName.substr(0, firstName.size() - 5) + "1.DAT");
  const auto file = FPrivate.Path() / firstName;
  EXPECT_TRUE(std::filesystem::exists(file));
  first.reset();
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_TRUE(std::filesystem::exists(FPrivate.Path() / secondName));
  second.reset();
  EXPECT_TRUE(std::filesystem::is_empty(FPrivate.Path()));
}

TEST_F(MaterialisedSelectTest, ProgressReportsEveryRowAndAbortKeepsTheRowsSoFar) {
  std::vector<std::pair<int32_t, int>> reports;
  TSqlStatement statement(*FDirectory, "SELECT name FROM g");
  statement.SetProgress([&](int32_t rows, int percent, bool&) { reports.emplace_back(rows, percent); });
  statement.Execute();
  ASSERT_EQ(reports.size(), static_cast<size_t>(kRows));
  EXPECT_EQ(reports[49], (std::pair<int32_t, int>{50, 25}));
  EXPECT_EQ(reports.back(), (std::pair<int32_t, int>{kRows, 100}));

  statement.SetProgress([](int32_t rows, int, bool& abort) { abort = rows == 10; });
  statement.Execute();
  EXPECT_EQ(statement.RowsAffected(), 9);
}

TEST_F(MaterialisedSelectTest, ExecutingAgainRebuildsTheResult) {
  TSqlStatement statement(*FDirectory, "SELECT section, COUNT(*) FROM g GROUP BY section");
  statement.Execute();
  EXPECT_EQ(statement.RowsAffected(), 7);
  statement.Execute();
  EXPECT_EQ(statement.RowsAffected(), 7);
  TDataCursor& result = *statement.Result();
  const auto counts = Records<int32_t>(result, [](TDataCursor& c) { return Field::Int(c, 2); });
  EXPECT_EQ(std::accumulate(counts.begin(), counts.end(), 0), kRows);
}

TEST_F(MaterialisedSelectTest, PlanningFaultsGiveTheirMessages) {
  const std::pair<std::string, std::string> cases[] = {
      {"SELECT name FROM g ORDER BY 3", "Invalid column number '3' specified in ORDER BY clause"},
      {"SELECT name FROM g ORDER BY n",
       "Invalid column name 'n' or table correlation name '' specified in ORDER BY clause"},
      {"SELECT name, memo FROM g ORDER BY memo", "Invalid column number '2' specified in ORDER BY clause"},
      {"SELECT section, COUNT(*) FROM g GROUP BY 3", "Invalid column number '3' specified in GROUP BY clause"},
      {"SELECT section, COUNT(*) FROM g GROUP BY nic",
       "Invalid column name 'nic' or table correlation name '' specified in GROUP BY clause"},
      {"SELECT memo, COUNT(*) FROM g GROUP BY memo", "Invalid BLOB column 'memo' specified in GROUP BY clause"},
      {"SELECT DISTINCT name, memo FROM g", "Invalid BLOB column 'memo' specified in DISTINCT clause"},
      {"SELECT section, SUM(n) FROM g GROUP BY section HAVING SUM(n)",
       "HAVING clause must be a boolean expression"},
      {"SELECT section, COUNT(*) FROM g GROUP BY section HAVING AVG(n) > 1",
       "Expression in HAVING clause not found in source columns"},
      {"SELECT MIN(name) FROM g",
       "MIN aggregate function must contain a numeric, date, time, or timestamp expression in source column "
       "expression"},
  };
  for (const auto& [sql, message] : cases) {
    SCOPED_TRACE(sql);
    EXPECT_EQ(SqlMessage([&] { Run(sql); }), message);
  }
  std::string order = "SELECT name FROM g ORDER BY name";
  for (int i = 0; i < 1024; ++i) order += ", name";
  EXPECT_EQ(SqlMessage([&] { Run(order); }), "Maximum number of columns (1024) in ORDER BY clause exceeded");
  // A failed plan leaves no result table behind.
  EXPECT_TRUE(std::filesystem::is_empty(FPrivate.Path()));
}

TEST_F(MaterialisedSelectTest, WithLocksBuildsTheSameResult) {
  auto locked = Run("SELECT section, SUM(n) FROM g GROUP BY section WITH LOCKS");
  auto plain = Run("SELECT section, SUM(n) FROM g GROUP BY section");
  auto read = [](TDataCursor& c) { return Field::Text(c, 1) + "=" + std::to_string(Field::Int(c, 2)); };
  EXPECT_EQ(Records<std::string>(*locked->Result(), read), Records<std::string>(*plain->Result(), read));
}

}  // namespace
}  // namespace sklad::testing
