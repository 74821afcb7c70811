// The volume's text files go from our UTF-8 sources to code page 1250 with CRLF line ends, and a
// character the code page cannot hold is an error instead of a silent '?'.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "tools/volume/WindowsText.h"

namespace rejstrik::volume {
namespace {

TEST(WindowsText, LineEndsAndCzechLetters) {
  struct Case {
    std::string Utf8;
    std::string Expected;
  };
  const Case cases[] = {
      {"", ""},
      {"[1]\nd_caption=Kvel CD\n", "[1]\r\nd_caption=Kvel CD\r\n"},
      {"already\r\nwindows\r\n", "already\r\nwindows\r\n"},
      {"mixed\r\nends\nhere", "mixed\r\nends\r\nhere"},
      {"\n\n", "\r\n\r\n"},
      {"\xEF\xBB\xBFmark dropped\n", "mark dropped\r\n"},
      {"Nápověda – „ěščřžýáíé“\n", "N\xE1pov\xEC" "da \x96 \x84\xEC\x9A\xE8\xF8\x9E\xFD\xE1\xED\xE9\x93\r\n"},
      {"Žluťoučký kůň\n", "\x8Elu\x9Dou\xE8k\xFD k\xF9\xF2\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(ToWindowsText(c.Utf8, 1250), c.Expected) << c.Utf8;
}

TEST(WindowsText, CharactersTheCodePageLacksNameTheirLine) {
  struct Case {
    std::string Utf8;
    std::string Line;
  };
  const Case cases[] = {
      {"první\ndruhá ☺\n", "line 2:"},          // a symbol outside code page 1250
      {"ok\r\nok\r\nß ok, ÿ not\n", "line 3:"},  // ÿ is Western, not Central European
      {"broken \xC3\n", "line 1:"},               // a UTF-8 sequence cut short
      {"a\n\xFF\xFE", "line 2:"},                 // not UTF-8 at all
  };
  for (const Case& c : cases) {
    try {
      ToWindowsText(c.Utf8, 1250);
      ADD_FAILURE() << "no error for " << c.Utf8;
    } catch (const std::runtime_error& error) {
      EXPECT_TRUE(std::string(error.what()).starts_with(c.Line)) << error.what();
    }
  }
}

}  // namespace
}  // namespace rejstrik::volume
