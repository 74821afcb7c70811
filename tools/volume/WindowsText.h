// The volume's text files (rocnik.ini, help.txt) as the program reads them: written by us in UTF-8,
// shipped in a Windows code page with CRLF line ends.
#pragma once

#include <string>
#include <string_view>

namespace rejstrik::volume {

// Converts UTF-8 text with LF or CRLF line ends (and an optional byte-order mark) into code-page
// text with CRLF line ends. Malformed UTF-8, or a character the code page cannot hold, raises
// std::runtime_error naming the line, so that no character silently becomes '?'.
std::string ToWindowsText(std::string_view utf8, int codePage);

}  // namespace rejstrik::volume
