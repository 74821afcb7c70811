#include "TableCheck.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "CursorIndex.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/index/IndexReadRestart.h"
#include "engine/storage/data/RecordCache.h"
#include "engine/storage/data/RecordLayout.h"
#include "engine/storage/table/TableReadScope.h"

namespace sklad {
namespace {

using TEntry = std::pair<std::vector<uint8_t>, uint32_t>;  // key bytes, record number


std::vector<int> IndexSlots(TDataTable& table) {
  std::vector<int> slots;
  if (!table.Index().NoPrimaryKey()) slots.push_back(0);
  for (int slot = 1; slot <= table.Index().SecondaryCount(); ++slot) slots.push_back(slot);
  slots.push_back(kRecordStateSlot);
  return slots;
}

std::string SlotName(TDataTable& table, int slot) {
  if (slot == kRecordStateSlot) return "record-state index";
  if (slot == 0) return "primary index";
  return fmt::format("index '{}'", table.Index().Definition(slot).Name());
}

// Keys the slot's index should hold: one per active record, and for the record-state index one
// per deleted slot as well.
std::vector<TEntry> ExpectedEntries(TDataTable& table, TCursorIndex& index, int slot, int32_t& active) {
  std::vector<TEntry> entries;
  active = 0;
  TRecordCache& records = table.Data().Records();
  for (int32_t number = 1; number <= table.Data().RecordCount(); ++number) {
    TRecord* record = records.GetRecord(number);
    if (record == nullptr) throw EIndexReadRestart{};  // the caches were emptied: start again
    const bool isActive = record->State() == kRecordActive;
    if (isActive) ++active;
    if (isActive || slot == kRecordStateSlot) {
      std::vector<uint8_t> key(static_cast<size_t>(index.KeyLength()));
      index.Layout().BuildKey(record->Bytes(), key.data());
      entries.emplace_back(std::move(key), static_cast<uint32_t>(number));
    }
    records.ReleaseRecord(record);
  }
  return entries;
}

void CheckSlot(TDataTable& table, int slot, std::vector<std::string>& findings) {
  TSystemList<TFieldDefinition> fields;
  for (int i = 0; i < table.Data().FieldCount(); ++i) fields.Add(table.Data().Field(i));
  TCursorIndex index(table, fields, slot);
  const std::string name = SlotName(table, slot);
  int32_t active = 0;
  std::vector<TEntry> expected = ExpectedEntries(table, index, slot, active);

  std::vector<TEntry> stored;
  const uint32_t count = index.Tree().KeyCount();
  for (uint32_t ordinal = 1; ordinal <= count; ++ordinal) {
    std::vector<uint8_t> key(static_cast<size_t>(index.KeyLength()));
    const TKeyLocation location = index.Tree().KeyAt(ordinal, key.data());
    if (location.Ordinal != ordinal) {
      findings.push_back(fmt::format("{}: key {} of {} cannot be reached", name, ordinal, count));
      return;
    }
    if (!stored.empty() && index.Order().Compare(stored.back().first.data(), key.data(), index.KeyLength()) > 0)
      findings.push_back(fmt::format("{}: key {} sorts before the key in front of it", name, ordinal));
    stored.emplace_back(std::move(key), location.RecordNumber);
  }

  std::ranges::sort(expected);
  std::ranges::sort(stored);
  std::vector<TEntry> missing, extra;
  std::ranges::set_difference(expected, stored, std::back_inserter(missing));
  std::ranges::set_difference(stored, expected, std::back_inserter(extra));
  for (const TEntry& entry : missing)
    findings.push_back(fmt::format("{}: no key for record {}", name, entry.second));
  for (const TEntry& entry : extra)
    findings.push_back(fmt::format("{}: a key for record {} that its record does not give", name, entry.second));
  if (slot == kRecordStateSlot && table.Index().RecordCount() != active)
    findings.push_back(fmt::format("index header counts {} records, the data file holds {} active ones",
                                   table.Index().RecordCount(), active));
}

}  // namespace

std::vector<std::string> CheckTable(TDataTable& table) {
  for (;;) {
    try {
      TTableReadScope reading(table);
      std::vector<std::string> findings;
      for (int slot : IndexSlots(table)) CheckSlot(table, slot, findings);
      return findings;
    } catch (const EIndexReadRestart&) {
      // Another user changed the table while it was being walked: check it afresh.
    }
  }
}

}  // namespace sklad
