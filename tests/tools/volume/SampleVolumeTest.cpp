// The sample volume the build puts beside the program: its texts in code page 1250 with CRLF line
// ends saying what the UTF-8 sources say, every database's table present, sound and covering the
// codes and edge cases the program must show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/sql/SqlStatement.h"
#include "platform/ProfileFile.h"
#include "platform/WholeFile.h"
#include "platform/locale/CodePage.h"
#include "tests/tools/ToolRun.h"
#include "tools/sklad/ToolDatabase.h"
#include "tools/volume/SyntheticCatalogue.h"

namespace rejstrik::volume {
namespace {

const std::string kSources = SAMPLE_SOURCE_DIR "/";
const std::string kVolume = SAMPLE_VOLUME_DIR "/";

std::string ReadFile(const std::string& path) {
  std::string bytes;
  EXPECT_EQ(platform::ReadWholeFile(path, bytes), 0) << path;
  return bytes;
}

std::string WithoutCarriageReturns(std::string text) {
  std::erase(text, '\r');
  return text;
}

// The table names of the volume's databases, from d_name in each section of the built INI file.
std::vector<std::string> DatabaseTables() {
  const platform::TProfileFile ini(kVolume + "rocnik.ini");
  std::vector<std::string> tables;
  for (const std::string& section : ini.SectionNames()) {
    const std::string fileName = ini.ReadString(section, "d_name", "");
    tables.push_back(fileName.substr(0, fileName.find('.')));
  }
  return tables;
}

TEST(SampleVolume, SchemaFilesAreTheCatalogueShape) {
  std::string columns = ReadFile(kSources + "catalogue-columns.txt");
  while (!columns.empty() && (columns.back() == '\n' || columns.back() == '\r')) columns.pop_back();
  EXPECT_EQ(columns, kCatalogueColumns);

  std::string indexes;
  for (std::string_view field : kCatalogueIndexedFields) indexes += std::string(field) + "\n";
  EXPECT_EQ(ReadFile(kSources + "catalogue-indexes.txt"), indexes);
}

TEST(SampleVolume, TextsAreCodePage1250WithCrLfAndSayWhatTheSourcesSay) {
  for (const std::string name : {"rocnik.ini", "help.txt"}) {
    SCOPED_TRACE(name);
    const std::string built = ReadFile(kVolume + name);
    const std::string source = ReadFile(kSources + name);
    ASSERT_FALSE(built.empty());
    for (size_t i = 0; i < built.size(); ++i) {
      if (built[i] == '\n') {
        ASSERT_TRUE(i > 0 && built[i - 1] == '\r') << "bare line feed at " << i;
      } else if (built[i] == '\r') {
        ASSERT_TRUE(i + 1 < built.size() && built[i + 1] == '\n') << "bare carriage return at " << i;
      }
    }
    EXPECT_EQ(WithoutCarriageReturns(platform::CodePageToUtf8(built, 1250)), source);
    EXPECT_NE(built.find("\xE8"), std::string::npos) << "no č in code page 1250";
  }

  const platform::TProfileFile built(kVolume + "rocnik.ini");
  const platform::TProfileFile source = platform::TProfileFile::FromText(ReadFile(kSources + "rocnik.ini"));
  ASSERT_EQ(built.SectionNames(), source.SectionNames());
  EXPECT_GE(built.SectionNames().size(), 4u);
  for (const std::string& section : source.SectionNames())
    for (const char* key : {"d_name", "d_caption", "num", "all", "typ"})
      EXPECT_EQ(built.ReadString(section, key, "?"), source.ReadString(section, key, "!")) << section << key;
}

TEST(SampleVolume, DatabasesCoverTheSettingsThatChangeTheWindow) {
  const platform::TProfileFile ini(kVolume + "rocnik.ini");
  EXPECT_EQ(ini.ReadString("1", "num", ""), "12");
  EXPECT_EQ(ini.ReadString("1", "all", ""), "on");
  bool labelSetTwo = false, fewIssuesNoneChecked = false;
  for (const std::string& section : ini.SectionNames()) {
    labelSetTwo |= ini.ReadString(section, "typ", "1") == "2";
    fewIssuesNoneChecked |= std::stoi(ini.ReadString(section, "num", "1")) < 12 &&
                            ini.ReadString(section, "all", "off") == "off";
  }
  EXPECT_TRUE(labelSetTwo);
  EXPECT_TRUE(fewIssuesNoneChecked);
}

TEST(SampleVolume, EveryTablePassesTheCheck) {
  const std::vector<std::string> tables = DatabaseTables();
  ASSERT_FALSE(tables.empty());
  for (const std::string& table : tables) {
    const sklad::testing::ToolRun run = sklad::testing::RunSklad({"check", kVolume, table});
    EXPECT_EQ(run.Status, sklad::tool::kExitSuccess) << table << "\n" << run.Out << run.Err;
  }
}

// Records of the table that satisfy the condition, counted through the engine's SQL.
int Count(sklad::tool::TToolDatabase& database, const std::string& table, const std::string& condition) {
  sklad::TSqlStatement statement(database.Database(),
                                 platform::Utf8ToCodePage("SELECT * FROM " + table + " WHERE " + condition, 1250));
  statement.Prepare();
  return statement.Execute()->GetRecordCount();
}

// A LIKE pattern that matches texts of at least `length` characters.
std::string AtLeast(size_t length) { return "'" + std::string(length, '_') + "%'"; }

TEST(SampleVolume, EveryTableOpensWithRecords) {
  sklad::tool::TToolDatabase database(kVolume);
  for (const std::string& table : DatabaseTables())
    EXPECT_GE(Count(database, table, "p IS NOT NULL"), 200) << table;
}

TEST(SampleVolume, TablesHoldTheEdgeCases) {
  struct Case {
    std::string Table;
    std::string Condition;
    int Least;
    int Most;
  };
  constexpr int kAny = 1 << 30;
  std::vector<Case> cases = {
      // issues with a leading zero, with "010/"-style values, and without
      {"kvel2002", "SUBSTRING(p FROM 1 FOR 3) = '01/'", 1, kAny},
      {"kvel2002", "p = '1/'", 0, 0},
      {"kvel2001", "p = '010/'", 1, kAny},
      {"kvel2001", "p = '012/'", 1, kAny},
      {"kvel2002s", "p LIKE '0%'", 0, 0},
      {"kvel2002s", "p = '12/'", 1, kAny},
      {"kvel2003", "p = '6/'", 0, 0},
      // label set 2: section 11 has no name, and one record uses it
      {"kvel2002s", "r = '11'", 1, 1},
      // system and type codes
      {"kvel2002", "os = '1111111'", 1, kAny},
      {"kvel2002", "os = '0000000'", 1, kAny},
      {"kvel2002", "typ = '00000'", 1, kAny},
      // texts at the columns' full size, links missing, memos over several BLOB blocks
      {"kvel2002", "name LIKE " + AtLeast(120), 1, kAny},
      {"kvel2002", "src LIKE " + AtLeast(120), 1, kAny},
      {"kvel2002", "inet LIKE " + AtLeast(250), 1, kAny},
      {"kvel2002", "name LIKE " + AtLeast(61) + " AND name NOT LIKE " + AtLeast(100), 1, kAny},
      {"kvel2002", "inet IS NULL", 1, kAny},
      {"kvel2002", "popis LIKE " + AtLeast(2001), 1, kAny},
      {"kvel2002s", "popis LIKE " + AtLeast(2001), 1, kAny},
      // words the searches look for
      {"kvel2002", "LOWER(name) LIKE '%linux%' OR LOWER(popis) LIKE '%linux%'", 1, kAny},
      {"kvel2002s", "LOWER(popis) LIKE '%delphi%'", 1, kAny},
      {"kvel2002", "LOWER(popis) LIKE '% hra %'", 1, kAny},
      // Czech letters and the en dash through the code page
      {"kvel2002", "name = 'Úvodník – leden 2002'", 1, 1},
  };
  // As the program asks for them: a bare 'R' or 'P' would name the columns r and p.
  for (const char* letter : {"A", "C", "F", "G", "K", "M", "N", "O", "R", "X"})
    cases.push_back({"kvel2002", "typ LIKE '" + std::string(letter) + "%'", 1, kAny});
  for (const char* os : {"1000000", "0100000", "0010000", "0001000", "0000100", "0000010", "0000001"})
    cases.push_back({"kvel2002", "os = '" + std::string(os) + "'", 1, kAny});
  for (const std::string table : {"kvel2002", "kvel2001", "kvel2003"})
    for (int section = 1; section <= 12; ++section)
      cases.push_back({table, "r = '" + std::to_string(section) + "'", 1, kAny});
  for (const char* section : {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "12", "99"})
    cases.push_back({"kvel2002s", "r = '" + std::string(section) + "'", 1, kAny});
  for (const std::string table : {"kvel2002", "kvel2001", "kvel2003", "kvel2002s"})
    cases.push_back({table, "r = '99'", 1, kAny});

  sklad::tool::TToolDatabase database(kVolume);
  for (const Case& c : cases) {
    const int count = Count(database, c.Table, c.Condition);
    EXPECT_GE(count, c.Least) << c.Table << ": " << c.Condition;
    EXPECT_LE(count, c.Most) << c.Table << ": " << c.Condition;
  }
}

}  // namespace
}  // namespace rejstrik::volume
