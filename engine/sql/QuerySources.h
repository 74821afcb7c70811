// The source tables of a statement as planning and execution see them — each table of FROM or
// JOIN with the cursor opened on it — and the resolver that binds column names against them.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "DataQuery.h"
#include "engine/cursor/DataCursor.h"
#include "engine/expression/ExpressionBinder.h"
#include "engine/storage/table/TableNames.h"

namespace sklad {

struct TQuerySource {
  TSourceTable* Table = nullptr;
  std::unique_ptr<TDataCursor> Cursor;
  // A condition placed on the cursor by the last execution; removed by the next one.
  TFilter* Filter = nullptr;
  // An outer join found no record for the current row: the table's columns are NULL.
  bool NullRow = false;
};

// Resolves a column against the source tables: a qualified name against the table of that
// correlation name, an unqualified one against the first table in list order that has it.
class TSourceResolver final : public TColumnResolver {
 public:
  explicit TSourceResolver(std::vector<TQuerySource>& sources) : FSources(sources) {}

  bool Resolve(TExpToken& column) override;
  // The table's field of that name, without regard to case; 0 when it has none.
  static int FieldNumber(const TDataCursor& cursor, std::string_view name);

 private:
  std::vector<TQuerySource>& FSources;
};

}  // namespace sklad
