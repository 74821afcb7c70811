// TCsvTableLoader: CSV records inserted into a table through an open cursor. The header record
// names the columns; each value is read in the form `sklad export` writes: texts turned into the
// table's code page, bytes and binary BLOBs from hexadecimal digits, floats and DECIMAL values
// exactly (a DECIMAL text with more decimal places than the column keeps is refused, not
// rounded), other values with the engine's own conversions in the language-neutral forms. A
// given auto-increment value is kept. Every refusal names the line of the record and the column.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/storage/language/LanguageSettings.h"
#include "tools/sklad/CsvReader.h"

namespace sklad {
class ESkladEngineError;
class TDataCursor;
class TFieldDefinition;
}  // namespace sklad

namespace sklad::tool {

class TCsvTableLoader {
 public:
  // The cursor stays open for the loader's lifetime.
  explicit TCsvTableLoader(TDataCursor& cursor);

  // The columns the header names, matched to the table's fields by name (without regard to
  // letter case); an unknown or repeated name is a TToolFailure naming the header's line.
  void TakeHeader(const TCsvRecord& header);
  // One record inserted; a wrong number of fields, a value its field cannot take or a record
  // the table refuses is a TToolFailure "line N: ...".
  void Insert(const TCsvRecord& record);

 private:
  struct TColumn {
    int FieldNumber = 0;
    std::string Name;  // UTF-8, for messages
  };

  void PutValue(const TColumn& column, const std::string& text, uint8_t* record);
  void PutText(const TFieldDefinition& field, const TColumn& column, const std::string& bytes, uint8_t* record);
  void PutBlob(const TFieldDefinition& field, const std::string& bytes, uint8_t* record);
  void PutBytes(const TFieldDefinition& field, const TColumn& column, const std::string& bytes, uint8_t* record);
  void PutFloat(const TFieldDefinition& field, const TColumn& column, const std::string& text, uint8_t* record);
  void PutFixed(const TFieldDefinition& field, const TColumn& column, const std::string& text, uint8_t* record);
  void PutConverted(const TFieldDefinition& field, const TColumn& column, const std::string& bytes, uint8_t* record);
  // Puts the value's bytes into the field.
  void PutStored(const TFieldDefinition& field, const void* bytes, size_t size, uint8_t* record);
  std::string FromHex(const TColumn& column, const std::string& digits) const;
  // Engine messages quote values in the table's code page.
  std::string EngineMessage(const ESkladEngineError& error) const;
  std::string InCodePage(const TColumn& column, const std::string& utf8) const;

  TDataCursor& FCursor;
  int FCodePage;
  // Numbers, dates and times are read in the language-neutral forms (ISO dates, '.' as the
  // decimal point) that export writes, whatever the table's language or the machine's locale.
  TLocaleScope FNeutralFormats;
  std::vector<TColumn> FColumns;
  // The column of the auto-increment field, when the header names it.
  std::optional<size_t> FAutoIncrementColumn;
  std::vector<uint8_t> FRecord;
  std::vector<uint8_t> FValue;
};

}  // namespace sklad::tool
