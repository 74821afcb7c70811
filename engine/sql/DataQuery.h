// TDataQuery: one statement processor, the structure a parsed statement is planned and executed
// from: its kind, its flags, its source tables, result columns, conditions and orderings.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/expression/ExpTokenStack.h"

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

// A target column of INSERT or UPDATE.
struct TUpdateField {
  std::string ColumnName;
  std::string CorrelationName;
  int FieldNumber = 0;  // in the table, given at planning
  TExpTree Value;       // the value an INSERT or UPDATE gives it
};

enum class TColumnAction : uint8_t { Define, Add, Redefine, Drop };

// A column of CREATE TABLE or ALTER TABLE.
struct TCreateField {
  TColumnAction Action = TColumnAction::Define;
  std::string Name;
  std::string NewName;       // REDEFINE a b: the column's new name
  TExpTree DataType;         // type, subtype and argument nodes; null when REDEFINE keeps the type
  int Position = 0;          // AT n; 0 when not given
  std::string Description;
  bool DescriptionGiven = false;
  bool Required = false;     // NOT NULL
  TExpTree Default, Minimum, Maximum;
  uint8_t Casing = 0;        // NOCHANGE 0, LOWER 1, UPPER 2
  bool CasingGiven = false;
};

enum class TIndexCompression : uint8_t { None = 0, DupByte = 1, TrailByte = 2, Full = 3 };

// An index of CREATE TABLE, CREATE INDEX or ALTER TABLE.
struct TCreateIndex {
  TColumnAction Action = TColumnAction::Define;
  std::string Name;  // empty for the primary index
  bool Primary = false;
  bool Unique = false;
  bool Descending = false;
  bool CaseInsensitive = false;
  TIndexCompression Compression = TIndexCompression::None;
  std::vector<std::string> Columns;
};

// The table options of CREATE TABLE and ALTER TABLE.
struct TTableOptions {
  std::string Description;
  bool DescriptionGiven = false;
  int32_t BlobBlockSize = 512;
  bool BlobBlockSizeGiven = false;
  uint16_t Language = 0, Sort = 0;
  bool LanguageGiven = false, SortGiven = false;
  std::string Password;
  bool Encrypted = false;
  int32_t UserMajorVersion = 1, UserMinorVersion = 0;
  bool UserMajorVersionGiven = false, UserMinorVersionGiven = false;
  int32_t LastAutoIncrement = 0;
  bool LastAutoIncrementGiven = false;
  bool NoBackup = false;
};

class TDataQuery : public TSubQuery {
 public:
  TStatementKind Kind = TStatementKind::Select;
  bool IsSubSelect = false;
  bool FeedsInsert = false;  // the SELECT of an INSERT ... SELECT
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

  // The data-changing and definition statements; their table is the first source.
  std::vector<TUpdateField> Targets;  // INSERT and UPDATE
  TDataQuery* RowSource = nullptr;    // INSERT ... SELECT: the processor of the SELECT
  bool NoAutoIncrement = false;
  int32_t CommitInterval = 0;
  bool CommitIntervalGiven = false;
  std::vector<TCreateField> CreateFields;
  std::vector<TCreateIndex> CreateIndexes;
  TTableOptions Options;
  std::string IndexName;  // DROP INDEX
  bool DropPrimary = false;
};

}  // namespace sklad
