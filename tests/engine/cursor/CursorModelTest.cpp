// The cursor against a model of its table: random inserts, modifications and deletes through one
// cursor on a table with a primary, a unique and a non-unique index; after every batch another
// cursor's navigation, record numbers, counts, bookmarks, key searches and ranges in natural and
// index order equal the model's, and from time to time the table is closed, checked and reopened.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "EditingTestSupport.h"
#include "engine/cursor/DataCursor.h"
#include "engine/cursor/TableCheck.h"
#include "engine/storage/language/LanguageMaps.h"
#include "tests/support/Iterations.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

using testing::TEdition;

constexpr uint16_t kCzech = 1029;

// Names in code page 1250, Czech letters included, so that the collation decides their order.
const std::vector<std::string> kNames = {"\xE8" "aj", "chata", "hrad", "Ivan", "cesta", "d\xF9m",
                                         "\x9E\xE1" "ba", "zebra", "\x8Aimon", "sova", "Hrad"};

struct TModelRecord {
  TEdition Edition;
  int32_t Serial = 0;  // the auto-increment value: the order of equal names
};

class CursorModelTest : public ::testing::TestWithParam<uint16_t> {
 protected:
  void SetUp() override {
    TDataSession session;
    TDataDirectory* database = session.OpenDirectory("", FTemp.Path().string());
    TTableDefinition definition = testing::EditionsDefinition();
    definition.Properties.Language = GetParam();
    database->CloseTable(database->CreateTable(testing::kEditions, false, definition));
    FDatabase = FSession.OpenDirectory("", FTemp.Path().string());
    OpenCursors();
  }

  void OpenCursors() {
    FEditor = std::make_unique<TDataCursor>(*FDatabase);
    FReader = std::make_unique<TDataCursor>(*FDatabase);
    for (TDataCursor* cursor : {FEditor.get(), FReader.get()}) {
      cursor->SetTableName(testing::kEditions);
      cursor->Open();
    }
    FEditor->SelectIndex(0);
  }

  // Both cursors closed, the table checked on its own, and the cursors opened again.
  void Reopen() {
    FEditor.reset();
    FReader.reset();
    TDataTable* table = FDatabase->OpenTable(testing::kEditions, false);
    EXPECT_EQ(CheckTable(*table), std::vector<std::string>{});
    FDatabase->CloseTable(table);
    OpenCursors();
  }

  std::vector<uint8_t> Record(const TEdition& edition) { return testing::EditionRecord(*FEditor, edition); }

  // The record numbers of the model in an index's order.
  std::vector<int32_t> Expected(int index) const {
    std::vector<int32_t> numbers;
    for (const auto& [number, record] : FModel) numbers.push_back(number);
    const auto by = [&](auto less) { std::ranges::stable_sort(numbers, less); };
    switch (index) {
      case 0:
        by([&](int32_t a, int32_t b) { return At(a).Edition.Id < At(b).Edition.Id; });
        break;
      case testing::kByCode:
        by([&](int32_t a, int32_t b) { return CompareText(At(a).Edition.Code, At(b).Edition.Code) < 0; });
        break;
      case testing::kByEditionName:
        by([&](int32_t a, int32_t b) {
          const int names = CompareText(At(a).Edition.Name, At(b).Edition.Name);
          return names != 0 ? names < 0 : At(a).Serial < At(b).Serial;
        });
        break;
      default:
        break;
    }
    return numbers;
  }

  const TModelRecord& At(int32_t number) const { return FModel.at(number); }
  static int CompareText(const std::string& a, const std::string& b) {
    return CompareStrings(GetParam(), 0, false, a, b);
  }
  int32_t CurrentNumber(TDataCursor& cursor) const { return LoadLE<int32_t>(cursor.CurrentRecord().data() + 1); }
  int32_t CurrentId(TDataCursor& cursor) const {
    return testing::IntegerOf(cursor, testing::kIdField, cursor.CurrentRecord().data());
  }

  // Puts the editor on the record with that id.
  void FindById(int32_t id) {
    TEdition probe;
    probe.Id = id;
    ASSERT_TRUE(FEditor->FindKey(false, Record(probe).data(), nullptr, 0, false, 0)) << "id " << id;
  }

  void InsertRandom(std::mt19937& random) {
    // Distinct codes for ids below 999,983, scattered against the ids' order.
    const std::string code = "K" + std::to_string(1000000 + int64_t{FNextId} * 7919 % 999983);
    TEdition edition{FNextId, code, kNames[random() % kNames.size()], static_cast<int32_t>(random() % 1000)};
    FNextId += 1 + static_cast<int32_t>(random() % 3);
    std::vector<uint8_t> record = Record(edition);
    if (!FModel.empty() && random() % 20 == 0) {
      // A code another record has: refused, and nothing changes.
      testing::PutText(*FEditor, testing::kCodeField, record.data(), FModel.begin()->second.Edition.Code);
      ASSERT_EQ(testing::ErrorCode([&] { FEditor->InsertRecord(record.data(), true); }), 9729);
      return;
    }
    FEditor->InsertRecord(record.data(), true);
    const int32_t number = CurrentNumber(*FEditor);
    ASSERT_EQ(FModel.count(number), 0u) << "record number " << number << " is taken";
    FModel[number] = {edition, LoadLE<int32_t>(FEditor->CurrentRecord().data() + 5)};
  }

  // A record of the model, found in logarithmic time: the first at or after a random number.
  int32_t RandomNumber(std::mt19937& random) const {
    const auto highest = static_cast<uint32_t>(FModel.rbegin()->first);
    return FModel.lower_bound(static_cast<int32_t>(random() % highest) + 1)->first;
  }

  void ModifyRandom(std::mt19937& random) {
    const int32_t number = RandomNumber(random);
    TModelRecord& model = FModel.at(number);
    FindById(model.Edition.Id);
    std::vector<uint8_t> record(static_cast<size_t>(FEditor->RecordSize()));
    // An edit locks the record it read, and the record must still be what was read.
    ASSERT_EQ(FEditor->ReadCurrent(record.data(), false), cursor_status::Ok);
    ASSERT_EQ(FEditor->ReadCurrent(record.data(), true), cursor_status::Ok);
    TEdition changed = model.Edition;
    changed.Name = kNames[random() % kNames.size()];
    changed.Count = static_cast<int32_t>(random() % 1000);
    if (random() % 2 == 0) changed.Code = "M" + std::to_string(FNextCode++);
    testing::PutText(*FEditor, testing::kCodeField, record.data(), changed.Code);
    testing::PutText(*FEditor, testing::kNameField, record.data(), changed.Name);
    testing::PutInteger(*FEditor, testing::kCountField, record.data(), changed.Count);
    FEditor->ModifyRecord(record.data(), true, true);
    ASSERT_EQ(CurrentNumber(*FEditor), number);
    model.Edition = changed;
  }

  void DeleteRandom(std::mt19937& random) {
    const int32_t number = RandomNumber(random);
    FindById(FModel.at(number).Edition.Id);
    std::vector<uint8_t> record(static_cast<size_t>(FEditor->RecordSize()));
    ASSERT_EQ(FEditor->ReadCurrent(record.data(), false), cursor_status::Ok);
    FEditor->DeleteRecord(record.data(), true);
    FModel.erase(number);
  }

  // Walks, counts, record numbers and bookmarks of the reader in one order against the model.
  void ExpectOrder(int index, const std::vector<int32_t>& expected, std::mt19937& random) {
    const int32_t count = static_cast<int32_t>(expected.size());
    ASSERT_EQ(FReader->GetRecordCount(), count) << "index " << index;
    std::vector<int32_t> walked;
    FReader->First();
    while (FReader->ReadNext(nullptr) == cursor_status::Ok) walked.push_back(CurrentNumber(*FReader));
    ASSERT_EQ(walked, expected) << "index " << index;
    std::vector<int32_t> backwards;
    FReader->Last();
    while (FReader->ReadPrior(nullptr) == cursor_status::Ok) backwards.push_back(CurrentNumber(*FReader));
    std::ranges::reverse(backwards);
    ASSERT_EQ(backwards, expected) << "index " << index << " backwards";
    if (count == 0) return;
    const int32_t k = static_cast<int32_t>(random() % static_cast<uint32_t>(count)) + 1;
    FReader->GotoRecordNumber(k);
    ASSERT_EQ(CurrentNumber(*FReader), expected[k - 1]) << "index " << index;
    ASSERT_EQ(FReader->GetRecordNumber(), k);
    std::vector<uint8_t> bookmark(static_cast<size_t>(FReader->BookmarkSize()));
    FReader->GetBookmark(bookmark.data());
    FReader->First();
    ASSERT_TRUE(FReader->GotoBookmark(bookmark.data(), false));
    ASSERT_EQ(CurrentNumber(*FReader), expected[k - 1]) << "index " << index << " bookmark";
  }

  void ExpectKeySearches(std::mt19937& random) {
    FReader->SelectIndex(0);
    const std::vector<int32_t> byId = Expected(0);
    for (int probe = 0; probe < 5; ++probe) {
      const int32_t id = static_cast<int32_t>(random() % static_cast<uint32_t>(FNextId + 3));
      const auto found = std::ranges::find_if(byId, [&](int32_t n) { return At(n).Edition.Id >= id; });
      TEdition edition;
      edition.Id = id;
      const std::vector<uint8_t> key = Record(edition);
      const bool exact = found != byId.end() && At(*found).Edition.Id == id;
      ASSERT_EQ(FReader->FindKey(false, key.data(), nullptr, 0, true, 0), exact) << "id " << id;
      if (byId.empty()) continue;
      const int32_t expected = found == byId.end() ? byId.back() : *found;
      ASSERT_EQ(CurrentNumber(*FReader), expected) << "nearest to id " << id;
    }
  }

  // A range of ids on the primary index and a range of names on the non-unique one, each
  // walked, counted and then cancelled.
  void ExpectRanges(std::mt19937& random) {
    if (FModel.empty()) return;
    const int32_t lowId = At(RandomNumber(random)).Edition.Id - 1;
    const int32_t highId = lowId + static_cast<int32_t>(random() % 40);
    TEdition low, high;
    low.Id = lowId;
    high.Id = highId;
    FReader->SelectIndex(0);
    FReader->SetRange(false, Record(low).data(), 0, Record(high).data(), 0);
    std::vector<int32_t> inRange;
    for (int32_t n : Expected(0))
      if (At(n).Edition.Id >= lowId && At(n).Edition.Id <= highId) inRange.push_back(n);
    ExpectOrder(0, inRange, random);
    FReader->CancelRange();
    ASSERT_EQ(FReader->GetRecordCount(), static_cast<int32_t>(FModel.size()));

    std::string lowName = kNames[random() % kNames.size()], highName = kNames[random() % kNames.size()];
    if (CompareText(lowName, highName) > 0) std::swap(lowName, highName);
    low.Name = lowName;
    high.Name = highName;
    FReader->SelectIndex(testing::kByEditionName);
    FReader->SetRange(false, Record(low).data(), 1, Record(high).data(), 1);
    inRange.clear();
    for (int32_t n : Expected(testing::kByEditionName))
      if (CompareText(At(n).Edition.Name, lowName) >= 0 && CompareText(At(n).Edition.Name, highName) <= 0)
        inRange.push_back(n);
    ExpectOrder(testing::kByEditionName, inRange, random);
    FReader->CancelRange();
  }

  testing::TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDatabase = nullptr;
  std::unique_ptr<TDataCursor> FEditor, FReader;
  std::map<int32_t, TModelRecord> FModel;  // by record number
  int32_t FNextId = 1;
  int FNextCode = 1;
};

TEST_P(CursorModelTest, RandomEditsMatchTheModel) {
  std::mt19937 random(20261210 + GetParam());
  // 3,000 changes in CI, 100,000 in the long run; the long run's batches are larger so that the
  // full comparisons after each batch do not dominate.
  const int batches = testing::Iterations(60, 20);
  const int changesPerBatch = testing::Iterations(50, 5000);
  for (int batch = 0; batch < batches; ++batch) {
    SCOPED_TRACE("batch " + std::to_string(batch));
    // The reader stands on a record that the batch keeps; it must still stand there after.
    int32_t kept = 0;
    if (!FModel.empty()) {
      FReader->SelectIndex(0);
      kept = RandomNumber(random);
      TEdition probe;
      probe.Id = At(kept).Edition.Id;
      ASSERT_TRUE(FReader->FindKey(false, Record(probe).data(), nullptr, 0, false, 0));
    }
    for (int change = 0; change < changesPerBatch; ++change) {
      const unsigned roll = random() % 10;
      if (FModel.size() < 2 || roll < 5) {
        ASSERT_NO_FATAL_FAILURE(InsertRandom(random));
      } else if (roll < 8) {
        ASSERT_NO_FATAL_FAILURE(ModifyRandom(random));
      } else if (FModel.size() > 1) {
        const int32_t before = kept;
        ASSERT_NO_FATAL_FAILURE(DeleteRandom(random));
        if (kept != 0 && FModel.count(before) == 0) kept = 0;
      }
    }
    if (kept != 0) {
      std::vector<uint8_t> current(static_cast<size_t>(FReader->RecordSize()));
      ASSERT_EQ(FReader->ReadCurrent(current.data(), false), cursor_status::Ok);
      ASSERT_EQ(CurrentNumber(*FReader), kept) << "the reader left its record";
    }
    for (int index : {TDataCursor::kNaturalOrder, 0, testing::kByCode, testing::kByEditionName}) {
      FReader->SelectIndex(index);
      ASSERT_NO_FATAL_FAILURE(ExpectOrder(index, Expected(index), random));
    }
    ASSERT_NO_FATAL_FAILURE(ExpectKeySearches(random));
    ASSERT_NO_FATAL_FAILURE(ExpectRanges(random));
    if (batch % 10 == 9) {
      ASSERT_NO_FATAL_FAILURE(Reopen());
    }
  }
  ASSERT_NO_FATAL_FAILURE(Reopen());
}

INSTANTIATE_TEST_SUITE_P(Languages, CursorModelTest, ::testing::Values(uint16_t{0}, kCzech),
                         [](const auto& info) { return info.param == 0 ? "NoLanguage" : "Czech"; });

}  // namespace
}  // namespace sklad
