// Reads CSV text back with libcsv (the parser `sklad import` uses), for tests of what we write.
#pragma once

#include <csv.h>

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace rejstrik::testing {

using CsvRow = std::vector<std::string>;

// Every line's fields; throws when the text is not well-formed RFC 4180.
inline std::vector<CsvRow> ParseCsv(std::string_view text) {
  struct Rows {
    std::vector<CsvRow> All;
    CsvRow Current;
  } rows;
  csv_parser parser;
  if (csv_init(&parser, CSV_STRICT | CSV_STRICT_FINI) != 0) throw std::runtime_error("csv_init");
  auto onField = [](void* data, size_t length, void* out) {
    CsvRow& current = static_cast<Rows*>(out)->Current;
    if (length == 0) current.emplace_back();
    else current.emplace_back(static_cast<const char*>(data), length);
  };
  auto onRowEnd = [](int, void* out) {
    Rows& rows = *static_cast<Rows*>(out);
    rows.All.push_back(std::move(rows.Current));
    rows.Current.clear();
  };
  const bool parsed = csv_parse(&parser, text.data(), text.size(), onField, onRowEnd, &rows) == text.size() &&
                      csv_fini(&parser, onField, onRowEnd, &rows) == 0;
  csv_free(&parser);
  if (!parsed) throw std::runtime_error("malformed CSV");
  return rows.All;
}

}  // namespace rejstrik::testing
