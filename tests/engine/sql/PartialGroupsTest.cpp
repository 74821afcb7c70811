// Grouped rows folded in memory and written out in batches when the groups fill up: the partial
// groups of one key, merged as the grouping sort merges records of one group, give the same
// aggregates as folding every row at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/cursor/DataCursor.h"
#include "engine/sql/GroupAccumulator.h"
#include "engine/sql/PartialGroups.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {
namespace {

enum ResultField { kKey = 1, kCount, kSum, kMin, kAverage, kAverageCount };

class PartialGroupsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDirectory = FSession.OpenDirectory("", FTemp.Path().string());
    TTableDefinition definition;
    definition.Fields.Add(TFieldDefinition::Make("k", TFieldType::String, 5));
    definition.Fields.Add(TFieldDefinition::Make("c", TFieldType::Integer));
    definition.Fields.Add(TFieldDefinition::Make("s", TFieldType::Integer));
    definition.Fields.Add(TFieldDefinition::Make("m", TFieldType::Integer));
    definition.Fields.Add(TFieldDefinition::Make("a", TFieldType::Float));
    definition.Fields.Add(TFieldDefinition::Make("n", TFieldType::Integer));
    FDirectory->CloseTable(FDirectory->CreateTable("r", false, definition));
    FCursor = std::make_unique<TDataCursor>(*FDirectory);
    FCursor->SetTableName("r");
    FCursor->Open();
    const auto field = [&](int n) { return FCursor->TableField(n); };
    FAccumulator = std::make_unique<TGroupAccumulator>(std::vector<TAggregateField>{
        {TAggregateKind::Count, field(kCount), {}},
        {TAggregateKind::Sum, field(kSum), {}},
        {TAggregateKind::Min, field(kMin), {}},
        {TAggregateKind::Avg, field(kAverage), field(kAverageCount)},
    });
  }

  // A row's record as the filling makes it: the argument in SUM, MIN and AVG, 1 or 0 in the
  // counts; a missing value is NULL.
  std::vector<uint8_t> Row(const std::string& key, std::optional<int32_t> value) {
    std::vector<uint8_t> record(static_cast<size_t>(FCursor->RecordSize()));
    FCursor->InitRecord(record.data());
    FCursor->PutTableField(kKey, record.data(), reinterpret_cast<const uint8_t*>(key.c_str()));
    const int32_t counted = value ? 1 : 0;
    FCursor->PutTableField(kCount, record.data(), reinterpret_cast<const uint8_t*>(&counted));
    FCursor->PutTableField(kAverageCount, record.data(), reinterpret_cast<const uint8_t*>(&counted));
    const double real = value.value_or(0);
    FCursor->PutTableField(kSum, record.data(), value ? reinterpret_cast<const uint8_t*>(&*value) : nullptr);
    FCursor->PutTableField(kMin, record.data(), value ? reinterpret_cast<const uint8_t*>(&*value) : nullptr);
    FCursor->PutTableField(kAverage, record.data(), value ? reinterpret_cast<const uint8_t*>(&real) : nullptr);
    return record;
  }

  int32_t Int(const TRecord& record, int field) const {
    int32_t v = 0;
    FCursor->GetTableField(field, record.Bytes(), reinterpret_cast<uint8_t*>(&v));
    return v;
  }

  TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDirectory = nullptr;
  std::unique_ptr<TDataCursor> FCursor;
  std::unique_ptr<TGroupAccumulator> FAccumulator;
};

TEST_F(PartialGroupsTest, BatchesOfOneGroupMergeIntoTheWholeGroup) {
  TDataFile& file = FCursor->Table()->Data();
  TPartialGroups groups(file, {FCursor->TableField(kKey)}, *FAccumulator, 2);
  const std::vector<std::pair<std::string, std::optional<int32_t>>> rows = {
      {"a", 5}, {"a", std::nullopt}, {"b", -3}, {"a", 7}, {"c", std::nullopt}, {"a", -2}, {"b", 4}, {"a", 1}};
  // Every written record of a key is merged into the first one, as the grouping sort does.
  std::map<std::string, std::unique_ptr<TRecord>> merged;
  int batches = 0;
  auto drain = [&] {
    ++batches;
    groups.Drain([&](const uint8_t* bytes) {
      auto record = std::make_unique<TRecord>(file);
      record->SetFieldArea(bytes);
      char key[6] = {};
      FCursor->GetTableField(kKey, bytes, reinterpret_cast<uint8_t*>(key));
      auto [at, fresh] = merged.try_emplace(key, nullptr);
      if (fresh)
        at->second = std::move(record);
      else
        FAccumulator->Accumulate(*record, *at->second);
    });
  };
  for (const auto& [key, value] : rows) {
    const std::vector<uint8_t> record = Row(key, value);
    if (groups.Add(record.data())) drain();
  }
  drain();
  EXPECT_GT(batches, 2);

  struct Expected {
    int32_t count = 0, sum = 0, min = INT32_MAX;
  };
  std::map<std::string, Expected> expected;
  for (const auto& [key, value] : rows) {
    Expected& e = expected[key];
    if (!value) continue;
    ++e.count, e.sum += *value, e.min = std::min(e.min, *value);
  }
  ASSERT_EQ(merged.size(), expected.size());
  for (auto& [key, record] : merged) {
    SCOPED_TRACE(key);
    FAccumulator->Finish(*record);
    const Expected& e = expected[key];
    EXPECT_EQ(Int(*record, kCount), e.count);
    double average = -1;
    FCursor->GetTableField(kAverage, record->Bytes(), reinterpret_cast<uint8_t*>(&average));
    EXPECT_DOUBLE_EQ(average, e.count ? static_cast<double>(e.sum) / e.count : 0.0);
    if (e.count == 0) {
      EXPECT_TRUE(FCursor->GetTableField(kSum, record->Bytes(), nullptr));
      continue;
    }
    EXPECT_EQ(Int(*record, kSum), e.sum);
    EXPECT_EQ(Int(*record, kMin), e.min);
  }
}

}  // namespace
}  // namespace sklad::testing
