// Scenarios of the main window on a running program: the start, the toggles and their SQL text,
// Ctrl batch mode, the simple search, cancelling filters, changing the database, help, and a
// database that cannot be opened.
#include "CatalogueFixture.h"

#include "app/Unit2.h"
#include "app/Unit4.h"
#include "app/Unit5.h"
#include "controls/Klapka.h"
#include "dataset/SkladDataSet.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

namespace rejstrik::testing {
namespace {

using MainWindowTest = CatalogueFixture;

constexpr int SampleDatabase1Records = 309;

TEST_F(MainWindowTest, StartWithoutArgumentShowsTheChosenDatabaseWithEveryToggleChecked) {
  CopySampleVolume();
  WhenSelectionShows([](TForm5& selection) {
    selection.ListBox1->setCurrentRow(0);
    selection.Button1Click();
  });
  Start({});
  EXPECT_EQ(GlobalState().DatabaseSection, "1");
  for (int number = 3; number <= 28; ++number) {
    if (number == 15 || number == 16) continue;  // the hidden toggles of section 99
    EXPECT_TRUE(Main().CheckBox(number)->checked()) << number;
    EXPECT_TRUE(Main().CheckBox(number)->isEnabled()) << number;
  }
  EXPECT_EQ(FOpens, 1);
  EXPECT_EQ(Main().LoadingIndicator().ShowCount(), 1);
  EXPECT_EQ(Main().LoadingIndicator().Window(), nullptr);
  EXPECT_EQ(Main().Tag(), 2);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(RecordCount(), SampleDatabase1Records);
  EXPECT_EQ(Main().Label5->text(), QString::number(SampleDatabase1Records));
  EXPECT_EQ(Main().Label5b->text(), "");
  EXPECT_EQ(Main().Label5b->toolTip(), "");
  EXPECT_FALSE(Main().Label9->text().isEmpty());  // the first record is shown
  EXPECT_TRUE(FMessages.empty());
}

TEST_F(MainWindowTest, StartWithDatabaseNumberOpensItWithItsIssueChoice) {
  CopySampleVolume();
  Start({"3"});  // num 5, all off: only issue 3 checked
  EXPECT_EQ(Windows().Form5->ListBox1->count(), 0);
  EXPECT_EQ(GlobalState().TableName, "kvel2003");
  EXPECT_TRUE(Main().CheckBox(IssueToggle(3))->checked());
  EXPECT_GT(RecordCount(), 0);
  EXPECT_EQ(Main().Label5b->text(), " * filtr zapnut");
  EXPECT_EQ(Main().Label5b->toolTip(), "Byl proveden: - výběr čísel Kvel CD ");
  EXPECT_EQ(Main().LoadingIndicator().ShowCount(), 1);
}

TEST_F(MainWindowTest, UncheckingASectionRequeriesOnceAndTellsTheSectionChoice) {
  CopySampleVolume();
  Start({"1"});
  Click(Main().CheckBox(SectionToggle(2)));
  EXPECT_FALSE(Main().CheckBox(SectionToggle(2))->checked());
  EXPECT_EQ(FOpens, 2);
  EXPECT_LT(RecordCount(), SampleDatabase1Records);
  EXPECT_EQ(Main().Label5->text(), QString::number(RecordCount()));
  EXPECT_EQ(Main().Label5b->toolTip(), "Byl proveden: - výběr rubrik ");
  EXPECT_EQ(Main().LoadingIndicator().ShowCount(), 1);  // only the first open shows it
}

// The batch: Ctrl held, both "none" buttons, then issues 1, 2 and sections 1, 3 clicked.
TEST_F(MainWindowTest, CtrlBatchGivesOneRequeryWithTheWholeChoice) {
  CopySampleVolume();
  Start({"1"});
  WithCtrl(&Main(), &Main(), [this] {
    Main().Klapka(6)->Click();
    Main().Klapka(5)->Click();
    for (int issue : {1, 2}) Click(Main().CheckBox(IssueToggle(issue)));
    for (int section : {1, 3}) Click(Main().CheckBox(SectionToggle(section)));
    Click(Main().CheckBox(IssueToggle(4)));
    EXPECT_EQ(FOpens, 1);
  });
  EXPECT_EQ(FOpens, 2);
  const std::vector<std::string> expected = {
      "SELECT * FROM kvel2002",
      "WHERE ((SUBSTRING(p FROM 1 FOR 2) = '1/') OR (SUBSTRING(p FROM 1 FOR 3) = '01/')",
      " OR (SUBSTRING(p FROM 1 FOR 2) = '2/') OR (SUBSTRING(p FROM 1 FOR 3) = '02/')",
      " OR (SUBSTRING(p FROM 1 FOR 2) = '4/') OR (SUBSTRING(p FROM 1 FOR 3) = '04/')",
      ")",
      " AND ",
      "((r = '1')",
      " OR (r = '3')",
      " OR (r = '99')",
      ")"};
  EXPECT_EQ(SqlLines(), expected);
  EXPECT_EQ(Main().Label5b->toolTip(), "Byl proveden: - výběr čísel Kvel CD - výběr rubrik ");
  // The toggles still re-query one click at a time.
  Click(Main().CheckBox(IssueToggle(4)));
  EXPECT_EQ(FOpens, 3);
  EXPECT_FALSE(GlobalState().BatchToggleMode);
}

struct TBatchEndCase {
  const char* Name;
  bool ReleaseInTypeWindow;  // Ctrl pressed in the main window, released in the type window
  bool FocusLost;            // the program loses the focus before Ctrl is released
};

void PrintTo(const TBatchEndCase& value, std::ostream* out) { *out << value.Name; }

class BatchEndTest : public CatalogueFixture, public ::testing::WithParamInterface<TBatchEndCase> {};

TEST_P(BatchEndTest, BatchModeEndsWithOneRequeryAndTogglesRequeryAfterwards) {
  CopySampleVolume();
  Start({"1"});
  QWidget* releasedIn = GetParam().ReleaseInTypeWindow ? static_cast<QWidget*>(Windows().Form4)
                                                       : &Main();
  const int before = FOpens;
  WithCtrl(&Main(), releasedIn, [&] {
    for (int issue = 1; issue <= 5; ++issue) Click(Main().CheckBox(IssueToggle(issue)));
    EXPECT_EQ(FOpens, before);
    if (GetParam().FocusLost) {
      emit qApp->applicationStateChanged(Qt::ApplicationInactive);
      EXPECT_FALSE(GlobalState().BatchToggleMode);
      EXPECT_EQ(FOpens, before + 1);
    }
  });
  EXPECT_EQ(FOpens, before + 1);
  EXPECT_FALSE(GlobalState().BatchToggleMode);
  EXPECT_EQ(SqlLines()[1].find("'1/'"), std::string::npos);
  Click(Main().CheckBox(IssueToggle(6)));
  EXPECT_EQ(FOpens, before + 2);
}

INSTANTIATE_TEST_SUITE_P(
    MainWindowTest, BatchEndTest,
    ::testing::Values(TBatchEndCase{"SameWindow", false, false},
                      TBatchEndCase{"ReleasedInTypeWindow", true, false},
                      TBatchEndCase{"FocusLost", false, true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MainWindowTest, NoneAndAllIssueButtonsEmptyAndRefillTheList) {
  CopySampleVolume();
  Start({"1"});
  Main().Klapka(6)->Click();
  EXPECT_EQ(RecordCount(), 0);
  EXPECT_EQ(Main().Label9->text(), "");
  EXPECT_EQ(Main().Label5->text(), "0");
  EXPECT_FALSE(GlobalState().IssuesAllChosen);
  EXPECT_TRUE(Main().DataSource1.Enabled());
  Main().Klapka(3)->Click();
  EXPECT_EQ(RecordCount(), SampleDatabase1Records);
  EXPECT_TRUE(GlobalState().IssuesAllChosen);
  Main().Klapka(5)->Click();
  EXPECT_LT(RecordCount(), SampleDatabase1Records);
  EXPECT_TRUE(Main().CheckBox(15)->checked());  // the hidden toggle of section 99 stays
  EXPECT_FALSE(GlobalState().SectionsAllChosen);
}

struct TSearchCase {
  const char* Name;
  const char* Word;
  bool InName;
  bool InDescription;
  const char* Filter;   // the word filter afterwards
  bool SearchFilterOn;
  const char* Message;  // the box shown, or nullptr
};

void PrintTo(const TSearchCase& value, std::ostream* out) { *out << value.Name; }

class SimpleSearchTest : public CatalogueFixture, public ::testing::WithParamInterface<TSearchCase> {};

TEST_P(SimpleSearchTest, SearchSetsTheFilterOrTellsWhyNot) {
  CopySampleVolume();
  Start({"1"});
  const TSearchCase& search = GetParam();
  Main().Edit1->setText(QString::fromUtf8(search.Word));
  if (!search.InName) Main().CheckBox(1)->Setchecked(false);
  if (!search.InDescription) Main().CheckBox(2)->Setchecked(false);
  QTest::keyClick(Main().Edit1, Qt::Key_Return);
  EXPECT_EQ(FilterText(), search.Filter);
  EXPECT_EQ(GlobalState().SearchFilterOn, search.SearchFilterOn);
  if (search.Message == nullptr) {
    EXPECT_TRUE(FMessages.empty());
  } else {
    ASSERT_EQ(FMessages.size(), 1u);
    EXPECT_EQ(FMessages[0].Text, QString::fromUtf8(search.Message));
  }
  if (search.SearchFilterOn) {
    EXPECT_GT(RecordCount(), 0);
    EXPECT_LT(RecordCount(), SampleDatabase1Records);
    EXPECT_EQ(Main().Label5b->toolTip(), "Byl proveden: - filtr vyhledávání ");
  } else {
    EXPECT_EQ(RecordCount(), SampleDatabase1Records);
    EXPECT_EQ(Main().Label5b->toolTip(), "");
  }
  EXPECT_TRUE(Main().DataSource1.Enabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(FOpens, 1);  // a search filters the open list
}

constexpr const char* NotFound = "hledané slovo nenalezeno v žádném záznamu";

INSTANTIATE_TEST_SUITE_P(
    MainWindowTest, SimpleSearchTest,
    ::testing::Values(
        TSearchCase{"Found", "Linux", true, true,
                    R"(LOWER(name) LIKE "%linux%" OR LOWER(popis) LIKE "%linux%")", true, nullptr},
        TSearchCase{"FoundInNames", "WinRAR", true, false, R"(LOWER(name) LIKE "%winrar%")", true,
                    nullptr},
        // Czech capitals find the lowered text of the records.
        TSearchCase{"CzechCapitals", "PŘÍRUČKY", true, true,
                    R"(LOWER(name) LIKE "%příručky%" OR LOWER(popis) LIKE "%příručky%")", true,
                    nullptr},
        TSearchCase{"CzechCapitalsInNames", "ÚČETNICTVÍ", true, false,
                    R"(LOWER(name) LIKE "%účetnictví%")", true, nullptr},
        TSearchCase{"NotFound", "xyzzyq", true, true, "", false, NotFound},
        TSearchCase{"EmptyWord", "", true, true, "", false,
                    "Nejprve zadejte slovo, které chcete vyhledat"},
        // A double quote is searched for, not refused by the engine.
        TSearchCase{"DoubleQuote", "a\"b", true, true, "", false, NotFound},
        // A character code page 1250 has no byte for is in no record.
        TSearchCase{"OutsideTheCodePage", "日本", true, true, "", false, NotFound},
        // Neither scope: no filter is in force, so no search is claimed.
        TSearchCase{"NoScope", "Linux", false, false, "", false, nullptr}),
    [](const auto& info) { return std::string(info.param.Name); });

struct TCancelCase {
  const char* Name;
  bool TypeWindowShown;
};

void PrintTo(const TCancelCase& value, std::ostream* out) { *out << value.Name; }

class CancelFiltersTest : public CatalogueFixture, public ::testing::WithParamInterface<TCancelCase> {};

TEST_P(CancelFiltersTest, CancelDropsTheSearchAndTheTypePartUnlessTheTypeWindowIsShown) {
  CopySampleVolume();
  Start({"1"});
  Windows().Form4->show();
  if (!GetParam().TypeWindowShown) Windows().Form4->Klapka3->Click();
  ASSERT_TRUE(GlobalState().TypeFilterOn);
  Main().Edit1->setText("Linux");
  Main().Klapka(7)->Click();
  ASSERT_TRUE(GlobalState().SearchFilterOn);

  Main().Klapka(10)->Click();
  EXPECT_EQ(Query().Filter(), "");
  EXPECT_TRUE(Query().Filtered());
  EXPECT_FALSE(GlobalState().SearchFilterOn);
  EXPECT_EQ(Main().Edit1->text(), "");
  // The shown type window keeps its part in the text and turns the type filter on again.
  EXPECT_EQ(GlobalState().TypeFilterOn, GetParam().TypeWindowShown);
  EXPECT_EQ(SqlLines().back() == ")" && SqlLines().size() > 30, GetParam().TypeWindowShown);
  EXPECT_EQ(Main().Label5b->toolTip(),
            GetParam().TypeWindowShown ? "Byl proveden: - filtr typu " : "");
}

INSTANTIATE_TEST_SUITE_P(MainWindowTest, CancelFiltersTest,
                         ::testing::Values(TCancelCase{"TypeWindowShown", true},
                                           TCancelCase{"TypeWindowClosed", false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(MainWindowTest, SwitchingToLabelSetTwoAndBackKeepsTheSearchAndShowsNoLoadingStrip) {
  CopySampleVolume();
  Start({"1"});
  Main().Edit1->setText("Linux");
  Main().Klapka(7)->Click();
  const auto choose = [this](int row) {
    WhenSelectionShows([row](TForm5& selection) {
      selection.ListBox1->setCurrentRow(row);
      selection.Button1Click();
    });
    Main().Klapka(1)->Click();
  };
  choose(1);
  EXPECT_EQ(GlobalState().LabelSet, "2");
  EXPECT_EQ(SqlLines().front(), "SELECT * FROM kvel2002s");
  EXPECT_EQ(Main().rub(1)->text(), "C/C++ & Visual C++");
  EXPECT_EQ(FilterText(), R"(LOWER(name) LIKE "%linux%" OR LOWER(popis) LIKE "%linux%")");
  EXPECT_GT(RecordCount(), 0);
  choose(0);
  EXPECT_EQ(GlobalState().LabelSet, "1");
  EXPECT_EQ(Main().rub(1)->text(), "Téma měsíce");
  EXPECT_EQ(SqlLines().front(), "SELECT * FROM kvel2002");
  EXPECT_EQ(Main().LoadingIndicator().ShowCount(), 1);
  EXPECT_TRUE(FMessages.empty());
}

TEST_F(MainWindowTest, HelpTextIsReadOnce) {
  CopySampleVolume();
  Start({"1"});
  Main().Klapka(2)->Click();
  const QString text = Windows().Form2->Memo1->toPlainText();
  ASSERT_GE(text.count('\n'), 5);
  std::filesystem::remove(HelpFileName());
  Main().Klapka(2)->Click();  // not read again: the missing file goes unnoticed
  EXPECT_EQ(Windows().Form2->Memo1->toPlainText(), text);
  EXPECT_TRUE(FMessages.empty());
}

// The first open fails: the engine's message, and the window stays usable, without the loading
// strip or the wait cursor left behind.
TEST_F(MainWindowTest, MissingTableIsReportedAndTheWindowStaysUsable) {
  WriteIni("[1]\nd_name=chybi.dat\nd_caption=Chybí\nnum=12\nall=on\n"
           "[2]\nd_name=je.dat\nd_caption=Je\nnum=12\nall=on\n");
  CreateTable("je", {{"1/", "1", "01000", "0011110", "Program", "\\P", "", "Popis."}});
  Start({"1"});
  ASSERT_EQ(FMessages.size(), 1u);
  EXPECT_EQ(FMessages[0].Kind, platform::ui::TMessageKind::Error);
  EXPECT_TRUE(FMessages[0].Text.startsWith("Sklad Engine Error # ")) << FMessages[0].Text.toStdString();
  EXPECT_TRUE(Main().isVisible());
  EXPECT_EQ(Main().windowTitle(), "Databáze");
  EXPECT_EQ(Main().LoadingIndicator().Window(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(Main().DataSource1.Enabled());

  WhenSelectionShows([](TForm5& selection) {
    selection.ListBox1->setCurrentRow(1);
    selection.Button1Click();
  });
  Main().Klapka(1)->Click();
  EXPECT_EQ(RecordCount(), 1);
  EXPECT_EQ(Main().windowTitle(), "Je");
  EXPECT_EQ(Main().LoadingIndicator().ShowCount(), 1);
}

// A search the engine refuses (the table has no description field): the list stays usable and
// the filter in force before stays in force.
TEST_F(MainWindowTest, SearchErrorKeepsThePreviousFilterAndLeavesTheListUsable) {
  WriteIni("[1]\nd_name=bezpopisu.dat\nnum=12\nall=on\n");
  CreateCatalogueTable(VolumeDirectory(), "bezpopisu",
                       {{"1/", "1", "01000", "0011110", "Program abc", "\\P", "", ""},
                        {"1/", "1", "01000", "0011110", "Jiný", "\\J", "", ""}},
                       "p VARCHAR(4), r VARCHAR(2), typ VARCHAR(5), os VARCHAR(7), "
                       "name VARCHAR(120), src VARCHAR(120), inet VARCHAR(250)");
  Start({"1"});
  ASSERT_TRUE(FMessages.empty());
  Main().Edit1->setText("abc");
  Main().CheckBox(2)->Setchecked(false);
  Main().Klapka(7)->Click();  // names only: found
  ASSERT_EQ(RecordCount(), 1);
  const std::string before = Query().Filter();
  Main().CheckBox(2)->Setchecked(true);
  Main().Klapka(7)->Click();
  ASSERT_EQ(FMessages.size(), 1u);
  EXPECT_EQ(FMessages[0].Kind, platform::ui::TMessageKind::Error);
  EXPECT_EQ(Query().Filter(), before);
  EXPECT_TRUE(Main().DataSource1.Enabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(RecordCount(), 1);
  EXPECT_TRUE(GlobalState().SearchFilterOn);
}

}  // namespace
}  // namespace rejstrik::testing
