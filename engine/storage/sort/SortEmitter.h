// TSortEmitter: the last step of the record sort. It takes the records in sorted order and
// writes the ones that survive — every record, one per distinct key, or one per group folded
// through the query language's aggregate hooks — renumbered 1, 2, ... into the table's record
// area through an output buffer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/storage/index/IndexKeyOrder.h"
#include "engine/storage/data/Record.h"

namespace sklad {

class TDataFile;

enum class TSortMode { Plain, Distinct, Group };

// The query language's grouping hooks; each is used only when set. Accumulate folds a record into
// its group's record (first = the record starts the group); Finish completes a closed group;
// Keep answers whether a finished group stays.
struct TSortHooks {
  std::function<void(bool first, const TRecord& record, TRecord& group)> Accumulate;
  std::function<void(TRecord& group)> Finish;
  std::function<bool(const TRecord& group)> Keep;
};

class TSortEmitter {
 public:
  // The order must compare full sort keys; fieldsLength is the key length without the identity.
  // The output buffer holds bufferRecords records (at least 1).
  TSortEmitter(TDataFile& file, const TKeyOrder& order, int fieldsLength, TSortMode mode, const TSortHooks& hooks,
               int32_t bufferRecords);
  ~TSortEmitter();

  void Emit(const TRecord& record, const uint8_t* key);
  // Closes the last group and writes what is buffered; answers the number of records written.
  int32_t Finish();

 private:
  bool SameFieldsAsPrevious(const uint8_t* key) const;
  void CloseGroup();
  void Write(const TRecord& record);
  void WriteBuffer();

  TDataFile& FFile;
  const TKeyOrder& FOrder;
  int FFieldsLength;
  TSortMode FMode;
  const TSortHooks& FHooks;
  std::unique_ptr<TRecord> FScratch;  // the record being renumbered for the output
  std::unique_ptr<TRecord> FGroup;    // the open group's record, written only when the group closes
  std::vector<uint8_t> FPreviousKey;
  bool FHasPrevious = false;
  std::vector<uint8_t> FBuffer;
  int32_t FBufferCapacity;
  int32_t FBuffered = 0;
  int32_t FWritten = 0;  // records written or buffered
};

}  // namespace sklad
