#include "PathNames.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace platform {
namespace {

namespace fs = std::filesystem;

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    return lower(x) == lower(y);
  });
}

// The entry of the directory whose name matches the component without regard to case.
bool FindIgnoringCase(const fs::path& directory, const std::string& component, fs::path& found) {
  std::error_code error;
  for (fs::directory_iterator it(directory.empty() ? fs::path(".") : directory, error), end;
       !error && it != end; it.increment(error)) {
    const std::string entry = it->path().filename().string();
    if (SameIgnoringCase(entry, component)) {
      found = directory / entry;
      return true;
    }
  }
  return false;
}

}  // namespace

std::string NativeSeparators(std::string_view name) {
  std::string native(name);
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

std::string ResolveFileName(std::string_view name) {
  const fs::path given(NativeSeparators(name));
  fs::path resolved = given.root_path();
  bool onDisk = true;  // the components resolved so far exist on disk
  for (const fs::path& part : given.relative_path()) {
    const std::string component = part.string();
    fs::path next = resolved / part;
    std::error_code error;
    if (onDisk && component != "." && component != ".." && !fs::exists(next, error)) {
      fs::path found;
      if (FindIgnoringCase(resolved, component, found))
        next = found;
      else
        onDisk = false;
    }
    resolved = std::move(next);
  }
  return resolved.string();
}

}  // namespace platform
