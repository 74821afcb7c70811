// Text the user gives (UTF-8) in the single-byte code page the engine stores strings in. A
// character the code page has no place for is refused rather than stored as '?'.
#pragma once

#include <string>
#include <string_view>

namespace sklad::tool {

// `what` names the text in the failure's message ("the statements", "the filter").
std::string ToCodePage(std::string_view utf8, int codePage, std::string_view what);

}  // namespace sklad::tool
