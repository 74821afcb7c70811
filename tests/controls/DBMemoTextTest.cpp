#include "controls/DBMemo.h"
#include "controls/DBText.h"
#include "controls/FieldText.h"

#include "DataControlsTestSupport.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QTest>

#include <cmath>
#include <memory>

namespace controls {
namespace {

using namespace controls::testing;

// A description of many words with every Czech letter, far longer than one BLOB block.
std::string LongDescription() {
  std::string text;
  for (int n = 0; text.size() < 6000; ++n)
    text += "Příliš žluťoučký kůň úpěl ďábelské ódy; ČŠŘŽÝÁÍÉÚŮĎŤŇĚ věta " + std::to_string(n) + ". ";
  return text;
}

// A memo and a text of the browser's sizes bound to a catalogue, on a shown window.
class DBMemoTextTest : public ::testing::Test {
 protected:
  void Show(const std::vector<CatalogueRecord>& records) {
    FCatalogue = std::make_unique<CzechCatalogue>(records);
    FData = std::make_unique<CatalogueDataSet>(*FCatalogue);
    FWindow.resize(640, 550);
    FMemo = new TDBMemo(&FWindow);
    FMemo->setGeometry(296, 68, 321, 185);
    FMemo->SetFieldName("popis");
    FMemo->SetDataSource(&FData->Source);
    FText = new TDBText(&FWindow);
    FText->setGeometry(592, 282, 40, 15);
    FText->SetFieldName("name");
    FText->SetDataSource(&FData->Source);
    FWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&FWindow));
  }

  std::unique_ptr<CzechCatalogue> FCatalogue;
  std::unique_ptr<CatalogueDataSet> FData;
  QWidget FWindow;
  TDBMemo* FMemo = nullptr;
  TDBText* FText = nullptr;
};

TEST_F(DBMemoTextTest, ShowTheCurrentRecordsTextsInCodePage1250AsUnicode) {
  const std::string memo = LongDescription();
  Show({Record(1, "Žluťoučký kůň", "1", memo), Record(2, "Ďábel", "1", "Krátký popis – s pomlčkou")});
  EXPECT_EQ(FText->text(), QString::fromUtf8("Žluťoučký kůň"));
  EXPECT_EQ(FMemo->toPlainText(), QString::fromStdString(memo));
  FData->Table.Next();
  EXPECT_EQ(FText->text(), QString::fromUtf8("Ďábel"));
  EXPECT_EQ(FMemo->toPlainText(), QString::fromUtf8("Krátký popis – s pomlčkou"));
}

TEST_F(DBMemoTextTest, ANullMemoAnEmptyDataSetAndAClosedOneShowNothing) {
  Show({Record(1, "Bez popisu")});
  EXPECT_EQ(FText->text(), QString::fromUtf8("Bez popisu"));
  EXPECT_TRUE(FMemo->toPlainText().isEmpty());
  FData->Table.SetFilter("Id > 5");
  FData->Table.SetFiltered(true);
  EXPECT_TRUE(FText->text().isEmpty());
  EXPECT_TRUE(FMemo->toPlainText().isEmpty());
  EXPECT_TRUE(FieldText(FData->Table.FieldByName("popis")).isEmpty());
  FData->Table.SetFiltered(false);
  EXPECT_FALSE(FText->text().isEmpty());
  FData->Table.Close();
  EXPECT_TRUE(FText->text().isEmpty());
}

// The browser gives the memo a scroll bar from 15 wrapped lines on, so the count must hold for
// the lines below the visible part too.
TEST_F(DBMemoTextTest, WrappedLineCountCountsEveryWrappedLine) {
  struct Case {
    const char* Name;
    int Paragraphs;
    int Repeats;  // of a sentence in each paragraph
  };
  const Case cases[] = {{"one short line", 1, 1}, {"short lines", 30, 1}, {"long paragraphs", 30, 6}};
  const std::string sentence = "Kůň úpěl ódy. ";
  std::vector<CatalogueRecord> records;
  for (const Case& c : cases) {
    std::string memo;
    for (int p = 0; p < c.Paragraphs; ++p) {
      if (p > 0) memo += "\r\n";
      for (int r = 0; r < c.Repeats; ++r) memo += sentence;
    }
    records.push_back(Record(static_cast<int32_t>(records.size()) + 1, c.Name, "1", memo));
  }
  Show(records);
  const QFontMetrics metrics(FMemo->font());
  const double width = FMemo->viewport()->width() - 2 * FMemo->document()->documentMargin();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    std::string paragraph;
    for (int r = 0; r < c.Repeats; ++r) paragraph += sentence;
    const double advance = metrics.horizontalAdvance(QString::fromStdString(paragraph));
    // Word wrapping needs at least the width's share of lines and, breaking at word ends, at most
    // one more per paragraph.
    const int fewest = c.Paragraphs * static_cast<int>(std::ceil(advance / width));
    EXPECT_GE(FMemo->WrappedLineCount(), fewest);
    EXPECT_LE(FMemo->WrappedLineCount(), fewest + c.Paragraphs);
    FData->Table.Next();
  }
}

}  // namespace
}  // namespace controls
