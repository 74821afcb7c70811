// TRecordStack: the record objects of a data file's record cache. It owns every record it ever
// made; records leaving the cache come back here and are handed out again instead of being
// freed and allocated anew.
#pragma once

#include <memory>

#include "Record.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

class TRecordStack {
 public:
  TRecordStack();

  // The last pooled record, cleared and unpinned, or a new one; sized for the file's records.
  TRecord* Take(TDataFile& file);
  void Give(TRecord* record);
  int Count() const { return FPooled.Count(); }

 private:
  static constexpr int kInitialCapacity = 16383;
  TSystemList<std::unique_ptr<TRecord>> FMade;
  TSystemList<TRecord*> FPooled;
};

}  // namespace sklad
