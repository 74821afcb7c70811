#include "tools/volume/CatalogueCsv.h"

#include <string>

namespace rejstrik::volume {

const std::string_view kCatalogueCsvHeader = "p,r,typ,os,name,src,inet,popis";

namespace {

// Line ends of the CSV file itself; RFC 4180 asks for CRLF.
constexpr std::string_view kLineEnd = "\r\n";

// A field is quoted only when it holds a separator, a quote or a line break; quotes inside are
// doubled. An empty value is written as nothing at all, which the import reads as NULL.
void WriteField(std::ostream& out, std::string_view value) {
  if (value.find_first_of(",\"\r\n") == std::string_view::npos) {
    out << value;
    return;
  }
  out << '"';
  for (char c : value) {
    if (c == '"') out << '"';
    out << c;
  }
  out << '"';
}

}  // namespace

void WriteCatalogueCsvHeader(std::ostream& out) { out << kCatalogueCsvHeader << kLineEnd; }

void WriteCatalogueCsvRecord(std::ostream& out, const TCatalogueRecord& record) {
  const std::string_view fields[] = {record.p,    record.r,   record.typ,  record.os,
                                     record.name, record.src, record.inet, record.popis};
  for (size_t i = 0; i < std::size(fields); ++i) {
    if (i > 0) out << ',';
    WriteField(out, fields[i]);
  }
  out << kLineEnd;
}

void WriteSyntheticCatalogueCsv(std::ostream& out, int64_t count) {
  WriteCatalogueCsvHeader(out);
  for (int64_t number = 0; number < count; ++number)
    WriteCatalogueCsvRecord(out, SyntheticCatalogueRecord(number));
}

}  // namespace rejstrik::volume
