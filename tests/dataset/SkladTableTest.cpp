#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "DataSetTestSupport.h"
#include "dataset/DatabaseError.h"
#include "dataset/SkladSession.h"
#include "dataset/SkladSessionList.h"
#include "dataset/SkladTable.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

using testing::BooksDirectory;
using testing::DatabaseErrorText;
using testing::EngineCode;
using testing::EventRecorder;
using testing::PointAtBooks;

const std::vector<testing::TBook> kFiveBooks = {
    {3, "Krakatit"}, {1, "Babička"}, {5, "Robot"}, {2, "Audience"}, {4, "Máj"}};

class SkladTableTest : public ::testing::Test {
 protected:
  explicit SkladTableTest(const std::vector<testing::TBook>& books = kFiveBooks) : FBooks(books) {
    PointAtBooks(FTable, FBooks);
  }

  std::string Name() { return FTable.FieldByName("Name").AsString(); }
  std::vector<std::string> AllNames() {
    std::vector<std::string> names;
    for (FTable.First(); !FTable.Eof(); FTable.Next()) {
      names.push_back(Name());
      if (FTable.RecNo() == FTable.RecordCount()) break;
    }
    return names;
  }

  BooksDirectory FBooks;
  TSkladTable FTable;
};

class EmptySkladTableTest : public SkladTableTest {
 protected:
  EmptySkladTableTest() : SkladTableTest({}) {}
};

TEST_F(SkladTableTest, OpensOnTheFirstRecordInPrimaryKeyOrder) {
  FTable.Open();
  EXPECT_TRUE(FTable.Active());
  EXPECT_TRUE(FTable.Bof());
  EXPECT_FALSE(FTable.Eof());
  EXPECT_EQ(FTable.RecNo(), 1);
  EXPECT_EQ(FTable.RecordCount(), 5);
  EXPECT_EQ(FTable.FieldByName("Id").AsString(), "1");
  EXPECT_EQ(Name(), "Babička");
  FTable.Close();
  EXPECT_FALSE(FTable.Active());
  EXPECT_EQ(FTable.Cursor(), nullptr);
}

TEST_F(SkladTableTest, NavigationMovesAndStopsAtTheEnds) {
  FTable.Open();
  struct Step {
    const char* Name;
    std::function<void(TSkladTable&)> Move;
    int32_t RecNo;
    bool Bof, Eof;
  };
  const Step steps[] = {
      {"Next", [](TSkladTable& t) { t.Next(); }, 2, false, false},
      {"MoveBy 2", [](TSkladTable& t) { t.MoveBy(2); }, 4, false, false},
      {"Prior", [](TSkladTable& t) { t.Prior(); }, 3, false, false},
      {"Last", [](TSkladTable& t) { t.Last(); }, 5, false, true},
      {"Next at the end", [](TSkladTable& t) { t.Next(); }, 5, false, true},
      {"Prior from the end", [](TSkladTable& t) { t.Prior(); }, 4, false, false},
      {"MoveBy past the end", [](TSkladTable& t) { t.MoveBy(10); }, 5, false, true},
      {"MoveBy past the start", [](TSkladTable& t) { t.MoveBy(-10); }, 1, true, false},
      {"Prior at the start", [](TSkladTable& t) { t.Prior(); }, 1, true, false},
      {"RecNo 3", [](TSkladTable& t) { t.SetRecNo(3); }, 3, false, false},
      {"RecNo beyond the count", [](TSkladTable& t) { t.SetRecNo(99); }, 5, false, true},
      {"RecNo 0", [](TSkladTable& t) { t.SetRecNo(0); }, 1, true, false},
      {"First", [](TSkladTable& t) { t.First(); }, 1, true, false},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.Name);
    step.Move(FTable);
    EXPECT_EQ(FTable.RecNo(), step.RecNo);
    EXPECT_EQ(FTable.FieldByName("Id").AsString(), std::to_string(step.RecNo));
    EXPECT_EQ(FTable.Bof(), step.Bof);
    EXPECT_EQ(FTable.Eof(), step.Eof);
  }
}

TEST_F(EmptySkladTableTest, AnEmptyTableHasNoRecordAndReadsEmptyTexts) {
  FTable.Open();
  EXPECT_TRUE(FTable.IsEmpty());
  EXPECT_TRUE(FTable.Bof());
  EXPECT_TRUE(FTable.Eof());
  EXPECT_EQ(FTable.RecNo(), 0);
  EXPECT_EQ(FTable.RecordCount(), 0);
  EXPECT_TRUE(FTable.GetBookmark().empty());
  FTable.Next();
  FTable.Last();
  EXPECT_TRUE(FTable.IsEmpty());
  EXPECT_TRUE(FTable.FieldByName("Name").IsNull());
  EXPECT_EQ(Name(), "");
}

TEST_F(SkladTableTest, ANullValueReadsAsAnEmptyText) {
  {
    // Name of record 2 (Babička) becomes null behind the table's back.
    TDataSession session;
    TDataDirectory* database = session.OpenDirectory("", FBooks.Path());
    TDataTable* table = database->OpenTable(testing::kBooks, false);
    table->BeginWrite();
    TRecord* record = table->Data().Records().GetRecord(2);
    record->SetNull(table->Data().Field(1));
    record->SetModified(true);
    table->Data().Records().ReleaseRecord(record);
    table->ChangesMade(true, false, false);
    table->EndWrite();
    database->CloseTable(table);
  }
  FTable.Open();
  EXPECT_TRUE(FTable.FieldByName("Name").IsNull());
  EXPECT_EQ(Name(), "");
  EXPECT_FALSE(FTable.FieldByName("Id").IsNull());
}

TEST_F(SkladTableTest, FieldsAreOfferedByNameWithTheirKinds) {
  FTable.Open();
  ASSERT_EQ(FTable.FieldCount(), 2);
  const std::vector<TFieldDef>& defs = FTable.FieldDefs();
  EXPECT_EQ(defs[0].Name, "Id");
  EXPECT_EQ(defs[0].Kind, TFieldKind::Integer);
  EXPECT_EQ(defs[1].Name, "Name");
  EXPECT_EQ(defs[1].Kind, TFieldKind::String);
  EXPECT_EQ(defs[1].Size, 20);
  EXPECT_EQ(&FTable.FieldByName("NAME"), &FTable.Fields(1));
  EXPECT_EQ(FTable.FindField("Autor"), nullptr);
  EXPECT_EQ(DatabaseErrorText([&] { FTable.FieldByName("Autor"); }), "Field 'Autor' not found");
}

TEST(SkladTableFieldDefsTest, HiddenColumnsAreLeftOutAndRepeatedNamesMadeUnique) {
  TTableDefinition definition = testing::BooksDefinition();
  TFieldDefinition hidden = TFieldDefinition::Make("Skryte", TFieldType::Integer);
  hidden.SetHiddenFromDataSet(true);
  definition.Fields.Add(hidden);
  definition.Fields.Add(TFieldDefinition::Make("Name_1", TFieldType::String, 5));
  BooksDirectory books({{1, "Babička"}}, definition);
  TSkladTable table;
  PointAtBooks(table, books);
  table.Open();
  std::vector<std::string> names;
  for (const TFieldDef& def : table.FieldDefs()) names.push_back(def.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"Id", "Name", "Name_1"}));
}

TEST_F(SkladTableTest, IndexSelectionOrdersTheRecords) {
  FTable.SetIndexName("ByName");
  FTable.Open();
  EXPECT_EQ(AllNames(), (std::vector<std::string>{"Audience", "Babička", "Krakatit", "Máj", "Robot"}));
  FTable.Close();
  FTable.SetIndexFieldNames("Id");
  EXPECT_EQ(FTable.IndexName(), "");
  FTable.Open();
  EXPECT_EQ(AllNames(), (std::vector<std::string>{"Babička", "Audience", "Krakatit", "Máj", "Robot"}));
}

TEST_F(SkladTableTest, ChangingTheIndexOfAnOpenTableKeepsTheCurrentRecord) {
  FTable.Open();
  FTable.SetRecNo(4);  // Id 4, Máj
  EventRecorder recorder(FTable);
  recorder.Take();
  FTable.SetIndexFieldNames("Name");
  EXPECT_EQ(Name(), "Máj");
  EXPECT_EQ(FTable.RecNo(), 4);
  EXPECT_EQ(recorder.Take(), std::vector<std::string>{"DataChange"});
  FTable.Next();
  EXPECT_EQ(Name(), "Robot");
  FTable.SetIndexName("");
  EXPECT_EQ(Name(), "Robot");
  EXPECT_EQ(FTable.RecNo(), 5);
}

TEST_F(SkladTableTest, AnUnknownIndexIsRefusedAndTheOrderStays) {
  FTable.Open();
  FTable.SetIndexName("ByName");
  FTable.SetRecNo(2);
  EXPECT_EQ(EngineCode([&] { FTable.SetIndexName("Nic"); }), err::InvalidIndexName);
  EXPECT_EQ(FTable.IndexName(), "ByName");
  EXPECT_EQ(EngineCode([&] { FTable.SetIndexFieldNames("Name;Id"); }), err::InvalidIndexName);
  EXPECT_EQ(Name(), "Babička");
  FTable.Next();
  EXPECT_EQ(Name(), "Krakatit");
}

TEST_F(SkladTableTest, BookmarksReturnToTheirRecord) {
  FTable.Open();
  FTable.SetRecNo(3);
  const TBookmark third = FTable.GetBookmark();
  FTable.Last();
  const TBookmark last = FTable.GetBookmark();
  EXPECT_EQ(FTable.CompareBookmarks(third, last), -1);
  EXPECT_EQ(FTable.CompareBookmarks(last, third), 1);
  EXPECT_EQ(FTable.CompareBookmarks(third, third), 0);
  EXPECT_TRUE(FTable.GotoBookmark(third));
  EXPECT_EQ(FTable.RecNo(), 3);
  // A bookmark of another size is no bookmark of this table: nothing moves.
  EXPECT_FALSE(FTable.GotoBookmark(TBookmark{1}));
  EXPECT_EQ(FTable.RecNo(), 3);
}

TEST_F(SkladTableTest, LocateFindsTheFirstMatchingRecord) {
  FTable.Open();
  struct Case {
    std::vector<TLocateKey> Keys;
    TLocateOptions Options;
    int32_t Found;  // the record number, 0 for none
  };
  const Case cases[] = {
      {{{"Name", "Máj"}}, {}, 4},
      {{{"name", "máj"}}, {}, 0},
      {{{"Name", "máj"}}, {.CaseInsensitive = true}, 4},
      {{{"Name", "Kra"}}, {}, 0},
      {{{"Name", "Kra"}}, {.PartialKey = true}, 3},
      {{{"Name", "kra"}}, {.CaseInsensitive = true, .PartialKey = true}, 3},
      {{{"Id", "5"}, {"Name", "Robot"}}, {}, 5},
      {{{"Id", "4"}, {"Name", "Robot"}}, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Keys.front().Value);
    FTable.SetRecNo(1);
    EXPECT_EQ(FTable.Locate(c.Keys, c.Options), c.Found != 0);
    EXPECT_EQ(FTable.RecNo(), c.Found != 0 ? c.Found : 1);
  }
  EXPECT_EQ(DatabaseErrorText([&] { FTable.Locate({{"Autor", "x"}}); }), "Field 'Autor' not found");
}

TEST_F(SkladTableTest, OperationsOnAClosedTableAreRefused) {
  EXPECT_EQ(DatabaseErrorText([&] { FTable.RecordCount(); }), "Cannot perform this operation on a closed dataset");
  EXPECT_EQ(DatabaseErrorText([&] { FTable.Next(); }), "Cannot perform this operation on a closed dataset");
  FTable.Open();
  EXPECT_EQ(DatabaseErrorText([&] { FTable.SetTableName("JINA"); }), "Cannot perform this operation on an open dataset");
  EXPECT_EQ(DatabaseErrorText([&] { FTable.SetDatabaseName("Jina"); }),
            "Cannot perform this operation on an open dataset");
}

TEST_F(SkladTableTest, AFailedOpenLeavesTheTableClosedAndTheDatabaseFreed) {
  TSkladSession& session = SkladSessions().DefaultSession();
  const int databases = session.DatabaseCount();
  TSkladTable missing;
  missing.SetDatabaseName(FBooks.Path());
  EXPECT_EQ(DatabaseErrorText([&] { missing.Open(); }), "Missing table name.");
  missing.SetTableName("NENI");
  EXPECT_EQ(EngineCode([&] { missing.Open(); }), err::InvalidPath);
  EXPECT_FALSE(missing.Active());
  EXPECT_EQ(missing.Database(), nullptr);
  EXPECT_EQ(session.DatabaseCount(), databases);
}

// ---- Events ----

struct EventCase {
  const char* Name;
  std::vector<testing::TBook> Books;
  std::function<void(TSkladTable&)> Prepare;  // runs before the recording starts
  std::function<void(TSkladTable&)> Action;
  std::vector<std::string> Expected;
};

class SkladTableEventTest : public ::testing::TestWithParam<EventCase> {};

TEST_P(SkladTableEventTest, EventsComeInOrder) {
  const EventCase& c = GetParam();
  BooksDirectory books(c.Books);
  TSkladTable table;
  PointAtBooks(table, books);
  EventRecorder recorder(table);
  c.Prepare(table);
  recorder.Take();
  c.Action(table);
  EXPECT_EQ(recorder.Take(), c.Expected);
}

const auto kNothing = [](TSkladTable&) {};
const auto kOpen = [](TSkladTable& t) { t.Open(); };

INSTANTIATE_TEST_SUITE_P(
    OpenScrollClose, SkladTableEventTest,
    ::testing::Values(
        EventCase{"OpenWithRecords", kFiveBooks, kNothing, kOpen,
                  {"BeforeOpen", "StateChange", "DataChange", "AfterOpen", "AfterScroll"}},
        EventCase{"OpenEmpty", {}, kNothing, kOpen, {"BeforeOpen", "StateChange", "DataChange", "AfterOpen"}},
        EventCase{"Next", kFiveBooks, kOpen, [](TSkladTable& t) { t.Next(); },
                  {"BeforeScroll", "DataChange", "AfterScroll"}},
        EventCase{"NextAtTheEnd", kFiveBooks, [](TSkladTable& t) { t.Open(), t.Last(); },
                  [](TSkladTable& t) { t.Next(); }, {"BeforeScroll", "DataChange", "AfterScroll"}},
        EventCase{"NextOnEmpty", {}, kOpen, [](TSkladTable& t) { t.Next(); }, {"BeforeScroll", "DataChange"}},
        EventCase{"FirstOnEmpty", {}, kOpen, [](TSkladTable& t) { t.First(); }, {"BeforeScroll", "DataChange"}},
        EventCase{"RecNo", kFiveBooks, kOpen, [](TSkladTable& t) { t.SetRecNo(3); },
                  {"BeforeScroll", "DataChange", "AfterScroll"}},
        EventCase{"LocateFound", kFiveBooks, kOpen, [](TSkladTable& t) { t.Locate({{"Name", "Robot"}}); },
                  {"BeforeScroll", "DataChange", "AfterScroll"}},
        EventCase{"LocateNotFound", kFiveBooks, kOpen, [](TSkladTable& t) { t.Locate({{"Name", "Nic"}}); },
                  {"BeforeScroll"}},
        EventCase{"Close", kFiveBooks, kOpen, [](TSkladTable& t) { t.Close(); },
                  {"BeforeClose", "StateChange", "AfterClose"}},
        EventCase{"OpenWhenOpen", kFiveBooks, kOpen, kOpen, {}}),
    [](const ::testing::TestParamInfo<EventCase>& info) { return std::string(info.param.Name); });

// Filters move to the first record: AfterScroll when a record passes, none when the dataset is
// left empty.
const auto kFilteredOpen = [](const char* text) {
  return [text](TSkladTable& t) {
    t.SetFilter(text);
    t.SetFiltered(true);
    t.Open();
  };
};
const auto kSetFilter = [](const char* text) { return [text](TSkladTable& t) { t.SetFilter(text); }; };
const auto kSetFiltered = [](bool on) { return [on](TSkladTable& t) { t.SetFiltered(on); }; };
const std::vector<std::string> kMovedToFirst = {"BeforeScroll", "DataChange", "AfterScroll"};
const std::vector<std::string> kMovedToNothing = {"BeforeScroll", "DataChange"};

INSTANTIATE_TEST_SUITE_P(
    Filtering, SkladTableEventTest,
    ::testing::Values(
        EventCase{"OpenFiltered", kFiveBooks, [](TSkladTable& t) { t.SetFilter("Id > 2"), t.SetFiltered(true); },
                  kOpen, {"BeforeOpen", "StateChange", "DataChange", "AfterOpen", "AfterScroll"}},
        EventCase{"OpenFilteredToNothing", kFiveBooks,
                  [](TSkladTable& t) { t.SetFilter("Id > 9"), t.SetFiltered(true); }, kOpen,
                  {"BeforeOpen", "StateChange", "DataChange", "AfterOpen"}},
        EventCase{"FilterWhileFiltered", kFiveBooks, kFilteredOpen("Id > 2"), kSetFilter("Id < 2"), kMovedToFirst},
        EventCase{"SameFilterWhileFiltered", kFiveBooks, kFilteredOpen("Id > 2"), kSetFilter("Id > 2"),
                  kMovedToFirst},
        EventCase{"FilterToNothing", kFiveBooks, kFilteredOpen("Id > 2"), kSetFilter("Id > 9"), kMovedToNothing},
        EventCase{"FilterOfNothingToAll", kFiveBooks, kFilteredOpen("Id > 9"), kSetFilter(""), kMovedToFirst},
        EventCase{"RefusedFilter", kFiveBooks, kFilteredOpen("Id > 2"),
                  [](TSkladTable& t) { EXPECT_EQ(EngineCode([&] { t.SetFilter("Id >"); }), err::FilterError); },
                  {}},
        EventCase{"FilterWhileNotFiltered", kFiveBooks, kOpen, kSetFilter("Id > 2"), {}},
        EventCase{"FilteredOn", kFiveBooks, [](TSkladTable& t) { t.Open(), t.SetFilter("Id > 2"); },
                  kSetFiltered(true), kMovedToFirst},
        EventCase{"FilteredOnAgain", kFiveBooks, kFilteredOpen("Id > 2"), kSetFiltered(true), kMovedToFirst},
        EventCase{"FilteredOff", kFiveBooks, kFilteredOpen("Id > 2"), kSetFiltered(false), kMovedToFirst},
        EventCase{"FilteredOffFromNothing", kFiveBooks, kFilteredOpen("Id > 9"), kSetFiltered(false),
                  kMovedToFirst},
        EventCase{"FilteredOffOnAnEmptyTable", {}, kFilteredOpen("Id > 2"), kSetFiltered(false), kMovedToNothing},
        EventCase{"FilteredWhileClosed", kFiveBooks, kNothing, kSetFiltered(true), {}},
        EventCase{"HandlerWhileFiltered", kFiveBooks, kFilteredOpen("Id > 2"),
                  [](TSkladTable& t) { t.SetOnFilterRecord([](TSkladDataSet&, bool& accept) { accept = false; }); },
                  kMovedToNothing}),
    [](const ::testing::TestParamInfo<EventCase>& info) { return std::string(info.param.Name); });

// Editing: a record left unchanged is cancelled when the dataset moves or closes.
const auto kOpenEdit = [](TSkladTable& t) { t.Open(), t.Edit(); };
const std::vector<std::string> kCancelled = {"BeforeCancel", "StateChange", "DataChange", "AfterCancel"};
const auto kThen = [](std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
};

INSTANTIATE_TEST_SUITE_P(
    Editing, SkladTableEventTest,
    ::testing::Values(
        EventCase{"Edit", kFiveBooks, kOpen, [](TSkladTable& t) { t.Edit(); },
                  {"BeforeEdit", "StateChange", "DataChange", "AfterEdit"}},
        EventCase{"EditWhileEditing", kFiveBooks, kOpenEdit, [](TSkladTable& t) { t.Edit(); }, {}},
        EventCase{"Post", kFiveBooks, kOpenEdit, [](TSkladTable& t) { t.Post(); },
                  {"BeforePost", "StateChange", "DataChange", "AfterPost"}},
        EventCase{"Cancel", kFiveBooks, kOpenEdit, [](TSkladTable& t) { t.Cancel(); }, kCancelled},
        EventCase{"NextWhileEditing", kFiveBooks, kOpenEdit, [](TSkladTable& t) { t.Next(); },
                  kThen(kCancelled, {"BeforeScroll", "DataChange", "AfterScroll"})},
        EventCase{"CloseWhileEditing", kFiveBooks, kOpenEdit, [](TSkladTable& t) { t.Close(); },
                  kThen(kCancelled, {"BeforeClose", "StateChange", "AfterClose"})},
        EventCase{"FilterWhileEditing", kFiveBooks, kOpenEdit, kSetFiltered(true),
                  kThen(kCancelled, kMovedToFirst)},
        EventCase{"EditAnEmptyTable", {}, kOpen,
                  [](TSkladTable& t) { EXPECT_EQ(EngineCode([&] { t.Edit(); }), cursor_status::NoCurrentRecord); },
                  {}}),
    [](const ::testing::TestParamInfo<EventCase>& info) { return std::string(info.param.Name); });

// ---- Data source ----

TEST_F(SkladTableTest, ADisabledDataSourceHoldsStillUntilEnabledAgain) {
  EventRecorder recorder(FTable);
  FTable.Open();
  EXPECT_EQ(recorder.Source.State(), TDataSetState::Browse);
  recorder.Take();
  recorder.Source.SetEnabled(false);
  EXPECT_EQ(recorder.Source.State(), TDataSetState::Inactive);
  FTable.Next();
  FTable.Close();
  FTable.Open();
  EXPECT_EQ(recorder.Take(),
            (std::vector<std::string>{"StateChange", "BeforeScroll", "AfterScroll", "BeforeClose", "AfterClose",
                                      "BeforeOpen", "AfterOpen", "AfterScroll"}));
  recorder.Source.SetEnabled(true);
  EXPECT_EQ(recorder.Take(), (std::vector<std::string>{"StateChange", "DataChange"}));
  EXPECT_EQ(recorder.Source.State(), TDataSetState::Browse);
}

TEST(DataSourceTest, LinksHearEveryEventAndTheSourceOutlivesItsDataSet) {
  BooksDirectory books(kFiveBooks);
  TDataSource source;
  std::vector<TDataSourceEvent> heard;
  const int link = source.AddLink([&](TDataSource&, TDataSourceEvent event) { heard.push_back(event); });
  {
    TSkladTable table;
    PointAtBooks(table, books);
    source.SetDataSet(&table);
    table.Open();
    table.Next();
    EXPECT_EQ(heard, (std::vector<TDataSourceEvent>{TDataSourceEvent::StateChange, TDataSourceEvent::DataChange,
                                                    TDataSourceEvent::DataChange}));
    source.RemoveLink(link);
    table.Next();
    EXPECT_EQ(heard.size(), 3u);
  }
  EXPECT_EQ(source.DataSet(), nullptr);
  EXPECT_EQ(source.State(), TDataSetState::Inactive);
}

}  // namespace
}  // namespace sklad
