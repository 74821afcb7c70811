// Planning of the joins: the comparisons between two tables' columns leave the condition tree
// and become joins from the earlier table to the later one; conditions over several tables that
// are no such comparison go to the post-join tree, evaluated on each joined row.
#include <algorithm>
#include <optional>

#include "ConditionParts.h"
#include "JoinedRows.h"
#include "SqlErrors.h"
#include "engine/expression/ComparisonTurn.h"
#include "engine/expression/TreeWalk.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {

std::vector<size_t> TJoinedRows::TablesOf(const TExpToken* node) const {
  std::vector<size_t> tables;
  EachNode(node, [&](const TExpToken& column) {
    if (column.Kind != TNodeKind::Column) return;
    if (column.ColumnName == "*") return;
    TExpToken scratch;
    scratch.ColumnName = column.ColumnName;
    scratch.CorrelationName = column.CorrelationName;
    if (!FResolver.Resolve(scratch)) {
      const bool known = column.CorrelationName.empty() ||
                         std::ranges::any_of(FSources, [&](const TQuerySource& source) {
                           return SameName(source.Table->CorrelationName, column.CorrelationName);
                         });
      if (!known)
        RaiseSql("Table correlation name '" + column.CorrelationName +
                 "' referenced in WHERE clause is not defined in the FROM clause");
      return;  // an unknown column: binding names it
    }
    for (size_t i = 0; i < FSources.size(); ++i)
      if (FSources[i].Cursor.get() == scratch.Source) tables.push_back(i);
  });
  std::ranges::sort(tables);
  tables.erase(std::unique(tables.begin(), tables.end()), tables.end());
  return tables;
}

// Runs once: the joins leave the parsed condition, which later executions bind as it is then.
void TJoinedRows::Plan() {
  if (FPlanned || !FQuery.Condition) return;
  // Every check first, so that a fault leaves the parsed condition as it was.
  std::vector<TExpToken*> parts;
  SplitAnd(FQuery.Condition.get(), parts);
  const std::vector<TPart> places = ClassifyParts(parts);
  MoveParts(places);
  FPlanned = true;
}

// The condition is taken as the parts below its AND nodes. A comparison whose two sides both name
// columns, each side of one table, of two different tables, is a join; anything else over
// several tables (an OR or NOT among them, kept whole) is evaluated after the join.
std::vector<TJoinedRows::TPart> TJoinedRows::ClassifyParts(const std::vector<TExpToken*>& parts) const {
  // The first join met into each table: every later one into it must come the same way.
  std::vector<std::optional<TJoinLink>> joinInto(FSources.size());
  std::vector<TPart> places;
  places.reserve(parts.size());
  for (const TExpToken* node : parts) {
    TPart place = TPart::Keep;
    if (node->IsComparison() && ContainsColumn(node->First) && ContainsColumn(node->Second)) {
      const std::vector<size_t> left = TablesOf(node->First), right = TablesOf(node->Second);
      if (left.size() > 1 || right.size() > 1)
        RaiseSql("The join condition cannot contain multiple table correlation names in either the left or right "
                 "operand in WHERE or JOIN clause");
      if (left.size() == 1 && right.size() == 1 && left != right) {
        TJoinLink link = LinkOf(*node, left.front(), right.front());
        std::optional<TJoinLink>& seen = joinInto[link.Right];
        if (seen && (seen->Left != link.Left || seen->Kind != link.Kind))
          RaiseSql("Internal join error - table correlation name \"" + FSources[link.Right].Table->CorrelationName +
                   "\" is target of multiple join conditions in WHERE or JOIN clause");
        if (!seen) seen = std::move(link);
        place = TPart::Join;
      }
    }
    if (place == TPart::Keep && TablesOf(node).size() > 1) place = TPart::PostJoin;
    places.push_back(place);
  }
  return places;
}

// The joins and the parts over several tables leave the condition; the parts it keeps are joined
// again by AND, in their order.
void TJoinedRows::MoveParts(const std::vector<TPart>& places) {
  if (std::ranges::all_of(places, [](TPart place) { return place == TPart::Keep; })) return;
  const std::vector<TExpToken*> parts = TakeAndApart(FQuery.Condition.release());
  for (size_t i = 0; i < parts.size(); ++i) {
    switch (places[i]) {
      case TPart::Keep: AndInto(FQuery.Condition, parts[i]); break;
      case TPart::Join: AddJoin(TExpTree(parts[i])); break;
      case TPart::PostJoin: AndInto(FPostJoin, parts[i]); break;
    }
  }
}

// The comparison joins the earlier table (its side turned to the left) to the later one; joins
// between the same two tables of the same kind are one join.
TJoinedRows::TJoinLink TJoinedRows::LinkOf(const TExpToken& comparison, size_t first, size_t second) {
  TJoinLink link;
  link.Left = std::min(first, second);
  link.Right = std::max(first, second);
  // A RIGHT JOIN's outer table was put first, so it is a left outer join from there.
  const bool outer = comparison.JoinKind == TJoinKind::LeftOuter || comparison.JoinKind == TJoinKind::RightOuter;
  link.Kind = outer ? TJoinKind::LeftOuter : TJoinKind::Inner;
  return link;
}

void TJoinedRows::AddJoin(TExpTree comparison) {
  const size_t first = TablesOf(comparison->First).front(), second = TablesOf(comparison->Second).front();
  TJoinLink link = LinkOf(*comparison, first, second);
  if (first > second) TurnComparison(*comparison);
  for (TJoinLink& join : FJoins) {
    if (join.Right == link.Right) {
      join.Comparisons.push_back(std::move(comparison));
      return;
    }
  }
  link.Comparisons.push_back(std::move(comparison));
  FJoins.push_back(std::move(link));
}

std::vector<bool> TJoinedRows::NullableTables() const {
  // A join always runs from an earlier table to a later one, so one pass in list order follows
  // every chain of joins.
  std::vector<bool> nullable(FSources.size(), false);
  for (size_t table = 0; table < FSources.size(); ++table)
    for (const TJoinLink& join : FJoins)
      if (join.Right == table) nullable[table] = nullable[join.Left] || join.Kind == TJoinKind::LeftOuter;
  return nullable;
}

}  // namespace sklad
