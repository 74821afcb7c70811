#include "ProfileFile.h"

#include "WholeFile.h"
#include "locale/CodePage.h"

#include <unicode/uchar.h>
#include <unicode/unistr.h>

namespace platform {
namespace {

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view blanks = " \t\r";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(blanks);
  return text.substr(first, last - first + 1);
}

// Names are compared as the profile functions compare them: letter case does not matter,
// also for letters with diacritics.
bool SameName(std::string_view a, std::string_view b) {
  const icu::UnicodeString ua = icu::UnicodeString::fromUTF8(
      icu::StringPiece(a.data(), static_cast<int32_t>(a.size())));
  const icu::UnicodeString ub = icu::UnicodeString::fromUTF8(
      icu::StringPiece(b.data(), static_cast<int32_t>(b.size())));
  return ua.caseCompare(ub, U_FOLD_CASE_DEFAULT) == 0;
}

}  // namespace

TProfileFile::TProfileFile(const std::string& fileName, int codePage) {
  std::string bytes;
  if (ReadWholeFile(fileName, bytes) == 0) Parse(CodePageToUtf8(bytes, codePage));
}

TProfileFile TProfileFile::FromText(std::string_view utf8Text) {
  TProfileFile profile;
  profile.Parse(utf8Text);
  return profile;
}

// Lines are "[section]", "key=value", comments starting with ';' and anything else, which is
// ignored. Keys before the first section belong to no section and cannot be read. A section
// or key that occurs twice is read from its first occurrence.
void TProfileFile::Parse(std::string_view text) {
  TSection* current = nullptr;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      const std::string_view name =
          Trimmed(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
      const size_t index = SectionIndex(name);
      if (index == FSections.size()) FSections.push_back(TSection{std::string(name), {}});
      current = &FSections[index];
      continue;
    }
    const size_t equals = line.find('=');
    if (current == nullptr || equals == std::string_view::npos) continue;
    const std::string_view key = Trimmed(line.substr(0, equals));
    if (key.empty()) continue;
    current->Entries.push_back({std::string(key), std::string(Trimmed(line.substr(equals + 1)))});
  }
}

size_t TProfileFile::SectionIndex(std::string_view name) const {
  size_t index = 0;
  while (index < FSections.size() && !SameName(FSections[index].Name, name)) ++index;
  return index;
}

std::string TProfileFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const {
  const size_t index = SectionIndex(section);
  if (index < FSections.size())
    for (const TEntry& entry : FSections[index].Entries)
      if (SameName(entry.Key, key)) return entry.Value;
  return std::string(defaultValue);
}

std::vector<std::string> TProfileFile::SectionNames() const {
  std::vector<std::string> names;
  names.reserve(FSections.size());
  for (const TSection& section : FSections) names.push_back(section.Name);
  return names;
}

}  // namespace platform
