// SKLAD_INVARIANT: a fact of the engine's own code that no input, file or other user can break —
// an index inside a list, an entry inside a page. Broken, it is a bug of the engine: a build with
// invariant checks (debug and sanitizer builds) stops at once, naming the place and the fact;
// a release build does not check. Damage of stored files is never an invariant: the code that
// reads them checks what it reads and raises the file's corruption error.
#pragma once

#ifdef SKLAD_CHECK_INVARIANTS

namespace sklad {
[[noreturn]] void InvariantBroken(const char* condition, const char* file, int line);
}  // namespace sklad

#define SKLAD_INVARIANT(condition) \
  ((condition) ? static_cast<void>(0) : ::sklad::InvariantBroken(#condition, __FILE__, __LINE__))

#else

#define SKLAD_INVARIANT(condition) static_cast<void>(0)

#endif
