#include "tools/sklad/CodePageText.h"

#include <fmt/format.h>
#include <unicode/utf8.h>

#include "platform/locale/CodePage.h"
#include "platform/locale/LocaleId.h"
#include "platform/locale/SingleByteCodePage.h"
#include "tools/sklad/Tool.h"

namespace sklad::tool {

int TableCodePage(uint16_t languageId) { return platform::AnsiCodePage(languageId); }

std::optional<std::string> Utf8ToCodePageExactly(std::string_view utf8, int codePage) {
  const platform::SingleByteCodePage& table = platform::SingleByteCodePageFor(codePage);
  std::string bytes;
  bytes.reserve(utf8.size());
  const auto* text = reinterpret_cast<const uint8_t*>(utf8.data());
  const auto length = static_cast<int32_t>(utf8.size());
  for (int32_t at = 0; at < length;) {
    UChar32 character;
    U8_NEXT(text, at, length, character);
    if (character < 0 || character > 0xFFFF) return std::nullopt;
    const std::optional<uint8_t> byte = table.FromUnicode(static_cast<UChar>(character));
    if (!byte) return std::nullopt;
    bytes.push_back(static_cast<char>(*byte));
  }
  return bytes;
}

std::string TableTextToUtf8(std::string_view bytes, uint16_t languageId) {
  return platform::CodePageToUtf8(bytes, TableCodePage(languageId));
}

std::string ToCodePage(std::string_view utf8, int codePage, std::string_view what) {
  std::optional<std::string> bytes = Utf8ToCodePageExactly(utf8, codePage);
  if (!bytes)
    throw TToolFailure(fmt::format("{}: not UTF-8 text that code page {} can hold", what, codePage));
  return std::move(*bytes);
}

}  // namespace sklad::tool
