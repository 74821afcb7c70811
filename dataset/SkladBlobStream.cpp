#include "SkladBlobStream.h"

#include "DatabaseError.h"
#include "Field.h"
#include "SkladDataSet.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {

TSkladBlobStream::TSkladBlobStream(TField& field, TBlobStreamMode mode)
    : FField(field), FDataSet(field.DataSet()), FMode(mode) {
  FDataSet.CheckActive();
  if (mode != TBlobStreamMode::Read) {
    if (!FDataSet.CanModify()) RaiseDatabaseError(dberr::FieldReadOnly, field.FieldName());
    if (FDataSet.State() != TDataSetState::Edit) RaiseDatabaseError(dberr::NotEditing);
  }
  // A value an earlier stream changed is still open in the edited record and is used as it is.
  if (!FDataSet.BlobModified(field.FieldNo())) {
    const uint8_t openMode = mode == TBlobStreamMode::Read ? TDataCursor::kBlobRead : TDataCursor::kBlobWrite;
    Check(Cursor().OpenBlob(field.FieldNo(), Record(), 0, openMode));
    FOpened = true;
  }
  if (mode == TBlobStreamMode::Write) {
    Check(Cursor().TruncateBlob(field.FieldNo(), Record(), 0));
    FModified = true;
  }
}

TSkladBlobStream::~TSkladBlobStream() {
  // The dataset may have moved on or closed meanwhile; then there is nothing left to close.
  if (!FDataSet.Cursor()) return;
  if (FModified) {
    FDataSet.BlobChanged(FField.FieldNo());
  } else if (FOpened && !FDataSet.BlobModified(FField.FieldNo())) {
    (void)Cursor().CloseBlob(FField.FieldNo(), Record(), 0);
  }
}

TDataCursor& TSkladBlobStream::Cursor() const { return *FDataSet.Cursor(); }

uint8_t* TSkladBlobStream::Record() const { return FDataSet.FRecord.data(); }

void TSkladBlobStream::Check(int status) const {
  if (status != 0) RaiseEngineError(static_cast<uint16_t>(status), Cursor().TableName(), FField.FieldName());
}

int32_t TSkladBlobStream::Read(void* buffer, int32_t count) {
  int32_t delivered = 0;
  const int status =
      Cursor().ReadBlob(FField.FieldNo(), Record(), delivered, count, static_cast<uint8_t*>(buffer), FPosition);
  if (status == err::InvalidBlobOffset) return delivered;
  if (status != 0 && status != err::EndOfBlob) Check(status);
  FPosition += delivered;
  return delivered;
}

int32_t TSkladBlobStream::Write(const void* buffer, int32_t count) {
  if (FMode == TBlobStreamMode::Read) RaiseDatabaseError(dberr::FieldReadOnly, FField.FieldName());
  Check(Cursor().WriteBlob(FField.FieldNo(), Record(), count, static_cast<const uint8_t*>(buffer), FPosition));
  FPosition += count;
  FModified = true;
  return count;
}

int32_t TSkladBlobStream::Seek(int32_t offset, TSeekOrigin origin) {
  int64_t base = 0;
  if (origin == TSeekOrigin::Current) base = FPosition;
  if (origin == TSeekOrigin::End) base = Size();
  const int64_t position = base + offset;
  if (position < 0 || position > INT32_MAX) Check(err::InvalidBlobOffset);
  FPosition = static_cast<int32_t>(position);
  return FPosition;
}

int32_t TSkladBlobStream::Size() const {
  int32_t length = 0;
  Check(Cursor().GetBlobSize(FField.FieldNo(), Record(), length));
  return length;
}

}  // namespace sklad
