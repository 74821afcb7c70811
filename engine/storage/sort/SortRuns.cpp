#include "SortRuns.h"

#include <algorithm>

#include "engine/storage/core/EngineError.h"
#include "engine/storage/file/TemporaryFileName.h"

namespace sklad {

TSortRuns::TSortRuns(std::string directory, bool inMemory, int recordSize)
    : FDirectory(std::move(directory)), FInMemory(inMemory), FRecordSize(recordSize) {}

TSortRuns::~TSortRuns() {
  for (const std::unique_ptr<TRun>& run : FRuns) {
    try {
      run->File->Close();
      run->File->Delete();
    } catch (const ESkladEngineError&) {
      // A run file that cannot be removed now is left behind; the sort's own error, if any, is
      // the one that matters.
    }
  }
}

std::unique_ptr<TFileHandler> TSortRuns::CreateRunFile() {
  const std::string prefix = FDirectory + ThreadNamePrefix();
  for (;; ++FNextNumber) {
    const std::string name = prefix + std::to_string(FNextNumber) + ".TMP";
    if (!CreateFileExclusively(name, FInMemory)) continue;
    ++FNextNumber;
    auto file = std::make_unique<TFileHandler>(name, FInMemory);
    file->Exclusive = true;
    try {
      file->Open();
    } catch (const ESkladEngineError&) {
      file->Delete();
      throw;
    }
    return file;
  }
}

void TSortRuns::Add(const uint8_t* records, int32_t count) {
  auto run = std::make_unique<TRun>();
  run->File = CreateRunFile();
  run->Count = count;
  TRun& added = *run;
  FRuns.Add(std::move(run));  // from here on the destructor removes the file
  added.File->WriteAt(0, records, count * FRecordSize);
}

void TSortRuns::StartReading(int32_t readAheadRecords) {
  FReadAhead = std::max<int32_t>(readAheadRecords, 1);
  for (const std::unique_ptr<TRun>& run : FRuns) {
    run->Taken = run->Buffered = run->BufferTaken = 0;
    run->Buffer.resize(static_cast<size_t>(std::min(FReadAhead, run->Count)) * static_cast<size_t>(FRecordSize));
  }
}

const uint8_t* TSortRuns::Next(int index) {
  TRun& run = *FRuns[index];
  if (run.Taken == run.Count) return nullptr;
  if (run.BufferTaken == run.Buffered) {
    run.Buffered = std::min(FReadAhead, run.Count - run.Taken);
    run.File->ReadAt(int64_t{run.Taken} * FRecordSize, run.Buffer.data(), run.Buffered * FRecordSize);
    run.BufferTaken = 0;
  }
  ++run.Taken;
  return run.Buffer.data() + static_cast<size_t>(run.BufferTaken++) * static_cast<size_t>(FRecordSize);
}

}  // namespace sklad
