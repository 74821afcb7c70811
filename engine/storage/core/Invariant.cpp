#include "Invariant.h"

#ifdef SKLAD_CHECK_INVARIANTS

#include <cstdio>
#include <cstdlib>

namespace sklad {

void InvariantBroken(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: engine invariant broken: %s\n", file, line, condition);
  std::abort();
}

}  // namespace sklad

#endif
