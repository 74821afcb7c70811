// generate_catalogue writes the header and exactly the records asked for, each reading back
// through libcsv to the synthetic record of its number; bad command lines fail.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/WholeFile.h"
#include "tests/support/TempDir.h"
#include "tests/tools/volume/CsvRows.h"
#include "tools/volume/SyntheticCatalogue.h"

namespace rejstrik::volume {
namespace {

using testing::CsvRow;
using testing::ParseCsv;

CsvRow Fields(const TCatalogueRecord& record) {
  return {record.p, record.r, record.typ, record.os, record.name, record.src, record.inet, record.popis};
}

TEST(GenerateCatalogue, WritesHeaderAndRecords) {
  sklad::testing::TempDir directory;
  for (const int count : {0, 1, 250}) {
    const std::string file = directory / ("catalogue" + std::to_string(count) + ".csv");
    const std::string command =
        std::string(GENERATE_CATALOGUE_PATH) + " --records " + std::to_string(count) + " --out " + file;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    std::string text;
    ASSERT_EQ(platform::ReadWholeFile(file, text), 0);
    // Missing links and descriptions are empty fields (NULL), never quoted empty texts.
    EXPECT_EQ(text.find("\"\""), std::string::npos);
    const std::vector<CsvRow> rows = ParseCsv(text);
    ASSERT_EQ(rows.size(), static_cast<size_t>(count) + 1) << count;
    EXPECT_EQ(rows[0], (CsvRow{"p", "r", "typ", "os", "name", "src", "inet", "popis"}));
    for (int i = 0; i < count; ++i) ASSERT_EQ(rows[i + 1], Fields(SyntheticCatalogueRecord(i))) << i;
  }
}

TEST(GenerateCatalogue, RefusesBadCommandLines) {
  sklad::testing::TempDir directory;
  const std::string arguments[] = {"", "--records -5", "--records many",
                                   "--records 3 --out " + directory / "no/such/folder/x.csv"};
  for (const std::string& argument : arguments) {
    const std::string command = std::string(GENERATE_CATALOGUE_PATH) + " " + argument + " >/dev/null 2>&1";
    EXPECT_NE(std::system(command.c_str()), 0) << argument;
  }
}

}  // namespace
}  // namespace rejstrik::volume
