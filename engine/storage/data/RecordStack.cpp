#include "RecordStack.h"

#include "DataFile.h"

namespace sklad {

TRecordStack::TRecordStack() { FPooled.SetCapacity(kInitialCapacity); }

TRecord* TRecordStack::Take(TDataFile& file) {
  if (FPooled.Count() == 0) {
    FMade.Add(std::make_unique<TRecord>(file));
    return FMade.Last().get();
  }
  TRecord* record = FPooled.Last();
  FPooled.Delete(FPooled.Count() - 1);
  record->FFile = &file;
  record->Resize(file.RecordSize());
  record->FNumber = 0;
  record->FModified = false;
  record->FPinCount = 0;
  record->FOlder = record->FNewer = nullptr;
  record->FEvicted = false;
  return record;
}

void TRecordStack::Give(TRecord* record) { FPooled.Add(record); }

}  // namespace sklad
