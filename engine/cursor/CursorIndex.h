// TCursorIndex: one index of an open table as a cursor walks it — the key layout and order of
// the slot and the counted tree over it, built from the table's index and field definitions.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/storage/index/IndexKey.h"
#include "engine/storage/index/IndexKeyOrder.h"
#include "engine/storage/index/IndexTree.h"
#include "engine/storage/index/KeyCollation.h"

namespace sklad {

class TDataTable;

class TCursorIndex {
 public:
  // Slot 0 primary, 1 … n secondary, kRecordStateSlot the record-state index.
  TCursorIndex(TDataTable& table, const TSystemList<TFieldDefinition>& fields, int slot);
  TCursorIndex(const TCursorIndex&) = delete;
  TCursorIndex& operator=(const TCursorIndex&) = delete;

  const TKeyLayout& Layout() const { return FLayout; }
  const TKeyOrder& Order() const { return FOrder; }
  TIndexTree& Tree() { return FTree; }
  int KeyLength() const { return FLayout.KeyLength(); }

 private:
  TKeyLayout FLayout;
  std::unique_ptr<TKeyCollation> FCollation;
  TKeyOrder FOrder;
  TIndexTree FTree;
};

}  // namespace sklad
