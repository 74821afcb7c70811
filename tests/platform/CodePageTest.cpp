#include "platform/locale/CodePage.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace platform {
namespace {

TEST(CodePage, CzechTextRoundTripsThroughCodePage1250) {
  const std::string czech = "Příliš žluťoučký kůň úpěl ďábelské ódy";
  const std::string bytes = Utf8ToCodePage(czech, 1250);
  EXPECT_EQ(bytes.size(), 38u);  // one byte a character
  EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xF8);  // ř
  EXPECT_EQ(CodePageToUtf8(bytes, 1250), czech);
}

TEST(CodePage, EveryByteRoundTrips) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all += static_cast<char>(byte);
  for (int codePage : {1250, 1251, 1252})
    EXPECT_EQ(Utf8ToCodePage(CodePageToUtf8(all, codePage), codePage), all) << codePage;
}

TEST(CodePage, CharactersWithoutCounterpartBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCodePage("a€b", 1250), "a\x80" "b");     // the euro sign exists in 1250
  EXPECT_EQ(Utf8ToCodePage("a\xE2\x98\x83" "b", 1250), "a?b");  // a snowman does not
  EXPECT_EQ(Utf8ToCodePage("a\xFF" "b", 1250), "a?b");     // malformed UTF-8
  EXPECT_EQ(CodePageToUtf8("a\x98" "b", 1250), "a\u0098b");  // undefined in 1250: its C1 control
}

TEST(CodePage, ZeroBytesAreCharactersLikeAnyOther) {
  const std::string withZero("a\0b", 3);
  EXPECT_EQ(CodePageToUtf8(withZero, 1250), withZero);
  EXPECT_EQ(Utf8ToCodePage(withZero, 1250), withZero);
  EXPECT_EQ(CodePageToUtf8("", 1250), "");
}

TEST(CodePage, AnUnknownCodePageIsRefused) {
  EXPECT_THROW(CodePageToUtf8("abc", 4711), std::invalid_argument);
  EXPECT_THROW(Utf8ToCodePage("abc", 4711), std::invalid_argument);
}

}  // namespace
}  // namespace platform
