// Index speed against SQLite: 1,000,000 random string keys inserted into a non-unique string
// index, then 1,000,000 point lookups of those keys; SQLite does the same on an indexed TEXT
// column. Both write ordinary files in a temporary directory (SQLite without syncing, as our
// index file is not flushed either). The shared reporter prints the ratios of processor time.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/storage/data/FieldDefinition.h"
#include "engine/storage/index/IndexFile.h"
#include "engine/storage/index/IndexTree.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/data/RecordLayout.h"
#include "RatioReporter.h"

namespace {

using namespace sklad;

constexpr int kKeyCount = 1000000;
constexpr int kStringSize = 20;

const std::vector<std::string>& RandomKeys() {
  static const std::vector<std::string> keys = [] {
    std::mt19937 random(1);
    std::uniform_int_distribution<int> letter(0, 61);
    const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::vector<std::string> result(kKeyCount);
    for (std::string& key : result) {
      key.resize(16);
      for (char& c : key) c = alphabet[letter(random)];
    }
    return result;
  }();
  return keys;
}

// A fresh temporary directory for the files of one run.
std::string TemporaryPath(const char* name) {
  static const std::filesystem::path directory = [] {
    auto path = std::filesystem::temp_directory_path() / ("sklad_bench_index_" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  std::filesystem::remove(directory / name);
  return (directory / name).string();
}

// A table with one string field indexed by a non-unique secondary index, in memory.
struct TSkladIndex {
  TSkladIndex() {
    fields.Add(TFieldDefinition::Make("Name", TFieldType::String, kStringSize));
    recordSize = static_cast<int>(LayOutRecord(fields));
    file.Create();
    file.AddPrimaryIndex(TIndexDefinition{}, fields);
    TIndexDefinition definition;
    definition.SetName("ByName");
    definition.SetFieldNumber(0, 1);
    slot = file.AddSecondaryIndex(definition, fields);
    layout = TKeyLayout::ForIndex(file.Definition(slot), fields, 0, 0);
  }
  ~TSkladIndex() {
    file.Close();
    file.Delete();
  }
  // The key of record n holding the text.
  void BuildKey(const std::string& text, int32_t identity, uint8_t* key) {
    std::vector<uint8_t> record(static_cast<size_t>(recordSize), 0);
    StoreLE<int32_t>(record.data() + kAutoIncrementAt, identity);
    const int at = fields[0].Offset();
    record[static_cast<size_t>(at)] = 1;
    std::copy(text.begin(), text.end(), record.begin() + at + 1);
    layout.BuildKey(record.data(), key);
  }

  TSystemList<TFieldDefinition> fields;
  int recordSize = 0;
  TIndexFile file{TemporaryPath("BENCH.IDX"), false};
  int slot = 0;
  TKeyLayout layout;
  TBytewiseKeyCollation collation;
};

void InsertAll(TSkladIndex& index, TIndexTree& tree) {
  uint8_t key[kMaxKeyLength];
  const auto& keys = RandomKeys();
  for (int i = 0; i < kKeyCount; ++i) {
    index.BuildKey(keys[static_cast<size_t>(i)], i + 1, key);
    tree.InsertKey(key, static_cast<uint32_t>(i + 1));
  }
}

void BM_SkladInsert(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto index = std::make_unique<TSkladIndex>();
    const TKeyOrder order(index->layout, index->collation);
    TIndexTree tree(index->file, index->slot, order);
    state.ResumeTiming();
    InsertAll(*index, tree);
    index->file.WriteModifiedPages();
    state.PauseTiming();
    index.reset();
    state.ResumeTiming();
  }
}

void BM_SkladLookup(benchmark::State& state) {
  TSkladIndex index;
  const TKeyOrder order(index.layout, index.collation);
  TIndexTree tree(index.file, index.slot, order);
  InsertAll(index, tree);
  index.file.WriteModifiedPages();
  const int valueLength = kStringSize + 2;  // presence byte and the string's slot: no identity
  uint8_t key[kMaxKeyLength];
  const auto& keys = RandomKeys();
  std::mt19937 random(2);
  std::uniform_int_distribution<int> pick(0, kKeyCount - 1);
  for (auto _ : state) {
    int found = 0;
    for (int i = 0; i < kKeyCount; ++i) {
      index.BuildKey(keys[static_cast<size_t>(pick(random))], 0, key);
      found += tree.KeyExists(key, valueLength) ? 1 : 0;
    }
    if (found != kKeyCount) state.SkipWithError("a key was not found");
  }
}

sqlite3* OpenSqlite() {
  sqlite3* db = nullptr;
  sqlite3_open(TemporaryPath("bench.sqlite").c_str(), &db);
  sqlite3_exec(db, "PRAGMA synchronous=OFF; CREATE TABLE t(name TEXT); CREATE INDEX t_name ON t(name);", nullptr,
               nullptr, nullptr);
  return db;
}

void SqliteInsertAll(sqlite3* db) {
  sqlite3_stmt* insert = nullptr;
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_prepare_v2(db, "INSERT INTO t(name) VALUES (?)", -1, &insert, nullptr);
  for (const std::string& key : RandomKeys()) {
    sqlite3_bind_text(insert, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

void BM_SqliteInsert(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    sqlite3* db = OpenSqlite();
    state.ResumeTiming();
    SqliteInsertAll(db);
    state.PauseTiming();
    sqlite3_close(db);
    state.ResumeTiming();
  }
}

void BM_SqliteLookup(benchmark::State& state) {
  sqlite3* db = OpenSqlite();
  SqliteInsertAll(db);
  sqlite3_stmt* select = nullptr;
  sqlite3_prepare_v2(db, "SELECT rowid FROM t WHERE name = ?", -1, &select, nullptr);
  const auto& keys = RandomKeys();
  std::mt19937 random(2);
  std::uniform_int_distribution<int> pick(0, kKeyCount - 1);
  for (auto _ : state) {
    int found = 0;
    for (int i = 0; i < kKeyCount; ++i) {
      const std::string& key = keys[static_cast<size_t>(pick(random))];
      sqlite3_bind_text(select, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
      found += sqlite3_step(select) == SQLITE_ROW ? 1 : 0;
      sqlite3_reset(select);
    }
    if (found != kKeyCount) state.SkipWithError("a key was not found");
  }
  sqlite3_finalize(select);
  sqlite3_close(db);
}

BENCHMARK(BM_SkladInsert)->Name("index/insert/sklad")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteInsert)->Name("index/insert/sqlite")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkladLookup)->Name("index/lookup/sklad")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteLookup)->Name("index/lookup/sqlite")->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const int result = sklad::bench::RunWithRatios(argc, argv);
  std::filesystem::remove_all(std::filesystem::path(TemporaryPath("none")).parent_path());
  return result;
}
