// TDataQuery: one statement processor, the structure a parsed statement is planned and executed
// from: its kind, its flags, its source tables, result columns, conditions and orderings.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/query/expression/ExpTokenStack.h"

namespace sklad {

enum class TStatementKind : uint8_t {
  Select,
  Insert,
  Update,
  Delete,
  CreateTable,
  AlterTable,
  DropTable,
  CreateIndex,
  DropIndex,
};

enum class TAggregateKind : uint8_t { None, Sum, Min, Max, Avg, Count };

struct TSourceTable;

// A join between two source tables, from a JOIN ... ON condition.
struct TTableJoin {
  TJoinKind Kind = TJoinKind::Inner;
  TSourceTable* Left = nullptr;
  TSourceTable* Right = nullptr;
  const TExpToken* Condition = nullptr;
};

// One table of FROM or JOIN.
struct TSourceTable {
  int SequenceNumber = 0;  // 1 for the first table named, in order of appearance
  bool InMemory = false;   // MEMORY before the name
  std::string TableName;   // the file name part
  std::string Directory;   // "Memory", the path part of a name with ':' or '\', or empty: the statement's database
  std::string CorrelationName;
  std::vector<TTableJoin> Joins;
};

// One item of the select list.
struct TResultField {
  TExpTree Expression;
  bool Computed = false;  // anything but a plain column or an aggregate over a plain column
  TAggregateKind Aggregate = TAggregateKind::None;
  std::string ColumnName;       // plain columns and aggregates over a plain column
  std::string CorrelationName;
  std::string ExpressionText;   // the item's text, which names computed items
  std::string Alias;
  bool AliasGiven = false;
  std::string Name;             // the result column's name, given at planning
};

// An item of ORDER BY or GROUP BY: a column by name, or by its 1-based position in the list.
struct TOrderByField {
  std::string ColumnName;
  std::string CorrelationName;
  int ColumnNumber = 0;  // 0: by name
  bool Descending = false;
};
using TGroupByField = TOrderByField;

class TDataQuery : public TSubQuery {
 public:
  TStatementKind Kind = TStatementKind::Select;
  bool IsSubSelect = false;
  bool RequestLive = false;
  int32_t MaximumRowCount = -1;  // -1: no limit

  bool Distinct = false;
  bool SeveralTables = false;
  bool HasCondition = false;
  bool HasGroupBy = false;
  bool HasHaving = false;
  bool HasOrderBy = false;
  bool OrderByNoCase = false;
  bool WithLocks = false;
  bool NoJoinOptimize = false;
  bool HasComputedColumns = false;
  bool HasAverage = false;

  std::string ResultTableName;  // INTO
  bool ResultInMemory = false;  // INTO MEMORY
  uint16_t ResultLanguage = 0, ResultSort = 0;
  bool LanguageGiven = false, SortGiven = false;
  bool Encrypted = false;
  std::string Password;

  TExpTree Condition;  // WHERE and every JOIN ... ON condition, joined by AND
  TExpTree Having;

  std::vector<std::unique_ptr<TSourceTable>> Sources;
  std::vector<TResultField> Columns;
  std::vector<TOrderByField> OrderBy;
  std::vector<TGroupByField> GroupBy;
};

}  // namespace sklad
