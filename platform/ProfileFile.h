// A profile (INI) file read the way the desktop's profile functions read it: a missing file,
// section or key gives the caller's default, names match without regard to letter case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

class TProfileFile {
 public:
  // Reads the whole file, whose text is in the given code page; values are kept as UTF-8.
  // A file that is missing, is not a regular file or cannot be read behaves as an empty one.
  explicit TProfileFile(const std::string& fileName, int codePage = 1250);

  // The value of the key in the section, trimmed of spaces and tabs, or the default.
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view defaultValue) const;

  // The section names in the order of the file, each name once.
  std::vector<std::string> SectionNames() const;

  // Parses profile text already converted to UTF-8 (CRLF or LF line ends).
  static TProfileFile FromText(std::string_view utf8Text);

 private:
  struct TEntry {
    std::string Key;
    std::string Value;
  };
  struct TSection {
    std::string Name;
    std::vector<TEntry> Entries;
  };

  TProfileFile() = default;
  void Parse(std::string_view utf8Text);
  // The position of the named section, or the number of sections when there is none.
  size_t SectionIndex(std::string_view name) const;

  std::vector<TSection> FSections;
};

}  // namespace platform
