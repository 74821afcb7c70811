#include "JoinedRows.h"

#include "engine/query/expression/ExpressionPreparation.h"
#include "engine/storage/DataDirectory.h"
#include "engine/storage/DataSession.h"
#include "engine/storage/EngineError.h"
#include "engine/storage/LanguageSettings.h"

namespace sklad {

// Reads each column from the current record of its own source cursor.
class TJoinedRows::TRowFetcher final : public TFieldFetcher {
 public:
  void Fetch(const uint8_t*, TExpToken& column) override {
    const auto* cursor = static_cast<const TDataCursor*>(column.Source);
    cursor->Columns().Fetch(cursor->CurrentRecord().data(), column);
  }
};

TJoinedRows::TJoinedRows(TDataQuery& query, std::vector<TQuerySource>& sources, TSourceResolver& resolver,
                         TDataDirectory& directory)
    : FQuery(query), FSources(sources), FResolver(resolver), FDirectory(directory),
      FFetcher(std::make_unique<TRowFetcher>()) {}

TJoinedRows::~TJoinedRows() = default;

// One source table and no joins for now: the whole condition is the leader's filter.
void TJoinedRows::Plan() {}

void TJoinedRows::Start(bool) {
  TQuerySource& leader = Leader();
  RemoveCondition(leader);
  TExpTree condition = BindCondition(FQuery.Condition.get(), FResolver, FDirectory);
  leader.Cursor->Refresh();
  leader.Cursor->SelectIndex(TDataCursor::kNaturalOrder);
  if (condition) PlaceCondition(leader, *condition);
  leader.Cursor->First();
  FStarted = true;
  FLeaderRows = 0;
}

bool TJoinedRows::Next() {
  if (!FStarted) return false;
  if (Leader().Cursor->ReadNext(nullptr) != 0) return false;
  ++FLeaderRows;
  return true;
}

void TJoinedRows::Stop() {
  for (TQuerySource& source : FSources) RemoveCondition(source);
  FStarted = false;
}

TFieldFetcher& TJoinedRows::Fetcher() { return *FFetcher; }

const uint8_t* TJoinedRows::Record(const TQuerySource& source) const {
  return source.NullRow ? nullptr : source.Cursor->CurrentRecord().data();
}

TQuerySource& TJoinedRows::Leader() const { return FSources.front(); }

TExpTree BindCondition(const TExpToken* condition, TSourceResolver& resolver, TDataDirectory& directory) {
  if (!condition) return {};
  const TDataSession& session = directory.Session();
  TLocaleScope locale(session.LanguageId, session.SortId);
  TExpToken* root = CopyTree(*condition).release();
  TExpressionBinder binder(err::SqlError, "", "WHERE or JOIN clause", resolver);
  try {
    binder.Bind(root, true);
  } catch (...) {
    TExpTree discard(root);
    throw;
  }
  TExpTree bound(root);
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
  source.Cursor->DropFilter(source.Filter);
  source.Filter = nullptr;
}

}  // namespace sklad
