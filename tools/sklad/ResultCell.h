// TResultCell: one value of a result row as the tool prints it — its kind and its text in UTF-8,
// the same on every machine (ISO dates and times, '.' as the decimal point).
#pragma once

#include <string>

namespace sklad::tool {

enum class TCellKind {
  Null,
  Text,     // strings, memos, dates, times and timestamps
  Number,   // integers, floats and fixed-point values; Text is a JSON number, or "inf", "-inf",
            // "nan" for a float that is not finite
  Boolean,  // Text is "True" or "False"
  Binary,   // bytes, binary BLOBs; Text is their uppercase hexadecimal digits
};

struct TResultCell {
  TCellKind Kind = TCellKind::Null;
  std::string Text;
};

}  // namespace sklad::tool
