#include "app/RecordCodes.h"

#include "app/SkinnedWindow.h"
#include "tests/support/QtPrinters.h"

#include <gtest/gtest.h>

#include <QFontMetrics>

namespace rejstrik {
namespace {

struct TCodeCase {
  const char* Code;
  const char* Text;
};

TEST(RecordCodesTest, SystemCodes) {
  const TCodeCase cases[] = {
      {"0011110", "Win 9x/ME, Win NT, Win 2000, Win XP"},
      {"1000001", "DOS, Linux"},
      {"1111111", "DOS, Win 3.x, Win 9x/ME, Win NT, Win 2000, Win XP, Linux"},
      {"0000000", ""},
      {"", ""},
      {"01", "Win 3.x"},
      {"00000001", ""},
      {"0x1", "Win 9x/ME"},
      {"X01", "X01"},
      {"Win", "Win"},
  };
  for (const TCodeCase& example : cases)
    EXPECT_EQ(DecodeSystems(example.Code), QString(example.Text)) << example.Code;
}

TEST(RecordCodesTest, TypeCodes) {
  const TCodeCase cases[] = {
      {"01100", "shareware, freeware"},
      {"1", "demo"},
      {"11111", "demo, shareware, freeware, trial, plná verze"},
      {"00001", "plná verze"},
      {"00000", ""},
      {"0", ""},
      {"", ""},
      {"A", "ostatní"},
      {"C", "článek/dokument/informace"},
      {"F", "off-line ukázka webu"},
      {"G", "prezentace"},
      {"K", "knihy"},
      {"M", "srovnávací testy"},
      {"N", "návod/recenze s programem"},
      {"O", "ovladače"},
      {"R", "rubrika"},
      {"X", "stříbrné disky"},
      {"NX", "NX"},
      {"X1", "X1"},
      {"B", ""},
      {"x", ""},
      {"2", ""},
  };
  for (const TCodeCase& example : cases)
    EXPECT_EQ(DecodeType(example.Code), QString(example.Text)) << example.Code;
}

TEST(RecordCodesTest, SectionNamesByLabelSet) {
  struct TCase {
    const char* Section;
    const char* LabelSet;
    const char* Name;
  };
  const TCase cases[] = {
      {"1", "1", "Téma měsíce"},
      {"11", "1", "Pro chvíle oddechu"},
      {"12", "1", "Bonus Kvel CD"},
      {"99", "1", "Ostatní"},
      {"1", "2", "C/C++ & Visual C++"},
      {"10", "2", "Knihy"},
      {"11", "2", ""},
      {"12", "2", "Druhá CD"},
      {"99", "2", "Ostatní"},
      {"01", "1", ""},
      {"13", "1", ""},
      {"0", "2", ""},
      {"", "1", ""},
      {" 1", "1", ""},
      {"1", "3", ""},
      {"1", "", ""},
  };
  for (const TCase& example : cases)
    EXPECT_EQ(SectionName(example.Section, example.LabelSet), QString(example.Name))
        << example.Section << " in set " << example.LabelSet;
}

TEST(RecordCodesTest, SectionCaptionsOfEachLabelSet) {
  const std::array<QString, 12> set1 = {
      "Téma měsíce",      "Zkuste si sami",     "Shareware",          "Od našich čtenářů",
      "Prezentace firem", "Ze světa internetu", "Kvel Plus",          "Servis",
      "Obsahy",           "Z redakce",          "Pro chvíle oddechu", "Bonus Kvel CD"};
  const std::array<QString, 12> set2 = {
      "C/C++ & Visual C++", "Delphi", "Linux",          "Freesoft", "Mac OS",  "Visual Basic",
      "Ovladače",           "Návody", "Stříbrné disky", "Knihy",    "Ostatní", "Druhá CD"};
  EXPECT_EQ(SectionNames(1), set1);
  EXPECT_EQ(SectionNames(2), set2);
  EXPECT_EQ(SectionNames(3), (std::array<QString, 12>{}));
  // A record's section reads as its toggle's caption, except section 11 of set 2.
  for (int section = 1; section <= 12; ++section) {
    const QString number = QString::number(section);
    EXPECT_EQ(SectionName(number, "1"), set1[section - 1]);
    if (section != 11) {
      EXPECT_EQ(SectionName(number, "2"), set2[section - 1]);
    }
  }
}

TEST(RecordCodesTest, TextsWiderThanTheirPlaceAreShortened) {
  const QFontMetrics detail(ProgramFont(11));
  const QString systems = DecodeSystems("1111111");
  ASSERT_GT(detail.horizontalAdvance(systems), 188);
  const TShownText shortened = ShortenToWidth(systems, detail, 188, 30, "...");
  EXPECT_EQ(shortened.Text, QString("DOS, Win 3.x, Win 9x/ME, Win N..."));
  EXPECT_EQ(shortened.Hint, systems);

  const TShownText fitting = ShortenToWidth("DOS, Linux", detail, 188, 30, "...");
  EXPECT_EQ(fitting.Text, QString("DOS, Linux"));
  EXPECT_TRUE(fitting.Hint.isEmpty());

  const QFontMetrics title(ProgramFont(14, true));
  const QString name = QString("Kompletní sada nástrojů pro správu disků ").repeated(2).left(60);
  ASSERT_GT(title.horizontalAdvance(name), 329);
  const TShownText shortName = ShortenToWidth(name, title, 329, 40, " ...");
  EXPECT_EQ(shortName.Text, name.left(40) + " ...");
  EXPECT_EQ(shortName.Hint, name);
}

TEST(RecordCodesTest, ATextExactlyAsWideAsItsPlaceIsShownWhole) {
  const QFontMetrics detail(ProgramFont(11));
  const QString text = "Win 9x/ME, Win NT, Win 2000, Win XP";
  const int width = detail.horizontalAdvance(text);
  EXPECT_EQ(ShortenToWidth(text, detail, width, 10, "...").Text, text);
  EXPECT_EQ(ShortenToWidth(text, detail, width - 1, 10, "...").Text, QString("Win 9x/ME,..."));
}

TEST(RecordCodesTest, ShorteningKeepsACharacterOutsideTheBasicPlaneWhole) {
  const QFontMetrics detail(ProgramFont(11));
  const QString text =
      QString("ab") + QString::fromUcs4(U"\U0001F600") + "cdefghijklmnopqrstuvwxyz";
  const TShownText shown = ShortenToWidth(text, detail, 20, 3, "...");
  EXPECT_EQ(shown.Text, text.left(4) + "...");
  EXPECT_EQ(shown.Hint, text);
}

}  // namespace
}  // namespace rejstrik
