// Synthetic catalogues in the CSV form `sklad import` loads: a header line naming the columns,
// then one line per record in UTF-8; an empty value is written as an empty field, that is NULL.
#pragma once

#include <cstdint>
#include <ostream>

namespace rejstrik::volume {

// The header and the synthetic records numbered 0 .. count - 1, written by the `sklad` tool's CSV
// writer (RFC 4180, CR LF line ends).
void WriteSyntheticCatalogueCsv(std::ostream& out, int64_t count);

}  // namespace rejstrik::volume
