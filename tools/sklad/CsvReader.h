// TCsvReader: the records of a CSV file (RFC 4180: quoted fields with embedded separators, quotes
// and line breaks), read in large pieces and handed out one at a time, each with the number of
// the line it starts on. An empty field is null, a quoted empty field ("") the empty text, as the
// CSV writer writes them.
#pragma once

#include <csv.h>

#include <cstdint>
#include <deque>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace sklad::tool {

struct TCsvRecord {
  int64_t Line = 0;  // 1-based line of the file the record starts on
  std::vector<std::optional<std::string>> Fields;  // none for an unquoted empty field
};

class TCsvReader {
 public:
  // A file that cannot be opened is a TToolFailure naming it.
  explicit TCsvReader(const std::string& path);
  ~TCsvReader();
  TCsvReader(const TCsvReader&) = delete;
  TCsvReader& operator=(const TCsvReader&) = delete;

  // The next record; false after the last one. Malformed quoting is a TToolFailure
  // "line N: ..." naming the line where the parser stopped.
  bool Next(TCsvRecord& record);

  uint64_t BytesRead() const { return FBytesRead; }
  uint64_t FileSize() const { return FFileSize; }

 private:
  static void FieldEnded(void* bytes, size_t length, void* reader);
  static void RecordEnded(int terminator, void* reader);
  // Reads and parses the next piece of the file; false at its end.
  bool ParseMore();
  void ParseSegment(const char* bytes, size_t length);
  [[noreturn]] void FailAt(int64_t line, const std::string& what) const;

  std::ifstream FFile;
  csv_parser FParser{};
  std::vector<char> FPiece;
  uint64_t FFileSize = 0;
  uint64_t FBytesRead = 0;
  bool FFinished = false;
  bool FFirstPiece = true;
  int64_t FLine = 0;
  bool FAtLineStart = true;
  bool FAwaitingRecord = true;
  TCsvRecord FCurrent;
  std::deque<TCsvRecord> FReady;
};

}  // namespace sklad::tool
