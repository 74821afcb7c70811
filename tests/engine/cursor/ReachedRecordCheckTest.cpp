// A record the cursor reaches through an index must be the one the index promised. Names swapped
// in the data file behind the indexes' back are refused by every read that reaches them — steps,
// jumps, searches, filters — and reads that reach other records go on; the cursor's own changes
// made without resynchronising read back as stored.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "EditingTestSupport.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

using namespace testing;

class ReachedRecordCheckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CreateEditions(FTemp.Path().string());
    FCursor.SetTableName(kEditions);
    FCursor.Open();
    for (int32_t id = 1; id <= 20; ++id) {
      std::vector<uint8_t> record =
          EditionRecord(FCursor, {id, "c" + std::to_string(id), "Kniha " + std::to_string(id), id});
      FCursor.InsertRecord(record.data(), true);
    }
  }

  // Swaps the names of records 3 and 7 in the data file, the indexes left as they were.
  void SwapNames() {
    const TDataFile& data = FCursor.Table()->Data();
    const int64_t name = FCursor.TableField(kNameField).Offset();
    const int64_t first = data.RecordOffset(3) + name, second = data.RecordOffset(7) + name;
    const int length = FCursor.TableField(kNameField).StoredSize() + 1;
    FCursor.Close();
    const std::string path = FTemp / (std::string(kEditions) + ".DAT");
    std::vector<char> bytes;
    {
      std::ifstream in(path, std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    std::swap_ranges(bytes.begin() + first, bytes.begin() + first + length, bytes.begin() + second);
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FCursor.Open();
  }

  std::vector<uint8_t> Buffer() { return std::vector<uint8_t>(static_cast<size_t>(FCursor.RecordSize())); }

  TempDir FTemp;
  TDataSession FSession;
  TDataCursor FCursor{*FSession.OpenDirectory("", FTemp.Path().string())};
};

TEST_F(ReachedRecordCheckTest, ARecordThatIsNotTheOneItsIndexPromisedIsRefused) {
  SwapNames();
  std::vector<uint8_t> record = Buffer();
  // Natural order through a filter the name index answers.
  TFilter* filter = FCursor.AddFilter("Name = 'Kniha 2' OR Name = 'Kniha 3'", false, false);
  FCursor.ActivateFilter(filter);
  EXPECT_EQ(FCursor.GetRecordCount(), 2);
  FCursor.First();
  ASSERT_EQ(FCursor.ReadNext(record.data()), cursor_status::Ok);
  EXPECT_EQ(TextOf(FCursor, kNameField, record.data()), "Kniha 2");
  EXPECT_EQ(ErrorCode([&] { FCursor.ReadNext(record.data()); }), err::IndexBuffersCorrupt);
  FCursor.First();
  FCursor.MoveBy(1);
  EXPECT_EQ(ErrorCode([&] { FCursor.ReadCurrent(record.data()); }), err::IndexBuffersCorrupt);
  FCursor.DropFilter(filter);
  // Name order: a search lands on the record, a walk steps onto it.
  FCursor.SelectIndex(kByEditionName);
  std::vector<uint8_t> wanted = EditionRecord(FCursor, {0, "", "Kniha 3", 0});
  EXPECT_EQ(ErrorCode([&] { FCursor.FindKey(false, wanted.data(), record.data(), 0, true, 1); }),
            err::IndexBuffersCorrupt);
  wanted = EditionRecord(FCursor, {0, "", "Kniha 5", 0});
  EXPECT_TRUE(FCursor.FindKey(false, wanted.data(), record.data(), 0, true, 1));
  EXPECT_EQ(TextOf(FCursor, kNameField, record.data()), "Kniha 5");
  FCursor.First();
  EXPECT_EQ(ErrorCode([&] { while (FCursor.ReadNext(record.data()) == cursor_status::Ok) {} }),
            err::IndexBuffersCorrupt);
  // Id order: every key still matches its record, so the whole table reads.
  FCursor.SelectIndex(0);
  FCursor.First();
  int read = 0;
  while (FCursor.ReadNext(record.data()) == cursor_status::Ok) ++read;
  EXPECT_EQ(read, 20);
}

TEST_F(ReachedRecordCheckTest, ChangesWithoutResynchronisingReadBackAsStored) {
  FCursor.SelectIndex(kByEditionName);
  std::vector<uint8_t> record = Buffer();
  FCursor.First();
  ASSERT_EQ(FCursor.ReadNext(record.data()), cursor_status::Ok);
  ASSERT_EQ(FCursor.ReadCurrent(record.data(), true), cursor_status::Ok);
  PutText(FCursor, kNameField, record.data(), "Zmeneno");
  FCursor.ModifyRecord(record.data(), false, true);
  ASSERT_EQ(FCursor.ReadCurrent(record.data()), cursor_status::Ok);
  EXPECT_EQ(TextOf(FCursor, kNameField, record.data()), "Zmeneno");
  std::vector<uint8_t> added = EditionRecord(FCursor, {21, "c21", "Nova", 21});
  FCursor.InsertRecord(added.data(), false);
  ASSERT_EQ(FCursor.ReadCurrent(record.data()), cursor_status::Ok);
  EXPECT_EQ(TextOf(FCursor, kNameField, record.data()), "Nova");
  FCursor.DeleteRecord(record.data(), false);
  EXPECT_EQ(FCursor.ReadCurrent(record.data()), cursor_status::Ok);
}

}  // namespace
}  // namespace sklad
