// Dataset filters: the filter text with its options and the record-filter handler narrow an open
// dataset exactly as a brute-force walk over the records says, a refused text keeps the filter in
// force, changes while filtered re-filter from the first record, and the Find moves use the
// filters whether Filtered is on or not.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "CatalogueDataSetSupport.h"
#include "DataSetTestSupport.h"
#include "dataset/ErrorReport.h"
#include "dataset/SkladTable.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

using testing::CatalogueRecord;

// Words of names and descriptions, Czech ones in code page 1250 (Čeština, ČEŠTINA, Úloha), the
// letters written as octal escapes.
const std::vector<std::string> kWords = {"Linux",         "LINUX",  "linux",       "Lin ux",   "GNU",
                                         "Windows",       "Ubuntu", "Linuxov\xE9", "DOS",      "\310e\232tina",
                                         "\310E\212TINA", "Amiga",  "hry",         "\xDAloha", "xlinuxx"};

// Lower case as the Czech language maps the letters used here.
std::string Lower(std::string text) {
  for (char& c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 'A' && byte <= 'Z') c = static_cast<char>(byte + 32);
    if (byte == 0xC8 || byte == 0x8A || byte == 0xDA) c = static_cast<char>(byte + (byte == 0x8A ? 0x10 : 0x20));
  }
  return text;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Three thousand records: names of two words (cut to the field's 20 characters), descriptions of
// up to a few BLOB blocks of filler that now and then carry one of the words.
std::vector<CatalogueRecord> MakeCatalogue() {
  std::vector<CatalogueRecord> records;
  const auto word = [](size_t n) { return kWords[n % kWords.size()]; };
  for (int32_t id = 1; id <= 3000; ++id) {
    const auto i = static_cast<size_t>(id);
    CatalogueRecord record;
    record.Id = id;
    record.Name = (word(i * 7) + " " + word(i * 11 + 3)).substr(0, 20);
    if (i % 4 != 0) {
      for (size_t j = 0; j < (i % 5) * 30; ++j) record.Memo += "popis programu ";
      if (i % 17 == 5) record.Memo.insert(record.Memo.size() / 2, " " + word(i / 17) + " ");
    }
    records.push_back(record);
  }
  return records;
}

class SkladDataSetFilterTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    FRecords = new std::vector<CatalogueRecord>(MakeCatalogue());
    FDirectory = new testing::CatalogueDirectory(*FRecords);
  }
  static void TearDownTestSuite() {
    delete FDirectory;
    delete FRecords;
  }

  SkladDataSetFilterTest() { testing::PointAtCatalogue(FTable, *FDirectory); }

  // The ids of the dataset's records, walked from the first.
  std::vector<int32_t> VisibleIds() {
    std::vector<int32_t> ids;
    for (FTable.First(); !FTable.Eof(); FTable.Next()) ids.push_back(std::stoi(FTable.FieldByName("Id").AsString()));
    return ids;
  }

  static std::vector<int32_t> ExpectedIds(const std::function<bool(const CatalogueRecord&)>& holds) {
    std::vector<int32_t> ids;
    for (const CatalogueRecord& record : *FRecords)
      if (holds(record)) ids.push_back(record.Id);
    return ids;
  }

  static std::vector<CatalogueRecord>* FRecords;
  static testing::CatalogueDirectory* FDirectory;
  TSkladTable FTable;
};

std::vector<CatalogueRecord>* SkladDataSetFilterTest::FRecords = nullptr;
testing::CatalogueDirectory* SkladDataSetFilterTest::FDirectory = nullptr;

struct FilterCase {
  const char* Name;
  std::string Text;
  TFilterOptions Options;
  std::function<bool(const CatalogueRecord&)> Holds;
};

const auto kInNameOrMemo = [](std::string word, bool anyCase) {
  return [word, anyCase](const CatalogueRecord& r) {
    return anyCase ? Contains(Lower(r.Name), word) || Contains(Lower(r.Memo), word)
                   : Contains(r.Name, word) || Contains(r.Memo, word);
  };
};

TEST_F(SkladDataSetFilterTest, FiltersNarrowToExactlyTheRecordsThatPass) {
  const std::string czech = "\350e\232tina";
  const FilterCase cases[] = {
      {"word search", R"(LOWER(name) LIKE "%linux%" OR LOWER(popis) LIKE "%linux%")", {}, kInNameOrMemo("linux", true)},
      {"word search in Czech",
       "LOWER(name) LIKE \"%" + czech + "%\" OR LOWER(popis) LIKE \"%" + czech + "%\"",
       {},
       kInNameOrMemo(czech, true)},
      {"LIKE keeps case", R"(name LIKE "%linux%" OR popis LIKE "%linux%")", {}, kInNameOrMemo("linux", false)},
      {"equal keeps case", R"(name = "Linux GNU")", {}, [](const auto& r) { return r.Name == "Linux GNU"; }},
      {"equal in any case",
       R"(name = "linux gnu")",
       {true, false},
       [](const auto& r) { return Lower(r.Name) == "linux gnu"; }},
      {"a star compares the beginning",
       R"(name = "Linux*")",
       {},
       [](const auto& r) { return r.Name.starts_with("Linux"); }},
      {"a star in any case",
       R"(name = "linux*")",
       {true, false},
       [](const auto& r) { return Lower(r.Name).starts_with("linux"); }},
      {"no partial compare", R"(name = "Linux*")", {false, true}, [](const auto&) { return false; }},
  };
  FTable.Open();
  FTable.SetFiltered(true);
  for (const FilterCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FTable.SetFilterOptions(c.Options);
    FTable.SetFilter(c.Text);
    const std::vector<int32_t> expected = ExpectedIds(c.Holds);
    EXPECT_EQ(VisibleIds(), expected);
    EXPECT_EQ(FTable.RecordCount(), static_cast<int32_t>(expected.size()));
  }
}

TEST_F(SkladDataSetFilterTest, ARefusedFilterTextKeepsTheFilterInForce) {
  const std::string linux = R"(LOWER(name) LIKE "%linux%" OR LOWER(popis) LIKE "%linux%")";
  const std::vector<int32_t> withLinux = ExpectedIds(kInNameOrMemo("linux", true));
  ASSERT_FALSE(withLinux.empty());
  FTable.SetFilter(linux);
  FTable.SetFiltered(true);
  FTable.Open();
  ASSERT_EQ(VisibleIds(), withLinux);
  FTable.SetRecNo(3);
  for (const char* refused : {"LOWER(name LIKE", "name", "nazev = 1", "   "}) {
    SCOPED_TRACE(refused);
    EXPECT_EQ(testing::EngineCode([&] { FTable.SetFilter(refused); }), err::FilterError);
    EXPECT_EQ(FTable.Filter(), linux);
    EXPECT_EQ(FTable.RecordCount(), static_cast<int32_t>(withLinux.size()));
    EXPECT_EQ(VisibleIds(), withLinux);
  }
  // Without Filtered the text is compiled all the same, and refused alike.
  FTable.SetFiltered(false);
  EXPECT_EQ(FTable.RecordCount(), 3000);
  EXPECT_EQ(testing::EngineCode([&] { FTable.SetFilter("name ="); }), err::FilterError);
  FTable.SetFiltered(true);
  EXPECT_EQ(VisibleIds(), withLinux);
  FTable.SetFilter("");
  EXPECT_EQ(FTable.RecordCount(), 3000);
}

TEST_F(SkladDataSetFilterTest, AFilterTextTheEngineRefusesFailsTheOpen) {
  FTable.SetFilter("name LIKE");
  EXPECT_EQ(testing::EngineCode([&] { FTable.Open(); }), err::FilterError);
  EXPECT_FALSE(FTable.Active());
  FTable.SetFilter("Id <= 10");
  FTable.Open();
  EXPECT_EQ(FTable.RecordCount(), 3000);  // not Filtered: the filter waits
  FTable.SetFiltered(true);
  EXPECT_EQ(FTable.RecordCount(), 10);
  // Closing takes the dataset's filters from the cursor; the next open builds them again.
  FTable.Close();
  FTable.Open();
  EXPECT_EQ(FTable.Cursor()->FilterCount(), 1);
  EXPECT_EQ(FTable.RecordCount(), 10);
}

// ---- The record-filter handler ----

const std::vector<testing::TBook> kSixBooks = {{1, "Babička"}, {2, "Audience"}, {3, "Krakatit"},
                                               {4, "Máj"},     {5, "Robot"},    {6, "Kytice"}};

class RecordFilterTest : public ::testing::Test {
 protected:
  RecordFilterTest() : FBooks(kSixBooks) { testing::PointAtBooks(FTable, FBooks); }
  ~RecordFilterTest() override { SetErrorReport(nullptr); }

  std::vector<int32_t> VisibleIds() {
    std::vector<int32_t> ids;
    for (FTable.First(); !FTable.Eof(); FTable.Next()) ids.push_back(Id());
    return ids;
  }
  int32_t Id() { return std::stoi(FTable.FieldByName("Id").AsString()); }

  testing::BooksDirectory FBooks;
  TSkladTable FTable;
};

TEST_F(RecordFilterTest, TheHandlerSeesEachCandidateAsTheCurrentRecord) {
  std::vector<std::string> seen;
  FTable.SetOnFilterRecord([&](TSkladDataSet& dataSet, bool& accept) {
    EXPECT_EQ(dataSet.State(), TDataSetState::Filter);
    seen.push_back(dataSet.FieldByName("Name").AsString());
    accept = std::stoi(dataSet.FieldByName("Id").AsString()) % 2 == 0;
  });
  FTable.Open();
  EXPECT_TRUE(seen.empty());  // not Filtered yet
  FTable.SetFiltered(true);
  EXPECT_EQ(seen, (std::vector<std::string>{"Babička", "Audience", "Krakatit", "Máj", "Robot", "Kytice"}));
  EXPECT_EQ(FTable.State(), TDataSetState::Browse);
  EXPECT_EQ(VisibleIds(), (std::vector<int32_t>{2, 4, 6}));
  EXPECT_EQ(FTable.FieldByName("Name").AsString(), "Kytice");
  FTable.SetOnFilterRecord(nullptr);
  EXPECT_EQ(FTable.RecordCount(), 6);
}

TEST_F(RecordFilterTest, TheHandlerAndTheTextBothApplyAfterEitherChanges) {
  FTable.SetOnFilterRecord(
      [](TSkladDataSet& dataSet, bool& accept) { accept = std::stoi(dataSet.FieldByName("Id").AsString()) % 2 == 0; });
  FTable.SetFilter("Id < 3");
  FTable.SetFiltered(true);
  FTable.Open();
  EXPECT_EQ(VisibleIds(), std::vector<int32_t>{2});
  // The handler was first asked only about the records below 3.
  FTable.SetFilter("Id > 3");
  EXPECT_EQ(VisibleIds(), (std::vector<int32_t>{4, 6}));
  FTable.SetOnFilterRecord(
      [](TSkladDataSet& dataSet, bool& accept) { accept = std::stoi(dataSet.FieldByName("Id").AsString()) % 2 == 1; });
  EXPECT_EQ(VisibleIds(), std::vector<int32_t>{5});
  FTable.SetFilter("");
  EXPECT_EQ(VisibleIds(), (std::vector<int32_t>{1, 3, 5}));
  FTable.SetFiltered(false);
  EXPECT_EQ(VisibleIds(), (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
}

TEST_F(RecordFilterTest, AnErrorInTheHandlerIsReportedAndTheRecordKeepsItsAnswer) {
  std::vector<std::string> reported;
  SetErrorReport([&](const std::exception& error) { reported.push_back(error.what()); });
  FTable.SetOnFilterRecord([](TSkladDataSet& dataSet, bool& accept) {
    const int32_t id = std::stoi(dataSet.FieldByName("Id").AsString());
    if (id == 2) {
      accept = false;
      throw std::runtime_error("two");
    }
    if (id == 5) throw std::runtime_error("five");
  });
  FTable.SetFiltered(true);
  FTable.Open();
  EXPECT_EQ(reported, (std::vector<std::string>{"two", "five"}));
  EXPECT_EQ(VisibleIds(), (std::vector<int32_t>{1, 3, 4, 5, 6}));
}

TEST_F(RecordFilterTest, FindMovesThroughThePassingRecordsWhetherFilteredOrNot) {
  FTable.SetFilter("Id > 2");
  FTable.SetOnFilterRecord(
      [](TSkladDataSet& dataSet, bool& accept) { accept = std::stoi(dataSet.FieldByName("Id").AsString()) % 2 == 0; });
  FTable.Open();
  for (const bool filtered : {false, true}) {
    SCOPED_TRACE(filtered ? "filtered" : "not filtered");
    FTable.SetFiltered(filtered);
    EXPECT_EQ(FTable.RecordCount(), filtered ? 2 : 6);
    struct Step {
      const char* Name;
      bool (TSkladDataSet::*Find)();
      bool Found;
      int32_t Id;
    };
    for (const Step& step :
         {Step{"first", &TSkladDataSet::FindFirst, true, 4}, Step{"next", &TSkladDataSet::FindNext, true, 6},
          Step{"next at the end", &TSkladDataSet::FindNext, false, 6},
          Step{"prior", &TSkladDataSet::FindPrior, true, 4},
          Step{"prior at the start", &TSkladDataSet::FindPrior, false, 4},
          Step{"last", &TSkladDataSet::FindLast, true, 6}}) {
      SCOPED_TRACE(step.Name);
      EXPECT_EQ((FTable.*step.Find)(), step.Found);
      EXPECT_EQ(Id(), step.Id);
    }
  }
  // From a record that does not pass, the next passing one.
  FTable.SetFiltered(false);
  FTable.First();
  EXPECT_TRUE(FTable.FindNext());
  EXPECT_EQ(Id(), 4);
}

}  // namespace
}  // namespace sklad
