#include "RecordSort.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

#include "engine/storage/data/DataFile.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/index/IndexDefinition.h"
#include "engine/storage/index/IndexKey.h"
#include "engine/storage/index/IndexKeyOrder.h"
#include "engine/storage/index/KeyCollation.h"
#include "engine/storage/index/LocaleKeyCollation.h"
#include "engine/storage/data/RecordStack.h"
#include "SortBatch.h"
#include "SortRuns.h"

namespace sklad {
namespace {

// A sort field must lie within the table's records.
void CheckSortFields(const TDataFile& file, const TSystemList<TFieldDefinition>& fields) {
  for (const TFieldDefinition& field : fields) {
    const bool knownType = field.TypeCode() >= 1 && field.TypeCode() <= 15;
    const int64_t end = int64_t{field.Offset()} + 1 + StoredSize(field.Type(), field.DeclaredSize());
    if (!knownType || (field.TakesRoom() && end > file.RecordSize()))
      RaiseEngineError(err::RecordBuffersCorrupt, file.FileName());
  }
}

std::unique_ptr<TKeyCollation> CollationOf(const TDataFile& file) {
  if (file.Language() == 0) return std::make_unique<TBytewiseKeyCollation>();
  return std::make_unique<TLocaleKeyCollation>(file.Language(), file.Sort());
}

class TRecordSort {
 public:
  TRecordSort(TDataFile& file, const TSortRequest& request)
      : FFile(file),
        FRequest(request),
        FLayout(TKeyLayout::ForSort(request.Fields, request.CaseInsensitive, file.Language(), file.Sort())),
        FCollation(CollationOf(file)),
        FOrder(FLayout, *FCollation),
        FRecordSize(file.RecordSize()) {
    // A run's records and keys stay within the memory limit, and a run is read and written with
    // one call of at most 2 GB.
    const int64_t perRecord = int64_t{FRecordSize} + FLayout.KeyLength();
    int64_t runRecords = std::min<int64_t>(request.Limits.RunBytes / perRecord, request.Limits.MaxRunRecords);
    runRecords = std::min<int64_t>(runRecords, INT32_MAX / FRecordSize);
    FRunRecords = static_cast<int32_t>(std::max<int64_t>(runRecords, 1));
  }

  int32_t Run() {
    const int32_t written = AllRecordsCached() ? SortInMemory() : SortWithRuns();
    FFile.TakeRewrittenRecords(written);
    return written;
  }

 private:
  // Every record is in the cache and all of them fit the memory limit of one run.
  bool AllRecordsCached() const {
    const int32_t count = FFile.RecordCount();
    return FFile.Records().Count() == count && count <= FRunRecords;
  }

  TSortEmitter MakeEmitter(int32_t bufferRecords) {
    const int fieldsLength = FLayout.KeyLength() - TIndexDefinition::kIdentitySize;
    return TSortEmitter(FFile, FOrder, fieldsLength, FRequest.Mode, FRequest.Hooks, bufferRecords);
  }

  int32_t SortInMemory() {
    const int32_t count = FFile.RecordCount();
    TSortBatch batch(FLayout, FOrder);
    batch.Reserve(count);
    for (int32_t number = 1; number <= count; ++number) {
      TRecord* record = FFile.Records().Cached(number);
      if (!record) RaiseEngineError(err::RecordBuffersCorrupt, FFile.FileName());
      if (record->State() == 0) batch.Add(record);
    }
    batch.Sort();
    // The whole output is written with one write, after every hook has run.
    TSortEmitter emitter = MakeEmitter(std::max(batch.Count(), 1));
    for (int i = 0; i < batch.Count(); ++i) emitter.Emit(batch.Record(i), batch.Key(i));
    return emitter.Finish();
  }

  int32_t SortWithRuns() {
    FFile.Records().WriteModified(false);
    FFile.Records().Empty();
    TSortRuns runs(FRequest.RunDirectory, FFile.InMemory(), FRecordSize);
    MakeRuns(runs);
    return Merge(runs);
  }

  void MakeRuns(TSortRuns& runs) {
    const int32_t total = FFile.RecordCount();
    std::vector<uint8_t> input(static_cast<size_t>(FRunRecords) * FRecordSize);
    std::vector<uint8_t> output(input.size());
    TSortBatch batch(FLayout, FOrder);
    batch.Reserve(FRunRecords);
    for (int32_t first = 1; first <= total; first += FRunRecords) {
      const int32_t count = std::min(FRunRecords, total - first + 1);
      FFile.ReadAt(FFile.RecordOffset(first), input.data(), count * FRecordSize);
      for (int32_t i = 0; i < count; ++i) {
        TRecord* record = FStack.Take(FFile);
        record->SetNumber(first + i);
        record->Load(input.data() + static_cast<size_t>(i) * FRecordSize);
        if (record->State() == 0)
          batch.Add(record);
        else
          FStack.Give(record);
      }
      batch.Sort();
      for (int i = 0; i < batch.Count(); ++i) {
        batch.Record(i).Store(output.data() + static_cast<size_t>(i) * FRecordSize);
        FStack.Give(&batch.Record(i));
      }
      if (batch.Count() > 0) runs.Add(output.data(), batch.Count());
      batch.Clear();
    }
  }

  // Takes the smallest head of all runs until every run is exhausted.
  int32_t Merge(TSortRuns& runs) {
    const int runCount = runs.Count();
    const int64_t bufferRecords = std::max<int64_t>(FRequest.Limits.RunBytes / FRecordSize, runCount);
    runs.StartReading(static_cast<int32_t>(std::min<int64_t>(bufferRecords / std::max(runCount, 1), INT32_MAX)));
    TSortEmitter emitter = MakeEmitter(static_cast<int32_t>(std::min<int64_t>(bufferRecords, INT32_MAX / FRecordSize)));

    const size_t keyLength = static_cast<size_t>(FLayout.KeyLength());
    std::vector<std::unique_ptr<TRecord>> heads;
    std::vector<uint8_t> keys(static_cast<size_t>(runCount) * keyLength);
    auto keyOf = [&](int run) { return keys.data() + static_cast<size_t>(run) * keyLength; };
    // A min-heap of run numbers by their heads' keys.
    auto later = [&](int a, int b) { return FOrder.Compare(keyOf(a), keyOf(b), FLayout.KeyLength()) > 0; };
    TSystemList<int> heap;
    auto advance = [&](int run) {
      const uint8_t* stored = runs.Next(run);
      if (!stored) return;
      heads[run]->Load(stored);
      FLayout.BuildKey(heads[run]->Bytes(), keyOf(run));
      heap.Add(run);
      std::push_heap(heap.begin(), heap.end(), later);
    };
    for (int run = 0; run < runCount; ++run) {
      heads.push_back(std::make_unique<TRecord>(FFile));
      heads.back()->SetNumber(1);
      advance(run);
    }
    while (heap.Count() > 0) {
      std::pop_heap(heap.begin(), heap.end(), later);
      const int run = heap.Last();
      heap.SetCount(heap.Count() - 1);
      emitter.Emit(*heads[run], keyOf(run));
      advance(run);
    }
    return emitter.Finish();
  }

  TDataFile& FFile;
  const TSortRequest& FRequest;
  TKeyLayout FLayout;
  std::unique_ptr<TKeyCollation> FCollation;
  TKeyOrder FOrder;
  int FRecordSize;
  int32_t FRunRecords = 1;
  TRecordStack FStack;
};

}  // namespace

int32_t SortRecords(TDataFile& file, const TSortRequest& request) {
  CheckSortFields(file, request.Fields);
  return TRecordSort(file, request).Run();
}

}  // namespace sklad
