// Editing the dataset's current record: the record read again with a lock, its BLOB values
// changed through streams, and the record written back by the cursor.
#include <algorithm>

#include "DatabaseError.h"
#include "SkladDataSet.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {

bool TSkladDataSet::CanModify() const { return FCursor && !FCursor->ReadOnly(); }

void TSkladDataSet::Edit() {
  CheckActive();
  if (FState == TDataSetState::Edit) return;
  if (!CanModify()) RaiseDatabaseError(dberr::DataSetReadOnly);
  if (IsEmpty()) RaiseEngineError(cursor_status::NoCurrentRecord, FCursor->TableName());
  if (BeforeEdit) BeforeEdit(*this);
  if (const int status = FCursor->ReadCurrent(FRecord.data(), true); status != cursor_status::Ok)
    RaiseEngineError(static_cast<uint16_t>(status), FCursor->TableName());
  FModifiedBlobs.clear();
  SetState(TDataSetState::Edit);
  NotifyDataChange();
  if (AfterEdit) AfterEdit(*this);
}

void TSkladDataSet::Post() {
  CheckActive();
  if (FState != TDataSetState::Edit) return;
  if (BeforePost) BeforePost(*this);
  FCursor->ModifyRecord(FRecord.data(), true, true);
  RecordsChanged();
  EndEdit();
  if (AfterPost) AfterPost(*this);
}

void TSkladDataSet::Cancel() {
  if (FState != TDataSetState::Edit) return;
  if (BeforeCancel) BeforeCancel(*this);
  FCursor->UnlockRecord(0);
  EndEdit();
  if (AfterCancel) AfterCancel(*this);
}

void TSkladDataSet::EndEdit() {
  // The values the streams opened leave with the edit; the record as stored replaces the buffer
  // that held their handles.
  FCursor->FreeBlobBuffers(true);
  FModifiedBlobs.clear();
  SetState(TDataSetState::Browse);
  ReadCurrentRecord();
  NotifyDataChange();
}

void TSkladDataSet::CheckBrowseMode() {
  CheckActive();
  if (FState != TDataSetState::Edit) return;
  if (FModifiedBlobs.empty())
    Cancel();
  else
    Post();
}

bool TSkladDataSet::BlobModified(int fieldNo) const {
  return std::ranges::find(FModifiedBlobs, fieldNo) != FModifiedBlobs.end();
}

void TSkladDataSet::BlobChanged(int fieldNo) {
  if (!BlobModified(fieldNo)) FModifiedBlobs.push_back(fieldNo);
  NotifyDataChange();
}

}  // namespace sklad
