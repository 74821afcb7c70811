// The browser's list against SQLite: the synthetic catalogue's live query shown in the data grid
// (offscreen, at the browser's size, painting included) scrolled page by page from the top to
// the bottom, beside SQLite reading the same pages of names by keyset paging on the same
// condition; and the grid's rows of each page read without drawing them, the reading alone,
// beside the same SQLite pages. Counters: pages, rows shown and the records the grid read (which must stay near the
// rows shown). Size 1,000,000 records (SKLAD_BENCH_RECORDS: a size of its own).
#include <sqlite3.h>

#include <QApplication>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "BenchDatabase.h"
#include "BenchSupport.h"
#include "CatalogueLoad.h"
#include "CatalogueText.h"
#include "RatioReporter.h"
#include "controls/DBGrid.h"
#include "dataset/DataSource.h"
#include "dataset/SkladQuery.h"

namespace {

using sklad::bench::TCatalogueToggles;
using sklad::bench::TDialect;

constexpr const char* kTable = "katalog";

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "bench_grid: %s\n", message.c_str());
  std::exit(1);
}

// Every issue and section checked, as the browser starts; and the catalogue benchmark's click.
const TCatalogueToggles kAllToggles{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 99}, {}, "OR"};
const TCatalogueToggles kSomeToggles{{1, 2}, {1, 3, 99}, {}, "OR"};

// The catalogue in both engines, built once for the program.
class TCatalogue {
 public:
  explicit TCatalogue(int size) : FDirectory(sklad::bench::WorkDirectory("grid-" + std::to_string(size))) {
    {
      sklad::bench::TBenchDatabase sklad(FDirectory);
      sklad::bench::LoadSkladCatalogue(*sklad.Database, kTable, size);
    }
    sklad::bench::LoadSqliteCatalogue(SqliteFile(), kTable, size);
  }
  ~TCatalogue() { std::filesystem::remove_all(FDirectory); }
  TCatalogue(const TCatalogue&) = delete;
  TCatalogue& operator=(const TCatalogue&) = delete;

  std::string Directory() const { return FDirectory.string() + "/"; }
  std::string SqliteFile() const { return (FDirectory / "katalog.sqlite").string(); }

 private:
  std::filesystem::path FDirectory;
};

TCatalogue* Catalogue = nullptr;

// The browser's list: the live query, its data source and the grid of the browser's size.
class TBrowserList {
 public:
  explicit TBrowserList(const TCatalogueToggles& toggles) {
    FQuery.SetDatabaseName(Catalogue->Directory());
    FQuery.SetRequestLive(true);
    for (const std::string& line : sklad::bench::catalogue_text::Lines(kTable, toggles, TDialect::Sklad))
      FQuery.SQL().Add(line);
    FQuery.Open();
    FSource.SetDataSet(&FQuery);
    FGrid.resize(243, 208);
    FGrid.SetFieldName("name");
    FGrid.SetDataSource(&FSource);
    FGrid.show();
    QApplication::processEvents();
  }

  // From the top to the bottom a page at a time, each page drawn; answers the pages scrolled
  // and leaves the name in the last row.
  int64_t ScrollThrough() {
    QScrollBar& bar = *FGrid.verticalScrollBar();
    bar.setValue(0);
    FGrid.viewport()->repaint();
    int64_t pages = 1;
    while (bar.value() < bar.maximum()) {
      bar.setValue(bar.value() + bar.pageStep());
      FGrid.viewport()->repaint();
      ++pages;
    }
    return pages;
  }

  // The same pages asked of the grid's rows without drawing them: the reading alone.
  int64_t ReadRowsThrough() {
    const QAbstractItemModel& rows = *FGrid.model();
    const int count = rows.rowCount();
    int64_t pages = 0;
    for (int top = 0; top < count; top += RowsPerPage(), ++pages)
      for (int row = top; row < std::min(top + RowsPerPage(), count); ++row) FLastRow = rows.index(row, 0).data().toString();
    return pages;
  }

  QString LastName() const { return FGrid.model()->index(FGrid.model()->rowCount() - 1, 0).data().toString(); }
  int RowsPerPage() const { return FGrid.verticalScrollBar()->pageStep(); }
  controls::TDBGrid& Grid() { return FGrid; }

 private:
  QString FLastRow;
  sklad::TSkladQuery FQuery;
  sklad::TDataSource FSource;
  controls::TDBGrid FGrid;
};

// SQLite's pages: the names after the last row read, in the order of the table.
class TSqlitePages {
 public:
  TSqlitePages(const TCatalogueToggles& toggles, int rowsPerPage) {
    if (sqlite3_open(Catalogue->SqliteFile().c_str(), &FDb) != SQLITE_OK) Fail("SQLite file cannot be opened");
    const std::string sql = "SELECT rowid, name FROM " + std::string(kTable) + " WHERE " +
                            sklad::bench::CatalogueCondition(toggles, TDialect::Sqlite) +
                            " AND rowid > ? ORDER BY rowid LIMIT " + std::to_string(rowsPerPage);
    if (sqlite3_prepare_v2(FDb, sql.c_str(), -1, &FPage, nullptr) != SQLITE_OK)
      Fail("SQLite: " + std::string(sqlite3_errmsg(FDb)));
  }
  ~TSqlitePages() {
    sqlite3_finalize(FPage);
    sqlite3_close(FDb);
  }
  TSqlitePages(const TSqlitePages&) = delete;
  TSqlitePages& operator=(const TSqlitePages&) = delete;

  // Every page from the top, each name taken as display text; answers the pages read.
  int64_t ReadThrough() {
    int64_t pages = 0;
    int64_t after = 0;
    for (bool more = true; more; ++pages) {
      sqlite3_reset(FPage);
      sqlite3_bind_int64(FPage, 1, after);
      more = false;
      while (sqlite3_step(FPage) == SQLITE_ROW) {
        after = sqlite3_column_int64(FPage, 0);
        FLastName = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(FPage, 1)));
        more = true;
      }
    }
    return pages;
  }

  const QString& LastName() const { return FLastName; }

 private:
  sqlite3* FDb = nullptr;
  sqlite3_stmt* FPage = nullptr;
  QString FLastName;
};

void ReadGridRows(benchmark::State& state, const TCatalogueToggles& toggles) {
  TBrowserList list(toggles);
  int64_t pages = 0;
  int64_t read = 0;
  for (auto _ : state) {
    // A reload drops the rows read, as a new query would.
    list.Grid().SetFieldName("name");
    list.Grid().ResetRecordsRead();
    pages = list.ReadRowsThrough();
    read = list.Grid().RecordsRead();
  }
  state.counters["pages"] = static_cast<double>(pages);
  state.counters["records_read"] = static_cast<double>(read);
}

void ScrollGrid(benchmark::State& state, const TCatalogueToggles& toggles) {
  TBrowserList list(toggles);
  TSqlitePages sqlite(toggles, list.RowsPerPage());
  sqlite.ReadThrough();
  int64_t pages = 0;
  int64_t read = 0;
  for (auto _ : state) {
    list.Grid().ResetRecordsRead();
    pages = list.ScrollThrough();
    read = list.Grid().RecordsRead();
  }
  if (list.LastName() != sqlite.LastName())
    Fail("the last names differ: " + list.LastName().toStdString() + ", " + sqlite.LastName().toStdString());
  state.counters["pages"] = static_cast<double>(pages);
  state.counters["rows_shown"] = static_cast<double>(pages * list.RowsPerPage());
  state.counters["records_read"] = static_cast<double>(read);
}

void ReadSqlitePages(benchmark::State& state, const TCatalogueToggles& toggles) {
  // The grid only tells how many rows a page holds.
  const int rowsPerPage = TBrowserList(toggles).RowsPerPage();
  TSqlitePages sqlite(toggles, rowsPerPage);
  int64_t pages = 0;
  for (auto _ : state) pages = sqlite.ReadThrough();
  state.counters["pages"] = static_cast<double>(pages);
  state.counters["rows_shown"] = static_cast<double>(pages * rowsPerPage);
}

}  // namespace

int main(int argc, char** argv) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  TCatalogue catalogue(sklad::bench::RecordCount(1'000'000));
  Catalogue = &catalogue;
  for (const auto& [name, toggles] : {std::pair{"all", &kAllToggles}, std::pair{"toggles", &kSomeToggles}}) {
    // Scrolling the drawn grid, and reading its rows alone, each beside SQLite's pages.
    for (const auto& [kind, grid] : {std::pair{"scroll_", &ScrollGrid}, std::pair{"rows_", &ReadGridRows}}) {
      const std::string prefix = std::string("Grid/") + kind + name;
      benchmark::RegisterBenchmark((prefix + "/sklad").c_str(), grid, *toggles)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
      benchmark::RegisterBenchmark((prefix + "/sqlite").c_str(), ReadSqlitePages, *toggles)
          ->Unit(benchmark::kMillisecond)
          ->Iterations(1);
    }
  }
  return sklad::bench::RunWithRatios(argc, argv);
}
