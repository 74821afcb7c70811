#include "tools/sklad/CodePageText.h"

#include <fmt/format.h>

#include "platform/locale/CodePage.h"
#include "platform/locale/LocaleId.h"
#include "tools/sklad/Tool.h"

namespace sklad::tool {

int TableCodePage(uint16_t languageId) { return platform::AnsiCodePage(languageId); }

std::string TableTextToUtf8(std::string_view bytes, uint16_t languageId) {
  return platform::CodePageToUtf8(bytes, TableCodePage(languageId));
}

std::string ToCodePage(std::string_view utf8, int codePage, std::string_view what) {
  std::optional<std::string> bytes = platform::Utf8ToCodePageExactly(utf8, codePage);
  if (!bytes)
    throw TToolFailure(fmt::format("{}: not UTF-8 text that code page {} can hold", what, codePage));
  return std::move(*bytes);
}

}  // namespace sklad::tool
