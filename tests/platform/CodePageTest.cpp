#include "platform/locale/CodePage.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(CodePage, CzechTextRoundTripsThroughCodePage1250) {
  const std::string czech = "Příliš žluťoučký kůň úpěl ďábelské ódy";
  const std::string bytes = Utf8ToCodePage(czech, 1250);
  EXPECT_EQ(bytes.size(), 38u);  // one byte a character
  EXPECT_EQ(static_cast<unsigned char>(bytes[1]), 0xF8);  // ř
  EXPECT_EQ(CodePageToUtf8(bytes, 1250), czech);
}

}  // namespace
}  // namespace platform
