#include "VolumeFixture.h"

#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/LinkLabel.h"
#include "controls/Klapka.h"
#include "platform/ui/ShellOpen.h"

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

// The links of the information window and the main window, clicked with the mouse; what they
// would hand to the desktop is caught instead.
class LinkTest : public VolumeFixture {
 protected:
  void SetUp() override {
    VolumeFixture::SetUp();
    platform::ui::SetShellOpenObserver([this](const QString& target) { FOpened.push_back(target); });
    CreateProgram({"1"});
  }
  void TearDown() override {
    platform::ui::SetShellOpenObserver({});
    VolumeFixture::TearDown();
  }
  static void Click(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
  }
  std::vector<QString> FOpened;
};

TEST_F(LinkTest, InformationWindowMailsAndOpensThePublishersAddresses) {
  TForm3& information = *Windows().Form3;
  information.show();
  Click(information.Label4);
  Click(information.Label5);
  ASSERT_EQ(FOpened.size(), 2u);
  EXPECT_EQ(FOpened[0], "mailto:" + information.Label4->text());
  EXPECT_EQ(FOpened[0], "mailto:redakce@kvel.cz");
  EXPECT_EQ(FOpened[1], "http://www.kvel.cz");
  EXPECT_TRUE(information.isVisible());
}

TEST_F(LinkTest, ClickOnTheInformationPictureClosesTheWindow) {
  TForm3& information = *Windows().Form3;
  information.show();
  Click(information.Image1);
  EXPECT_FALSE(information.isVisible());
  EXPECT_TRUE(FOpened.empty());
}

// The label shows a long link shortened; a click opens the record's whole link.
TEST_F(LinkTest, RecordLinkArrivesWholeThoughTheLabelShortensIt) {
  const QString link = "http://www.kvel.cz/archiv/" + QString(224, QChar('x'));  // the column's 250
  WriteIni("[1]\nd_name=odkazy.dat\nnum=12\nall=on\n");
  CreateTable("odkazy", {{"1/", "1", "01000", "0011110", "Program", "\\P", link.toStdString(), ""}});
  CreateProgram({"1"});
  ASSERT_TRUE(FProgram->Start());
  ASSERT_EQ(Windows().Form1->Label20->text(), link.left(30) + "...");
  Click(Windows().Form1->Label20);
  ASSERT_EQ(FOpened.size(), 1u);
  EXPECT_EQ(FOpened[0], link);
}

TEST_F(LinkTest, DoubleClickOnTheHiddenHotSpotMailsTheAuthor) {
  QTest::mouseDClick(Windows().Form1->Label8, Qt::LeftButton);
  ASSERT_EQ(FOpened.size(), 1u);
  EXPECT_EQ(FOpened[0], "mailto:rejstrik@kvel.cz");
}

}  // namespace
}  // namespace rejstrik::testing
