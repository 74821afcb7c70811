#include "LanguageList.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace sklad {
namespace {

constexpr TLanguageEntry kLanguages[] = {
    {"ANSI Standard", 0}, {"Afrikaans", 1078}, {"Albanian", 1052},
    {"Arabic (Saudi Arabia)", 1025}, {"Arabic (Iraq)", 2049}, {"Arabic (Egypt)", 3073},
    {"Arabic (Libya)", 4097}, {"Arabic (Algeria)", 5121}, {"Arabic (Morocco)", 6145},
    {"Arabic (Tunisia)", 7169}, {"Arabic (Oman)", 8193}, {"Arabic (Yemen)", 9217},
    {"Arabic (Syria)", 10241}, {"Arabic (Jordan)", 11265}, {"Arabic (Lebanon)", 12289},
    {"Arabic (Kuwait)", 13313}, {"Arabic (U.A.E)", 14337}, {"Arabic (Bahrain)", 15361},
    {"Arabic (Qatar)", 16385}, {"Basque", 1069}, {"Belarusian", 1059}, {"Bulgarian", 1026},
    {"Catalan", 1027}, {"Croatian", 1050}, {"Czech", 1029}, {"Danish", 1030},
    {"Dutch (Standard)", 1043}, {"Dutch (Belgian)", 2067}, {"English (USA)", 1033},
    {"English (UK)", 2057}, {"English (Australian)", 3081}, {"English (Canadian)", 4105},
    {"English (New Zealand)", 5129}, {"English (Irish)", 6153}, {"English (South Africa)", 7177},
    {"English (Jamaica)", 8201}, {"English (Caribbean)", 9225}, {"English (Belize)", 10249},
    {"English (Trinidad)", 11273}, {"Estonian", 1061}, {"Faeroese", 1080}, {"Farsi", 1065},
    {"Finnish", 1035}, {"French (Standard)", 1036}, {"French (Belgian)", 2060},
    {"French (Canadian)", 3084}, {"French (Swiss)", 4108}, {"French (Luxembourg)", 5132},
    {"German (Standard)", 1031}, {"German (Swiss)", 2055}, {"German (Austrian)", 3079},
    {"German (Luxembourg)", 4103}, {"German (Liechtenstein)", 5127}, {"Greek", 1032},
    {"Hebrew", 1037}, {"Hungarian", 1038}, {"Icelandic", 1039}, {"Indonesian", 1057},
    {"Italian (Standard)", 1040}, {"Italian (Swiss)", 2064}, {"Latvian", 1062},
    {"Lithuanian", 1063}, {"Norwegian (Bokmal)", 1044}, {"Norwegian (Nynorsk)", 2068},
    {"Polish", 1045}, {"Portuguese (Standard)", 2070}, {"Portuguese (Brazilian)", 1046},
    {"Romanian", 1048}, {"Russian", 1049}, {"Serbian (Latin)", 2074}, {"Serbian (Cyrillic)", 3098},
    {"Slovak", 1051}, {"Slovenian", 1060}, {"Spanish (Castilian)", 1034},
    {"Spanish (Mexican)", 2058}, {"Spanish (Modern)", 3082}, {"Spanish (Guatemala)", 4106},
    {"Spanish (Costa Rica)", 5130}, {"Spanish (Panama)", 6154},
    {"Spanish (Dominican Republic)", 7178}, {"Spanish (Venezuela)", 8202},
    {"Spanish (Colombia)", 9226}, {"Spanish (Peru)", 10250}, {"Spanish (Argentina)", 11274},
    {"Spanish (Ecuador)", 12298}, {"Spanish (Chile)", 13322}, {"Spanish (Uruguay)", 14346},
    {"Spanish (Paraguay)", 15370}, {"Spanish (Bolivia)", 16394}, {"Spanish (El Salvador)", 17418},
    {"Spanish (Honduras)", 18442}, {"Spanish (Nicaragua)", 19466},
    {"Spanish (Puerto Rico)", 20490}, {"Swedish (Standard)", 1053}, {"Swedish (Finland)", 2077},
    {"Thai", 1054}, {"Turkish", 1055}, {"Ukranian", 1058}, {"Vietnamese", 1066},
};
static_assert(std::size(kLanguages) == 99);

constexpr std::array<std::string_view, 1> kDefaultSorts = {"Default Order"};
constexpr std::array<std::string_view, 2> kGermanSorts = {"Default Order", "German Phone Book Order"};
constexpr uint16_t kGermanPrimaryLanguage = 0x07;

bool SameName(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
  });
}

const TLanguageEntry* FindByName(std::string_view name) {
  for (const TLanguageEntry& entry : kLanguages)
    if (SameName(entry.Name, name)) return &entry;
  return nullptr;
}

// The sort names of a listed language; none for an identifier the list does not hold.
std::span<const std::string_view> SortNames(uint16_t languageId) {
  const auto* entry = std::find_if(std::begin(kLanguages), std::end(kLanguages),
                                   [&](const TLanguageEntry& e) { return e.Id == languageId; });
  if (entry == std::end(kLanguages)) return {};
  if ((languageId & 0x3FF) == kGermanPrimaryLanguage) return kGermanSorts;
  return kDefaultSorts;
}

int SortPosition(uint16_t languageId, std::string_view sortName) {
  const std::span<const std::string_view> names = SortNames(languageId);
  for (size_t i = 0; i < names.size(); ++i)
    if (SameName(names[i], sortName)) return static_cast<int>(i);
  return -1;
}

}  // namespace

std::span<const TLanguageEntry> LanguageList() { return kLanguages; }

bool IsLanguageKnown(std::string_view name) { return FindByName(name) != nullptr; }

uint16_t LanguageIdentifier(std::string_view name) {
  const TLanguageEntry* entry = FindByName(name);
  return entry ? entry->Id : 0;
}

bool IsSortKnown(uint16_t languageId, std::string_view sortName) {
  return SortPosition(languageId, sortName) >= 0;
}

uint16_t SortIdentifier(uint16_t languageId, std::string_view sortName) {
  return static_cast<uint16_t>(std::max(SortPosition(languageId, sortName), 0));
}

std::string_view LanguageName(uint16_t languageId) {
  for (const TLanguageEntry& entry : kLanguages)
    if (entry.Id == languageId) return entry.Name;
  return {};
}

std::string_view SortName(uint16_t languageId, uint16_t sortId) {
  const std::span<const std::string_view> names = SortNames(languageId);
  return sortId < names.size() ? names[sortId] : std::string_view{};
}

}  // namespace sklad
