// TSelectPlan: a SELECT processor's planning and execution state — the source tables' cursors,
// the resolved result columns, the ordering index and the live decision — and its live
// execution: the base table's cursor filtered by the WHERE condition and showing the result
// columns as its own fields.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "DataQuery.h"
#include "QuerySources.h"
#include "StatementRunner.h"
#include "engine/cursor/DataCursor.h"

namespace sklad {

class TDataDirectory;

class TSelectPlan final : public TStatementRunner {
 public:
  static constexpr int kMaxResultColumns = 1024;

  TSelectPlan(TDataQuery& query, TDataDirectory& directory);
  ~TSelectPlan() override;

  // Opens the source tables, resolves the select list and decides the result kind; raises 11949
  // with the planning message of the first fault.
  void Plan(const std::function<bool()>& passwordCallback) override;
  // The live result cursor, filtered anew; raises 11949 for results that need a copy.
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
  [[noreturn]] void RaiseNotSupported() const;

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
};

}  // namespace sklad
