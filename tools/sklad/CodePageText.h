// Text between UTF-8 (files and terminals) and the single-byte code page a table stores its
// strings in, refusing what the code page cannot hold instead of replacing it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sklad::tool {

// The code page of the table's language.
int TableCodePage(uint16_t languageId);

// The same for text the user gives on the command line; a character the code page cannot store is
// a TToolFailure whose message starts with `what` ("sklad sql: the filter").
std::string ToCodePage(std::string_view utf8, int codePage, std::string_view what);

// A table's text (names, descriptions, values) for the terminal.
std::string TableTextToUtf8(std::string_view bytes, uint16_t languageId);

}  // namespace sklad::tool
