// TJoinLookup: how one source table finds its records for the current row of the tables before
// it in join order — every visible record (the first table, or a table no join leads to), or the
// records a join's comparisons accept: for an equality on an integer, date or time column, from
// the table's visible records read once into memory by that column's value (when they fit);
// otherwise through a key search on an index of the inner column of an equality when the table
// has one, else through a filter on its cursor made per row.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "QuerySources.h"
#include "engine/expression/ExpressionEvaluator.h"

namespace sklad {

class TJoinLookup {
 public:
  // One comparison of a join, seen from the inner table: inner side, operator, outer side; both
  // sides bound.
  struct TComparison {
    const TExpToken* Inner = nullptr;
    TOperator Operator = TOperator::Equal;
    const TExpToken* Outer = nullptr;
  };

  // from: the table the join comes from (null without a join); the context evaluates the outer
  // sides over the current joined row.
  TJoinLookup(TQuerySource& source, const TQuerySource* from, TJoinKind kind, std::vector<TComparison> comparisons,
              const TEvaluationContext& context);
  ~TJoinLookup();
  TJoinLookup(const TJoinLookup&) = delete;
  TJoinLookup& operator=(const TJoinLookup&) = delete;

  TQuerySource& Source() const { return FSource; }
  // Conditions on the row of the table the join comes from that belong to the join's ON: when
  // one fails, the join finds no record for that row.
  void SetFromRowConditions(std::vector<const TExpToken*> conditions) { FFromRowConditions = std::move(conditions); }
  const TQuerySource* From() const { return FFrom; }
  // Chooses the index or the filter; the table's single-table conditions are on its cursor.
  void Start();
  // The first record for the current row of the tables before. A left outer join without a
  // match, or a join from a table whose row is NULL, gives the row once with NullRow set.
  bool First();
  bool Next();
  // Takes the join's filter off the cursor and puts it back in natural order.
  void Stop();
  // The record of the current row: the cursor's, or the one read into memory.
  const uint8_t* Record() const;

 private:
  void BuildCondition();
  int EqualityIndex(const TExpToken& column) const;
  // The comparison's inner column is the key of the lookups.
  void UseKey(size_t comparison);
  bool FromRowJoins() const;
  void FillValues();
  bool SeekKey();
  // Reads the visible records into memory by the key column's value; false when they do not fit.
  bool ReadRecords();
  bool FindRead();
  // From the current candidate on: the first one the comparisons accept.
  bool AcceptRead();
  // From the current record on in index order: the first one the comparisons accept, while the
  // key equality holds.
  bool AcceptKeyed();
  bool PlaceFilter();

  TQuerySource& FSource;
  const TQuerySource* FFrom;
  TJoinKind FKind;
  std::vector<TComparison> FComparisons;
  std::vector<const TExpToken*> FFromRowConditions;
  const TEvaluationContext& FContext;
  // The comparisons with the outer sides' values as constants, joined by AND; the values change
  // per row.
  TExpTree FCondition;
  std::vector<TExpToken*> FValues;
  std::vector<const TExpToken*> FComparisonNodes;
  // The equality a key search serves: its node in FCondition, its value and its inner field.
  const TExpToken* FKeyComparison = nullptr;
  const TExpToken* FKeyValue = nullptr;
  int FKeyField = 0;
  std::vector<uint8_t> FKeyRecord;
  TFilter* FFilter = nullptr;

  // The records read into memory, one after the other, and where each key value's are.
  bool FRead = false;
  std::vector<uint8_t> FRecords;
  std::unordered_map<int64_t, std::vector<int32_t>> FRecordsByKey;
  std::vector<int32_t> FNullKeyRecords;
  const std::vector<int32_t>* FCandidates = nullptr;
  size_t FCandidate = 0;
};

}  // namespace sklad
