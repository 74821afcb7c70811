// Scenarios of the type and system filter window on the sample volume: the type part its toggles
// and operator add to the SQL text, the records it lets through, its buttons and keys.
#include "CatalogueFixture.h"

#include "app/Unit4.h"
#include "controls/FieldText.h"
#include "controls/Klapka.h"
#include "dataset/SkladDataSet.h"

#include <QLabel>

namespace rejstrik::testing {
namespace {

class TypeWindowTest : public CatalogueFixture {
 protected:
  void SetUp() override {
    CatalogueFixture::SetUp();
    CopySampleVolume();
    Start({"1"});
  }

  TForm4& TypeWindow() const { return *Windows().Form4; }

  std::vector<std::string> LastLines(size_t count) const {
    const std::vector<std::string> lines = SqlLines();
    return {lines.end() - static_cast<std::ptrdiff_t>(std::min(count, lines.size())), lines.end()};
  }

  // Every record of the list passes the test of its type and system codes.
  void ExpectEveryRecord(const std::function<bool(const QString& typ, const QString& os)>& test) {
    ASSERT_GT(RecordCount(), 0);
    for (Query().First(); !Query().Eof(); Query().Next()) {
      const QString typ = controls::FieldText(Query().FieldByName("typ"));
      const QString os = controls::FieldText(Query().FieldByName("os"));
      EXPECT_TRUE(test(typ, os)) << typ.toStdString() << " " << os.toStdString();
    }
  }
};

TEST_F(TypeWindowTest, ShowingAppliesEveryToggleJoinedByOr) {
  TypeWindow().show();
  EXPECT_EQ(FOpens, 2);
  const std::vector<std::string> typePart = {
      " AND ",
      "(( typ LIKE \"1%\")",    " OR (typ LIKE \"_1%\")",   " OR (typ LIKE \"__1%\")",
      " OR (typ LIKE \"___1%\")", " OR (typ LIKE \"____1%\")", " OR (os LIKE \"1%\")",
      " OR (os LIKE \"_1%\")",  " OR (os LIKE \"__1%\")",   " OR (os LIKE \"___1%\")",
      " OR (os LIKE \"____1%\")", " OR (os LIKE \"_____1%\")", " OR (os LIKE \"______1%\")",
      " OR (typ LIKE \"N%\")",  " OR (typ LIKE \"M%\")",    " OR (typ LIKE \"C%\")",
      " OR (typ LIKE \"G%\")",  " OR (typ LIKE \"F%\")",    " OR (typ LIKE \"K%\")",
      " OR (typ LIKE \"X%\")",  " OR (typ LIKE \"O%\")",    " OR (typ LIKE \"R%\")",
      " OR (typ LIKE \"A%\")",  ")"};
  EXPECT_EQ(LastLines(typePart.size()), typePart);
  EXPECT_TRUE(GlobalState().TypeFilterOn);
  EXPECT_EQ(Main().Label5b->toolTip(), "Byl proveden: - filtr typu ");
  ExpectEveryRecord([](const QString& typ, const QString& os) {
    return typ.contains('1') || os.contains('1') || QString("NMCGFKXORA").contains(typ.left(1));
  });
}

TEST_F(TypeWindowTest, UncheckAllGivesTheNeverMatchingTextAndAnEmptyList) {
  TypeWindow().show();
  TypeWindow().Klapka2->Click();
  EXPECT_EQ(SqlLines(), (std::vector<std::string>{"SELECT * FROM kvel2002", "WHERE p=\"@@@@\""}));
  EXPECT_EQ(RecordCount(), 0);
  EXPECT_EQ(Main().Label9->text(), "");
  TypeWindow().Klapka1->Click();
  for (int number = 1; number <= 22; ++number) EXPECT_TRUE(TypeWindow().CheckBox(number)->checked());
  EXPECT_GT(RecordCount(), 0);
}

TEST_F(TypeWindowTest, AndOfSharewareAndWindowsXp) {
  TypeWindow().show();
  TypeWindow().Klapka2->Click();
  Click(TypeWindow().RadioButton1);
  EXPECT_EQ(TypeWindow().Hint(), "AND");
  EXPECT_FALSE(TypeWindow().RadioButton2->checked());
  Click(TypeWindow().CheckBox(2));
  Click(TypeWindow().CheckBox(11));
  EXPECT_EQ(LastLines(4), (std::vector<std::string>{" AND ", "(( typ LIKE \"_1%\")",
                                                    " AND (os LIKE \"_____1%\")", ")"}));
  ExpectEveryRecord([](const QString& typ, const QString& os) {
    return typ.mid(1, 1) == "1" && os.mid(5, 1) == "1";
  });
}

TEST_F(TypeWindowTest, OrOfDosAloneListsTheDosRecords) {
  TypeWindow().show();
  TypeWindow().Klapka2->Click();
  Click(TypeWindow().CheckBox(6));
  ExpectEveryRecord([](const QString&, const QString& os) { return os.startsWith('1'); });
}

// Pressing the checked option again unchecks it; the operator keeps its value.
TEST_F(TypeWindowTest, ClickingTheCheckedOptionKeepsTheOperator) {
  TypeWindow().show();
  Click(TypeWindow().RadioButton1);
  Click(TypeWindow().RadioButton1);
  EXPECT_FALSE(TypeWindow().RadioButton1->checked());
  EXPECT_FALSE(TypeWindow().RadioButton2->checked());
  EXPECT_EQ(TypeWindow().Hint(), "AND");
  Click(TypeWindow().RadioButton2);
  EXPECT_EQ(TypeWindow().Hint(), "OR");
}

TEST_F(TypeWindowTest, CtrlHeldForThreeClicksGivesOneRequery) {
  TypeWindow().show();
  const int before = FOpens;
  WithCtrl(&TypeWindow(), &TypeWindow(), [&] {
    for (int number : {1, 2, 3}) Click(TypeWindow().CheckBox(number));
    EXPECT_EQ(FOpens, before);
  });
  EXPECT_EQ(FOpens, before + 1);
  // Toggles 4 .. 22 remain: the part opens with the fourth.
  EXPECT_EQ(LastLines(21)[0], " AND ");
  EXPECT_EQ(LastLines(21)[1], "(( typ LIKE \"___1%\")");
}

TEST_F(TypeWindowTest, ClosedWindowKeepsItsPartUntilFiltersAreCancelled) {
  TypeWindow().show();
  QTest::keyClick(&TypeWindow(), Qt::Key_Escape);
  EXPECT_FALSE(TypeWindow().isVisible());
  Click(Main().CheckBox(SectionToggle(1)));
  EXPECT_EQ(SqlLines().back(), ")");
  EXPECT_EQ(LastLines(2).front(), " OR (typ LIKE \"A%\")");
  Main().Klapka(10)->Click();
  EXPECT_FALSE(GlobalState().TypeFilterOn);
  EXPECT_EQ(SqlLines().back(), ")");
  EXPECT_EQ(LastLines(2).front(), " OR (r = '99')");
}

}  // namespace
}  // namespace rejstrik::testing
