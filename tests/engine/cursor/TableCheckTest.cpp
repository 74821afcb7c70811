// The table check: quiet on a table its writer kept consistent, and a finding for each kind of
// damage an index can suffer — a missing key, a key no record gives, a wrong record count.
#include "engine/cursor/TableCheck.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "CursorTestSupport.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

class TableCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::CreateBooks(FTemp.Path().string());
    FDatabase = FSession.OpenDirectory("", FTemp.Path().string());
    FTable = FDatabase->OpenTable(testing::kBooks, false);
    testing::BookWriter writer(*FTable);
    for (int id = 1; id <= 40; ++id) writer.Append(id * 7 % 41, "Kniha " + std::to_string(id % 6));
    writer.Remove(5);
    writer.Remove(17);
  }
  void TearDown() override { FDatabase->CloseTable(FTable); }

  // Runs a change to the table's index file under its write lock.
  void Damage(const std::function<void(TIndexTree&)>& change, int slot) {
    TSystemList<TFieldDefinition> fields;
    for (int i = 0; i < FTable->Data().FieldCount(); ++i) fields.Add(FTable->Data().Field(i));
    TCursorIndex index(*FTable, fields, slot);
    FTable->BeginWrite();
    change(index.Tree());
    FTable->ChangesMade(false, true, false);
    FTable->EndWrite();
  }

  testing::TempDir FTemp;
  TDataSession FSession;
  TDataDirectory* FDatabase = nullptr;
  TDataTable* FTable = nullptr;
};

TEST_F(TableCheckTest, ConsistentTableHasNoFindings) { EXPECT_EQ(CheckTable(*FTable), std::vector<std::string>{}); }

TEST_F(TableCheckTest, EachKindOfDamageIsFound) {
  const std::vector<uint8_t> missingKey = [&] {
    std::vector<uint8_t> key(64);
    Damage([&](TIndexTree& tree) { tree.KeyAt(3, key.data()); }, testing::kByName);
    return key;
  }();
  Damage([&](TIndexTree& tree) { tree.DeleteKey(missingKey.data()); }, testing::kByName);
  std::vector<uint8_t> strayKey(5, 0);
  strayKey[4] = 200;
  Damage([&](TIndexTree& tree) { tree.InsertKey(strayKey.data(), 7); }, kRecordStateSlot);
  FTable->BeginWrite();
  FTable->Index().IncrementRecordCount();
  FTable->EndWrite();

  const std::vector<std::string> findings = CheckTable(*FTable);
  ASSERT_EQ(findings.size(), 3u) << ::testing::PrintToString(findings);
  EXPECT_NE(findings[0].find("index 'ByName': no key for record"), std::string::npos);
  EXPECT_EQ(findings[1], "record-state index: a key for record 7 that its record does not give");
  EXPECT_EQ(findings[2], "index header counts 39 records, the data file holds 38 active ones");
}

}  // namespace
}  // namespace sklad
