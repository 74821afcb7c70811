// TSkladTable: the dataset of one table opened by name, in the order of the index named by
// IndexName or found for IndexFieldNames.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "SkladDBDataSet.h"

namespace sklad {

class TSkladTable : public TSkladDBDataSet {
 public:
  TSkladTable();
  ~TSkladTable() override;

  std::string_view EngineVersion() const;
  bool Exclusive() const { return FExclusive; }
  void SetExclusive(bool value);
  // After an open, whether the table was opened read-only.
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  const std::string& TableName() const { return FTableName; }
  void SetTableName(std::string_view name);

  // The index by name (empty: the primary index), or by its key fields separated by ";". Setting
  // one clears the other; on an open table the current record stays current.
  const std::string& IndexName() const { return FIndexName; }
  void SetIndexName(std::string_view name);
  const std::string& IndexFieldNames() const { return FIndexFieldNames; }
  void SetIndexFieldNames(std::string_view names);

 protected:
  TDataCursor* CreateCursor() override;
  void DestroyCursor(TDataCursor* cursor) override;

 private:
  // Stores the index choice and, on an open table, switches to it.
  void ChangeIndex(std::string name, std::string fieldNames);
  void SelectIndex(TDataCursor& cursor) const;
  // The index whose key fields are the named ones in that order; 10022 when there is none.
  int IndexForFields(const TDataCursor& cursor) const;

  bool FExclusive = false;
  bool FReadOnly = false;
  std::string FTableName;
  std::string FIndexName;
  std::string FIndexFieldNames;
  std::unique_ptr<TDataCursor> FTableCursor;
};

}  // namespace sklad
