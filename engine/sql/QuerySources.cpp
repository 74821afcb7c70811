#include "QuerySources.h"

namespace sklad {

bool TSourceResolver::Resolve(TExpToken& column) {
  for (TQuerySource& source : FSources) {
    if (!column.CorrelationName.empty() && !SameName(column.CorrelationName, source.Table->CorrelationName)) continue;
    const int fieldNo = FieldNumber(*source.Cursor, column.ColumnName);
    if (fieldNo == 0) {
      if (!column.CorrelationName.empty()) return false;
      continue;
    }
    column.FieldNumber = static_cast<int16_t>(fieldNo);
    column.Source = source.Cursor.get();
    column.CorrelationName = source.Table->CorrelationName;
    DescribeColumn(column, source.Cursor->TableField(fieldNo));
    return true;
  }
  return false;
}

int TSourceResolver::FieldNumber(const TDataCursor& cursor, std::string_view name) {
  for (int n = 1; n <= cursor.TableFieldCount(); ++n)
    if (SameFieldName(cursor.TableField(n).Name(), name)) return n;
  return 0;
}

}  // namespace sklad
