#include "SkladParams.h"

#include <cstring>

#include "DatabaseError.h"
#include "Field.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/table/TableNames.h"
#include "engine/storage/data/ValueConversion.h"

namespace sklad {

void TSkladParam::Set(TFieldType type, std::vector<uint8_t> value, bool byHand) {
  FType = type;
  FValue = std::move(value);
  FIsNull = false;
  FBound = byHand;
}

void TSkladParam::SetAsString(std::string_view text) { Set(TFieldType::String, {text.begin(), text.end()}); }

void TSkladParam::SetAsInteger(int32_t value) {
  std::vector<uint8_t> bytes(4);
  StoreLE(bytes.data(), value);
  Set(TFieldType::Integer, std::move(bytes));
}

void TSkladParam::SetAsFloat(double value) {
  std::vector<uint8_t> bytes(8);
  std::memcpy(bytes.data(), &value, sizeof value);
  Set(TFieldType::Float, std::move(bytes));
}

void TSkladParam::SetAsBoolean(bool value) {
  std::vector<uint8_t> bytes(2);
  StoreLE(bytes.data(), static_cast<int16_t>(value ? 1 : 0));
  Set(TFieldType::Boolean, std::move(bytes));
}

void TSkladParam::TakeFieldValue(const TField& field) {
  TFieldType type = TFieldType::String;
  switch (field.DataType()) {
    case TFieldKind::SmallInt:
    case TFieldKind::Integer:
    case TFieldKind::AutoInc:
    case TFieldKind::Word:
      type = TFieldType::Integer;
      break;
    case TFieldKind::Float:
    case TFieldKind::Currency:
      type = TFieldType::Float;
      break;
    case TFieldKind::Boolean:
      type = TFieldType::Boolean;
      break;
    default:
      break;
  }
  if (field.IsNull()) {
    FType = type;
    FIsNull = true;
    FValue.clear();
    FBound = false;
    return;
  }
  const std::string text = field.AsString();
  if (type == TFieldType::String) {
    Set(type, {text.begin(), text.end()}, false);
    return;
  }
  // The field's text converted back to the engine's encoding of the type.
  std::vector<uint8_t> value(text.begin(), text.end());
  value.resize(256, 0);
  const int size = type == TFieldType::Integer ? 4 : type == TFieldType::Float ? 8 : 2;
  Convert(TFieldType::String, static_cast<int>(text.size()) + 1, 0, value, size, 0, type);
  value.resize(static_cast<size_t>(size));
  Set(type, std::move(value), false);
}

void TSkladParam::AssignValue(const TSkladParam& source) {
  FType = source.FType;
  FIsNull = source.FIsNull;
  FBound = source.FBound;
  FValue = source.FValue;
}

void TSkladParam::Clear() {
  FIsNull = true;
  FValue.clear();
  FBound = true;
}

std::string TSkladParam::AsString() const {
  if (FIsNull || !FType) return {};
  switch (*FType) {
    case TFieldType::String:
      return {FValue.begin(), FValue.end()};
    case TFieldType::Integer:
      return std::to_string(LoadLE<int32_t>(FValue.data()));
    case TFieldType::Boolean:
      return LoadLE<int16_t>(FValue.data()) ? "True" : "False";
    default: {
      std::vector<uint8_t> text(FValue);
      text.resize(256, 0);
      if (!Convert(*FType, static_cast<int>(FValue.size()), 0, text, 256, 0, TFieldType::String)) return {};
      return reinterpret_cast<const char*>(text.data());
    }
  }
}

TSqlParameter TSkladParam::ForEngine(int number) const {
  if (!FType) RaiseDatabaseError(dberr::NoParameterValue, FName);
  TSqlParameter parameter;
  parameter.Number = number;
  parameter.Name = FName.substr(0, kMaxEngineNameLength);
  parameter.Type = *FType;
  parameter.IsNull = FIsNull;
  parameter.Value = FValue;
  parameter.Size = static_cast<int>(FValue.size());
  return parameter;
}

TSkladParam* TSkladParams::FindParam(std::string_view name) {
  for (TSkladParam& param : FItems)
    if (SameName(param.Name(), name)) return &param;
  return nullptr;
}

const TSkladParam* TSkladParams::FindParam(std::string_view name) const {
  return const_cast<TSkladParams*>(this)->FindParam(name);
}

TSkladParam& TSkladParams::ParamByName(std::string_view name) {
  TSkladParam* param = FindParam(name);
  if (!param) RaiseDatabaseError(dberr::ParameterNotFound, name);
  return *param;
}

TSkladParams TSkladParams::FromNames(const std::vector<std::string>& names, const TSkladParams& previous) {
  TSkladParams params;
  for (const std::string& name : names) {
    if (params.FindParam(name)) continue;
    const TSkladParam* kept = previous.FindParam(name);
    params.FItems.Add(kept ? *kept : TSkladParam(name));
  }
  return params;
}

void TSkladParams::AssignValues(const TSkladParams& source) {
  for (const TSkladParam& from : source.FItems)
    if (TSkladParam* to = FindParam(from.Name())) to->AssignValue(from);
}

}  // namespace sklad
