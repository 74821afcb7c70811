#include "tools/volume/WindowsText.h"

#include <stdexcept>

#include "platform/locale/CodePage.h"

namespace rejstrik::volume {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// One line without its line end, converted; the round trip back to UTF-8 shows whether every
// character survived.
std::string ConvertLine(std::string_view line, int codePage, int lineNumber) {
  std::string converted = platform::Utf8ToCodePage(line, codePage);
  if (platform::CodePageToUtf8(converted, codePage) != line)
    throw std::runtime_error("line " + std::to_string(lineNumber) +
                             ": malformed UTF-8 or a character code page " +
                             std::to_string(codePage) + " cannot hold");
  return converted;
}

}  // namespace

std::string ToWindowsText(std::string_view utf8, int codePage) {
  if (utf8.starts_with(kByteOrderMark)) utf8.remove_prefix(kByteOrderMark.size());
  std::string result;
  int lineNumber = 1;
  while (!utf8.empty()) {
    const size_t end = utf8.find('\n');
    std::string_view line = utf8.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    result += ConvertLine(line, codePage, lineNumber);
    if (end == std::string_view::npos) break;
    result += "\r\n";
    utf8.remove_prefix(end + 1);
    ++lineNumber;
  }
  return result;
}

}  // namespace rejstrik::volume
