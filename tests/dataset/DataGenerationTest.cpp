#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "DataSetTestSupport.h"
#include "dataset/SkladTable.h"

namespace sklad {
namespace {

// What a view keeping rows of its own must tell apart: the records changing as a whole (a new
// generation) from the current record moving (the same one).
struct GenerationCase {
  const char* Name;
  std::function<void(TSkladTable&)> Action;
  bool NewGeneration;
};

class DataGenerationTest : public ::testing::TestWithParam<GenerationCase> {};

TEST_P(DataGenerationTest, ChangesOnlyWhenTheRecordsChangeAsAWhole) {
  const testing::BooksDirectory books({{1, "Babička"}, {2, "Audience"}, {3, "Krakatit"}, {4, "Máj"}});
  TSkladTable table;
  testing::PointAtBooks(table, books);
  table.Open();
  const int64_t before = table.DataGeneration();
  GetParam().Action(table);
  EXPECT_EQ(table.DataGeneration() != before, GetParam().NewGeneration);
}

INSTANTIATE_TEST_SUITE_P(
    Actions, DataGenerationTest,
    ::testing::Values(
        GenerationCase{"Next", [](TSkladTable& t) { t.Next(); }, false},
        GenerationCase{"Last", [](TSkladTable& t) { t.Last(); }, false},
        GenerationCase{"SetRecNo", [](TSkladTable& t) { t.SetRecNo(3); }, false},
        GenerationCase{"Locate", [](TSkladTable& t) { t.Locate({{"Name", "Máj"}}); }, false},
        GenerationCase{"FilterWhileUnfiltered", [](TSkladTable& t) { t.SetFilter("Id > 2"); }, true},
        GenerationCase{"SameFilterAgain",
                       [](TSkladTable& t) {
                         t.SetFilter("Id > 2");
                         t.SetFiltered(true);
                         const int64_t now = t.DataGeneration();
                         t.SetFilter("Id > 2");
                         t.SetFiltered(true);
                         EXPECT_EQ(t.DataGeneration(), now);
                       },
                       true},
        GenerationCase{"FilteredOn", [](TSkladTable& t) { t.SetFiltered(true); }, true},
        GenerationCase{"RecordFilter", [](TSkladTable& t) { t.SetOnFilterRecord([](TSkladDataSet&, bool&) {}); },
                       true},
        GenerationCase{"IndexChange", [](TSkladTable& t) { t.SetIndexName("ByName"); }, true},
        GenerationCase{"EditCancelled",
                       [](TSkladTable& t) {
                         t.Edit();
                         t.Cancel();
                       },
                       false},
        GenerationCase{"EditPosted",
                       [](TSkladTable& t) {
                         t.Edit();
                         t.Post();
                       },
                       true},
        GenerationCase{"CloseAndOpen",
                       [](TSkladTable& t) {
                         t.Close();
                         t.Open();
                       },
                       true}),
    [](const ::testing::TestParamInfo<GenerationCase>& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace sklad
