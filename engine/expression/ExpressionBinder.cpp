#include "ExpressionBinder.h"

#include <algorithm>

#include "ExpTokenStack.h"
#include "ExpressionPreparation.h"
#include "OperatorRuns.h"
#include "OperatorTypes.h"
#include "ValueClasses.h"
#include "engine/storage/language/DateTimeText.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"

namespace sklad {
namespace {

void SetType(TExpToken& node, TFieldType type, uint8_t subType, uint32_t size, uint8_t scale) {
  node.ValueType = static_cast<uint8_t>(type);
  node.SubType = subType;
  node.Size = size;
  node.Scale = scale;
}

}  // namespace

void RestoreStringConstant(TExpToken& node) {
  node.Kind = TNodeKind::Constant;
  node.ResolvedFromString = false;
  node.ValueType = node.SavedType;
  node.SubType = node.SavedSubType;
  node.Size = node.SavedSize;
  node.Scale = node.SavedScale;
  node.FieldNumber = 0;
  node.Source = nullptr;
  node.ColumnName.clear();
  node.CorrelationName.clear();
}

TExpressionBinder::TExpressionBinder(uint16_t errorCode, std::string errorName, std::string clause,
                                     TColumnResolver& resolver)
    : FErrorCode(errorCode), FErrorName(std::move(errorName)), FClause(std::move(clause)), FResolver(resolver) {}

void TExpressionBinder::Raise(const std::string& message) const { RaiseEngineError(FErrorCode, FErrorName, {}, message); }

void TExpressionBinder::RaiseIn(const std::string& message) const { Raise(message + " in " + FClause); }

void TExpressionBinder::Bind(TExpToken*& root, bool booleanContext) { BindNode(root, nullptr, booleanContext); }

TExpTree TExpressionBinder::BindCopy(const TExpToken& tree, bool booleanContext) {
  TExpToken* root = CopyTree(tree).release();
  try {
    Bind(root, booleanContext);
  } catch (...) {
    TExpTree discard(root);
    throw;
  }
  return TExpTree(root);
}

void TExpressionBinder::BindNode(TExpToken*& node, TExpToken* parent, bool booleanContext) {
  node->Parent = parent;
  switch (node->Kind) {
    case TNodeKind::Constant:
      if (TypeOf(*node) == TFieldType::String && !node->IsParameter) BindStringConstant(*node);
      break;
    case TNodeKind::Column:
      BindColumn(node, parent, booleanContext);
      break;
    case TNodeKind::UnaryOperator:
      BindUnary(*node, booleanContext);
      break;
    case TNodeKind::BinaryOperator:
    case TNodeKind::CollatedComparison:
      BindBinary(*node, booleanContext);
      break;
    case TNodeKind::SubSelect:
      BindSubSelect(*node);
      break;
    case TNodeKind::Function:
      if (node->Operator >= TOperator::Sum)
        BindAggregate(*node);
      else
        BindFunction(*node);
      break;
    case TNodeKind::Predicate:
      BindPredicate(*node);
      break;
    case TNodeKind::None:
      break;
  }
}

// A string constant naming a column compares with that column.
void TExpressionBinder::BindStringConstant(TExpToken& node) {
  const std::string text = node.Text();
  if (text.empty() || text == "*") return;
  node.SavedType = node.ValueType;
  node.SavedSubType = node.SubType;
  node.SavedSize = node.Size;
  node.SavedScale = node.Scale;
  node.ColumnName = text;
  node.CorrelationName.clear();
  if (FResolver.Resolve(node)) {
    node.Kind = TNodeKind::Column;
    node.ResolvedFromString = true;
  } else {
    RestoreStringConstant(node);
  }
}

void TExpressionBinder::BindColumn(TExpToken*& node, TExpToken* parent, bool booleanContext) {
  if (node->ColumnName == "*") return;
  if (!FResolver.Resolve(*node))
    RaiseIn("Invalid column name '" + node->ColumnName + "' or table correlation name '" + node->CorrelationName +
            "' specified");
  if (!booleanContext || TypeOf(*node) != TFieldType::Boolean || (parent && !parent->IsLogical())) return;
  // A bare boolean column as a condition means column = TRUE.
  TExpTree equal = TakeNode();
  equal->Kind = TNodeKind::BinaryOperator;
  equal->Operator = TOperator::Equal;
  equal->SourceText = "=";
  SetType(*equal, TFieldType::Boolean, subtype::None, 2, 0);
  TExpTree trueConstant = TakeNode();
  trueConstant->Kind = TNodeKind::Constant;
  trueConstant->SourceText = "TRUE";
  SetType(*trueConstant, TFieldType::Boolean, subtype::None, 2, 0);
  trueConstant->Set<int16_t>(1);
  trueConstant->Parent = equal.get();
  equal->Parent = parent;
  equal->Second = trueConstant.release();
  equal->First = node;
  node->Parent = equal.get();
  node = equal.release();
}

void TExpressionBinder::BindUnary(TExpToken& node, bool booleanContext) {
  const bool negation = node.Operator == TOperator::Not;
  BindNode(node.First, &node, negation && booleanContext);
  const TExpToken& operand = *node.First;
  const TFieldType type = TypeOf(operand);
  bool admitted;
  if (negation) {
    admitted = type == TFieldType::Boolean;
  } else {
    admitted = type == TFieldType::Date || type == TFieldType::SmallInt || type == TFieldType::Integer ||
               type == TFieldType::Float || type == TFieldType::BCD || type == TFieldType::Time ||
               type == TFieldType::TimeStamp || (node.Operator == TOperator::UnaryPlus && type == TFieldType::Word);
  }
  if (!admitted)
    RaiseIn("Type mismatch between '" + node.SourceText + "' operator and '" + operand.SourceText + "'");
  if (negation)
    SetType(node, TFieldType::Boolean, subtype::None, 2, 0);
  else
    SetType(node, type, operand.SubType, operand.Size, operand.Scale);
}

void TExpressionBinder::ConvertTemporalConstant(TExpToken& constant, TFieldType type) {
  const TLanguageSettings& settings = CurrentLanguageSettings();
  const std::string text = constant.Text();
  bool converted = false;
  if (type == TFieldType::Date) {
    if (auto day = TextToDate(text, settings)) constant.Set<int32_t>(*day), converted = true;
  } else if (type == TFieldType::Time) {
    if (auto ms = TextToTime(text, settings)) constant.Set<int32_t>(*ms), converted = true;
  } else if (auto moment = TextToDateTime(text, settings)) {
    constant.Set<double>(static_cast<double>(moment->Day) * kMillisecondsPerDay + moment->Millisecond);
    converted = true;
  }
  if (!converted) RaiseIn("Date, time, or timestamp expression expected, instead found '" + text + "'");
  SetType(constant, type, subtype::None, type == TFieldType::TimeStamp ? 8 : 4, 0);
}

// A string constant beside a date, time or timestamp is read as one.
void TExpressionBinder::ConvertTemporalOperands(TExpToken& left, TExpToken& right) {
  auto isStringConstant = [](const TExpToken& n) {
    return n.Kind == TNodeKind::Constant && !n.IsParameter && !n.IsNull && TypeOf(n) == TFieldType::String;
  };
  if (isStringConstant(right) && IsTemporal(TypeOf(left))) ConvertTemporalConstant(right, TypeOf(left));
  else if (isStringConstant(left) && IsTemporal(TypeOf(right))) ConvertTemporalConstant(left, TypeOf(right));
}

// A run of operators (a long OR or a long sum) is bound in a loop: the operands that end it, then
// each operator of the run once both its sides are bound.
void TExpressionBinder::BindBinary(TExpToken& root, bool booleanContext) {
  const bool logical = root.Operator == TOperator::And || root.Operator == TOperator::Or;
  WalkRun(
      root, [&](TExpToken*& operand, TExpToken& parent) { BindNode(operand, &parent, logical && booleanContext); },
      [&](TExpToken& node) { CheckBinary(node); });
}

void TExpressionBinder::CheckBinary(TExpToken& node) {
  const bool logical = node.Operator == TOperator::And || node.Operator == TOperator::Or;
  node.First->Parent = node.Second->Parent = &node;
  TExpToken& left = *node.First;
  TExpToken& right = *node.Second;
  // Two strings that both name columns: the right one stays a string.
  if (left.ResolvedFromString && right.ResolvedFromString) RestoreStringConstant(right);
  // A parameter takes the type of the value it stands beside.
  for (auto [marker, other] : {std::pair{&left, &right}, std::pair{&right, &left}})
    if (marker->IsParameter && marker->ValueType == 0)
      SetType(*marker, TypeOf(*other), other->SubType, other->Size, other->Scale);
  ConvertTemporalOperands(left, right);

  if (!OperandsCompatible(node.Operator, left, right))
    RaiseIn("Type mismatch between " + KindWord(left) + " '" + left.SourceText + "' and " + KindWord(right) + " '" +
            right.SourceText + "'");

  if (node.IsComparison() || logical) {
    SetType(node, TFieldType::Boolean, subtype::None, 2, 0);
    return;
  }
  const TResultType result = ArithmeticResult(node.Operator, left, right);
  uint32_t size = std::max(left.Size, right.Size);
  uint8_t scale = std::max(left.Scale, right.Scale);
  if (node.Operator == TOperator::Add && IsText(left) && IsText(right)) {
    size = left.Size + right.Size - 1;
    scale = 0;
  } else if (result.type != TFieldType::String && result.type != TFieldType::Blob) {
    size = static_cast<uint32_t>(StoredSize(result.type, 0));
  }
  SetType(node, result.type, result.subType, size, scale);
}

void TExpressionBinder::BindSubSelect(TExpToken& node) {
  const auto* query = dynamic_cast<const TBoundSubQuery*>(node.SubQuery);
  if (query && query->ResultColumnCount() > 1) RaiseIn("More than 1 column for sub-select  specified");
  if (!query || !query->DescribeFirstColumn(node))
    RaiseIn("Invalid column name '" + node.ColumnName + "' or table correlation name '" + node.CorrelationName +
            "' specified");
}

void DescribeColumn(TExpToken& column, const TFieldDefinition& field) {
  column.ValueType = static_cast<uint8_t>(field.Type());
  column.SubType = field.Subtype();
  column.Size = field.StoredSize();
  column.Scale = field.Scale();
}

}  // namespace sklad
