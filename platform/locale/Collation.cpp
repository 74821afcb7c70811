#include "Collation.h"

#include <unicode/ucol.h>

#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "LocaleId.h"
#include "SingleByteCodePage.h"

namespace platform {
namespace {

// UTF-16 text of a code-page string; short strings (every engine string value) stay on the stack.
class Utf16Text {
 public:
  Utf16Text(std::string_view bytes, const SingleByteCodePage& codePage) : FLength(bytes.size()) {
    UChar* out = FLength <= kInline ? FInline : (FHeap.resize(FLength), FHeap.data());
    for (size_t i = 0; i < FLength; ++i) out[i] = codePage.ToUnicode(static_cast<uint8_t>(bytes[i]));
    FData = out;
  }
  const UChar* Data() const { return FData; }
  int32_t Length() const { return static_cast<int32_t>(FLength); }

 private:
  static constexpr size_t kInline = 256;
  size_t FLength;
  UChar FInline[kInline];
  std::vector<UChar> FHeap;
  const UChar* FData = nullptr;
};

UColAttributeValue StrengthFor(CollationOptions options) {
  if (options.ignoreNonSpacing) return UCOL_PRIMARY;  // case comes back through the case level
  return options.ignoreCase ? UCOL_SECONDARY : UCOL_TERTIARY;
}

}  // namespace

LocaleCollator::LocaleCollator(uint32_t lcid, int codePage, CollationOptions options)
    : FCollator(nullptr), FCodePage(SingleByteCodePageFor(codePage)) {
  const std::string name = IcuLocaleName(lcid).value_or("");
  UErrorCode status = U_ZERO_ERROR;
  FCollator = ucol_open(name.c_str(), &status);
  if (U_FAILURE(status)) throw std::runtime_error("ICU cannot open a collator for " + name);
  ucol_setStrength(FCollator, StrengthFor(options));
  const bool caseLevel = options.ignoreNonSpacing && !options.ignoreCase;
  ucol_setAttribute(FCollator, UCOL_CASE_LEVEL, caseLevel ? UCOL_ON : UCOL_OFF, &status);
  ucol_setAttribute(FCollator, UCOL_ALTERNATE_HANDLING,
                    options.stringSort ? UCOL_NON_IGNORABLE : UCOL_SHIFTED, &status);
  if (U_FAILURE(status)) {
    ucol_close(FCollator);
    throw std::runtime_error("ICU refuses the collation options for " + name);
  }
}

LocaleCollator::~LocaleCollator() { ucol_close(FCollator); }

int LocaleCollator::Compare(std::string_view a, std::string_view b) const {
  const Utf16Text left(a, FCodePage), right(b, FCodePage);
  switch (ucol_strcoll(FCollator, left.Data(), left.Length(), right.Data(), right.Length())) {
    case UCOL_LESS: return -1;
    case UCOL_GREATER: return 1;
    default: return 0;
  }
}

std::string LocaleCollator::SortKey(std::string_view text) const {
  const Utf16Text utf16(text, FCodePage);
  std::string key(64 + text.size() * 4, '\0');
  int32_t length;
  while ((length = ucol_getSortKey(FCollator, utf16.Data(), utf16.Length(),
                                   reinterpret_cast<uint8_t*>(key.data()),
                                   static_cast<int32_t>(key.size()))) > static_cast<int32_t>(key.size()))
    key.resize(static_cast<size_t>(length));
  key.resize(length > 0 ? static_cast<size_t>(length - 1) : 0);  // without the terminating zero
  return key;
}

const LocaleCollator& CollatorFor(uint32_t lcid, int codePage, CollationOptions options) {
  using Key = std::tuple<uint32_t, int, bool, bool, bool>;
  const Key key{lcid, codePage, options.ignoreNonSpacing, options.stringSort, options.ignoreCase};
  // Each thread remembers its last collator, so the hot path of an index search takes no lock.
  thread_local Key lastKey{};
  thread_local const LocaleCollator* last = nullptr;
  if (last != nullptr && lastKey == key) return *last;

  static std::mutex lock;
  static std::map<Key, std::unique_ptr<LocaleCollator>> collators;
  std::lock_guard guard(lock);
  auto it = collators.find(key);
  if (it == collators.end())
    it = collators.emplace(key, std::make_unique<LocaleCollator>(lcid, codePage, options)).first;
  lastKey = key;
  last = it->second.get();
  return *last;
}

}  // namespace platform
