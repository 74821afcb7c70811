// TJoinedRows: the rows a materialised SELECT, an UPDATE or a DELETE reads — the source tables
// joined through the joins extracted from the condition, the single-table conditions placed on
// the source cursors as filters, and the rest tested on each joined row.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "DataQuery.h"
#include "QuerySources.h"
#include "engine/query/expression/ExpressionEvaluator.h"

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
  // places the single-table conditions on the source cursors and orders the joins. With
  // countOnly (a COUNT(*) alone over one table) the whole condition goes on the cursor, so that
  // its record count is the answer.
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

  TDataQuery& FQuery;
  std::vector<TQuerySource>& FSources;
  TSourceResolver& FResolver;
  TDataDirectory& FDirectory;
  std::unique_ptr<TRowFetcher> FFetcher;
  bool FStarted = false;
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
