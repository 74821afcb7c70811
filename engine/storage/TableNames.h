// Table and directory names as the engine compares and builds them: trimmed, matched without
// regard to letter case, with the table files' extensions put in place of any other.
#pragma once

#include <string>
#include <string_view>

namespace sklad {

std::string TrimmedName(std::string_view name);
// The name with its extension (after the last '.' of the last path component) replaced, or the
// extension appended when it has none.
std::string WithExtension(std::string_view name, std::string_view extension);
// Trimmed, case-insensitive equality.
bool SameName(std::string_view a, std::string_view b);
// A directory path trimmed, with native separators and one trailing separator; empty stays
// empty.
std::string DirectoryPath(std::string_view path);

}  // namespace sklad
