#include "SkladDataSet.h"

#include <algorithm>

#include "DataSource.h"
#include "DatabaseError.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageMaps.h"
#include "engine/storage/table/TableNames.h"

namespace sklad {

TSkladDataSet::~TSkladDataSet() {
  const TSystemList<TDataSource*> sources = FDataSources;
  for (TDataSource* source : sources) source->DataSetGone();
}

void TSkladDataSet::CheckActive() const {
  if (!Active()) RaiseDatabaseError(dberr::DataSetClosed);
}

void TSkladDataSet::CheckInactive() const {
  if (Active()) RaiseDatabaseError(dberr::DataSetOpen);
}

// ---- Data sources ----

void TSkladDataSet::AddDataSource(TDataSource& source) { FDataSources.Add(&source); }

void TSkladDataSet::RemoveDataSource(TDataSource& source) {
  if (const int index = FDataSources.IndexOf(&source); index >= 0) FDataSources.Delete(index);
}

void TSkladDataSet::SetState(TDataSetState state) {
  if (state == FState) return;
  FState = state;
  const TSystemList<TDataSource*> sources = FDataSources;
  for (TDataSource* source : sources) source->UpdateState();
}

void TSkladDataSet::NotifyDataChange() {
  const TSystemList<TDataSource*> sources = FDataSources;
  for (TDataSource* source : sources) source->DataChanged();
}

// ---- Opening and closing ----

void TSkladDataSet::SetActive(bool active) {
  if (active)
    Open();
  else
    Close();
}

void TSkladDataSet::Open() {
  if (Active()) return;
  if (BeforeOpen) BeforeOpen(*this);
  OpenCursor();
  try {
    FFieldDefs = BuildFieldDefs(*FCursor);
    CreateFields();
    CreateFilters();
    ReadFirst();
    RecordsChanged();
  } catch (...) {
    DropFilters();
    DestroyFields();
    CloseCursor();
    throw;
  }
  SetState(TDataSetState::Browse);
  if (AfterOpen) AfterOpen(*this);
  if (!IsEmpty() && AfterScroll) AfterScroll(*this);
}

void TSkladDataSet::Close() {
  if (!Active()) return;
  // Closing drops the changes of an edited record.
  Cancel();
  if (BeforeClose) BeforeClose(*this);
  RecordsChanged();
  SetState(TDataSetState::Inactive);
  DropFilters();
  DestroyFields();
  CloseCursor();
  if (AfterClose) AfterClose(*this);
}

void TSkladDataSet::OpenCursor() {
  FCursor = CreateCursor();
  if (!FCursor) RaiseDatabaseError(dberr::NoTableHandle);
  FRecord.assign(static_cast<size_t>(FCursor->RecordSize()), 0);
}

void TSkladDataSet::CloseCursor() {
  TDataCursor* cursor = FCursor;
  FCursor = nullptr;
  FRecord.clear();
  FBookmark.clear();
  FRecordNumber = 0;
  FBof = FEof = true;
  if (cursor) DestroyCursor(cursor);
}

void TSkladDataSet::CreateFields() {
  for (const TFieldDef& def : FFieldDefs) FFields.Add(std::make_unique<TField>(*this, def));
}

void TSkladDataSet::DestroyFields() { FFields.Clear(); }

TField* TSkladDataSet::FindField(std::string_view name) const {
  for (const std::unique_ptr<TField>& field : FFields)
    if (SameName(field->FieldName(), name)) return field.get();
  return nullptr;
}

TField& TSkladDataSet::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (!field) RaiseDatabaseError(dberr::FieldNotFound, name);
  return *field;
}

// ---- Reading records ----

void TSkladDataSet::TakeRecord(int status) {
  if (status == cursor_status::Ok) {
    FBof = FEof = false;
    FRecordNumber = FCursor->GetRecordNumber();
    FBookmark.assign(static_cast<size_t>(FCursor->BookmarkSize()), 0);
    FCursor->GetBookmark(FBookmark.data());
    return;
  }
  if (status != cursor_status::BeginningOfFile && status != cursor_status::EndOfFile &&
      status != cursor_status::NoCurrentRecord)
    RaiseEngineError(static_cast<uint16_t>(status), FCursor->TableName());
  // Nothing to stand on: the dataset is empty.
  FBof = FEof = true;
  FRecordNumber = 0;
  FBookmark.clear();
  std::ranges::fill(FRecord, 0);
}

void TSkladDataSet::ReadFirst() {
  FCursor->First();
  TakeRecord(FCursor->ReadNext(FRecord.data()));
  FBof = true;
}

void TSkladDataSet::ReadCurrentRecord() {
  const int status = FCursor->ReadCurrent(FRecord.data());
  if (status == cursor_status::BeginningOfFile) {
    TakeRecord(FCursor->ReadNext(FRecord.data()));
    FBof = true;
  } else if (status == cursor_status::EndOfFile) {
    TakeRecord(FCursor->ReadPrior(FRecord.data()));
    FEof = true;
  } else {
    TakeRecord(status);
  }
}

void TSkladDataSet::MoveToFound(TDataCursor& search) {
  if (const int status = FCursor->SyncToCursor(search); status != cursor_status::Ok)
    RaiseEngineError(static_cast<uint16_t>(status), FCursor->TableName());
  ResyncCurrentRecord();
  if (AfterScroll) AfterScroll(*this);
}

void TSkladDataSet::ResyncCurrentRecord() {
  ReadCurrentRecord();
  NotifyDataChange();
}

// ---- Scrolling ----

template <class TMove>
void TSkladDataSet::Scroll(TMove&& move) {
  CheckBrowseMode();
  if (BeforeScroll) BeforeScroll(*this);
  move();
  NotifyDataChange();
  if (!IsEmpty() && AfterScroll) AfterScroll(*this);
}

void TSkladDataSet::First() { Scroll([this] { ReadFirst(); }); }

void TSkladDataSet::Last() {
  Scroll([this] {
    FCursor->Last();
    TakeRecord(FCursor->ReadPrior(FRecord.data()));
    FEof = true;
  });
}

void TSkladDataSet::MoveBy(int32_t distance) {
  Scroll([this, distance] {
    if (distance == 0) return;
    FCursor->MoveBy(distance);
    ReadCurrentRecord();
  });
}

void TSkladDataSet::SetRecNo(int32_t number) {
  Scroll([this, number] {
    FCursor->GotoRecordNumber(number);
    ReadCurrentRecord();
  });
}

int32_t TSkladDataSet::RecordCount() const {
  CheckActive();
  return FCursor->GetRecordCount();
}

bool TSkladDataSet::GotoBookmark(const TBookmark& bookmark) {
  CheckBrowseMode();
  if (bookmark.size() != static_cast<size_t>(FCursor->BookmarkSize())) return false;
  bool found = false;
  Scroll([&] {
    found = FCursor->GotoBookmark(bookmark.data(), false);
    ReadCurrentRecord();
  });
  return found;
}

int TSkladDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
  CheckActive();
  const size_t size = static_cast<size_t>(FCursor->BookmarkSize());
  if (a.size() == size && b.size() == size) return FCursor->CompareBookmarks(a.data(), b.data());
  return a == b ? 0 : (a < b ? -1 : 1);
}

bool TSkladDataSet::Locate(const std::vector<TLocateKey>& keys, TLocateOptions options) {
  CheckBrowseMode();
  std::vector<const TField*> fields;
  for (const TLocateKey& key : keys) fields.push_back(&FieldByName(key.FieldName));
  if (BeforeScroll) BeforeScroll(*this);

  const TDataFile& data = FCursor->Table()->Data();
  const auto matches = [&](const TDataCursor& cursor, const uint8_t* record) {
    for (size_t i = 0; i < keys.size(); ++i) {
      const std::string& wanted = keys[i].Value;
      const bool partial = options.PartialKey && fields[i]->DataType() == TFieldKind::String;
      const int length = partial ? static_cast<int>(wanted.size()) : 0;
      if (CompareStrings(data.Language(), data.Sort(), options.CaseInsensitive, fields[i]->TextOf(cursor, record),
                         wanted, length) != 0)
        return false;
    }
    return true;
  };
  // The search walks a clone, so the dataset stays where it is when nothing matches.
  const std::unique_ptr<TDataCursor> search = FCursor->Clone();
  std::vector<uint8_t> record(static_cast<size_t>(search->RecordSize()));
  search->First();
  while (search->ReadNext(record.data()) == cursor_status::Ok)
    if (matches(*search, record.data())) {
      MoveToFound(*search);
      return true;
    }
  return false;
}

}  // namespace sklad
