#include "CursorColumns.h"

#include <algorithm>
#include <cctype>

#include "DataCursor.h"

namespace sklad {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
  });
}

}  // namespace

bool TCursorColumns::Resolve(TExpToken& column) {
  for (int n = 1; n <= FCursor.FFields.Count(); ++n) {
    const TFieldDefinition& field = FCursor.TableField(n);
    if (!SameName(field.Name(), column.ColumnName)) continue;
    column.FieldNumber = static_cast<int16_t>(n);
    column.Source = &FCursor;
    DescribeColumn(column, field);
    return true;
  }
  return false;
}

void TCursorColumns::Fetch(const uint8_t* record, TExpToken& column) { FCursor.FieldValueCallback(record, column); }

}  // namespace sklad
