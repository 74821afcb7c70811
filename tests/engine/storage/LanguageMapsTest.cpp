#include "engine/storage/language/LanguageMaps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "CzechWords.h"
#include "engine/storage/language/LanguageCharMaps.h"
#include "engine/storage/language/LanguageList.h"
#include "platform/locale/CodePage.h"
#include "platform/locale/Collation.h"
#include "tests/support/Iterations.h"

namespace sklad {
namespace {

constexpr uint16_t kCzech = 1029;

std::string Cp1250(const char* utf8) { return platform::Utf8ToCodePage(utf8, 1250); }

TEST(CompareStrings, CzechCollationWithMarksIgnored) {
  const struct {
    const char *a, *b;
    bool caseInsensitive;
    int expected;
  } cases[] = {
      {"h", "ch", false, -1},        {"ch", "i", false, -1},       {"hrad", "chata", false, -1},
      {"c", "č", false, -1},         {"č", "d", false, -1},        {"r", "ř", false, -1},
      {"ř", "s", false, -1},         {"s", "š", false, -1},        {"z", "ž", false, -1},
      {"kůň", "kun", false, 0},      {"ďábel", "dabel", false, 0},   // marks ignored
      {"čas", "cas", false, 1},      // č is a letter, not a mark on c
      {"ŽLUŤOUČKÝ", "žluťoučký", true, 0}, {"ŽLUŤOUČKÝ", "žluťoučký", false, 1},
      {"a-b", "ab", false, -1},      // string sort: the hyphen counts
      {"", "a", false, -1},          {"", "", false, 0},
  };
  for (const auto& c : cases) {
    const std::string a = Cp1250(c.a), b = Cp1250(c.b);
    EXPECT_EQ(CompareStrings(kCzech, 0, c.caseInsensitive, a, b), c.expected) << c.a << " " << c.b;
    EXPECT_EQ(CompareStrings(kCzech, 0, c.caseInsensitive, b, a), -c.expected) << c.b << " " << c.a;
  }
}

TEST(CompareStrings, WithoutLanguageBytesCompareUnsigned) {
  const struct {
    std::string a, b;
    bool caseInsensitive;
    int length;
    int expected;
  } cases[] = {
      {"abc", "abcd", false, 0, -1},  {"abc ", "abc", false, 0, 1},  // the shorter value's end first
      {"Z", "a", false, 0, -1},       {"abc", "ABC", true, 0, 0},
      {"\xE8", "d", false, 0, 1},     // unsigned: 0xE8 sorts after every ASCII letter
      {"\xE8", "\xC8", true, 0, 0},   // US English upper case of è is È
      {"abcX", "abcY", false, 3, 0},  {"ab", "abc", false, 3, -1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CompareStrings(0, 0, c.caseInsensitive, c.a, c.b, c.length), c.expected) << c.a << " " << c.b;
    EXPECT_EQ(CompareStrings(0, 0, c.caseInsensitive, c.b, c.a, c.length), -c.expected) << c.b << " " << c.a;
  }
}

TEST(CompareStrings, PartialLengthComparesTheFirstCharactersWithTheLocaleToo) {
  EXPECT_EQ(CompareStrings(kCzech, 0, false, Cp1250("chata"), Cp1250("chalupa"), 3), 0);
  EXPECT_EQ(CompareStrings(kCzech, 0, false, Cp1250("chata"), Cp1250("chalupa"), 4), 1);
  EXPECT_EQ(CompareStrings(kCzech, 0, true, Cp1250("Sm"), Cp1250("smrk"), 2), 0);
}

TEST(CompareStrings, AValueEndsAtItsFirstZeroByte) {
  const std::string withZero("abc\0zzz", 7);
  for (uint16_t language : {uint16_t{0}, kCzech}) {
    EXPECT_EQ(CompareStrings(language, 0, false, withZero, "abc"), 0) << language;
    EXPECT_EQ(CompareStrings(language, 0, false, withZero, "abd"), -1) << language;
  }
}

TEST(CompareStrings, GoldenCzechWordListSortsIntoItsOrder) {
  std::vector<std::string> expected;
  for (const char* word : testing::kCzechWordsInOrder) expected.push_back(Cp1250(word));
  ASSERT_GE(expected.size(), 300u);
  std::vector<std::string> words = expected;
  std::shuffle(words.begin(), words.end(), std::mt19937(1029));
  std::sort(words.begin(), words.end(), [](const std::string& a, const std::string& b) {
    return CompareStrings(kCzech, 0, false, a, b) < 0;
  });
  for (size_t i = 0; i < words.size(); ++i)
    ASSERT_EQ(platform::CodePageToUtf8(words[i], 1250), testing::kCzechWordsInOrder[i]) << "position " << i;
}

// Threads share the cached collators: each sorts the golden list at once with its own options.
TEST(CompareStrings, ThreadsShareTheCachedCollators) {
  std::vector<std::string> expected;
  for (const char* word : testing::kCzechWordsInOrder) expected.push_back(Cp1250(word));
  const auto sortCopy = [&](bool caseInsensitive, std::vector<std::string>& out) {
    for (int round = 0; round < sklad::testing::Iterations(3, 100); ++round) {
      out = expected;
      std::shuffle(out.begin(), out.end(), std::mt19937(round));
      std::sort(out.begin(), out.end(), [&](const std::string& a, const std::string& b) {
        return CompareStrings(kCzech, 0, caseInsensitive, a, b) < 0;
      });
    }
  };
  std::vector<std::string> sensitive, insensitive;
  std::thread first(sortCopy, false, std::ref(sensitive)), second(sortCopy, true, std::ref(insensitive));
  first.join();
  second.join();
  EXPECT_EQ(sensitive, expected);
  EXPECT_EQ(insensitive, expected);  // the list has no words differing only in case
}

// Arbitrary bytes: zero bytes, bytes 1250 leaves undefined, long strings beyond the stack buffer.
TEST(CompareStrings, ArbitraryBytesNeverBreakTheComparison) {
  std::mt19937 random(4);
  const auto randomBytes = [&] {
    std::string s(random() % 300, '\0');
    for (char& c : s) c = static_cast<char>(random() % 4 == 0 ? "\x00\x81\x83\x88\x90\x98"[random() % 6] : random() % 256);
    return s;
  };
  const uint16_t languages[][2] = {{0, 0}, {kCzech, 0}, {1031, 1}, {1049, 0}, {4711, 0}};
  for (int i = 0; i < sklad::testing::Iterations(300, 30000); ++i) {
    const std::string a = randomBytes(), b = randomBytes();
    for (const auto& [language, sort] : languages) {
      const bool caseInsensitive = i % 2;
      const int length = static_cast<int>(random() % 4 == 0 ? random() % 20 : 0);
      const int ab = CompareStrings(language, sort, caseInsensitive, a, b, length);
      ASSERT_EQ(ab, -CompareStrings(language, sort, caseInsensitive, b, a, length)) << language;
      ASSERT_TRUE(ab >= -1 && ab <= 1);
      ASSERT_EQ(CompareStrings(language, sort, caseInsensitive, a, a, length), 0);
    }
  }
}

TEST(CompareCharacters, CzechLettersAndMarks) {
  const auto c = [](const char* a, const char* b) {
    return CompareCharacters(kCzech, 0, Cp1250(a)[0], Cp1250(b)[0]);
  };
  EXPECT_EQ(c("c", "č"), -1);
  EXPECT_EQ(c("é", "e"), 0);
  EXPECT_EQ(c("a", "A"), -1);
  EXPECT_EQ(CompareCharacters(0, 0, 'a', 'A'), 1);
  EXPECT_EQ(CompareCharacters(0, 0, '\0', 'A'), -1);
}

TEST(CaseMapping, CzechLettersInCodePage1250KeepTheLength) {
  const std::string lower = Cp1250("ěščřžýáíéůúťďňó"), upper = Cp1250("ĚŠČŘŽÝÁÍÉŮÚŤĎŇÓ");
  std::string text = lower;
  ToUpperCase(kCzech, 0, text);
  EXPECT_EQ(text, upper);
  ToLowerCase(kCzech, 0, text);
  EXPECT_EQ(text, lower);
  std::string mixed = Cp1250("Žluť") + std::string("\0", 1) + Cp1250("ý 1");
  ToUpperCase(kCzech, 0, mixed);
  EXPECT_EQ(mixed, Cp1250("ŽLUŤ") + std::string("\0", 1) + Cp1250("Ý 1"));
}

TEST(CaseMapping, WithoutLanguageUsEnglishInCodePage1252) {
  std::string text = "abc\xE8\xFF\xDF";  // è, ÿ, ß
  ToUpperCase(0, 0, text);
  EXPECT_EQ(text, "ABC\xC8\x9F\xDF");  // È, Ÿ, ß stays
}

TEST(LanguageInstalled, LanguageZeroAlwaysAndKnownLocales) {
  EXPECT_TRUE(IsLanguageInstalled(0, 0));
  EXPECT_TRUE(IsLanguageInstalled(kCzech, 0));
  EXPECT_TRUE(IsLanguageInstalled(1031, 1));
  EXPECT_FALSE(IsLanguageInstalled(kCzech, 5));
  EXPECT_FALSE(IsLanguageInstalled(kCzech, 16));  // would alias sort 0 in the locale identifier
  EXPECT_FALSE(IsLanguageInstalled(4711, 0));
}

// Every listed language has working locale services, whatever its code page.
TEST(LanguageServices, EveryListedLanguageComparesAndMapsCase) {
  for (const TLanguageEntry& entry : LanguageList()) {
    EXPECT_EQ(CompareStrings(entry.Id, 0, false, "a", "b"), -1) << entry.Name;
    EXPECT_EQ(CompareStrings(entry.Id, 0, true, "abc", "ABC"), 0) << entry.Name;
    std::string text = "abc";
    ToUpperCase(entry.Id, 0, text);
    EXPECT_EQ(text, "ABC") << entry.Name;
  }
}

TEST(LanguageServices, SessionDefaultIsTheUserLanguageUnlessItNeedsDoubleBytes) {
  const uint16_t language = DefaultSessionLanguage();
  const uint16_t primary = language & 0x3FF;
  EXPECT_TRUE(primary != 0x04 && primary != 0x11 && primary != 0x12);
}

TEST(CharacterMap, WithoutLanguageTheIdentity) {
  const TCharacterMap map = LanguageCharMaps().CharacterMap(0, 0);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(map[i], i);
}

TEST(CharacterMap, CzechMapIsAPermutationInCollationOrder) {
  const TCharacterMap map = LanguageCharMaps().CharacterMap(kCzech, 0);
  TCharacterMap sorted = map;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < 256; ++i) ASSERT_EQ(sorted[i], i);

  const platform::LocaleCollator& collator = platform::CollatorFor(kCzech, 1250, {.stringSort = true});
  const auto text = [](const uint8_t& c) { return std::string_view(reinterpret_cast<const char*>(&c), c != 0); };
  for (int i = 1; i < 256; ++i)
    ASSERT_LE(collator.Compare(text(map[i - 1]), text(map[i])), 0) << "position " << i;

  const auto position = [&](const char* utf8) {
    return std::find(map.begin(), map.end(), static_cast<uint8_t>(Cp1250(utf8)[0])) - map.begin();
  };
  EXPECT_LT(position("c"), position("č"));
  EXPECT_LT(position("č"), position("d"));
  EXPECT_LT(position("r"), position("ř"));
  EXPECT_LT(position("ř"), position("s"));
  EXPECT_LT(position("z"), position("ž"));
}

TEST(CharacterMap, TablesWithTheSameLanguageAndSortShareOneMap) {
  TLanguageCharMapsList maps;
  const TCharacterMap first = maps.CharacterMap(kCzech, 0);
  EXPECT_EQ(maps.Count(), 1);
  EXPECT_EQ(maps.CharacterMap(kCzech, 0), first);
  EXPECT_EQ(maps.Count(), 1);
  maps.CharacterMap(1031, 1);
  EXPECT_EQ(maps.Count(), 2);
}

}  // namespace
}  // namespace sklad
