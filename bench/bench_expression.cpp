// Evaluating the catalogue's filter conditions over 1,000,000 in-memory records: our bound and
// prepared expression trees against SQLite evaluating the same predicate over the same rows.
#include <sqlite3.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "engine/expression/ExpressionBinder.h"
#include "engine/expression/ExpressionEvaluator.h"
#include "engine/expression/ExpressionParser.h"
#include "engine/expression/ExpressionPreparation.h"
#include "engine/storage/language/LanguageSettings.h"

namespace {

using namespace sklad;

constexpr int kRecords = 1000000;
constexpr uint16_t kCzech = 1029;

struct CatalogueRecord {
  std::string name, popis, p;
};

// Catalogue-like rows: program names, descriptions of a few dozen words, issue numbers.
const std::vector<CatalogueRecord>& Records() {
  static const std::vector<CatalogueRecord> records = [] {
    // The last word is the one searched for: about one name in twenty and one description in
    // fifty hold it.
    const char* words[] = {"program", "pro", "Windows", "editor", "hra", "ovlada\xE8", "grafika", "s\xED\xBB",
                           "utilita", "disk", "zvuk", "video", "\xE8\x65\x9Atina", "internet", "data", "Linux"};
    std::mt19937 random(42);
    std::vector<CatalogueRecord> rows(kRecords);
    for (CatalogueRecord& row : rows) {
      for (int w = 0; w < 3; ++w) row.name += std::string(words[random() % (w == 0 ? 16 : 15)]) + " ";
      for (int w = 0; w < 25; ++w)
        row.popis += std::string(words[w == 12 && random() % 50 == 0 ? 15 : random() % 15]) + " ";
      const int issue = 1 + static_cast<int>(random() % 12);
      row.p = (issue < 10 && random() % 2 ? "0" : "") + std::to_string(issue) + "/";
    }
    return rows;
  }();
  return records;
}

class CatalogueColumns : public TColumnResolver, public TFieldFetcher {
 public:
  bool Resolve(TExpToken& column) override {
    const std::string& name = column.ColumnName;
    if (name == "name") return Describe(column, 1, TFieldType::String, 0, 61);
    if (name == "popis") return Describe(column, 2, TFieldType::Blob, subtype::Memo, 8);
    if (name == "p") return Describe(column, 3, TFieldType::String, 0, 4);
    return false;
  }

  void Fetch(const uint8_t* record, TExpToken& column) override {
    const auto& row = *reinterpret_cast<const CatalogueRecord*>(record);
    const std::string& value = column.FieldNumber == 1 ? row.name : column.FieldNumber == 2 ? row.popis : row.p;
    column.Reserve(static_cast<uint32_t>(value.size() + 1));
    std::memcpy(column.Value.data(), value.c_str(), value.size() + 1);
    column.IsNull = value.empty();
  }

 private:
  static bool Describe(TExpToken& column, int16_t number, TFieldType type, uint8_t subType, uint32_t size) {
    column.FieldNumber = number;
    column.ValueType = static_cast<uint8_t>(type);
    column.SubType = subType;
    column.Size = size;
    return true;
  }
};

void EvaluateOurs(benchmark::State& state, const char* filter) {
  const auto& rows = Records();
  CatalogueColumns columns;
  TLocaleScope locale(kCzech, 0);
  TExpressionParser parser;
  parser.SetErrorContext(10051, "catalogue", "filter expression");
  parser.SetText(filter);
  parser.NextToken();
  TExpTree tree = parser.ParseExpression(AllowExtendedPredicates);
  TExpToken* root = tree.get();
  TExpressionBinder(10051, "catalogue", "filter expression", columns).Bind(root, true);
  TExpTree prepared = PrepareForEvaluation(*root, {false, false, kCzech, 0});
  const TEvaluationContext context{kCzech, 0, &columns};
  int64_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    for (const CatalogueRecord& row : rows)
      matches += ConditionHolds(*prepared, reinterpret_cast<const uint8_t*>(&row), context);
  }
  state.counters["matches"] = static_cast<double>(matches);
}

sqlite3* SqliteCatalogue() {
  static sqlite3* db = [] {
    sqlite3* handle = nullptr;
    sqlite3_open(":memory:", &handle);
    sqlite3_exec(handle, "CREATE TABLE t(name TEXT, popis TEXT, p TEXT); BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(handle, "INSERT INTO t VALUES (?, ?, ?)", -1, &insert, nullptr);
    for (const CatalogueRecord& row : Records()) {
      sqlite3_bind_text(insert, 1, row.name.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(insert, 2, row.popis.c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_text(insert, 3, row.p.c_str(), -1, SQLITE_STATIC);
      sqlite3_step(insert);
      sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr);
    return handle;
  }();
  return db;
}

void EvaluateSqlite(benchmark::State& state, const char* condition) {
  sqlite3* db = SqliteCatalogue();
  sqlite3_stmt* query = nullptr;
  sqlite3_prepare_v2(db, (std::string("SELECT count(*) FROM t WHERE ") + condition).c_str(), -1, &query, nullptr);
  int64_t matches = 0;
  for (auto _ : state) {
    sqlite3_reset(query);
    sqlite3_step(query);
    matches = sqlite3_column_int64(query, 0);
  }
  sqlite3_finalize(query);
  state.counters["matches"] = static_cast<double>(matches);
}

constexpr const char* kWordSearch = "LOWER(name) LIKE \"%linux%\" OR LOWER(popis) LIKE \"%linux%\"";
constexpr const char* kIssueFilter = "SUBSTRING(p FROM 1 FOR 2) = '2/' OR SUBSTRING(p FROM 1 FOR 3) = '02/'";

BENCHMARK_CAPTURE(EvaluateOurs, word_search/sklad, kWordSearch)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(EvaluateSqlite, word_search/sqlite, "lower(name) LIKE '%linux%' OR lower(popis) LIKE '%linux%'")
    ->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(EvaluateOurs, issue_filter/sklad, kIssueFilter)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(EvaluateSqlite, issue_filter/sqlite, "substr(p, 1, 2) = '2/' OR substr(p, 1, 3) = '02/'")
    ->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) { return sklad::bench::RunWithRatios(argc, argv); }
