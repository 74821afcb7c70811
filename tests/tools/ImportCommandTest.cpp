// sklad import: awkward CSV text lands in the table as written, every bad line is named and
// leaves no table behind, and an existing table is never touched.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "engine/cursor/TableCheck.h"
#include "engine/storage/DateTimeText.h"
#include "engine/storage/DateTimeValues.h"
#include "tests/support/TempDir.h"
#include "tests/tools/ToolRun.h"
#include "tests/tools/ToolTables.h"

namespace sklad::testing {
namespace {

constexpr const char* kSchema = "p VARCHAR(4), name VARCHAR(40), pocet INTEGER, datum DATE, popis BLOB(0, 1)";

// A day as the Czech table reads and prints dates.
std::string CzechDate(int year, int month, int day) {
  return DateToText(DayNumber({year, month, day}), BuildLanguageSettings(1029, 0));
}

class ImportCommand : public ::testing::Test {
 protected:
  ToolRun Import(const std::string& csv, std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {"import", Database.Path().string(), "kat", Files.Write("in.csv", csv),
                                          "--schema", kSchema, "--language", "Czech"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunSklad(arguments);
  }
  TempDir Database;  // holds only the tables
  TempDir Files;
};

TEST_F(ImportCommand, AwkwardTextArrivesAsWritten) {
  std::string memo;
  while (memo.size() < 2000) memo += "Příliš žluťoučký kůň úpěl ďábelské ódy; \"citace\"\n";
  // Header in another order and letter case than the schema; a byte order mark; CRLF and LF;
  // leading blanks kept; quotes, separators and line breaks inside quoted fields; empty fields as null.
  const std::string date = CzechDate(2003, 7, 14);
  const std::string csv = "\xEF\xBB\xBFNAME,p,popis,Pocet,datum\r\n"
                          "\"Editor \"\"Ďábel\"\", verze 2\",07/,\"" + [&] {
                            std::string quoted;
                            for (char c : memo) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
                            return quoted;
                          }() + "\",-42," + date + "\r\n"
                          "\"dva\nřádky\",,,\"\",\n"
                          "  mezery  ,8/,x,0,\n";
  const ToolRun run = Import(csv);
  ASSERT_EQ(run.Status, tool::kExitSuccess) << run.Err;
  EXPECT_EQ(run.Out, "kat: 3 records imported\n");
  const std::vector<TRow> expected = {
      {"07/", "Editor \"Ďábel\", verze 2", "-42", date, memo},
      {std::nullopt, "dva\nřádky", std::nullopt, std::nullopt, std::nullopt},
      // Leading blanks stay; a string field does not store trailing ones.
      {"8/", "  mezery", "0", std::nullopt, "x"},
  };
  EXPECT_EQ(ReadRows(Database.Path().string(), "kat"), expected);
}

TEST_F(ImportCommand, IndexesAreNamedAfterTheirFieldsAndHoldEveryRecord) {
  const ToolRun run = Import("p,name\n2/,b\n1/,a\n3/,c\n", {"--index", "name", "p"});
  ASSERT_EQ(run.Status, tool::kExitSuccess) << run.Err;
  TDataSession session;
  TDataCursor cursor(*session.OpenDirectory("", Database.Path().string()));
  cursor.SetTableName("kat");
  cursor.Open();
  EXPECT_TRUE(CheckTable(*cursor.Table()).empty());
  for (const char* index : {"name", "p"}) {
    cursor.SelectIndexByName(index);
    EXPECT_EQ(cursor.IndexName(), index);
    EXPECT_EQ(cursor.GetRecordCount(), 3);
  }
}

TEST_F(ImportCommand, BadLinesAreNamedAndLeaveNoTable) {
  const std::string good = "p,name,pocet,datum\n1/,a,1," + CzechDate(2001, 1, 1) + "\n";
  const struct {
    std::string Csv;
    std::string Message;
  } cases[] = {
      {good + "2/,\"b\"x,2,\n", "line 3: malformed CSV"},
      {good + "2/,b\"x,2,\n", "line 3: malformed CSV"},
      {good + "2/,\"never closed,2,\n3/,c,3,\n", "line 3: a quoted field is not closed"},
      {good + "2/,b,2\n", "line 3: 3 fields where the header names 4"},
      {good + "\"2/\n\",b,2,,\n", "line 3: 5 fields where the header names 4"},
      {good + "2/,b,dva,\n", "line 3: column 'pocet': Sklad Engine Error # 9992 'dva' is not a valid integer"},
      {good + "2/,b,99999999999,\n", "line 3: column 'pocet': Sklad Engine Error # 9992"},
      {good + "2/,b,2,zítra\n", "line 3: column 'datum': Sklad Engine Error # 9992 'zítra' is not a valid date"},
      {good + "2/,b,2,31.2.2001\n", "line 3: column 'datum'"},
      {good + "12345/,b,2,\n", "line 3: column 'p': the value has 6 characters, the column holds 4"},
      {good + "2/,漢字,2,\n", "line 3: column 'name': the value is not UTF-8 text that code page 1250 can hold"},
      {good + "2/,\xC3\x28,2,\n", "line 3: column 'name': the value is not UTF-8 text"},
      {"p,nazev\n1/,a\n", "line 1: the table has no column 'nazev'"},
      {"p,P\n1/,a\n", "line 1: column 'P' is named twice"},
      {"p,,name\n", "line 1: the header has an empty column name"},
      {"", "line 1: the CSV file has no header line"},
  };
  for (const auto& c : cases) {
    const ToolRun run = Import(c.Csv);
    EXPECT_EQ(run.Status, tool::kExitFailure) << c.Csv;
    EXPECT_EQ(run.Err.rfind(c.Message, 0), 0u) << c.Csv << "\n" << run.Err;
    EXPECT_TRUE(FilesIn(Database.Path()).empty()) << c.Csv;
  }
}

TEST_F(ImportCommand, RefusedRecordsNameTheirLine) {
  // A rule of the table itself (a required value, a duplicate primary key) refuses the record.
  const std::string schema = "p VARCHAR(4) NOT NULL, name VARCHAR(10), PRIMARY KEY (p)";
  const struct {
    std::string Csv;
    std::string Message;
  } cases[] = {
      {"p,name\n1/,a\n\n1/,b\n", "line 4: Sklad Engine Error # 9729"},
      {"p,name\n1/,a\n,b\n", "line 3: Sklad Engine Error # 9732"},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunSklad({"import", Database.Path().string(), "kat", Files.Write("in.csv", c.Csv), "--schema", schema});
    EXPECT_EQ(run.Status, tool::kExitFailure);
    EXPECT_EQ(run.Err.rfind(c.Message, 0), 0u) << run.Err;
    EXPECT_TRUE(FilesIn(Database.Path()).empty());
  }
}

TEST_F(ImportCommand, AnExistingTableIsRefusedAndLeftAlone) {
  ASSERT_EQ(Import("p,name\n1/,první\n").Status, tool::kExitSuccess);
  auto contents = [&] {
    std::string all;
    for (const std::string& name : FilesIn(Database.Path())) {
      std::ifstream file(Database / name, std::ios::binary);
      all += name + std::string(std::istreambuf_iterator<char>(file), {});
    }
    return all;
  };
  const std::string before = contents();
  const ToolRun run = Import("p,name\n2/,druhý\n");
  EXPECT_EQ(run.Status, tool::kExitFailure);
  EXPECT_NE(run.Err.find("table 'kat' already exists"), std::string::npos) << run.Err;
  EXPECT_EQ(contents(), before);
}

TEST_F(ImportCommand, BadInputGivesAFailureAndLeavesNoTable) {
  const std::string csv = Files.Write("ok.csv", "p\n1/\n");
  const std::string folder = Database.Path().string();
  const struct {
    std::vector<std::string> Arguments;
    std::string Message;
  } cases[] = {
      {{"import", "/no/such/folder", "kat", csv, "--schema", "p VARCHAR(4)"}, "sklad: no such folder: /no/such/folder"},
      {{"import", folder, "kat", Files / "missing.csv", "--schema", "p VARCHAR(4)"}, "sklad: no such CSV file: " + Files / "missing.csv"},
      {{"import", folder, "kat", csv, "--schema", "p VARCHR(4)"}, "Sklad Engine Error # 11949 SQL error - "},
      {{"import", folder, "kat", csv, "--schema", "p VARCHAR(4)", "--language", "Klingon"},
       "Sklad Engine Error # 11949 SQL error - Invalid language constant 'Klingon'"},
      {{"import", folder, "kat", csv, "--schema", "p VARCHAR(4)", "--index", "q"}, "Sklad Engine Error # "},
  };
  for (const auto& c : cases) {
    const ToolRun run = RunSklad(c.Arguments);
    EXPECT_EQ(run.Status, tool::kExitFailure) << c.Message;
    EXPECT_EQ(run.Err.rfind(c.Message, 0), 0u) << run.Err;
    EXPECT_TRUE(FilesIn(Database.Path()).empty()) << c.Message;
  }
  EXPECT_EQ(RunSklad({"import", folder, "kat", csv}).Status, tool::kExitUsage);
}

TEST_F(ImportCommand, ProgressIsDrawnOnlyOnATerminal) {
  const std::string csv = Files.Write("in.csv", "p\n1/\n2/\n");
  for (bool terminal : {false, true}) {
    TempDir database;
    const ToolRun run = RunSklad({"import", database.Path().string(), "kat", csv, "--schema", "p VARCHAR(4)"}, terminal);
    ASSERT_EQ(run.Status, tool::kExitSuccess);
    EXPECT_EQ(run.Err.find("100%") != std::string::npos, terminal) << run.Err;
  }
}

}  // namespace
}  // namespace sklad::testing
