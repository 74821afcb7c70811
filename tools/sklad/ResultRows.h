// TResultRows: the rows of an open cursor, from its first visible record to its last, read as
// printable cells; the columns are the fields a dataset would show, or every field of a table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dataset/FieldDefs.h"
#include "tools/sklad/ResultCell.h"

namespace sklad {
class TDataCursor;
}

namespace sklad::tool {

class TResultWriter;

class TResultRows {
 public:
  // Text values are converted from the code page of the cursor's table language.
  explicit TResultRows(TDataCursor& cursor);
  TResultRows(TDataCursor& cursor, std::vector<TFieldDef> columns);

  std::vector<std::string> ColumnNames() const;
  // Positions the cursor before its first record.
  void Restart();
  // The next row into cells (one per column); false after the last row.
  bool Next(std::vector<TResultCell>& cells);

 private:
  TResultCell ReadCell(const TFieldDef& column);

  TDataCursor& FCursor;
  std::vector<TFieldDef> FColumns;
  std::vector<uint8_t> FRecord;
  int FCodePage;
};

// Every field of a table's cursor, extended floats too, which no dataset field shows: what an
// export writes, so that no value is left out.
std::vector<TFieldDef> TableColumns(const TDataCursor& cursor);

// Every row of the cursor, from its first visible record, through the writer.
void WriteRows(TResultRows& rows, TResultWriter& writer);

}  // namespace sklad::tool
