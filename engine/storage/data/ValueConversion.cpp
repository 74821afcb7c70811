#include "ValueConversion.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "BcdValue.h"
#include "engine/storage/language/DateTimeText.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"
#include "engine/storage/language/NumberText.h"

namespace sklad {
namespace {

static_assert(std::numeric_limits<long double>::digits == 64, "extended floats are x87 80-bit values");
constexpr int kExtendedSize = StoredSize(TFieldType::Extended, 0);

[[noreturn]] void RaiseInvalid(std::string_view text, std::string_view what) {
  RaiseEngineError(err::InvalidConversion, {}, {}, "'" + std::string(text) + "' is not a valid " + std::string(what));
}

template <typename T>
T Load(std::span<const uint8_t> value) {
  T result;
  std::memcpy(&result, value.data(), sizeof(T));
  return result;
}

template <typename T>
void Store(std::span<uint8_t> value, T result) {
  std::memcpy(value.data(), &result, sizeof(T));
}

bool IsIntegerType(TFieldType t) {
  return t == TFieldType::SmallInt || t == TFieldType::Integer || t == TFieldType::Word ||
         t == TFieldType::Unsigned;
}
bool IsFloatType(TFieldType t) { return t == TFieldType::Float || t == TFieldType::Extended; }
bool IsRawType(TFieldType t) { return t == TFieldType::Bytes || t == TFieldType::VarBytes; }
bool IsNumericType(TFieldType t) {
  return IsIntegerType(t) || IsFloatType(t) || t == TFieldType::BCD || t == TFieldType::Boolean;
}

// The size of a value's encoding: the given one for strings and raw bytes, the type's own otherwise.
int ValueSize(TFieldType t, int size) {
  if (t == TFieldType::String || IsRawType(t)) return size;
  return StoredSize(t, 0);
}

struct TIntegerRange {
  int64_t Minimum, Maximum;
};

TIntegerRange RangeOf(TFieldType t) {
  switch (t) {
    case TFieldType::SmallInt: return {INT16_MIN, INT16_MAX};
    case TFieldType::Word: return {0, UINT16_MAX};
    case TFieldType::Unsigned: return {0, UINT32_MAX};
    default: return {INT32_MIN, INT32_MAX};
  }
}

// The source value, read once in the form the conversions work from.
struct TSourceValue {
  std::string_view Text;      // strings and raw bytes
  int64_t Integer = 0;        // integers and booleans
  long double Real = 0;       // floats and timestamps
  TBcdValue Fixed;            // BCD
};

TSourceValue Read(TFieldType type, std::span<const uint8_t> value) {
  TSourceValue v;
  const char* chars = reinterpret_cast<const char*>(value.data());
  switch (type) {
    case TFieldType::String: v.Text = std::string_view(chars, strnlen(chars, value.size())); break;
    case TFieldType::Bytes:
    case TFieldType::VarBytes: v.Text = std::string_view(chars, value.size()); break;
    case TFieldType::Boolean: v.Integer = Load<int16_t>(value) != 0; break;
    case TFieldType::SmallInt: v.Integer = Load<int16_t>(value); break;
    case TFieldType::Date:
    case TFieldType::Integer:
    case TFieldType::Time: v.Integer = Load<int32_t>(value); break;
    case TFieldType::Word: v.Integer = Load<uint16_t>(value); break;
    case TFieldType::Unsigned: v.Integer = Load<uint32_t>(value); break;
    case TFieldType::Float:
    case TFieldType::TimeStamp: v.Real = Load<double>(value); break;
    case TFieldType::Extended: {
      long double real = 0;
      std::memcpy(&real, value.data(), kExtendedSize);
      v.Real = real;
      break;
    }
    case TFieldType::BCD: v.Fixed = DecodeBcd(Load<int64_t>(value)); break;
    case TFieldType::Blob: break;
  }
  return v;
}

// Day and time of day of a timestamp; none for a value no calendar date has.
std::optional<TLocalMoment> SplitTimestamp(long double timestamp) {
  constexpr long double kLastMillisecond = 3652060.0L * kMillisecondsPerDay;  // 10000-01-01
  if (!std::isfinite(timestamp) || timestamp < 0 || timestamp >= kLastMillisecond) return {};
  const long double day = std::floor(timestamp / kMillisecondsPerDay);
  return TLocalMoment{static_cast<int32_t>(day),
                      static_cast<int32_t>(timestamp - day * kMillisecondsPerDay)};
}

std::string SourceText(TFieldType type, const TSourceValue& v, const TLanguageSettings& settings) {
  switch (type) {
    case TFieldType::Date: return DateToText(static_cast<int32_t>(v.Integer), settings);
    case TFieldType::Time: return TimeToText(static_cast<int32_t>(v.Integer), settings);
    case TFieldType::TimeStamp: {
      const std::optional<TLocalMoment> moment = SplitTimestamp(v.Real);
      if (!moment) RaiseInvalid(FloatToText(v.Real, settings), "date and time");
      return DateTimeToText(moment->Day, moment->Millisecond, settings);
    }
    case TFieldType::Boolean: return v.Integer ? "True" : "False";
    case TFieldType::Float:
    case TFieldType::Extended: return FloatToText(v.Real, settings);
    case TFieldType::BCD: return FixedToText(v.Fixed, settings);
    case TFieldType::String:
    case TFieldType::Bytes:
    case TFieldType::VarBytes: return std::string(v.Text);
    default: return std::to_string(v.Integer);
  }
}

// Copies the bytes into the target and zero-fills the rest; a string target keeps room for its
// terminating zero.
void WriteBytes(std::span<uint8_t> target, std::string_view bytes, bool terminate) {
  const size_t room = terminate ? (target.empty() ? 0 : target.size() - 1) : target.size();
  const size_t count = std::min(room, bytes.size());
  std::memmove(target.data(), bytes.data(), count);
  std::fill(target.begin() + static_cast<ptrdiff_t>(count), target.end(), uint8_t{0});
}

// The writers answer false for a value the target type cannot hold.
bool WriteInteger(std::span<uint8_t> target, TFieldType type, int64_t v) {
  const TIntegerRange range = RangeOf(type);
  if (v < range.Minimum || v > range.Maximum) return false;
  switch (type) {
    case TFieldType::SmallInt: Store(target, static_cast<int16_t>(v)); break;
    case TFieldType::Word: Store(target, static_cast<uint16_t>(v)); break;
    case TFieldType::Unsigned: Store(target, static_cast<uint32_t>(v)); break;
    default: Store(target, static_cast<int32_t>(v)); break;
  }
  return true;
}

bool WriteReal(std::span<uint8_t> target, TFieldType type, long double v) {
  if (type == TFieldType::Extended) {
    std::memcpy(target.data(), &v, kExtendedSize);
    return true;
  }
  const double narrowed = static_cast<double>(v);
  if (std::isfinite(v) && !std::isfinite(narrowed)) return false;
  Store(target, narrowed);
  return true;
}

bool WriteFixed(std::span<uint8_t> target, std::optional<TBcdValue> v, int scale) {
  if (v) v = Rescale(*v, std::clamp(scale, 0, kMaxBcdScale));
  const std::optional<int64_t> stored = v ? EncodeBcd(*v) : std::nullopt;
  if (stored) Store(target, *stored);
  return stored.has_value();
}

// Truncated toward zero; none beyond what any integer type could take.
std::optional<int64_t> TruncatedInteger(long double v) {
  if (!std::isfinite(v) || std::fabs(v) >= 9.2e18L) return {};
  return static_cast<int64_t>(v);
}

std::optional<TBcdValue> RoundedFixed(long double v, int scale) {
  scale = std::clamp(scale, 0, kMaxBcdScale);
  const long double digits = std::round(v * kPowersOfTen[scale]);  // halves away from zero
  if (!std::isfinite(digits) || std::fabs(digits) >= 9.2e17L) return {};
  return TBcdValue{static_cast<int64_t>(digits), scale};
}

long double FixedAsReal(TBcdValue v) {
  return static_cast<long double>(v.Digits) / kPowersOfTen[v.Scale];
}

bool EqualsIgnoringCase(std::string_view text, std::string_view upperCaseWord) {
  return std::equal(text.begin(), text.end(), upperCaseWord.begin(), upperCaseWord.end(),
                    [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == b; });
}

bool ConvertToNumber(TFieldType sourceType, const TSourceValue& v, std::span<uint8_t> target,
                     int targetScale, TFieldType targetType, const TLanguageSettings& settings) {
  const bool fromText = sourceType == TFieldType::String;
  const auto refuse = [&](std::string_view what) {
    RaiseInvalid(fromText ? std::string(v.Text) : SourceText(sourceType, v, settings), what);
  };
  if (targetType == TFieldType::Boolean) {
    bool truth;
    if (fromText) {
      truth = EqualsIgnoringCase(v.Text, "TRUE");
      if (!truth && !EqualsIgnoringCase(v.Text, "FALSE")) refuse("boolean value");
    } else {
      truth = IsFloatType(sourceType) ? v.Real != 0
              : sourceType == TFieldType::BCD ? v.Fixed.Digits != 0
                                              : v.Integer != 0;
    }
    Store<int16_t>(target, truth);
    return true;
  }
  if (IsIntegerType(targetType)) {
    std::optional<int64_t> result;
    if (fromText) result = TextToInteger(v.Text, INT64_MIN, INT64_MAX);
    else if (IsFloatType(sourceType)) result = TruncatedInteger(v.Real);
    else if (sourceType == TFieldType::BCD) result = v.Fixed.Digits / kPowersOfTen[v.Fixed.Scale];
    else result = v.Integer;
    if (!result || !WriteInteger(target, targetType, *result)) refuse("integer value");
    return true;
  }
  if (IsFloatType(targetType)) {
    std::optional<long double> result;
    if (fromText) result = TextToFloat(v.Text, settings);
    else if (IsFloatType(sourceType)) result = v.Real;
    else if (sourceType == TFieldType::BCD) result = FixedAsReal(v.Fixed);
    else result = static_cast<long double>(v.Integer);
    if (!result || !WriteReal(target, targetType, *result)) refuse("floating point value");
    return true;
  }
  std::optional<TBcdValue> result;  // BCD
  if (fromText) result = TextToFixed(v.Text, settings);
  else if (IsFloatType(sourceType)) result = RoundedFixed(v.Real, targetScale);
  else if (sourceType == TFieldType::BCD) result = v.Fixed;
  else result = TBcdValue{v.Integer, 0};
  if (!WriteFixed(target, result, targetScale)) refuse("BCD value");
  return true;
}

bool ConvertToDateTime(TFieldType sourceType, const TSourceValue& v, std::span<uint8_t> target,
                       TFieldType targetType, const TLanguageSettings& settings) {
  if (sourceType == TFieldType::String) {
    if (targetType == TFieldType::Date) {
      const std::optional<int32_t> day = TextToDate(v.Text, settings);
      if (!day) RaiseInvalid(v.Text, "date");
      Store(target, *day);
    } else if (targetType == TFieldType::Time) {
      const std::optional<int32_t> ms = TextToTime(v.Text, settings);
      if (!ms) RaiseInvalid(v.Text, "time");
      Store(target, *ms);
    } else {
      const std::optional<TLocalMoment> moment = TextToDateTime(v.Text, settings);
      if (!moment) RaiseInvalid(v.Text, "date and time");
      Store(target, static_cast<double>(moment->Day) * kMillisecondsPerDay + moment->Millisecond);
    }
    return true;
  }
  if (targetType == TFieldType::TimeStamp && sourceType == TFieldType::Date) {
    Store(target, static_cast<double>(v.Integer) * kMillisecondsPerDay);
    return true;
  }
  if (targetType == TFieldType::TimeStamp && sourceType == TFieldType::Time) {
    Store(target, static_cast<double>(kDayNumberOf18991230) * kMillisecondsPerDay + static_cast<double>(v.Integer));
    return true;
  }
  if (sourceType == TFieldType::TimeStamp && targetType != TFieldType::TimeStamp) {
    const std::optional<TLocalMoment> moment = SplitTimestamp(v.Real);
    if (!moment) RaiseInvalid(FloatToText(v.Real, settings), "date and time");
    Store(target, targetType == TFieldType::Date ? moment->Day : moment->Millisecond);
    return true;
  }
  return false;
}

bool ConvertSameType(TFieldType type, std::span<uint8_t> value, int sourceSize, int sourceScale,
                     int targetSize, int targetScale) {
  if (type == TFieldType::String) {
    const size_t length = strnlen(reinterpret_cast<const char*>(value.data()), static_cast<size_t>(sourceSize));
    WriteBytes(value.first(static_cast<size_t>(targetSize)),
               std::string_view(reinterpret_cast<const char*>(value.data()), length), true);
  } else if (IsRawType(type)) {
    if (targetSize > sourceSize)
      std::fill(value.begin() + sourceSize, value.begin() + targetSize, uint8_t{0});
  } else if (type == TFieldType::BCD && sourceScale != targetScale) {
    const TBcdValue v = DecodeBcd(Load<int64_t>(value));
    if (!WriteFixed(value, v, targetScale)) RaiseInvalid(FixedToText(v, CurrentLanguageSettings()), "BCD value");
  }
  return true;
}

}  // namespace

bool Convert(TFieldType sourceType, int sourceSize, int sourceScale, std::span<uint8_t> value,
             int targetSize, int targetScale, TFieldType targetType) {
  sourceSize = ValueSize(sourceType, sourceSize);
  targetSize = ValueSize(targetType, targetSize);
  if (sourceSize < 0 || targetSize < 0 || value.size() < static_cast<size_t>(std::max(sourceSize, targetSize)))
    throw std::invalid_argument("value buffer smaller than the value");
  if (sourceType == targetType)
    return ConvertSameType(sourceType, value, sourceSize, sourceScale, targetSize, targetScale);
  if (sourceType == TFieldType::Blob || targetType == TFieldType::Blob) return false;

  // The source is copied out first: the target is written over the same bytes. Every value but a
  // BLOB fits the stack copy.
  std::array<uint8_t, kMaxDeclaredSize + 1> stackCopy;
  std::vector<uint8_t> heapCopy;
  std::span<uint8_t> sourceBytes(stackCopy.data(), static_cast<size_t>(sourceSize));
  if (static_cast<size_t>(sourceSize) > stackCopy.size()) {
    heapCopy.resize(static_cast<size_t>(sourceSize));
    sourceBytes = heapCopy;
  }
  std::copy_n(value.begin(), sourceSize, sourceBytes.begin());
  const TSourceValue v = Read(sourceType, sourceBytes);
  const std::span<uint8_t> target = value.first(static_cast<size_t>(targetSize));
  const TLanguageSettings& settings = CurrentLanguageSettings();

  if (IsRawType(sourceType)) {  // raw bytes go over as they are
    WriteBytes(target, v.Text, targetType == TFieldType::String);
    return true;
  }
  if (targetType == TFieldType::String) {
    WriteBytes(target, SourceText(sourceType, v, settings), true);
    return true;
  }
  if (IsRawType(targetType)) {
    const std::string_view bytes = sourceType == TFieldType::String
                                       ? v.Text
                                       : std::string_view(reinterpret_cast<const char*>(sourceBytes.data()), sourceBytes.size());
    WriteBytes(target, bytes, false);
    return true;
  }
  if (IsNumericType(targetType) && (IsNumericType(sourceType) || sourceType == TFieldType::String))
    return ConvertToNumber(sourceType, v, target, targetScale, targetType, settings);
  if (targetType == TFieldType::Date || targetType == TFieldType::Time || targetType == TFieldType::TimeStamp)
    return ConvertToDateTime(sourceType, v, target, targetType, settings);
  return false;
}

void ConvertFieldText(TFieldType type, int size, int scale, std::string_view text,
                      std::span<uint8_t> value, TLocalMoment now) {
  size = ValueSize(type, size);
  if (size < 0 || value.size() < static_cast<size_t>(size))
    throw std::invalid_argument("value buffer smaller than the value");
  const double midnight = static_cast<double>(now.Day) * kMillisecondsPerDay;
  const double onZeroDate = static_cast<double>(kDayNumberOf18991230) * kMillisecondsPerDay;
  if (type == TFieldType::Date && EqualsIgnoringCase(text, "DATE")) return Store(value, now.Day);
  if (type == TFieldType::Time && EqualsIgnoringCase(text, "TIME")) return Store(value, now.Millisecond);
  if (type == TFieldType::TimeStamp) {
    if (EqualsIgnoringCase(text, "NOW")) return Store(value, midnight + now.Millisecond);
    if (EqualsIgnoringCase(text, "DATE")) return Store(value, midnight);
    if (EqualsIgnoringCase(text, "TIME")) return Store(value, onZeroDate + now.Millisecond);
  }
  if (type == TFieldType::Blob || IsRawType(type)) {
    std::fill(value.begin(), value.begin() + size, uint8_t{0});
    return;
  }
  std::vector<uint8_t> buffer(std::max(text.size() + 1, static_cast<size_t>(size)), 0);
  std::copy(text.begin(), text.end(), buffer.begin());
  Convert(TFieldType::String, static_cast<int>(text.size() + 1), 0, buffer, size, scale, type);
  std::copy(buffer.begin(), buffer.begin() + size, value.begin());
}

bool IsValidFieldText(TFieldType type, int size, int scale, std::string_view text) {
  if (text.empty()) return true;
  std::vector<uint8_t> value(static_cast<size_t>(std::max(ValueSize(type, size), 0)));
  try {
    ConvertFieldText(type, size, scale, text, value, TLocalMoment{kDayNumberOf18991230, 0});
    return true;
  } catch (const ESkladEngineError&) {
    return false;
  }
}

}  // namespace sklad
