// Starting the joined rows: the conditions bound, the single-table ones an index serves placed
// on their tables' cursors, the rest kept for each joined row, and the join order chosen.
#include <algorithm>

#include "ConditionParts.h"
#include "JoinedRows.h"
#include "engine/expression/ComparisonTurn.h"
#include "engine/expression/ExpressionPreparation.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"

namespace sklad {

// With one source table the whole condition is its cursor's filter, so a count of its records
// (COUNT(*) alone) needs no rows read.
void TJoinedRows::Start(bool /*countOnly*/) {
  Stop();
  const TDataSession& session = FDirectory.Session();
  FContext = TEvaluationContext{session.LanguageId, session.SortId, &Fetcher()};
  for (TQuerySource& source : FSources) {
    source.Cursor->Refresh();
    source.Cursor->SelectIndex(TDataCursor::kNaturalOrder);
  }
  FBoundCondition = BindCondition(FQuery.Condition.get(), FResolver, FDirectory);
  FBoundPostJoin = BindCondition(FPostJoin.get(), FResolver, FDirectory);
  BindJoins();
  if (FSources.size() == 1) {
    if (FBoundCondition) PlaceCondition(FSources.front(), *FBoundCondition);
  } else {
    PlaceSingleTableConditions();
  }
  std::vector<bool> placed(FSources.size(), false);
  AddSteps(ChooseLeader(), placed, nullptr);
  // Tables no join reaches follow in list order, each with the tables joined from it.
  for (size_t table = 0; table < FSources.size(); ++table) {
    if (placed[table]) continue;
    size_t root = table;
    for (bool climbed = true; climbed;) {
      climbed = false;
      for (const TJoinLink& join : FJoins)
        if (join.Right == root) root = join.Left, climbed = true;
    }
    AddSteps(root, placed, nullptr);
  }
  for (auto& step : FSteps) step->Start();
  FStarted = true;
  FPositioned = false;
  FLeaderRows = 0;
}

void TJoinedRows::BindJoins() {
  FBoundJoins.clear();
  for (const TJoinLink& join : FJoins) {
    std::vector<TExpTree> comparisons;
    for (const TExpTree& comparison : join.Comparisons)
      comparisons.push_back(BindCondition(comparison.get(), FResolver, FDirectory));
    FBoundJoins.push_back(std::move(comparisons));
  }
}

// A part of one table goes on that table's cursor when an index serves it; other parts are
// tested on each joined row. On a table an outer join may leave NULL, a part of the join's ON
// condition always goes on the cursor (it decides which records match, not which rows remain),
// and a WHERE part is always tested on the joined row, where it sees the NULL row. A part of an
// outer join's ON condition on the table the join comes from decides whether that row finds a
// match; the row itself remains.
void TJoinedRows::PlaceSingleTableConditions() {
  std::vector<const TExpToken*> parts;
  SplitAnd(FBoundCondition.get(), parts);
  const std::vector<bool> nullable = NullableTables();
  std::vector<TExpTree> served(FSources.size());
  FOuterRowConditions.assign(FJoins.size(), {});
  for (const TExpToken* part : parts) {
    const std::vector<size_t> tables = TablesOf(part);
    if (tables.size() == 1 && part->FromJoin && !nullable[tables.front()]) {
      if (const TJoinLink* join = OnlyOuterJoinFrom(tables.front())) {
        FOuterRowConditions[static_cast<size_t>(join - FJoins.data())].push_back(part);
        continue;
      }
    }
    if (tables.size() == 1 && ServedOnCursor(*part, tables.front(), nullable[tables.front()])) {
      AndInto(served[tables.front()], CopyTree(*part).release());
      continue;
    }
    FResidual.push_back(part);
  }
  for (size_t table = 0; table < FSources.size(); ++table)
    if (served[table]) PlaceCondition(FSources[table], *served[table]);
}

// The ON condition a table's part came from is known only when the table takes part in one join
// alone, an outer join from it.
const TJoinedRows::TJoinLink* TJoinedRows::OnlyOuterJoinFrom(size_t table) const {
  const TJoinLink* found = nullptr;
  for (const TJoinLink& join : FJoins) {
    if (join.Left != table && join.Right != table) continue;
    if (found || join.Left != table || join.Kind != TJoinKind::LeftOuter) return nullptr;
    found = &join;
  }
  return found;
}

bool TJoinedRows::ServedOnCursor(const TExpToken& part, size_t table, bool nullable) const {
  if (nullable) return part.FromJoin;
  TDataCursor& cursor = *FSources[table].Cursor;
  const TPrepareOptions options{false, false, cursor.Table()->Data().Language(), cursor.Table()->Data().Sort()};
  TExpTree prepared = PrepareForEvaluation(part, options);
  return cursor.FilterOptimizationLevel(TOperator::None, *prepared, false) > 0;
}

// A table can lead when it is the left side of a join and only inner joins lead to it from the
// first table of its chain, so that turning those joins round keeps their meaning.
size_t TJoinedRows::ChooseLeader() {
  if (FQuery.NoJoinOptimize || FJoins.empty()) return 0;
  auto canLead = [&](size_t table) {
    if (std::ranges::none_of(FJoins, [&](const TJoinLink& join) { return join.Left == table; })) return false;
    for (bool climbed = true; climbed;) {
      climbed = false;
      for (const TJoinLink& join : FJoins) {
        if (join.Right != table) continue;
        if (join.Kind != TJoinKind::Inner) return false;
        table = join.Left;
        climbed = true;
      }
    }
    return true;
  };
  size_t leader = 0;
  int32_t fewest = FSources.front().Cursor->GetRecordCount();
  for (size_t table = 1; table < FSources.size(); ++table) {
    if (!canLead(table)) continue;
    const int32_t count = FSources[table].Cursor->GetRecordCount();
    if (count < fewest) fewest = count, leader = table;
  }
  return leader;
}

// The table joins the sequence, then every table joined to it that is not in it yet; a join
// taken from its right table to its left one (only inner joins, after a change of leader) keeps
// its comparisons, one taken the usual way has them seen from its right table.
void TJoinedRows::AddSteps(size_t table, std::vector<bool>& placed, const TJoinLink* via) {
  std::vector<TJoinLookup::TComparison> comparisons;
  const TQuerySource* from = nullptr;
  if (via) {
    const bool forward = via->Right == table;
    from = &FSources[forward ? via->Left : via->Right];
    for (const TExpTree& comparison : FBoundJoins[static_cast<size_t>(via - FJoins.data())]) {
      comparisons.push_back(forward ? TJoinLookup::TComparison{comparison->Second, MirroredOperator(comparison->Operator),
                                                              comparison->First}
                                    : TJoinLookup::TComparison{comparison->First, comparison->Operator,
                                                              comparison->Second});
    }
  }
  FSteps.push_back(std::make_unique<TJoinLookup>(FSources[table], from, via ? via->Kind : TJoinKind::Inner,
                                                 std::move(comparisons), FContext));
  if (via && !FOuterRowConditions.empty())
    FSteps.back()->SetFromRowConditions(FOuterRowConditions[static_cast<size_t>(via - FJoins.data())]);
  placed[table] = true;
  for (const TJoinLink& join : FJoins) {
    if (join.Left == table && !placed[join.Right]) AddSteps(join.Right, placed, &join);
    if (join.Right == table && !placed[join.Left]) AddSteps(join.Left, placed, &join);
  }
}

void TJoinedRows::Stop() {
  for (auto& step : FSteps) step->Stop();
  FSteps.clear();
  for (TQuerySource& source : FSources) {
    RemoveCondition(source);
    source.NullRow = false;
  }
  FResidual.clear();
  FOuterRowConditions.clear();
  FBoundJoins.clear();
  FBoundCondition.reset();
  FBoundPostJoin.reset();
  FStarted = false;
}

}  // namespace sklad
