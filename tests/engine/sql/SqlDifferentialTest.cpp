// SQL statements run on the same generated tables by Sklad and by SQLite must give the same rows:
// filters, ORDER BY with and without indexes, DISTINCT, GROUP BY with every aggregate, HAVING,
// joins inner and outer, IN sub-selects, and data-changing statements each followed by a SELECT.
//
// Where the two dialects differ, the SQLite text says what Sklad does:
// - AVG over no rows is 0 in Sklad, NULL in SQLite: COALESCE(AVG(x), 0).
// - Conditions are two-valued in Sklad: `x <> c` holds for a NULL x and `x > c` does not, so NOT
//   of the latter holds, where SQLite's three-valued logic leaves those rows out. The SQLite text
//   adds `x IS NULL OR`.
// - NOT IN over a sub-select: a NULL value on the left is not in the set, so the row qualifies.
// - Booleans are 0 and 1 in SQLite; dates are ISO texts there; LIKE is made case-sensitive.
// - SUBSTRING(x FROM a FOR n) is substr(x, a, n).
// Numbers compare by value, whatever their type, so an integer SUM and a float SUM of the same
// values agree.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "DifferentialTables.h"
#include "SqlErrorText.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {
namespace {

constexpr int kItems = 3000;

struct TDifferentialCase {
  TDifferentialCase(std::string sql, std::string sqliteSql = {}, bool ordered = false)
      : Sql(std::move(sql)), SqliteSql(std::move(sqliteSql)), Ordered(ordered) {}
  std::string Sql;
  std::string SqliteSql;  // empty: the same text
  bool Ordered;           // the rows must come in the same order
};

std::string NumberText(double value) {
  if (std::isfinite(value) && std::fabs(value) < 1e15 && value == std::floor(value))
    return std::to_string(static_cast<int64_t>(value));
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

// One value of a Sklad result field as canonical text.
std::string SkladCell(TDataCursor& cursor, int fieldNo, const uint8_t* record) {
  const TFieldDefinition& field = cursor.GetFieldDefinition(fieldNo);
  std::vector<uint8_t> value(static_cast<size_t>(field.StoredSize()) + 8, 0);
  if (cursor.GetField(fieldNo, record, value.data())) return "NULL";
  auto read = [&](auto v) {
    std::memcpy(&v, value.data(), sizeof v);
    return v;
  };
  switch (field.Type()) {
    case TFieldType::String: return reinterpret_cast<const char*>(value.data());
    case TFieldType::SmallInt: return NumberText(read(int16_t{}));
    case TFieldType::Boolean: return NumberText(read(int16_t{}) != 0);
    case TFieldType::Word: return NumberText(read(uint16_t{}));
    case TFieldType::Integer: return NumberText(read(int32_t{}));
    case TFieldType::Unsigned: return NumberText(read(uint32_t{}));
    case TFieldType::Float: return NumberText(read(double{}));
    case TFieldType::Date: {
      const TCalendarDate date = DecodeDayNumber(read(int32_t{}));
      return DateText({date.Year, date.Month, date.Day});
    }
    default: return "?type " + std::to_string(static_cast<int>(field.Type()));
  }
}

std::vector<std::string> SqliteRows(sqlite3* db, const std::string& sql, int* changes = nullptr) {
  sqlite3_stmt* statement = nullptr;
  std::vector<std::string> rows;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "SQLite refuses " << sql << ": " << sqlite3_errmsg(db);
    return rows;
  }
  while (sqlite3_step(statement) == SQLITE_ROW) {
    std::string row;
    for (int c = 0; c < sqlite3_column_count(statement); ++c) {
      if (c) row += " | ";
      switch (sqlite3_column_type(statement, c)) {
        case SQLITE_NULL: row += "NULL"; break;
        case SQLITE_INTEGER: row += NumberText(static_cast<double>(sqlite3_column_int64(statement, c))); break;
        case SQLITE_FLOAT: row += NumberText(sqlite3_column_double(statement, c)); break;
        default: row += reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
      }
    }
    rows.push_back(row);
  }
  sqlite3_finalize(statement);
  if (changes) *changes = sqlite3_changes(db);
  return rows;
}

class SqlDifferentialTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    FSession = new TDataSession;
    FSession->LanguageId = 0;  // dates as yyyy-mm-dd, whatever the machine's locale
    FTemp = new TempDir;
    FDirectory = FSession->OpenDirectory("", FTemp->Path().string());
    sqlite3_open(":memory:", &FSqlite);
    sqlite3_exec(FSqlite, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr);
    for (const TGeneratedTable& table : DifferentialTables(kItems)) {
      CreateSkladTable(*FDirectory, table);
      CreateSqliteTable(FSqlite, table);
    }
  }
  static void TearDownTestSuite() {
    sqlite3_close(FSqlite);
    delete FSession;
    delete FTemp;
  }

  static std::vector<std::string> SkladRows(const std::string& sql, int32_t* rowsAffected = nullptr,
                                            bool live = false) {
    TSqlStatementOptions options;
    options.RequestLive = live;
    TSqlStatement statement(*FDirectory, sql, options);
    TDataCursor* result = statement.Execute();
    if (rowsAffected) *rowsAffected = statement.RowsAffected();
    std::vector<std::string> rows;
    if (!result) return rows;
    std::vector<uint8_t> record(static_cast<size_t>(result->RecordSize()));
    result->First();
    while (result->ReadNext(record.data()) == cursor_status::Ok) {
      std::string row;
      for (int f = 1; f <= result->FieldCount(); ++f) {
        if (result->GetFieldDefinition(f).HiddenFromDataSet()) continue;  // AVG's counts
        row += (f > 1 ? " | " : "") + SkladCell(*result, f, record.data());
      }
      rows.push_back(row);
    }
    return rows;
  }

  static void ExpectSameRows(const TDifferentialCase& c, bool live = false) {
    SCOPED_TRACE(c.Sql);
    std::vector<std::string> sklad;
    try {
      sklad = SkladRows(c.Sql, nullptr, live);
    } catch (const ESkladEngineError& e) {
      ADD_FAILURE() << e.what();
      return;
    }
    std::vector<std::string> sqlite = SqliteRows(FSqlite, c.SqliteSql.empty() ? c.Sql : c.SqliteSql);
    if (!c.Ordered) {
      std::ranges::sort(sklad);
      std::ranges::sort(sqlite);
    }
    ASSERT_EQ(sklad.size(), sqlite.size());
    for (size_t i = 0; i < sklad.size(); ++i) ASSERT_EQ(sklad[i], sqlite[i]) << "row " << i;
  }

  static TDataSession* FSession;
  static TempDir* FTemp;
  static TDataDirectory* FDirectory;
  static sqlite3* FSqlite;
};

TDataSession* SqlDifferentialTest::FSession = nullptr;
TempDir* SqlDifferentialTest::FTemp = nullptr;
TDataDirectory* SqlDifferentialTest::FDirectory = nullptr;
sqlite3* SqlDifferentialTest::FSqlite = nullptr;

// Conditions of one table, with the SQLite text where NULL handling differs.
const std::pair<const char*, const char*> kConditions[] = {
    {"qty > 100", nullptr},
    {"qty >= 100", nullptr},
    {"qty < -40", nullptr},
    {"qty <= 0", nullptr},
    {"qty = 17", nullptr},
    {"qty <> 17", "qty IS NULL OR qty <> 17"},
    {"section = 7", nullptr},
    {"section <> 7", "section IS NULL OR section <> 7"},
    {"section >= 45", nullptr},
    {"price > 50.5", nullptr},
    {"price < -19.5", nullptr},
    {"price = 0", nullptr},
    {"name = 'Zip 17'", nullptr},
    {"name > 'archiv'", nullptr},
    {"name < 'Disk'", nullptr},
    {"code = 'aBc'", nullptr},
    {"code >= 'a'", nullptr},
    {"qty BETWEEN 10 AND 20", nullptr},
    {"price BETWEEN -5 AND 5", nullptr},
    {"name BETWEEN 'Hra' AND 'Kalkul'", nullptr},
    {"section IN (1, 3, 99)", nullptr},
    {"code IN ('abc', 'ABC', 'cba')", nullptr},
    {"name LIKE 'Zip%'", nullptr},
    {"name LIKE '%or 1%'", nullptr},
    {"name LIKE '_ra%'", nullptr},
    {"code LIKE 'a_'", nullptr},
    {"code IS NULL", nullptr},
    {"qty IS NOT NULL AND price IS NULL", nullptr},
    {"active = TRUE", "active = 1"},
    {"active = FALSE AND section < 5", "active = 0 AND section < 5"},
    {"qty > 100 OR section = 2", nullptr},
    {"(qty > 100 OR qty < -45) AND (section = 2 OR section = 3)", nullptr},
    {"NOT (qty > 0)", "qty IS NULL OR NOT (qty > 0)"},
    {"NOT (section = 3 OR section = 4)", "section IS NULL OR NOT (section = 3 OR section = 4)"},
    {"qty + section > 150", nullptr},
    {"qty * 2 < -90", nullptr},
    {"price - qty > 60", nullptr},
    {"UPPER(name) = 'ZIP 7'", nullptr},
    {"LOWER(code) = 'abc'", nullptr},
    {"SUBSTRING(name FROM 1 FOR 3) = 'Hra'", "substr(name, 1, 3) = 'Hra'"},
    {"name || code = 'Zip 1abc'", nullptr},
    {"id < 10 OR id > 2990", nullptr},
    {"id BETWEEN 100 AND 150 AND qty > 0", nullptr},
    {"section = 3 AND id > 1500", nullptr},
};

// Each filter as a live result and as a copy.
TEST_F(SqlDifferentialTest, FiltersOfOneTable) {
  for (auto [condition, sqliteCondition] : kConditions) {
    const std::string select = "SELECT id, name, section, price, qty, day, code, active FROM items WHERE ";
    const TDifferentialCase c(select + condition, sqliteCondition ? select + sqliteCondition : "");
    ExpectSameRows(c, true);
    ExpectSameRows(c, false);
  }
}

TEST_F(SqlDifferentialTest, OrderBy) {
  const char* const orders[] = {
      "id",          "id DESC",           "section, id",        "section DESC, id DESC", "qty, id",
      "qty DESC, id DESC", "name, id",    "name DESC, id DESC", "price, id",             "day DESC, id DESC",
      "code, name, id", "active, qty DESC, id", "3, 1",         "2 DESC, 1",
  };
  for (const char* order : orders)
    ExpectSameRows({std::string("SELECT id, name, section, qty, price, day, code, active FROM items ORDER BY ") + order, "",
                    true});
  ExpectSameRows({"SELECT id, name FROM items WHERE section = 5 ORDER BY name DESC, id", "", true});
  ExpectSameRows({"SELECT qty, id FROM items WHERE qty > 120 ORDER BY qty, id", "", true});
}

TEST_F(SqlDifferentialTest, Distinct) {
  const char* const cases[] = {
      "SELECT DISTINCT section FROM items",
      "SELECT DISTINCT code FROM items",
      "SELECT DISTINCT code, active FROM items",
      "SELECT DISTINCT section, active FROM items WHERE qty > 50",
      "SELECT DISTINCT tag FROM tags",
      "SELECT DISTINCT weight, tag FROM tags",
      "SELECT DISTINCT kind FROM sections",
      "SELECT DISTINCT section FROM items ORDER BY section",
  };
  for (const char* sql : cases) ExpectSameRows({sql});
}

TEST_F(SqlDifferentialTest, GroupByWithEveryAggregate) {
  const char* const aggregates[] = {
      "COUNT(*)",   "COUNT(qty)", "SUM(qty)",   "MIN(qty)",   "MAX(qty)",  "AVG(qty)",   "SUM(price)", "MIN(price)",
      "MAX(price)", "AVG(price)", "COUNT(name)", "COUNT(day)", "MIN(day)",  "MAX(day)",   "COUNT(code)",
  };
  for (const char* group : {"section", "active", "code"})
    for (const char* aggregate : aggregates)
      ExpectSameRows({std::string("SELECT ") + group + ", " + aggregate + " FROM items GROUP BY " + group});
  ExpectSameRows({"SELECT section, active, COUNT(*), SUM(qty) FROM items GROUP BY section, active"});
  ExpectSameRows({"SELECT tag, MIN(weight), MAX(weight), COUNT(weight) FROM tags GROUP BY tag"});
  ExpectSameRows({"SELECT section, COUNT(*) FROM items WHERE qty > 0 GROUP BY section ORDER BY section", "", true});
  ExpectSameRows({"SELECT section, SUM(qty) FROM items GROUP BY section ORDER BY 2 DESC, 1", "", true});
}

TEST_F(SqlDifferentialTest, Having) {
  const char* const cases[] = {
      "SELECT section, COUNT(id) FROM items GROUP BY section HAVING COUNT(id) > 60",
      "SELECT section, MIN(qty), MAX(qty) FROM items GROUP BY section HAVING MAX(qty) > 148",
      "SELECT section, MIN(qty), MAX(qty) FROM items GROUP BY section HAVING MIN(qty) < -49",
      "SELECT code, SUM(price) FROM items GROUP BY code HAVING SUM(price) > 100",
      "SELECT active, AVG(qty) FROM items GROUP BY active HAVING AVG(qty) > 0",
      "SELECT tag, COUNT(item) FROM tags GROUP BY tag HAVING COUNT(item) < 200 AND COUNT(item) > 100",
      "SELECT kind, SUM(rank) FROM sections GROUP BY kind HAVING SUM(rank) >= 600",
  };
  for (const char* sql : cases) ExpectSameRows({sql});
  ExpectSameRows({"SELECT section, MAX(day) FROM items GROUP BY section HAVING MAX(day) > '2008-03-01'"});
}

TEST_F(SqlDifferentialTest, AggregatesWithoutGroupBy) {
  const char* const aggregates[] = {"COUNT(*)",  "COUNT(qty)", "SUM(qty)",   "MIN(qty)",  "MAX(qty)",  "SUM(price)",
                                    "MIN(price)", "MAX(price)", "COUNT(code)", "MIN(day)", "MAX(day)"};
  for (const char* condition : {"", " WHERE qty > 100", " WHERE qty > 100000", " WHERE section = 3 AND qty < 0"})
    for (const char* aggregate : aggregates)
      ExpectSameRows({std::string("SELECT ") + aggregate + " FROM items" + condition});
  for (const char* condition : {"", " WHERE qty > 100", " WHERE qty > 100000"})
    ExpectSameRows({std::string("SELECT AVG(qty), AVG(price) FROM items") + condition,
                    std::string("SELECT COALESCE(AVG(qty), 0), COALESCE(AVG(price), 0) FROM items") + condition});
  ExpectSameRows({"SELECT COUNT(*), MIN(qty), MAX(qty), SUM(qty) FROM items WHERE qty < 0"});
  ExpectSameRows({"SELECT MAX(qty) FROM items WHERE qty < -10"});
}

TEST_F(SqlDifferentialTest, Joins) {
  const TDifferentialCase cases[] = {
      {"SELECT i.id, s.title FROM items i, sections s WHERE i.section = s.id"},
      {"SELECT i.id, s.title FROM items i, sections s WHERE s.id = i.section AND s.kind = 2"},
      {"SELECT i.id, s.title, i.qty FROM items i, sections s WHERE i.section = s.id AND i.qty > 120"},
      {"SELECT i.id, s.title FROM items i INNER JOIN sections s ON i.section = s.id WHERE i.active = TRUE",
       "SELECT i.id, s.title FROM items i INNER JOIN sections s ON i.section = s.id WHERE i.active = 1"},
      {"SELECT i.id, s.title FROM items i JOIN sections s ON i.section = s.id AND s.rank > 80"},
      {"SELECT s.id, i.id FROM sections s LEFT OUTER JOIN items i ON s.id = i.section"},
      {"SELECT i.id, s.title FROM items i LEFT JOIN sections s ON i.section = s.id"},
      {"SELECT i.id, s.title FROM items i LEFT JOIN sections s ON i.section = s.id WHERE i.qty > 140"},
      {"SELECT s.title, i.id FROM items i RIGHT OUTER JOIN sections s ON i.section = s.id"},
      {"SELECT i.id, t.tag FROM items i, tags t WHERE i.id = t.item AND t.weight = 3"},
      {"SELECT i.id, t.tag, s.title FROM items i, tags t, sections s WHERE t.item = i.id AND i.section = s.id AND s.kind = 1"},
      {"SELECT i.id, t.tag, s.kind FROM tags t JOIN items i ON t.item = i.id JOIN sections s ON i.section = s.id WHERE t.weight > 7"},
      {"SELECT t.item, t.tag FROM tags t LEFT JOIN items i ON t.item = i.id WHERE t.weight = 0"},
      {"SELECT s.id, t.item FROM sections s, tags t WHERE s.id < 5 AND t.weight > s.kind AND t.item < 60"},
      {"SELECT s.id, i.id FROM sections s, items i WHERE s.rank < i.qty AND s.id > 55 AND i.id < 200"},
      {"SELECT i.id, s.title FROM items i, sections s WHERE i.section = s.id AND (i.qty > 140 OR s.kind = 1)"},
      {"SELECT i.id, s.title FROM items i, sections s WHERE i.section = s.id AND i.section = 7"},
      {"SELECT s.title, COUNT(*) FROM items i, sections s WHERE i.section = s.id GROUP BY s.title"},
      {"SELECT s.kind, SUM(i.qty), MAX(i.price) FROM items i, sections s WHERE i.section = s.id GROUP BY s.kind"},
      {"SELECT i.id, s.title FROM items i, sections s WHERE i.section = s.id ORDER BY s.title, i.id", "", true},
      {"SELECT DISTINCT s.title FROM items i, sections s WHERE i.section = s.id AND i.qty < -48"},
      {"SELECT i.id, s.title FROM items i, sections s WHERE i.section = s.id NOJOINOPTIMIZE",
       "SELECT i.id, s.title FROM items i, sections s WHERE i.section = s.id"},
      {"SELECT a.id, b.id FROM sections a, sections b WHERE a.rank = b.id"},
      {"SELECT i.id FROM items i, sections s WHERE i.section = s.id AND i.qty = s.rank"},
  };
  for (const TDifferentialCase& c : cases) ExpectSameRows(c);
}

TEST_F(SqlDifferentialTest, InSubSelects) {
  const TDifferentialCase cases[] = {
      {"SELECT id FROM items WHERE section IN (SELECT id FROM sections WHERE kind = 2)"},
      {"SELECT id, name FROM items WHERE id IN (SELECT item FROM tags WHERE weight = 9)"},
      {"SELECT id FROM items WHERE section NOT IN (SELECT id FROM sections)",
       "SELECT id FROM items WHERE section IS NULL OR section NOT IN (SELECT id FROM sections)"},
      {"SELECT title FROM sections WHERE id IN (SELECT section FROM items WHERE qty > 145)"},
      {"SELECT id FROM items WHERE name IN (SELECT tag FROM tags) AND qty > 0"},
      {"SELECT section, COUNT(*) FROM items WHERE id IN (SELECT item FROM tags WHERE tag = 'Zip') GROUP BY section"},
  };
  for (const TDifferentialCase& c : cases) ExpectSameRows(c);
}

// Each statement changes scratch in both databases; the table must then read the same.
TEST_F(SqlDifferentialTest, DataChangesFollowedBySelect) {
  const TDifferentialCase changes[] = {
      {"INSERT INTO scratch (id, name, section, qty) VALUES (10001, 'Novy', 7, 42)"},
      {"INSERT INTO scratch VALUES (10002, 'Plny', 3, 1.5, 7, '2003-01-31', 'xy', TRUE)",
       "INSERT INTO scratch VALUES (10002, 'Plny', 3, 1.5, 7, '2003-01-31', 'xy', 1)"},
      {"UPDATE scratch SET qty = qty + 1 WHERE section = 3"},
      {"UPDATE scratch SET name = UPPER(name), price = price * 2 WHERE qty < 0"},
      {"UPDATE scratch SET section = NULL WHERE id < 20"},
      {"DELETE FROM scratch WHERE code IS NULL"},
      {"INSERT INTO scratch SELECT * FROM items WHERE id > 2900"},
      {"INSERT INTO scratch (id, qty) SELECT DISTINCT item + 20000, item FROM tags WHERE weight = 1 AND item < 300"},
      {"DELETE FROM scratch WHERE id IN (SELECT item FROM tags WHERE weight = 3)"},
      {"UPDATE scratch SET code = 'zz' WHERE id IN (SELECT id FROM sections)"},
      {"DELETE FROM scratch WHERE qty > 100 OR price < -15"},
      {"DELETE FROM scratch"},
  };
  for (const TDifferentialCase& c : changes) {
    SCOPED_TRACE(c.Sql);
    int32_t skladChanges = 0;
    int sqliteChanges = 0;
    try {
      SkladRows(c.Sql, &skladChanges);
    } catch (const ESkladEngineError& e) {
      ADD_FAILURE() << e.what();
      continue;
    }
    SqliteRows(FSqlite, c.SqliteSql.empty() ? c.Sql : c.SqliteSql, &sqliteChanges);
    EXPECT_EQ(skladChanges, sqliteChanges);
    ExpectSameRows({"SELECT * FROM scratch"});
  }
}

}  // namespace
}  // namespace sklad::testing
