#include "VolumeFixture.h"

#include "app/Unit1.h"
#include "app/Unit5.h"
#include "controls/Klapka.h"

#include <QListWidget>
#include <QTest>

namespace rejstrik::testing {
namespace {

using SelectionWindowTest = VolumeFixture;

QStringList Rows(const QListWidget& list) {
  QStringList rows;
  for (int row = 0; row < list.count(); ++row) rows << list.item(row)->text();
  return rows;
}

TEST_F(SelectionWindowTest, ListsTheTitlesWithTheFirstSelected) {
  WriteIni(ThreeDatabases);
  CreateProgram({});
  TForm5& selection = *Windows().Form5;
  selection.show();
  EXPECT_EQ(Rows(*selection.ListBox1),
            QStringList({"Kvel CD 2002 – programy", "Speciály – ovladače", "Kvel CD 2003"}));
  EXPECT_EQ(selection.ListBox1->currentRow(), 0);
  EXPECT_EQ(selection.windowTitle(), "Dostupné databáze");
  EXPECT_EQ(selection.size(), QSize(220, 216));
  EXPECT_TRUE(selection.windowFlags() & Qt::WindowStaysOnTopHint);
}

// The rows are sections "1" .. "n" for n sections, not the sections the file names.
TEST_F(SelectionWindowTest, RowsFollowTheNumberOfSectionsNotTheirNames) {
  WriteIni("[1]\nd_caption=První\n[3]\nd_caption=Třetí\n[7]\nd_caption=Sedmá\n");
  CreateProgram({});
  TForm5& selection = *Windows().Form5;
  selection.show();
  EXPECT_EQ(Rows(*selection.ListBox1), QStringList({"První", "Databáze", "Třetí"}));
}

TEST_F(SelectionWindowTest, SectionAndKeyNamesIgnoreLetterCase) {
  WriteIni("[1]\nD_Caption=Velká písmena\n");
  CreateProgram({});
  Windows().Form5->show();
  EXPECT_EQ(Rows(*Windows().Form5->ListBox1), QStringList({"Velká písmena"}));
}

TEST_F(SelectionWindowTest, ListIsFilledOncePerRun) {
  WriteIni(ThreeDatabases);
  CreateProgram({});
  TForm5& selection = *Windows().Form5;
  selection.show();
  selection.hide();
  WriteIni("[1]\nd_caption=Jiná\n");
  selection.show();
  EXPECT_EQ(selection.ListBox1->count(), 3);
}

TEST_F(SelectionWindowTest, DoubleClickOnTheSecondRowChoosesDatabaseTwo) {
  WriteIni(ThreeDatabases);
  CreateProgram({});
  WhenSelectionShows([](TForm5& selection) {
    QListWidget& list = *selection.ListBox1;
    const QPoint second = list.visualItemRect(list.item(1)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, second);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, second);
  });
  ASSERT_TRUE(FProgram->Start());
  EXPECT_EQ(Windows().Form5->Tag(), 2);
  EXPECT_EQ(GlobalState().DatabaseSection, "2");
}

TEST_F(SelectionWindowTest, EnterChoosesTheSelectedRow) {
  WriteIni(ThreeDatabases);
  CreateProgram({});
  WhenSelectionShows([](TForm5& selection) {
    selection.ListBox1->setCurrentRow(2);
    QTest::keyClick(&selection, Qt::Key_Return);
  });
  ASSERT_TRUE(FProgram->Start());
  EXPECT_EQ(GlobalState().DatabaseSection, "3");
}

TEST_F(SelectionWindowTest, OkWithoutSelectedRowChoosesTheFirst) {
  WriteIni(ThreeDatabases);
  CreateProgram({});
  WhenSelectionShows([](TForm5& selection) {
    selection.ListBox1->setCurrentRow(-1);
    selection.Button1Click();
  });
  ASSERT_TRUE(FProgram->Start());
  EXPECT_EQ(GlobalState().DatabaseSection, "1");
}

TEST_F(SelectionWindowTest, OkOnASmallScreenMaximisesTheMainWindow) {
  WriteIni(ThreeDatabases);
  CreateProgram({"1"});
  ASSERT_TRUE(FProgram->Start());
  ASSERT_FALSE(Windows().Form1->isMaximized());
  platform::ui::SetScreenHeightOverride(480);
  WhenSelectionShows([](TForm5& selection) { selection.Button1Click(); });
  Windows().Form1->Klapka(1)->Click();
  EXPECT_TRUE(Windows().Form1->isMaximized());
}

}  // namespace
}  // namespace rejstrik::testing
