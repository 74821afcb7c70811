// TSortRuns: the sorted run files of an external record sort (".TMP" files in the session's
// temporary directory, of the table's kind: in memory for in-memory tables) and their sequential
// reading during the merge. Every run file is closed and deleted when the runs go, also when an
// error ends the sort.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/storage/file/FileHandler.h"
#include "engine/storage/core/SystemList.h"

namespace sklad {

class TSortRuns {
 public:
  TSortRuns(std::string directory, bool inMemory, int recordSize);
  ~TSortRuns();
  TSortRuns(const TSortRuns&) = delete;
  TSortRuns& operator=(const TSortRuns&) = delete;

  // Writes count stored records as a new run file, with one write.
  void Add(const uint8_t* records, int32_t count);
  int Count() const { return FRuns.Count(); }
  // Prepares the merge: every run reads ahead up to that many records at a time (at least 1).
  void StartReading(int32_t readAheadRecords);
  // The run's next stored record, or nullptr when the run is exhausted. Valid until the run's
  // next call.
  const uint8_t* Next(int run);

 private:
  struct TRun {
    std::unique_ptr<TFileHandler> File;
    int32_t Taken = 0;  // records taken from the run so far
    int32_t Count = 0;  // records in the run
    std::vector<uint8_t> Buffer;
    int32_t Buffered = 0;  // records in the buffer
    int32_t BufferTaken = 0;
  };

  std::unique_ptr<TFileHandler> CreateRunFile();

  std::string FDirectory;
  bool FInMemory;
  int FRecordSize;
  int FNextNumber = 0;
  int32_t FReadAhead = 1;
  TSystemList<std::unique_ptr<TRun>> FRuns;
};

}  // namespace sklad
