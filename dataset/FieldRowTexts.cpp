#include "FieldRowTexts.h"

#include "Field.h"
#include "SkladDataSet.h"
#include "engine/cursor/DataCursor.h"

namespace sklad {

TFieldRowTexts::TFieldRowTexts(const TSkladDataSet& dataSet)
    : FCursor(dataSet.Cursor()->Clone()), FRecord(static_cast<size_t>(FCursor->RecordSize()), 0) {}

TFieldRowTexts::~TFieldRowTexts() = default;

std::vector<std::string> TFieldRowTexts::Read(const TField& field, int first, int count) {
  std::vector<std::string> texts;
  const bool inBlobFile = field.InBlobFile();
  FCursor->GotoRecordNumber(first + 1);
  int status = FCursor->ReadCurrent(FRecord.data());
  while (static_cast<int>(texts.size()) < count && status == cursor_status::Ok) {
    texts.push_back(inBlobFile ? std::string() : field.TextOf(*FCursor, FRecord.data()));
    if (static_cast<int>(texts.size()) < count) status = FCursor->ReadNext(FRecord.data());
  }
  return texts;
}

}  // namespace sklad
