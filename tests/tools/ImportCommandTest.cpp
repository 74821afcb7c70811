// sklad import: awkward CSV text lands in the table as written, every bad line is named and
// leaves no table behind, and an existing table is never touched.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include "engine/cursor/TableCheck.h"
#include "engine/storage/language/DateTimeText.h"
#include "engine/storage/data/DateTimeValues.h"
#include "tests/support/TempDir.h"
#include "tests/tools/TestFileSystems.h"
#include "tests/tools/ToolRun.h"
#include "tests/tools/ToolTables.h"
#include "tools/sklad/CsvReader.h"

namespace sklad::testing {
namespace {

constexpr const char* kSchema = "p VARCHAR(4), name VARCHAR(40), pocet INTEGER, datum DATE, popis BLOB(0, 1)";

class ImportCommand : public ::testing::Test {
 protected:
  ToolRun Import(const std::string& csv, std::vector<std::string> extra = {}) {
    std::vector<std::string> arguments = {"import", Database.Path().string(), "kat", Files.Write("in.csv", csv),
                                          "--schema", kSchema, "--language", "Czech"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    return RunSklad(arguments);
  }
  std::string FolderContents() const { return FilesWithContents(Database.Path()); }
  TempDir Database;  // holds only the tables
  TempDir Files;
};

TEST(CsvReader, UnquotedEmptyFieldIsNullAndQuotedEmptyFieldTheEmptyText) {
  TempDir files;
  tool::TCsvReader reader(files.Write("in.csv", "a,\"\",,\"x\"\r\n\"\"\n,\n"));
  const std::vector<std::vector<std::optional<std::string>>> expected = {
      {"a", "", std::nullopt, "x"}, {""}, {std::nullopt, std::nullopt}};
  for (const auto& fields : expected) {
    tool::TCsvRecord record;
    ASSERT_TRUE(reader.Next(record));
    EXPECT_EQ(record.Fields, fields);
  }
  tool::TCsvRecord end;
  EXPECT_FALSE(reader.Next(end));
}

TEST_F(ImportCommand, AwkwardTextArrivesAsWritten) {
  std::string memo;
  while (memo.size() < 2000) memo += "Příliš žluťoučký kůň úpěl ďábelské ódy; \"citace\"\n";
  // Header in another order and letter case than the schema; a byte order mark; CRLF and LF;
  // leading blanks kept; quotes, separators and line breaks inside quoted fields; empty fields as
  // null, and a quoted empty text as the empty memo, which the engine keeps as null.
  const std::string date = "2003-07-14";
  const std::string csv = "\xEF\xBB\xBFNAME,p,popis,Pocet,datum\r\n"
                          "\"Editor \"\"Ďábel\"\", verze 2\",07/,\"" + [&] {
                            std::string quoted;
                            for (char c : memo) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
                            return quoted;
                          }() + "\",-42," + date + "\r\n"
                          "\"dva\nřádky\",,\"\",,\n"
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
  const std::string good = "p,name,pocet,datum\n1/,a,1,2001-01-01\n";
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
      // A quoted empty field is the empty text, not NULL.
      {good + "2/,b,\"\",\n", "line 3: column 'pocet': Sklad Engine Error # 9992 '' is not a valid integer"},
      {good + "2/,b,99999999999,\n", "line 3: column 'pocet': Sklad Engine Error # 9992"},
      {good + "2/,b,2,zítra\n", "line 3: column 'datum': Sklad Engine Error # 9992 'zítra' is not a valid date"},
      {good + "2/,b,2,2001-02-31\n", "line 3: column 'datum'"},
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
  const std::string before = FolderContents();
  const ToolRun run = Import("p,name\n2/,druhý\n");
  EXPECT_EQ(run.Status, tool::kExitFailure);
  EXPECT_NE(run.Err.find("table 'kat' already exists"), std::string::npos) << run.Err;
  EXPECT_EQ(FolderContents(), before);
}

// Values in the forms export writes are read back exactly; a value the column cannot hold
// without rounding or cutting is refused with its line and column.
TEST_F(ImportCommand, ValuesAreReadExactlyOrRefused) {
  const std::string schema = "cena DECIMAL(20, 2), kusy DECIMAL(20, 0), podil FLOAT, castka MONEY, data BLOB(0, 2), "
                             "kod BYTES(3)";
  const struct {
    const char* Column;
    std::string Text;
    std::string Expected;  // the value exported again, or the start of the refusal
  } cases[] = {
      {"cena", "1.005", "line 2: column 'cena': '1.005' has more decimal places than the column's 2"},
      {"cena", "1.000", "1.00"},
      {"cena", " -0.5 ", "-0.50"},
      {"cena", "9223372036854775.79", "9223372036854775.79"},
      {"cena", "92233720368547757.9", "line 2: column 'cena': '92233720368547757.9' is too large for the column"},
      {"cena", "1e3", "line 2: column 'cena': '1e3' is not a decimal number"},
      {"kusy", "1000000000000000", "1000000000000000"},
      {"podil", "0.30000000000000004", "0.30000000000000004"},
      {"podil", "123456789.123456789", "123456789.12345679"},
      {"podil", "1.7976931348623157e308", "1.7976931348623157e+308"},
      {"podil", " +2.5 ", "2.5"},
      {"podil", "INF", "inf"},
      {"podil", "1e400", "line 2: column 'podil': '1e400' is not a floating-point number the column can hold"},
      {"podil", "1e-400", "line 2: column 'podil': '1e-400' is not a floating-point number"},
      {"castka", "12.5", "12.50"},
      {"castka", "0.125", "0.125"},
      {"data", "48656c6c6F", "48656C6C6F"},
      {"data", "4865F", "line 2: column 'data': a binary value is written as pairs of hexadecimal digits"},
      {"kod", "4142", "414200"},
      {"kod", "41424344", "line 2: column 'kod': the value has 4 bytes, the column holds 3"},
  };
  int number = 0;
  for (const auto& c : cases) {
    const std::string table = "t" + std::to_string(number++);
    const ToolRun run = RunSklad({"import", Database.Path().string(), table,
                                  Files.Write("in.csv", std::string(c.Column) + "\n\"" + c.Text + "\"\n"), "--schema",
                                  schema});
    if (c.Expected.starts_with("line ")) {
      EXPECT_EQ(run.Status, tool::kExitFailure) << c.Column << " " << c.Text;
      EXPECT_EQ(run.Err.rfind(c.Expected, 0), 0u) << run.Err;
      continue;
    }
    ASSERT_EQ(run.Status, tool::kExitSuccess) << c.Column << " " << c.Text << ": " << run.Err;
    const ToolRun select = RunSklad({"sql", Database.Path().string(), "-c", fmt::format("SELECT {} FROM {}", c.Column, table)});
    EXPECT_EQ(select.Out, std::string(c.Column) + "\r\n" + c.Expected + "\r\n") << c.Text;
  }
}

TEST_F(ImportCommand, GivenAutoIncrementValuesAreKept) {
  const std::string schema = "id AUTOINC, s VARCHAR(4)";
  ASSERT_EQ(RunSklad({"import", Database.Path().string(), "kat", Files.Write("in.csv", "id,s\n7,a\n,b\n3,c\n"),
                      "--schema", schema})
                .Status,
            tool::kExitSuccess);
  EXPECT_EQ(RunSklad({"export", Database.Path().string(), "kat"}).Out, "id,s\r\n7,a\r\n8,b\r\n3,c\r\n");
  const ToolRun twice = RunSklad({"import", Database.Path().string(), "dva", Files.Write("in.csv", "id,s\n7,a\n7,b\n"),
                                  "--schema", schema});
  EXPECT_EQ(twice.Status, tool::kExitFailure);
  EXPECT_EQ(twice.Err.rfind("line 3: Sklad Engine Error # 9729", 0), 0u) << twice.Err;
}

// Wherever the disk fills up during an import (making the table, loading records and memos,
// building the index, closing the table), the import fails, removes what it made and leaves the
// other tables as they were.
TEST_F(ImportCommand, AFullDiskLeavesNoTableBehind) {
  std::string csv = "p,name,pocet,datum,popis\n";
  for (int i = 0; i < 40; ++i)
    csv += fmt::format("{}/,Název {},{},2003-07-{:02},\"{}\"\n", i, 40 - i, i, 1 + i % 28, std::string(300 + 40 * i, 'x'));
  const std::string file = Files.Write("in.csv", csv);
  const auto import = [&](const std::string& folder, const std::string& table) {
    return RunSklad({"import", folder, table, file, "--schema", kSchema, "--language", "Czech", "--index", "name"});
  };
  const std::string folder = Database.Path().string();
  FullDisk measure;
  {
    FileSystemInUse use(measure);
    ASSERT_EQ(import(folder, "jina").Status, tool::kExitSuccess);
  }
  const std::string before = FolderContents();
  // The disk fills up at each write of the import, before its first byte and half-way through it.
  const size_t writes = measure.Writes.size();
  for (size_t cut = 0; cut < 2 * writes; ++cut) {
    const size_t stop = cut / 2;
    FullDisk disk(measure.RoomBefore(stop) + (cut % 2) * measure.Writes[stop] / 2);
    ToolRun run;
    {
      FileSystemInUse use(disk);
      run = import(folder, "kat");
    }
    ASSERT_EQ(run.Status, tool::kExitFailure) << stop << " of " << writes;
    EXPECT_FALSE(run.Err.empty()) << stop;
    EXPECT_EQ(FolderContents(), before) << stop << " of " << writes << ": " << run.Err;
  }
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
