// The LIKE match: `%` stands for any run of characters (also none), `_` for exactly one; there is
// no escape character. With a language, characters are equal when the locale's collation finds
// them equal ignoring non-spacing marks (case still counts); without one, when the bytes are.
#pragma once

#include <cstdint>
#include <string_view>

namespace sklad {

bool LikeMatches(std::string_view text, std::string_view pattern, uint16_t language, uint16_t sort);

}  // namespace sklad
