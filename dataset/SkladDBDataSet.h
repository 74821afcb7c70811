// TSkladDBDataSet: a dataset bound by name to a database of a session, which it holds open while
// it has a reason to (an open cursor, a prepared statement).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "SkladDataSet.h"

namespace sklad {

class TDataDirectory;
class TSkladDatabase;
class TSkladSession;

// Why a dataset holds its database.
enum class TDatabaseUseReason : uint8_t { OpenCursor = 0, PreparedStatement = 1 };

class TSkladDBDataSet : public TSkladDataSet {
 public:
  const std::string& DatabaseName() const { return FDatabaseName; }
  // Refused on an open dataset, and while a database is held.
  void SetDatabaseName(std::string_view name);
  const std::string& SessionName() const { return FSessionName; }
  void SetSessionName(std::string_view name);

  // The database held, none while there is no reason to hold one.
  TSkladDatabase* Database() const { return FDatabase; }
  // Closing the database closes the dataset through this.
  virtual void Disconnect() { Close(); }

 protected:
  void SetUseReason(TDatabaseUseReason reason, bool inUse);
  // Before the database or session name of a closed dataset changes: a query gives up its
  // prepared statement, and with it the database.
  virtual void BeforeDatabaseChange() {}
  // The held database's session and engine directory.
  TSkladSession& Session() const;
  TDataDirectory& EngineDirectory() const;

  void OpenCursor() override;
  void CloseCursor() override;

 private:
  void CheckNoDatabase() const;

  std::string FDatabaseName;
  std::string FSessionName;
  uint8_t FUseReasons = 0;
  TSkladDatabase* FDatabase = nullptr;
};

}  // namespace sklad
