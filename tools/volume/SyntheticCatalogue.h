// Synthetic catalogue records: what a large volume's table could hold, made up from a record's
// number alone, so that benchmarks and large test volumes build the same rows every time.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace rejstrik::volume {

// One record of a catalogue table, its texts in UTF-8 (the table stores them in code page 1250).
struct TCatalogueRecord {
  std::string p;      // issue: "7/" or "07/"
  std::string r;      // section: "1" .. "12" or "99"
  std::string typ;    // type: five 0/1 positions, or one letter
  std::string os;     // systems: seven 0/1 positions
  std::string name;
  std::string src;    // directory on the CD
  std::string inet;   // web link, empty for some records
  std::string popis;  // description memo, empty for some records
};

// The catalogue table's columns in the data-type syntax CREATE TABLE takes, in record order, and
// the fields that have a secondary index of their own.
extern const std::string_view kCatalogueColumns;
extern const std::array<std::string_view, 4> kCatalogueIndexedFields;

// The record numbered `number` (from 0). Issues, sections, types and systems are spread evenly and
// independently of each other; names and descriptions are Czech with diacritics, and about one
// description in fifty names Linux.
TCatalogueRecord SyntheticCatalogueRecord(int64_t number);

}  // namespace rejstrik::volume
