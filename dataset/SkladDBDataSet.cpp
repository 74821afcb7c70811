#include "SkladDBDataSet.h"

#include "DatabaseError.h"
#include "SkladDatabase.h"
#include "SkladSession.h"
#include "SkladSessionList.h"

namespace sklad {

void TSkladDBDataSet::CheckNoDatabase() const {
  CheckInactive();
  if (FDatabase) RaiseDatabaseError(dberr::DatabaseOpen);
}

void TSkladDBDataSet::SetDatabaseName(std::string_view name) {
  if (name == FDatabaseName) return;
  CheckInactive();
  BeforeDatabaseChange();
  CheckNoDatabase();
  FDatabaseName = name;
}

void TSkladDBDataSet::SetSessionName(std::string_view name) {
  if (name == FSessionName) return;
  CheckInactive();
  BeforeDatabaseChange();
  CheckNoDatabase();
  FSessionName = name;
}

void TSkladDBDataSet::SetUseReason(TDatabaseUseReason reason, bool inUse) {
  const uint8_t bit = static_cast<uint8_t>(1u << static_cast<unsigned>(reason));
  if (inUse) {
    if (FUseReasons == 0) {
      TSkladDatabase& database = SkladSessions().OpenSession(FSessionName).OpenDatabase(FDatabaseName);
      FDatabase = &database;
      database.AttachDataSet(*this);
    }
    FUseReasons |= bit;
  } else if (FUseReasons & bit) {
    FUseReasons &= static_cast<uint8_t>(~bit);
    if (FUseReasons != 0) return;
    TSkladDatabase* database = FDatabase;
    FDatabase = nullptr;
    database->DetachDataSet(*this);
    database->Session()->CloseDatabase(*database);
  }
}

TSkladSession& TSkladDBDataSet::Session() const { return *FDatabase->Session(); }

TDataDirectory& TSkladDBDataSet::EngineDirectory() const { return *FDatabase->EngineDirectory(); }

void TSkladDBDataSet::OpenCursor() {
  SetUseReason(TDatabaseUseReason::OpenCursor, true);
  try {
    TSkladDataSet::OpenCursor();
  } catch (...) {
    SetUseReason(TDatabaseUseReason::OpenCursor, false);
    throw;
  }
}

void TSkladDBDataSet::CloseCursor() {
  try {
    TSkladDataSet::CloseCursor();
  } catch (...) {
    SetUseReason(TDatabaseUseReason::OpenCursor, false);
    throw;
  }
  SetUseReason(TDatabaseUseReason::OpenCursor, false);
}

}  // namespace sklad
