// The record sort: every field type's order in both directions, Czech strings, equal keys in
// identity order, distinct and grouped sorts, the same result in memory and through run files,
// run files removed afterwards, and a failing write that leaves the table's records intact.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "CzechWords.h"
#include "DataFileTestSupport.h"
#include "engine/storage/data/DataFile.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/sort/RecordSort.h"
#include "engine/storage/file/TemporaryFileName.h"
#include "platform/FileSystem.h"
#include "platform/locale/CodePage.h"
#include "tests/support/TempDir.h"

namespace sklad {
namespace {

using sklad::testing::TempDir;
using Bytes = std::vector<uint8_t>;

constexpr uint16_t kCzech = 1029;
// A memory limit small enough to make many runs of a few records each.
constexpr TSortLimits kTinyLimits{1000, 8191};

// How a test makes the sort take its path: all records cached, or none and a tiny memory limit.
enum class TPath { InMemory, Runs };

// A data file on disk whose records are appended through the record cache.
class SortTable {
 public:
  SortTable(const TempDir& dir, const std::string& name, const TSystemList<TFieldDefinition>& fields,
            uint16_t language = 0)
      : Directory(dir.Path().string() + "/"), File(dir / name, false) {
    TTableProperties properties;
    properties.Language = language;
    File.Create(properties, fields);
    File.WriteHeader(true);
    File.WriteFieldDefinitions();
  }

  const TFieldDefinition& Field(int index) const { return File.Field(index); }

  int32_t Append(const std::function<void(TRecord&)>& fill) {
    TRecord* record = File.Records().NewRecord();
    record->SetAutoIncrementValue(File.NextAutoIncrement());
    fill(*record);
    const int32_t number = record->Number();
    File.Records().ReleaseRecord(record);
    return number;
  }

  void Delete(int32_t number) {
    TRecord* record = File.Records().GetRecord(number);
    File.Records().FreeRecord(*record);
    File.Records().ReleaseRecord(record);
  }

  // Sorts by the listed field positions (a negative position -p - 1 sorts field p descending).
  int32_t Sort(TPath path, std::vector<int> positions, TSortMode mode = TSortMode::Plain, TSortHooks hooks = {},
               bool caseInsensitive = false) {
    TSortRequest request;
    for (int position : positions) {
      TFieldDefinition field = File.Field(position < 0 ? -position - 1 : position);
      field.SetSortDescending(position < 0);
      request.Fields.Add(field);
    }
    request.CaseInsensitive = caseInsensitive;
    request.Mode = mode;
    request.Hooks = std::move(hooks);
    request.RunDirectory = Directory;
    if (path == TPath::Runs) {
      request.Limits = kTinyLimits;
      File.Records().WriteModified(false);
      File.Records().Empty();
    }
    return SortRecords(File, request);
  }

  // Every record's bytes, in record number order, read back from the file.
  std::vector<Bytes> Records() {
    std::vector<Bytes> records;
    for (int32_t number = 1; number < File.NextRecordNumber(); ++number) {
      TRecord* record = File.Records().GetRecord(number);
      records.emplace_back(record->Bytes(), record->Bytes() + record->Size());
      File.Records().ReleaseRecord(record);
    }
    return records;
  }

  // One field of every record: its stored bytes, or an empty list when null.
  std::vector<Bytes> Column(int position) {
    const TFieldDefinition& field = File.Field(position);
    std::vector<Bytes> values;
    for (int32_t number = 1; number < File.NextRecordNumber(); ++number) {
      TRecord* record = File.Records().GetRecord(number);
      const uint8_t* value = record->FieldValue(field);
      values.push_back(value ? Bytes(value, value + field.StoredSize()) : Bytes{});
      File.Records().ReleaseRecord(record);
    }
    return values;
  }

  std::vector<int32_t> Integers(int position) {
    std::vector<int32_t> values;
    for (const Bytes& value : Column(position))
      values.push_back(value.empty() ? INT_MIN : LoadLE<int32_t>(value.data()));
    return values;
  }

  std::vector<std::string> Strings(int position) {
    std::vector<std::string> values;
    for (const Bytes& value : Column(position))
      values.push_back(LoadStringValue(value.data(), static_cast<int>(value.size())));
    return values;
  }

  std::vector<int32_t> Identities() {
    std::vector<int32_t> values;
    for (const Bytes& record : Records()) values.push_back(LoadLE<int32_t>(record.data() + 5));
    return values;
  }

  std::string Directory;
  TDataFile File;
};

void SetInteger(TRecord& record, const TFieldDefinition& field, int32_t value) {
  StoreLE<int32_t>(record.MutableFieldValue(field), value);
}

void SetString(TRecord& record, const TFieldDefinition& field, const std::string& text) {
  StoreStringValue(record.MutableFieldValue(field), field.StoredSize(), text);
}

int32_t IntegerOf(const TRecord& record, const TFieldDefinition& field) {
  return LoadLE<int32_t>(record.FieldValue(field));
}

int TmpFileCount(const TempDir& dir) {
  int count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
    if (entry.path().extension() == ".TMP") ++count;
  return count;
}

template <typename T>
Bytes LE(T value) {
  Bytes bytes(sizeof(T));
  StoreLE<T>(bytes.data(), value);
  return bytes;
}

Bytes Extended(long double value) {
  Bytes bytes(kExtendedSize);
  StoreExtended(bytes.data(), value);
  return bytes;
}

Bytes Text(int storedSize, const std::string& text) {
  Bytes bytes(static_cast<size_t>(storedSize));
  StoreStringValue(bytes.data(), storedSize, text);
  return bytes;
}

class RecordSortTest : public ::testing::Test {
 protected:
  TempDir dir;
};

TEST_F(RecordSortTest, EveryFieldTypeOrdersByValueBothWays) {
  struct Case {
    TFieldType type;
    int declaredSize;
    std::vector<Bytes> ascending;
  };
  const Case cases[] = {
      {TFieldType::SmallInt, 0, {LE<int16_t>(-300), LE<int16_t>(-1), LE<int16_t>(0), LE<int16_t>(7), LE<int16_t>(300)}},
      {TFieldType::Integer,
       0,
       {LE<int32_t>(INT_MIN), LE<int32_t>(-5), LE<int32_t>(0), LE<int32_t>(5), LE<int32_t>(INT_MAX)}},
      {TFieldType::Word,
       0,
       {LE<uint16_t>(0), LE<uint16_t>(1), LE<uint16_t>(255), LE<uint16_t>(256), LE<uint16_t>(65535)}},
      {TFieldType::Unsigned,
       0,
       {LE<uint32_t>(0), LE<uint32_t>(1), LE<uint32_t>(65536), LE<uint32_t>(0x80000000u), LE<uint32_t>(0xFFFFFFFFu)}},
      {TFieldType::Float,
       0,
       {LE<double>(-1e300), LE<double>(-2.5), LE<double>(0.0), LE<double>(1e-300), LE<double>(3.5), LE<double>(1e300)}},
      {TFieldType::TimeStamp, 0, {LE<double>(86400000.0), LE<double>(6e13), LE<double>(6.1e13)}},
      {TFieldType::Extended, 0, {Extended(-1e10L), Extended(-1.0L), Extended(0.0L), Extended(0.5L), Extended(1e10L)}},
      {TFieldType::Date, 0, {LE<int32_t>(1), LE<int32_t>(693594), LE<int32_t>(740000)}},
      {TFieldType::Time, 0, {LE<int32_t>(0), LE<int32_t>(1000), LE<int32_t>(86399999)}},
      {TFieldType::Boolean, 0, {LE<uint16_t>(0), LE<uint16_t>(1)}},
      {TFieldType::String, 10, {Text(11, ""), Text(11, "a"), Text(11, "ab"), Text(11, "b"), Text(11, "c")}},
      {TFieldType::Bytes, 3, {Bytes{0, 0, 0}, Bytes{0, 0, 1}, Bytes{0, 1, 0}, Bytes{255, 0, 0}}},
  };
  int tableNumber = 0;
  for (const Case& c : cases)
    for (uint16_t language : {uint16_t{0}, kCzech})
      for (TPath path : {TPath::InMemory, TPath::Runs})
        for (bool descending : {false, true}) {
          SCOPED_TRACE(::testing::Message() << "type " << int(c.type) << " language " << language << " runs "
                                            << (path == TPath::Runs) << " descending " << descending);
          SortTable table(dir, "T" + std::to_string(++tableNumber) + ".DAT",
                          testing::FieldList({TFieldDefinition::Make("V", c.type, c.declaredSize)}), language);
          const TFieldDefinition& field = table.Field(0);
          // Inserted back to front, the null in the middle.
          for (size_t i = c.ascending.size(); i-- > 0;) {
            table.Append([&](TRecord& r) {
              std::copy(c.ascending[i].begin(), c.ascending[i].end(), r.MutableFieldValue(field));
            });
            if (i == c.ascending.size() / 2) table.Append([](TRecord&) {});
          }
          std::vector<Bytes> expected = c.ascending;
          expected.insert(expected.begin(), Bytes{});  // null sorts first
          if (descending) std::reverse(expected.begin(), expected.end());
          EXPECT_EQ(table.Sort(path, {descending ? -1 : 0}), static_cast<int32_t>(expected.size()));
          EXPECT_EQ(table.Column(0), expected);
        }
}

TEST_F(RecordSortTest, CzechStringsFollowTheCzechAlphabet) {
  std::vector<std::string> words;
  for (const char* word : testing::kCzechWordsInOrder) words.push_back(platform::Utf8ToCodePage(word, 1250));
  std::vector<std::string> shuffled = words;
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
  int tableNumber = 0;
  for (TPath path : {TPath::InMemory, TPath::Runs})
    for (bool descending : {false, true}) {
      SortTable table(dir, "CZ" + std::to_string(++tableNumber) + ".DAT",
                      testing::FieldList({TFieldDefinition::Make("Slovo", TFieldType::String, 30)}), kCzech);
      for (const std::string& word : shuffled) table.Append([&](TRecord& r) { SetString(r, table.Field(0), word); });
      table.Sort(path, {descending ? -1 : 0});
      std::vector<std::string> expected = words;
      if (descending) std::reverse(expected.begin(), expected.end());
      EXPECT_EQ(table.Strings(0), expected) << "runs " << (path == TPath::Runs) << " descending " << descending;
    }
}

TEST_F(RecordSortTest, EqualKeysKeepTheirIdentityOrder) {
  for (uint16_t language : {uint16_t{0}, kCzech})
    for (TPath path : {TPath::InMemory, TPath::Runs}) {
      SortTable table(dir, "EQ" + std::to_string(language) + std::to_string(path == TPath::Runs) + ".DAT",
                      testing::FieldList({TFieldDefinition::Make("V", TFieldType::Integer)}), language);
      for (int32_t value : {1, 0, 1, 0, 1, 0}) table.Append([&](TRecord& r) { SetInteger(r, table.Field(0), value); });
      table.Sort(path, {-1});
      EXPECT_EQ(table.Integers(0), (std::vector<int32_t>{1, 1, 1, 0, 0, 0}));
      EXPECT_EQ(table.Identities(), (std::vector<int32_t>{1, 3, 5, 2, 4, 6}));
    }
}

TEST_F(RecordSortTest, CaseInsensitiveSortTreatsLetterCasesAlike) {
  for (uint16_t language : {uint16_t{0}, kCzech}) {
    SortTable table(dir, "CI" + std::to_string(language) + ".DAT",
                    testing::FieldList({TFieldDefinition::Make("S", TFieldType::String, 5)}), language);
    for (const char* text : {"b", "A", "a", "B"}) table.Append([&](TRecord& r) { SetString(r, table.Field(0), text); });
    table.Sort(TPath::InMemory, {0}, TSortMode::Plain, {}, /*caseInsensitive=*/true);
    EXPECT_EQ(table.Strings(0), (std::vector<std::string>{"A", "a", "b", "B"})) << language;
  }
}

TEST_F(RecordSortTest, DescendingIntegersWithoutLanguagePutNullLast) {
  SortTable table(dir, "D.DAT", testing::FieldList({TFieldDefinition::Make("V", TFieldType::Integer)}));
  table.Append([](TRecord&) {});
  table.Append([&](TRecord& r) { SetInteger(r, table.Field(0), 2); });
  table.Append([&](TRecord& r) { SetInteger(r, table.Field(0), 3); });
  table.Sort(TPath::InMemory, {-1});
  EXPECT_EQ(table.Integers(0), (std::vector<int32_t>{3, 2, INT_MIN}));
}

TEST_F(RecordSortTest, DeletedSlotsAreDroppedAndTheFileEndsAfterTheRecords) {
  for (TPath path : {TPath::InMemory, TPath::Runs}) {
    SortTable table(dir, std::string("DEL") + (path == TPath::Runs ? "R" : "M") + ".DAT",
                    testing::FieldList({TFieldDefinition::Make("V", TFieldType::Integer)}));
    for (int32_t value : {5, 4, 3, 2, 1}) table.Append([&](TRecord& r) { SetInteger(r, table.Field(0), value); });
    table.Delete(2);
    EXPECT_EQ(table.Sort(path, {0}), 4);
    EXPECT_EQ(table.File.NextRecordNumber(), 5);
    EXPECT_EQ(table.File.FirstFreeRecord(), 0);
    EXPECT_EQ(table.File.GetSize(), table.File.RecordOffset(5));
    EXPECT_EQ(table.Integers(0), (std::vector<int32_t>{1, 2, 3, 5}));
  }
}

TEST_F(RecordSortTest, DistinctKeepsTheFirstRecordOfEachKey) {
  for (TPath path : {TPath::InMemory, TPath::Runs}) {
    SortTable same(dir, std::string("DS") + (path == TPath::Runs ? "R" : "M") + ".DAT",
                   testing::FieldList({TFieldDefinition::Make("V", TFieldType::Integer)}));
    for (int i = 0; i < 40; ++i) same.Append([&](TRecord& r) { SetInteger(r, same.Field(0), 9); });
    EXPECT_EQ(same.Sort(path, {0}, TSortMode::Distinct), 1);
    EXPECT_EQ(same.File.NextRecordNumber(), 2);
    EXPECT_EQ(same.Identities(), (std::vector<int32_t>{1}));

    SortTable pairs(dir, std::string("DP") + (path == TPath::Runs ? "R" : "M") + ".DAT",
                    testing::FieldList({TFieldDefinition::Make("A", TFieldType::Integer),
                                        TFieldDefinition::Make("B", TFieldType::String, 4)}));
    const std::pair<int32_t, const char*> rows[] = {{2, "x"}, {1, "y"}, {2, "x"}, {1, "x"}, {1, "y"}, {2, "y"}};
    for (const auto& [a, b] : rows)
      pairs.Append([&](TRecord& r) {
        SetInteger(r, pairs.Field(0), a);
        SetString(r, pairs.Field(1), b);
      });
    EXPECT_EQ(pairs.Sort(path, {0, 1}, TSortMode::Distinct), 4);
    EXPECT_EQ(pairs.Integers(0), (std::vector<int32_t>{1, 1, 2, 2}));
    EXPECT_EQ(pairs.Strings(1), (std::vector<std::string>{"x", "y", "x", "y"}));
    EXPECT_EQ(pairs.Identities(), (std::vector<int32_t>{4, 2, 1, 6}));
  }
}

// Groups of the key field summing the amount field; groups whose sum is below the threshold go.
class GroupSortTest : public RecordSortTest {
 protected:
  static constexpr int kRecords = 600;

  void Fill(SortTable& table) {
    std::mt19937 random(11);
    for (int i = 0; i < kRecords; ++i) {
      const int32_t key = static_cast<int32_t>(random() % 37), amount = static_cast<int32_t>(random() % 100);
      table.Append([&](TRecord& r) {
        SetInteger(r, table.Field(0), key);
        SetInteger(r, table.Field(1), amount);
      });
      Expected[key] += amount;
    }
  }

  TSortHooks SumHooks(const SortTable& table, int32_t threshold) {
    const TFieldDefinition amount = table.Field(1);
    TSortHooks hooks;
    hooks.Accumulate = [amount](bool first, const TRecord& record, TRecord& group) {
      if (!first) SetInteger(group, amount, IntegerOf(group, amount) + IntegerOf(record, amount));
    };
    hooks.Keep = [amount, threshold](const TRecord& group) { return IntegerOf(group, amount) >= threshold; };
    return hooks;
  }

  std::map<int32_t, int32_t> Expected;
};

TEST_F(GroupSortTest, GroupsFoldEqualKeysAndKeepOnlyAcceptedGroups) {
  int tableNumber = 0;
  for (TPath path : {TPath::InMemory, TPath::Runs})
    for (int32_t threshold : {0, 1500, INT_MAX}) {
      SCOPED_TRACE(::testing::Message() << "runs " << (path == TPath::Runs) << " threshold " << threshold);
      Expected.clear();
      SortTable table(dir, "G" + std::to_string(++tableNumber) + ".DAT",
                      testing::FieldList({TFieldDefinition::Make("Key", TFieldType::Integer),
                                          TFieldDefinition::Make("Amount", TFieldType::Integer)}));
      Fill(table);
      std::vector<int32_t> keys, sums;
      for (const auto& [key, sum] : Expected)
        if (sum >= threshold) keys.push_back(key), sums.push_back(sum);
      EXPECT_EQ(table.Sort(path, {0}, TSortMode::Group, SumHooks(table, threshold)), static_cast<int32_t>(keys.size()));
      EXPECT_EQ(table.Integers(0), keys);
      EXPECT_EQ(table.Integers(1), sums);
      EXPECT_EQ(table.File.NextRecordNumber(), static_cast<int32_t>(keys.size()) + 1);
    }
}

TEST_F(GroupSortTest, FinishSeesEachClosedGroupOnce) {
  SortTable table(dir, "GF.DAT",
                  testing::FieldList({TFieldDefinition::Make("Key", TFieldType::Integer),
                                      TFieldDefinition::Make("Amount", TFieldType::Integer)}));
  Fill(table);
  TSortHooks hooks = SumHooks(table, 0);
  std::vector<int32_t> finished;
  const TFieldDefinition key = table.Field(0);
  hooks.Finish = [&](TRecord& group) { finished.push_back(IntegerOf(group, key)); };
  table.Sort(TPath::Runs, {0}, TSortMode::Group, hooks);
  std::vector<int32_t> keys;
  for (const auto& entry : Expected) keys.push_back(entry.first);
  EXPECT_EQ(finished, keys);
}

// A table larger than the tiny memory limit gives the same records in memory and through runs.
TEST_F(RecordSortTest, InMemoryAndRunSortsAgree) {
  const auto fill = [](SortTable& table) {
    std::mt19937 random(5);
    for (int i = 0; i < 3000; ++i) {
      const int32_t number = static_cast<int32_t>(random() % 50);
      const std::string word = testing::kCzechWordsInOrder[random() % 40];
      table.Append([&](TRecord& r) {
        SetString(r, table.Field(0), platform::Utf8ToCodePage(word, 1250));
        if (number % 7 != 0) SetInteger(r, table.Field(1), number);
      });
    }
  };
  const auto fields = testing::FieldList(
      {TFieldDefinition::Make("Slovo", TFieldType::String, 20), TFieldDefinition::Make("N", TFieldType::Integer)});
  int tableNumber = 0;
  for (TSortMode mode : {TSortMode::Plain, TSortMode::Distinct, TSortMode::Group}) {
    SortTable inMemory(dir, "A" + std::to_string(++tableNumber) + ".DAT", fields, kCzech);
    SortTable withRuns(dir, "B" + std::to_string(tableNumber) + ".DAT", fields, kCzech);
    fill(inMemory);
    fill(withRuns);
    int accumulations = 0;
    TSortHooks hooks;
    hooks.Accumulate = [&](bool, const TRecord&, TRecord&) { ++accumulations; };
    const int64_t readsBefore = inMemory.File.Records().Statistics().Reads;
    inMemory.Sort(TPath::InMemory, {0, -2}, mode, hooks);
    EXPECT_EQ(inMemory.File.Records().Statistics().Reads, readsBefore) << "the in-memory sort reads nothing";
    withRuns.Sort(TPath::Runs, {0, -2}, mode, hooks);
    EXPECT_EQ(inMemory.Records(), withRuns.Records()) << int(mode);
    EXPECT_EQ(TmpFileCount(dir), 0);
  }
}

TEST_F(RecordSortTest, RunFilesExistDuringTheMergeAndAreGoneAfterwards) {
  SortTable table(dir, "R.DAT", testing::FieldList({TFieldDefinition::Make("V", TFieldType::Integer)}));
  for (int i = 0; i < 500; ++i) table.Append([&](TRecord& r) { SetInteger(r, table.Field(0), (i * 37) % 101); });
  int mostRunFiles = 0;
  TSortHooks hooks;
  hooks.Accumulate = [&](bool, const TRecord&, TRecord&) { mostRunFiles = std::max(mostRunFiles, TmpFileCount(dir)); };
  table.Sort(TPath::Runs, {0}, TSortMode::Group, hooks);
  EXPECT_GT(mostRunFiles, 1);
  EXPECT_EQ(TmpFileCount(dir), 0);
}

TEST_F(RecordSortTest, RunFilesPassOverFilesOfOtherUsers) {
  const std::string foreign = dir.Write(ThreadNamePrefix() + "0.TMP", "someone else's");
  SortTable table(dir, "F.DAT", testing::FieldList({TFieldDefinition::Make("V", TFieldType::Integer)}));
  for (int i = 0; i < 100; ++i) table.Append([&](TRecord& r) { SetInteger(r, table.Field(0), 100 - i); });
  table.Sort(TPath::Runs, {0});
  EXPECT_EQ(table.Integers(0).front(), 1);
  EXPECT_EQ(TmpFileCount(dir), 1);
  std::ifstream in(foreign);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "someone else's");
}

TEST_F(RecordSortTest, AFailingHookRemovesTheRunFiles) {
  SortTable table(dir, "H.DAT", testing::FieldList({TFieldDefinition::Make("V", TFieldType::Integer)}));
  for (int i = 0; i < 200; ++i) table.Append([&](TRecord& r) { SetInteger(r, table.Field(0), i % 13); });
  TSortHooks hooks;
  hooks.Keep = [](const TRecord&) -> bool { RaiseEngineError(err::RecordBuffersCorrupt, "H"); };
  EXPECT_EQ(testing::EngineErrorCode([&] { table.Sort(TPath::Runs, {0}, TSortMode::Group, hooks); }),
            err::RecordBuffersCorrupt);
  EXPECT_EQ(TmpFileCount(dir), 0);
}

TEST_F(RecordSortTest, SortFieldsOutsideTheRecordAreRefused) {
  SortTable table(dir, "O.DAT", testing::FieldList({TFieldDefinition::Make("V", TFieldType::Integer)}));
  table.Append([&](TRecord& r) { SetInteger(r, table.Field(0), 1); });
  TSortRequest request;
  TFieldDefinition wide = TFieldDefinition::Make("W", TFieldType::String, 200);
  wide.SetOffset(table.Field(0).Offset());
  request.Fields.Add(wide);
  EXPECT_EQ(testing::EngineErrorCode([&] { SortRecords(table.File, request); }), err::RecordBuffersCorrupt);
  EXPECT_EQ(table.Integers(0), (std::vector<int32_t>{1}));
}

TEST_F(RecordSortTest, InMemoryTablesSortThroughInMemoryRunFiles) {
  TDataFile file(testing::UniqueTableName("SORTMEM"), true);
  file.Create({}, testing::FieldList({TFieldDefinition::Make("V", TFieldType::Integer)}));
  for (int i = 0; i < 200; ++i) {
    TRecord* record = file.Records().NewRecord();
    SetInteger(*record, file.Field(0), 200 - i);
    file.Records().ReleaseRecord(record);
  }
  file.Records().WriteModified(false);
  file.Records().Empty();
  TSortRequest request;
  request.Fields.Add(file.Field(0));
  request.Limits = kTinyLimits;
  int runFiles = 0;
  request.Mode = TSortMode::Group;
  request.Hooks.Accumulate = [&](bool, const TRecord&, TRecord&) {
    runFiles = 0;
    for (int n = 0; n < 100; ++n)
      runFiles += TFileHandler(ThreadNamePrefix() + std::to_string(n) + ".TMP", true).Exists();
  };
  EXPECT_EQ(SortRecords(file, request), 200);
  EXPECT_GT(runFiles, 1);
  for (int n = 0; n < 100; ++n)
    EXPECT_FALSE(TFileHandler(ThreadNamePrefix() + std::to_string(n) + ".TMP", true).Exists());
  TRecord* first = file.Records().GetRecord(1);
  EXPECT_EQ(IntegerOf(*first, file.Field(0)), 1);
  file.Records().ReleaseRecord(first);
  file.Close();
}

// Passes every call to the operating system, failing writes while asked to.
class FailingWrites : public platform::FileSystem {
 public:
  int writeError = 0;
  int WriteAt(int fd, const void* buffer, size_t count, int64_t offset, size_t& done) override {
    if (writeError) return done = 0, writeError;
    return FileSystem::WriteAt(fd, buffer, count, offset, done);
  }
};

TEST_F(RecordSortTest, AFailingRunWriteLeavesTheRecordsAsTheyWere) {
  FailingWrites faults;
  SortTable table(dir, "W.DAT", testing::FieldList({TFieldDefinition::Make("V", TFieldType::Integer)}));
  for (int i = 0; i < 300; ++i) table.Append([&](TRecord& r) { SetInteger(r, table.Field(0), 300 - i); });
  table.File.Records().WriteModified(false);
  const std::vector<Bytes> before = table.Records();
  platform::SetFileSystem(&faults);
  faults.writeError = ENOSPC;
  EXPECT_NE(testing::EngineErrorCode([&] { table.Sort(TPath::Runs, {0}); }), 0);
  faults.writeError = 0;
  platform::SetFileSystem(nullptr);
  EXPECT_EQ(TmpFileCount(dir), 0);
  EXPECT_EQ(table.File.NextRecordNumber(), 301);
  table.File.Records().Empty();
  EXPECT_EQ(table.Records(), before);
}

}  // namespace
}  // namespace sklad
