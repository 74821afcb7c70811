// Iteration counts for randomized, model and fuzz tests: a bounded number in CI, many more when
// the long version runs (ctest label `long`, which sets SKLAD_LONG_TESTS=1).
#pragma once

#include <cstdlib>

namespace sklad::testing {

inline bool LongTestsRequested() { return std::getenv("SKLAD_LONG_TESTS") != nullptr; }

inline int Iterations(int inCi, int inLongRun) { return LongTestsRequested() ? inLongRun : inCi; }

}  // namespace sklad::testing
