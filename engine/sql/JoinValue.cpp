#include "JoinValue.h"

#include <algorithm>
#include <span>

#include "engine/expression/ValueClasses.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/data/ValueConversion.h"

namespace sklad {

void FitJoinValue(TExpToken& value, const TExpToken& column, const TEvaluationContext& context) {
  const TFieldType from = TypeOf(value), to = TypeOf(column);
  if (value.IsNull || from == to) return;
  const bool numbers = IsNumeric(from) && IsNumeric(to);
  const bool days = IsDateOrTimeStamp(from) && IsDateOrTimeStamp(to);
  if (!numbers && !days) return;
  TExpTree converted = TakeNode();
  converted->Kind = TNodeKind::Constant;
  converted->Reserve(std::max({value.Size, column.Size, uint32_t{8}}));
  std::copy_n(value.Value.begin(), value.Size, converted->Value.begin());
  try {
    if (!Convert(from, static_cast<int>(value.Size), value.Scale, std::span<uint8_t>(converted->Value),
                 static_cast<int>(column.Size), column.Scale, to))
      return;
  } catch (const ESkladEngineError&) {
    return;  // beyond the column's type: no value of the column equals it
  }
  converted->ValueType = column.ValueType;
  converted->Size = column.Size;
  converted->Scale = column.Scale;
  if (CompareValues(*converted, value, context) != 0) return;
  value.ValueType = converted->ValueType;
  value.Size = converted->Size;
  value.Scale = converted->Scale;
  std::swap(value.Value, converted->Value);
}

}  // namespace sklad
