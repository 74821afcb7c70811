// The dataset's filters: the filter text and the record-filter handler as two filters of the
// engine cursor, which keeps the records that pass as bitmaps.
#include <memory>
#include <utility>
#include <vector>

#include "ErrorReport.h"
#include "SkladDataSet.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {

const uint8_t* TSkladDataSet::ActiveRecord() const {
  if (FState == TDataSetState::Filter) return FFilterRecord;
  if (FState == TDataSetState::Edit) return FRecord.data();
  return IsEmpty() ? nullptr : FRecord.data();
}

void TSkladDataSet::SetFilter(std::string_view text) { ChangeFilter(text, FFilterOptions); }

void TSkladDataSet::SetFilterOptions(TFilterOptions options) { ChangeFilter(FFilterText, options); }

void TSkladDataSet::ChangeFilter(std::string_view text, TFilterOptions options) {
  if (!Active()) {
    FFilterText = text;
    FFilterOptions = options;
    return;
  }
  CheckBrowseMode();
  if (text != FFilterText || options != FFilterOptions) {
    // The new filter is compiled and evaluated before the old one goes, so a text the engine
    // refuses leaves the old filter in force.
    TFilter* added =
        text.empty() ? nullptr : FCursor->AddFilter(text, options.NoPartialCompare, options.CaseInsensitive);
    if (added && FFiltered) {
      try {
        FCursor->ActivateFilter(added);
      } catch (...) {
        FCursor->DropFilter(added);
        FCursor->Recount();
        throw;
      }
    }
    if (FExpressionFilter) FCursor->DropFilter(FExpressionFilter);
    FExpressionFilter = added;
    FFilterText = text;
    FFilterOptions = options;
    ReapplyRecordFilter();
    RecordsChanged();
  }
  if (FFiltered) First();
}

void TSkladDataSet::SetFiltered(bool filtered) {
  if (Active()) CheckBrowseMode();
  if (Active() && filtered != FFiltered) {
    // Before the change: a failed activation leaves the filters off, which changes the records too.
    RecordsChanged();
    if (filtered)
      ActivateFilters();
    else
      DeactivateFilters();
  }
  FFiltered = filtered;
  if (Active()) First();
}

void TSkladDataSet::SetOnFilterRecord(TFilterRecordEvent handler) {
  FOnFilterRecord = std::move(handler);
  if (!Active()) return;
  CheckBrowseMode();
  if (FRecordFilter && !FOnFilterRecord) {
    FCursor->DropFilter(std::exchange(FRecordFilter, nullptr));
  } else if (!FRecordFilter && FOnFilterRecord) {
    FRecordFilter = FCursor->AddFilter(&AcceptRecord, this);
    if (FFiltered) ActivateFilters();
  } else {
    // Another handler may decide otherwise about the records.
    ReapplyRecordFilter();
  }
  RecordsChanged();
  if (FFiltered) First();
}

void TSkladDataSet::CreateFilters() {
  if (!FFilterText.empty())
    FExpressionFilter =
        FCursor->AddFilter(FFilterText, FFilterOptions.NoPartialCompare, FFilterOptions.CaseInsensitive);
  if (FOnFilterRecord) FRecordFilter = FCursor->AddFilter(&AcceptRecord, this);
  if (FFiltered) ActivateFilters();
}

void TSkladDataSet::DropFilters() {
  for (TFilter** filter : {&FExpressionFilter, &FRecordFilter})
    if (TFilter* dropped = std::exchange(*filter, nullptr); dropped && FCursor) FCursor->DropFilter(dropped);
}

void TSkladDataSet::ActivateFilters() {
  try {
    for (TFilter* filter : {FExpressionFilter, FRecordFilter})
      if (filter && !filter->Active()) FCursor->ActivateFilter(filter);
  } catch (...) {
    DeactivateFilters();
    FCursor->Recount();
    throw;
  }
}

void TSkladDataSet::DeactivateFilters() {
  for (TFilter* filter : {FExpressionFilter, FRecordFilter})
    if (filter) FCursor->DeactivateFilter(filter);
}

void TSkladDataSet::ReapplyRecordFilter() {
  if (!FRecordFilter || !FFiltered) return;
  FCursor->DeactivateFilter(FRecordFilter);
  ActivateFilters();
}

bool TSkladDataSet::PassesFilters(const uint8_t* record, int32_t recordNumber) const {
  for (const TFilter* filter : {FExpressionFilter, FRecordFilter})
    if (filter && !filter->Passes(record, recordNumber)) return false;
  return true;
}

bool TSkladDataSet::FindRecord(bool restart, bool forward) {
  CheckBrowseMode();
  if (BeforeScroll) BeforeScroll(*this);
  // A clone walks from the current record (or an end) and tests each record against the
  // dataset's own filters, so the dataset stays where it is when nothing passes.
  const std::unique_ptr<TDataCursor> search = FCursor->Clone();
  std::vector<uint8_t> record(static_cast<size_t>(search->RecordSize()));
  if (restart || IsEmpty()) {
    if (forward)
      search->First();
    else
      search->Last();
  }
  while ((forward ? search->ReadNext(record.data()) : search->ReadPrior(record.data())) == cursor_status::Ok) {
    if (!PassesFilters(record.data(), search->GetRecordNumber())) continue;
    MoveToFound(*search);
    return true;
  }
  return false;
}

bool TSkladDataSet::AcceptRecord(void* dataSet, const uint8_t* record, int32_t) {
  TSkladDataSet& self = *static_cast<TSkladDataSet*>(dataSet);
  bool accept = true;
  if (!self.FOnFilterRecord) return accept;
  // The candidate is the record fields read while the handler runs; bound controls are not told.
  const TDataSetState state = std::exchange(self.FState, TDataSetState::Filter);
  const uint8_t* previous = std::exchange(self.FFilterRecord, record);
  try {
    self.FOnFilterRecord(self, accept);
  } catch (const std::exception& error) {
    // The engine is in the middle of evaluating: the error is shown, and the record keeps the
    // answer the handler had given.
    ReportError(error);
  }
  self.FState = state;
  self.FFilterRecord = previous;
  return accept;
}

}  // namespace sklad
