#include "VolumeFixture.h"

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "controls/Klapka.h"

#include <QPlainTextEdit>
#include <QTest>

#include <filesystem>

namespace rejstrik::testing {
namespace {

class HelpWindowTest : public VolumeFixture {
 protected:
  void WriteHelp(const std::string& utf8Text) {
    std::ofstream(HelpFileName(), std::ios::binary) << platform::Utf8ToCodePage(utf8Text, 1250);
  }
  QString HelpText() const { return Windows().Form2->Memo1->toPlainText(); }
};

TEST_F(HelpWindowTest, HelpOfFiveLinesIsReadOncePerRun) {
  WriteHelp("Nápověda\r\n2\r\n3\r\n4\r\n5\r\n");
  CreateProgram({"1"});
  Windows().Form1->Klapka(2)->Click();
  EXPECT_TRUE(Windows().Form2->isVisible());
  EXPECT_TRUE(HelpText().startsWith("Nápověda\n2\n"));
  WriteHelp("Jiná\r\n");
  Windows().Form1->Klapka(2)->Click();
  EXPECT_TRUE(HelpText().startsWith("Nápověda"));
}

TEST_F(HelpWindowTest, ShortHelpIsReadAgainOnEveryOpening) {
  WriteHelp("Jeden řádek");
  CreateProgram({"1"});
  Windows().Form1->Klapka(2)->Click();
  EXPECT_EQ(HelpText(), "Jeden řádek");
  WriteHelp("Jiný řádek");
  Windows().Form1->Klapka(2)->Click();
  EXPECT_EQ(HelpText(), "Jiný řádek");
}

TEST_F(HelpWindowTest, MissingHelpFileIsReportedAndTheWindowStaysHidden) {
  CreateProgram({"1"});
  Windows().Form1->Klapka(2)->Click();
  ASSERT_EQ(FMessages.size(), 1u);
  EXPECT_TRUE(FMessages[0].Text.contains("help.txt"));
  EXPECT_FALSE(Windows().Form2->isVisible());
}

TEST_F(HelpWindowTest, HelpPathThatIsADirectoryIsReported) {
  std::filesystem::create_directory(HelpFileName());
  CreateProgram({"1"});
  Windows().Form1->Klapka(2)->Click();
  ASSERT_EQ(FMessages.size(), 1u);
  EXPECT_TRUE(FMessages[0].Text.contains("Is a directory"));
  EXPECT_FALSE(Windows().Form2->isVisible());
}

TEST_F(HelpWindowTest, TitleButtonsOpenAndCloseTheInformationWindow) {
  CreateProgram({"1"});
  Windows().Form1->Klapka(13)->Click();
  EXPECT_TRUE(Windows().Form3->isVisible());
  Windows().Form3->Klapka2->Click();
  EXPECT_FALSE(Windows().Form3->isVisible());
}

}  // namespace
}  // namespace rejstrik::testing
