// Numbers as text under a TLanguageSettings: integers, floats in general format with 15
// significant digits, and fixed-point (BCD) values, all with the settings' decimal separator.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/storage/data/BcdValue.h"
#include "LanguageSettings.h"

namespace sklad {

// Blanks around the number are allowed; an optional sign, then decimal digits only. None when the
// text is not such a number or the value lies outside [minimum, maximum].
std::optional<int64_t> TextToInteger(std::string_view text, int64_t minimum, int64_t maximum);

// Digits with an optional decimal separator and exponent ("1,5", "-2.5E3" under language 0).
std::optional<long double> TextToFloat(std::string_view text, const TLanguageSettings& settings);
// "1,5", "1E20", "1E-5", "-0,25": at most 15 significant digits, no trailing zeros.
std::string FloatToText(long double value, const TLanguageSettings& settings);

// A fixed-point text read at four decimal places (rounded half away from zero).
std::optional<TBcdValue> TextToFixed(std::string_view text, const TLanguageSettings& settings);
// Exactly Scale decimal places: "12,34", "-0,5", "12".
std::string FixedToText(TBcdValue value, const TLanguageSettings& settings);

}  // namespace sklad
