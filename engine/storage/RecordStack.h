// TRecordStack: the pool of unused record objects of a data file's record cache, so that records
// leaving the cache are kept for reuse instead of being freed and allocated again.
#pragma once

#include <memory>

#include "Record.h"
#include "SystemList.h"

namespace sklad {

class TRecordStack {
 public:
  TRecordStack();

  // The last pooled record, cleared and unpinned, or a new one; sized for the file's records.
  std::unique_ptr<TRecord> Take(TDataFile& file);
  void Give(std::unique_ptr<TRecord> record);
  int Count() const { return FRecords.Count(); }

 private:
  static constexpr int kInitialCapacity = 16383;
  TSystemList<std::unique_ptr<TRecord>> FRecords;
};

}  // namespace sklad
