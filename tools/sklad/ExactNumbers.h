// Numbers as the tool writes them into CSV and JSON and reads them back, without loss and whatever
// the locale ('.' is the decimal point): a float as the shortest text that reads back to the very
// same value, a fixed-point (DECIMAL) value exactly, refused rather than rounded when its text has
// more decimal places than the column keeps.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/storage/data/BcdValue.h"

namespace sklad::tool {

// "0.30000000000000004", "1e+20", "5e-324", "-0"; a value that is not finite is "inf", "-inf" or
// "nan" (every NaN alike).
std::string FloatText(double value);
std::string ExtendedText(long double value);
// A MONEY value: as FloatText, with at least the two decimal places of a currency when written
// without an exponent ("12.50", "0.125", "3.00").
std::string MoneyText(double value);

// The value the text names, rounded to the nearest the type holds; blanks around it and a leading
// '+' are allowed, and so are "inf", "infinity" and "nan" in any letter case. None for another
// text, and for a value beyond the type's range or so small that it would become zero.
std::optional<double> ReadFloat(std::string_view text);
std::optional<long double> ReadExtended(std::string_view text);

enum class TFixedProblem { None, NotANumber, TooManyDecimals, TooLarge };

struct TFixedReading {
  TBcdValue Value;  // at the scale asked for, when there is no problem
  TFixedProblem Problem = TFixedProblem::None;
};

// Blanks, an optional sign, digits with an optional '.' and more digits: the value at `scale`
// (0..4) decimal places. Decimal places beyond the scale must be zeros.
TFixedReading ReadFixed(std::string_view text, int scale);

}  // namespace sklad::tool
