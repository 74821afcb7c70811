// A small table for expression tests: named, typed columns, a resolver over them and records
// whose values are set from text, read by a fetcher as the engine's record reader would.
#pragma once

#include <cmath>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/expression/ExpressionBinder.h"
#include "engine/expression/ExpressionEvaluator.h"
#include "engine/expression/ExpressionParser.h"
#include "engine/expression/ExpressionPreparation.h"
#include "engine/expression/ValueAccess.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"

namespace sklad::testing {

struct TestColumn {
  std::string name;
  TFieldType type;
  uint32_t size;  // value size (strings: length + 1)
  uint8_t scale = 0;
  uint8_t subType = 0;
};

// One record: a value node per column (null when absent).
struct TestRecord {
  std::vector<std::vector<uint8_t>> values;
  std::vector<bool> nulls;
};

class TestTable : public TColumnResolver, public TFieldFetcher {
 public:
  explicit TestTable(std::vector<TestColumn> columns) : FColumns(std::move(columns)) {}

  // Columns may be qualified with the table's name, T.
  bool Resolve(TExpToken& column) override {
    if (!column.CorrelationName.empty() && !EqualIgnoringCase(column.CorrelationName, "T")) return false;
    for (size_t i = 0; i < FColumns.size(); ++i) {
      if (!EqualIgnoringCase(FColumns[i].name, column.ColumnName)) continue;
      const TestColumn& c = FColumns[i];
      column.FieldNumber = static_cast<int16_t>(i + 1);
      column.ValueType = static_cast<uint8_t>(c.type);
      column.SubType = c.subType;
      column.Size = c.size;
      column.Scale = c.scale;
      return true;
    }
    return false;
  }

  void Fetch(const uint8_t* record, TExpToken& column) override {
    const auto& row = *reinterpret_cast<const TestRecord*>(record);
    const size_t i = static_cast<size_t>(column.FieldNumber - 1);
    column.IsNull = row.nulls[i];
    const std::vector<uint8_t>& bytes = row.values[i];
    column.Reserve(static_cast<uint32_t>(bytes.size() + 1));
    std::fill(column.Value.begin(), column.Value.end(), 0);
    std::memcpy(column.Value.data(), bytes.data(), bytes.size());
  }

  // A record from constant texts, one per column ("NULL" for null), read by the parser.
  TestRecord Record(const std::vector<std::string>& texts) const {
    TestRecord row;
    for (size_t i = 0; i < FColumns.size(); ++i) {
      const TestColumn& c = FColumns[i];
      std::vector<uint8_t> bytes(c.size + 1, 0);
      const bool isNull = i >= texts.size() || texts[i] == "NULL" || texts[i].empty();
      if (!isNull) {
        const std::string& text = texts[i];
        if (c.type == TFieldType::String || c.type == TFieldType::Blob) {
          bytes.assign(text.begin(), text.end());
          bytes.push_back(0);
        } else {
          TExpToken value;
          value.Reserve(16);
          switch (c.type) {
            case TFieldType::Boolean: SetBoolean(value, text == "TRUE"); break;
            case TFieldType::Float: SetFloat(value, std::stod(text)); break;
            case TFieldType::BCD: SetFixed(value, std::llround(std::stold(text) * kFixedOne), c.scale); break;
            case TFieldType::Date: SetDate(value, std::stoll(text)); break;
            case TFieldType::Time: SetTime(value, std::stoll(text)); break;
            case TFieldType::TimeStamp: SetTimeStamp(value, std::stod(text)); break;
            default: SetInteger(value, c.type, std::stoll(text)); break;
          }
          std::memcpy(bytes.data(), value.Value.data(), c.size);
        }
      }
      row.values.push_back(bytes);
      row.nulls.push_back(isNull);
    }
    return row;
  }

 private:
  static bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(x) == std::tolower(y); });
  }

  std::vector<TestColumn> FColumns;
};

// The columns most expression tests use: the catalogue's strings and one column of each other kind.
inline TestTable StandardTable() {
  return TestTable({{"name", TFieldType::String, 41},
                    {"p", TFieldType::String, 4},
                    {"r", TFieldType::String, 3},
                    {"kod", TFieldType::String, 11},
                    {"i", TFieldType::Integer, 4},
                    {"s", TFieldType::SmallInt, 2},
                    {"f", TFieldType::Float, 8},
                    {"m", TFieldType::BCD, 8, 2},
                    {"d", TFieldType::Date, 4},
                    {"t", TFieldType::Time, 4},
                    {"ts", TFieldType::TimeStamp, 8},
                    {"flag", TFieldType::Boolean, 2},
                    {"popis", TFieldType::Blob, 8, 0, subtype::Memo},
                    {"img", TFieldType::Blob, 8, 0, subtype::Graphic}});
}

// A value as text: null, true/false, numbers, 'text'.
inline std::string Show(const TExpToken& value) {
  if (value.IsNull) return "null";
  switch (TypeOf(value)) {
    case TFieldType::Boolean: return value.As<int16_t>() ? "true" : "false";
    case TFieldType::String:
    case TFieldType::Blob: return "'" + std::string(ReadText(value)) + "'";
    case TFieldType::Float: {
      char buffer[40];
      std::snprintf(buffer, sizeof buffer, "%.15g", value.As<double>());
      return buffer;
    }
    case TFieldType::BCD: {
      const TBcdValue bcd = DecodeBcd(value.As<int64_t>());
      return "bcd " + std::to_string(value.As<int64_t>()) + " scale " + std::to_string(bcd.Scale);
    }
    default: return std::to_string(ReadInteger(value));
  }
}

// A filter text parsed and bound against the table, as a filter does.
inline TExpTree BindFilter(TestTable& table, const std::string& text) {
  TExpressionParser parser;
  parser.SetErrorContext(10051, "T", "filter expression");
  parser.SetText(text);
  parser.NextToken();
  TExpTree tree = parser.ParseExpression(AllowExtendedPredicates);
  TExpToken* root = tree.get();
  TExpressionBinder binder(10051, "T", "filter expression", table);
  binder.Bind(root, true);  // may put a new node above the root
  if (root != tree.get()) {
    tree.release();
    tree.reset(root);
  }
  return tree;
}

// The value of a bound filter text for a record, prepared as a filter prepares it.
inline std::string Evaluated(TestTable& table, const std::string& text, const TestRecord& record,
                             TPrepareOptions options = {}) {
  TExpTree bound = BindFilter(table, text);
  TExpTree prepared = PrepareForEvaluation(*bound, options);
  TEvaluationContext context{options.Language, options.Sort, &table};
  TExpTree value = Evaluate(*prepared, reinterpret_cast<const uint8_t*>(&record), context);
  return Show(*value);
}

// The message of the error a filter text raises, without its prefix; empty when none.
inline std::string FilterError(TestTable& table, const std::string& text) {
  try {
    BindFilter(table, text);
  } catch (const ESkladEngineError& e) {
    const std::string prefix = "Sklad Engine Error # 10051 Filter error for table 'T' - ";
    const std::string message = e.what();
    return message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : message;
  }
  return "";
}

// The message of the error an SQL select-list expression raises, without its prefix.
inline std::string SelectListError(TestTable& table, const std::string& text) {
  try {
    TExpressionParser parser;
    parser.SetErrorContext(11949, "", "source column expression");
    parser.SetText(text);
    parser.NextToken();
    TExpTree tree = parser.ParseExpression(AllowAggregates | AllowAllColumns | AllowExtendedPredicates);
    TExpToken* root = tree.get();
    TExpressionBinder(11949, "", "source column expression", table).Bind(root, false);
  } catch (const ESkladEngineError& e) {
    const std::string prefix = "Sklad Engine Error # 11949 SQL error - ";
    const std::string message = e.what();
    return message.rfind(prefix, 0) == 0 ? message.substr(prefix.size()) : message;
  }
  return "";
}

}  // namespace sklad::testing
