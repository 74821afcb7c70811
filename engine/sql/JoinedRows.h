// TJoinedRows: the rows a materialised SELECT, an UPDATE or a DELETE reads — the source tables
// joined through the joins extracted from the condition, the single-table conditions placed on
// the source cursors as filters, and the rest tested on each joined row.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "DataQuery.h"
#include "JoinLookup.h"
#include "QuerySources.h"
#include "engine/expression/ExpressionEvaluator.h"

namespace sklad {

class TDataDirectory;

class TJoinedRows {
 public:
  TJoinedRows(TDataQuery& query, std::vector<TQuerySource>& sources, TSourceResolver& resolver,
              TDataDirectory& directory);
  ~TJoinedRows();

  // Planning: extracts the joins from the query's condition tree and makes the join checks;
  // raises 11949 with the message of the first fault.
  void Plan();
  // Execution: removes the filters of the previous run, binds what is left of the condition,
  // places the single-table conditions on the source cursors and orders the joins. With one
  // source table the whole condition goes on its cursor, so that for countOnly (a COUNT(*)
  // alone) the cursor's record count is the answer.
  void Start(bool countOnly);
  // Goes to the next joined row that the conditions accept: every source cursor stands on its
  // record, or has NullRow set. False after the last row.
  bool Next();
  // Removes the filters the last Start placed on the source cursors.
  void Stop();

  // The values of columns in the current joined row, for evaluating bound trees over it.
  TFieldFetcher& Fetcher();
  // The current record of a source table; null when its NullRow is set.
  const uint8_t* Record(const TQuerySource& source) const;
  // The first table in join order, and how often its record changed since Start (progress).
  TQuerySource& Leader() const;
  int32_t LeaderRows() const { return FLeaderRows; }

 private:
  class TRowFetcher;

  // A join extracted from the condition: comparisons (earlier table's side on the left) from the
  // earlier source table to the later one, in list order.
  struct TJoinLink {
    TJoinKind Kind = TJoinKind::Inner;  // inner or left outer
    size_t Left = 0, Right = 0;
    std::vector<TExpTree> Comparisons;
  };

  // ---- Planning (JoinExtraction.cpp) ----
  // The source tables a tree's columns belong to, in list order; raises the message of a
  // qualified column whose correlation name no source table has.
  std::vector<size_t> TablesOf(const TExpToken* node) const;
  // Where each part of the condition below its AND nodes goes; raises the join errors.
  enum class TPart : uint8_t { Keep, Join, PostJoin };
  std::vector<TPart> ClassifyParts(const std::vector<TExpToken*>& parts) const;
  // Moves the parts of the condition where ClassifyParts placed them.
  void MoveParts(const std::vector<TPart>& places);
  // The join a comparison between the two tables makes, without its comparisons.
  static TJoinLink LinkOf(const TExpToken& comparison, size_t first, size_t second);
  // Adds a checked join comparison to its join.
  void AddJoin(TExpTree comparison);
  // Whether a table's row may be NULL: it is reached through a left outer join.
  std::vector<bool> NullableTables() const;

  // ---- Execution (ConditionPlacement.cpp) ----
  void PlaceSingleTableConditions();
  // Whether a single-table part of the condition goes on its table's cursor.
  bool ServedOnCursor(const TExpToken& part, size_t table, bool nullable) const;
  // The join of an ON condition part on the table: its one join, when that is an outer join
  // from it; null otherwise.
  const TJoinLink* OnlyOuterJoinFrom(size_t table) const;
  void BindJoins();
  // The first table in join order: the smallest table that can lead, unless NOJOINOPTIMIZE.
  size_t ChooseLeader();
  void AddSteps(size_t table, std::vector<bool>& placed, const TJoinLink* via);
  bool Accepted() const;

  TDataQuery& FQuery;
  std::vector<TQuerySource>& FSources;
  TSourceResolver& FResolver;
  TDataDirectory& FDirectory;
  std::unique_ptr<TRowFetcher> FFetcher;
  TEvaluationContext FContext;

  bool FPlanned = false;
  std::vector<TJoinLink> FJoins;
  TExpTree FPostJoin;  // parts over several tables that make no join: tested on each joined row

  // Bound by Start.
  TExpTree FBoundCondition;
  TExpTree FBoundPostJoin;
  std::vector<std::vector<TExpTree>> FBoundJoins;  // per join, its comparisons
  std::vector<const TExpToken*> FResidual;        // parts of FBoundCondition tested per row
  // Per join: parts of an outer join's ON condition on the table it comes from.
  std::vector<std::vector<const TExpToken*>> FOuterRowConditions;
  std::vector<std::unique_ptr<TJoinLookup>> FSteps;  // the sources in join order
  bool FStarted = false;
  bool FPositioned = false;
  int32_t FLeaderRows = 0;
};

// The query's condition tree bound over the source tables (a copy; the parsed tree stays for the
// next execution); null without a condition. Raises 11949 for a tree that is not boolean.
TExpTree BindCondition(const TExpToken* condition, TSourceResolver& resolver, TDataDirectory& directory);
// Places a prepared copy of a bound condition on the source's cursor as its active filter
// (case-sensitive, partial compare allowed).
void PlaceCondition(TQuerySource& source, const TExpToken& condition);
// Drops the source's filter of a previous run.
void RemoveCondition(TQuerySource& source);

}  // namespace sklad
