#include "TableNames.h"

#include <algorithm>
#include <cctype>

#include "platform/PathNames.h"

namespace sklad {

std::string TrimmedName(std::string_view name) {
  const auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!name.empty() && blank(name.front())) name.remove_prefix(1);
  while (!name.empty() && blank(name.back())) name.remove_suffix(1);
  return std::string(name);
}

std::string WithExtension(std::string_view name, std::string_view extension) {
  const size_t component = name.find_last_of("/\\:");
  const size_t dot = name.rfind('.');
  const bool hasExtension = dot != std::string_view::npos && (component == std::string_view::npos || dot > component);
  return std::string(hasExtension ? name.substr(0, dot) : name) + std::string(extension);
}

TTableFileNames WithExtensions(std::string_view name, const TTableExtensions& extensions) {
  TTableFileNames names;
  for (int i = 0; i < kTableFileCount; ++i) names[i] = WithExtension(name, extensions[i]);
  return names;
}

bool SameName(std::string_view a, std::string_view b) {
  const std::string left = TrimmedName(a), right = TrimmedName(b);
  return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

std::string DirectoryPath(std::string_view path) {
  std::string trimmed = platform::NativeSeparators(TrimmedName(path));
  if (!trimmed.empty() && trimmed.back() != '/') trimmed += '/';
  return trimmed;
}

}  // namespace sklad
