// Index definition through the cursor: adding indexes to a filled table (a new unique index
// keeps the first record of each key and deletes the others with their memos), deleting them,
// the refusals, the record-state index rebuilt when the index file is gone, and the table sort
// keeping the record-state index in step with the new record numbers.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "EditingTestSupport.h"
#include "engine/storage/data/RecordLayout.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

using namespace ::sklad::testing;

constexpr int kNoteField = 6;

TIndexDefinition IndexOn(const std::string& name, std::vector<int> fields, bool unique = false,
                         bool caseInsensitive = false) {
  TIndexDefinition definition;
  definition.SetName(name);
  definition.SetUnique(unique);
  definition.SetCaseInsensitive(caseInsensitive);
  for (size_t i = 0; i < fields.size(); ++i) definition.SetFieldNumber(static_cast<int>(i), static_cast<uint16_t>(fields[i]));
  return definition;
}

class IndexDefinitionTest : public ::testing::Test {
 protected:
  void Create(bool primaryKey) {
    CreateEditions(FTemp.Path().string(), primaryKey);
    FDatabase = FSession.OpenDirectory("", FTemp.Path().string());
  }

  std::unique_ptr<TDataCursor> OpenCursor(bool exclusive = true, bool readOnly = false) {
    auto cursor = std::make_unique<TDataCursor>(*FDatabase);
    cursor->SetTableName(kEditions);
    cursor->SetExclusive(exclusive);
    cursor->SetReadOnly(readOnly);
    cursor->Open();
    return cursor;
  }

  // Inserts an edition with a memo naming it.
  static void Insert(TDataCursor& cursor, const TEdition& edition) {
    std::vector<uint8_t> record = EditionRecord(cursor, edition);
    const std::string note = "poznamka " + edition.Name + std::string(300, '.');
    ASSERT_EQ(cursor.OpenBlob(kNoteField, record.data(), 1, TDataCursor::kBlobWrite), 0);
    ASSERT_EQ(cursor.WriteBlob(kNoteField, record.data(), static_cast<int32_t>(note.size()),
                               reinterpret_cast<const uint8_t*>(note.data()), 0),
              0);
    cursor.InsertRecord(record.data(), true);
  }

  // The editions in the cursor's current order.
  static std::vector<TEdition> Walk(TDataCursor& cursor) {
    std::vector<TEdition> editions;
    std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
    cursor.First();
    while (cursor.ReadNext(record.data()) == cursor_status::Ok) editions.push_back(EditionOf(cursor, record.data()));
    return editions;
  }

  static std::vector<int32_t> Ids(const std::vector<TEdition>& editions) {
    std::vector<int32_t> ids;
    for (const TEdition& edition : editions) ids.push_back(edition.Id);
    return ids;
  }

  TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDatabase = nullptr;
};

TEST_F(IndexDefinitionTest, ANewUniqueIndexKeepsTheFirstRecordOfEachKey) {
  struct Case {
    const char* what;
    bool unique;
    bool caseInsensitive;
    std::vector<int32_t> keptIds;  // in the new index's order
  };
  const Case cases[] = {
      {"non-unique keeps every record", false, false, {4, 2, 5, 1, 3, 6}},
      {"unique keeps one per value", true, false, {4, 2, 1, 6}},
      {"unique without case keeps one per upper-cased value", true, true, {2, 1, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(FTemp.Path());
    std::filesystem::create_directories(FTemp.Path());
    Create(true);
    auto cursor = OpenCursor();
    const TEdition editions[] = {{1, "A1", "beta"},  {2, "A2", "alfa"}, {3, "A3", "beta"},
                                 {4, "A4", "Beta"},  {5, "A5", "alfa"}, {6, "A6", "gama"}};
    for (const TEdition& edition : editions) Insert(*cursor, edition);
    EXPECT_EQ(cursor->Table()->Blob().Header().FirstFreeBlock(), 0u);

    cursor->AddIndex(IndexOn("Jmeno", {kNameField}, c.unique, c.caseInsensitive));
    EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), static_cast<int32_t>(c.keptIds.size()));
    EXPECT_EQ(cursor->IndexNumber(), 0) << "the cursor keeps its index";
    EXPECT_EQ(cursor->GetRecordCount(), static_cast<int32_t>(c.keptIds.size()));
    cursor->SelectIndexByName("Jmeno");
    EXPECT_EQ(Ids(Walk(*cursor)), c.keptIds);
    // The deleted records' memos are freed.
    EXPECT_EQ(cursor->Table()->Blob().Header().FirstFreeBlock() != 0, c.keptIds.size() < std::size(editions));
    cursor->Close();
  }
}

// A filled table with a memo, indexes added and deleted in turn; the table is checked after
// every step and each new index gives its order.
TEST_F(IndexDefinitionTest, IndexesComeAndGoOnAFilledTable) {
  Create(false);
  auto cursor = OpenCursor();
  std::mt19937 random(17);
  std::vector<TEdition> editions;
  for (int32_t id = 1; id <= 700; ++id) {
    editions.push_back({id, "K" + std::to_string(id), "jmeno " + std::to_string(random() % 90),
                        static_cast<int32_t>(random() % 1000) - 500});
    Insert(*cursor, editions.back());
  }
  // Some deleted slots, so that the indexes skip them.
  std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
  // From the back, so that each position is still the record's number.
  for (int32_t number : {699, 300, 77, 5}) {
    cursor->GotoRecordNumber(number);
    ASSERT_EQ(cursor->ReadCurrent(record.data()), cursor_status::Ok);
    cursor->DeleteRecord(record.data(), true);
    editions.erase(std::find_if(editions.begin(), editions.end(), [&](const TEdition& e) { return e.Id == number; }));
  }
  const auto byCountThenId = [](const TEdition& a, const TEdition& b) {
    return a.Count != b.Count ? a.Count < b.Count : a.Id < b.Id;
  };

  struct Step {
    const char* what;
    std::function<void()> change;
    const char* orderedBy;  // index to walk afterwards, or null
  };
  const Step steps[] = {
      {"primary index on Id", [&] { cursor->AddIndex(IndexOn("", {kIdField})); }, ""},
      {"non-unique on Count", [&] { cursor->AddIndex(IndexOn("PoctuA", {kCountField})); }, "PoctuA"},
      {"descending on Count", [&] {
         TIndexDefinition definition = IndexOn("PoctuD", {kCountField});
         definition.SetDescending(true);
         cursor->AddIndex(definition);
       }, "PoctuD"},
      {"delete a middle index by name", [&] { cursor->DeleteIndex("byname"); }, nullptr},
      {"delete by number", [&] { cursor->DeleteIndexByNumber(1, false); }, nullptr},
      {"delete the primary by name", [&] { cursor->DeleteIndex(""); }, nullptr},
      {"add again into freed pages", [&] { cursor->AddIndex(IndexOn("Jmena", {kNameField, kIdField}, true)); }, "Jmena"},
      {"a primary index again", [&] { cursor->AddIndex(IndexOn("", {kIdField})); }, ""},
      {"the record-state index rebuilt", [&] { cursor->RebuildRecordStateIndex(); }, nullptr},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    step.change();
    EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), static_cast<int32_t>(editions.size()));
    EXPECT_TRUE(cursor->AtBeginning() || cursor->GetRecordCount() == 0);
    if (step.orderedBy == nullptr) {
      EXPECT_EQ(cursor->IndexNumber(), 0);
      continue;
    }
    cursor->SelectIndexByName(step.orderedBy);
    std::vector<TEdition> expected = editions;
    const std::string name = step.orderedBy;
    if (name == "PoctuA") std::sort(expected.begin(), expected.end(), byCountThenId);
    if (name == "PoctuD") std::sort(expected.rbegin(), expected.rend(), byCountThenId);
    if (name.empty()) std::sort(expected.begin(), expected.end(), [](auto& a, auto& b) { return a.Id < b.Id; });
    if (name == "Jmena")
      std::sort(expected.begin(), expected.end(),
                [](auto& a, auto& b) { return a.Name != b.Name ? a.Name < b.Name : a.Id < b.Id; });
    EXPECT_EQ(Ids(Walk(*cursor)), Ids(expected));
  }
  EXPECT_TRUE(cursor->Table()->Index().NoPrimaryKey());
  EXPECT_EQ(cursor->Table()->Index().SecondaryCount(), 3);

  // The indexes survive closing and opening again.
  cursor->Close();
  cursor = OpenCursor(false);
  EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), static_cast<int32_t>(editions.size()));
}

// Inside a transaction the new records live only in the caches until the commit; the index is
// built from them all the same, and the commit writes it.
TEST_F(IndexDefinitionTest, AnIndexAddedInsideATransactionSeesItsRecords) {
  Create(false);
  auto cursor = OpenCursor();
  for (int32_t id = 1; id <= 50; ++id) Insert(*cursor, {id, "K" + std::to_string(id), "stary", 50 - id});
  cursor->Table()->StartTransaction();
  for (int32_t id = 51; id <= 300; ++id) Insert(*cursor, {id, "K" + std::to_string(id), "novy", 1000 - id});
  cursor->AddIndex(IndexOn("Pocty", {kCountField}, true));
  EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 300);
  cursor->Table()->Commit();
  cursor->Close();
  cursor = OpenCursor();
  EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 300);
  cursor->SelectIndexByName("Pocty");
  const std::vector<TEdition> walked = Walk(*cursor);
  ASSERT_EQ(walked.size(), 300u);
  EXPECT_EQ(walked.front().Id, 50);
  EXPECT_EQ(walked.back().Id, 51);
}

TEST_F(IndexDefinitionTest, RefusalsLeaveTheTableAsItWas) {
  Create(true);
  {
    auto cursor = OpenCursor();
    for (int32_t id = 1; id <= 5; ++id) Insert(*cursor, {id, "K" + std::to_string(id), "jmeno", id});
  }
  struct Case {
    const char* what;
    bool exclusive;
    bool readOnly;
    std::function<void(TDataCursor&)> action;
    uint16_t code;
  };
  const Case cases[] = {
      {"add through a shared cursor", false, false, [](TDataCursor& c) { c.AddIndex(IndexOn("X", {kCountField})); },
       err::MustBeExclusive},
      {"delete through a shared cursor", false, false, [](TDataCursor& c) { c.DeleteIndex("ByName"); },
       err::MustBeExclusive},
      {"sort through a shared cursor", false, false, [](TDataCursor& c) { c.SortTable({}); }, err::MustBeExclusive},
      {"add through a read-only cursor", true, true, [](TDataCursor& c) { c.AddIndex(IndexOn("X", {kCountField})); },
       err::AccessDenied},
      {"delete an unknown index", true, false, [](TDataCursor& c) { c.DeleteIndex("Nezname"); },
       err::InvalidIndexName},
      {"delete beyond the last index", true, false, [](TDataCursor& c) { c.DeleteIndexByNumber(3, false); },
       err::InvalidIndexName},
      {"delete the primary by number", true, false, [](TDataCursor& c) { c.DeleteIndexByNumber(0, false); },
       err::PrimaryIndexRemoval},
      {"an index without fields", true, false, [](TDataCursor& c) { c.AddIndex(IndexOn("Prazdny", {})); },
       err::InvalidKeySize},
      {"a field the table lacks", true, false, [](TDataCursor& c) { c.AddIndex(IndexOn("X", {9})); },
       err::InvalidIndexField},
      {"a memo field", true, false, [](TDataCursor& c) { c.AddIndex(IndexOn("X", {kNoteField})); },
       err::InvalidIndexFieldType},
      {"a name the table has", true, false, [](TDataCursor& c) { c.AddIndex(IndexOn("BYCODE", {kCountField})); },
       err::IndexExists},
      {"a second primary index", true, false, [](TDataCursor& c) { c.AddIndex(IndexOn("", {kCountField})); },
       err::PrimaryIndexExists},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto cursor = OpenCursor(c.exclusive, c.readOnly);
    EXPECT_EQ(ErrorCode([&] { c.action(*cursor); }), c.code);
    EXPECT_EQ(cursor->Table()->Index().SecondaryCount(), 2);
    EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 5);
  }
  EXPECT_EQ(ErrorMessage([&] { OpenCursor(false)->DeleteIndex("X"); }),
            "Sklad Engine Error # 10253 table 'VYDANI.DAT' must be opened exclusively");
}

// The index file is removed: the next open makes it anew and fills the record-state index from
// the records, the deleted ones included; the table is walked in natural order.
TEST_F(IndexDefinitionTest, AMissingIndexFileIsRebuiltFromTheRecords) {
  Create(true);
  {
    auto cursor = OpenCursor();
    for (int32_t id = 1; id <= 1200; ++id) Insert(*cursor, {id, "K" + std::to_string(id), "jmeno", id});
    std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
    cursor->SelectIndex(TDataCursor::kNaturalOrder);
    for (int32_t number : {1200, 600, 1}) {
      cursor->GotoRecordNumber(number);
      ASSERT_EQ(cursor->ReadCurrent(record.data()), cursor_status::Ok);
      cursor->DeleteRecord(record.data(), true);
    }
  }
  ASSERT_TRUE(std::filesystem::remove(FTemp.Path() / (std::string(kEditions) + ".IDX")));
  for (bool readOnly : {false, true}) {
    SCOPED_TRACE(readOnly ? "read-only" : "writable");
    auto cursor = OpenCursor(false, readOnly);
    EXPECT_TRUE(cursor->Table()->Index().NoPrimaryKey());
    EXPECT_EQ(cursor->Table()->Index().SecondaryCount(), 0);
    EXPECT_EQ(cursor->GetRecordCount(), 1197);
    EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 1197);
    const std::vector<TEdition> walked = Walk(*cursor);
    ASSERT_EQ(walked.size(), 1197u);
    EXPECT_EQ(walked.front().Id, 2);
    EXPECT_EQ(walked.back().Id, 1199);
    cursor->Close();
    ASSERT_TRUE(std::filesystem::remove(FTemp.Path() / (std::string(kEditions) + ".IDX")));
  }
  // Asked for explicitly, the rebuild gives the same.
  auto cursor = OpenCursor();
  cursor->RebuildRecordStateIndex();
  EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 1197);
}

// A table without indexes sorted through the cursor: the records are renumbered, and the
// record-state index describes the new numbers, in memory and through run files.
TEST_F(IndexDefinitionTest, SortTableRenumbersAndKeepsTheRecordStateIndex) {
  struct Case {
    const char* what;
    TSortMode mode;
    bool runFiles;
  };
  const Case cases[] = {
      {"plain, in memory", TSortMode::Plain, false},
      {"plain, through run files", TSortMode::Plain, true},
      {"distinct, through run files", TSortMode::Distinct, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(FTemp.Path());
    std::filesystem::create_directories(FTemp.Path());
    TTableDefinition definition = EditionsDefinition(false);
    definition.Secondary.Clear();
    FDatabase = FSession.OpenDirectory("", FTemp.Path().string());
    FDatabase->CloseTable(FDatabase->CreateTable(kEditions, false, definition));
    FSession.SetPrivateDirectory(FTemp.Path().string());
    auto cursor = OpenCursor();
    std::mt19937 random(3);
    std::vector<int32_t> counts;
    for (int32_t id = 1; id <= 400; ++id) {
      const int32_t count = static_cast<int32_t>(random() % 50);
      Insert(*cursor, {id, "K", "x", count});
      counts.push_back(count);
    }
    std::vector<uint8_t> record(static_cast<size_t>(cursor->RecordSize()));
    for (int32_t number : {20, 10}) {
      cursor->GotoRecordNumber(number);
      ASSERT_EQ(cursor->ReadCurrent(record.data()), cursor_status::Ok);
      counts.erase(counts.begin() + (number - 1));
      cursor->DeleteRecord(record.data(), true);
    }
    std::sort(counts.begin(), counts.end());
    if (c.mode == TSortMode::Distinct) counts.erase(std::unique(counts.begin(), counts.end()), counts.end());

    TSortRequest request;
    request.Fields.Add(cursor->GetFieldDefinition(kCountField));
    request.Mode = c.mode;
    if (c.runFiles) {
      request.Limits = {2000, 8191};
      cursor->Table()->FlushAll();
      cursor->Table()->Data().Records().Empty();
    }
    EXPECT_EQ(cursor->SortTable(request), static_cast<int32_t>(counts.size()));
    EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), static_cast<int32_t>(counts.size()));
    std::vector<int32_t> walked;
    for (const TEdition& edition : Walk(*cursor)) walked.push_back(edition.Count);
    EXPECT_EQ(walked, counts);
    for (const auto& entry : std::filesystem::directory_iterator(FTemp.Path()))
      EXPECT_NE(entry.path().extension(), ".TMP");
    cursor->Close();
  }
}

TEST_F(IndexDefinitionTest, SortTableLeavesATableWithAnIndexAsItWas) {
  Create(false);
  auto cursor = OpenCursor();
  for (int32_t id : {3, 1, 2}) Insert(*cursor, {id, "K" + std::to_string(id), "x", -id});
  TSortRequest request;
  request.Fields.Add(cursor->GetFieldDefinition(kCountField));
  EXPECT_EQ(cursor->SortTable(request), 3);
  EXPECT_EQ(Ids(Walk(*cursor)), (std::vector<int32_t>{3, 1, 2}));
  EXPECT_EQ(ExpectIndexesMatchRecords(*cursor->Table()), 3);
}

}  // namespace
}  // namespace sklad
