// TSelectPlan: a SELECT processor's planning and execution state — the source tables' cursors,
// the resolved result columns, the ordering index and the live decision — and its execution:
// live, the base table's cursor filtered by the WHERE condition and showing the result columns
// as its own fields; otherwise a result table filled from the joined rows, then grouped,
// de-duplicated and ordered.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "DataQuery.h"
#include "QuerySources.h"
#include "StatementRunner.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/sort/RecordSort.h"

namespace sklad {

class TDataDirectory;
class TGroupAccumulator;
class TJoinedRows;
class TResultTable;
class TStatementDirectories;

class TSelectPlan final : public TStatementRunner {
 public:
  static constexpr int kMaxResultColumns = 1024;

  TSelectPlan(TDataQuery& query, TDataDirectory& directory);
  ~TSelectPlan() override;

  // Opens the source tables, resolves the select list and decides the result kind; raises 11949
  // with the planning message of the first fault.
  void Plan(const std::function<bool()>& passwordCallback) override;
  // The result cursor: the live one filtered anew, or the result table filled anew.
  TDataCursor* Execute(const TSqlProgress& progress) override;

  bool Live() const override { return FLive; }
  int OrderingIndex() const { return FOrderingIndex; }
  TDataCursor* Result() const override { return FResult; }
  int32_t RowsAffected() const override { return FRowsAffected; }

 private:
  void OpenSources(const std::function<bool()>& passwordCallback);
  void ResolveSelectList();
  void ExpandAllColumns(TResultField& item, std::vector<TResultField>& expanded);
  void BindComputedColumn(TResultField& item);
  void CheckGrouping();
  void MatchOrderBy();
  void DecideLive();
  void RewriteCondition();
  void BuildView();

  TDataQuery& FQuery;
  TDataDirectory& FDirectory;
  std::vector<TQuerySource> FSources;
  std::unique_ptr<TSourceResolver> FResolver;
  // Per result column: its table field (plain columns), type details (computed ones).
  std::vector<TDataCursor::TOwnField> FColumns;
  bool FComputedBlob = false;
  bool FAggregateOnly = false;
  bool FOrderServedByIndex = false;
  int FOrderingIndex = TDataCursor::kNaturalOrder;
  bool FLive = false;
  TDataCursor* FResult = nullptr;
  int32_t FRowsAffected = 0;

  // ---- Materialised results (MaterialisedPlan.cpp, ResultFilling.cpp) ----
  // How one result column takes its value from a joined row.
  struct TColumnFill {
    TAggregateKind Aggregate = TAggregateKind::None;
    // A plain column, or the column an aggregate is taken over: its table and field.
    const TQuerySource* Source = nullptr;
    int SourceField = 0;
    // A computed column's bound expression, or an aggregate's argument; null for COUNT(*).
    const TExpToken* Value = nullptr;
    int Field = 0;       // the result column
    int CountField = 0;  // AVG: its hidden count column
    bool Blob = false;
  };
  void PlanMaterialised();
  void BindAggregateColumns();
  void PlanColumnFills();
  TTableDefinition ResultDefinition() const;
  TFieldDefinition ResultField(size_t column) const;
  int ResultColumnOf(const TOrderByField& item, std::string_view clause) const;
  std::vector<int> ResolveColumnList(const std::vector<TOrderByField>& items, std::string_view clause,
                                     const TTableDefinition& definition) const;
  void CheckDistinct(const TTableDefinition& definition) const;
  bool OrderAlreadySatisfied() const;
  void CreateResultTable(TTableDefinition definition);
  void BindHaving();

  TDataCursor* ExecuteMaterialised(const TSqlProgress& progress);
  void FillRows(const TSqlProgress& progress);
  void FillAggregateOnly(const TSqlProgress& progress);
  void CountRowsOnly();
  void FillRecord(uint8_t* record);
  // The stored value of a column a row's table holds, as a plain column or an aggregate's value.
  void CopyColumn(const TColumnFill& fill, uint8_t* record);
  void Append(uint8_t* record);
  void SortResult(const std::vector<int>& fields, TSortMode mode, bool caseInsensitive, TSortHooks hooks = {});
  bool CountsRowsOnly() const;

  std::unique_ptr<TStatementDirectories> FDirectories;
  // Per result column: its bound expression (computed and aggregate columns), or null.
  std::vector<TExpTree> FBoundColumns;
  std::unique_ptr<TJoinedRows> FRows;
  std::vector<TColumnFill> FFills;
  std::vector<int> FOrderColumns;  // result field numbers of ORDER BY and GROUP BY
  std::vector<int> FGroupColumns;
  bool FOrderSatisfied = false;
  TExpTree FHaving;  // bound over the result table's fields
  uint16_t FResultLanguage = 0, FResultSort = 0;
  std::unique_ptr<TGroupAccumulator> FAccumulator;
  std::unique_ptr<TResultTable> FResultTable;
  // BLOB values of the record being appended, written through the result cursor.
  std::vector<std::pair<int, std::vector<uint8_t>>> FBlobValues;
};

}  // namespace sklad
