#include "controls/DBGrid.h"

#include "DataControlsTestSupport.h"
#include "dataset/SkladQuery.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <memory>

namespace controls {
namespace {

using namespace controls::testing;

// A grid of the browser's size on a shown window, listing the names of a catalogue.
class DBGridTest : public ::testing::Test {
 protected:
  void Show(const std::vector<CatalogueRecord>& records) {
    FCatalogue = std::make_unique<CzechCatalogue>(records);
    FData = std::make_unique<CatalogueDataSet>(*FCatalogue);
    FData->Table.AfterScroll = [this](sklad::TSkladDataSet&) { ++FAfterScrolls; };
    FWindow.resize(300, 260);
    FGrid = new TDBGrid(&FWindow);
    FGrid->setGeometry(16, 45, 243, 208);
    FGrid->SetFieldName("name");
    FGrid->SetDataSource(&FData->Source);
    FWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&FWindow));
    Paint();
  }

  // Draws the rows now, as the screen would: the rows shown are read.
  void Paint() { FGrid->viewport()->repaint(); }

  int Rows() const { return FGrid->model()->rowCount(); }
  QString RowText(int row) const { return FGrid->model()->index(row, 0).data().toString(); }
  int FirstRowShown() const { return FGrid->indexAt(QPoint(1, 1)).row(); }
  int RowsShown() const {
    const int last = FGrid->indexAt(QPoint(1, FGrid->viewport()->height() - 1)).row();
    return (last < 0 ? Rows() - 1 : last) - FirstRowShown() + 1;
  }
  QString NameOfCurrentRecord() const {
    return QString::fromStdString(
        platform::CodePageToUtf8(FData->Table.FieldByName("name").AsString(), kCzechCodePage));
  }

  std::unique_ptr<CzechCatalogue> FCatalogue;
  std::unique_ptr<CatalogueDataSet> FData;
  QWidget FWindow;
  TDBGrid* FGrid = nullptr;
  int FAfterScrolls = 0;
};

TEST_F(DBGridTest, ListsTheNamesInCodePage1250AsUnicode) {
  Show({Record(1, "Žluťoučký kůň"), Record(2, "Úpěl ďábelské ódy"), Record(3, "čeština")});
  ASSERT_EQ(Rows(), 3);
  EXPECT_EQ(RowText(0), QString::fromUtf8("Žluťoučký kůň"));
  EXPECT_EQ(RowText(1), QString::fromUtf8("Úpěl ďábelské ódy"));
  EXPECT_EQ(RowText(2), QString::fromUtf8("čeština"));
}

TEST_F(DBGridTest, LooksLikeTheBrowsersList) {
  Show(NumberedHorses(3));
  EXPECT_EQ(FGrid->editTriggers(), QAbstractItemView::NoEditTriggers);
  EXPECT_EQ(FGrid->selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(FGrid->palette().color(QPalette::Inactive, QPalette::Highlight),
            FGrid->palette().color(QPalette::Active, QPalette::Highlight));
}

TEST_F(DBGridTest, ScrollingToTheEndReadsOnlyAboutTheRowsShown) {
  constexpr int kRecords = 100'000;
  Show(NumberedHorses(kRecords));
  ASSERT_EQ(Rows(), kRecords);
  const int shown = RowsShown();
  ASSERT_GT(shown, 5);
  EXPECT_LE(FGrid->RecordsRead(), 3 * shown);

  // Page by page for a while, then a jump to the end: each step reads little more than the
  // rows it brings into view.
  QScrollBar& bar = *FGrid->verticalScrollBar();
  for (int page = 0; page < 60; ++page) {
    FGrid->ResetRecordsRead();
    bar.setValue(bar.value() + bar.pageStep());
    Paint();
    EXPECT_LE(FGrid->RecordsRead(), 3 * shown) << "page " << page;
  }
  EXPECT_EQ(FGrid->indexAt(QPoint(1, 1)).data().toString(), QString::fromUtf8("Kůň %1").arg(FirstRowShown() + 1));

  FGrid->ResetRecordsRead();
  bar.setValue(bar.maximum());
  Paint();
  EXPECT_LE(FGrid->RecordsRead(), 3 * shown);
  const QModelIndex last = FGrid->model()->index(kRecords - 1, 0);
  EXPECT_TRUE(FGrid->viewport()->rect().contains(FGrid->visualRect(last)));
  EXPECT_EQ(last.data().toString(), QString::fromUtf8("Kůň %1").arg(kRecords));
  // The dataset stayed on its first record while the grid read.
  EXPECT_EQ(FData->Table.RecNo(), 1);
  EXPECT_EQ(FAfterScrolls, 0);
}

TEST_F(DBGridTest, ClickAndKeysMoveTheDataSetAndFireAfterScroll) {
  Show(NumberedHorses(40));
  const QModelIndex fifth = FGrid->model()->index(4, 0);
  QTest::mouseClick(FGrid->viewport(), Qt::LeftButton, {}, FGrid->visualRect(fifth).center());
  EXPECT_EQ(FData->Table.RecNo(), 5);
  EXPECT_EQ(NameOfCurrentRecord(), QString::fromUtf8("Kůň 5"));
  EXPECT_EQ(FAfterScrolls, 1);

  QTest::keyClick(FGrid, Qt::Key_Down);
  EXPECT_EQ(FData->Table.RecNo(), 6);
  EXPECT_EQ(FAfterScrolls, 2);
  QTest::keyClick(FGrid, Qt::Key_End);
  EXPECT_EQ(FData->Table.RecNo(), 40);
  EXPECT_EQ(FAfterScrolls, 3);
}

TEST_F(DBGridTest, MovesOfTheDataSetSelectTheirRow) {
  Show(NumberedHorses(500));
  EXPECT_EQ(FGrid->currentIndex().row(), 0);
  FData->Table.SetRecNo(250);
  EXPECT_EQ(FGrid->currentIndex().row(), 249);
  EXPECT_TRUE(FGrid->selectionModel()->isSelected(FGrid->currentIndex()));
  Paint();
  EXPECT_LE(FirstRowShown(), 249);
  EXPECT_GE(FirstRowShown() + RowsShown(), 250);
  FData->Table.Last();
  EXPECT_EQ(FGrid->currentIndex().row(), 499);
  FData->Table.Prior();
  EXPECT_EQ(FGrid->currentIndex().row(), 498);
  // Selecting the row from the dataset's move does not move the dataset again.
  EXPECT_EQ(FAfterScrolls, 3);
}

TEST_F(DBGridTest, AFilterChangeListsTheNewRecords) {
  Show(NumberedHorses(30));
  FData->Table.SetFilter("r = '3'");
  FData->Table.SetFiltered(true);
  ASSERT_EQ(Rows(), 10);
  EXPECT_EQ(RowText(0), QString::fromUtf8("Kůň 3"));
  EXPECT_EQ(RowText(9), QString::fromUtf8("Kůň 30"));
  // Another filter with as many records: the rows are read again, not kept.
  FData->Table.SetFilter("r = '3' or Id < 11");
  FData->Table.SetFilter("Id > 20");
  ASSERT_EQ(Rows(), 10);
  EXPECT_EQ(RowText(0), QString::fromUtf8("Kůň 21"));
  EXPECT_EQ(FGrid->currentIndex().row(), 0);
  FData->Table.SetFiltered(false);
  EXPECT_EQ(Rows(), 30);
}

TEST_F(DBGridTest, ClosingAndReopeningTheDataSetResetsTheRows) {
  Show(NumberedHorses(12));
  FData->Table.Close();
  EXPECT_EQ(Rows(), 0);
  FData->Table.SetFilter("Id <= 4");
  FData->Table.SetFiltered(true);
  FData->Table.Open();
  ASSERT_EQ(Rows(), 4);
  EXPECT_EQ(RowText(3), QString::fromUtf8("Kůň 4"));
  EXPECT_EQ(FGrid->currentIndex().row(), 0);
}

TEST_F(DBGridTest, ADisabledSourceReadsNothingAndReloadsWhenEnabled) {
  Show(NumberedHorses(50));
  FData->Source.SetEnabled(false);
  FGrid->ResetRecordsRead();
  EXPECT_EQ(Rows(), 0);
  // The windows change the query in several steps while the source is disabled.
  FData->Table.SetFilter("Id > 45");
  FData->Table.SetFiltered(true);
  FData->Table.Next();
  Paint();
  EXPECT_EQ(FGrid->RecordsRead(), 0);

  FData->Source.SetEnabled(true);
  ASSERT_EQ(Rows(), 5);
  EXPECT_EQ(RowText(0), QString::fromUtf8("Kůň 46"));
  EXPECT_EQ(FGrid->currentIndex().row(), 1);
}

TEST_F(DBGridTest, AnEmptyDataSetOrAnUnknownFieldShowsNoRows) {
  Show({});
  EXPECT_EQ(Rows(), 0);
  EXPECT_FALSE(FGrid->currentIndex().isValid());
  FGrid->SetFieldName("nosuchfield");
  EXPECT_EQ(Rows(), 0);
}

// The browser's way: a live query re-opened with new SQL text while the source is disabled.
TEST(DBGridQueryTest, ListsALiveQueryAndFollowsItsReopening) {
  const CzechCatalogue catalogue(NumberedHorses(90));
  sklad::TSkladQuery query;
  query.SetDatabaseName(catalogue.Path());
  query.SetRequestLive(true);
  query.SQL().Add("SELECT * FROM KATALOG WHERE r = '3'");
  query.Open();
  sklad::TDataSource source;
  source.SetDataSet(&query);
  TDBGrid grid;
  grid.resize(243, 208);
  grid.SetFieldName("name");
  grid.SetDataSource(&source);
  grid.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
  ASSERT_EQ(grid.model()->rowCount(), 30);
  EXPECT_EQ(grid.model()->index(1, 0).data().toString(), QString::fromUtf8("Kůň 6"));

  source.SetEnabled(false);
  query.SQL().Clear();
  query.SQL().Add("SELECT * FROM KATALOG WHERE Id > 85");
  query.Open();
  source.SetEnabled(true);
  ASSERT_EQ(grid.model()->rowCount(), 5);
  EXPECT_EQ(grid.model()->index(0, 0).data().toString(), QString::fromUtf8("Kůň 86"));
  QTest::keyClick(&grid, Qt::Key_Down);
  EXPECT_EQ(query.RecNo(), 2);
}

TEST_F(DBGridTest, TheSourceGoingAwayEmptiesTheGrid) {
  Show(NumberedHorses(5));
  FData.reset();
  EXPECT_EQ(Rows(), 0);
  Paint();
}

}  // namespace
}  // namespace controls
