// Preparing a bound tree for evaluation on a table: a copy in which string constants ending in
// `*` and LIKE patterns of the form 'abc%' become prefix comparisons through the locale, the
// case-insensitive option turns = and <> into case-blind comparisons, and constants are converted
// once to the type of the column they are compared with, so that no record needs a conversion.
#pragma once

#include <cstdint>

#include "ExpTokenStack.h"

namespace sklad {

struct TPrepareOptions {
  bool NoPartialCompare = false;  // a trailing `*` is an ordinary character
  bool CaseInsensitive = false;   // = and <> on strings ignore letter case
  uint16_t Language = 0;
  uint16_t Sort = 0;
};

TExpTree PrepareForEvaluation(const TExpToken& root, const TPrepareOptions& options);

// A deep copy of a tree, every node from the pool.
TExpTree CopyTree(const TExpToken& root);

}  // namespace sklad
