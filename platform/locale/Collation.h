// Locale-aware comparison of code-page strings through ICU collators, cached per locale and options.
// A cached collator is shared by every thread: ICU's comparison of a const collator is thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct UCollator;

namespace platform {

class SingleByteCodePage;

struct CollationOptions {
  // Accent-level differences are ignored as the locale's collation defines them (in Czech, é
  // equals e while č still differs from c); case still counts unless ignoreCase is set too.
  bool ignoreNonSpacing = false;
  // Punctuation, hyphens and blanks compare as symbols instead of being ignored.
  bool stringSort = false;
  bool ignoreCase = false;
};

class LocaleCollator {
 public:
  LocaleCollator(uint32_t lcid, int codePage, CollationOptions options);
  ~LocaleCollator();
  LocaleCollator(const LocaleCollator&) = delete;
  LocaleCollator& operator=(const LocaleCollator&) = delete;

  // Three-way comparison of two strings of code-page bytes: -1, 0 or 1. Every byte takes part,
  // zero bytes included (as the character U+0000, which collation ignores).
  int Compare(std::string_view a, std::string_view b) const;

  // ICU's binary sort key of a string; comparing keys bytewise orders like Compare.
  std::string SortKey(std::string_view text) const;

 private:
  UCollator* FCollator;
  const SingleByteCodePage& FCodePage;
};

// The process-wide collator for a locale, code page and options, opened on first use. A locale ICU
// does not know gets ICU's root collation.
const LocaleCollator& CollatorFor(uint32_t lcid, int codePage, CollationOptions options);

}  // namespace platform
