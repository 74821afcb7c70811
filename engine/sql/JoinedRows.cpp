#include "JoinedRows.h"

#include <algorithm>
#include <utility>

#include "engine/expression/ExpressionPreparation.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"

namespace sklad {

// Reads each column from the current record of its own source table (its cursor's, or the one
// its join read into memory); a source whose row an outer join left without a match gives NULL.
class TJoinedRows::TRowFetcher final : public TFieldFetcher {
 public:
  explicit TRowFetcher(const TJoinedRows& rows) : FRows(rows) {}

  void Fetch(const uint8_t*, TExpToken& column) override {
    const auto* cursor = static_cast<const TDataCursor*>(column.Source);
    for (const auto& step : FRows.FSteps) {
      if (step->Source().Cursor.get() != cursor) continue;
      if (step->Source().NullRow) {
        column.IsNull = true;
        return;
      }
      return cursor->Columns().Fetch(step->Record(), column);
    }
    cursor->Columns().Fetch(cursor->CurrentRecord().data(), column);
  }

 private:
  const TJoinedRows& FRows;
};

TJoinedRows::TJoinedRows(TDataQuery& query, std::vector<TQuerySource>& sources, TSourceResolver& resolver,
                         TDataDirectory& directory)
    : FQuery(query), FSources(sources), FResolver(resolver), FDirectory(directory),
      FFetcher(std::make_unique<TRowFetcher>(*this)) {}

TJoinedRows::~TJoinedRows() = default;

// Nested iteration: the last table in join order advances fastest; when a table has no further
// record for the row of the tables before it, the table before it advances.
bool TJoinedRows::Next() {
  if (!FStarted) return false;
  const size_t last = FSteps.size() - 1;
  size_t level = FPositioned ? last : 0;
  auto move = [&](bool first) {
    const bool found = first ? FSteps[level]->First() : FSteps[level]->Next();
    if (found && level == 0) ++FLeaderRows;
    return found;
  };
  bool found = move(!FPositioned);
  FPositioned = true;
  for (;;) {
    if (!found) {
      if (level == 0) {
        FStarted = false;
        return false;
      }
      --level;
      found = move(false);
    } else if (level < last) {
      ++level;
      found = move(true);
    } else if (Accepted()) {
      return true;
    } else {
      found = move(false);
    }
  }
}

bool TJoinedRows::Accepted() const {
  if (FBoundPostJoin && !ConditionHolds(*FBoundPostJoin, nullptr, FContext)) return false;
  return std::ranges::all_of(FResidual, [&](const TExpToken* part) { return ConditionHolds(*part, nullptr, FContext); });
}

TFieldFetcher& TJoinedRows::Fetcher() { return *FFetcher; }

const uint8_t* TJoinedRows::Record(const TQuerySource& source) const {
  if (source.NullRow) return nullptr;
  for (const auto& step : FSteps)
    if (&step->Source() == &source) return step->Record();
  return source.Cursor->CurrentRecord().data();
}

TQuerySource& TJoinedRows::Leader() const { return FSteps.empty() ? FSources.front() : FSteps.front()->Source(); }

TExpTree BindCondition(const TExpToken* condition, TSourceResolver& resolver, TDataDirectory& directory) {
  if (!condition) return {};
  const TDataSession& session = directory.Session();
  TLocaleScope locale(session.LanguageId, session.SortId);
  TExpressionBinder binder(err::SqlError, "", "WHERE or JOIN clause", resolver);
  TExpTree bound = binder.BindCopy(*condition, true);
  if (static_cast<TFieldType>(bound->ValueType) != TFieldType::Boolean)
    RaiseEngineError(err::SqlError, {}, {}, "WHERE or JOIN clause must be a boolean expression");
  return bound;
}

void PlaceCondition(TQuerySource& source, const TExpToken& condition) {
  TDataCursor& cursor = *source.Cursor;
  TPrepareOptions options;
  options.Language = cursor.Table()->Data().Language();
  options.Sort = cursor.Table()->Data().Sort();
  TExpTree prepared = PrepareForEvaluation(condition, options);
  source.Filter = cursor.AddFilter(prepared.release(), true, true, false);
  cursor.ActivateFilter(source.Filter);
}

void RemoveCondition(TQuerySource& source) {
  if (!source.Filter) return;
  // The cursor drops the filter before it resynchronises, which may fail on a damaged table.
  TFilter* filter = std::exchange(source.Filter, nullptr);
  source.Cursor->DropFilter(filter);
}

}  // namespace sklad
