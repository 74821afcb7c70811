#include "RecordStack.h"

#include "DataFile.h"

namespace sklad {

TRecordStack::TRecordStack() { FRecords.SetCapacity(kInitialCapacity); }

std::unique_ptr<TRecord> TRecordStack::Take(TDataFile& file) {
  if (FRecords.Count() == 0) return std::make_unique<TRecord>(file);
  std::unique_ptr<TRecord> record = std::move(FRecords.Last());
  FRecords.Delete(FRecords.Count() - 1);
  record->FFile = &file;
  record->Resize(file.RecordSize());
  record->FNumber = 0;
  record->FModified = false;
  record->FPinCount = 0;
  record->FOlder = record->FNewer = nullptr;
  record->FEvicted = false;
  return record;
}

void TRecordStack::Give(std::unique_ptr<TRecord> record) { FRecords.Add(std::move(record)); }

}  // namespace sklad
