// Table and directory names as the engine compares and builds them: trimmed, matched without
// regard to letter case, with the table files' extensions put in place of any other.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace sklad {

// A table's data, index and BLOB files, in this order, and the extensions they and their backups
// carry.
inline constexpr int kTableFileCount = 3;
using TTableFileNames = std::array<std::string, kTableFileCount>;
using TTableExtensions = std::array<std::string_view, kTableFileCount>;
inline constexpr TTableExtensions kTableExtensions = {".DAT", ".IDX", ".BLB"};
inline constexpr TTableExtensions kBackupExtensions = {".DBK", ".IBK", ".BBK"};

std::string TrimmedName(std::string_view name);
// The name with its extension (after the last '.' of the last path component) replaced, or the
// extension appended when it has none.
std::string WithExtension(std::string_view name, std::string_view extension);
// The name with each of the extensions.
TTableFileNames WithExtensions(std::string_view name, const TTableExtensions& extensions);
// Trimmed, case-insensitive equality.
bool SameName(std::string_view a, std::string_view b);
// A directory path trimmed, with native separators and one trailing separator; empty stays
// empty.
std::string DirectoryPath(std::string_view path);

}  // namespace sklad
