// Cursor filters: random filter trees against a model of the records, in natural and index
// order, without and with a table language; the filter limit, filter text errors, and a filter
// whose evaluation fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <tuple>
#include <utility>
#include <random>
#include <string>
#include <vector>

#include "CatalogueTestSupport.h"
#include "engine/cursor/DataCursor.h"
#include "engine/expression/ExpressionPreparation.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "tests/support/Iterations.h"
#include "tests/support/RepeatedText.h"
#include "tests/support/SmallStack.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

using testing::CatalogueRecord;

const std::vector<std::string> kWords = {"alfa", "Beta", "gama", "Delta", "omega", "Sigma", "kapa", "lambda", "Tau"};

int ErrorCode(const std::function<void()>& action) {
  try {
    action();
  } catch (const ESkladEngineError& error) {
    return error.Code();
  }
  return 0;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A filter text and what it means for a record of the model.
struct Condition {
  std::string Text;
  std::function<bool(const CatalogueRecord&)> Holds;
};

class ConditionMaker {
 public:
  explicit ConditionMaker(std::mt19937& random) : FRandom(random) {}

  Condition Make(int depth) {
    if (depth == 0 || Pick(3) == 0) return Leaf();
    switch (Pick(3)) {
      case 0: {
        Condition a = Make(depth - 1), b = Make(depth - 1);
        return {"(" + a.Text + ") AND (" + b.Text + ")", [a, b](const auto& r) { return a.Holds(r) && b.Holds(r); }};
      }
      case 1: {
        Condition a = Make(depth - 1), b = Make(depth - 1);
        return {"(" + a.Text + ") OR (" + b.Text + ")", [a, b](const auto& r) { return a.Holds(r) || b.Holds(r); }};
      }
      default: {
        Condition a = Make(depth - 1);
        return {"NOT (" + a.Text + ")", [a](const auto& r) { return !a.Holds(r); }};
      }
    }
  }

 private:
  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(FRandom); }
  std::string Word() { return Lower(kWords[static_cast<size_t>(Pick(static_cast<int>(kWords.size())))]); }

  // = and <> follow the null rule of the expression language: <> holds when exactly one side is
  // null, = never with one null side.
  template <class T>
  static bool Compare(int op, const std::optional<T>& value, const T& constant) {
    if (!value) return op == 1;
    switch (op) {
      case 0: return *value == constant;
      case 1: return *value != constant;
      case 2: return *value < constant;
      case 3: return *value > constant;
      case 4: return *value <= constant;
      default: return *value >= constant;
    }
  }

  Condition Leaf() {
    static const char* const kOperators[] = {"=", "<>", "<", ">", "<=", ">="};
    const int op = Pick(6);
    switch (Pick(12)) {
      case 0: {  // an integer column against an integer or a fraction
        const double constant = Pick(121) - 60 + (Pick(2) ? 0.5 : 0.0);
        return {"n " + std::string(kOperators[op]) + " " + Number(constant), [op, constant](const auto& r) {
                  std::optional<double> value;
                  if (r.Number) value = *r.Number;
                  return Compare(op, value, constant);
                }};
      }
      case 1: {  // a string column; the constant sometimes written on the left
        const std::string constant = std::to_string(Pick(12) + 1);
        if (Pick(2)) {
          static const int kConverse[] = {0, 1, 3, 2, 5, 4};
          return {"'" + constant + "' " + kOperators[kConverse[op]] + " r", [op, constant](const auto& r) {
                    return Compare(op, r.Section.empty() ? std::nullopt : std::optional(r.Section), constant);
                  }};
        }
        return {"r " + std::string(kOperators[op]) + " '" + constant + "'", [op, constant](const auto& r) {
                  return Compare(op, r.Section.empty() ? std::nullopt : std::optional(r.Section), constant);
                }};
      }
      case 2: {
        const bool isNull = Pick(2) == 0;
        const bool onNumber = Pick(2) == 0;
        return {std::string(onNumber ? "n" : "r") + (isNull ? " IS NULL" : " IS NOT NULL"),
                [isNull, onNumber](const auto& r) { return (onNumber ? !r.Number : r.Section.empty()) == isNull; }};
      }
      case 3: {
        const std::string word = Word().substr(0, 3);
        return {"LOWER(name) LIKE '%" + word + "%'",
                [word](const auto& r) { return Lower(r.Name).find(word) != std::string::npos; }};
      }
      case 4: {
        const std::string word = Word();
        return {"LOWER(popis) LIKE '%" + word + "%'",
                [word](const auto& r) { return !r.Memo.empty() && Lower(r.Memo).find(word) != std::string::npos; }};
      }
      case 5: {
        if (Pick(2) == 0) {
          const std::string word = kWords[static_cast<size_t>(Pick(static_cast<int>(kWords.size())))].substr(0, 3);
          return {"SUBSTRING(name FROM 1 FOR 3) = '" + word + "'",
                  [word](const auto& r) { return r.Name.substr(0, 3) == word; }};
        }
        // The leading characters of the indexed r, the constant of the same length or not.
        const int length = Pick(3) + 1;
        const std::string constant = std::to_string(Pick(12) + 1);
        return {"SUBSTRING(r FROM 1 FOR " + std::to_string(length) + ") " + kOperators[op] + " '" + constant + "'",
                [op, length, constant](const auto& r) {
                  return Compare(op, r.Section.empty() ? std::nullopt : std::optional(r.Section.substr(0, length)),
                                 constant);
                }};
      }
      case 6: {
        const int low = Pick(81) - 40, high = low + Pick(30);
        return {"n BETWEEN " + std::to_string(low) + " AND " + std::to_string(high),
                [low, high](const auto& r) { return r.Number && *r.Number >= low && *r.Number <= high; }};
      }
      case 7: {
        const int a = Pick(81) - 40, b = Pick(81) - 40;
        return {"n IN (" + std::to_string(a) + ", " + std::to_string(b) + ")",
                [a, b](const auto& r) { return r.Number && (*r.Number == a || *r.Number == b); }};
      }
      case 9: {  // through the case-insensitive index on name
        const std::string word = Word();
        std::string upper = word;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return {"UPPER(name) " + std::string(kOperators[op]) + " '" + upper + "'", [op, upper](const auto& r) {
                  std::string name = r.Name;
                  for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                  return Compare(op, std::optional(name), upper);
                }};
      }
      case 10: {  // a prefix, as the dataset's partial compare writes it
        const std::string word = kWords[static_cast<size_t>(Pick(static_cast<int>(kWords.size())))].substr(0, 2);
        const bool negated = Pick(2) == 0;
        return {std::string(negated ? "name NOT LIKE '" : "name LIKE '") + word + "%'", [word, negated](const auto& r) {
                  return (r.Name.compare(0, word.size(), word) == 0) != negated;
                }};
      }
      case 11: {  // IN with a fraction and a null among the values
        const int a = Pick(81) - 40;
        return {"n IN (" + std::to_string(a) + ", 2.5, NULL)",
                [a](const auto& r) { return !r.Number || *r.Number == a; }};
      }
      default: {  // the edges of the integer type
        const double constant = Pick(2) ? 2147483647.0 : -2147483648.0;
        return {"n " + std::string(kOperators[op]) + " " + Number(constant), [op, constant](const auto& r) {
                  std::optional<double> value;
                  if (r.Number) value = *r.Number;
                  return Compare(op, value, constant);
                }};
      }
    }
  }

  static std::string Number(double value) {
    std::string text = std::to_string(value);
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text;
  }

  std::mt19937& FRandom;
};

using testing::CatalogueIndexes;

// The table's language, and which indexes it has.
struct TableKind {
  uint16_t Language;
  CatalogueIndexes Indexes;
};

std::string KindName(const TableKind& kind) {
  static const char* const kIndexNames[] = {"", "Descending", "WithoutIndexes"};
  return std::string(kind.Language == 0 ? "NoLanguage" : "Czech") + kIndexNames[static_cast<int>(kind.Indexes)];
}

void PrintTo(const TableKind& kind, std::ostream* out) { *out << KindName(kind); }

class FilterTest : public ::testing::TestWithParam<TableKind> {
 protected:
  void SetUp() override {
    FDatabase = FSession.OpenDirectory("", FTemp.Path().string());
    FTable = FDatabase->CreateTable(testing::kCatalogue, false,
                                    testing::CatalogueDefinition(GetParam().Language, GetParam().Indexes));
  }
  void TearDown() override {
    FCursor.reset();
    FDatabase->CloseTable(FTable);
  }

  void Fill(int count, std::mt19937& random) {
    testing::CatalogueWriter writer(*FDatabase);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    for (int i = 0; i < count; ++i) {
      CatalogueRecord record;
      record.Id = i + 1;
      if (pick(10) != 0) record.Section = std::to_string(pick(12) + 1);
      record.Name = kWords[static_cast<size_t>(pick(9))] + " " + kWords[static_cast<size_t>(pick(9))];
      if (pick(10) != 0) record.Number = pick(20) == 0 ? (pick(2) ? INT32_MAX : INT32_MIN) : pick(101) - 50;
      // Memos of up to about three blocks.
      for (int words = pick(5) == 0 ? 0 : pick(250); words > 0; --words) {
        record.Memo += kWords[static_cast<size_t>(pick(9))] + (pick(7) == 0 ? ". " : " ");
      }
      record.RecordNumber = writer.Append(record);
      FRecords.push_back(record);
    }
  }

  // Records whose n takes the values given, in order; the other fields are plain.
  void FillNumbers(const std::vector<std::optional<int32_t>>& numbers) {
    testing::CatalogueWriter writer(*FDatabase);
    for (const auto& number : numbers) {
      CatalogueRecord record;
      record.Id = static_cast<int32_t>(FRecords.size()) + 1;
      record.Section = std::to_string(record.Id % 12 + 1);
      record.Name = "alfa";
      record.Number = number;
      record.RecordNumber = writer.Append(record);
      FRecords.push_back(record);
    }
  }

  // The number of records the filter shows, and how many it read to find them.
  std::pair<int32_t, int64_t> CountAndReads(const std::string& text) {
    const int64_t before = FCursor->FilterRecordsRead();
    TFilter* filter = FCursor->AddFilter(text, false, false);
    FCursor->ActivateFilter(filter);
    const int32_t count = FCursor->GetRecordCount();
    FCursor->DropFilter(filter);
    return {count, FCursor->FilterRecordsRead() - before};
  }

  void OpenCursor() {
    FCursor = std::make_unique<TDataCursor>(*FDatabase);
    FCursor->SetTableName(testing::kCatalogue);
    FCursor->Open();
  }

  int32_t IdOf(const uint8_t* record) {
    uint8_t value[4] = {};
    FCursor->GetField(testing::kIdField, record, value);
    return LoadLE<int32_t>(value);
  }

  // The ids the cursor shows, read forward from the start.
  std::vector<int32_t> VisibleIds() { return VisibleIds(*FCursor); }
  std::vector<int32_t> VisibleIds(TDataCursor& cursor) {
    std::vector<int32_t> ids;
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    cursor.First();
    while (cursor.ReadNext(record.data()) == cursor_status::Ok) ids.push_back(IdOf(record.data()));
    return ids;
  }

  // The same read backward from the end, in forward order again.
  std::vector<int32_t> VisibleIdsBackward() {
    std::vector<int32_t> ids;
    std::vector<uint8_t> record(static_cast<size_t>(FCursor->RecordSize()));
    FCursor->Last();
    while (FCursor->ReadPrior(record.data()) == cursor_status::Ok) ids.push_back(IdOf(record.data()));
    std::ranges::reverse(ids);
    return ids;
  }

  std::vector<int32_t> ExpectedIds(const Condition& condition) const {
    std::vector<int32_t> ids;
    for (const CatalogueRecord& record : FRecords) {
      if (condition.Holds(record)) ids.push_back(record.Id);
    }
    return ids;
  }

  ::sklad::testing::TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDatabase = nullptr;
  TDataTable* FTable = nullptr;
  std::unique_ptr<TDataCursor> FCursor;
  std::vector<CatalogueRecord> FRecords;
};

const std::vector<TableKind> kIndexedKinds = {
    {0, CatalogueIndexes::Ascending},
    {1029, CatalogueIndexes::Ascending},
    {0, CatalogueIndexes::DescendingNumbers},
    {1029, CatalogueIndexes::DescendingNumbers},
};

std::vector<TableKind> WithUnindexedKinds(std::vector<TableKind> kinds) {
  kinds.push_back({0, CatalogueIndexes::None});
  kinds.push_back({1029, CatalogueIndexes::None});
  return kinds;
}

std::string TestName(const ::testing::TestParamInfo<TableKind>& info) { return KindName(info.param); }

INSTANTIATE_TEST_SUITE_P(Tables, FilterTest, ::testing::ValuesIn(kIndexedKinds), TestName);

// The differential test also runs on tables without indexes, where every filter is answered by
// testing records.
using RandomFilterTest = FilterTest;

INSTANTIATE_TEST_SUITE_P(Tables, RandomFilterTest, ::testing::ValuesIn(WithUnindexedKinds(kIndexedKinds)), TestName);

TEST_P(RandomFilterTest, RandomFilterTreesShowExactlyTheRecordsThatPass) {
  std::mt19937 random(20261210u + GetParam().Language + static_cast<unsigned>(GetParam().Indexes));
  Fill(::sklad::testing::Iterations(2000, 50000), random);
  OpenCursor();
  const bool indexed = GetParam().Indexes != CatalogueIndexes::None;
  ConditionMaker maker(random);
  for (int round = 0; round < ::sklad::testing::Iterations(20, 30); ++round) {
    const Condition condition = maker.Make(3);
    SCOPED_TRACE(condition.Text);
    std::vector<int32_t> expected = ExpectedIds(condition);
    TFilter* filter = FCursor->AddFilter(condition.Text, false, false);
    FCursor->ActivateFilter(filter);
    // Natural order shows the records in record number order, which is id order here.
    FCursor->SelectIndex(TDataCursor::kNaturalOrder);
    EXPECT_EQ(FCursor->GetRecordCount(), static_cast<int32_t>(expected.size()));
    EXPECT_EQ(VisibleIds(), expected);
    if (!indexed) {
      FCursor->DropFilter(filter);
      continue;
    }
    // Index order shows the same set in key order, the same forward and backward.
    FCursor->SelectIndex(1 + round % 3);
    EXPECT_EQ(FCursor->GetRecordCount(), static_cast<int32_t>(expected.size()));
    std::vector<int32_t> shown = VisibleIds();
    EXPECT_EQ(VisibleIdsBackward(), shown);
    std::ranges::sort(shown);
    EXPECT_EQ(shown, expected);
    FCursor->DropFilter(filter);
  }
}

TEST_P(FilterTest, IndexedComparisonsReadOnlyTheRecordsTheyNeed) {
  std::mt19937 random(13);
  Fill(600, random);
  OpenCursor();
  const auto sectionFive = std::ranges::count_if(FRecords, [](const auto& r) { return r.Section == "5"; });
  const auto positive = std::ranges::count_if(FRecords, [](const auto& r) { return r.Number && *r.Number > 5; });
  struct Case {
    std::string Text;
    int64_t Reads;
  };
  for (const Case& c : {Case{"n > 5", 0}, Case{"r = '5'", 0}, Case{"NOT (r = '5') OR n IN (1, 2)", 0},
                        Case{"r = '5' AND LOWER(popis) LIKE '%alfa%'", sectionFive},
                        Case{"LOWER(popis) LIKE '%alfa%' AND r = '5'", sectionFive},
                        Case{"n > 5 OR LOWER(name) LIKE '%a%'", 600},
                        Case{"n > 5 AND r = '5' AND LOWER(name) LIKE '%a%'",
                             std::ranges::count_if(FRecords, [](const auto& r) {
                               return r.Section == "5" && r.Number && *r.Number > 5;
                             })}}) {
    SCOPED_TRACE(c.Text);
    EXPECT_EQ(CountAndReads(c.Text).second, c.Reads);
  }
  EXPECT_EQ(CountAndReads("n > 5").first, positive);

  // The planner's count rule: a part matching nearly every record is left to record tests, and
  // the AND puts the part an index answers first.
  TFilter* filter = FCursor->AddFilter("r <> '99' AND n = 5", false, false);
  TExpToken& tree = *const_cast<TExpToken*>(filter->Expression());
  EXPECT_EQ(FCursor->FilterOptimizationLevel(TOperator::None, tree, false), 2);
  EXPECT_EQ(FCursor->FilterOptimizationLevel(TOperator::None, tree, true), 1);
  EXPECT_EQ(tree.First->Operator, TOperator::Equal);
  EXPECT_EQ(FCursor->FilterOptimizationLevel(TOperator::None, tree, false), 2);
  FCursor->DropFilter(filter);
}

// The leading characters of a column compared with a text of their length are a prefix of the
// column's keys: an index on the column answers them without reading a record. Any other shape
// is tested record by record, and every shape shows the same records with and without indexes.
using PrefixFilterTest = FilterTest;

INSTANTIATE_TEST_SUITE_P(Tables, PrefixFilterTest, ::testing::ValuesIn(WithUnindexedKinds(kIndexedKinds)), TestName);

TEST_P(PrefixFilterTest, LeadingCharactersThroughTheIndex) {
  std::mt19937 random(17);
  Fill(600, random);
  // Sections with a leading and a trailing character the constants below can meet.
  {
    testing::CatalogueWriter writer(*FDatabase);
    for (const char* section : {"1", "1/", "01/", "1x", "x1"}) {
      CatalogueRecord record;
      record.Id = static_cast<int32_t>(FRecords.size()) + 1;
      record.Section = section;
      record.Name = "alfa";
      record.RecordNumber = writer.Append(record);
      FRecords.push_back(record);
    }
  }
  OpenCursor();
  const int64_t all = static_cast<int64_t>(FRecords.size());
  const auto starts = [](std::string prefix) {
    return [prefix](const CatalogueRecord& r) { return r.Section.starts_with(prefix); };
  };
  struct Case {
    std::string Text;
    std::function<bool(const CatalogueRecord&)> Holds;
    int64_t IndexedReads;  // records read when r has an index
    bool CaseInsensitive = false;
  };
  const Case cases[] = {
      {"SUBSTRING(r FROM 1 FOR 1) = '1'", starts("1"), 0},
      {"SUBSTRING(r FROM 1 FOR 2) = '1/'", starts("1/"), 0},
      {"SUBSTRING(r FROM 1 FOR 3) = '01/'", starts("01/"), 0},
      {"SUBSTRING(r FROM 1 FOR 2) = '12'", starts("12"), 0},
      // Longer than any value: nothing, known from the field's size.
      {"SUBSTRING(r FROM 1 FOR 4) = '1234'", [](const auto&) { return false; }, 0},
      // A shorter constant equals a shorter value only.
      {"SUBSTRING(r FROM 1 FOR 2) = '1'", [](const auto& r) { return r.Section == "1"; }, all},
      // Not from the first character.
      {"SUBSTRING(r FROM 2 FOR 1) = '1'", [](const auto& r) { return r.Section.size() > 1 && r.Section[1] == '1'; },
       all},
      // <> also holds for a null column.
      {"SUBSTRING(r FROM 1 FOR 1) <> '1'", [](const auto& r) { return r.Section.empty() || r.Section[0] != '1'; },
       all},
      // The empty text is null, and null equals null: the records without r.
      {"SUBSTRING(r FROM 1 FOR 1) = ''", [](const auto& r) { return r.Section.empty(); }, all},
      // A trailing space no stored value ends in.
      {"SUBSTRING(r FROM 1 FOR 2) = '1 '", [](const auto&) { return false; }, all},
      // Below an AND the other part reads only the prefix's records.
      {"SUBSTRING(r FROM 1 FOR 1) = '1' AND LOWER(name) LIKE '%a%'",
       [&](const auto& r) { return starts("1")(r) && Lower(r.Name).find('a') != std::string::npos; },
       std::ranges::count_if(FRecords, starts("1"))},
      {"(SUBSTRING(r FROM 1 FOR 2) = '1/') OR (SUBSTRING(r FROM 1 FOR 3) = '01/')",
       [&](const auto& r) { return starts("1/")(r) || starts("01/")(r); }, 0},
      // Case-insensitive filter options: the case-insensitive index on name.
      {"SUBSTRING(name FROM 1 FOR 4) = 'ALFA'", [](const auto& r) { return Lower(r.Name).starts_with("alfa"); }, 0,
       true},
  };
  const bool indexed = GetParam().Indexes != CatalogueIndexes::None;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    const int64_t before = FCursor->FilterRecordsRead();
    TFilter* filter = FCursor->AddFilter(c.Text, false, c.CaseInsensitive);
    FCursor->ActivateFilter(filter);
    EXPECT_EQ(VisibleIds(), ExpectedIds({c.Text, c.Holds}));
    EXPECT_EQ(FCursor->FilterRecordsRead() - before, indexed ? c.IndexedReads : all);
    FCursor->DropFilter(filter);
  }
}

// A filter added to a filtered cursor (a word search on a live result) tests only the records
// the others let through; when one of those goes away, it is tested again on what shows then.
TEST_P(FilterTest, FiltersAddedLaterTestOnlyTheShownRecordsAndCatchUpWhenOthersGo) {
  std::mt19937 random(29);
  Fill(600, random);
  OpenCursor();
  const Condition section{"r = '5'", [](const auto& r) { return r.Section == "5"; }};
  const Condition word{"LOWER(name) LIKE '%alfa%'", [](const auto& r) { return Lower(r.Name).find("alfa") != std::string::npos; }};
  const auto both = [&](std::initializer_list<Condition> all) {
    return Condition{"", [all = std::vector<Condition>(all)](const auto& r) {
                       return std::ranges::all_of(all, [&](const Condition& c) { return c.Holds(r); });
                     }};
  };
  const auto even = [](void*, const uint8_t*, int32_t recordNumber) { return recordNumber % 2 == 0; };
  const Condition evenRecords{"", [](const auto& r) { return r.RecordNumber % 2 == 0; }};

  TFilter* sectionFilter = FCursor->AddFilter(section.Text, false, false);
  FCursor->ActivateFilter(sectionFilter);
  const int64_t before = FCursor->FilterRecordsRead();
  TFilter* wordFilter = FCursor->AddFilter(word.Text, false, false);
  FCursor->ActivateFilter(wordFilter);
  EXPECT_EQ(FCursor->FilterRecordsRead() - before, std::ranges::count_if(FRecords, section.Holds));
  EXPECT_EQ(VisibleIds(), ExpectedIds(both({section, word})));
  TFilter* callbackFilter = FCursor->AddFilter(even, nullptr);
  FCursor->ActivateFilter(callbackFilter);
  EXPECT_EQ(VisibleIds(), ExpectedIds(both({section, word, evenRecords})));

  FCursor->DeactivateFilter(sectionFilter);
  EXPECT_EQ(VisibleIds(), ExpectedIds(both({word, evenRecords})));
  FCursor->ActivateFilter(sectionFilter);
  EXPECT_EQ(VisibleIds(), ExpectedIds(both({section, word, evenRecords})));
  FCursor->DropFilter(callbackFilter);
  FCursor->DropFilter(sectionFilter);
  EXPECT_EQ(VisibleIds(), ExpectedIds(word));
  // A changed expression of the filter that narrowed another.
  sectionFilter = FCursor->AddFilter(section.Text, false, false);
  FCursor->ActivateFilter(sectionFilter);
  FCursor->DropFilter(wordFilter);
  wordFilter = FCursor->AddFilter(word.Text, false, false);
  FCursor->ActivateFilter(wordFilter);
  TFilter* replacement = FCursor->AddFilter("r = '7'", false, false);
  FCursor->ReplaceFilterExpression(CopyTree(*replacement->Expression()).release(), sectionFilter);
  FCursor->DropFilter(replacement);
  EXPECT_EQ(VisibleIds(), ExpectedIds(both({{"", [](const auto& r) { return r.Section == "7"; }}, word})));
}

TEST_P(FilterTest, ComparisonsAtTheEdgesOfTheKeys) {
  // Most values null, or most at the lowest or the highest integer: the walks over the keys
  // outside an interval meet the ends of the index.
  for (const auto& [nulls, lowest, highest] : {std::tuple{80, 15, 5}, std::tuple{5, 80, 15}, std::tuple{15, 5, 80}}) {
    SCOPED_TRACE(::testing::Message() << nulls << " null, " << lowest << " lowest, " << highest << " highest");
    FCursor.reset();
    FDatabase->CloseTable(FTable);
    FRecords.clear();
    FDatabase->DeleteTable(testing::kCatalogue, false);
    FTable = FDatabase->CreateTable(testing::kCatalogue, false,
                                    testing::CatalogueDefinition(GetParam().Language, GetParam().Indexes));
    std::vector<std::optional<int32_t>> numbers;
    numbers.insert(numbers.end(), static_cast<size_t>(nulls), std::nullopt);
    numbers.insert(numbers.end(), static_cast<size_t>(lowest), INT32_MIN);
    numbers.insert(numbers.end(), static_cast<size_t>(highest), INT32_MAX);
    std::ranges::shuffle(numbers, std::mt19937(static_cast<unsigned>(nulls)));
    FillNumbers(numbers);
    OpenCursor();
    struct Case {
      std::string Text;
      int Count;
    };
    for (const Case& c : {Case{"n IS NULL", nulls}, Case{"n IS NOT NULL", lowest + highest},
                          Case{"n = -2147483648", lowest}, Case{"n = 2147483647", highest},
                          Case{"n > 2147483647", 0}, Case{"n >= 2147483647", highest}, Case{"n < -2147483648", 0},
                          Case{"n <= -2147483648", lowest}, Case{"n > -2147483648", highest},
                          Case{"n < 2147483647", lowest}, Case{"n <> 2147483647", nulls + lowest},
                          Case{"n > 3000000000", 0}, Case{"n >= -3000000000", lowest + highest},
                          Case{"n = 2147483647.5", 0}, Case{"n <> 0.5", 100}, Case{"n BETWEEN -2147483648 AND 0", lowest},
                          Case{"n NOT BETWEEN -2147483648 AND 0", nulls + highest}}) {
      SCOPED_TRACE(c.Text);
      EXPECT_EQ(CountAndReads(c.Text), std::pair(c.Count, int64_t{0}));
    }
  }
}

TEST_P(FilterTest, RecordsWrittenThroughTheCursorFollowItsFilters) {
  std::mt19937 random(17);
  Fill(50, random);
  OpenCursor();
  const auto passing = [this] {
    return std::ranges::count_if(FRecords, [](const auto& r) { return r.Number && *r.Number > 100; });
  };
  for (int index : {TDataCursor::kNaturalOrder, 2}) {
    SCOPED_TRACE(index);
    FCursor->SelectIndex(index);
    TFilter* filter = FCursor->AddFilter("n > 100", false, false);
    FCursor->ActivateFilter(filter);
    EXPECT_EQ(FCursor->GetRecordCount(), passing());
    std::vector<uint8_t> record(static_cast<size_t>(FCursor->RecordSize()));
    for (int32_t number : {150, 50, 200}) {
      CatalogueRecord added;
      added.Id = static_cast<int32_t>(FRecords.size()) + 1;
      added.Number = number;
      FCursor->InitRecord(record.data());
      uint8_t value[4];
      StoreLE(value, added.Id);
      FCursor->PutField(testing::kIdField, record.data(), value);
      StoreLE(value, number);
      FCursor->PutField(testing::kNumberField, record.data(), value);
      FCursor->InsertRecord(record.data(), true);
      FRecords.push_back(added);
      // Passing or not, the new record is tested at once.
      EXPECT_EQ(FCursor->GetRecordCount(), passing());
    }
    std::vector<int32_t> expected = ExpectedIds({"", [](const auto& r) { return r.Number && *r.Number > 100; }});
    std::vector<int32_t> shown = VisibleIds();
    std::ranges::sort(shown);
    EXPECT_EQ(shown, expected);
    // Deleting the last visible record takes it out of the count.
    FCursor->Last();
    ASSERT_EQ(FCursor->ReadPrior(record.data()), cursor_status::Ok);
    FCursor->DeleteRecord(record.data(), true);
    std::erase_if(FRecords, [&](const auto& r) { return r.Id == IdOf(record.data()); });
    EXPECT_EQ(FCursor->GetRecordCount(), passing());
    FCursor->DropFilter(filter);
  }
}

TEST_P(FilterTest, WordSearchesOverMemosOfSeveralBlocks) {
  std::mt19937 random(11);
  Fill(400, random);
  OpenCursor();
  const std::vector<std::vector<std::string>> searches = {
      {"lambda"}, {"alfa", "tau"}, {"gama", "omega", "sigma"}, {"beta", "delta", "kapa"}};
  for (const auto& words : searches) {
    std::string text;
    for (const std::string& word : words) text += (text.empty() ? "" : " AND ") + std::string("LOWER(popis) LIKE '%") + word + "%'";
    SCOPED_TRACE(text);
    const auto holds = [&words](const CatalogueRecord& r) {
      return std::ranges::all_of(words, [&r](const std::string& w) { return Lower(r.Memo).find(w) != std::string::npos; });
    };
    TFilter* filter = FCursor->AddFilter(text, false, true);
    FCursor->ActivateFilter(filter);
    std::vector<int32_t> expected;
    for (const CatalogueRecord& record : FRecords) {
      if (holds(record)) expected.push_back(record.Id);
    }
    EXPECT_EQ(VisibleIds(), expected);
    FCursor->DropFilter(filter);
  }
}

TEST_P(FilterTest, FiltersCombineAndComeApartAgain) {
  std::mt19937 random(7);
  Fill(300, random);
  OpenCursor();
  FCursor->SelectIndex(1);
  TFilter* low = FCursor->AddFilter("n < 10", false, false);
  TFilter* named = FCursor->AddFilter("LOWER(name) LIKE '%alfa%'", false, false);
  FCursor->ActivateFilter(low);
  FCursor->ActivateFilter(named);
  auto both = [](const CatalogueRecord& r) { return r.Number && *r.Number < 10 && Lower(r.Name).find("alfa") != std::string::npos; };
  EXPECT_EQ(FCursor->GetRecordCount(), std::ranges::count_if(FRecords, both));
  FCursor->DeactivateFilter(low);
  EXPECT_EQ(FCursor->GetRecordCount(),
            std::ranges::count_if(FRecords, [](const auto& r) { return Lower(r.Name).find("alfa") != std::string::npos; }));
  // A clone shows what this cursor shows, and keeps an inactive filter inactive.
  {
    std::unique_ptr<TDataCursor> clone = FCursor->Clone();
    EXPECT_EQ(clone->FilterCount(), 2);
    EXPECT_EQ(clone->GetRecordCount(), FCursor->GetRecordCount());
  }
  // Without an active filter an index-order cursor counts from its range, without bitmaps.
  FCursor->DeactivateFilter(nullptr);
  EXPECT_FALSE(FCursor->BitmapNavigation());
  EXPECT_EQ(FCursor->GetRecordCount(), 300);
  EXPECT_EQ(ErrorCode([&] { FCursor->ActivateFilter(reinterpret_cast<TFilter*>(&FRecords)); }), err::InvalidFilterHandle);
  EXPECT_EQ(ErrorCode([&] { FCursor->ReplaceFilterExpression(nullptr, low); }), 0);
}

// A clone takes the filtered set as its cursor has it, without testing a record again, also when
// another cursor changed the table first; its filters then work on their own.
TEST_P(FilterTest, AClonesFiltersStartFromItsCursorsBitmaps) {
  std::mt19937 random(11);
  Fill(300, random);
  OpenCursor();
  TFilter* low = FCursor->AddFilter("n < 10", false, false);
  TFilter* named = FCursor->AddFilter("LOWER(name) LIKE '%alfa%'", false, false);
  FCursor->ActivateFilter(low);
  FCursor->ActivateFilter(named);
  CatalogueRecord added;
  added.Id = 301;
  added.Name = "alfa";
  added.Number = 1;
  testing::CatalogueWriter(*FDatabase).Append(added);

  std::unique_ptr<TDataCursor> clone = FCursor->Clone();
  EXPECT_EQ(clone->FilterRecordsRead(), 0);
  const std::vector<int32_t> shown = VisibleIds(*clone);
  EXPECT_EQ(shown, VisibleIds());
  EXPECT_EQ(std::ranges::count(shown, 301), 1);

  clone->DeactivateFilter(clone->FilterAt(0));
  FCursor->DeactivateFilter(low);
  EXPECT_EQ(VisibleIds(*clone), VisibleIds());
}

// A filter of a long run of ORs or ANDs shows exactly the records it should, on a thread with a
// small stack: ORs an index answers operand by operand, ORs tested record by record, and ANDs
// whose indexed parts the planner puts first at every step, which turns the run into a zigzag of
// first and second operands. A clone copies each such tree. Nesting past the parser's bound is a
// filter error.
TEST_P(FilterTest, LongRunsAndDeepNestingInFilterTexts) {
  std::mt19937 random(23);
  Fill(60, random);
  OpenCursor();
  using ::sklad::testing::Joined;
  auto numberIs = [](auto test) { return [test](const CatalogueRecord& r) { return r.Number && test(*r.Number); }; };
  constexpr int kLong = 4000;
  const std::vector<Condition> cases = {
      {Joined("n = 1000", " OR ", kLong) + " OR n = 5", numberIs([](int32_t n) { return n == 5; })},
      {"r = '3' OR " + Joined("n = 1000", " OR ", kLong), [](const CatalogueRecord& r) { return r.Section == "3"; }},
      {Joined("n + 0 = 1000", " OR ", kLong) + " OR n + 0 = 5", numberIs([](int32_t n) { return n == 5; })},
      {Joined("n > -10 AND n + 0 < 10", " AND ", kLong), numberIs([](int32_t n) { return n > -10 && n < 10; })},
  };
  ::sklad::testing::RunOnSmallStack(::sklad::testing::kSmallStack, [&] {
    for (const Condition& condition : cases) {
      SCOPED_TRACE(condition.Text.substr(0, 60));
      TFilter* filter = FCursor->AddFilter(condition.Text, false, false);
      FCursor->ActivateFilter(filter);
      FCursor->SelectIndex(TDataCursor::kNaturalOrder);
      EXPECT_EQ(VisibleIds(), ExpectedIds(condition));
      std::unique_ptr<TDataCursor> clone = FCursor->Clone();
      EXPECT_EQ(VisibleIds(*clone), ExpectedIds(condition));
      FCursor->DropFilter(filter);
    }
  });
  try {
    FCursor->AddFilter(std::string(15000, '(') + "n = 1" + std::string(15000, ')'), false, false);
    ADD_FAILURE() << "no error";
  } catch (const ESkladEngineError& error) {
    EXPECT_EQ(error.Code(), err::FilterError);
    EXPECT_NE(std::string(error.what()).find("Expression nested too deeply in filter expression"), std::string::npos)
        << error.what();
  }
}

TEST_P(FilterTest, FilterLimitAndFilterTextErrors) {
  std::mt19937 random(3);
  Fill(10, random);
  OpenCursor();
  std::vector<TFilter*> filters;
  for (int i = 0; i < TDataCursor::kMaxFilters; ++i) filters.push_back(FCursor->AddFilter("n > 0", false, false));
  EXPECT_EQ(ErrorCode([&] { FCursor->AddFilter("n > 0", false, false); }), err::TooManyFilters);
  FCursor->DropFilter(filters.back());
  EXPECT_EQ(ErrorCode([&] { FCursor->AddFilter("n > 0", false, false); }), 0);
  FCursor->DropFilter(nullptr);

  struct Case {
    const char* Text;
    const char* Detail;  // empty: any parser or binder message
  };
  for (const Case& c : {Case{"name", "filter expression must be a boolean expression"},
                        Case{"   ", "filter expression is empty"}, Case{"n > 0 n", ""}, Case{"nic = 1", ""}}) {
    SCOPED_TRACE(c.Text);
    try {
      FCursor->AddFilter(c.Text, false, false);
      ADD_FAILURE() << "no error";
    } catch (const ESkladEngineError& error) {
      EXPECT_EQ(error.Code(), err::FilterError);
      EXPECT_NE(std::string(error.what()).find("Filter error for table 'KATALOG.DAT' - " + std::string(c.Detail)),
                std::string::npos)
          << error.what();
    }
  }
  EXPECT_EQ(FCursor->FilterCount(), 0);
}

// A callback that fails on one record, as a filter whose evaluation meets a damaged record.
bool FailsOnRecordFifty(void*, const uint8_t*, int32_t recordNumber) {
  if (recordNumber == 50) RaiseEngineError(err::RecordBuffersCorrupt, "KATALOG");
  return recordNumber % 2 == 0;
}

TEST_P(FilterTest, FailedEvaluationShowsNoUntestedRecord) {
  std::mt19937 random(5);
  Fill(100, random);
  OpenCursor();
  for (int index : {TDataCursor::kNaturalOrder, 1}) {
    SCOPED_TRACE(index);
    FCursor->SelectIndex(index);
    TFilter* failing = FCursor->AddFilter(FailsOnRecordFifty, nullptr);
    EXPECT_EQ(ErrorCode([&] { FCursor->ActivateFilter(failing); }), err::RecordBuffersCorrupt);
    EXPECT_EQ(FCursor->GetRecordCount(), 0);
    EXPECT_TRUE(VisibleIds().empty());
    // Another filter's change combines the bitmaps again: still nothing the failing one skipped.
    TFilter* other = FCursor->AddFilter("n IS NOT NULL OR n IS NULL", false, false);
    FCursor->ActivateFilter(other);
    EXPECT_TRUE(VisibleIds().empty());
    FCursor->DropFilter(failing);
    EXPECT_EQ(FCursor->GetRecordCount(), 100);
    FCursor->DropFilter(other);
  }
}

}  // namespace
}  // namespace sklad
