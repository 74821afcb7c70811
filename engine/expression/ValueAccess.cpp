#include "ValueAccess.h"

#include <cmath>
#include <cstring>

namespace sklad {
namespace {

void MakeValue(TExpToken& node, TFieldType type, uint32_t size) {
  node.Kind = TNodeKind::Constant;
  node.ValueType = static_cast<uint8_t>(type);
  node.Size = size;
  node.IsNull = false;
  node.Reserve(size);
}

}  // namespace

int64_t SaturatingInteger(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9.2e18) return INT64_MAX;
  if (value <= -9.2e18) return INT64_MIN;
  return static_cast<int64_t>(value);
}

int64_t SaturatingMultiply(int64_t a, int64_t b) {
  int64_t product;
  if (!__builtin_mul_overflow(a, b, &product)) return product;
  return (a < 0) == (b < 0) ? INT64_MAX : INT64_MIN;
}

int64_t ReadInteger(const TExpToken& node) {
  switch (TypeOf(node)) {
    case TFieldType::SmallInt: return node.As<int16_t>();
    case TFieldType::Word: return node.As<uint16_t>();
    case TFieldType::Boolean: return node.As<int16_t>() != 0;
    case TFieldType::Unsigned: return node.As<uint32_t>();
    case TFieldType::Float: return SaturatingInteger(node.As<double>());
    case TFieldType::BCD: {
      const TBcdValue value = DecodeBcd(node.As<int64_t>());
      return value.Digits / kPowersOfTen[value.Scale];
    }
    default: return node.As<int32_t>();
  }
}

double ReadFloat(const TExpToken& node) {
  switch (TypeOf(node)) {
    case TFieldType::Float: return node.As<double>();
    case TFieldType::BCD: return static_cast<double>(ReadFixed(node)) / kFixedOne;
    default: return static_cast<double>(ReadInteger(node));
  }
}

int64_t ReadFixed(const TExpToken& node) {
  if (TypeOf(node) == TFieldType::BCD) {
    const TBcdValue value = DecodeBcd(node.As<int64_t>());
    return SaturatingMultiply(value.Digits, kPowersOfTen[kMaxBcdScale - value.Scale]);
  }
  if (TypeOf(node) == TFieldType::Float) return SaturatingInteger(std::round(node.As<double>() * kFixedOne));
  return SaturatingMultiply(ReadInteger(node), kFixedOne);
}

double ReadMoment(const TExpToken& node) {
  switch (TypeOf(node)) {
    case TFieldType::Date: return static_cast<double>(node.As<int32_t>()) * kMillisecondsPerDay;
    case TFieldType::TimeStamp: return node.As<double>();
    default: return node.As<int32_t>();
  }
}

std::string_view ReadText(const TExpToken& node) {
  const char* text = node.Text();
  return std::string_view(text, strnlen(text, node.Value.size()));
}

void SetInteger(TExpToken& node, TFieldType type, int64_t value) {
  switch (type) {
    case TFieldType::SmallInt:
      MakeValue(node, type, 2);
      node.Set<int16_t>(static_cast<int16_t>(static_cast<uint16_t>(value)));
      break;
    case TFieldType::Word:
      MakeValue(node, type, 2);
      node.Set<uint16_t>(static_cast<uint16_t>(value));
      break;
    default:
      MakeValue(node, TFieldType::Integer, 4);
      node.Set<int32_t>(static_cast<int32_t>(static_cast<uint32_t>(value)));
      break;
  }
}

void SetFloat(TExpToken& node, double value) {
  MakeValue(node, TFieldType::Float, 8);
  node.Set<double>(value);
}

void SetBoolean(TExpToken& node, bool value) {
  MakeValue(node, TFieldType::Boolean, 2);
  node.Set<int16_t>(value ? 1 : 0);
}

void SetFixed(TExpToken& node, int64_t fixed, int scale) {
  scale = scale < 0 ? 0 : scale > kMaxBcdScale ? kMaxBcdScale : scale;
  const std::optional<TBcdValue> atScale = Rescale({fixed, kMaxBcdScale}, scale);
  const std::optional<int64_t> stored = atScale ? EncodeBcd(*atScale) : std::nullopt;
  if (!stored) return SetNull(node);
  MakeValue(node, TFieldType::BCD, 8);
  node.Scale = static_cast<uint8_t>(scale);
  node.Set<int64_t>(*stored);
}

void SetDate(TExpToken& node, int64_t day) {
  MakeValue(node, TFieldType::Date, 4);
  node.Set<int32_t>(static_cast<int32_t>(static_cast<uint32_t>(day)));
}

void SetTime(TExpToken& node, int64_t millisecond) {
  MakeValue(node, TFieldType::Time, 4);
  node.Set<int32_t>(static_cast<int32_t>(static_cast<uint32_t>(millisecond)));
}

void SetTimeStamp(TExpToken& node, double millisecond) {
  MakeValue(node, TFieldType::TimeStamp, 8);
  node.Set<double>(millisecond);
}

void SetText(TExpToken& node, std::string_view text) {
  MakeValue(node, TFieldType::String, static_cast<uint32_t>(text.size() + 1));
  std::memcpy(node.Value.data(), text.data(), text.size());
  node.Value[text.size()] = 0;
  node.IsNull = text.empty();
}

void SetNull(TExpToken& node) {
  node.Kind = TNodeKind::Constant;
  node.IsNull = true;
  node.Reserve(1);
  node.Value[0] = 0;
}

}  // namespace sklad
