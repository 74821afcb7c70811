// The values of INSERT and UPDATE: each value bound and checked against the type of the column it
// goes to, and an evaluated value stored in a record buffer converted to its column's type.
#pragma once

#include <cstdint>
#include <string>

#include "engine/expression/ExpTokenStack.h"
#include "engine/expression/ExpressionBinder.h"
#include "engine/storage/data/FieldDefinition.h"

namespace sklad {

class TDataCursor;

// A column that an INSERT or UPDATE gives a value.
struct TChangeTarget {
  int FieldNumber = 0;         // in the table
  std::string ColumnName;      // as the statement names it
  TExpToken* Value = nullptr;  // the bound value (the query owns it); null for INSERT ... SELECT rows
};

// A resolver that knows no column: INSERT values name none.
class TNoColumns final : public TColumnResolver {
 public:
  bool Resolve(TExpToken&) override { return false; }
};

// Binds the value in place with the clause "value expression" and checks it against the column
// (CheckAssignable). Raises 11949 with the message of the first fault.
void BindTargetValue(TExpTree& value, TColumnResolver& resolver, const TFieldDefinition& column,
                     const std::string& columnName);

// Whether a value of this type may go to the column, under the rule of `=` with the column on the
// left; a string constant beside a date, time or timestamp column is read as one first. Raises
// 11949 "Type mismatch between column 'c' and <kind> 'v' in update values", or the date message.
void CheckAssignable(const TFieldDefinition& column, const std::string& columnName, TExpToken& value);

// Stores evaluated values into record buffers of one cursor's table.
class TValueWriter {
 public:
  // statementName names the statement in conversion failures ("INSERT", "UPDATE"); with
  // userAutoIncrement the auto-increment column takes the value given, otherwise it is left alone.
  TValueWriter(TDataCursor& cursor, std::string statementName, bool userAutoIncrement);

  // NULL makes the field null (a BLOB empty); a BLOB field receives the value's bytes; any other
  // field the value converted to its type. A BLOB value of another kind than a memo counts Size
  // bytes. Raises 11949 "Type mismatch between column c and constant value v in <statement>
  // statement" when the value does not convert.
  void Put(int fieldNo, uint8_t* record, const TExpToken& value, const std::string& valueText);

 private:
  void PutBlob(int fieldNo, uint8_t* record, const TExpToken& value);
  void PutConverted(int fieldNo, uint8_t* record, const TExpToken& value, const std::string& valueText);

  TDataCursor& FCursor;
  std::string FStatementName;
  bool FUserAutoIncrement;
};

}  // namespace sklad
