#include "VolumeFixture.h"

#include "app/Unit1.h"
#include "app/Unit5.h"
#include "controls/Klapka.h"
#include "controls/Prepinac.h"

#include <QLabel>
#include <QListWidget>
#include <QTest>

namespace rejstrik::testing {
namespace {

using StartupTest = VolumeFixture;

QString Caption(const TForm1& form) { return form.windowTitle(); }

TEST_F(StartupTest, WithoutArgumentTheSelectionWindowChoosesTheDatabase) {
  WriteIni(ThreeDatabases);
  CreateThreeTables();
  CreateProgram({});
  bool shownBeforeMainWindow = false;
  WhenSelectionShows([&](TForm5& selection) {
    shownBeforeMainWindow = selection.isVisible() && !Windows().Form1->isVisible();
    selection.ListBox1->setCurrentRow(1);
    selection.Button1Click();
  });
  ASSERT_TRUE(FProgram->Start());
  EXPECT_TRUE(shownBeforeMainWindow);
  EXPECT_EQ(GlobalState().DatabaseSection, "2");
  EXPECT_EQ(GlobalState().TableName, "speciály");
  EXPECT_EQ(Caption(*Windows().Form1), "Speciály – ovladače");
  EXPECT_EQ(Windows().Form1->Label1->text(), "  Speciály – ovladače  ");
  EXPECT_TRUE(Windows().Form1->isVisible());
  EXPECT_TRUE(FMessages.empty());
}

TEST_F(StartupTest, ArgumentOpensItsDatabaseWithoutTheSelectionWindow) {
  WriteIni(ThreeDatabases);
  CreateThreeTables();
  CreateProgram({"3"});
  ASSERT_TRUE(FProgram->Start());
  EXPECT_EQ(Windows().Form5->ListBox1->count(), 0);  // the selection window never showed
  EXPECT_EQ(GlobalState().DatabaseSection, "3");
  EXPECT_EQ(Caption(*Windows().Form1), "Kvel CD 2003");
}

TEST_F(StartupTest, TableNameIsTheFileNameBeforeItsFirstDot) {
  WriteIni("[1]\nd_name=kvel.2002.dat\n[2]\nd_name=kvel2003\n");
  CreateProgram({"1"});
  ASSERT_TRUE(FProgram->Start());
  EXPECT_EQ(GlobalState().TableName, "kvel");
  // A name without a "." is the table name as it stands.
  FProgram.reset();
  CreateProgram({"2"});
  ASSERT_TRUE(FProgram->Start());
  EXPECT_EQ(GlobalState().TableName, "kvel2003");
}

TEST_F(StartupTest, ClosingTheSelectionWindowWithoutChoiceEndsTheProgram) {
  WriteIni(ThreeDatabases);
  CreateProgram({});
  WhenSelectionShows([](TForm5& selection) { selection.Klapka2->Click(); });
  EXPECT_FALSE(FProgram->Start());
  EXPECT_TRUE(GlobalState().SelectionCancelled);
  EXPECT_FALSE(Windows().Form1->isVisible());
}

struct TIssueCase {
  const char* Name;
  const char* Keys;
  int Enabled;                 // toggles 1 .. Enabled are enabled, the rest blocked
  std::vector<int> Checked;    // issues whose toggle is checked
};

void PrintTo(const TIssueCase& value, std::ostream* out) { *out << value.Name; }

class IssueToggleTest : public VolumeFixture, public ::testing::WithParamInterface<TIssueCase> {};

TEST_P(IssueToggleTest, NumAndAllGiveTheEnabledBlockedAndCheckedToggles) {
  WriteIni(std::string("[1]\nd_name=t.dat\n") + GetParam().Keys);
  CreateProgram({"1"});
  ASSERT_TRUE(FProgram->Start());
  const TForm1& form = *Windows().Form1;
  for (int issue = 1; issue <= 12; ++issue) {
    const controls::TPrepinac& toggle = *form.CheckBox(16 + issue);
    const bool enabled = issue <= GetParam().Enabled;
    const auto& checked = GetParam().Checked;
    EXPECT_EQ(toggle.isEnabled(), enabled) << "issue " << issue;
    EXPECT_EQ(toggle.blokovano(), !enabled) << "issue " << issue;
    EXPECT_EQ(toggle.checked(), std::find(checked.begin(), checked.end(), issue) != checked.end())
        << "issue " << issue;
    EXPECT_TRUE(toggle.HasOnClick()) << "issue " << issue;
  }
}

INSTANTIATE_TEST_SUITE_P(
    StartupTest, IssueToggleTest,
    ::testing::Values(
        TIssueCase{"Five", "num=5\nall=off\n", 5, {3}},
        TIssueCase{"Defaults", "", 1, {}},  // num 1, all off: nothing checked
        TIssueCase{"TwelveAll", "num=12\nall=on\n", 12, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
        TIssueCase{"AllInCapitals", "num=3\nall=ON\n", 3, {1}},  // only "on" checks them all
        TIssueCase{"SpacesAroundValues", "num= 4 \nall= on \n", 4, {1, 2, 3, 4}},
        TIssueCase{"Zero", "num=0\n", 0, {}},
        TIssueCase{"Negative", "num=-3\n", 0, {}},
        TIssueCase{"AboveTwelve", "num=40\n", 12, {}}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(StartupTest, NonNumericIssueCountIsReportedAndEveryToggleKeepsItsHandler) {
  WriteIni("[1]\nd_caption=Nová\nnum=pět\ntyp=2\n");
  CreateProgram({"1"});
  ASSERT_TRUE(FProgram->Start());
  ASSERT_EQ(FMessages.size(), 1u);
  EXPECT_EQ(FMessages[0].Text, "'pět' is not a valid integer value");
  EXPECT_EQ(FMessages[0].Kind, platform::ui::TMessageKind::Error);
  const TForm1& form = *Windows().Form1;
  for (int number = 17; number <= 28; ++number) EXPECT_TRUE(form.CheckBox(number)->HasOnClick());
  // The rest of the start-up did not run: no label set, no caption.
  EXPECT_EQ(GlobalState().LabelSet, "");
  EXPECT_EQ(Caption(form), "Databáze");
  EXPECT_TRUE(form.isVisible());
}

TEST_F(StartupTest, LabelSetTwoGivesTheSecondCaptionsAndHidesTheExtraSections) {
  WriteIni("[1]\ntyp=2\n");
  CreateProgram({"1"});
  ASSERT_TRUE(FProgram->Start());
  const TForm1& form = *Windows().Form1;
  EXPECT_EQ(form.rub(1)->text(), "C/C++ & Visual C++");
  EXPECT_EQ(form.rub(9)->text(), "Stříbrné disky");
  EXPECT_EQ(form.rub(12)->text(), "Druhá CD");
  for (int number : {15, 16}) {
    EXPECT_FALSE(form.CheckBox(number)->checked());
    EXPECT_FALSE(form.CheckBox(number)->isVisible());
    EXPECT_FALSE(form.CheckBox(number)->isEnabled());
    EXPECT_FALSE(form.CheckBox(number)->HasOnClick());
  }
  for (int number = 3; number <= 14; ++number) EXPECT_TRUE(form.CheckBox(number)->checked());
  EXPECT_EQ(form.Klapka(13)->Tag(), 2);
}

TEST_F(StartupTest, LabelSetOneGivesTheFirstCaptions) {
  WriteIni("[1]\ntyp=1\n");
  CreateProgram({"1"});
  ASSERT_TRUE(FProgram->Start());
  const TForm1& form = *Windows().Form1;
  EXPECT_EQ(form.rub(1)->text(), "Téma měsíce");
  EXPECT_EQ(form.rub(4)->text(), "Od našich čtenářů");
  EXPECT_EQ(form.rub(12)->text(), "Bonus Kvel CD");
  for (int number = 3; number <= 14; ++number) {
    EXPECT_TRUE(form.CheckBox(number)->checked());
    EXPECT_TRUE(form.CheckBox(number)->isVisible());
  }
  EXPECT_TRUE(form.CheckBox(15)->checked());
}

TEST_F(StartupTest, ReappliedLabelSetKeepsTheUsersSectionChoice) {
  WriteIni("[1]\ntyp=1\n");
  CreateProgram({"1"});
  TForm1& form = *Windows().Form1;
  ASSERT_TRUE(FProgram->Start());
  form.CheckBox(5)->Setchecked(false);
  form.ApplyLabelSet("1");
  EXPECT_FALSE(form.CheckBox(5)->checked());
  form.ApplyLabelSet("3");  // not a label set: nothing changes
  EXPECT_EQ(form.rub(1)->text(), "Téma měsíce");
}

// Going back from a database of label set "2" to one of set "1" restores the two hidden
// toggles of section 99, as a fresh start would show them.
TEST_F(StartupTest, ReselectingFromLabelSetTwoToOneRestoresTheHiddenSections) {
  WriteIni(ThreeDatabases);
  CreateProgram({"2"});
  TForm1& form = *Windows().Form1;
  ASSERT_TRUE(FProgram->Start());
  ASSERT_FALSE(form.CheckBox(15)->checked());
  WhenSelectionShows([](TForm5& selection) {
    selection.ListBox1->setCurrentRow(0);
    selection.Button1Click();
  });
  form.Klapka(1)->Click();
  EXPECT_EQ(GlobalState().DatabaseSection, "1");
  for (int number : {15, 16}) {
    EXPECT_TRUE(form.CheckBox(number)->checked());
    EXPECT_FALSE(form.CheckBox(number)->isVisible());
    EXPECT_FALSE(form.CheckBox(number)->isEnabled());
    EXPECT_TRUE(form.CheckBox(number)->HasOnClick());
  }
  EXPECT_EQ(form.rub(1)->text(), "Téma měsíce");
}

TEST_F(StartupTest, DatabaseButtonShowsTheSelectionWindowDespiteTheArgument) {
  WriteIni(ThreeDatabases);
  CreateThreeTables();
  CreateProgram({"3"});
  ASSERT_TRUE(FProgram->Start());
  WhenSelectionShows([](TForm5& selection) {
    selection.ListBox1->setCurrentRow(1);
    selection.Button1Click();
  });
  Windows().Form1->Klapka(1)->Click();
  EXPECT_EQ(GlobalState().DatabaseSection, "2");
  // Once a choice was made, closing the window without OK continues with the selected row.
  WhenSelectionShows([](TForm5& selection) {
    selection.ListBox1->setCurrentRow(0);
    selection.Klapka2->Click();
  });
  Windows().Form1->Klapka(1)->Click();
  EXPECT_EQ(GlobalState().DatabaseSection, "1");
  EXPECT_FALSE(GlobalState().SelectionCancelled);
  EXPECT_FALSE(Windows().Form1->Terminated());
  EXPECT_TRUE(FMessages.empty());
}

struct TScreenCase {
  int Height;
  bool Maximised;
};

void PrintTo(const TScreenCase& value, std::ostream* out) { *out << value.Height; }

class ScreenSizeTest : public VolumeFixture, public ::testing::WithParamInterface<TScreenCase> {};

TEST_P(ScreenSizeTest, SmallScreenMaximisesTheMainWindow) {
  platform::ui::SetScreenHeightOverride(GetParam().Height);
  WriteIni(ThreeDatabases);
  CreateProgram({"1"});
  ASSERT_TRUE(FProgram->Start());
  const TForm1& form = *Windows().Form1;
  EXPECT_EQ(form.isMaximized(), GetParam().Maximised);
  EXPECT_EQ(form.minimumSize() != form.maximumSize(), GetParam().Maximised);  // sizeable
}

INSTANTIATE_TEST_SUITE_P(StartupTest, ScreenSizeTest,
                         ::testing::Values(TScreenCase{480, true}, TScreenCase{400, true},
                                           TScreenCase{481, false}, TScreenCase{768, false}),
                         [](const auto& info) { return "Height" + std::to_string(info.param.Height); });

// Bad INI files: each start gives the defaults, never a crash; without a table name the first
// open fails with the engine's error, reported once, and the window stays usable.
struct TBadIniCase {
  const char* Name;
  const char* Text;  // nullptr: no file at all
};

void PrintTo(const TBadIniCase& value, std::ostream* out) { *out << value.Name; }

class BadIniTest : public VolumeFixture, public ::testing::WithParamInterface<TBadIniCase> {};

TEST_P(BadIniTest, DatabaseArgumentGivesTheDefaults) {
  if (GetParam().Text != nullptr) WriteIni(GetParam().Text);
  CreateProgram({"1"});
  ASSERT_TRUE(FProgram->Start());
  const TForm1& form = *Windows().Form1;
  EXPECT_EQ(Caption(form), "Databáze");
  EXPECT_EQ(GlobalState().TableName, "");
  EXPECT_EQ(GlobalState().LabelSet, "1");
  EXPECT_TRUE(form.CheckBox(17)->isEnabled());
  EXPECT_FALSE(form.CheckBox(17)->checked());
  EXPECT_TRUE(form.CheckBox(18)->blokovano());
  ASSERT_EQ(FMessages.size(), 1u);
  EXPECT_EQ(FMessages[0].Kind, platform::ui::TMessageKind::Error);
  EXPECT_TRUE(form.isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    StartupTest, BadIniTest,
    ::testing::Values(TBadIniCase{"Missing", nullptr}, TBadIniCase{"Empty", ""},
                      TBadIniCase{"NoSections", "d_caption=Bez sekce\nnum=7\n"},
                      TBadIniCase{"Garbage", "\x01\x02 nesmysl\n[[[\n=\n==x\n[1\n"},
                      TBadIniCase{"SectionWithoutKeys", "[1]\n[2]\nd_caption=Druhá\n"},
                      TBadIniCase{"UnknownNumber", "[2]\nd_caption=Druhá\nnum=9\n"}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(StartupTest, WithoutIniFileTheSelectionListIsEmptyAndOkEndsTheProgram) {
  CreateProgram({});
  int rows = -1;
  WhenSelectionShows([&](TForm5& selection) {
    rows = selection.ListBox1->count();
    selection.Button1Click();
  });
  EXPECT_FALSE(FProgram->Start());
  EXPECT_EQ(rows, 0);
  EXPECT_EQ(Windows().Form5->Tag(), 0);
}

}  // namespace
}  // namespace rejstrik::testing
