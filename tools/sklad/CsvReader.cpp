#include "tools/sklad/CsvReader.h"

#include <fmt/format.h>

#include <algorithm>
#include <filesystem>

#include "tools/sklad/Tool.h"

namespace sklad::tool {
namespace {

constexpr size_t kPieceSize = 1 << 20;
constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Blanks belong to the field: RFC 4180 keeps them, and libcsv would trim them otherwise.
int NoSpace(unsigned char) { return 0; }

}  // namespace

TCsvReader::TCsvReader(const std::string& path) : FPiece(kPieceSize) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) throw TToolFailure("sklad: no such CSV file: " + path);
  FFile.open(path, std::ios::binary);
  if (!FFile) throw TToolFailure("sklad: cannot read CSV file: " + path);
  FFileSize = std::filesystem::file_size(path, error);
  if (csv_init(&FParser, CSV_STRICT | CSV_STRICT_FINI | CSV_EMPTY_IS_NULL) != 0) throw std::bad_alloc();
  csv_set_space_func(&FParser, NoSpace);
}

TCsvReader::~TCsvReader() { csv_free(&FParser); }

bool TCsvReader::Next(TCsvRecord& record) {
  while (FReady.empty())
    if (!ParseMore()) return false;
  record = std::move(FReady.front());
  FReady.pop_front();
  return true;
}

bool TCsvReader::ParseMore() {
  if (FFinished) return false;
  FFile.read(FPiece.data(), static_cast<std::streamsize>(FPiece.size()));
  const size_t got = static_cast<size_t>(FFile.gcount());
  FBytesRead += got;
  size_t length = got;
  const char* bytes = FPiece.data();
  if (FFirstPiece && std::string_view(bytes, length).starts_with(kUtf8ByteOrderMark)) {
    bytes += kUtf8ByteOrderMark.size();
    length -= kUtf8ByteOrderMark.size();
  }
  FFirstPiece = false;
  // Parsed line by line, so that every record knows the line it starts on.
  const char* end = bytes + length;
  while (bytes < end) {
    const char* lineEnd = std::find(bytes, end, '\n');
    const char* segmentEnd = lineEnd == end ? end : lineEnd + 1;
    ParseSegment(bytes, static_cast<size_t>(segmentEnd - bytes));
    bytes = segmentEnd;
  }
  if (got < FPiece.size()) {
    FFinished = true;
    if (csv_fini(&FParser, FieldEnded, RecordEnded, this) != 0)
      FailAt(FCurrent.Line, "a quoted field is not closed before the end of the file");
  }
  return true;
}

void TCsvReader::ParseSegment(const char* bytes, size_t length) {
  if (FAtLineStart) ++FLine;
  FAtLineStart = length > 0 && bytes[length - 1] == '\n';
  // Blank lines between records belong to no record.
  if (FAwaitingRecord && std::any_of(bytes, bytes + length, [](char c) { return c != '\r' && c != '\n'; })) {
    FCurrent.Line = FLine;
    FAwaitingRecord = false;
  }
  if (csv_parse(&FParser, bytes, length, FieldEnded, RecordEnded, this) != length)
    FailAt(FLine, fmt::format("malformed CSV ({})", csv_strerror(csv_error(&FParser))));
}

void TCsvReader::FieldEnded(void* bytes, size_t length, void* reader) {
  TCsvReader& self = *static_cast<TCsvReader*>(reader);
  // The parser hands an unquoted empty field over as no bytes at all.
  if (bytes == nullptr) self.FCurrent.Fields.emplace_back();
  else self.FCurrent.Fields.emplace_back(std::string(static_cast<const char*>(bytes), length));
}

void TCsvReader::RecordEnded(int, void* reader) {
  TCsvReader& self = *static_cast<TCsvReader*>(reader);
  self.FReady.push_back(std::move(self.FCurrent));
  self.FCurrent = TCsvRecord{};
  self.FAwaitingRecord = true;
}

void TCsvReader::FailAt(int64_t line, const std::string& what) const {
  throw TToolFailure(fmt::format("line {}: {}", line, what));
}

}  // namespace sklad::tool
