// Seeded fuzzing of SQL statements and filter texts against real tables: texts made from the
// grammar (well-typed for the most part, so that binding, planning and evaluation run, with long
// runs of operators and nesting near and past the parser's bound among them) and valid texts
// mutated at random. Every text ends in a result or an engine error: any other exception, a
// crash or a sanitizer report is a failure. The long version runs far more texts.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/expression/ExpressionParser.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "tests/support/Iterations.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {
namespace {

constexpr int kNesting = TExpressionParser::kMaximumNesting;

// Random texts of the statement and filter languages over the tables f, g and h below.
class TextMaker {
 public:
  explicit TextMaker(uint32_t seed) : FRandom(seed) {}

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(FRandom); }
  bool Chance(int percent) { return Pick(100) < percent; }
  template <typename T, size_t N>
  const T& OneOf(const T (&items)[N]) {
    return items[Pick(static_cast<int>(N))];
  }

  std::string Condition(int depth) {
    if (!FShaping && Chance(2)) return Shape("Condition");
    if (depth <= 0 || Chance(35)) return Comparison(depth);
    switch (Pick(5)) {
      case 0: return Condition(depth - 1) + " AND " + Condition(depth - 1);
      case 1: return Condition(depth - 1) + " OR " + Condition(depth - 1);
      case 2: return "NOT (" + Condition(depth - 1) + ")";
      case 3: return "(" + Condition(depth - 1) + ")";
      default: return "IF(" + Condition(depth - 1) + " THEN (" + Condition(depth - 1) + ") ELSE b)";
    }
  }

  std::string Number(int depth) {
    if (!FShaping && Chance(1)) return Shape("Number");
    if (depth <= 0 || Chance(30)) return NumberLeaf();
    switch (Pick(9)) {
      case 0: return Number(depth - 1) + " " + OneOf({"+", "-", "*", "/"}) + " " + Number(depth - 1);
      case 1: return "-" + NumberLeaf();
      case 2: return "ABS(" + Number(depth - 1) + ")";
      case 3: return "ROUND(x TO " + std::to_string(Pick(5)) + ")";
      case 4: return std::string(OneOf({"POS", "OCCURS"})) + "('" + Letter() + "' IN " + Text(depth - 1) + ")";
      case 5: return "EXTRACT(" + std::string(OneOf({"YEAR", "MONTH", "DAY", "DAYOFWEEK"})) + " FROM d)";
      case 6: return "CAST(" + Text(depth - 1) + " AS INTEGER)";
      case 7: return "IF(" + Condition(depth - 1) + " THEN " + Number(depth - 1) + " ELSE " + Number(depth - 1) + ")";
      default: return "(" + Number(depth - 1) + ")";
    }
  }

  std::string Text(int depth) {
    if (!FShaping && Chance(1)) return Shape("Text");
    if (depth <= 0 || Chance(30)) return TextLeaf();
    switch (Pick(8)) {
      case 0: return Text(depth - 1) + " || " + Text(depth - 1);
      case 1: return std::string(OneOf({"UPPER", "LOWER"})) + "(" + Text(depth - 1) + ")";
      case 2: return "SUBSTRING(" + Text(depth - 1) + " FROM " + std::to_string(Pick(4) + 1) +
                     (Chance(50) ? " FOR " + std::to_string(Pick(5) + 1) : "") + ")";
      case 3: return "TRIM(" + std::string(OneOf({"LEADING", "TRAILING", "BOTH"})) + " '" + Letter() + "' FROM " +
                     Text(depth - 1) + ")";
      case 4: return "REPLACE('" + Letter() + "' WITH '" + Letter() + Letter() + "' IN " + Text(depth - 1) + ")";
      case 5: return "CAST(" + Number(depth - 1) + " AS CHAR(" + std::to_string(Pick(12) + 1) + "))";
      case 6: return "IF(" + Condition(depth - 1) + " THEN " + Text(depth - 1) + " ELSE " + Text(depth - 1) + ")";
      default: return "(" + Text(depth - 1) + ")";
    }
  }

  std::string Filter() { return Condition(Pick(5)); }

  std::string Statement() {
    switch (Pick(10)) {
      case 0: return "UPDATE h SET " + std::string(Chance(50) ? "n = " + Number(2) : "s = " + Text(2)) + Where(false);
      case 1: return "DELETE FROM h" + Where(false);
      case 2:
        return "INSERT INTO h (id, s, n) VALUES (" + Number(1) + ", " + Text(1) + ", " + Number(2) + ")" +
               (Chance(20) ? " COMMIT INTERVAL " + std::to_string(Pick(3)) : "");
      default: return Select();
    }
  }

  // A valid text changed: bytes replaced, pieces inserted, parts dropped, doubled or moved.
  std::string Mutated(std::string text) {
    static const char* const kPieces[] = {"(", ")", "'", "\"", "[", "]", " AND ", " OR ", " NOT ", "||", "+",
                                          "-", "*", "/", ",", ".", "=", "<", ">", "?", "NULL", "IN (", "LIKE",
                                          "BETWEEN", "SELECT", "FROM", "WHERE", "UPPER(", "CAST(", "IF(", "/*",
                                          "*/", "#", "1E", "99999999999999", ";", " ", "\xE8", "\x01", "*"};
    for (int edits = 1 + Pick(4); edits > 0 && !text.empty(); --edits) {
      const size_t at = static_cast<size_t>(Pick(static_cast<int>(text.size())));
      const size_t length = std::min(text.size() - at, static_cast<size_t>(1 + Pick(12)));
      switch (Pick(6)) {
        case 0: text[at] = static_cast<char>(Pick(256)); break;
        case 1: text.insert(at, OneOf(kPieces)); break;
        case 2: text.erase(at, length); break;
        case 3: text.insert(at, text.substr(at, length)); break;
        case 4: text.resize(at); break;
        default: {
          const std::string part = text.substr(at, length);
          text.erase(at, length);
          text.insert(static_cast<size_t>(Pick(static_cast<int>(text.size()) + 1)), part);
          break;
        }
      }
    }
    return text;
  }

 private:
  std::string Where(bool subSelects) {
    if (Chance(25)) return "";
    std::string condition = Condition(Pick(5));
    if (subSelects && Chance(15))
      condition = "(" + condition + ") " + (Chance(50) ? "AND" : "OR") + " n " + (Chance(30) ? "NOT " : "") +
                  "IN (SELECT n FROM g" + Where(Chance(20)) + ")";
    return " WHERE " + condition;
  }

  std::string Select() {
    std::string text = Chance(20) ? "SELECT DISTINCT " : "SELECT ";
    const bool grouped = Chance(20);
    const std::string aggregate = OneOf({"COUNT(n)", "SUM(n)", "MIN(x)", "MAX(c)", "AVG(c)"});
    if (grouped) {
      text += "s, " + aggregate;
    } else if (Chance(40)) {
      text += "*";
    } else {
      for (int items = 1 + Pick(3); items > 0; --items) {
        text += Chance(50) ? Number(Pick(4)) : Text(Pick(4));
        if (Chance(20)) text += " AS a" + std::to_string(items);
        if (items > 1) text += ", ";
      }
    }
    text += " FROM f";
    if (Chance(15)) text += std::string(OneOf({" JOIN", " LEFT OUTER JOIN", " INNER JOIN"})) + " g ON f.id = g.id";
    text += Where(true);
    if (grouped) {
      text += " GROUP BY s";
      if (Chance(40)) text += " HAVING " + aggregate + " > " + NumberConstant();
    }
    if (Chance(30)) text += " ORDER BY 1" + std::string(Chance(50) ? " DESC" : "");
    return text;
  }

  std::string Comparison(int depth) {
    switch (Pick(10)) {
      case 0: return Text(depth) + " " + OneOf(kComparisons) + " " + Text(depth);
      case 1: return Text(depth) + (Chance(30) ? " NOT" : "") + " LIKE '" + Pattern() + "'";
      case 2:
        return Number(depth) + (Chance(30) ? " NOT" : "") + " BETWEEN " + NumberConstant() + " AND " + NumberConstant();
      case 3: {
        std::string list = NumberConstant();
        for (int items = Pick(6); items > 0; --items) list += ", " + NumberConstant();
        return Number(depth) + (Chance(30) ? " NOT" : "") + " IN (" + list + ")";
      }
      case 4: return std::string(OneOf({"s", "m", "n", "x", "d", "c", "ts"})) + " IS " + (Chance(50) ? "NOT " : "") + "NULL";
      case 5: return OneOf({"b", "TRUE", "FALSE", "b = FALSE"});
      case 6: return std::string(OneOf({"d", "ts"})) + " " + OneOf(kComparisons) + " '" +
                     OneOf({"2003-01-31", "1999-12-31", "2003-02-30", "x"}) + "'";
      default: return Number(depth) + " " + OneOf(kComparisons) + " " + Number(depth);
    }
  }

  std::string NumberLeaf() { return Chance(30) ? NumberConstant() : OneOf({"id", "n", "x", "c", "n", "id"}); }

  std::string NumberConstant() {
    if (Chance(70)) return std::to_string(Pick(20) - 5);
    return OneOf({"2147483647", "2147483648", "-2147483648", "0", "1.5", "1E3", "99999999999999"});
  }

  std::string TextLeaf() {
    if (Chance(50)) return OneOf({"s", "m", "s", "s"});
    std::string text = "'";
    for (int length = Pick(6); length > 0; --length) text += Chance(10) ? "''" : Letter();
    return text + "'";
  }

  std::string Pattern() {
    std::string pattern;
    for (int length = Pick(5); length > 0; --length) pattern += Chance(30) ? OneOf({"%", "_", "*"}) : Letter();
    return pattern;
  }

  std::string Letter() { return std::string(1, OneOf({'a', 'b', 'A', 'x', ' ', '\xE1'})); }

  // Deep and long shapes: runs of thousands of operators, nesting just inside and past the
  // parser's bound, and far past it. Their terms are plain, never shapes again.
  std::string Shape(std::string_view kind) {
    FShaping = true;
    std::string text = ShapeOf(kind);
    FShaping = false;
    return text;
  }

  std::string ShapeOf(std::string_view kind) {
    const int count = OneOf({kNesting - 2, kNesting - 1, kNesting, kNesting + 1, 3000, 20000});
    auto joined = [&](const std::string& term, const std::string& op) {
      std::string text = term;
      for (int i = 1; i < count; ++i) text += op + term;
      return text;
    };
    auto nested = [&](const std::string& opening, const std::string& inner, const std::string& closing) {
      std::string text;
      for (int i = 0; i < count; ++i) text += opening;
      text += inner;
      for (int i = 0; i < count; ++i) text += closing;
      return text;
    };
    if (kind == "Condition") {
      switch (Pick(4)) {
        case 0: return joined(Comparison(0), Chance(50) ? " OR " : " AND ");
        case 1: return nested("NOT (", Comparison(0), ")");
        case 2: return nested("(n = 1 OR ", Comparison(0), ")");
        default: return "n IN (" + joined(NumberLeaf(), ", ") + ")";
      }
    }
    if (kind == "Number") return Chance(50) ? joined(NumberLeaf(), " + ") : nested("ABS(", NumberLeaf(), ")");
    return Chance(50) ? joined(TextLeaf(), " || ") : nested("UPPER(", TextLeaf(), ")");
  }

  static constexpr const char* kComparisons[] = {"=", "<>", "<", ">", "<=", ">="};
  std::mt19937 FRandom;
  bool FShaping = false;
};

class SqlFuzzTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FSession.LanguageId = 0;  // dates written as yyyy-mm-dd
    FSession.SetPrivateDirectory(FTemp.Path().string());  // result tables
    FDirectory = FSession.OpenDirectory("", FTemp.Path().string());
    for (const char* table : {"f", "h"}) {
      Run("CREATE TABLE " + std::string(table) +
          " (id INTEGER, s CHAR(12), n INTEGER, x FLOAT, d DATE, b BOOLEAN, c DECIMAL(8, 2), ts TIMESTAMP, "
          "m BLOB(0, 1), PRIMARY KEY (id))");
      Run("CREATE INDEX " + std::string(table) + "s ON " + table + " (s)");
      Run("CREATE NOCASE INDEX " + std::string(table) + "n ON " + table + " (n)");
    }
    Run("CREATE TABLE g (id INTEGER, n INTEGER, s CHAR(12))");
    const char* const words[] = {"alfa", "Beta", "", "gama x", "a%b", "it's", "\xE8\xE1p", "ALFA"};
    for (int i = 1; i <= 24; ++i) {
      const std::string word = words[i % 8];
      const std::string s = word.empty() ? "NULL" : "'" + Escaped(word) + "'";
      const std::string n = i % 5 == 0 ? "NULL" : std::to_string(i * 7 % 23 - 9);
      const std::string day = (i < 10 ? "2003-01-0" : "2003-01-") + std::to_string(i);
      for (const char* table : {"f", "h"}) {
        Run("INSERT INTO " + std::string(table) + " VALUES (" + std::to_string(i) + ", " + s + ", " + n + ", " +
            std::to_string(i * 0.75) + ", '" + day + "', " + (i % 3 ? "TRUE" : "FALSE") + ", " +
            std::to_string(i) + ".25, '" + day + " 10:00:00', " +
            (i % 4 ? "'popis " + word.substr(0, word.find('\'')) + " " + std::string(i * 40, 'x') + "'" : "NULL") +
            ")");
      }
      if (i % 2) Run("INSERT INTO g VALUES (" + std::to_string(i) + ", " + n + ", " + s + ")");
    }
  }

  static std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\'' ? "''" : std::string(1, c);
    return out;
  }

  void Run(const std::string& text) { TSqlStatement(*FDirectory, text).Execute(); }

  // Runs a statement and reads the rows of its result.
  void RunStatement(const std::string& text, bool live) {
    TSqlStatementOptions options;
    options.RequestLive = live;
    options.MaxRowCount = 500;
    TSqlStatement statement(*FDirectory, text, options);
    TDataCursor* result = statement.Execute();
    if (!result) return;
    std::vector<uint8_t> value(4096);
    for (int rows = 0; rows < 500 && result->ReadNext(nullptr) == 0; ++rows)
      for (int field = 1; field <= result->FieldCount(); ++field)
        if (result->GetFieldDefinition(field).Type() != TFieldType::Blob)
          result->GetField(field, result->CurrentRecord().data(), value.data());
  }

  // Places a filter on a cursor over f and reads what it shows, forward and by count.
  void RunFilter(const std::string& text, bool caseInsensitive) {
    TDataCursor cursor(*FDirectory);
    cursor.SetTableName("f");
    cursor.Open();
    const int index = Pick(4);
    cursor.SelectIndex(index < 3 ? index : TDataCursor::kNaturalOrder);
    TFilter* filter = cursor.AddFilter(text, Pick(2) == 0, caseInsensitive);
    cursor.ActivateFilter(filter);
    cursor.GetRecordCount();
    cursor.First();
    while (cursor.ReadNext(nullptr) == 0) {
    }
  }

  int Pick(int n) { return FMaker.Pick(n); }

  // Runs one text as a statement or a filter; an engine error is an answer, anything else a fault.
  void Try(const std::string& text, bool filter) {
    const auto start = std::chrono::steady_clock::now();
    try {
      if (filter)
        RunFilter(text, Pick(2) == 0);
      else
        RunStatement(text, Pick(3) == 0);
      ++FSucceeded;
    } catch (const ESkladEngineError&) {
      ++FFailed;
    } catch (const std::exception& e) {
      ADD_FAILURE() << "not an engine error: " << e.what() << "\n" << text.substr(0, 2000);
    } catch (...) {
      ADD_FAILURE() << "not an engine error\n" << text.substr(0, 2000);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds > FSlowest) FSlowest = seconds, FSlowestText = text.substr(0, 200);
  }

  TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDirectory = nullptr;
  TextMaker FMaker{20261211};
  int FSucceeded = 0, FFailed = 0;
  double FSlowest = 0;
  std::string FSlowestText;
};

TEST_F(SqlFuzzTest, GeneratedAndMutatedTextsEndInResultsOrEngineErrors) {
  const int iterations = Iterations(1500, 100000);
  std::vector<std::string> valid = {
      "SELECT * FROM f WHERE ((SUBSTRING(s FROM 1 FOR 2) = 'al') OR (SUBSTRING(s FROM 1 FOR 3) = 'Bet')) AND "
      "((n = 3) OR (n = 4))",
      "SELECT s, COUNT(n) FROM f GROUP BY s HAVING COUNT(n) > 1 ORDER BY 2 DESC",
      "SELECT f.id, g.s FROM f LEFT OUTER JOIN g ON f.id = g.id WHERE f.n IN (SELECT n FROM g WHERE id > 3)",
      "UPDATE h SET s = UPPER(s) || 'x', n = n + 1 WHERE d BETWEEN '2003-01-02' AND '2003-01-20' COMMIT INTERVAL 2",
      "DELETE FROM h WHERE m LIKE '%x%' AND NOT b",
  };
  const std::vector<std::string> validFilters = {"s = 'al*' OR UPPER(s) = 'BETA'", "n > 3 AND x < 10.5 OR m LIKE '%popis a%'",
                                                 "d >= '2003-01-10' AND c BETWEEN 2 AND 9.5 AND NOT (s IS NULL)"};
  for (int i = 0; i < iterations; ++i) {
    const bool filter = Pick(3) == 0;
    std::string text;
    if (Pick(2) == 0) {
      text = filter ? FMaker.Filter() : FMaker.Statement();
      if (!filter && valid.size() < 200 && Pick(4) == 0) valid.push_back(text);
    } else {
      text = FMaker.Mutated(filter ? validFilters[static_cast<size_t>(Pick(static_cast<int>(validFilters.size())))]
                                   : valid[static_cast<size_t>(Pick(static_cast<int>(valid.size())))]);
    }
    SCOPED_TRACE(text.substr(0, 300));
    Try(text, filter);
  }
  std::printf("SQL fuzz: %d texts, %d results, %d engine errors, slowest %.2f s: %s\n", iterations, FSucceeded,
              FFailed, FSlowest, FSlowestText.c_str());
  // The generator reaches execution, not only the parser's errors.
  EXPECT_GT(FSucceeded, iterations / 5);
}

}  // namespace
}  // namespace sklad::testing
