// Keys, ranges and key search of the cursor over a table of authors, with and without a table
// language: searches by whole and partial keys on unique, non-unique, descending and
// case-insensitive indexes; ranges against a model of the index order with navigation, record
// numbers, counts, bookmarks and clones; key comparison and key steps; the password callback.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "KeysTestSupport.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/core/EngineError.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

using testing::TAuthor;

struct TModelAuthor {
  TAuthor Author;
  int32_t RecordNumber = 0;
  int Sequence = 0;  // insertion order: ties of non-unique indexes follow it
};

class KeysTest : public ::testing::TestWithParam<uint16_t> {
 protected:
  void SetUp() override { Create(GetParam()); }

  void Create(uint16_t language, const std::string& password = {}) {
    testing::CreateAuthors(FTemp.Path().string(), language, password);
    FDatabase = FSession.OpenDirectory("", FTemp.Path().string());
  }

  std::unique_ptr<TDataCursor> OpenCursor(int index) {
    auto cursor = std::make_unique<TDataCursor>(*FDatabase);
    cursor->SetTableName(testing::kAuthors);
    cursor->Open();
    cursor->SelectIndex(index);
    return cursor;
  }

  void Fill(TDataCursor& cursor, const std::vector<TAuthor>& authors) {
    testing::AuthorWriter writer(*cursor.Table());
    for (const TAuthor& author : authors) {
      FModel.push_back({author, writer.Append(author), static_cast<int>(FModel.size())});
    }
  }

  // The ids of the model's authors that pass, in the order of the index.
  std::vector<int32_t> Expected(int index, const std::function<bool(const TAuthor&)>& pass = nullptr) const {
    std::vector<TModelAuthor> authors;
    for (const TModelAuthor& author : FModel) {
      if (!pass || pass(author.Author)) authors.push_back(author);
    }
    auto year = [](const TModelAuthor& a) { return a.Author.Year.value_or(-32768); };
    std::ranges::sort(authors, [&](const TModelAuthor& a, const TModelAuthor& b) {
      switch (index) {
        case 0: return a.Author.Id < b.Author.Id;
        case testing::kByIdDescending: return a.Author.Id > b.Author.Id;
        case testing::kByYearDescending: return std::tuple(year(a), a.Sequence) > std::tuple(year(b), b.Sequence);
        default:
          return std::tuple(a.Author.Surname, year(a), a.Sequence) < std::tuple(b.Author.Surname, year(b), b.Sequence);
      }
    });
    std::vector<int32_t> ids;
    for (const TModelAuthor& author : authors) ids.push_back(author.Author.Id);
    return ids;
  }

  std::vector<uint8_t> Record(TDataCursor& cursor, const TAuthor& author) {
    return testing::AuthorRecord(*cursor.Table(), author);
  }

  static int32_t IdOf(TDataCursor& cursor, const uint8_t* record) {
    uint8_t value[4] = {};
    cursor.GetField(1, record, value);
    return LoadLE<int32_t>(value);
  }

  static int32_t CurrentId(TDataCursor& cursor) {
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    EXPECT_EQ(cursor.ReadCurrent(record.data()), cursor_status::Ok);
    return IdOf(cursor, record.data());
  }

  ::sklad::testing::TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDatabase = nullptr;
  std::vector<TModelAuthor> FModel;
};

INSTANTIATE_TEST_SUITE_P(Languages, KeysTest, ::testing::Values(uint16_t{0}, testing::kCzech));

TEST_P(KeysTest, FindKeyWholeAndPartial) {
  auto cursor = OpenCursor(0);
  Fill(*cursor, {{1, "Svoboda", 1950}, {2, "Novak", 1960}, {3, "Novak", 1940}, {4, "abcdef", 1970},
                 {5, "Dvorak", 1960}, {6, "novak", 1955}, {7, "abd", 1930}, {8, "Novak", 1960},
                 {9, "Zeman", std::nullopt}, {10, "Horak", 1980}});
  struct TCase {
    const char* What;
    int Index;
    TAuthor Search;
    int FieldCount, PartialLength;
    bool Nearest, Found;
    int32_t Id;
  };
  const TCase cases[] = {
      {"non-unique full values find the first", testing::kBySurnameYear, {0, "Novak", 1960}, 0, 0, false, true, 2},
      {"one field of two", testing::kBySurnameYear, {0, "Novak", 1999}, 1, 0, false, true, 3},
      {"partial length 3", testing::kBySurnameYear, {0, "abc", {}}, 0, 3, false, true, 4},
      {"any case", testing::kBySurnameAnyCase, {0, "NOVAK", {}}, 0, 0, false, true, 2},
      {"descending index", testing::kByYearDescending, {0, "", 1960}, 1, 0, false, true, 8},
      {"descending index, nearest below", testing::kByYearDescending, {0, "", 1965}, 1, 0, false, false, 8},
      {"descending field after the counted one", testing::kBySurnameYearDown, {0, "Novak", {}}, 1, 0, false, true, 2},
      {"unique exact", 0, {5, "", {}}, 0, 0, false, true, 5},
      {"nearest above every key", 0, {1000, "", {}}, 0, 0, true, false, 10},
      {"unique descending exact", testing::kByIdDescending, {4, "", {}}, 0, 0, false, true, 4},
      {"unique descending nearest above every key", testing::kByIdDescending, {0, "", {}}, 0, 0, true, false, 1},
  };
  for (const TCase& test : cases) {
    cursor->SelectIndex(test.Index);
    cursor->First();
    const std::vector<uint8_t> search = Record(*cursor, test.Search);
    std::vector<uint8_t> found(static_cast<size_t>(cursor->RecordSize()));
    EXPECT_EQ(cursor->FindKey(false, search.data(), found.data(), test.PartialLength, test.Nearest, test.FieldCount),
              test.Found)
        << test.What;
    EXPECT_EQ(IdOf(*cursor, found.data()), test.Id) << test.What;
    EXPECT_EQ(CurrentId(*cursor), test.Id) << test.What;
    EXPECT_FALSE(cursor->AtEnd() || cursor->AtBeginning()) << test.What << ": on the record, not a crack";
  }

  // An exact search that fails leaves the cursor where it was; a ready-made key works too.
  cursor->SelectIndex(0);
  cursor->GotoRecordNumber(3);
  std::vector<uint8_t> key(kMaxKeyLength);
  cursor->BuildKey(Record(*cursor, {77, "", {}}).data(), key.data());
  EXPECT_FALSE(cursor->FindKey(true, key.data(), nullptr, 0, false, 0));
  EXPECT_EQ(CurrentId(*cursor), 3);
  cursor->BuildKey(Record(*cursor, {7, "", {}}).data(), key.data());
  EXPECT_TRUE(cursor->FindKey(true, key.data(), nullptr, 0, false, 0));
  EXPECT_EQ(CurrentId(*cursor), 7);
  EXPECT_TRUE(cursor->KeyExists(key.data()));
  EXPECT_TRUE(cursor->UniqueViolation(key.data()));
  cursor->SelectIndex(testing::kBySurnameYear);
  cursor->BuildKey(Record(*cursor, {0, "Novak", 1960}).data(), key.data());
  EXPECT_FALSE(cursor->KeyExists(key.data())) << "non-unique keys carry the record's identity";
  cursor->GotoRecordNumber(1);
  cursor->GetBookmark(key.data());
  EXPECT_TRUE(cursor->KeyExists(key.data()));
  EXPECT_FALSE(cursor->UniqueViolation(key.data()));
}

// Neighbours in key order lie anywhere in the file: a search reads the one record it lands on.
TEST_P(KeysTest, FindKeyReadsOnlyTheRecordItLandsOn) {
  auto cursor = OpenCursor(0);
  std::vector<TAuthor> authors;
  for (int32_t id = 1; id <= 200; ++id) authors.push_back({id, "S" + std::to_string(1000 + id * 37 % 200), 1950});
  Fill(*cursor, authors);
  cursor = OpenCursor(testing::kBySurnameYear);
  // Nothing cached: what the search reads is what the cache holds afterwards.
  cursor->Table()->DiscardCaches(false, false);
  const TRecordCache& records = cursor->Table()->Data().Records();
  const int cachedBefore = records.Count();
  const std::vector<uint8_t> search = Record(*cursor, {0, "S1100", 1950});
  ASSERT_TRUE(cursor->FindKey(false, search.data(), nullptr, 0, false, 0));
  EXPECT_EQ(records.Count() - cachedBefore, 1);
  // Reading on from there reads ahead again.
  std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
  ASSERT_EQ(cursor->ReadNext(record.data()), cursor_status::Ok);
  EXPECT_GT(records.Count() - cachedBefore, 2);
}

TEST_P(KeysTest, RangesFollowTheModel) {
  auto cursor = OpenCursor(0);
  const char* surnames[] = {"Benes", "Dvorak", "Horak", "Kral", "Novak", "Svoboda", "Zeman"};
  std::vector<TAuthor> authors;
  for (int i = 0; i < 300; ++i) {
    authors.push_back({(i * 37) % 311 + 1, surnames[(i * 5) % 7], static_cast<int16_t>(1900 + (i * 13) % 80)});
  }
  Fill(*cursor, authors);
  auto year = [](const TAuthor& a) { return *a.Year; };
  struct TCase {
    const char* What;
    int Index;
    std::optional<TAuthor> Low;
    int LowCount;
    std::optional<TAuthor> High;
    int HighCount;
    std::function<bool(const TAuthor&)> Pass;
  };
  const TCase cases[] = {
      {"ids 50 to 120", 0, TAuthor{50}, 0, TAuthor{120}, 0, [](const TAuthor& a) { return a.Id >= 50 && a.Id <= 120; }},
      {"open low end", 0, {}, 0, TAuthor{30}, 0, [](const TAuthor& a) { return a.Id <= 30; }},
      {"open low end before strings", testing::kBySurnameYear, {}, 0, TAuthor{0, "Horak"}, 1,
       [](const TAuthor& a) { return a.Surname <= "Horak"; }},
      {"open high end", 0, TAuthor{280}, 0, {}, 0, [](const TAuthor& a) { return a.Id >= 280; }},
      {"low above high", 0, TAuthor{120}, 0, TAuthor{50}, 0, [](const TAuthor&) { return false; }},
      {"descending index includes both bounds", testing::kByYearDescending, TAuthor{0, "", 1970}, 1,
       TAuthor{0, "", 1950}, 1, [&](const TAuthor& a) { return year(a) >= 1950 && year(a) <= 1970; }},
      {"descending index, low above high", testing::kByYearDescending, TAuthor{0, "", 1950}, 1,
       TAuthor{0, "", 1970}, 1, [](const TAuthor&) { return false; }},
      {"first field of two", testing::kBySurnameYear, TAuthor{0, "Dvorak"}, 1, TAuthor{0, "Novak"}, 1,
       [](const TAuthor& a) { return a.Surname >= "Dvorak" && a.Surname <= "Novak"; }},
      {"both fields", testing::kBySurnameYear, TAuthor{0, "Horak", 1930}, 2, TAuthor{0, "Kral", 1940}, 2,
       [&](const TAuthor& a) {
         return std::tuple(a.Surname, year(a)) >= std::tuple(std::string("Horak"), 1930) &&
                std::tuple(a.Surname, year(a)) <= std::tuple(std::string("Kral"), 1940);
       }},
      {"between two keys", testing::kBySurnameYear, TAuthor{0, "Dvorak", 1990}, 2, TAuthor{0, "Dvorak", 1995}, 2,
       [](const TAuthor&) { return false; }},
      {"above every key", 0, TAuthor{1000}, 0, TAuthor{2000}, 0, [](const TAuthor&) { return false; }},
      {"unique descending", testing::kByIdDescending, TAuthor{200}, 0, TAuthor{100}, 0,
       [](const TAuthor& a) { return a.Id >= 100 && a.Id <= 200; }},
  };
  const int32_t total = static_cast<int32_t>(authors.size());
  std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
  for (const TCase& test : cases) {
    SCOPED_TRACE(test.What);
    cursor->SelectIndex(test.Index);
    const std::vector<int32_t> expected = Expected(test.Index, test.Pass);
    const int32_t count = static_cast<int32_t>(expected.size());
    const std::vector<uint8_t> low = test.Low ? Record(*cursor, *test.Low) : std::vector<uint8_t>();
    const std::vector<uint8_t> high = test.High ? Record(*cursor, *test.High) : std::vector<uint8_t>();
    cursor->SetRange(false, test.Low ? low.data() : nullptr, test.LowCount, test.High ? high.data() : nullptr,
                     test.HighCount);
    ASSERT_EQ(cursor->GetRecordCount(), count);
    cursor->First();
    std::vector<int32_t> walked;
    while (cursor->ReadNext(record.data()) == cursor_status::Ok) {
      walked.push_back(IdOf(*cursor, record.data()));
      ASSERT_EQ(cursor->GetRecordNumber(), static_cast<int32_t>(walked.size()));
    }
    ASSERT_EQ(walked, expected);
    cursor->Last();
    for (int32_t k = count; k >= 1; --k) {
      ASSERT_EQ(cursor->ReadPrior(record.data()), cursor_status::Ok);
      ASSERT_EQ(IdOf(*cursor, record.data()), expected[k - 1]);
    }
    EXPECT_EQ(cursor->ReadPrior(nullptr), cursor_status::BeginningOfFile);
    if (count == 0) {
      cursor->First();
      EXPECT_EQ(cursor->ReadNext(nullptr), cursor_status::EndOfFile);
      EXPECT_EQ(cursor->GetRecordNumber(), 0);
    } else {
      const int32_t middle = (count + 1) / 2;
      cursor->GotoRecordNumber(middle);
      EXPECT_EQ(CurrentId(*cursor), expected[middle - 1]);
      std::vector<uint8_t> bookmark(static_cast<size_t>(cursor->BookmarkSize()));
      cursor->GetBookmark(bookmark.data());
      auto clone = cursor->Clone();
      EXPECT_EQ(clone->GetRecordCount(), count) << "the clone has the range";
      EXPECT_EQ(clone->GetRecordNumber(), middle);
      cursor->MoveBy(count);
      EXPECT_TRUE(cursor->AtEnd());
      EXPECT_EQ(cursor->ReadCurrent(nullptr), cursor_status::EndOfFile) << "the end crack reads no record";
      EXPECT_EQ(cursor->ReadPrior(record.data()), cursor_status::Ok);
      EXPECT_EQ(IdOf(*cursor, record.data()), expected.back());
      EXPECT_TRUE(cursor->GotoBookmark(bookmark.data(), false));
      EXPECT_EQ(cursor->GetRecordNumber(), middle);
      cursor->GotoRecordNumber(count + 5);
      EXPECT_TRUE(cursor->AtEnd());
    }
    cursor->CancelRange();
    EXPECT_EQ(cursor->GetRecordCount(), total);
  }
}

TEST_P(KeysTest, RangeKeepsOrLeavesTheCurrentRecord) {
  auto cursor = OpenCursor(0);
  std::vector<TAuthor> authors;
  for (int32_t id = 1; id <= 40; ++id) authors.push_back({id, "Autor", static_cast<int16_t>(1900 + id)});
  Fill(*cursor, authors);
  const std::vector<uint8_t> low = Record(*cursor, {10}), high = Record(*cursor, {20});
  cursor->GotoRecordNumber(15);
  cursor->SetRange(false, low.data(), 0, high.data(), 0);
  EXPECT_EQ(CurrentId(*cursor), 15) << "a record in range stays current";
  EXPECT_EQ(cursor->GetRecordNumber(), 6);
  std::vector<uint8_t> key(kMaxKeyLength);
  for (int32_t id : {9, 10, 20, 21}) {
    cursor->BuildKey(Record(*cursor, {id}).data(), key.data());
    EXPECT_EQ(cursor->KeyInRange(key.data()), id >= 10 && id <= 20) << id;
  }

  cursor->CancelRange();
  EXPECT_TRUE(cursor->KeyInRange(key.data())) << "every key without a range";
  cursor->GotoRecordNumber(30);
  cursor->SetRange(false, low.data(), 0, high.data(), 0);
  EXPECT_EQ(CurrentId(*cursor), 20) << "a record above the range gives way to the last in range";
  cursor->CancelRange();
  EXPECT_EQ(CurrentId(*cursor), 20);

  // A bookmark outside the range leads to the nearest record in range.
  cursor->GotoRecordNumber(35);
  std::vector<uint8_t> outside(static_cast<size_t>(cursor->BookmarkSize()));
  cursor->GetBookmark(outside.data());
  cursor->SetRange(false, low.data(), 0, high.data(), 0);
  EXPECT_FALSE(cursor->GotoBookmark(outside.data(), false));
  EXPECT_EQ(CurrentId(*cursor), 20);
  EXPECT_EQ(cursor->FindKey(false, Record(*cursor, {5}).data(), nullptr, 0, true, 0), false);
  EXPECT_EQ(CurrentId(*cursor), 10) << "a search below the range stops on its first record";

  // Another user's record inside the range widens it; the cursor keeps its record.
  cursor->SetRange(false, low.data(), 0, Record(*cursor, {50}).data(), 0);
  cursor->GotoRecordNumber(5);
  EXPECT_EQ(cursor->GetRecordCount(), 31);
  Fill(*cursor, {{45, "Autor", 1999}, {60, "Autor", 1999}});
  EXPECT_EQ(cursor->GetRecordCount(), 32);
  EXPECT_EQ(CurrentId(*cursor), 14);
  cursor->Last();
  ASSERT_EQ(cursor->ReadPrior(nullptr), cursor_status::Ok);
  EXPECT_EQ(CurrentId(*cursor), 45);

  cursor->SelectIndex(testing::kBySurnameYear);
  const std::vector<uint8_t> surname = Record(*cursor, {0, "Autor"});
  cursor->SetRange(false, surname.data(), 1, surname.data(), 1);
  cursor->SelectIndexByName("bysurnameyear");
  EXPECT_TRUE(cursor->RangeActive()) << "the same index in other letters is no switch";
  cursor->SelectIndex(testing::kByIdDescending);
  EXPECT_FALSE(cursor->RangeActive()) << "an index switch clears the range";
  EXPECT_EQ(cursor->GetRecordCount(), 42);
  EXPECT_EQ(CurrentId(*cursor), 45) << "the record stays current across the switches";
  // A cursor before the first record stays there in another order, whatever its first record
  // has become; likewise after the last.
  struct TCrack {
    int From, To;
    bool AtBeginning;
    int32_t Next;  // the id the next read in the direction away from the crack delivers
  };
  for (const TCrack& crack : {TCrack{0, testing::kByIdDescending, true, 60}, TCrack{0, testing::kByIdDescending, false, 1},
                              TCrack{testing::kByIdDescending, TDataCursor::kNaturalOrder, true, 1},
                              TCrack{testing::kByIdDescending, TDataCursor::kNaturalOrder, false, 60}}) {
    cursor->SelectIndex(crack.From);
    crack.AtBeginning ? cursor->First() : cursor->Last();
    cursor->SelectIndex(crack.To);
    EXPECT_EQ(cursor->AtBeginning(), crack.AtBeginning) << crack.From << " to " << crack.To;
    EXPECT_EQ(cursor->AtEnd(), !crack.AtBeginning) << crack.From << " to " << crack.To;
    std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
    EXPECT_EQ(crack.AtBeginning ? cursor->ReadPrior(nullptr) : cursor->ReadNext(nullptr),
              crack.AtBeginning ? cursor_status::BeginningOfFile : cursor_status::EndOfFile);
    ASSERT_EQ(crack.AtBeginning ? cursor->ReadNext(record.data()) : cursor->ReadPrior(record.data()),
              cursor_status::Ok);
    EXPECT_EQ(IdOf(*cursor, record.data()), crack.Next) << crack.From << " to " << crack.To;
  }

  cursor->SelectIndex(TDataCursor::kNaturalOrder);
  cursor->SetRange(false, low.data(), 0, high.data(), 0);
  EXPECT_FALSE(cursor->RangeActive()) << "natural order has no ranges";
  EXPECT_FALSE(cursor->FindKey(false, low.data(), nullptr, 0, true, 0));

  cursor->SelectIndex(0);
  cursor->SetRange(false, low.data(), 0, high.data(), 0);
  cursor->Close();
  cursor->Open();
  cursor->SelectIndex(0);
  EXPECT_FALSE(cursor->RangeActive()) << "a cursor opens without a range";
  EXPECT_EQ(cursor->GetRecordCount(), 42);
}

TEST_P(KeysTest, KeyRangeBitsAndCounts) {
  auto cursor = OpenCursor(testing::kByYearDescending);
  std::vector<TAuthor> authors;
  for (int32_t id = 1; id <= 120; ++id) authors.push_back({id, "Autor", static_cast<int16_t>(1900 + id % 50)});
  Fill(*cursor, authors);
  std::vector<uint8_t> low(kMaxKeyLength), high(kMaxKeyLength);
  cursor->BuildKey(Record(*cursor, {0, "", 1940}).data(), low.data());
  cursor->BuildKey(Record(*cursor, {0, "", 1930}).data(), high.data());
  const int length = cursor->KeyLength();
  // The year's bytes end before the record's identity; fill it so that both years are inside.
  cursor->FillHigh(low.data(), length - 4);
  cursor->FillLow(high.data(), length - 4);
  EXPECT_EQ(cursor->CompareKeys(low.data(), high.data(), length), -1) << "1940 comes first in a descending index";
  TRecordsBitmap bitmap;
  bitmap.SetSize(static_cast<int32_t>(authors.size()));
  cursor->SetBitsInKeyRange(low.data(), high.data(), bitmap);
  int32_t expected = 0;
  for (const TModelAuthor& author : FModel) {
    const bool inside = *author.Author.Year >= 1930 && *author.Author.Year <= 1940;
    expected += inside ? 1 : 0;
    EXPECT_EQ(bitmap.Test(author.RecordNumber), inside) << author.Author.Id;
  }
  EXPECT_EQ(bitmap.Count(), expected);
  EXPECT_EQ(cursor->CountKeysInRange(low.data(), high.data()), static_cast<uint32_t>(expected));
  EXPECT_EQ(cursor->CountKeysInRange(high.data(), low.data()), 0u);
  cursor->SetBitsInKeyRange(high.data(), low.data(), bitmap);
  EXPECT_EQ(bitmap.Count(), 0);
  std::vector<uint8_t> lowest(kMaxKeyLength), highest(kMaxKeyLength);
  cursor->LowestKey(lowest.data());
  cursor->HighestKey(highest.data());
  EXPECT_EQ(cursor->CountKeysInRange(highest.data(), lowest.data()), authors.size())
      << "a descending index runs from the highest key to the lowest";
}

TEST_P(KeysTest, RangeBitsMarkTheRecordsInRange) {
  auto cursor = OpenCursor(0);
  std::vector<TAuthor> authors;
  // Enough keys for several leaves.
  for (int i = 0; i < 1000; ++i) authors.push_back({(i * 71) % 1009 + 1, "Autor", static_cast<int16_t>(1900 + i % 60)});
  Fill(*cursor, authors);
  struct TCase {
    const char* What;
    int Index;
    int32_t Low, High;  // ids
  };
  // Narrow ranges walk their keys; wide ones walk the keys outside them and invert.
  const TCase cases[] = {{"narrow", 0, 300, 700},
                         {"wide", 0, 10, 990},
                         {"wide from the first key", 0, 1, 900},
                         {"wide, descending", testing::kByIdDescending, 990, 10},
                         {"empty", 0, 90, 50}};
  TRecordsBitmap bitmap;
  for (const TCase& test : cases) {
    cursor->SelectIndex(test.Index);
    cursor->SetRange(false, Record(*cursor, {test.Low}).data(), 0, Record(*cursor, {test.High}).data(), 0);
    bitmap.SetSize(static_cast<int32_t>(authors.size()));
    bitmap.SetAll();
    cursor->SetRangeBits(bitmap);
    int32_t inside = 0;
    for (const TModelAuthor& author : FModel) {
      const int32_t id = author.Author.Id;
      const bool expected = id >= std::min(test.Low, test.High) && id <= std::max(test.Low, test.High) &&
                            (test.Index == 0 ? test.Low <= test.High : test.Low >= test.High);
      inside += expected ? 1 : 0;
      EXPECT_EQ(bitmap.Test(author.RecordNumber), expected) << test.What << ": id " << id;
    }
    EXPECT_EQ(bitmap.Count(), inside) << test.What;
    EXPECT_EQ(cursor->GetRecordCount(), inside) << test.What;
  }
  cursor->CancelRange();
  cursor->SetRangeBits(bitmap);
  EXPECT_EQ(bitmap.Count(), 0);
}

TEST(DataCursorKeyStepTest, IncrementAndDecrementCarry) {
  struct TCase {
    std::vector<uint8_t> Key;
    bool Increment;
    std::vector<uint8_t> Result;
    bool Stepped;
  };
  const TCase cases[] = {
      {{0x00, 0x12, 0xFF, 0xFF}, true, {0x00, 0x13, 0x00, 0x00}, true},
      {{0xFF, 0xFF, 0xFF, 0xFF}, true, {0xFF, 0xFF, 0xFF, 0xFF}, false},
      {{0x00, 0x13, 0x00, 0x00}, false, {0x00, 0x12, 0xFF, 0xFF}, true},
      {{0x00, 0x00, 0x00, 0x00}, false, {0x00, 0x00, 0x00, 0x00}, false},
  };
  for (const TCase& test : cases) {
    std::vector<uint8_t> key = test.Key;
    key.push_back(0x77);  // past n: untouched
    EXPECT_EQ(test.Increment ? TDataCursor::IncrementKey(key.data(), 4) : TDataCursor::DecrementKey(key.data(), 4),
              test.Stepped);
    EXPECT_EQ(std::vector<uint8_t>(key.begin(), key.begin() + 4), test.Result);
    EXPECT_EQ(key[4], 0x77);
  }
}

class KeysCollationTest : public KeysTest {};

INSTANTIATE_TEST_SUITE_P(Languages, KeysCollationTest, ::testing::Values(uint16_t{0}, testing::kCzech));

TEST_P(KeysCollationTest, StringKeysCompareInTheTablesCollation) {
  auto cursor = OpenCursor(testing::kBySurnameAnyCase);
  struct TCase {
    const char* A;
    const char* B;
    int WithoutLanguage, Czech;
  };
  const TCase cases[] = {
      {"\xC8" "apek", "Dvorak", 1, -1},  // Č: above every ASCII byte, between C and D in Czech
      {"chata", "hrad", -1, 1},          // Czech "ch" follows "h"
      {"kral", "Kral", 0, 0},            // the index ignores case
      {"", "A", -1, -1},                 // null below every value
  };
  const bool czech = GetParam() == testing::kCzech;
  std::vector<uint8_t> a(kMaxKeyLength), b(kMaxKeyLength);
  for (const TCase& test : cases) {
    cursor->BuildKey(Record(*cursor, {0, test.A, {}}).data(), a.data());
    cursor->BuildKey(Record(*cursor, {0, test.B, {}}).data(), b.data());
    // Without the identity at the end: the values alone.
    const int length = cursor->KeyLength() - 4;
    EXPECT_EQ(cursor->CompareKeys(a.data(), b.data(), length), czech ? test.Czech : test.WithoutLanguage)
        << test.A << " : " << test.B;
    EXPECT_EQ(cursor->CompareKeys(b.data(), a.data(), length), -(czech ? test.Czech : test.WithoutLanguage));
  }
  // Partial bounds widen to every key with their prefix in either collation.
  std::vector<uint8_t> low(kMaxKeyLength), high(kMaxKeyLength), key(kMaxKeyLength);
  cursor->BuildKey(Record(*cursor, {0, "NOV", {}}).data(), low.data());
  std::copy(low.begin(), low.end(), high.begin());
  cursor->FillLow(low.data(), 4);
  cursor->FillHigh(high.data(), 4);
  for (const char* value : {"NOV", "NOVAK", "NOVOTNY"}) {
    cursor->BuildKey(Record(*cursor, {0, value, {}}).data(), key.data());
    EXPECT_LE(cursor->CompareKeys(low.data(), key.data(), cursor->KeyLength()), 0) << value;
    EXPECT_GE(cursor->CompareKeys(high.data(), key.data(), cursor->KeyLength()), 0) << value;
  }
}

class KeysPasswordTest : public KeysTest {
 protected:
  void SetUp() override { Create(0, "Tajne"); }
};

INSTANTIATE_TEST_SUITE_P(Plain, KeysPasswordTest, ::testing::Values(uint16_t{0}));

struct TPasswordAsker {
  TDataSession* Session = nullptr;
  const char* Answer = nullptr;  // none: declines
  int Asked = 0;
  bool Ask() {
    ++Asked;
    if (Answer == nullptr) return false;
    Session->AddPassword(Answer);
    return true;
  }
};

TEST_P(KeysPasswordTest, OpenAsksForTheMissingPassword) {
  auto errorOf = [](TDataCursor& cursor) {
    try {
      cursor.Open();
    } catch (const ESkladEngineError& error) {
      return static_cast<int>(error.Code());
    }
    return 0;
  };
  TDataCursor cursor(*FDatabase);
  cursor.SetTableName(testing::kAuthors);
  EXPECT_EQ(errorOf(cursor), err::PasswordRequired) << "no callback";

  struct TCase {
    const char* Answer;
    int Code;
    int AtLeastAsked;
  };
  // A wrong answer is asked again; a callback that never supplies the password gives up.
  const TCase cases[] = {{nullptr, err::PasswordRequired, 1}, {"spatne", err::PasswordRequired, 2}, {"Tajne", 0, 1}};
  for (const TCase& test : cases) {
    TPasswordAsker asker{&FSession, test.Answer};
    cursor.SetPasswordCallback([&asker] { return asker.Ask(); });
    EXPECT_EQ(errorOf(cursor), test.Code) << (test.Answer ? test.Answer : "declined");
    EXPECT_GE(asker.Asked, test.AtLeastAsked);
    EXPECT_EQ(cursor.Active(), test.Code == 0);
  }
  // The clone opens with the cursor's right even when the session has forgotten the password.
  FSession.RemovePassword("Tajne");
  auto clone = cursor.Clone();
  EXPECT_TRUE(clone->Active());
  EXPECT_FALSE(FSession.PasswordKnown("Tajne"));
  cursor.Close();
  EXPECT_EQ(errorOf(cursor), err::PasswordRequired) << "a closed cursor forgets its callback";
}

}  // namespace
}  // namespace sklad
