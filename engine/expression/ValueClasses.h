// How the expression language groups value types: numbers, integers, text (strings and memos),
// temporal values; and the node kind words its messages use.
#pragma once

#include <string>

#include "ExpToken.h"

namespace sklad {

inline TFieldType TypeOf(const TExpToken& node) { return static_cast<TFieldType>(node.ValueType); }

inline bool IsNullConstant(const TExpToken& node) {
  return node.Kind == TNodeKind::Constant && node.IsNull && node.ValueType == 0 && !node.IsParameter;
}

// 16-bit, 32-bit and word integers.
inline bool IsInteger(TFieldType type) {
  return type == TFieldType::SmallInt || type == TFieldType::Integer || type == TFieldType::Word;
}

inline bool IsNumeric(TFieldType type) {
  return IsInteger(type) || type == TFieldType::Float || type == TFieldType::BCD;
}

inline bool IsMemo(const TExpToken& node) {
  return TypeOf(node) == TFieldType::Blob && node.SubType == subtype::Memo;
}

// A string, or a memo (the one BLOB kind the language treats as text).
inline bool IsText(const TExpToken& node) { return TypeOf(node) == TFieldType::String || IsMemo(node); }

inline bool IsDateOrTimeStamp(TFieldType type) { return type == TFieldType::Date || type == TFieldType::TimeStamp; }

inline bool IsTemporal(TFieldType type) { return IsDateOrTimeStamp(type) || type == TFieldType::Time; }

// "expression", "column", "constant" or "function", as messages name an operand.
inline std::string KindWord(const TExpToken& node) {
  switch (node.Kind) {
    case TNodeKind::UnaryOperator:
    case TNodeKind::BinaryOperator:
    case TNodeKind::CollatedComparison: return "expression";
    case TNodeKind::Column: return "column";
    case TNodeKind::Constant: return "constant";
    case TNodeKind::Function: return "function";
    default: return "";
  }
}

}  // namespace sklad
