// The catalogue's CSV form, the one `sklad import` loads: a header line naming the columns, then
// one RFC 4180 line per record, UTF-8; an empty field stands for NULL.
#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>

#include "tools/volume/SyntheticCatalogue.h"

namespace rejstrik::volume {

// The header line's text, without its line end: "p,r,typ,os,name,src,inet,popis".
extern const std::string_view kCatalogueCsvHeader;

void WriteCatalogueCsvHeader(std::ostream& out);
void WriteCatalogueCsvRecord(std::ostream& out, const TCatalogueRecord& record);

// The header and the synthetic records numbered 0 .. count - 1.
void WriteSyntheticCatalogueCsv(std::ostream& out, int64_t count);

}  // namespace rejstrik::volume
