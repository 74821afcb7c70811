// Randomized joins against a model: small tables of integer and float columns with NULLs, with
// and without indexes, joined inner and left outer, two and three tables, through every
// comparison operator, with single-table conditions and with or without NOJOINOPTIMIZE; the rows
// TJoinedRows gives must be those a nested loop over the dialect's comparison rules gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>

#include "JoinTables.h"
#include "tests/support/Iterations.h"

namespace sklad::testing {
namespace {

using TValue = std::optional<double>;

struct ModelRow {
  int Id;
  TValue X, Y;  // x integer, y float (halves, so that some never equal an integer)
};

const char* const kOperators[] = {"=", "<>", "<", ">", "<=", ">="};

// The dialect's comparison: = holds for two NULLs, <> for exactly one, an order for none.
bool Holds(const std::string& op, const TValue& left, const TValue& right) {
  if (!left || !right) {
    const bool bothNull = !left && !right;
    if (op == "=") return bothNull;
    if (op == "<>") return !bothNull;
    return false;
  }
  if (op == "=") return *left == *right;
  if (op == "<>") return *left != *right;
  if (op == "<") return *left < *right;
  if (op == ">") return *left > *right;
  if (op == "<=") return *left <= *right;
  return *left >= *right;
}

class JoinModel {
 public:
  explicit JoinModel(unsigned seed) : FRandom(seed) {
    for (int table = 0; table < 3; ++table) FRows.push_back(MakeRows());
    std::vector<TestTable> tables;
    for (size_t t = 0; t < 3; ++t) tables.push_back(Table(t));
    FDatabase = std::make_unique<JoinDatabase>(tables);
  }

  // One random statement, its rows from TJoinedRows and from the model.
  void Check() {
    const bool three = Pick(3) == 0, outer = !three && Pick(3) == 0;
    const Join first{Column(), Operator(), Column()}, second{Column(), Operator(), Column()};
    const std::optional<Condition> filter =
        Pick(2) == 0 ? std::optional<Condition>{{static_cast<size_t>(Pick(three ? 3 : 2)), Column(), Operator(), Pick(5)}}
                     : std::nullopt;
    std::string text = three ? "SELECT a.id, b.id, c.id FROM a, b, c WHERE " : "SELECT a.id, b.id FROM a";
    if (outer) text += " LEFT JOIN b ON ";
    else if (!three) text += ", b WHERE ";
    text += "a." + first.Left + " " + first.Operator + " b." + first.Right;
    if (three) text += " AND b." + second.Left + " " + second.Operator + " c." + second.Right;
    // An outer join's condition on one table goes in its ON or in the WHERE.
    const bool inOn = outer && filter && Pick(2) == 0;
    if (filter) {
      text += std::string(outer && !inOn ? " WHERE " : " AND ") + "abc"[filter->Table] + "." + filter->Column + " " +
              filter->Operator + " " + std::to_string(filter->Constant);
    }
    if (Pick(2) == 0) text += " NOJOINOPTIMIZE";
    std::vector<std::string> expected = Expected(three, outer, inOn, first, second, filter);
    std::vector<std::string> actual = FDatabase->JoinedRows(text);
    std::ranges::sort(expected);
    std::ranges::sort(actual);
    EXPECT_EQ(actual, expected) << text << "\n" << Describe();
  }

 private:
  struct Join {
    std::string Left, Operator, Right;
  };
  struct Condition {
    size_t Table;
    std::string Column, Operator;
    int Constant;
  };

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(FRandom); }
  std::string Column() { return Pick(2) == 0 ? "x" : "y"; }
  // Equalities half of the time: the joins most often met, and those an index serves.
  std::string Operator() { return Pick(2) == 0 ? "=" : kOperators[Pick(6)]; }

  std::vector<ModelRow> MakeRows() {
    std::vector<ModelRow> rows;
    const int count = Pick(9);
    for (int i = 1; i <= count; ++i) {
      ModelRow row{i, std::nullopt, std::nullopt};
      if (Pick(5) != 0) row.X = Pick(5);
      if (Pick(5) != 0) row.Y = Pick(9) / 2.0;
      rows.push_back(row);
    }
    return rows;
  }

  static std::string Text(const TValue& value) {
    if (!value) return "";
    char text[32];
    std::snprintf(text, sizeof text, "%g", *value);
    return text;
  }

  TestTable Table(size_t t) {
    TestTable table{std::string(1, "abc"[t]),
                    {{"id", TFieldType::Integer}, {"x", TFieldType::Integer}, {"y", TFieldType::Float}},
                    {},
                    Pick(2) == 0 ? 1 : 0,
                    {}};
    if (Pick(3) != 0) table.IndexedFields.push_back(2);
    if (Pick(2) == 0) table.IndexedFields.push_back(3);
    for (const ModelRow& row : FRows[t]) table.Rows.push_back({std::to_string(row.Id), Text(row.X), Text(row.Y)});
    return table;
  }

  static TValue ValueOf(const ModelRow* row, const std::string& column) {
    if (!row) return std::nullopt;
    return column == "x" ? row->X : row->Y;
  }

  // inOn: the filter belongs to the outer join's ON condition, so it decides matches only.
  std::vector<std::string> Expected(bool three, bool outer, bool inOn, const Join& first, const Join& second,
                                    const std::optional<Condition>& filter) const {
    std::vector<std::string> rows;
    auto accepted = [&](const ModelRow* a, const ModelRow* b, const ModelRow* c) {
      if (!filter) return true;
      const ModelRow* row = filter->Table == 0 ? a : filter->Table == 1 ? b : c;
      return Holds(filter->Operator, ValueOf(row, filter->Column), static_cast<double>(filter->Constant));
    };
    auto id = [](const ModelRow* row) { return row ? std::to_string(row->Id) : std::string("NULL"); };
    for (const ModelRow& a : FRows[0]) {
      bool matched = false;
      for (const ModelRow& b : FRows[1]) {
        if (!Holds(first.Operator, ValueOf(&a, first.Left), ValueOf(&b, first.Right))) continue;
        if (inOn && !accepted(&a, &b, nullptr)) continue;
        matched = true;
        if (!three) {
          if (inOn || accepted(&a, &b, nullptr)) rows.push_back(id(&a) + "|" + id(&b));
          continue;
        }
        for (const ModelRow& c : FRows[2])
          if (Holds(second.Operator, ValueOf(&b, second.Left), ValueOf(&c, second.Right)) && accepted(&a, &b, &c))
            rows.push_back(id(&a) + "|" + id(&b) + "|" + id(&c));
      }
      if (outer && !matched && (inOn || accepted(&a, nullptr, nullptr))) rows.push_back(id(&a) + "|NULL");
    }
    return rows;
  }

  std::string Describe() const {
    std::string text;
    for (size_t t = 0; t < FRows.size(); ++t) {
      text += std::string(1, "abc"[t]) + ":";
      for (const ModelRow& row : FRows[t]) text += " (" + std::to_string(row.Id) + "," + Text(row.X) + "," + Text(row.Y) + ")";
      text += "\n";
    }
    return text;
  }

  std::mt19937 FRandom;
  std::vector<std::vector<ModelRow>> FRows;
  std::unique_ptr<JoinDatabase> FDatabase;
};

TEST(JoinModelTest, RandomJoinsGiveTheModelsRows) {
  const int tables = Iterations(12, 400);
  for (int seed = 1; seed <= tables; ++seed) {
    JoinModel model(static_cast<unsigned>(seed));
    for (int statement = 0; statement < 8; ++statement) model.Check();
    if (HasFailure()) break;
  }
}

}  // namespace
}  // namespace sklad::testing
