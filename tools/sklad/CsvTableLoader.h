// TCsvTableLoader: CSV records inserted into a table through an open cursor. The header record
// names the columns; each value is turned into the table's code page and then into its field's
// type with the engine's own conversions, under the table's language settings. Every refusal
// names the line of the record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/storage/LanguageSettings.h"
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
  void PutConverted(const TFieldDefinition& field, const TColumn& column, const std::string& bytes, uint8_t* record);
  // Engine messages quote values in the table's code page.
  std::string EngineMessage(const ESkladEngineError& error) const;
  std::string InCodePage(const TColumn& column, const std::string& utf8) const;

  TDataCursor& FCursor;
  int FCodePage;
  TLocaleScope FLanguage;
  std::vector<TColumn> FColumns;
  std::vector<uint8_t> FRecord;
  std::vector<uint8_t> FValue;
};

}  // namespace sklad::tool
