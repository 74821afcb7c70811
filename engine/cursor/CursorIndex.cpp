#include "CursorIndex.h"

#include "engine/storage/table/DataTable.h"
#include "engine/storage/index/LocaleKeyCollation.h"

namespace sklad {
namespace {

TKeyLayout LayoutOf(TDataTable& table, const TSystemList<TFieldDefinition>& fields, int slot) {
  if (slot == kRecordStateSlot) return TKeyLayout::ForRecordStates();
  return TKeyLayout::ForIndex(table.Index().Definition(slot), fields, table.Data().Language(), table.Data().Sort());
}

std::unique_ptr<TKeyCollation> CollationOf(TDataTable& table) {
  const uint16_t language = table.Data().Language();
  if (language == 0) return std::make_unique<TBytewiseKeyCollation>();
  return std::make_unique<TLocaleKeyCollation>(language, table.Data().Sort());
}

}  // namespace

TCursorIndex::TCursorIndex(TDataTable& table, const TSystemList<TFieldDefinition>& fields, int slot)
    : FLayout(LayoutOf(table, fields, slot)),
      FCollation(CollationOf(table)),
      FOrder(FLayout, *FCollation),
      FTree(table.Index(), slot, FOrder) {}

}  // namespace sklad
