// Scenarios of the conditional search window on the sample volume: its fields and options, the
// filter it builds, and what it does with no result, no first word or no scope.
#include "CatalogueFixture.h"

#include "app/Unit6.h"
#include "controls/Klapka.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>

namespace rejstrik::testing {
namespace {

class SearchWindowTest : public CatalogueFixture {
 protected:
  void SetUp() override {
    CatalogueFixture::SetUp();
    CopySampleVolume();
    Start({"1"});
    Main().Klapka(8)->Click();
  }

  TForm6& SearchWindow() const { return *Windows().Form6; }

  void SetWords(const char* first, const char* second, const char* third) {
    SearchWindow().Edit1->setText(QString::fromUtf8(first));
    SearchWindow().Edit2->setText(QString::fromUtf8(second));
    SearchWindow().Edit3->setText(QString::fromUtf8(third));
  }

  // The list after the search is usable: the data source on, the cursor normal.
  void ExpectUsableList() const {
    EXPECT_TRUE(Main().DataSource1.Enabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  }
};

TEST_F(SearchWindowTest, FirstWordEnablesTheButtonsAndTheSecondWordTheThirdField) {
  TForm6& window = SearchWindow();
  EXPECT_TRUE(window.isVisible());
  window.Edit1->setText("a");
  EXPECT_TRUE(window.Button1->isEnabled() && window.Button2->isEnabled());
  EXPECT_FALSE(window.Button1->blokovano() || window.Button2->blokovano());
  EXPECT_TRUE(window.Edit2->isEnabled());
  EXPECT_FALSE(window.Edit3->isEnabled());
  window.Edit2->setText("b");
  EXPECT_TRUE(window.Edit3->isEnabled());
  window.Edit1->clear();
  EXPECT_FALSE(window.Button1->isEnabled() || window.Button2->isEnabled());
  EXPECT_TRUE(window.Button1->blokovano() && window.Button2->blokovano());
  EXPECT_FALSE(window.Edit2->isEnabled() || window.Edit3->isEnabled());
  QTest::keyClick(&window, Qt::Key_Escape);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(SearchWindowTest, ResetChoosesOrInBothPairsAndEmptiesTheWords) {
  TForm6& window = SearchWindow();
  SetWords("a", "b", "c");
  Click(window.RadioButton2);
  Click(window.RadioButton4);
  EXPECT_FALSE(window.RadioButton1->checked() || window.RadioButton3->checked());
  window.CheckBox1->Setchecked(false);
  window.Button1->Click();
  EXPECT_TRUE(window.RadioButton1->checked() && window.RadioButton3->checked());
  EXPECT_FALSE(window.RadioButton2->checked() || window.RadioButton4->checked());
  EXPECT_TRUE(window.CheckBox1->checked() && window.CheckBox2->checked());
  EXPECT_EQ(window.Edit1->text() + window.Edit2->text() + window.Edit3->text(), "");
  EXPECT_FALSE(window.Button1->isEnabled());
}

TEST_F(SearchWindowTest, ThreeWordsBecomeTheFilterAndTheWindowCloses) {
  TForm6& window = SearchWindow();
  SetWords("A", "B", "C");
  Click(window.RadioButton4);  // AND towards word 3
  QTest::keyClick(&window, Qt::Key_Return);
  EXPECT_EQ(FilterText(),
            R"(((LOWER(name) LIKE "%a%" OR LOWER(popis) LIKE "%a%") OR (LOWER(name) LIKE "%b%" OR )"
            R"(LOWER(popis) LIKE "%b%")) AND (LOWER(name) LIKE "%c%" OR LOWER(popis) LIKE "%c%"))");
  EXPECT_TRUE(GlobalState().SearchFilterOn);
  EXPECT_GT(RecordCount(), 0);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(Main().Label5b->toolTip(), "Byl proveden: - filtr vyhledávání ");
  EXPECT_TRUE(FMessages.empty());
  ExpectUsableList();
}

TEST_F(SearchWindowTest, NoResultCancelsEveryFilter) {
  Main().Edit1->setText("Linux");
  Main().Klapka(7)->Click();
  SearchWindow().show();
  SetWords("xyzzyq", "", "");
  SearchWindow().Button2->Click();
  ASSERT_EQ(FMessages.size(), 1u);
  EXPECT_EQ(FMessages[0].Caption, "Filtr");
  EXPECT_EQ(FMessages[0].Text, "Zadaným podmínkám nevyhovuje žádný záznam v databázi.");
  EXPECT_EQ(FilterText(), "");
  EXPECT_FALSE(GlobalState().SearchFilterOn);
  EXPECT_EQ(Main().Edit1->text(), "");
  EXPECT_EQ(RecordCount(), 309);
  EXPECT_FALSE(SearchWindow().isVisible());
  ExpectUsableList();
}

// Searches that change nothing on the list: the previous word filter and flags stay.
struct TRefusedCase {
  const char* Name;
  const char* FirstWord;
  bool ScopeChecked;
  const char* Text;
  bool WindowStays;
};

void PrintTo(const TRefusedCase& value, std::ostream* out) { *out << value.Name; }

class RefusedSearchTest : public SearchWindowTest, public ::testing::WithParamInterface<TRefusedCase> {};

TEST_P(RefusedSearchTest, ListKeepsItsFilter) {
  Main().Edit1->setText("Linux");
  Main().Klapka(7)->Click();
  const std::string before = FilterText();
  const int records = RecordCount();
  SearchWindow().show();
  SetWords(GetParam().FirstWord, "", "");
  SearchWindow().CheckBox1->Setchecked(GetParam().ScopeChecked);
  SearchWindow().CheckBox2->Setchecked(GetParam().ScopeChecked);
  QTest::keyClick(&SearchWindow(), Qt::Key_Return);
  ASSERT_EQ(FMessages.size(), 1u);
  EXPECT_EQ(FMessages[0].Caption, "Upozornění");
  EXPECT_EQ(FMessages[0].Text, QString::fromUtf8(GetParam().Text));
  EXPECT_EQ(FilterText(), before);
  EXPECT_EQ(RecordCount(), records);
  EXPECT_TRUE(GlobalState().SearchFilterOn);
  EXPECT_EQ(SearchWindow().isVisible(), GetParam().WindowStays);
  ExpectUsableList();
}

INSTANTIATE_TEST_SUITE_P(
    SearchWindowTest, RefusedSearchTest,
    ::testing::Values(TRefusedCase{"EmptyFirstWord", "", true, "Zadejte vyhledávací podmínky.", false},
                      TRefusedCase{"NoScope", "program", false,
                                   "Zaškrtněte, kde se má hledat: v názvu, v popisu, nebo v obou.",
                                   true}),
    [](const auto& info) { return std::string(info.param.Name); });

// The checked option clicked off leaves the pair without a choice; the words then join by OR.
TEST_F(SearchWindowTest, PairWithoutAChoiceJoinsByOr) {
  TForm6& window = SearchWindow();
  SetWords("Linux", "WinRAR", "");
  Click(window.RadioButton1);
  ASSERT_FALSE(window.RadioButton1->checked() || window.RadioButton2->checked());
  window.CheckBox2->Setchecked(false);
  window.Button2->Click();
  EXPECT_EQ(FilterText(), R"((LOWER(name) LIKE "%linux%") OR (LOWER(name) LIKE "%winrar%"))");
  EXPECT_TRUE(FMessages.empty());
  EXPECT_GT(RecordCount(), 1);
  ExpectUsableList();
}

}  // namespace
}  // namespace rejstrik::testing
