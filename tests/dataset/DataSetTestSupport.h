// Helpers for the dataset tests: a books table filled in a fresh directory, and a recorder of the
// events a dataset and its data source raise.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "dataset/DataSource.h"
#include "dataset/DatabaseError.h"
#include "dataset/SkladTable.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"
#include "tests/engine/cursor/CursorTestSupport.h"
#include "tests/support/TempDir.h"

namespace sklad::testing {

using TBook = std::pair<int32_t, std::string>;

// The code of the engine error the action raises, 0 when it raises none.
inline uint16_t EngineCode(const std::function<void()>& action) {
  try {
    action();
  } catch (const ESkladEngineError& error) {
    return error.Code();
  }
  return 0;
}

// The text of the dataset layer's error the action raises, empty when it raises none.
inline std::string DatabaseErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const EDatabaseError& error) {
    return error.what();
  }
  return {};
}


// A directory holding the books table with the given records in this natural order.
class BooksDirectory {
 public:
  explicit BooksDirectory(const std::vector<TBook>& books, const TTableDefinition& definition = BooksDefinition()) {
    TDataSession session;
    TDataDirectory* database = session.OpenDirectory("", Path());
    TDataTable* table = database->CreateTable(kBooks, false, definition);
    BookWriter writer(*table);
    for (const auto& [id, name] : books) writer.Append(id, name);
    database->CloseTable(table);
  }

  // The directory as a dataset names it: a path with "/" separators and a trailing one.
  std::string Path() const { return FDirectory.Path().string() + "/"; }

 private:
  TempDir FDirectory;
};

// Every event of a dataset and of one data source bound to it, by name, in order.
class EventRecorder {
 public:
  explicit EventRecorder(TSkladDataSet& dataSet) : FDataSet(dataSet) {
    const auto record = [this](const char* name) { return [this, name](TSkladDataSet&) { Events.push_back(name); }; };
    dataSet.BeforeOpen = record("BeforeOpen");
    dataSet.AfterOpen = record("AfterOpen");
    dataSet.BeforeClose = record("BeforeClose");
    dataSet.AfterClose = record("AfterClose");
    dataSet.BeforeScroll = record("BeforeScroll");
    dataSet.AfterScroll = record("AfterScroll");
    dataSet.BeforeEdit = record("BeforeEdit");
    dataSet.AfterEdit = record("AfterEdit");
    dataSet.BeforePost = record("BeforePost");
    dataSet.AfterPost = record("AfterPost");
    dataSet.BeforeCancel = record("BeforeCancel");
    dataSet.AfterCancel = record("AfterCancel");
    Source.OnStateChange = [this](TDataSource&) { Events.push_back("StateChange"); };
    Source.OnDataChange = [this](TDataSource&) { Events.push_back("DataChange"); };
    Source.SetDataSet(&dataSet);
  }

  ~EventRecorder() {
    FDataSet.BeforeOpen = FDataSet.AfterOpen = FDataSet.BeforeClose = FDataSet.AfterClose = nullptr;
    FDataSet.BeforeScroll = FDataSet.AfterScroll = nullptr;
    FDataSet.BeforeEdit = FDataSet.AfterEdit = FDataSet.BeforePost = FDataSet.AfterPost = nullptr;
    FDataSet.BeforeCancel = FDataSet.AfterCancel = nullptr;
  }
  EventRecorder(const EventRecorder&) = delete;
  EventRecorder& operator=(const EventRecorder&) = delete;

  // The events since the last call.
  std::vector<std::string> Take() { return std::exchange(Events, {}); }

  TDataSource Source;
  std::vector<std::string> Events;

 private:
  TSkladDataSet& FDataSet;
};

// A table dataset on the books of a directory, through a temporary database of its path.
inline void PointAtBooks(TSkladTable& table, const BooksDirectory& directory) {
  table.SetDatabaseName(directory.Path());
  table.SetTableName(kBooks);
}

}  // namespace sklad::testing
