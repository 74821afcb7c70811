#include "SkladTable.h"

#include <vector>

#include "DatabaseError.h"
#include "SkladSession.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/table/TableNames.h"

namespace sklad {
namespace {

std::vector<std::string> SplitFieldNames(std::string_view names) {
  std::vector<std::string> list;
  size_t start = 0;
  while (start <= names.size()) {
    const size_t end = std::min(names.find(';', start), names.size());
    if (std::string name = TrimmedName(names.substr(start, end - start)); !name.empty()) list.push_back(name);
    start = end + 1;
  }
  return list;
}

}  // namespace

TSkladTable::TSkladTable() = default;

TSkladTable::~TSkladTable() {
  try {
    Close();
  } catch (...) {
    // A destructor must not throw; the cursor and database go with their owners.
  }
}

std::string_view TSkladTable::EngineVersion() const { return TSkladSession::kEngineVersion; }

void TSkladTable::SetExclusive(bool value) {
  CheckInactive();
  FExclusive = value;
}

void TSkladTable::SetReadOnly(bool value) {
  CheckInactive();
  FReadOnly = value;
}

void TSkladTable::SetTableName(std::string_view name) {
  CheckInactive();
  FTableName = name;
}

TDataCursor* TSkladTable::CreateCursor() {
  if (FTableName.empty()) RaiseDatabaseError(dberr::TableNameMissing);
  auto cursor = std::make_unique<TDataCursor>(EngineDirectory());
  cursor->SetTableName(FTableName);
  cursor->SetExclusive(FExclusive);
  cursor->SetReadOnly(FReadOnly);
  TSkladSession& session = Session();
  cursor->SetPasswordCallback([&session] { return session.RequestPassword(); });
  cursor->Open();
  SelectIndex(*cursor);
  FReadOnly = cursor->ReadOnly();
  FTableCursor = std::move(cursor);
  return FTableCursor.get();
}

void TSkladTable::DestroyCursor(TDataCursor*) { FTableCursor.reset(); }

void TSkladTable::SelectIndex(TDataCursor& cursor) const {
  if (!FIndexName.empty())
    cursor.SelectIndexByName(FIndexName);
  else if (!FIndexFieldNames.empty())
    cursor.SelectIndex(IndexForFields(cursor));
  else
    cursor.SelectIndex(0);
}

int TSkladTable::IndexForFields(const TDataCursor& cursor) const {
  const std::vector<std::string> names = SplitFieldNames(FIndexFieldNames);
  std::vector<int> numbers;
  for (const std::string& name : names)
    for (int fieldNo = 1; fieldNo <= cursor.FieldCount(); ++fieldNo)
      if (SameFieldName(cursor.GetFieldDefinition(fieldNo).Name(), name)) numbers.push_back(fieldNo);
  const TIndexFile& index = cursor.Table()->Index();
  for (int slot = index.NoPrimaryKey() ? 1 : 0; slot <= index.SecondaryCount(); ++slot) {
    const TIndexDefinition definition = index.Definition(slot);
    if (numbers.size() != names.size() || definition.ListedFieldCount() != static_cast<int>(numbers.size())) continue;
    bool same = true;
    for (size_t k = 0; k < numbers.size(); ++k) same = same && definition.FieldNumber(static_cast<int>(k)) == numbers[k];
    if (same) return slot;
  }
  RaiseEngineError(err::InvalidIndexName, cursor.TableName(), {}, {}, FIndexFieldNames);
}

void TSkladTable::SetIndexName(std::string_view name) { ChangeIndex(std::string(name), {}); }

void TSkladTable::SetIndexFieldNames(std::string_view names) { ChangeIndex({}, std::string(names)); }

void TSkladTable::ChangeIndex(std::string name, std::string fieldNames) {
  std::swap(FIndexName, name);
  std::swap(FIndexFieldNames, fieldNames);
  if (!Active()) return;
  try {
    SelectIndex(*FTableCursor);
  } catch (...) {
    // An index the table does not have leaves the order as it was.
    std::swap(FIndexName, name);
    std::swap(FIndexFieldNames, fieldNames);
    throw;
  }
  RecordsChanged();
  ResyncCurrentRecord();
}

}  // namespace sklad
