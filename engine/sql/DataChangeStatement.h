// TDataChangeStatement: INSERT, UPDATE and DELETE — their planning checks and their execution
// through a cursor on the target table, inside the statement's own transaction scheme.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ChangeValues.h"
#include "DataQuery.h"
#include "QuerySources.h"
#include "StatementRunner.h"

namespace sklad {

class TChangeTransaction;
class TJoinedRows;
class TSelectPlan;
class TStatementDirectories;

class TDataChangeStatement final : public TStatementRunner {
 public:
  TDataChangeStatement(TDataQuery& query, TDataDirectory& directory);
  ~TDataChangeStatement() override;

  // Opens the target table for writing, resolves the target columns and binds and checks their
  // values; UPDATE and DELETE plan their condition, INSERT ... SELECT its SELECT.
  void Plan(const std::function<bool()>& passwordCallback) override;
  TDataCursor* Execute(const TSqlProgress& progress) override;
  int32_t RowsAffected() const override { return FRowsAffected; }

 private:
  // Planning (DataChangeStatement.cpp).
  void OpenTarget(const std::function<bool()>& passwordCallback);
  void ResolveTargets();
  void BindValues();
  TDataCursor& Target() const { return *FSources.front().Cursor; }
  // The commit interval the statement gave, 0 when none.
  int32_t CommitInterval() const { return FQuery.CommitIntervalGiven ? FQuery.CommitInterval : 0; }
  int RecordLength() const;

  // INSERT (InsertStatement.cpp).
  void InsertValues();
  void InsertSelected(const TSqlProgress& progress);
  void CheckSelectedColumns(TDataCursor& rows) const;
  // Fills the record and inserts it; the BLOB buffers its values opened are freed when either fails.
  void InsertRecord(std::vector<uint8_t>& record, const std::function<void()>& fill);

  // UPDATE and DELETE (UpdateDeleteStatement.cpp).
  // The record numbers of the records the condition accepts.
  std::vector<int32_t> QualifyingRecords();
  // Goes to the record; false when it is gone meanwhile.
  bool GotoRecord(int32_t number);
  // Whether a record about to change still satisfies the condition that selected it.
  bool StillSelected(const uint8_t* record) const;
  void UpdateRecords(const TSqlProgress& progress);
  // Updates the current record; false (nothing changed) when it no longer satisfies the condition.
  bool UpdateRecord(std::vector<uint8_t>& record, TValueWriter& writer);
  void DeleteRecords(const TSqlProgress& progress);
  // Whether the progress callback asks to stop after `done` of `total` records.
  static bool Aborted(const TSqlProgress& progress, int32_t done, int32_t total);

  TDataQuery& FQuery;
  TDataDirectory& FDirectory;
  std::unique_ptr<TStatementDirectories> FDirectories;
  TDataDirectory* FTargetDirectory = nullptr;  // where the target table lives; its transactions
  std::vector<TQuerySource> FSources;  // the target table alone
  std::unique_ptr<TSourceResolver> FResolver;
  std::vector<TChangeTarget> FTargets;
  std::unique_ptr<TJoinedRows> FRows;       // UPDATE and DELETE: the records the condition accepts
  TExpTree FRecordCondition;                // their condition as the target's filter tests it, if any
  std::unique_ptr<TSelectPlan> FRowSource;  // INSERT ... SELECT
  int32_t FRowsAffected = 0;
};

}  // namespace sklad
