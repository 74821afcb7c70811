#include "CaseMapping.h"

#include <unicode/ustring.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "LocaleId.h"
#include "SingleByteCodePage.h"

namespace platform {

CaseMapper::CaseMapper(uint32_t lcid, int codePage) {
  const SingleByteCodePage& characters = SingleByteCodePageFor(codePage);
  const std::string locale = IcuLocaleName(lcid).value_or("");
  using Mapping = int32_t (*)(UChar*, int32_t, const UChar*, int32_t, const char*, UErrorCode*);
  const auto mapOne = [&](Mapping mapping, int byte) {
    const UChar in = characters.ToUnicode(static_cast<uint8_t>(byte));
    UChar out[4];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = mapping(out, 4, &in, 1, locale.c_str(), &status);
    if (U_SUCCESS(status) && length == 1)
      if (const std::optional<uint8_t> mapped = characters.FromUnicode(out[0])) return *mapped;
    return static_cast<uint8_t>(byte);
  };
  for (int byte = 0; byte < 256; ++byte) {
    FUpper[byte] = mapOne(&u_strToUpper, byte);
    FLower[byte] = mapOne(&u_strToLower, byte);
  }
}

void CaseMapper::Map(const Table& table, std::span<char> text) {
  for (char& c : text) c = static_cast<char>(table[static_cast<uint8_t>(c)]);
}

const CaseMapper& CaseMapperFor(uint32_t lcid, int codePage) {
  using Key = std::pair<uint32_t, int>;
  const Key key{lcid, codePage};
  // Each thread remembers its last mapper, so case-insensitive key comparisons take no lock.
  thread_local Key lastKey{};
  thread_local const CaseMapper* last = nullptr;
  if (last != nullptr && lastKey == key) return *last;

  static std::mutex lock;
  static std::map<Key, std::unique_ptr<CaseMapper>> mappers;
  std::lock_guard guard(lock);
  auto& mapper = mappers[key];
  if (!mapper) mapper = std::make_unique<CaseMapper>(lcid, codePage);
  lastKey = key;
  last = mapper.get();
  return *last;
}

}  // namespace platform
