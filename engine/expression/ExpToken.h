// TExpToken: one node of an expression tree, and also the carrier of one evaluated value.
// Nodes come from the process-wide pool (ExpTokenStack.h); a tree owns its operands.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/storage/core/FieldTypes.h"

namespace sklad {

enum class TNodeKind : uint8_t {
  None = 0,
  UnaryOperator = 1,
  BinaryOperator = 2,
  CollatedComparison = 3,  // = or <> comparing a leading part of strings, or without regard to case
  Column = 4,
  Constant = 5,
  SubSelect = 6,
  Function = 10,
  Predicate = 12,
};

enum class TOperator : uint8_t {
  None = 0,
  // unary operators
  IsNull = 1,
  IsNotNull = 2,
  Not = 9,
  Negate = 15,
  UnaryPlus = 16,
  // binary operators
  Equal = 3,
  NotEqual = 4,
  Greater = 5,
  Less = 6,
  GreaterOrEqual = 7,
  LessOrEqual = 8,
  And = 10,
  Or = 11,
  Add = 12,  // also string concatenation (||)
  Subtract = 13,
  Multiply = 14,
  Divide = 17,
  // predicates
  Like = 31,
  In = 32,
  InSelect = 33,
  Between = 40,
  NotBetween = 41,
  NotLike = 42,
  NotIn = 43,
  NotInSelect = 44,
  // functions
  Lower = 34,
  Upper = 35,
  Substring = 50,
  Replace = 51,
  Pos = 52,
  Occurs = 53,
  TrimLeading = 54,
  TrimTrailing = 55,
  TrimBoth = 56,
  Cast = 57,
  ExtractYear = 58,
  ExtractMonth = 59,
  ExtractDay = 60,
  ExtractDayOfWeek = 61,
  ExtractHour = 62,
  ExtractMinute = 63,
  ExtractSecond = 64,
  If = 65,
  Abs = 66,
  Round = 67,
  // aggregates
  Sum = 70,
  Count = 71,
  Min = 72,
  Max = 73,
  Avg = 74,
};

enum class TJoinKind : uint8_t { None = 0, Inner = 1, LeftOuter = 2, RightOuter = 3 };

// The statement processor of an IN (SELECT ...) operand; owned by its statement.
class TSubQuery {
 public:
  virtual ~TSubQuery() = default;
};

struct TExpToken {
  // A new node's value buffer holds this many bytes; it grows in steps of this size.
  static constexpr uint32_t kValueStep = 255;

  TExpToken() : Value(kValueStep) {}
  // A node around an existing value buffer (the pool's reset keeps buffers).
  explicit TExpToken(std::vector<uint8_t> value) : Value(std::move(value)) {}

  // Makes room for a value of `size` bytes; the buffer never shrinks.
  void Reserve(uint32_t size) {
    if (size > Value.size()) Value.resize((size + kValueStep - 1) / kValueStep * kValueStep);
  }
  uint32_t Capacity() const { return static_cast<uint32_t>(Value.size()); }

  template <typename T>
  T As() const {
    T v;
    std::memcpy(&v, Value.data(), sizeof v);
    return v;
  }
  template <typename T>
  void Set(T v) {
    Reserve(sizeof v);
    std::memcpy(Value.data(), &v, sizeof v);
  }
  // The value as a zero-terminated string.
  const char* Text() const { return reinterpret_cast<const char*>(Value.data()); }
  // Stores a string value of type string: size = length + 1; an empty string is NULL.
  void SetString(const std::string& text);

  // AND, OR and NOT.
  bool IsLogical() const {
    return (Kind == TNodeKind::BinaryOperator && (Operator == TOperator::And || Operator == TOperator::Or)) ||
           (Kind == TNodeKind::UnaryOperator && Operator == TOperator::Not);
  }

  bool IsComparison() const {
    return (Kind == TNodeKind::BinaryOperator || Kind == TNodeKind::CollatedComparison) &&
           Operator >= TOperator::Equal && Operator <= TOperator::LessOrEqual;
  }

  std::string SourceText;  // operator as written, function name, constant text, column name, "NULL", "?"
  TNodeKind Kind = TNodeKind::None;
  TOperator Operator = TOperator::None;
  TJoinKind JoinKind = TJoinKind::None;
  bool FromJoin = false;
  std::string ColumnName;
  int16_t FieldNumber = 0;
  std::string CorrelationName;
  const void* Source = nullptr;  // set by the resolver: what supplies the column
  TSubQuery* SubQuery = nullptr;
  std::vector<uint8_t> Value;  // in the engine's field encoding
  bool IsNull = false;
  bool IsParameter = false;
  int32_t PartialLength = 0;
  bool CaseInsensitive = false;
  uint8_t ValueType = 0;  // a TFieldType code; 0 = not yet known
  uint8_t SubType = 0;
  uint32_t Size = 0;
  uint8_t Scale = 0;
  bool ResolvedFromString = false;
  uint8_t SavedType = 0, SavedSubType = 0;
  uint32_t SavedSize = 0;
  uint8_t SavedScale = 0;
  uint8_t OptimizationLevel = 0;  // written by filter evaluation through indexes
  TExpToken* Parent = nullptr;
  TExpToken* First = nullptr;   // unary operand; left operand; function argument; condition
  TExpToken* Second = nullptr;  // right operand; first list item; first further argument
  TExpToken* Third = nullptr;   // IF's ELSE expression
  // The following item of a list: IN items, BETWEEN's high bound after its low one, SUBSTRING's
  // FOR after FROM, REPLACE's replacement after its search string, a data type's second argument.
  // Kept apart from the operands so that an item that is itself an operator keeps its own.
  TExpToken* Next = nullptr;
};

}  // namespace sklad
