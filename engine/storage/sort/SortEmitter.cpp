#include "SortEmitter.h"

#include <algorithm>
#include <cstring>

#include "engine/storage/data/DataFile.h"

namespace sklad {

TSortEmitter::TSortEmitter(TDataFile& file, const TKeyOrder& order, int fieldsLength, TSortMode mode,
                           const TSortHooks& hooks, int32_t bufferRecords)
    : FFile(file),
      FOrder(order),
      FFieldsLength(fieldsLength),
      FMode(mode),
      FHooks(hooks),
      FScratch(std::make_unique<TRecord>(file)),
      FGroup(std::make_unique<TRecord>(file)),
      FPreviousKey(static_cast<size_t>(order.KeyLength())),
      FBufferCapacity(std::max<int32_t>(bufferRecords, 1)) {
  FBuffer.resize(static_cast<size_t>(FBufferCapacity) * static_cast<size_t>(file.RecordSize()));
}

TSortEmitter::~TSortEmitter() = default;

bool TSortEmitter::SameFieldsAsPrevious(const uint8_t* key) const {
  return FHasPrevious && FOrder.Compare(FPreviousKey.data(), key, FFieldsLength) == 0;
}

void TSortEmitter::Emit(const TRecord& record, const uint8_t* key) {
  switch (FMode) {
    case TSortMode::Plain: Write(record); break;
    case TSortMode::Distinct:
      if (!SameFieldsAsPrevious(key)) Write(record);
      break;
    case TSortMode::Group:
      if (SameFieldsAsPrevious(key)) {
        if (FHooks.Accumulate) FHooks.Accumulate(false, record, *FGroup);
      } else {
        if (FHasPrevious) CloseGroup();
        FGroup->CopyFrom(record);
        if (FHooks.Accumulate) FHooks.Accumulate(true, record, *FGroup);
      }
      break;
  }
  std::memcpy(FPreviousKey.data(), key, FPreviousKey.size());
  FHasPrevious = true;
}

int32_t TSortEmitter::Finish() {
  if (FMode == TSortMode::Group && FHasPrevious) CloseGroup();
  FHasPrevious = false;
  WriteBuffer();
  return FWritten;
}

void TSortEmitter::CloseGroup() {
  if (FHooks.Finish) FHooks.Finish(*FGroup);
  if (FHooks.Keep && !FHooks.Keep(*FGroup)) return;
  Write(*FGroup);
}

void TSortEmitter::Write(const TRecord& record) {
  if (FBuffered == FBufferCapacity) WriteBuffer();
  FScratch->CopyFrom(record);
  FScratch->SetNumber(++FWritten);
  FScratch->Store(FBuffer.data() + static_cast<size_t>(FBuffered) * static_cast<size_t>(FFile.RecordSize()));
  ++FBuffered;
}

void TSortEmitter::WriteBuffer() {
  if (FBuffered == 0) return;
  const int32_t first = FWritten - FBuffered + 1;
  FFile.WriteAt(FFile.RecordOffset(first), FBuffer.data(), FBuffered * FFile.RecordSize());
  FFile.Owner().MarkWrittenTo();
  FBuffered = 0;
}

}  // namespace sklad
