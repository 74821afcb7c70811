// TFieldRowTexts: the stored text of one field in a run of rows picked by row number, read through
// a clone of the dataset's cursor, so that the dataset's own position and record stay as they are.
// Views that show many rows at once (the grid) read their window of rows through it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sklad {

class TDataCursor;
class TField;
class TSkladDataSet;

class TFieldRowTexts {
 public:
  // Clones the cursor of the open dataset; the clone sees the same rows, filters and order.
  explicit TFieldRowTexts(const TSkladDataSet& dataSet);
  ~TFieldRowTexts();

  // The field's stored text in rows first .. first + count - 1 (0-based), fewer when the rows end
  // first. Values in the BLOB file read as empty texts.
  std::vector<std::string> Read(const TField& field, int first, int count);

 private:
  std::unique_ptr<TDataCursor> FCursor;
  std::vector<uint8_t> FRecord;
};

}  // namespace sklad
