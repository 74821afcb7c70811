// Binding: resolves the columns of a parsed tree through a caller's resolver, checks the types of
// every operator, function and predicate and gives every node its result type, size and scale.
// Raises the engine error of the caller's context (11949 for SQL, 10051 for filters) on the first
// fault. A bound tree can be evaluated any number of times.
#pragma once

#include <cstdint>
#include <string>

#include "ExpToken.h"
#include "ExpTokenStack.h"
#include "engine/storage/data/FieldDefinition.h"

namespace sklad {

// Knows the columns an expression may name: a statement's source tables or a cursor's fields.
class TColumnResolver {
 public:
  virtual ~TColumnResolver() = default;
  // Fills the node's field number, source, canonical correlation name, type, subtype, size and
  // scale when it knows the column named by ColumnName (and CorrelationName); false otherwise.
  virtual bool Resolve(TExpToken& column) = 0;
};

// Gives a column the resolver found the type, subtype, size and scale of its field.
void DescribeColumn(TExpToken& column, const TFieldDefinition& field);

// A sub-select's statement, as binding sees it.
class TBoundSubQuery : public TSubQuery {
 public:
  virtual int ResultColumnCount() const = 0;
  // The first result column's type, subtype, size and scale into the node; false when unknown.
  virtual bool DescribeFirstColumn(TExpToken& node) const = 0;
};

class TExpressionBinder {
 public:
  TExpressionBinder(uint16_t errorCode, std::string errorName, std::string clause, TColumnResolver& resolver);

  // Binds the tree in place. In boolean context (filters, WHERE, HAVING, IF conditions) a bare
  // boolean column becomes `column = TRUE`, which may replace the root.
  void Bind(TExpToken*& root, bool booleanContext);
  // A bound copy of the tree; the parsed tree stays as it was, to be bound again.
  TExpTree BindCopy(const TExpToken& tree, bool booleanContext);

  // Checks the arguments of a data type read by the parser and sets the node's size and scale;
  // `source` is the value a CAST converts (null for column definitions).
  void BindDataType(TExpToken& node, const TExpToken* source);

 private:
  void BindNode(TExpToken*& node, TExpToken* parent, bool booleanContext);
  void BindStringConstant(TExpToken& node);
  void BindColumn(TExpToken*& node, TExpToken* parent, bool booleanContext);
  void BindUnary(TExpToken& node, bool booleanContext);
  void BindBinary(TExpToken& root, bool booleanContext);
  // The checks of one binary operator whose operands are bound; its type, size and scale.
  void CheckBinary(TExpToken& node);
  void BindSubSelect(TExpToken& node);
  void ConvertTemporalConstant(TExpToken& constant, TFieldType type);
  void ConvertTemporalOperands(TExpToken& left, TExpToken& right);

  // Functions, aggregates and predicates (BinderFunctions.cpp).
  void BindFunction(TExpToken& node);
  void BindAggregate(TExpToken& node);
  void BindPredicate(TExpToken& node);
  void BindPredicateValue(TExpToken& subject, TExpToken*& value, const std::string& operatorName);
  void BindCast(TExpToken& node);
  void BindIf(TExpToken& node);

  [[noreturn]] void Raise(const std::string& message) const;
  // message + " in " + clause
  [[noreturn]] void RaiseIn(const std::string& message) const;

  uint16_t FErrorCode;
  std::string FErrorName;
  std::string FClause;
  TColumnResolver& FResolver;
};

// Turns a column that was resolved from a string constant back into that constant.
void RestoreStringConstant(TExpToken& node);

}  // namespace sklad
