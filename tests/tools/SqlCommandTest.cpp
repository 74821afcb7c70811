// sklad sql: scripts of several statements, each output form of a SELECT, live and copied
// results, the filter, and what bad command lines and bad statements answer.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tests/support/TempDir.h"
#include "tests/tools/KnihaTable.h"
#include "tests/tools/TestFileSystems.h"
#include "tests/tools/ToolRun.h"

namespace sklad::testing {
namespace {

class SqlCommand : public ::testing::Test {
 protected:
  void SetUp() override { CreateKniha(FDir.Path().string()); }

  ToolRun Sql(const std::string& statements, std::vector<std::string> more = {}, bool terminal = false) {
    std::vector<std::string> arguments = {"sql", FDir.Path().string(), "-c", statements};
    arguments.insert(arguments.end(), more.begin(), more.end());
    return RunSklad(arguments, terminal);
  }

  TempDir FDir;
};

TEST_F(SqlCommand, ScriptRunsInOrderAndReportsChangesOnTheErrorStream) {
  // A quoted ';' stays inside its string; empty statements and a closing comment are passed over.
  const ToolRun run = Sql(
      "INSERT INTO kniha (id, name) VALUES (7, 'x; DELETE FROM kniha');;\n"
      "UPDATE kniha SET name = 'ano' WHERE id >= 2; SELECT id, name FROM kniha WHERE id > 2; /* end */");
  ASSERT_EQ(run.Status, tool::kExitSuccess) << run.Err;
  EXPECT_EQ(run.Err, "1 row affected\n3 rows affected\n");
  EXPECT_EQ(run.Out, "id,name\r\n3,ano\r\n7,ano\r\n");
}

TEST_F(SqlCommand, EachSelectOfAScriptPrintsItsOwnResult) {
  const ToolRun run = Sql("SELECT id FROM kniha WHERE id = 1; SELECT COUNT(*) AS n FROM kniha", {"--json"});
  ASSERT_EQ(run.Status, tool::kExitSuccess) << run.Err;
  EXPECT_EQ(run.Out, "[\n{\"id\":1}\n]\n[\n{\"n\":3}\n]\n");
}

TEST_F(SqlCommand, CsvIsTheFormWhenTheOutputIsNoTerminal) {
  for (const std::vector<std::string>& form : {std::vector<std::string>{}, {"--csv"}}) {
    const ToolRun run = Sql("SELECT * FROM kniha", form);
    ASSERT_EQ(run.Status, tool::kExitSuccess) << run.Err;
    EXPECT_EQ(run.Out, kKnihaCsv);
    EXPECT_EQ(run.Err, "");
  }
  // --csv wins over a terminal.
  EXPECT_EQ(Sql("SELECT * FROM kniha", {"--csv"}, true).Out, kKnihaCsv);
}

TEST_F(SqlCommand, JsonKeepsTheKindsOfValues) {
  const ToolRun run = Sql("SELECT * FROM kniha", {"--json"}, true);
  ASSERT_EQ(run.Status, tool::kExitSuccess) << run.Err;
  const nlohmann::json expected = nlohmann::json::parse(R"([
    {"id": 3, "name": "a;b", "vydano": "1999-12-01", "cena": -3.0, "podil": 1e20, "skladem": false,
     "cas": "00:00:00", "zmena": "1999-12-01 23:59:59", "popis": "x"},
    {"id": 1, "name": "Příliš \"žluťoučký\" kůň, úpěl", "vydano": "2003-01-31", "cena": 12.5, "podil": -0.25,
     "skladem": true, "cas": "12:34:56.500", "zmena": "2003-01-31 01:02:03", "popis": "první řádek\r\ndruhý; řádek"},
    {"id": 2, "name": null, "vydano": null, "cena": null, "podil": null, "skladem": null, "cas": null,
     "zmena": null, "popis": null}])");
  EXPECT_EQ(nlohmann::json::parse(run.Out), expected);
  // The columns keep their order.
  EXPECT_LT(run.Out.find("\"id\""), run.Out.find("\"name\""));
}

TEST_F(SqlCommand, TerminalGetsAnAlignedTableMeasuredInCharactersOnScreen) {
  const ToolRun run = Sql("SELECT id, name, popis FROM kniha", {}, true);
  ASSERT_EQ(run.Status, tool::kExitSuccess) << run.Err;
  EXPECT_EQ(run.Out,
            "id | name                         | popis\n"
            "---+------------------------------+----------------------------\n"
            " 3 | a;b                          | x\n"
            " 1 | Příliš \"žluťoučký\" kůň, úpěl | první řádek\\r\\ndruhý; řádek\n"
            " 2 |                              |\n"
            "(3 rows)\n");
}

TEST_F(SqlCommand, LiveAndCopiedResultsShowTheSameRows) {
  struct Case {
    const char* statement;
    const char* expected;
  };
  const Case cases[] = {
      {"SELECT id, cena FROM kniha WHERE cena < 100", "id,cena\r\n3,-3.00\r\n1,12.50\r\n"},
      {"SELECT id, cena FROM kniha WHERE cena < 100 ORDER BY id", "id,cena\r\n1,12.50\r\n3,-3.00\r\n"},
      {"SELECT id, cena FROM kniha WHERE cena < 100 ORDER BY cena DESC", "id,cena\r\n1,12.50\r\n3,-3.00\r\n"},
      {"SELECT DISTINCT skladem FROM kniha WHERE id <> 2", "skladem\r\nFalse\r\nTrue\r\n"},
      {"SELECT id, cena * 2 AS dvakrat FROM kniha WHERE id = 1", "id,dvakrat\r\n1,25.00\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(Sql(c.statement).Out, c.expected) << c.statement;
}

TEST_F(SqlCommand, FilterNarrowsEachResultIgnoringCase) {
  struct Case {
    const char* statement;
    const char* filter;
    const char* expected;
  };
  const Case cases[] = {
      {"SELECT id FROM kniha", "LOWER(name) LIKE '%žluťoučký%'", "id\r\n1\r\n"},
      {"SELECT id FROM kniha", "name = 'A;B'", "id\r\n3\r\n"},
      {"SELECT id FROM kniha", "name = 'PŘÍLIŠ \"ŽLUŤOUČKÝ\" KŮŇ, ÚPĚL'", "id\r\n1\r\n"},
      {"SELECT DISTINCT id, name FROM kniha", "name = 'a;B'", "id,name\r\n3,a;b\r\n"},
      {"SELECT id FROM kniha WHERE id > 1", "id < 3", "id\r\n2\r\n"},
  };
  for (const Case& c : cases) {
    const ToolRun run = Sql(c.statement, {"--filter", c.filter});
    EXPECT_EQ(run.Status, tool::kExitSuccess) << c.filter << ": " << run.Err;
    EXPECT_EQ(run.Out, c.expected) << c.filter;
  }
}

TEST_F(SqlCommand, FailuresGiveTheirStatusAndMessage) {
  struct Case {
    std::vector<std::string> arguments;  // after the folder
    int status;
    const char* message;  // the start of the error stream
  };
  const std::string missing = FDir / "none.sql";
  const Case cases[] = {
      {{"-c", "SELECT * FROM kniha", "-f", FDir.Write("s.sql", "SELECT 1")}, tool::kExitUsage, "sklad: sql: give"},
      {{}, tool::kExitUsage, "sklad: sql: give"},
      {{"-f", missing}, tool::kExitUsage, "-f: File does not exist"},
      {{"-c", "SELECT * FROM kniha", "--csv", "--json"}, tool::kExitUsage, "--csv excludes --json"},
      {{"-c", "SELECT * FROM kniha", "--language", "Klingon"}, tool::kExitUsage, "sklad: sql: unknown language"},
      {{"-c", "SELEC * FROM kniha"}, tool::kExitFailure, "Sklad Engine Error # 11949 SQL error - SELECT, INSERT"},
      {{"-c", "SELECT * FROM nikde"}, tool::kExitFailure, "Sklad Engine Error # "},
      {{"-c", "SELECT 'x; FROM kniha"}, tool::kExitFailure, "Sklad Engine Error # 11949 SQL error - Missing single"},
      // The engine, not the statement splitter, reports an unterminated token: in its clause.
      {{"-c", "SELECT * FROM kniha WHERE name = 'x; SELECT 1"}, tool::kExitFailure,
       "Sklad Engine Error # 11949 SQL error - Missing single quote after 'x; SELECT 1' in WHERE or JOIN clause"},
      {{"-c", "SELECT * FROM kniha", "--filter", "name = ("}, tool::kExitFailure, "Sklad Engine Error # 10051 "},
      {{"-c", "INSERT INTO kniha (id, name) VALUES (9, '中文')"}, tool::kExitFailure, "sklad sql: the statements: not UTF-8 text"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"sql", FDir.Path().string()};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const ToolRun run = RunSklad(arguments);
    EXPECT_EQ(run.Status, c.status) << ::testing::PrintToString(c.arguments);
    EXPECT_EQ(run.Err.rfind(c.message, 0), 0u) << run.Err;
    EXPECT_EQ(run.Out, "") << ::testing::PrintToString(c.arguments);
  }
}

TEST_F(SqlCommand, FirstErrorStopsTheScriptAfterWhatRanBeforeIt) {
  const ToolRun run = Sql(
      "INSERT INTO kniha (id) VALUES (10); INSERT INTO kniha (id) VALUES (10); INSERT INTO kniha (id) VALUES (11)");
  EXPECT_EQ(run.Status, tool::kExitFailure);
  EXPECT_EQ(run.Err.rfind("1 row affected\nSklad Engine Error # ", 0), 0u) << run.Err;
  EXPECT_EQ(Sql("SELECT id FROM kniha WHERE id >= 10").Out, "id\r\n10\r\n");
}

TEST_F(SqlCommand, StatementsFromAFile) {
  const std::string script = FDir.Write("s.sql", "DELETE FROM kniha WHERE id = 3;\nSELECT id FROM kniha;\n");
  const ToolRun run = RunSklad({"sql", FDir.Path().string(), "-f", script});
  ASSERT_EQ(run.Status, tool::kExitSuccess) << run.Err;
  EXPECT_EQ(run.Err, "1 row affected\n");
  EXPECT_EQ(run.Out, "id\r\n1\r\n2\r\n");
}

// A table held exclusively by a definition statement writes its changes as it closes: when that
// last write fails, so does the statement, instead of reporting success over a damaged table.
TEST(SqlDefinitionStatements, FailWhenTheirLastWriteFails) {
  for (const char* statement : {"CREATE INDEX podle_jmena ON kniha (name)", "DROP INDEX kniha.podle_jmena",
                                "ALTER TABLE kniha ADD poznamka VARCHAR(10)"}) {
    const auto prepared = [&](const TempDir& dir) {
      CreateKniha(dir.Path().string());
      if (std::string(statement).starts_with("DROP")) {
        ASSERT_EQ(RunSklad({"sql", dir.Path().string(), "-c", "CREATE INDEX podle_jmena ON kniha (name)"}).Status,
                  tool::kExitSuccess);
      }
    };
    TempDir whole;
    prepared(whole);
    FullDisk measure;
    {
      FileSystemInUse use(measure);
      ASSERT_EQ(RunSklad({"sql", whole.Path().string(), "-c", statement}).Status, tool::kExitSuccess) << statement;
    }
    ASSERT_FALSE(measure.Writes.empty()) << statement;
    TempDir cut;
    prepared(cut);
    FullDisk disk(measure.RoomBefore(measure.Writes.size() - 1));
    ToolRun run;
    {
      FileSystemInUse use(disk);
      run = RunSklad({"sql", cut.Path().string(), "-c", statement});
    }
    EXPECT_EQ(run.Status, tool::kExitFailure) << statement;
    EXPECT_NE(run.Err.find("Sklad Engine Error # "), std::string::npos) << statement << ": " << run.Err;
  }
}

}  // namespace
}  // namespace sklad::testing
