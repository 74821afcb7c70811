// File names as the engine receives them (from catalogues made on systems whose names use '\'
// and ignore letter case) turned into names of files on this system.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// '\' becomes '/'; nothing else changes.
std::string NativeSeparators(std::string_view name);

// The name with native separators, each component that exists on disk under another letter case
// replaced by the name found there ("DIR\t.dat" finds "dir/T.DAT"). Components that are not
// found stay as given, so a file about to be created keeps the case it was asked for.
std::string ResolveFileName(std::string_view name);

}  // namespace platform
