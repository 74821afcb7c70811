// UPDATE and DELETE: the records the condition accepts are collected first, so that a change
// never meets a record twice, and then each is changed inside the transaction scheme. Each record
// is tested against the condition once more, as it stands just before it changes, and left alone
// when the condition no longer holds for it: a record changed meanwhile, or one a damaged index
// let through, is never changed by a statement whose condition does not select it.
#include "ChangeTransaction.h"
#include "DataChangeStatement.h"
#include "JoinedRows.h"
#include "engine/expression/ExpressionEvaluator.h"
#include "engine/expression/ExpressionPreparation.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/language/LanguageSettings.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/data/RecordLayout.h"

namespace sklad {

std::vector<int32_t> TDataChangeStatement::QualifyingRecords() {
  std::vector<int32_t> numbers;
  FRows->Start(false);
  try {
    // The condition as the target's filter tests it: the whole condition, placed on the one table.
    const TFilter* placed = FSources.front().Filter;
    FRecordCondition = placed != nullptr ? CopyTree(*placed->Expression()) : TExpTree{};
    const TQuerySource& table = FRows->Leader();
    while (FRows->Next()) numbers.push_back(LoadLE<int32_t>(FRows->Record(table) + kRecordNumberAt));
  } catch (...) {
    FRows->Stop();
    throw;
  }
  FRows->Stop();
  // Records are found again by their numbers: in natural order these are the bookmarks.
  Target().SelectIndex(TDataCursor::kNaturalOrder);
  return numbers;
}

bool TDataChangeStatement::GotoRecord(int32_t number) {
  uint8_t bookmark[4];
  StoreLE(bookmark, number);
  return Target().GotoBookmark(bookmark, false);
}

bool TDataChangeStatement::StillSelected(const uint8_t* record) const {
  return !FRecordCondition || Target().ExpressionHolds(*FRecordCondition, record);
}

bool TDataChangeStatement::Aborted(const TSqlProgress& progress, int32_t done, int32_t total) {
  if (!progress) return false;
  bool abort = false;
  progress(done, total > 0 ? static_cast<int>(int64_t{done} * 100 / total) : 100, abort);
  return abort;
}

void TDataChangeStatement::UpdateRecords(const TSqlProgress&) {
  const TDataSession& session = FDirectory.Session();
  TLocaleScope locale(session.LanguageId, session.SortId);
  TDataCursor& cursor = Target();
  cursor.SetUserRecordIds(FQuery.NoAutoIncrement);
  TValueWriter writer(cursor, "UPDATE", FQuery.NoAutoIncrement);
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  TChangeTransaction transaction(*FTargetDirectory, CommitInterval(), RecordLength());
  for (const int32_t number : QualifyingRecords()) {
    if (!GotoRecord(number) || !UpdateRecord(record, writer)) continue;
    ++FRowsAffected;
    transaction.RecordChanged();
  }
  transaction.Finish();
}

bool TDataChangeStatement::UpdateRecord(std::vector<uint8_t>& record, TValueWriter& writer) {
  TDataCursor& cursor = Target();
  // The lock holds when the stored record is still the one the cursor read.
  record = cursor.CurrentRecord();
  cursor.ReadCurrent(record.data(), true);
  try {
    if (!StillSelected(record.data())) {
      cursor.UnlockRecord(0);
      return false;
    }
    // Every value is computed from the record as it was, before any of them is stored.
    const TDataSession& session = FDirectory.Session();
    const TEvaluationContext context{session.LanguageId, session.SortId, &cursor.Columns()};
    std::vector<TExpTree> values;
    values.reserve(FTargets.size());
    for (const TChangeTarget& target : FTargets) values.push_back(Evaluate(*target.Value, record.data(), context));
    for (size_t i = 0; i < FTargets.size(); ++i)
      writer.Put(FTargets[i].FieldNumber, record.data(), *values[i], FTargets[i].Value->SourceText);
    cursor.ModifyRecord(record.data(), false, true);
    return true;
  } catch (...) {
    cursor.FreeBlobBuffers(false);
    try {
      cursor.UnlockRecord(0);
    } catch (...) {
      // The change's own failure is the one to report.
    }
    throw;
  }
}

void TDataChangeStatement::DeleteRecords(const TSqlProgress& progress) {
  TDataCursor& cursor = Target();
  std::vector<uint8_t> record(static_cast<size_t>(cursor.RecordSize()));
  TChangeTransaction transaction(*FTargetDirectory, CommitInterval(), RecordLength());
  const std::vector<int32_t> numbers = QualifyingRecords();
  const int32_t tableRecords = cursor.GetRecordCount();
  for (const int32_t number : numbers) {
    if (!GotoRecord(number)) continue;
    cursor.ReadCurrent(record.data());
    if (!StillSelected(record.data())) continue;
    cursor.DeleteRecord(record.data(), false);
    ++FRowsAffected;
    transaction.RecordChanged();
    if (Aborted(progress, FRowsAffected, tableRecords)) break;
  }
  transaction.Finish();
}

}  // namespace sklad
