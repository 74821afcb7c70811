// TSkladBlobStream: one BLOB field of a dataset's current record as a stream over the cursor's
// BLOB access — read in any state, written while the record is being edited.
#pragma once

#include <cstdint>

#include "engine/storage/file/AbstractFile.h"

namespace sklad {

class TDataCursor;
class TField;
class TSkladDataSet;

enum class TBlobStreamMode { Read, Write, ReadWrite };

class TSkladBlobStream {
 public:
  // A writing stream needs a dataset that can be modified ("Field '%s' cannot be modified") in
  // the edit state ("Dataset not in edit or insert mode"); Write mode starts from an empty value.
  TSkladBlobStream(TField& field, TBlobStreamMode mode);
  // Closes the value unless it was changed: a changed value stays open in the edited record
  // until the record is posted or cancelled, and the dataset is told the field changed.
  ~TSkladBlobStream();
  TSkladBlobStream(const TSkladBlobStream&) = delete;
  TSkladBlobStream& operator=(const TSkladBlobStream&) = delete;

  // Up to count bytes from the position; 0 at the end of the value.
  int32_t Read(void* buffer, int32_t count);
  // count bytes at the position, the value growing as needed; refused on a reading stream.
  int32_t Write(const void* buffer, int32_t count);
  // The new position; a position before the start is refused with the engine's 9998.
  int32_t Seek(int32_t offset, TSeekOrigin origin);
  int32_t Position() const { return FPosition; }
  int32_t Size() const;

 private:
  TDataCursor& Cursor() const;
  uint8_t* Record() const;
  void Check(int status) const;

  TField& FField;
  TSkladDataSet& FDataSet;
  TBlobStreamMode FMode;
  bool FOpened = false;
  bool FModified = false;
  int32_t FPosition = 0;
};

}  // namespace sklad
