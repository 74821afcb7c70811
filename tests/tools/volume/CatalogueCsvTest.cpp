// The catalogue CSV reads back through libcsv to the very values written, NULLs (empty fields)
// included; generate_catalogue writes the header and exactly the records asked for.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/WholeFile.h"
#include "tests/support/TempDir.h"
#include "tests/tools/volume/CsvRows.h"
#include "tools/volume/CatalogueCsv.h"

namespace rejstrik::volume {
namespace {

using testing::CsvRow;
using testing::ParseCsv;

CsvRow Fields(const TCatalogueRecord& record) {
  return {record.p, record.r, record.typ, record.os, record.name, record.src, record.inet, record.popis};
}

const CsvRow kHeader = {"p", "r", "typ", "os", "name", "src", "inet", "popis"};

TEST(CatalogueCsv, AwkwardValuesComeBackUnchanged) {
  const TCatalogueRecord records[] = {
      {"01/", "99", "X", "0000000", "Total Commander, \"TC\" 5.50", "\\SHARE\\TOTALCMD", "", ""},
      {"10/", "1", "01100", "1111111", "Dva\r\nřádky", "", "http://a.cz/?x=1,2", "první\nřádek\n\n\"třetí\""},
      {"1/", "12", "00000", "0011110", "\"", ",", "\r", "\n"},
  };
  std::ostringstream out;
  WriteCatalogueCsvHeader(out);
  for (const TCatalogueRecord& record : records) WriteCatalogueCsvRecord(out, record);

  const std::vector<CsvRow> rows = ParseCsv(out.str());
  ASSERT_EQ(rows.size(), std::size(records) + 1);
  EXPECT_EQ(rows[0], kHeader);
  for (size_t i = 0; i < std::size(records); ++i) EXPECT_EQ(rows[i + 1], Fields(records[i])) << i;
}

TEST(CatalogueCsv, EmptyValuesAreWrittenAsNothing) {
  std::ostringstream out;
  WriteCatalogueCsvRecord(out, {"7/", "3", "01000", "0011110", "Opera 6.05", "\\SHARE\\OPERA", "", ""});
  EXPECT_EQ(out.str(), "7/,3,01000,0011110,Opera 6.05,\\SHARE\\OPERA,,\r\n");
}

TEST(CatalogueCsv, GeneratorProgramWritesHeaderAndRecords) {
  sklad::testing::TempDir directory;
  for (const int count : {0, 1, 250}) {
    const std::string file = directory / ("catalogue" + std::to_string(count) + ".csv");
    const std::string command =
        std::string(GENERATE_CATALOGUE_PATH) + " --records " + std::to_string(count) + " --out " + file;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    std::string text;
    ASSERT_EQ(platform::ReadWholeFile(file, text), 0);
    const std::vector<CsvRow> rows = ParseCsv(text);
    ASSERT_EQ(rows.size(), static_cast<size_t>(count) + 1) << count;
    EXPECT_EQ(rows[0], kHeader);
    for (int i = 0; i < count; ++i) ASSERT_EQ(rows[i + 1], Fields(SyntheticCatalogueRecord(i))) << i;
  }
}

TEST(CatalogueCsv, GeneratorProgramRefusesBadCommandLines) {
  sklad::testing::TempDir directory;
  const std::string program = GENERATE_CATALOGUE_PATH;
  const std::string arguments[] = {"", "--records -5", "--records many",
                                   "--records 3 --out " + directory / "no/such/folder/x.csv"};
  for (const std::string& argument : arguments) {
    const std::string command = program + " " + argument + " >/dev/null 2>&1";
    EXPECT_NE(std::system(command.c_str()), 0) << argument;
  }
}

}  // namespace
}  // namespace rejstrik::volume
