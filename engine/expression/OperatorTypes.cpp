#include "OperatorTypes.h"

#include "ValueClasses.h"

namespace sklad {
namespace {

using T = TFieldType;

bool EqualityAdmits(const TExpToken& left, const TExpToken& right) {
  const T l = TypeOf(left), r = TypeOf(right);
  if (IsNullConstant(right)) return l == T::Date || l == T::TimeStamp || IsText(left) || l == T::Blob ||
                                    l == T::Boolean || IsNumeric(l) || l == T::Time;
  if (IsDateOrTimeStamp(l)) return IsDateOrTimeStamp(r);
  if (IsText(left)) return IsText(right);
  if (l == T::Boolean) return r == T::Boolean;
  if (IsNumeric(l)) return IsNumeric(r);
  if (l == T::Time) return r == T::Time;
  return false;
}

// A NULL constant is admitted on the right too: such a comparison is simply never true.
bool OrderAdmits(const TExpToken& left, const TExpToken& right) {
  const T l = TypeOf(left), r = TypeOf(right);
  if (IsNullConstant(right)) return IsDateOrTimeStamp(l) || IsText(left) || IsNumeric(l) || l == T::Time;
  if (IsDateOrTimeStamp(l)) return IsDateOrTimeStamp(r);
  if (IsText(left)) return IsText(right);
  if (IsNumeric(l)) return IsNumeric(r);
  if (l == T::Time) return r == T::Time;
  return false;
}

bool AdditionAdmits(const TExpToken& left, const TExpToken& right) {
  const T l = TypeOf(left), r = TypeOf(right);
  if (IsTemporal(l)) return IsInteger(r);
  if (IsText(left)) return IsText(right);
  if (IsInteger(l)) return r == T::Date || IsNumeric(r) || r == T::Time || r == T::TimeStamp;
  if (l == T::Float || l == T::BCD) return IsNumeric(r);
  return false;
}

bool SubtractionAdmits(const TExpToken& left, const TExpToken& right) {
  const T l = TypeOf(left), r = TypeOf(right);
  if (l == T::Date) return r == T::Date || IsInteger(r);
  if (IsNumeric(l)) return IsNumeric(r);
  if (l == T::Time) return r == T::Time || r == T::SmallInt || r == T::Integer || r == T::Word;
  if (l == T::TimeStamp) return r == T::Date || IsInteger(r) || r == T::Time || r == T::TimeStamp;
  return false;
}

// The result of two numeric operands where integers give `integerResult`.
T NumericResult(T l, T r, T integerResult) {
  if (l == T::Float || r == T::Float) return T::Float;
  if (l == T::BCD || r == T::BCD) return T::BCD;
  return integerResult;
}

}  // namespace

bool OperandsCompatible(TOperator op, const TExpToken& left, const TExpToken& right) {
  if (IsNullConstant(left)) return false;
  switch (op) {
    case TOperator::Equal:
    case TOperator::NotEqual: return EqualityAdmits(left, right);
    case TOperator::Greater:
    case TOperator::Less:
    case TOperator::GreaterOrEqual:
    case TOperator::LessOrEqual: return OrderAdmits(left, right);
    case TOperator::And:
    case TOperator::Or: return TypeOf(left) == T::Boolean && TypeOf(right) == T::Boolean;
    case TOperator::Add: return AdditionAdmits(left, right);
    case TOperator::Subtract: return SubtractionAdmits(left, right);
    case TOperator::Multiply:
    case TOperator::Divide: return IsNumeric(TypeOf(left)) && IsNumeric(TypeOf(right));
    default: return false;
  }
}

TResultType ArithmeticResult(TOperator op, const TExpToken& left, const TExpToken& right) {
  const T l = TypeOf(left), r = TypeOf(right);
  T type = T::Integer;
  switch (op) {
    case TOperator::Add:
      if (IsText(left)) type = IsMemo(left) || IsMemo(right) ? T::Blob : T::String;
      else if (IsTemporal(l)) type = l;
      else if (IsInteger(l) && (r == T::Date || r == T::Time || r == T::TimeStamp)) type = r;
      else type = NumericResult(l, r, T::Integer);
      break;
    case TOperator::Subtract:
      if (l == T::Date) type = r == T::Date ? T::Integer : T::Date;
      else if (l == T::Time) type = r == T::Time ? T::Integer : T::Time;
      else if (l == T::TimeStamp)
        type = r == T::TimeStamp ? T::Float : IsInteger(r) ? T::TimeStamp : T::Integer;
      else type = NumericResult(l, r, l == T::Word ? T::Word : T::Integer);
      break;
    case TOperator::Multiply:
      type = NumericResult(l, r, T::Integer);
      break;
    default:  // division: integers divide as floats
      type = NumericResult(l, r, T::Float);
      break;
  }
  uint8_t subType = subtype::None;
  if (type == T::Blob) subType = subtype::Memo;
  else if (left.SubType == subtype::Money && IsNumeric(r)) subType = subtype::Money;
  else if (op == TOperator::Multiply && left.SubType == subtype::None && right.SubType == subtype::Money)
    subType = subtype::Money;
  return {type, subType};
}

}  // namespace sklad
