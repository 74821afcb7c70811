// TSkladParam / TSkladParams: a query's named parameters — each a name, an engine type once a
// value is given, the value or null, and whether the value was set by hand.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/sql/SqlStatement.h"
#include "engine/storage/core/FieldTypes.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

class TField;

class TSkladParam {
 public:
  // The engine keeps at most this many characters of a name.
  static constexpr size_t kMaxEngineNameLength = 30;

  explicit TSkladParam(std::string name = {}) : FName(std::move(name)) {}

  const std::string& Name() const { return FName; }
  // None until a value is given.
  std::optional<TFieldType> DataType() const { return FType; }
  bool IsNull() const { return FIsNull; }
  // The value was given by hand, not copied from a master dataset.
  bool Bound() const { return FBound; }

  void SetAsString(std::string_view text);
  void SetAsInteger(int32_t value);
  void SetAsFloat(double value);
  void SetAsBoolean(bool value);
  // Null of the type it has.
  void Clear();
  // The value of a master dataset's field, not counted as set by hand: strings, whole numbers,
  // floating numbers and flags as themselves, other kinds as their text.
  void TakeFieldValue(const TField& field);
  // The type, value and set-by-hand flag of another parameter; the name stays.
  void AssignValue(const TSkladParam& source);
  // The value as text; null reads as an empty text.
  std::string AsString() const;

  // The value for the engine's marker of that number; "No value for parameter '%s'" while the
  // parameter has no type.
  TSqlParameter ForEngine(int number) const;

 private:
  void Set(TFieldType type, std::vector<uint8_t> value, bool byHand = true);

  std::string FName;
  std::optional<TFieldType> FType;
  bool FIsNull = true;
  bool FBound = false;
  std::vector<uint8_t> FValue;
};

class TSkladParams {
 public:
  int Count() const { return FItems.Count(); }
  TSkladParam& operator[](int index) { return FItems[index]; }
  const TSkladParam& operator[](int index) const { return FItems[index]; }
  // Names compare ignoring case. ParamByName raises "Parameter '%s' not found".
  TSkladParam* FindParam(std::string_view name);
  const TSkladParam* FindParam(std::string_view name) const;
  TSkladParam& ParamByName(std::string_view name);

  // One parameter per distinct name, in the order the names first appear; a parameter of the
  // same name in previous keeps its type, value and set-by-hand flag.
  static TSkladParams FromNames(const std::vector<std::string>& names, const TSkladParams& previous);
  // Values of the source's parameters copied into the parameters of the same names.
  void AssignValues(const TSkladParams& source);

 private:
  TSystemList<TSkladParam> FItems;
};

}  // namespace sklad
