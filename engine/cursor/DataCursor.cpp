#include "DataCursor.h"

#include <algorithm>
#include <cctype>

#include "DataCursorReading.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

std::string DataFileName(std::string_view name) {
  const auto first = name.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  name = name.substr(first, name.find_last_not_of(' ') - first + 1);
  const auto dot = name.rfind('.');
  const auto slash = name.find_last_of("/\\");
  if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash)) {
    std::string extension(name.substr(dot));
    for (char& c : extension) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (extension == ".DAT") return std::string(name);
    name = name.substr(0, dot);
  }
  return std::string(name) + ".DAT";
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::ranges::equal(a, b, [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
  });
}

}  // namespace
TDataCursor::TDataCursor(TDataDirectory& directory)
    : FDirectory(directory), FColumns(std::make_unique<TCursorColumns>(*this)) {
  TRecordsBitmapStack& pool = TRecordsBitmapStack::Instance();
  FVisibleBitmap = pool.Acquire();
  FRangeBitmap = pool.Acquire();
  FLiveBitmap = pool.Acquire();
}

TDataCursor::~TDataCursor() {
  try {
    Close();
  } catch (...) {
    // A destructor must not throw; the table object reports its own failures on its close.
  }
  TRecordsBitmapStack& pool = TRecordsBitmapStack::Instance();
  pool.Release(FVisibleBitmap);
  pool.Release(FRangeBitmap);
  pool.Release(FLiveBitmap);
}

void TDataCursor::CheckClosed() const {
  if (FActive) RaiseEngineError(err::TableInUse, FTableName);
}

void TDataCursor::SetTableName(std::string_view name) {
  const std::string stored = DataFileName(name);
  if (stored == FTableName) return;
  CheckClosed();
  FTableName = stored;
}

void TDataCursor::SetExclusive(bool value) {
  CheckClosed();
  FExclusive = value;
}

void TDataCursor::SetAllowSharedExclusive(bool value) {
  CheckClosed();
  FAllowSharedExclusive = value;
}

void TDataCursor::SetReadOnly(bool value) {
  CheckClosed();
  FReadOnly = value;
}

void TDataCursor::SetInMemory(bool value) {
  CheckClosed();
  FInMemory = value;
}

void TDataCursor::SetSourceMode(bool value) {
  CheckClosed();
  FSourceMode = value;
}

// ---- Opening and closing ----

void TDataCursor::Open() {
  if (FActive) return;
  TTableOpenOptions options;
  options.Exclusive = FExclusive;
  options.ReadOnly = FReadOnly;
  FTable = FDirectory.OpenTable(FTableName, FInMemory, options, FAllowSharedExclusive);
  FTableReadOnly = FTable->FilesReadOnly();
  if (FTableReadOnly) FReadOnly = true;
  FActive = true;
  try {
    RequestPassword();
    LoadFieldDefinitions();
    FCollationOrder = LanguageCharMaps().CharacterMap(FTable->Data().Language(), FTable->Data().Sort());
    RepairRecreatedIndex();
    SnapshotCounters();
    FCurrentRecord.assign(static_cast<size_t>(FRecordSize), 0);
    FPosition = 1;
    ClearRange();
    FBitmapNavigation = false;
    FVisibleCount = 0;
    FAtEnd = FAtBeginning = false;
    SwitchIndex(FSourceMode ? kNaturalOrder : 0);
    // Counting reads the index: under the read bracket, which starts again after a change.
    Recount();
    First();
  } catch (...) {
    Close();
    throw;
  }
}

void TDataCursor::LoadFieldDefinitions() {
  TDataFile& data = FTable->Data();
  FFields.Clear();
  for (int i = 0; i < data.FieldCount(); ++i) FFields.Add(data.Field(i));
  FRecordSize = FStoredRecordSize = data.RecordSize();
}

void TDataCursor::SnapshotCounters() {
  FDataChangeCount = FTable->Data().Header().ChangeCounter();
  FIndexChangeCount = FTable->Index().Header().ChangeCounter();
  FBlobChangeCount = FTable->HasBlobFile() ? FTable->Blob().Header().ChangeCounter() : 0;
}

void TDataCursor::Close() {
  if (!FActive) return;
  FBlobBuffers.Clear();
  FFilters.Clear();
  FBitmapNavigation = false;
  FVisibleBitmap->SetSize(0);
  FRangeBitmap->SetSize(0);
  FLiveBitmap->SetSize(0);
  FIndex.reset();
  FCurrentRecord.clear();
  FCurrentKey.clear();
  FCurrentEntry = {};
  FPosition = FRecordNumber = FChangedRecord = 0;
  FRangeStart = FRangeEnd = FVisibleCount = 0;
  FRangeActive = false;
  FRangeLowKey.clear();
  FRangeHighKey.clear();
  FAtEnd = FAtBeginning = false;
  FFields.Clear();
  DropOwnFields();
  FRecordSize = FStoredRecordSize = 0;
  FIndexNumber = kNaturalOrder;
  FIndexName.clear();
  FReadDepth = 0;
  TDataTable* table = FTable;
  FTable = nullptr;
  FPasswordCallback = nullptr;
  FActive = false;
  FDirectory.CloseTable(table);
}

// ---- Index selection ----

bool TDataCursor::NaturalOrder() const {
  return FIndexNumber == kNaturalOrder || (FIndexNumber == 0 && FTable->Index().NoPrimaryKey());
}

void TDataCursor::SwitchIndex(int number) {
  FIndexNumber = number;
  FIndex.reset();
  FIndexName.clear();
  if (number != kNaturalOrder) {
    FIndexName = FTable->Index().Definition(number).Name();
    if (!NaturalOrder()) FIndex = std::make_unique<TCursorIndex>(*FTable, FFields, number);
  }
  FCurrentKey.assign(FIndex ? static_cast<size_t>(FIndex->KeyLength()) : 0, 0);
  FCurrentEntry = {};
  UpdateBitmapNavigation();
}

void TDataCursor::SelectIndex(int number) {
  if (number == FIndexNumber) return;
  const bool known = number == kNaturalOrder || (number >= 0 && number <= FTable->Index().SecondaryCount());
  if (!known) RaiseEngineError(err::InvalidIndexName, FTableName, {}, std::to_string(number));
  Reading([&] {
    ClearRange();
    SwitchIndex(number);
    RecountBody();
    ResyncToCurrentRecord();
    return 0;
  });
}

void TDataCursor::SelectIndexByName(std::string_view name) {
  if (SameIgnoringCase(name, FIndexName)) return;
  for (int slot = 0; slot <= FTable->Index().SecondaryCount(); ++slot) {
    if (SameIgnoringCase(name, FTable->Index().Definition(slot).Name())) {
      SelectIndex(slot);
      return;
    }
  }
  RaiseEngineError(err::InvalidIndexName, FTableName, {}, name);
}

// ---- Synchronisation ----

void TDataCursor::BeginRead() {
  if (++FReadDepth > 1) return;
  try {
    if (FTable->StrictChangeDetection()) {
      const bool changed = FTable->BeginRead();
      if (TableChanged() || changed) Resynchronise();
    } else if (!FExclusive && !FTableReadOnly && TableChanged()) {
      Resynchronise();
    }
  } catch (...) {
    EndRead();
    throw;
  }
}

void TDataCursor::EndRead() {
  if (FReadDepth == 0 || --FReadDepth > 0) return;
  if (FTable != nullptr && FTable->HoldsReadLock()) FTable->EndRead();
}

bool TDataCursor::TableChanged() {
  if ((FExclusive && !FAllowSharedExclusive) || FTableReadOnly) return false;
  const int32_t data = FDataChangeCount, index = FIndexChangeCount, blob = FBlobChangeCount;
  SnapshotCounters();
  return data != FDataChangeCount || index != FIndexChangeCount || blob != FBlobChangeCount;
}

void TDataCursor::Resynchronise() {
  const bool noRecord = FAtBeginning && FAtEnd;
  const bool atBeginning = FAtBeginning, atEnd = FAtEnd;
  std::vector<uint8_t> bookmark(static_cast<size_t>(BookmarkSize()));
  GetBookmark(bookmark.data());
  RecountBody();
  if (noRecord) {
    // Nothing was visible: stand before whatever is visible now.
    GotoFirstVisible();
    if (FRecordNumber != 0) FAtBeginning = true;
    return;
  }
  GotoBookmarkBody(bookmark.data(), true);
  // A cursor on a crack stays on it: the next read must not skip the record next to it.
  if (FRecordNumber != 0) KeepEndState(atBeginning, atEnd);
}

void TDataCursor::Refresh() {
  ++FReadDepth;
  struct TEnd {
    TDataCursor* Cursor;
    ~TEnd() { Cursor->EndRead(); }
  } end{this};
  FTable->BeginRead();
  TableChanged();
  Resynchronise();
  LoadCurrentRecord(1);
}
// ---- Whole cursors ----

std::unique_ptr<TDataCursor> TDataCursor::Clone() {
  return Reading([&] {
    auto clone = std::make_unique<TDataCursor>(FDirectory);
    clone->SetTableName(FTableName);
    clone->SetExclusive(FExclusive);
    clone->SetAllowSharedExclusive(FExclusive);
    clone->SetReadOnly(FReadOnly);
    clone->SetInMemory(FInMemory);
    {
      // The clone opens with this cursor's right to the table.
      TDataSession& session = FDirectory.Session();
      const std::string password = FTable->PasswordAvailable() ? std::string() : FTable->Data().Password();
      if (!password.empty()) session.AddPassword(password);
      struct TForget {
        TDataSession& Session;
        const std::string& Password;
        ~TForget() {
          if (!Password.empty()) Session.RemovePassword(Password);
        }
      } forget{session, password};
      clone->Open();
    }
    if (NaturalOrder()) {
      clone->SelectIndex(kNaturalOrder);
    } else {
      clone->SelectIndexByName(FIndexName);
    }
    if (RangeApplies()) clone->SetRange(true, FRangeLowKey.data(), 0, FRangeHighKey.data(), 0);
    CopyFiltersTo(*clone);
    if (FOwnFieldDefinitions) clone->SetOwnFieldDefinitions(OwnFieldList());
    clone->SyncToCursor(*this);
    return clone;
  });
}

int TDataCursor::SyncToCursor(TDataCursor& other) {
  return Reading([&] {
    int status = cursor_status::Ok;
    if (NaturalOrder()) {
      GotoNaturalRecord(other.FRecordNumber);
      if (FRecordNumber != other.FRecordNumber || FRecordNumber == 0) status = cursor_status::RecordNotFound;
    } else {
      std::vector<uint8_t> key(FCurrentKey.size());
      BuildKey(other.FCurrentRecord.data(), key.data());
      if (!SeekKey(key.data(), false, false)) status = cursor_status::RecordNotFound;
    }
    if (status == cursor_status::Ok) FAtBeginning = FAtEnd = false;
    LoadCurrentRecord(1);
    return status;
  });
}

}  // namespace sklad