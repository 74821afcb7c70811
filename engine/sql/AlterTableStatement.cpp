// ALTER TABLE: the table's own definition with the statement's column, index and option changes
// applied, handed to the cursor's restructure. A kept field carries its old number, so that the
// restructure converts its values into the new type; an added field carries none.
#include <algorithm>
#include <optional>
#include <string>

#include "DefinitionStatement.h"
#include "engine/cursor/DataCursor.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/core/EngineError.h"

namespace sklad {
namespace {

// The position given with AT as a 0-based place among count columns; the end when none given.
int PlaceOf(const TCreateField& column, int count) {
  if (column.Position == 0) return count - 1;
  if (column.Position < 1 || column.Position > count)
    RaiseEngineError(err::SqlError, {}, {}, "AT column position must be between 1 and " + std::to_string(count));
  return column.Position - 1;
}

int ExistingPlace(const TSystemList<TFieldDefinition>& fields, const std::string& name) {
  const int position = sql::FieldPosition(fields, name);
  if (position == 0) sql::RaiseColumnNotFound(name);
  return position - 1;
}

// An index of the table over the altered fields: its field numbers turned into the fields' new
// positions; none when one of its fields was dropped.
std::optional<TIndexDefinition> KeptIndex(TIndexDefinition index, const TSystemList<TFieldDefinition>& fields) {
  for (int i = 0; i < index.ListedFieldCount(); ++i) {
    const auto kept = std::ranges::find_if(fields, [&](const TFieldDefinition& f) { return f.Number() == index.FieldNumber(i); });
    if (kept == fields.end()) return std::nullopt;
    index.SetFieldNumber(i, static_cast<uint16_t>(kept - fields.begin() + 1));
  }
  return index;
}

}  // namespace

void TDefinitionStatement::AlterFields(TSystemList<TFieldDefinition>& fields, sql::TTableLocale locale) {
  for (TCreateField& column : FQuery.CreateFields) {
    switch (column.Action) {
      case TColumnAction::Add: {
        const int place = PlaceOf(column, fields.Count() + 1);
        fields.Insert(place, sql::NewFieldDefinition(column, locale));
        break;
      }
      case TColumnAction::Redefine: {
        const int from = ExistingPlace(fields, column.Name);
        TFieldDefinition field = fields[from];
        if (!column.NewName.empty()) field.SetName(column.NewName);
        if (column.DataType) {
          // A new data type is a new definition of the column: only the options given with it.
          TFieldDefinition redefined = sql::NewFieldDefinition(column, locale);
          redefined.SetName(field.Name());
          redefined.SetNumber(field.Number());
          field = redefined;
        } else {
          sql::ApplyColumnOptions(column, field, locale);
        }
        const int place = column.Position == 0 ? from : PlaceOf(column, fields.Count());
        fields.Delete(from);
        fields.Insert(place, field);
        break;
      }
      case TColumnAction::Drop: fields.Delete(ExistingPlace(fields, column.Name)); break;
      case TColumnAction::Define: break;
    }
  }
}

void TDefinitionStatement::AlterIndexes(TTableDefinition& definition, const TDataCursor& cursor) {
  const TIndexFile& file = cursor.Table()->Index();
  if (!file.NoPrimaryKey())
    if (auto primary = KeptIndex(file.Definition(TIndexFile::kPrimarySlot), definition.Fields)) definition.Primary = *primary;
  for (int slot = 1; slot <= file.SecondaryCount(); ++slot)
    if (auto index = KeptIndex(file.Definition(slot), definition.Fields)) definition.Secondary.Add(*index);
  const std::string& table = Table().TableName;
  for (const TCreateIndex& index : FQuery.CreateIndexes) {
    const bool hasPrimary = definition.Primary.ListedFieldCount() > 0;
    switch (index.Action) {
      case TColumnAction::Add: {
        const TIndexDefinition added = sql::NewIndexDefinition(index, definition.Fields, table);
        if (hasPrimary) RaiseEngineError(err::PrimaryIndexExists, table);
        definition.Primary = added;
        break;
      }
      case TColumnAction::Redefine:
        definition.Primary = sql::NewIndexDefinition(index, definition.Fields, table);
        break;
      case TColumnAction::Drop:
        if (!hasPrimary) RaiseEngineError(err::InvalidIndexName, table, {}, {}, "PRIMARY");
        definition.Primary = TIndexDefinition();
        break;
      case TColumnAction::Define: break;
    }
  }
}

TTableDefinition TDefinitionStatement::AlteredTable(TDataCursor& cursor) {
  const TDataFile& data = cursor.Table()->Data();
  TTableDefinition definition;
  TTableProperties& properties = definition.Properties;
  properties.Language = data.Language();
  properties.Sort = data.Sort();
  properties.UserMajorVersion = data.UserMajorVersion();
  properties.UserMinorVersion = data.UserMinorVersion();
  properties.Encrypted = data.Encrypted();
  properties.Password = data.Password();
  properties.Description = data.Description();
  properties.BlobBlockSize = data.Header().BlobBlockSize();
  sql::ApplyTableOptions(FQuery.Options, properties);
  for (int n = 1; n <= cursor.TableFieldCount(); ++n) definition.Fields.Add(cursor.TableField(n));
  AlterFields(definition.Fields, {properties.Language, properties.Sort});
  AlterIndexes(definition, cursor);
  return definition;
}

void TDefinitionStatement::AlterTable() {
  const std::unique_ptr<TDataCursor> cursor = OpenTable(true);
  TTableDefinition definition = AlteredTable(*cursor);
  // The restructured table is opened again at once, under its new password.
  if (definition.Properties.Encrypted) TableDirectory().Session().AddPassword(definition.Properties.Password);
  // Records the new definition refuses make the statement fail rather than go missing.
  cursor->SetRefuseRecordLoss(true);
  const TTableOptions& options = FQuery.Options;
  // Backups are files beside the table; an in-memory table keeps none.
  const bool keepBackup = !options.NoBackup && !Table().InMemory;
  cursor->Restructure(std::move(definition), options.LastAutoIncrementGiven ? options.LastAutoIncrement : -1,
                      keepBackup);
  // Written as the exclusive table closes (see CreateIndex).
  cursor->Close();
}

}  // namespace sklad
