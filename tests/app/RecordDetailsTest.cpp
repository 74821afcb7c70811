// The detail pane of the main window on the sample volume's records: decoded codes, section
// names of both label sets, shortened texts with their hints, the description's scroll bar.
#include "CatalogueFixture.h"

#include "app/LinkLabel.h"
#include "app/Unit5.h"
#include "controls/DBMemo.h"
#include "controls/Klapka.h"
#include "dataset/SkladDataSet.h"

#include <QLabel>
#include <QListWidget>

namespace rejstrik::testing {
namespace {

struct TDetailCase {
  const char* Name;
  const char* Database;  // the argument choosing it
  const char* Record;    // the record's name
  const char* Systems;   // the decoded systems, shown whole or shortened with the hint
  bool SystemsShortened;  // surely wider than the label's place
  const char* Type;     // Label13
  const char* Section;  // Label6
};

void PrintTo(const TDetailCase& value, std::ostream* out) { *out << value.Name; }

class RecordDetailsTest : public CatalogueFixture, public ::testing::WithParamInterface<TDetailCase> {
 protected:
  // Moves the list to the record of that name.
  void GoTo(const char* name) {
    ASSERT_TRUE(Query().Locate({{"name", platform::Utf8ToCodePage(name, 1250)}})) << name;
  }
};

TEST_P(RecordDetailsTest, LabelsShowTheDecodedRecord) {
  CopySampleVolume();
  Start({GetParam().Database});
  GoTo(GetParam().Record);
  EXPECT_EQ(Main().Label9->text(), QString::fromUtf8(GetParam().Record));
  // How wide a text renders depends on the font; shortened, the label shows the first 30
  // characters and offers the whole text as its hint.
  const QString systems = QString::fromUtf8(GetParam().Systems);
  const QString hint = Main().Label3->toolTip();
  if (GetParam().SystemsShortened) {
    ASSERT_FALSE(hint.isEmpty());
  }
  if (hint.isEmpty()) {
    EXPECT_EQ(Main().Label3->text(), systems);
  } else {
    EXPECT_EQ(hint, systems);
    EXPECT_EQ(Main().Label3->text(), systems.left(30) + "...");
  }
  EXPECT_EQ(Main().Label13->text(), QString::fromUtf8(GetParam().Type));
  EXPECT_EQ(Main().Label6->text(), QString::fromUtf8(GetParam().Section));
}

constexpr const char* AllSystems = "DOS, Win 3.x, Win 9x/ME, Win NT, Win 2000, Win XP, Linux";

INSTANTIATE_TEST_SUITE_P(
    MainWindowTest, RecordDetailsTest,
    // Section 99 of label set 2 is left out: a database of that set never lists it.
    ::testing::Values(
        TDetailCase{"EverySystemShortened", "1", "Jak na domácí síť", AllSystems, true,
                    "článek/dokument/informace", "Téma měsíce"},
        TDetailCase{"NoSystemAndLetterA", "1", "Obsah Kvel CD 1/2002", "", false, "ostatní", "Obsahy"},
        TDetailCase{"PositionsAndSection3", "1", "WinRAR 3.00 – novinky",
                    "Win 9x/ME, Win NT, Win 2000, Win XP", false, "shareware", "Shareware"},
        TDetailCase{"LetterXInSetOne", "1", "Stříbrný disk: hry pro DOS", "DOS", false,
                    "stříbrné disky", "Obsahy"},
        TDetailCase{"SectionElevenHasNoNameInSetTwo", "2", "Soutěž: napište vlastní hru v Pascalu",
                    "Win 9x/ME, Win NT, Win 2000, Win XP", false, "freeware", ""},
        TDetailCase{"SectionSevenInSetTwo", "2", "ALSA 0.9.0 rc6", "Linux", false, "ovladače",
                    "Ovladače"}),
    [](const auto& info) { return std::string(info.param.Name); });

using RecordPresentationTest = CatalogueFixture;

TEST_F(RecordPresentationTest, LongNameIsShortenedWithTheWholeNameAsHint) {
  CopySampleVolume();
  Start({"1"});
  const QString start = QString::fromUtf8("Kalkulačka cestovních náhrad");
  for (Query().First(); !Query().Eof(); Query().Next())
    if (Main().Label9->toolTip().startsWith(start)) break;
  const QString full = Main().Label9->toolTip();
  ASSERT_GT(full.size(), 40) << "no shortened name";
  EXPECT_EQ(Main().Label9->text(), full.left(40) + " ...");
}

// The sample volume's two "novinky" records have descriptions of exactly 14 and 15 lines.
TEST_F(RecordPresentationTest, DescriptionGetsItsScrollBarFromFifteenLines) {
  CopySampleVolume();
  Start({"1"});
  for (auto [name, lines, scrollBar] :
       {std::tuple{"WinRAR 3.00 – novinky", 14, Qt::ScrollBarAlwaysOff},
        {"Total Commander 5.51 – novinky", 15, Qt::ScrollBarAlwaysOn}}) {
    ASSERT_TRUE(Query().Locate({{"name", platform::Utf8ToCodePage(name, 1250)}}));
    EXPECT_EQ(Main().DBMemo1->WrappedLineCount(), lines) << name;
    EXPECT_EQ(Main().DBMemo1->verticalScrollBarPolicy(), scrollBar) << name;
  }
}

// A record list without records clears the pane.
TEST_F(RecordPresentationTest, EmptyListClearsTheLabels) {
  CopySampleVolume();
  Start({"1"});
  ASSERT_FALSE(Main().Label21->text().isEmpty());
  Main().Klapka(6)->Click();
  for (QLabel* label : {Main().Label21, static_cast<QLabel*>(Main().Label20), Main().Label9,
                        Main().Label6, Main().Label3, Main().Label13})
    EXPECT_EQ(label->text(), "");
}

}  // namespace
}  // namespace rejstrik::testing
