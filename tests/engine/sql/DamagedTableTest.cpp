// Reads and writes through damaged tables. Copies of an undamaged table get seeded damage — flipped
// bytes, swapped records, pages or blocks, a truncated file — in the data, the index or the BLOB
// file. Every read must then fail with an engine error or return only rows the table holds that
// satisfy its condition; every write must fail or leave unchanged each row its condition does not
// select; and no write may succeed on files visibly shorter than their headers say. The files are
// read byte by byte beside the engine, which is what "the rows the table holds" means here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "LiveCatalogue.h"
#include "engine/cursor/DataCursor.h"
#include "engine/sql/SqlStatement.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/core/LittleEndian.h"
#include "tests/support/Iterations.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {
namespace {

enum DamagedField { kId = 1, kSection, kNumber, kLabel, kMemo };
constexpr int kRows = 240;
constexpr int64_t kDataHeaderSize = 127, kDefinitionSize = 768, kPageSize = 4096, kBlobHeaderSize = 512;
constexpr int64_t kBlockSize = 512, kBlockHeaderSize = 18;

// Table t: id (primary key), r (section, two characters), n, name (case-insensitive index), memo.
TTableDefinition DamagedTableDefinition(uint16_t language) {
  TTableDefinition definition;
  definition.Properties.Language = language;
  definition.Fields.Add(TFieldDefinition::Make("id", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("r", TFieldType::String, 2));
  definition.Fields.Add(TFieldDefinition::Make("n", TFieldType::Integer));
  definition.Fields.Add(TFieldDefinition::Make("name", TFieldType::String, 20));
  definition.Fields.Add(TFieldDefinition::Make("popis", TFieldType::Blob, 0, subtype::Memo));
  definition.Primary.SetFieldNumber(0, kId);
  for (auto [name, field] : {std::pair{"ByR", kSection}, std::pair{"ByN", kNumber}, std::pair{"ByName", kLabel}}) {
    TIndexDefinition index;
    index.SetName(name);
    index.SetFieldNumber(0, static_cast<uint16_t>(field));
    index.SetCaseInsensitive(field == kLabel);
    definition.Secondary.Add(index);
  }
  return definition;
}

std::string MemoOf(int i) {
  if (i % 4 == 0) return {};
  std::string memo;
  while (memo.size() < static_cast<size_t>(20 + i * 37 % 1400)) memo += "memo " + std::to_string(i) + " text ";
  return memo;
}

void FillTable(TDataDirectory& directory, uint16_t language) {
  directory.CloseTable(directory.CreateTable("t", false, DamagedTableDefinition(language)));
  TDataCursor cursor(directory);
  cursor.SetTableName("t");
  cursor.Open();
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  for (int i = 1; i <= kRows; ++i) {
    cursor.InitRecord(record.data());
    uint8_t number[4];
    StoreLE(number, int32_t{i});
    cursor.PutField(kId, record.data(), number);
    const std::string section = std::to_string(i * 7 % 9 + 1);
    cursor.PutField(kSection, record.data(), reinterpret_cast<const uint8_t*>(section.c_str()));
    StoreLE(number, int32_t{i * 37 % 200});
    cursor.PutField(kNumber, record.data(), number);
    const std::string name = (i % 3 ? "Item " : "item ") + std::to_string(i);
    cursor.PutField(kLabel, record.data(), reinterpret_cast<const uint8_t*>(name.c_str()));
    const std::string memo = MemoOf(i);
    if (!memo.empty()) {
      cursor.OpenBlob(kMemo, record.data(), 0, TDataCursor::kBlobWrite);
      cursor.WriteBlob(kMemo, record.data(), static_cast<int32_t>(memo.size()),
                       reinterpret_cast<const uint8_t*>(memo.data()), 0);
    }
    cursor.InsertRecord(record.data(), false);
    if (!memo.empty()) cursor.CloseBlob(kMemo, record.data(), 0);
  }
}

// ---- The files read beside the engine ----

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(bytes.data()),
                                                                 static_cast<std::streamsize>(bytes.size()));
}

uint32_t Load32(const std::vector<uint8_t>& bytes, int64_t at) {
  return at >= 0 && at + 4 <= static_cast<int64_t>(bytes.size()) ? LoadLE<uint32_t>(&bytes[static_cast<size_t>(at)])
                                                                  : 0;
}

// A string value as the engine reads it: null when its flag byte is 0, else the characters up to
// the first zero byte within its stored size. Clean when every character is a letter, a digit or a
// space, so that any collation compares it as its bytes.
struct Text {
  bool Null = true;
  std::string Value;
  bool Clean = true;
  bool operator==(const Text&) const = default;
};

Text TextAt(const uint8_t* field, int storedSize) {
  Text text;
  text.Null = field[0] == 0;
  if (text.Null) return text;
  const uint8_t* bytes = field + 1;
  const int length = static_cast<int>(std::find(bytes, bytes + storedSize, 0) - bytes);
  text.Value.assign(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
  text.Clean = std::ranges::all_of(
      text.Value, [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == ' '; });
  return text;
}

struct Row {
  std::optional<int32_t> Id, Number;
  Text Section, Label;
  // The memo's bytes; unknown when its chain cannot be read.
  std::optional<Text> Memo;
  bool operator==(const Row&) const = default;
};

// Where the fields lie in a record, taken from the undamaged table.
struct Layout {
  int RecordSize = 0;
  int64_t RecordsAt = 0;
  int Offset[kMemo + 1] = {};
  int StoredSize[kMemo + 1] = {};
};

class RawTable {
 public:
  RawTable(const std::filesystem::path& folder, const Layout& layout)
      : FLayout(layout), FData(ReadFile(folder / "t.DAT")), FIndex(ReadFile(folder / "t.IDX")),
        FBlob(ReadFile(folder / "t.BLB")) {}

  int32_t Slots() const {
    const int64_t bytes = static_cast<int64_t>(FData.size()) - FLayout.RecordsAt;
    return bytes > 0 ? static_cast<int32_t>(bytes / FLayout.RecordSize) : 0;
  }
  const uint8_t* Record(int32_t slot) const {
    return &FData[static_cast<size_t>(FLayout.RecordsAt + int64_t{slot} * FLayout.RecordSize)];
  }
  bool Active(int32_t slot) const { return Record(slot)[0] == 0; }
  std::vector<uint8_t> Bytes(int32_t slot) const { return {Record(slot), Record(slot) + FLayout.RecordSize}; }

  Row RowAt(int32_t slot) const {
    const uint8_t* record = Record(slot);
    Row row;
    auto integer = [&](int field) -> std::optional<int32_t> {
      const uint8_t* at = record + FLayout.Offset[field];
      return at[0] == 0 ? std::nullopt : std::optional(LoadLE<int32_t>(at + 1));
    };
    row.Id = integer(kId);
    row.Number = integer(kNumber);
    row.Section = TextAt(record + FLayout.Offset[kSection], FLayout.StoredSize[kSection]);
    row.Label = TextAt(record + FLayout.Offset[kLabel], FLayout.StoredSize[kLabel]);
    row.Memo = Memo(record + FLayout.Offset[kMemo]);
    return row;
  }

  // Files whose sizes visibly disagree with their headers: a data file that does not hold the
  // whole records its header announces, an index or BLOB file shorter than its next page or block.
  bool VisiblyInconsistent() const {
    const int64_t records = static_cast<int64_t>(FData.size()) - FLayout.RecordsAt;
    const int64_t announced = int64_t{static_cast<int32_t>(Load32(FData, 13))} - 1;
    if (records < 0 || records % FLayout.RecordSize != 0 || records / FLayout.RecordSize < announced) return true;
    return Load32(FIndex, 9) > FIndex.size() || Load32(FBlob, 13) > FBlob.size();
  }

 private:
  // The memo walked as the engine walks a chain; unknown where the engine would fail.
  std::optional<Text> Memo(const uint8_t* field) const {
    Text memo;
    memo.Null = field[0] == 0;
    if (memo.Null) return memo;
    const uint32_t first = LoadLE<uint32_t>(field + 1);
    const uint32_t blobId = LoadLE<uint32_t>(field + 5);
    memo.Null = first == 0;
    if (memo.Null) return memo;
    const uint32_t next = Load32(FBlob, 13);
    auto isBlock = [&](uint32_t offset) {
      return offset >= kBlobHeaderSize && offset < next && (offset - kBlobHeaderSize) % kBlockSize == 0 &&
             offset + kBlockSize <= FBlob.size();
    };
    const uint64_t perBlock = kBlockSize - kBlockHeaderSize;
    const uint64_t capacity = next >= kBlobHeaderSize ? (next - kBlobHeaderSize) / kBlockSize * perBlock : 0;
    if (!isBlock(first) || Load32(FBlob, first + 10) != blobId) return std::nullopt;
    const uint32_t total = Load32(FBlob, first + 14);
    if (total > capacity) return std::nullopt;
    const uint64_t limit = std::max<uint64_t>(1, (total + perBlock - 1) / perBlock);
    std::set<uint32_t> visited{first};
    for (uint32_t block = first, walked = 1;; ++walked) {
      const uint32_t used = FBlob[block + 8] | (FBlob[block + 9] << 8);
      const size_t take = std::min<size_t>({perBlock, total - memo.Value.size(), used});
      memo.Value.append(reinterpret_cast<const char*>(&FBlob[block + kBlockHeaderSize]), take);
      const uint32_t following = Load32(FBlob, block + 4);
      if (memo.Value.size() == total || following == 0) break;
      if (walked == limit || !isBlock(following) || !visited.insert(following).second ||
          Load32(FBlob, following + 10) != blobId)
        return std::nullopt;
      block = following;
    }
    if (memo.Value.size() != total) return std::nullopt;
    // An empty value reads as null, as through the engine.
    memo.Null = memo.Value.empty();
    memo.Clean = std::ranges::all_of(memo.Value, [](char c) { return c >= ' ' && c < 127; });
    return memo;
  }

  const Layout& FLayout;
  std::vector<uint8_t> FData, FIndex, FBlob;
};

// ---- Conditions as the engine decides them, and what the test cannot decide ----

enum class Verdict { False, True, Unknown };

Verdict Of(bool value) { return value ? Verdict::True : Verdict::False; }
Verdict And(Verdict a, Verdict b) {
  if (a == Verdict::False || b == Verdict::False) return Verdict::False;
  return a == Verdict::True && b == Verdict::True ? Verdict::True : Verdict::Unknown;
}
Verdict Or(Verdict a, Verdict b) {
  if (a == Verdict::True || b == Verdict::True) return Verdict::True;
  return a == Verdict::False && b == Verdict::False ? Verdict::False : Verdict::Unknown;
}
Verdict Not(Verdict a) { return a == Verdict::Unknown ? a : Of(a == Verdict::False); }

// = never holds with a null side.
Verdict TextIs(const Text& text, const std::string& value) {
  if (text.Null) return Verdict::False;
  return text.Clean ? Of(text.Value == value) : Verdict::Unknown;
}
Verdict SectionIn(const Row& row, std::initializer_list<const char*> values) {
  Verdict verdict = Verdict::False;
  for (const char* value : values) verdict = Or(verdict, TextIs(row.Section, value));
  return verdict;
}
Verdict NumberIn(const Row& row, int32_t low, int32_t high) {
  return row.Number ? Of(*row.Number >= low && *row.Number <= high) : Verdict::False;
}
Verdict UpperLabelIs(const Row& row, const std::string& value) {
  Text upper = row.Label;
  for (char& c : upper.Value) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return TextIs(upper, value);
}
Verdict MemoContains(const Row& row, const std::string& part) {
  if (!row.Memo) return Verdict::Unknown;
  if (row.Memo->Null) return Verdict::False;
  return row.Memo->Clean ? Of(row.Memo->Value.find(part) != std::string::npos) : Verdict::Unknown;
}

struct Statement {
  std::string Sql;
  std::function<Verdict(const Row&)> Selects;
};

constexpr int32_t kMax = INT32_MAX, kMin = INT32_MIN;

const std::vector<Statement>& Reads() {
  static const std::vector<Statement> reads = {
      {"SELECT id, r, n, name FROM t WHERE r = '4'", [](const Row& r) { return SectionIn(r, {"4"}); }},
      {"SELECT id, r, n, name FROM t WHERE r IN ('2', '7', '9')",
       [](const Row& r) { return SectionIn(r, {"2", "7", "9"}); }},
      {"SELECT id, r, n, name FROM t WHERE n BETWEEN 40 AND 90", [](const Row& r) { return NumberIn(r, 40, 90); }},
      {"SELECT id, r, n, name FROM t WHERE n >= 30", [](const Row& r) { return NumberIn(r, 30, kMax); }},
      {"SELECT id, r, n, name FROM t WHERE r = '3' AND n < 100",
       [](const Row& r) { return And(SectionIn(r, {"3"}), NumberIn(r, kMin, 99)); }},
      {"SELECT id, r, n, name FROM t WHERE r = '5' OR n = 17",
       [](const Row& r) { return Or(SectionIn(r, {"5"}), NumberIn(r, 17, 17)); }},
      {"SELECT id, r, n, name FROM t WHERE NOT (r = '1')", [](const Row& r) { return Not(SectionIn(r, {"1"})); }},
      {"SELECT id, r, n, name FROM t WHERE UPPER(name) = 'ITEM 17'",
       [](const Row& r) { return UpperLabelIs(r, "ITEM 17"); }},
      {"SELECT id, r, n, name FROM t WHERE r = '6' ORDER BY n", [](const Row& r) { return SectionIn(r, {"6"}); }},
      {"SELECT id, r, n, name FROM t WHERE id = 33",
       [](const Row& r) { return r.Id ? Of(*r.Id == 33) : Verdict::False; }},
      {"SELECT id, r, n, name FROM t WHERE id BETWEEN 10 AND 60 ORDER BY id",
       [](const Row& r) { return r.Id ? Of(*r.Id >= 10 && *r.Id <= 60) : Verdict::False; }},
      {"SELECT id, r, n, name FROM t WHERE r = '2' ORDER BY r", [](const Row& r) { return SectionIn(r, {"2"}); }},
      {"SELECT id, r, n, name, popis FROM t WHERE r = '8' AND popis LIKE '%memo 1%'",
       [](const Row& r) { return And(SectionIn(r, {"8"}), MemoContains(r, "memo 1")); }},
  };
  return reads;
}

// Run one after another on the same copy; an INSERT selects no row that was there before.
const std::vector<Statement>& Writes() {
  static const std::vector<Statement> writes = {
      {"UPDATE t SET name = 'changed', n = n + 1000 WHERE r = '4'", [](const Row& r) { return SectionIn(r, {"4"}); }},
      {"DELETE FROM t WHERE n BETWEEN 20 AND 60", [](const Row& r) { return NumberIn(r, 20, 60); }},
      {"UPDATE t SET popis = 'a new memo of the row' WHERE r IN ('2', '7')",
       [](const Row& r) { return SectionIn(r, {"2", "7"}); }},
      {"DELETE FROM t WHERE r = '5'", [](const Row& r) { return SectionIn(r, {"5"}); }},
      {"INSERT INTO t (id, r, n, name, popis) VALUES (5000, '3', 77, 'inserted', 'memo of an inserted row')",
       [](const Row&) { return Verdict::False; }},
      {"UPDATE t SET r = '9' WHERE UPPER(name) = 'ITEM 17'", [](const Row& r) { return UpperLabelIs(r, "ITEM 17"); }},
      {"UPDATE t SET popis = NULL WHERE n < 30", [](const Row& r) { return NumberIn(r, kMin, 29); }},
  };
  return writes;
}

// ---- Damage ----

enum class DamageKind { Flip, Swap, Truncate };

// Damages a file whose header of headerSize bytes is followed by units (records, pages, blocks).
void DamageFile(const std::filesystem::path& path, DamageKind kind, int64_t headerSize, int64_t unit,
                std::mt19937& random) {
  std::vector<uint8_t> bytes = ReadFile(path);
  const int64_t size = static_cast<int64_t>(bytes.size());
  auto pick = [&](int64_t low, int64_t high) { return std::uniform_int_distribution<int64_t>(low, high)(random); };
  if (size <= headerSize + unit) return;
  switch (kind) {
    case DamageKind::Flip:
      for (int64_t flips = pick(1, 6); flips > 0; --flips) {
        // Now and then the header too.
        const int64_t at = pick(pick(0, 7) == 0 ? 0 : headerSize, size - 1);
        bytes[static_cast<size_t>(at)] ^= static_cast<uint8_t>(pick(1, 255));
      }
      break;
    case DamageKind::Swap: {
      // Two units, wholly or a stretch of their bytes at the same place.
      const int64_t units = (size - headerSize) / unit;
      const int64_t a = headerSize + pick(0, units - 1) * unit, b = headerSize + pick(0, units - 1) * unit;
      const int64_t from = pick(0, 1) ? 0 : pick(0, unit - 1);
      const int64_t length = from == 0 ? unit : pick(1, unit - from);
      std::swap_ranges(bytes.begin() + a + from, bytes.begin() + a + from + length, bytes.begin() + b + from);
      break;
    }
    case DamageKind::Truncate:
      bytes.resize(static_cast<size_t>(pick(headerSize, size - 1)));
      break;
  }
  WriteFile(path, bytes);
}

struct Figures {
  int Tables = 0, Reads = 0, ReadsFailed = 0, WrongReads = 0, Writes = 0, WritesFailed = 0, WrongWrites = 0;
};

class DamagedTableTest : public ::testing::TestWithParam<uint16_t> {
 protected:
  void SetUp() override {
    FOriginal = FSession.OpenDirectory("", FTemp.Path().string());
    FillTable(*FOriginal, GetParam());
    TDataCursor cursor(*FOriginal);
    cursor.SetTableName("t");
    cursor.Open();
    FLayout.RecordSize = cursor.RecordSize();
    FLayout.RecordsAt = kDataHeaderSize + kDefinitionSize * cursor.TableFieldCount();
    for (int field = kId; field <= kMemo; ++field) {
      FLayout.Offset[field] = cursor.TableField(field).Offset();
      FLayout.StoredSize[field] = cursor.TableField(field).StoredSize();
    }
  }

  std::filesystem::path CopyOriginal(const std::string& name) {
    const std::filesystem::path folder = FWork.Path() / name;
    std::filesystem::create_directories(folder);
    for (const std::string file : {"t.DAT", "t.IDX", "t.BLB"})
      std::filesystem::copy_file(FTemp.Path() / file, folder / file);
    return folder;
  }

  // One read: every row it returns must be one the files hold, and satisfy the condition.
  void Read(TDataDirectory& directory, const std::vector<Row>& held, const Statement& read) {
    ++FFigures.Reads;
    std::vector<Row> rows;
    try {
      rows = ResultRows(directory, read.Sql);
    } catch (const ESkladEngineError&) {
      ++FFigures.ReadsFailed;
      return;
    }
    for (const Row& row : rows) {
      const bool heldRow = std::ranges::any_of(held, [&](const Row& h) {
        return h.Id == row.Id && h.Number == row.Number && h.Section == row.Section && h.Label == row.Label &&
               (!row.Memo || !h.Memo || h.Memo == row.Memo);
      });
      if (!heldRow || read.Selects(row) == Verdict::False) {
        ++FFigures.WrongReads;
        ADD_FAILURE() << read.Sql << ": row id " << (row.Id ? std::to_string(*row.Id) : "NULL") << " r '"
                      << row.Section.Value << "' n " << (row.Number ? std::to_string(*row.Number) : "NULL")
                      << (heldRow ? " does not satisfy the condition" : " is no row of the table");
        return;
      }
    }
  }

  // One write: the rows its condition does not select keep their bytes and memos, whether it
  // succeeds or fails; it must fail on visibly inconsistent files.
  void Write(TDataDirectory& directory, const std::filesystem::path& folder, const Statement& write) {
    ++FFigures.Writes;
    const RawTable before(folder, FLayout);
    bool failed = false;
    try {
      TSqlStatement(directory, write.Sql).Execute();
    } catch (const ESkladEngineError&) {
      failed = true;
      ++FFigures.WritesFailed;
    }
    const RawTable after(folder, FLayout);
    std::string wrong;
    if (!failed && before.VisiblyInconsistent()) wrong = "succeeded on files shorter than their headers say";
    for (int32_t slot = 0; slot < before.Slots() && wrong.empty(); ++slot) {
      if (!before.Active(slot)) continue;
      const Row row = before.RowAt(slot);
      if (write.Selects(row) != Verdict::False) continue;
      if (slot >= after.Slots() || !after.Active(slot) || after.Bytes(slot) != before.Bytes(slot)) {
        wrong = "changed record " + std::to_string(slot + 1) + ", which its condition does not select";
      } else if (row.Memo && after.RowAt(slot).Memo != row.Memo) {
        wrong = "changed the memo of record " + std::to_string(slot + 1) + ", which its condition does not select";
      }
    }
    if (!wrong.empty()) {
      ++FFigures.WrongWrites;
      ADD_FAILURE() << write.Sql << (failed ? " (failed) " : " ") << wrong;
    }
  }

  static std::vector<Row> ResultRows(TDataDirectory& directory, const std::string& sql) {
    TSqlStatement statement(directory, sql);
    TDataCursor* result = statement.Execute();
    std::vector<Row> rows;
    std::vector<uint8_t> record(static_cast<size_t>(result->RecordSize()));
    result->First();
    while (result->ReadNext(record.data()) == cursor_status::Ok) {
      Row row;
      uint8_t value[32] = {};
      auto integer = [&](int field) -> std::optional<int32_t> {
        return result->GetField(field, record.data(), value) ? std::nullopt : std::optional(LoadLE<int32_t>(value));
      };
      auto text = [&](int field) {
        std::vector<uint8_t> bytes(static_cast<size_t>(result->GetFieldDefinition(field).StoredSize()) + 1, 1);
        bytes[0] = result->GetField(field, record.data(), bytes.data() + 1) ? 0 : 1;
        return TextAt(bytes.data(), result->GetFieldDefinition(field).StoredSize());
      };
      row.Id = integer(1);
      row.Section = text(2);
      row.Number = integer(3);
      row.Label = text(4);
      if (result->FieldCount() >= 5) row.Memo = MemoText(*result, record);
      rows.push_back(row);
    }
    return rows;
  }

  static Text MemoText(TDataCursor& result, std::vector<uint8_t> record) {
    Text memo;
    memo.Null = result.GetField(5, record.data(), nullptr);
    if (memo.Null) return memo;
    if (const int code = result.OpenBlob(5, record.data(), 1, TDataCursor::kBlobRead); code != 0)
      RaiseEngineError(static_cast<uint16_t>(code), "t");
    int32_t length = 0, count = 0;
    result.GetBlobSize(5, record.data(), length);
    memo.Value.assign(static_cast<size_t>(length), '\0');
    result.ReadBlob(5, record.data(), count, length, reinterpret_cast<uint8_t*>(memo.Value.data()), 0);
    result.CloseBlob(5, record.data(), 1);
    memo.Null = length == 0;
    memo.Clean = std::ranges::all_of(memo.Value, [](char c) { return c >= ' ' && c < 127; });
    return memo;
  }

  void RunOn(const std::filesystem::path& folder) {
    TDataDirectory* directory = FSession.OpenDirectory("", folder.string());
    const RawTable raw(folder, FLayout);
    std::vector<Row> held;
    for (int32_t slot = 0; slot < raw.Slots(); ++slot)
      if (raw.Active(slot)) held.push_back(raw.RowAt(slot));
    for (const Statement& read : Reads()) Read(*directory, held, read);
    for (const Statement& write : Writes()) Write(*directory, folder, write);
    FSession.CloseDirectory(directory);
  }

  TempDir FTemp, FWork;
  TDataSession FSession;
  TDataDirectory* FOriginal = nullptr;
  Layout FLayout;
  Figures FFigures;
};

TEST_P(DamagedTableTest, ReadsAndWritesNeverGiveAWrongAnswer) {
  // The undamaged table: every read and write goes through.
  RunOn(CopyOriginal("whole"));
  EXPECT_EQ(FFigures.ReadsFailed, 0);
  EXPECT_EQ(FFigures.WritesFailed, 0);
  FFigures = {};

  const int tables = Iterations(60, 1500);
  for (int seed = 0; seed < tables; ++seed) {
    std::mt19937 random(static_cast<unsigned>(seed) * 7919u + GetParam());
    const auto kind = static_cast<DamageKind>(seed / 3 % 3);
    const std::filesystem::path folder = CopyOriginal("seed" + std::to_string(seed));
    switch (seed % 3) {
      case 0: DamageFile(folder / "t.DAT", kind, FLayout.RecordsAt, FLayout.RecordSize, random); break;
      case 1: DamageFile(folder / "t.IDX", kind, kPageSize, kPageSize, random); break;
      default: DamageFile(folder / "t.BLB", kind, kBlobHeaderSize, kBlockSize, random); break;
    }
    SCOPED_TRACE("seed " + std::to_string(seed));
    ++FFigures.Tables;
    RunOn(folder);
    std::filesystem::remove_all(folder);
  }
  std::cout << "language " << GetParam() << ": " << FFigures.Tables << " damaged tables, " << FFigures.Reads
            << " reads (" << FFigures.ReadsFailed << " failed, " << FFigures.WrongReads << " wrong), "
            << FFigures.Writes << " writes (" << FFigures.WritesFailed << " failed, " << FFigures.WrongWrites
            << " wrong)\n";
  EXPECT_EQ(FFigures.WrongReads, 0);
  EXPECT_EQ(FFigures.WrongWrites, 0);
}

// The damage the issue measured, and the kinds behind it: each statement that meets it fails with
// the error of the file at fault, and the files stay as they were.
TEST_P(DamagedTableTest, KnownDamageFailsTheStatement) {
  const auto slotOf = [&](const std::filesystem::path& folder, const char* section) {
    const RawTable raw(folder, FLayout);
    for (int32_t slot = 0; slot < raw.Slots(); ++slot)
      if (raw.RowAt(slot).Section.Value == section) return slot;
    return -1;
  };
  // Swaps bytes from..from+length of the records of two sections' first rows.
  const auto swapRecords = [&](const std::filesystem::path& folder, const char* a, const char* b, int from,
                               int length) {
    const int32_t first = slotOf(folder, a), second = slotOf(folder, b);
    std::vector<uint8_t> data = ReadFile(folder / "t.DAT");
    const auto at = [&](int32_t slot) {
      return data.begin() + FLayout.RecordsAt + int64_t{slot} * FLayout.RecordSize + from;
    };
    std::swap_ranges(at(first), at(first) + length, at(second));
    WriteFile(folder / "t.DAT", data);
  };
  // The record's state byte says deleted, while the record-state index holds it as live.
  const auto markDeleted = [&](const std::filesystem::path& folder, int32_t slot) {
    std::vector<uint8_t> data = ReadFile(folder / "t.DAT");
    data[static_cast<size_t>(FLayout.RecordsAt + int64_t{slot} * FLayout.RecordSize)] = 1;
    WriteFile(folder / "t.DAT", data);
  };
  struct Case {
    std::string Name;
    std::function<void(const std::filesystem::path&)> Damage;
    std::string Sql;
    uint16_t Code;
  };
  const int sectionAt = FLayout.Offset[kSection], sectionBytes = FLayout.StoredSize[kSection] + 1;
  const std::vector<Case> cases = {
      {"sections swapped", [&](const auto& f) { swapRecords(f, "3", "6", sectionAt, sectionBytes); },
       "SELECT id, r, n, name FROM t WHERE r = '3'", err::IndexBuffersCorrupt},
      {"sections swapped, index order", [&](const auto& f) { swapRecords(f, "3", "6", sectionAt, sectionBytes); },
       "SELECT id, r, n, name FROM t WHERE r = '3' ORDER BY r", err::IndexBuffersCorrupt},
      {"records swapped", [&](const auto& f) { swapRecords(f, "4", "5", 5, FLayout.RecordSize - 5); },
       "DELETE FROM t WHERE r = '4'", err::IndexBuffersCorrupt},
      {"records swapped, update", [&](const auto& f) { swapRecords(f, "4", "5", 5, FLayout.RecordSize - 5); },
       "UPDATE t SET name = 'x' WHERE r = '4'", err::IndexBuffersCorrupt},
      {"live record stored as deleted", [&](const auto& f) { markDeleted(f, 7); }, "SELECT id, r, n, name FROM t",
       err::IndexBuffersCorrupt},
      {"first record stored as deleted, grouped", [&](const auto& f) { markDeleted(f, 0); },
       "SELECT r, COUNT(*) FROM t WHERE n >= 0 GROUP BY r", err::IndexBuffersCorrupt},
      // Reads that do not meet the damage go on.
      {"first record stored as deleted, another section", [&](const auto& f) { markDeleted(f, 0); },
       "SELECT id, r, n, name FROM t WHERE r = '4' ORDER BY n", 0},
      {"BLOB file cut short",
       [&](const auto& f) {
         std::filesystem::resize_file(f / "t.BLB", std::filesystem::file_size(f / "t.BLB") - 3 * kBlockSize);
       },
       "INSERT INTO t (id, r, n, name, popis) VALUES (900, '1', 1, 'x', 'a memo')", err::BlobBuffersCorrupt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    const std::filesystem::path folder = CopyOriginal(c.Name);
    c.Damage(folder);
    const std::vector<uint8_t> data = ReadFile(folder / "t.DAT"), blob = ReadFile(folder / "t.BLB");
    TDataDirectory* directory = FSession.OpenDirectory("", folder.string());
    uint16_t code = 0;
    try {
      if (c.Sql.starts_with("SELECT")) {
        ResultRows(*directory, c.Sql);
      } else {
        TSqlStatement(*directory, c.Sql).Execute();
      }
    } catch (const ESkladEngineError& error) {
      code = error.Code();
    }
    FSession.CloseDirectory(directory);
    EXPECT_EQ(code, c.Code);
    EXPECT_EQ(ReadFile(folder / "t.DAT"), data);
    EXPECT_EQ(ReadFile(folder / "t.BLB"), blob);
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, DamagedTableTest, ::testing::Values(uint16_t{0}, kCzechLanguage),
                         [](const ::testing::TestParamInfo<uint16_t>& info) {
                           return info.param == 0 ? std::string("NoLanguage") : std::string("Czech");
                         });

}  // namespace
}  // namespace sklad::testing
