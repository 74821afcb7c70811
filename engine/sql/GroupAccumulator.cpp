#include "GroupAccumulator.h"

#include <algorithm>
#include <optional>

#include "engine/storage/data/BcdValue.h"
#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/core/LittleEndian.h"

namespace sklad {
namespace {

// A stored BCD value at the column's scale.
int64_t BcdDigits(const uint8_t* at, int scale) {
  const auto value = Rescale(DecodeBcd(LoadLE<int64_t>(at)), scale);
  return value ? value->Digits : 0;
}

template <typename T>
int Sign(T a, T b) {
  return a < b ? -1 : b < a ? 1 : 0;
}

// Sign of a - b for two stored values of the field's type.
int CompareStored(const TFieldDefinition& field, const uint8_t* a, const uint8_t* b) {
  switch (field.Type()) {
    case TFieldType::SmallInt: return Sign(LoadLE<int16_t>(a), LoadLE<int16_t>(b));
    case TFieldType::Boolean:
    case TFieldType::Word: return Sign(LoadLE<uint16_t>(a), LoadLE<uint16_t>(b));
    case TFieldType::Integer:
    case TFieldType::Date:
    case TFieldType::Time: return Sign(LoadLE<int32_t>(a), LoadLE<int32_t>(b));
    case TFieldType::Unsigned: return Sign(LoadLE<uint32_t>(a), LoadLE<uint32_t>(b));
    case TFieldType::Float:
    case TFieldType::TimeStamp: return Sign(LoadLE<double>(a), LoadLE<double>(b));
    case TFieldType::Extended: return Sign(LoadExtended(a), LoadExtended(b));
    case TFieldType::BCD: return Sign(BcdDigits(a, field.Scale()), BcdDigits(b, field.Scale()));
    default: return 0;
  }
}

// sum += v in the field's type: integers wrap at their width, BCD stays at the column's scale
// (NULL when it no longer fits).
void AddStored(const TFieldDefinition& field, const uint8_t* v, TRecord& group) {
  uint8_t* sum = group.MutableFieldValue(field);
  switch (field.Type()) {
    case TFieldType::SmallInt:
      StoreLE(sum, static_cast<int16_t>(LoadLE<int16_t>(sum) + LoadLE<int16_t>(v)));
      break;
    case TFieldType::Word: StoreLE(sum, static_cast<uint16_t>(LoadLE<uint16_t>(sum) + LoadLE<uint16_t>(v))); break;
    case TFieldType::Integer:
    case TFieldType::Date:
    case TFieldType::Time:
      StoreLE(sum, static_cast<int32_t>(static_cast<uint32_t>(LoadLE<int32_t>(sum)) +
                                        static_cast<uint32_t>(LoadLE<int32_t>(v))));
      break;
    case TFieldType::Unsigned: StoreLE(sum, LoadLE<uint32_t>(sum) + LoadLE<uint32_t>(v)); break;
    case TFieldType::Float:
    case TFieldType::TimeStamp: StoreLE(sum, LoadLE<double>(sum) + LoadLE<double>(v)); break;
    case TFieldType::Extended: StoreExtended(sum, LoadExtended(sum) + LoadExtended(v)); break;
    case TFieldType::BCD: {
      const int scale = field.Scale();
      const int64_t a = BcdDigits(sum, scale), b = BcdDigits(v, scale);
      int64_t digits = 0;
      const auto stored = __builtin_add_overflow(a, b, &digits) ? std::nullopt : EncodeBcd({digits, scale});
      if (stored)
        StoreLE(sum, *stored);
      else
        group.SetNull(field);
      break;
    }
    default: break;
  }
}

}  // namespace

void TGroupAccumulator::Accumulate(const TRecord& row, TRecord& group) const {
  for (const TAggregateField& aggregate : FFields) {
    const TFieldDefinition& field = aggregate.Field;
    const uint8_t* value = row.FieldValue(field);
    if (aggregate.Kind == TAggregateKind::Avg) {
      const uint8_t* counted = row.FieldValue(aggregate.Count);
      if (counted) {
        uint8_t* count = group.MutableFieldValue(aggregate.Count);
        StoreLE(count, LoadLE<int32_t>(count) + LoadLE<int32_t>(counted));
      }
    }
    if (!value) continue;
    const uint8_t* current = group.FieldValue(field);
    if (!current) {
      std::copy_n(value, field.StoredSize(), group.MutableFieldValue(field));
      continue;
    }
    switch (aggregate.Kind) {
      case TAggregateKind::Min:
      case TAggregateKind::Max: {
        const int order = CompareStored(field, value, current);
        if (aggregate.Kind == TAggregateKind::Min ? order < 0 : order > 0)
          std::copy_n(value, field.StoredSize(), group.MutableFieldValue(field));
        break;
      }
      case TAggregateKind::Sum:
      case TAggregateKind::Avg:
      case TAggregateKind::Count: AddStored(field, value, group); break;
      default: break;
    }
  }
}

void TGroupAccumulator::Finish(TRecord& group) const {
  for (const TAggregateField& aggregate : FFields) {
    if (aggregate.Kind == TAggregateKind::Count && group.IsNull(aggregate.Field)) {
      StoreLE(group.MutableFieldValue(aggregate.Field), int32_t{0});
    } else if (aggregate.Kind == TAggregateKind::Avg) {
      const uint8_t* sum = group.FieldValue(aggregate.Field);
      const uint8_t* count = group.FieldValue(aggregate.Count);
      const int32_t n = count ? LoadLE<int32_t>(count) : 0;
      const double average = sum && n > 0 ? LoadLE<double>(sum) / n : 0.0;
      StoreLE(group.MutableFieldValue(aggregate.Field), average);
    }
  }
}

}  // namespace sklad
