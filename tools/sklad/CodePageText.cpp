#include "tools/sklad/CodePageText.h"

#include <fmt/format.h>

#include "platform/locale/CodePage.h"
#include "tools/sklad/Tool.h"

namespace sklad::tool {

std::string ToCodePage(std::string_view utf8, int codePage, std::string_view what) {
  std::string bytes = platform::Utf8ToCodePage(utf8, codePage);
  // Anything that does not come back unchanged was malformed or had no place in the code page.
  if (platform::CodePageToUtf8(bytes, codePage) != utf8)
    throw TToolFailure(fmt::format("sklad: {} hold characters that code page {} cannot store", what, codePage));
  return bytes;
}

}  // namespace sklad::tool
