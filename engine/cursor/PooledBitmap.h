// TPooledBitmap: a scratch records bitmap taken from the process-wide pool for one scope and
// given back on every exit, errors included.
#pragma once

#include "RecordsBitmap.h"

namespace sklad {

class TPooledBitmap {
 public:
  TPooledBitmap() : FBitmap(TRecordsBitmapStack::Instance().Acquire()) {}
  // Starts as a copy of another bitmap.
  explicit TPooledBitmap(const TRecordsBitmap& source) : TPooledBitmap() { FBitmap->Assign(source); }
  ~TPooledBitmap() { TRecordsBitmapStack::Instance().Release(FBitmap); }
  TPooledBitmap(const TPooledBitmap&) = delete;
  TPooledBitmap& operator=(const TPooledBitmap&) = delete;

  TRecordsBitmap& operator*() const { return *FBitmap; }
  TRecordsBitmap* operator->() const { return FBitmap; }

 private:
  TRecordsBitmap* FBitmap;
};

}  // namespace sklad
