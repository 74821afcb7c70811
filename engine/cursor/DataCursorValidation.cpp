#include <algorithm>
#include <string>
#include <vector>

#include "DataCursor.h"
#include "engine/storage/data/BcdValue.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/language/LanguageMaps.h"
#include "engine/storage/language/LanguageSettings.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/data/ValueConversion.h"

namespace sklad {
namespace {

constexpr int kMinimumValueBuffer = 16;

bool Limited(const TFieldDefinition& field) {
  switch (field.Type()) {
    case TFieldType::Boolean:
    case TFieldType::Blob:
    case TFieldType::Bytes:
    case TFieldType::VarBytes: return false;
    default: return true;
  }
}

template <class T>
int CompareNumbers(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

long double BcdNumber(const uint8_t* at) {
  const TBcdValue value = DecodeBcd(LoadLE<int64_t>(at));
  return static_cast<long double>(value.Digits) / static_cast<long double>(kPowersOfTen[value.Scale]);
}

}  // namespace

// ---- Validation against required flags and limits ----

void TDataCursor::ValidateRecord(const uint8_t* buffer) const {
  auto checked = [](const TFieldDefinition& field) {
    return field.Required() || !field.Minimum().empty() || !field.Maximum().empty();
  };
  if (std::ranges::none_of(FFields, checked)) return;
  const uint16_t language = FTable->Data().Language(), sort = FTable->Data().Sort();
  TLocaleScope locale(language, sort);
  const TLocalMoment now = LocalNow();

  // Three-way comparison of two values of the field's type in their stored form.
  auto compare = [&](const TFieldDefinition& field, const uint8_t* a, const uint8_t* b) {
    switch (field.Type()) {
      case TFieldType::String:
        return CompareStrings(language, sort, false, LoadStringValue(a, field.StoredSize()),
                              LoadStringValue(b, field.StoredSize()));
      case TFieldType::SmallInt: return CompareNumbers(LoadLE<int16_t>(a), LoadLE<int16_t>(b));
      case TFieldType::Word: return CompareNumbers(LoadLE<uint16_t>(a), LoadLE<uint16_t>(b));
      case TFieldType::Unsigned: return CompareNumbers(LoadLE<uint32_t>(a), LoadLE<uint32_t>(b));
      case TFieldType::Float:
      case TFieldType::TimeStamp: return CompareNumbers(LoadLE<double>(a), LoadLE<double>(b));
      case TFieldType::Extended: return CompareNumbers(LoadExtended(a), LoadExtended(b));
      case TFieldType::BCD: return CompareNumbers(BcdNumber(a), BcdNumber(b));
      default: return CompareNumbers(LoadLE<int32_t>(a), LoadLE<int32_t>(b));  // date, time, integer
    }
  };

  for (int n = 1; n <= FFields.Count(); ++n) {
    const TFieldDefinition& field = FFields[n - 1];
    if (!checked(field)) continue;
    const size_t bufferSize = static_cast<size_t>(std::max<int>(field.StoredSize(), kMinimumValueBuffer));
    std::vector<uint8_t> value(bufferSize, 0);
    const bool isNull = GetTableField(n, buffer, value.data());
    if (field.Required() && isNull) RaiseEngineError(err::ValueRequired, FTableName, field.Name());
    if (!Limited(field)) continue;
    // A null value compares as its zeroed bytes.
    if (isNull) std::ranges::fill(value, 0);
    struct TLimit {
      std::string Text;
      int FailingSign;
      uint16_t Code;
    };
    for (const TLimit& limit : {TLimit{field.Minimum(), -1, err::BelowMinimum}, TLimit{field.Maximum(), 1, err::AboveMaximum}}) {
      if (limit.Text.empty()) continue;
      std::vector<uint8_t> bound(bufferSize, 0);
      ConvertFieldText(field.Type(), field.StoredSize(), field.Scale(), limit.Text, bound, now);
      if (compare(field, value.data(), bound.data()) == limit.FailingSign)
        RaiseEngineError(limit.Code, FTableName, field.Name());
    }
  }
}

}  // namespace sklad
