// Conversion between the single-byte Windows code pages the engine stores its strings in
// (1250 for the Czech catalogue) and UTF-8, which the user interface and the operating system use.
// Strings stay code-page bytes inside the engine; the program converts at its boundary.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Characters without a counterpart in the code page become '?' (so does malformed UTF-8). A byte
// the code page leaves undefined becomes the C1 control character of its value where ICU's table
// says so, as on Windows (so every byte of 1250, 1251 and 1252 survives a round trip), otherwise
// U+FFFD. Zero bytes are converted like any other character. A code page ICU has no converter for raises
// std::invalid_argument.
std::string CodePageToUtf8(std::string_view bytes, int codePage);
std::string Utf8ToCodePage(std::string_view utf8, int codePage);

// The code-page bytes of a UTF-8 text; none when the text is not valid UTF-8 or holds a
// character the code page has no byte for, so nothing the user typed is silently replaced.
std::optional<std::string> Utf8ToCodePageExactly(std::string_view utf8, int codePage);

}  // namespace platform
