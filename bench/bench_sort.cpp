// Record sort speed against SQLite: 1,000,000 records ordered by a 20-character string field
// under the Czech collation. Our table is a data file on disk sorted in place through run files,
// once by the record sort alone and once as a table through the cursor, whose sort also makes
// the record-state index for the new record numbers. SQLite answers ORDER BY over the same
// strings with a collation that calls the same locale comparison, stepping through every row.
// The shared reporter prints the ratio of processor time. SKLAD_BENCH_RECORDS sets the size.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/storage/data/DataFile.h"
#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/language/LanguageMaps.h"
#include "engine/storage/sort/RecordSort.h"
#include "BenchSupport.h"
#include "RatioReporter.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"

namespace {

using namespace sklad;

const int kRecordCount = sklad::bench::RecordCount(1000000);
constexpr int kStringSize = 20;
constexpr uint16_t kCzech = 1029;

// Random words over a code-page 1250 alphabet with the Czech letters that sort specially.
const std::vector<std::string>& RandomStrings() {
  static const std::vector<std::string> strings = [] {
    const std::string alphabet = "abcdefghijklmnopqrstuvwxyzACHZ\xE8\xF8\x9A\x9E\xE1\xED\xE9\xC8";
    std::mt19937 random(3);
    std::uniform_int_distribution<size_t> letter(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(4, kStringSize);
    std::vector<std::string> result(kRecordCount);
    for (std::string& text : result) {
      text.resize(static_cast<size_t>(length(random)));
      for (char& c : text) c = alphabet[letter(random)];
    }
    return result;
  }();
  return strings;
}

std::string TemporaryDirectory() {
  static const std::filesystem::path directory = [] {
    auto path = std::filesystem::temp_directory_path() / ("sklad_bench_sort_" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return directory.string() + "/";
}

// A fresh Czech table holding every string, written to disk and out of the cache.
std::unique_ptr<TDataFile> FilledTable() {
  const std::string name = TemporaryDirectory() + "SORT.DAT";
  std::filesystem::remove(name);
  auto file = std::make_unique<TDataFile>(name, false);
  TTableProperties properties;
  properties.Language = kCzech;
  TSystemList<TFieldDefinition> fields;
  fields.Add(TFieldDefinition::Make("Name", TFieldType::String, kStringSize));
  file->Create(properties, fields);
  file->WriteHeader(true);
  file->WriteFieldDefinitions();
  for (const std::string& text : RandomStrings()) {
    TRecord* record = file->Records().NewRecord();
    record->SetAutoIncrementValue(file->NextAutoIncrement());
    StoreStringValue(record->MutableFieldValue(file->Field(0)), file->Field(0).StoredSize(), text);
    file->Records().ReleaseRecord(record);
  }
  file->Records().WriteModified(false);
  file->Records().Empty();
  return file;
}

void BM_SkladSort(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    std::unique_ptr<TDataFile> file = FilledTable();
    TSortRequest request;
    request.Fields.Add(file->Field(0));
    request.RunDirectory = TemporaryDirectory();
    state.ResumeTiming();
    if (SortRecords(*file, request) != kRecordCount) state.SkipWithError("records were lost");
    state.PauseTiming();
    file->Close();
    state.ResumeTiming();
  }
}

// The same data file opened as a table: the open makes its index file anew and fills the
// record-state index; the cursor's sort is timed.
void BM_SkladSortTable(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    {
      std::unique_ptr<TDataFile> file = FilledTable();
      file->WriteHeader(true);
      file->Close();
    }
    std::filesystem::remove(TemporaryDirectory() + "SORT.IDX");
    TDataSession session;
    session.SetPrivateDirectory(TemporaryDirectory());
    TDataDirectory* database = session.OpenDirectory("", TemporaryDirectory());
    TDataCursor cursor(*database);
    cursor.SetTableName("SORT");
    cursor.SetExclusive(true);
    cursor.Open();
    TSortRequest request;
    request.Fields.Add(cursor.GetFieldDefinition(1));
    state.ResumeTiming();
    if (cursor.SortTable(request) != kRecordCount) state.SkipWithError("records were lost");
    state.PauseTiming();
    cursor.Close();
    state.ResumeTiming();
  }
}

int CzechCollation(void*, int lengthA, const void* a, int lengthB, const void* b) {
  return CompareStrings(kCzech, 0, false, std::string_view(static_cast<const char*>(a), static_cast<size_t>(lengthA)),
                        std::string_view(static_cast<const char*>(b), static_cast<size_t>(lengthB)));
}

void BM_SqliteSort(benchmark::State& state) {
  const std::string path = TemporaryDirectory() + "sort.sqlite";
  std::filesystem::remove(path);
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_create_collation(db, "czech", SQLITE_UTF8, nullptr, CzechCollation);
  sqlite3_exec(db, "PRAGMA synchronous=OFF; CREATE TABLE t(name TEXT); BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t(name) VALUES (?)", -1, &insert, nullptr);
  for (const std::string& text : RandomStrings()) {
    sqlite3_bind_text(insert, 1, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_stmt* select = nullptr;
  sqlite3_prepare_v2(db, "SELECT name FROM t ORDER BY name COLLATE czech", -1, &select, nullptr);
  for (auto _ : state) {
    int rows = 0;
    while (sqlite3_step(select) == SQLITE_ROW) ++rows;
    sqlite3_reset(select);
    if (rows != kRecordCount) state.SkipWithError("rows were lost");
  }
  sqlite3_finalize(select);
  sqlite3_close(db);
}

BENCHMARK(BM_SkladSort)->Name("sort/czech_string/sklad")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteSort)->Name("sort/czech_string/sqlite")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SkladSortTable)->Name("sort/czech_table/sklad")->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteSort)->Name("sort/czech_table/sqlite")->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const int result = sklad::bench::RunWithRatios(argc, argv);
  std::filesystem::remove_all(TemporaryDirectory());
  return result;
}
