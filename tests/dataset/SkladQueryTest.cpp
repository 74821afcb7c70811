// The query component: SQL lines that close and unprepare the query at every change, parameters
// kept across rescans and bound at open, the failure texts, the database held while prepared, and
// statements executed end to end with the dataset filter over their results.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "CatalogueDataSetSupport.h"
#include "DataSetTestSupport.h"
#include "dataset/DataSource.h"
#include "dataset/SkladBlobStream.h"
#include "dataset/SkladDatabase.h"
#include "dataset/SkladQuery.h"
#include "dataset/SkladSession.h"
#include "dataset/SkladSessionList.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

using testing::CatalogueRecord;
using testing::DatabaseErrorText;
using testing::EngineCode;

std::vector<CatalogueRecord> TenRecords() {
  std::vector<CatalogueRecord> records;
  const char* names[] = {"Linux",     "Windows", "linux jadro", "DOS",    "Amiga",
                         "GNU/Linux", "hry",     "10:30",       "Ubuntu", "OS/2"};
  for (int32_t id = 1; id <= 10; ++id)
    records.push_back(
        {id, std::to_string(id % 3), names[id - 1], std::nullopt, id % 2 ? "popis " + std::to_string(id) : "", 0});
  return records;
}

class SkladQueryTest : public ::testing::Test {
 protected:
  SkladQueryTest() : FDirectory(TenRecords()) {
    FQuery.SetDatabaseName(FDirectory.Path());
    FQuery.SetRequestLive(true);
  }

  std::vector<int32_t> Ids() {
    std::vector<int32_t> ids;
    for (FQuery.First(); !FQuery.Eof(); FQuery.Next()) ids.push_back(std::stoi(FQuery.FieldByName("Id").AsString()));
    return ids;
  }
  // The temporary database the default session keeps for the directory, if any.
  TSkladDatabase* HeldDatabase() { return SkladSessions().FindSession("")->FindDatabase(FDirectory.Path()); }

  testing::CatalogueDirectory FDirectory;
  TSkladQuery FQuery;
};

TEST_F(SkladQueryTest, AddingLinesClosesAndUnpreparesAtTheFirstLine) {
  FQuery.SQL().Add("SELECT * FROM KATALOG");
  FQuery.Open();
  ASSERT_TRUE(FQuery.Prepared());
  int closes = 0;
  FQuery.AfterClose = [&](TSkladDataSet&) { ++closes; };
  FQuery.SQL().Add("WHERE Id > 2");
  EXPECT_FALSE(FQuery.Active());
  EXPECT_FALSE(FQuery.Prepared());
  FQuery.SQL().Add("AND Id < 5");
  FQuery.SQL().Add("AND Id <> 3");
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(FQuery.Text(), "SELECT * FROM KATALOG\r\nWHERE Id > 2\r\nAND Id < 5\r\nAND Id <> 3\r\n");
  FQuery.Open();
  EXPECT_EQ(Ids(), std::vector<int32_t>{4});
}

TEST_F(SkladQueryTest, AssigningTheSameTextChangesNothing) {
  const std::vector<std::string> lines = {"SELECT * FROM KATALOG", "WHERE Id < 4"};
  FQuery.SetSQL(lines);
  FQuery.Open();
  FQuery.Next();
  FQuery.SetSQL(lines);
  EXPECT_TRUE(FQuery.Active());
  EXPECT_EQ(FQuery.RecNo(), 2);
  // A bracket of changes is one change.
  int closes = 0;
  FQuery.AfterClose = [&](TSkladDataSet&) { ++closes; };
  FQuery.SQL().BeginUpdate();
  FQuery.SQL().Replace(1, "WHERE Id < 3");
  EXPECT_TRUE(FQuery.Active());
  FQuery.SQL().Add("AND Id > 1");
  FQuery.SQL().EndUpdate();
  EXPECT_FALSE(FQuery.Active());
  EXPECT_EQ(closes, 1);
  FQuery.SetSQL({"SELECT * FROM KATALOG", "WHERE Id < 3", "AND Id > 1"});
  FQuery.Open();
  EXPECT_EQ(Ids(), std::vector<int32_t>{2});
}

TEST_F(SkladQueryTest, ParametersKeepTheirValuesAcrossRescansAndBindAtOpen) {
  FQuery.SetSQL({"SELECT * FROM KATALOG WHERE Id > :lo AND Id < :hi"});
  ASSERT_EQ(FQuery.Params().Count(), 2);
  EXPECT_EQ(FQuery.Text(), "SELECT * FROM KATALOG WHERE Id > ? AND Id < ?\r\n");
  FQuery.ParamByName("lo").SetAsInteger(2);
  FQuery.ParamByName("HI").SetAsInteger(6);
  FQuery.Open();
  EXPECT_EQ(Ids(), (std::vector<int32_t>{3, 4, 5}));
  EXPECT_EQ(FQuery.RowsAffected(), 3);
  EXPECT_GE(FQuery.ExecutionTime(), 0.0);

  FQuery.SQL().Replace(0, "SELECT * FROM KATALOG WHERE Id > :lo AND name = :name");
  ASSERT_EQ(FQuery.Params().Count(), 2);
  EXPECT_EQ(FQuery.Params()[0].AsString(), "2");
  EXPECT_EQ(FQuery.Params()[1].Name(), "name");
  EXPECT_EQ(FQuery.Params().FindParam("hi"), nullptr);
  EXPECT_EQ(DatabaseErrorText([&] { FQuery.Open(); }), "No value for parameter 'name'");
  EXPECT_FALSE(FQuery.Active());
  FQuery.ParamByName("name").SetAsString("GNU/Linux");
  FQuery.Open();
  EXPECT_EQ(Ids(), std::vector<int32_t>{6});
  // One parameter serves each of its markers.
  FQuery.SetSQL({"SELECT * FROM KATALOG WHERE Id >= :n AND Id <= :n"});
  FQuery.ParamByName("n").SetAsInteger(7);
  FQuery.Open();
  EXPECT_EQ(Ids(), std::vector<int32_t>{7});
  EXPECT_EQ(DatabaseErrorText([&] { FQuery.ParamByName("m"); }), "Parameter 'm' not found");
}

TEST_F(SkladQueryTest, ColonsReachTheEngineAsTheScanLeavesThem) {
  FQuery.SetSQL({"SELECT * FROM KATALOG WHERE name = '10:30' OR name = :n"});
  FQuery.ParamByName("n").SetAsString("OS/2");
  FQuery.Open();
  EXPECT_EQ(Ids(), (std::vector<int32_t>{8, 10}));
  // Without the parameter check the text goes to the engine as written.
  FQuery.SetParamCheck(false);
  FQuery.SetSQL({"SELECT * FROM KATALOG WHERE name = '10:30'"});
  EXPECT_EQ(FQuery.Text(), "SELECT * FROM KATALOG WHERE name = '10:30'\r\n");
  FQuery.Open();
  EXPECT_EQ(Ids(), std::vector<int32_t>{8});
}

TEST_F(SkladQueryTest, FailuresAreReportedWithTheirTexts) {
  struct Case {
    const char* Name;
    std::vector<std::string> Lines;
    std::string Expected;
  };
  const Case cases[] = {
      {"no lines", {}, "No SQL statement available"},
      {"one character", {"x"}, "No SQL statement available"},
      {"blank lines", {"", " "}, "No SQL statement available"},
      {"parameter without a value", {"SELECT * FROM KATALOG WHERE Id = :id"}, "No value for parameter 'id'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    FQuery.SetSQL(c.Lines);
    EXPECT_EQ(DatabaseErrorText([&] { FQuery.Open(); }), c.Expected);
    EXPECT_FALSE(FQuery.Active());
    FQuery.Unprepare();
    EXPECT_EQ(HeldDatabase(), nullptr);
  }
  FQuery.SetSQL({"SELECT * FROM KATALOG WHERE"});
  EXPECT_EQ(EngineCode([&] { FQuery.Open(); }), err::SqlError);
  EXPECT_FALSE(FQuery.Prepared());
  EXPECT_EQ(HeldDatabase(), nullptr);

  FQuery.SetSQL({"SELECT * FROM KATALOG"});
  FQuery.Open();
  EXPECT_EQ(DatabaseErrorText([&] { FQuery.SetRequestLive(false); }),
            "Cannot perform this operation on an open dataset");
  EXPECT_TRUE(FQuery.RequestLive());
}

TEST_F(SkladQueryTest, TheDatabaseIsHeldWhileTheQueryIsPreparedOrOpen) {
  FQuery.SetSQL({"SELECT * FROM KATALOG"});
  FQuery.Prepare();
  EXPECT_TRUE(FQuery.Prepared());
  EXPECT_NE(HeldDatabase(), nullptr);
  FQuery.Open();
  EXPECT_EQ(FQuery.RecordCount(), 10);
  FQuery.Close();
  EXPECT_FALSE(FQuery.Prepared());
  EXPECT_EQ(HeldDatabase(), nullptr);
  FQuery.Prepare();
  FQuery.Unprepare();
  EXPECT_EQ(HeldDatabase(), nullptr);
  // A new database name unprepares first.
  FQuery.Prepare();
  FQuery.SetDatabaseName(FDirectory.Path() + "./");
  EXPECT_FALSE(FQuery.Prepared());
  EXPECT_EQ(HeldDatabase(), nullptr);
}

TEST_F(SkladQueryTest, TheResultsMemosReadThroughTheBlobStream) {
  FQuery.SetSQL({"SELECT name, popis FROM KATALOG WHERE Id > 6"});
  FQuery.Open();
  std::vector<std::string> memos;
  for (FQuery.First(); !FQuery.Eof(); FQuery.Next()) {
    TSkladBlobStream stream(FQuery.FieldByName("popis"), TBlobStreamMode::Read);
    std::string text(static_cast<size_t>(stream.Size()), '\0');
    EXPECT_EQ(stream.Read(text.data(), static_cast<int32_t>(text.size()) + 5), static_cast<int32_t>(text.size()));
    memos.push_back(text);
  }
  EXPECT_EQ(memos, (std::vector<std::string>{"popis 7", "", "popis 9", ""}));
}

TEST_F(SkladQueryTest, ClosingItsDatabaseClosesAndUnpreparesTheQuery) {
  TSkladDatabase database;
  database.SetDatabaseName("Katalogy");
  database.SetDirectory(FDirectory.Path());
  database.Open();
  TSkladQuery prepared;
  for (TSkladQuery* query : {&FQuery, &prepared}) {
    query->SetDatabaseName("");
    query->SetDatabaseName("Katalogy");
    query->SetRequestLive(true);
    query->SetSQL({"SELECT * FROM KATALOG"});
  }
  FQuery.Open();
  prepared.Prepare();
  database.Close();
  EXPECT_FALSE(FQuery.Active());
  EXPECT_FALSE(FQuery.Prepared());
  EXPECT_FALSE(prepared.Prepared());
  EXPECT_EQ(FQuery.Database(), nullptr);
  FQuery.Open();
  EXPECT_EQ(FQuery.RecordCount(), 10);
}

TEST_F(SkladQueryTest, TheDataSetFilterNarrowsTheResultAndSurvivesRebuilds) {
  FQuery.SetFilterOptions({true, false});
  FQuery.SetFilter(R"(LOWER(name) LIKE "%linux%" OR LOWER(popis) LIKE "%popis 9%")");
  FQuery.SetFiltered(true);
  FQuery.SetSQL({"SELECT * FROM KATALOG", "WHERE r <> '0'"});  // drops 3, 6, 9
  FQuery.Open();
  EXPECT_EQ(Ids(), (std::vector<int32_t>{1}));
  EXPECT_EQ(FQuery.RecordCount(), 1);
  FQuery.SQL().Clear();
  FQuery.SQL().Add("SELECT * FROM KATALOG");
  FQuery.Open();
  EXPECT_EQ(Ids(), (std::vector<int32_t>{1, 3, 6, 9}));
  FQuery.SetFiltered(false);
  EXPECT_EQ(FQuery.RecordCount(), 10);
}

TEST_F(SkladQueryTest, AMasterGivesItsValuesToParametersNotSetByHandAndMovesTheQuery) {
  TSkladTable master;
  testing::PointAtCatalogue(master, FDirectory);
  auto source = std::make_unique<TDataSource>();
  source->SetDataSet(&master);
  FQuery.SetSQL({"SELECT * FROM KATALOG WHERE Id > :Id AND name <> :name AND r = :r"});
  FQuery.SetDataSource(source.get());
  master.Open();
  FQuery.ParamByName("name").SetAsString("Ubuntu");
  FQuery.Open();
  // Master on Id 1 (r = "1"): the records above 1 in section "1" except Ubuntu.
  EXPECT_EQ(Ids(), (std::vector<int32_t>{4, 7, 10}));
  int opens = 0;
  FQuery.AfterOpen = [&](TSkladDataSet&) { ++opens; };
  master.SetRecNo(5);  // Id 5, r = "2"
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{8}));
  EXPECT_EQ(FQuery.ParamByName("Id").AsString(), "5");
  EXPECT_FALSE(FQuery.ParamByName("Id").Bound());
  EXPECT_TRUE(FQuery.ParamByName("name").Bound());

  EXPECT_EQ(DatabaseErrorText([&] {
              TDataSource own;
              own.SetDataSet(&FQuery);
              FQuery.SetDataSource(&own);
            }),
            "Circular datalinks are not allowed");
  // The query forgets a master that goes before it.
  source.reset();
  EXPECT_EQ(FQuery.DataSource(), nullptr);
  master.Next();
  EXPECT_EQ(Ids(), (std::vector<int32_t>{8}));
}

TEST_F(SkladQueryTest, MaxRowCountOfAPreparedQueryActsAtTheNextExecution) {
  FQuery.SetRequestLive(false);
  FQuery.SetSQL({"SELECT * FROM KATALOG"});
  FQuery.Prepare();
  FQuery.SetMaxRowCount(4);
  FQuery.Open();
  EXPECT_EQ(FQuery.RecordCount(), 4);
  EXPECT_EQ(FQuery.RowsAffected(), 4);
}

}  // namespace
}  // namespace sklad
