// LIKE matching of a word between two percent signs, the word searches' pattern: the same answers
// as the general matcher, with and without a language (Czech characters in code page 1250).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "engine/expression/LikeMatch.h"
#include "tests/support/Iterations.h"

namespace sklad {
namespace {

constexpr uint16_t kCzech = 1029;

TEST(LikeMatch, WordBetweenPercentSigns) {
  struct Case {
    const char* Text;
    const char* Pattern;
    uint16_t Language;
    bool Matches;
  };
  const Case cases[] = {
      {"Běží pod Linuxem", "%linux%", 0, false},  // case counts
      {"Běží pod linuxem", "%linux%", 0, true},
      {"linux", "%linux%", 0, true},
      {"linu", "%linux%", 0, false},
      {"", "%a%", 0, false},
      {"k\xE1va", "%av%", 0, false},  // káva: á is another byte
      {"k\xE1va", "%av%", kCzech, true},   // but the same letter in Czech
      {"k\xE1va", "%Av%", kCzech, false},
      {"k\xF9\xF2", "%ko%", kCzech, false},  // ů is a letter of its own
      {"aaab", "%aab%", 0, true},            // a partial match just before the word
      {"aaab", "%aab%", kCzech, true},
      {"abc", "%%", 0, true},
      {"abc", "%_%", 0, true},
      {"", "%_%", 0, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LikeMatches(c.Text, c.Pattern, c.Language, 0), c.Matches) << c.Text << " LIKE " << c.Pattern;
  }
}

// "%word%%" means the same as "%word%" but takes the general matcher's path.
TEST(LikeMatch, FuzzWordSearchAgreesWithTheGeneralMatcher) {
  std::mt19937 random(1250);
  const std::string alphabet = "aAb\xE1\xC1u\xF9";  // a A b á Á u ů
  const auto text = [&](int longest) {
    std::string made;
    for (int n = std::uniform_int_distribution<int>(0, longest)(random); n > 0; --n) {
      made += alphabet[std::uniform_int_distribution<size_t>(0, alphabet.size() - 1)(random)];
    }
    return made;
  };
  for (int round = 0; round < ::sklad::testing::Iterations(20000, 2000000); ++round) {
    const std::string subject = text(12);
    std::string word = text(4);
    if (word.empty()) word = "a";
    for (uint16_t language : {uint16_t{0}, kCzech}) {
      ASSERT_EQ(LikeMatches(subject, "%" + word + "%", language, 0), LikeMatches(subject, "%" + word + "%%", language, 0))
          << subject << " LIKE %" << word << "% language " << language;
    }
  }
}

}  // namespace
}  // namespace sklad
