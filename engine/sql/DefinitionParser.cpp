// CREATE TABLE, CREATE INDEX, ALTER TABLE, DROP TABLE and DROP INDEX.
#include <span>

#include "ClauseReader.h"
#include "StatementParsers.h"

namespace sklad::sql {
namespace {

constexpr std::string_view kIndexStarts[] = {"CONSTRAINT", "UNIQUE",     "ASC",    "ASCENDING",
                                             "DESC",       "DESCENDING", "NOCASE", "PRIMARY"};
constexpr std::string_view kOptionStarts[] = {"DESCRIPTION", "BLOB", "LANGUAGE", "ENCRYPTED", "USER", "LAST", "NOBACKUP"};

bool IsAnyKeyword(const TExpressionParser& p, std::span<const std::string_view> words) {
  for (std::string_view word : words)
    if (p.IsKeyword(word)) return true;
  return false;
}

std::string NameOf(const TExpToken& primary) {
  return primary.Kind == TNodeKind::Column ? primary.ColumnName : primary.SourceText;
}

// [UNIQUE] [ASC | ASCENDING | DESC | DESCENDING] [NOCASE]
void ParseIndexModifiers(TExpressionParser& p, TCreateIndex& index) {
  if (p.IsKeyword("UNIQUE")) index.Unique = true, p.NextToken();
  if (p.IsKeyword("ASC") || p.IsKeyword("ASCENDING")) {
    p.NextToken();
  } else if (p.IsKeyword("DESC") || p.IsKeyword("DESCENDING")) {
    index.Descending = true;
    p.NextToken();
  }
  if (p.IsKeyword("NOCASE")) index.CaseInsensitive = true, p.NextToken();
}

// `(` column { `,` column } `)` [COMPRESS FULL | DUPBYTE | TRAILBYTE | NONE]
void ParseIndexColumns(TExpressionParser& p, TCreateIndex& index) {
  if (!p.IsKind('(')) RaiseAt(p, "Left parentheses expected after KEY keyword, instead found '");
  do {
    p.NextToken();
    index.Columns.push_back(NameOf(*ParseClausePrimary(p, "index column", "Index column name is empty")));
  } while (p.IsKind(','));
  if (!p.IsKind(')')) RaiseAt(p, "Right parentheses expected after primary key clause, instead found '");
  p.NextToken();
  if (!p.IsKeyword("COMPRESS")) return;
  p.NextToken();
  if (p.IsKeyword("FULL")) index.Compression = TIndexCompression::Full;
  else if (p.IsKeyword("DUPBYTE")) index.Compression = TIndexCompression::DupByte;
  else if (p.IsKeyword("TRAILBYTE")) index.Compression = TIndexCompression::TrailByte;
  else if (p.IsKeyword("NONE")) index.Compression = TIndexCompression::None;
  else RaiseAt(p, "FULL, DUPBYTE, TRAILBYTE, or NONE keyword expected after COMPRESS keyword, instead found '");
  p.NextToken();
}

// [CONSTRAINT name] [modifiers] PRIMARY KEY (columns) [COMPRESS ...]
TCreateIndex ParsePrimaryKey(TExpressionParser& p, TColumnAction action) {
  TCreateIndex index;
  index.Action = action;
  index.Primary = true;
  if (p.IsKeyword("CONSTRAINT")) {
    p.NextToken();
    index.Name = p.TokenText();
    p.NextToken();
  }
  ParseIndexModifiers(p, index);
  if (!p.IsKeyword("PRIMARY")) RaiseAt(p, "PRIMARY keyword expected, instead found '");
  p.NextToken();
  if (!p.IsKeyword("KEY")) RaiseAt(p, "KEY keyword expected after PRIMARY keyword, instead found '");
  p.NextToken();
  ParseIndexColumns(p, index);
  return index;
}

TExpTree ParseColumnValue(TExpressionParser& p) {
  p.SetClause("value expression");
  TExpTree value = p.ParseSignedPrimary(0);
  p.SetClause("SQL statement");
  return value;
}

// DESCRIPTION, NOT NULL, DEFAULT, MIN, MAX and CHARCASE, each optional, in this order.
void ParseColumnOptions(TExpressionParser& p, TCreateField& field) {
  if (p.IsKeyword("DESCRIPTION")) {
    p.NextToken();
    field.Description = p.TokenText().substr(0, 50);
    field.DescriptionGiven = true;
    p.NextToken();
  }
  if (p.IsKeyword("NOT")) {
    p.NextToken();
    if (!p.IsKeyword("NULL")) RaiseAt(p, "NULL keyword expected after NOT keyword, instead found '");
    field.Required = true;
    p.NextToken();
  }
  if (p.IsKeyword("DEFAULT")) p.NextToken(), field.Default = ParseColumnValue(p);
  if (p.IsKeyword("MIN") || p.IsKeyword("MINIMUM")) p.NextToken(), field.Minimum = ParseColumnValue(p);
  if (p.IsKeyword("MAX") || p.IsKeyword("MAXIMUM")) p.NextToken(), field.Maximum = ParseColumnValue(p);
  if (p.IsKeyword("CHARCASE")) {
    p.NextToken();
    if (p.IsKeyword("UPPER")) field.Casing = 2;
    else if (p.IsKeyword("LOWER")) field.Casing = 1;
    else if (p.IsKeyword("NOCHANGE")) field.Casing = 0;
    else RaiseAt(p, "UPPER, LOWER, or NOCHANGE keyword expected after CHARCASE keyword, instead found '");
    field.CasingGiven = true;
    p.NextToken();
  }
}

TExpTree ParseType(TExpressionParser& p, bool optional) {
  TExpTree type = TakeNode();
  type->Kind = TNodeKind::Constant;
  if (!p.ParseDataType(*type, 0, optional)) return nullptr;
  return type;
}

void ParseAt(TExpressionParser& p, TCreateField& field) {
  if (!p.IsKeyword("AT")) return;
  p.NextToken();
  field.Position = ParseIntegerValue(p, "column position", "column position is empty");
}

// name data type [options]
TCreateField ParseColumnDefinition(TExpressionParser& p, TColumnAction action) {
  TCreateField field;
  field.Action = action;
  field.Name = NameOf(*ParseClausePrimary(p, "table column", "Table column name is empty"));
  field.DataType = ParseType(p, false);
  if (action != TColumnAction::Add) {
    ParseColumnOptions(p, field);
    return field;
  }
  // AT follows the whole column definition; before its options it is taken as well.
  ParseAt(p, field);
  ParseColumnOptions(p, field);
  if (field.Position == 0) ParseAt(p, field);
  return field;
}

// REDEFINE name [new name] [data type] [AT n] [options]
TCreateField ParseRedefinition(TExpressionParser& p) {
  TCreateField field;
  field.Action = TColumnAction::Redefine;
  field.Name = NameOf(*ParseClausePrimary(p, "table column", "Table column name is empty"));
  field.DataType = ParseType(p, true);
  if (!field.DataType && IsName(p) && !p.IsKeyword("AT") && !p.IsKeyword("DESCRIPTION") && !p.IsKeyword("NOT") &&
      !p.IsKeyword("DEFAULT") && !p.IsKeyword("MIN") && !p.IsKeyword("MINIMUM") && !p.IsKeyword("MAX") &&
      !p.IsKeyword("MAXIMUM") && !p.IsKeyword("CHARCASE") && !IsAnyKeyword(p, kOptionStarts)) {
    field.NewName = p.TokenText();
    p.NextToken();
    field.DataType = ParseType(p, true);
  }
  ParseAt(p, field);
  ParseColumnOptions(p, field);
  return field;
}

// One table option; false when the current token starts none.
bool ParseTableOption(TExpressionParser& p, TTableOptions& options, bool alter) {
  if (p.IsKeyword("DESCRIPTION")) {
    p.NextToken();
    options.Description = p.TokenText().substr(0, 50);
    options.DescriptionGiven = true;
    p.NextToken();
  } else if (p.IsKeyword("BLOB")) {
    p.NextToken();
    if (!p.IsKeyword("BLOCK")) RaiseAt(p, "BLOCK keyword expected after BLOB keyword, instead found '");
    p.NextToken();
    if (!p.IsKeyword("SIZE")) RaiseAt(p, "SIZE keyword expected after BLOCK keyword, instead found '");
    p.NextToken();
    options.BlobBlockSize = ParseIntegerValue(p, "BLOB block size", "BLOB block size is empty");
    options.BlobBlockSizeGiven = true;
  } else if (p.IsKeyword("LANGUAGE")) {
    ParseLanguageAndSort(p, options.Language, options.Sort, options.LanguageGiven, options.SortGiven);
  } else if (p.IsKeyword("ENCRYPTED")) {
    p.NextToken();
    if (!p.IsKeyword("WITH")) RaiseAt(p, "WITH keyword expected after ENCRYPTED keyword, instead found '");
    p.NextToken();
    options.Password = p.TokenText().substr(0, 15);
    options.Encrypted = !options.Password.empty();
    p.NextToken();
  } else if (p.IsKeyword("USER")) {
    p.NextToken();
    if (p.IsKeyword("MAJOR")) {
      p.NextToken();
      if (!p.IsKeyword("VERSION")) RaiseAt(p, "VERSION keyword expected after MAJOR keyword, instead found '");
      p.NextToken();
      options.UserMajorVersion = ParseIntegerValue(p, "user version number", "User version number is empty");
      options.UserMajorVersionGiven = true;
    } else if (p.IsKeyword("MINOR")) {
      p.NextToken();
      if (!p.IsKeyword("VERSION")) RaiseAt(p, "VERSION keyword expected after MINOR keyword, instead found '");
      p.NextToken();
      options.UserMinorVersion = ParseIntegerValue(p, "user version number", "User version number is empty");
      options.UserMinorVersionGiven = true;
    } else {
      RaiseAt(p, "MAJOR keyword expected after USER keyword, instead found '");
    }
  } else if (alter && p.IsKeyword("LAST")) {
    p.NextToken();
    if (!p.IsKeyword("AUTOINC")) RaiseAt(p, "AUTOINC keyword expected after LAST keyword, instead found '");
    p.NextToken();
    options.LastAutoIncrement = ParseIntegerValue(p, "next auto-increment number", "Next auto-increment number is empty");
    options.LastAutoIncrementGiven = true;
  } else if (alter && p.IsKeyword("NOBACKUP")) {
    options.NoBackup = true;
    p.NextToken();
  } else {
    return false;
  }
  return true;
}

}  // namespace

void ParseCreateTable(TExpressionParser& p, TDataQuery& q) {
  q.Kind = TStatementKind::CreateTable;
  p.NextToken();  // TABLE
  ParseTableReference(p, q, "Table name expected after CREATE TABLE keywords, instead found '",
                      "Table name expected, instead found '");
  if (!p.IsKind('(')) RaiseAt(p, "Left parentheses expected before list of table columns, instead found '");
  do {
    p.NextToken();
    if (IsAnyKeyword(p, kIndexStarts))
      q.CreateIndexes.push_back(ParsePrimaryKey(p, TColumnAction::Define));
    else if (!ParseTableOption(p, q.Options, false))
      q.CreateFields.push_back(ParseColumnDefinition(p, TColumnAction::Define));
  } while (p.IsKind(','));
  if (!p.IsKind(')')) RaiseAt(p, "Right parentheses expected after CREATE TABLE statement, instead found '");
  p.NextToken();
  ExpectEnd(p, "CREATE TABLE");
}

void ParseCreateIndex(TExpressionParser& p, TDataQuery& q) {
  q.Kind = TStatementKind::CreateIndex;
  TCreateIndex index;
  ParseIndexModifiers(p, index);
  if (!p.IsKeyword("INDEX")) RaiseAt(p, "INDEX keyword expected, instead found '");
  p.NextToken();
  if (!IsName(p)) RaiseAt(p, "Index name expected after INDEX keyword, instead found '");
  index.Name = p.TokenText();
  p.NextToken();
  if (!p.IsKeyword("ON")) RaiseAt(p, "ON keyword expected after index name, instead found '");
  p.NextToken();
  ParseTableReference(p, q, "Table name expected after ON keyword, instead found '",
                      "Table name expected, instead found '");
  ParseIndexColumns(p, index);
  q.CreateIndexes.push_back(std::move(index));
  ExpectEnd(p, "CREATE INDEX");
}

void ParseAlterTable(TExpressionParser& p, TDataQuery& q) {
  q.Kind = TStatementKind::AlterTable;
  p.NextToken();  // TABLE
  ParseTableReference(p, q, "Table name expected after ALTER TABLE keywords, instead found '",
                      "Table name expected, instead found '");
  for (bool first = true; !p.IsKind(0) && !p.IsKind(';'); first = false) {
    if (!first && p.IsKind(',')) p.NextToken();
    if (ParseTableOption(p, q.Options, true)) continue;
    const bool add = p.IsKeyword("ADD"), redefine = p.IsKeyword("REDEFINE");
    if (add || redefine) {
      p.NextToken();
      const TColumnAction action = add ? TColumnAction::Add : TColumnAction::Redefine;
      if (IsAnyKeyword(p, kIndexStarts)) {
        q.CreateIndexes.push_back(ParsePrimaryKey(p, action));
        continue;
      }
      if (p.IsKeyword("COLUMN")) p.NextToken();
      q.CreateFields.push_back(add ? ParseColumnDefinition(p, action) : ParseRedefinition(p));
    } else if (p.IsKeyword("DROP")) {
      p.NextToken();
      if (p.IsKeyword("CONSTRAINT") || p.IsKeyword("PRIMARY")) {
        TCreateIndex index;
        index.Action = TColumnAction::Drop;
        index.Primary = true;
        const bool constraint = p.IsKeyword("CONSTRAINT");
        p.NextToken();
        if (constraint || p.IsKeyword("KEY")) {
          if (constraint && IsName(p)) index.Name = p.TokenText();
          p.NextToken();
        }
        q.CreateIndexes.push_back(std::move(index));
        continue;
      }
      if (p.IsKeyword("COLUMN")) p.NextToken();
      TCreateField field;
      field.Action = TColumnAction::Drop;
      field.Name = NameOf(*ParseClausePrimary(p, "table column", "Table column name is empty"));
      q.CreateFields.push_back(std::move(field));
    } else {
      RaiseAt(p, "ADD, DROP, or REDEFINE keyword expected, instead found '");
    }
  }
  ExpectEnd(p, "ALTER TABLE");
}

void ParseDropTable(TExpressionParser& p, TDataQuery& q) {
  q.Kind = TStatementKind::DropTable;
  p.NextToken();  // TABLE
  ParseTableReference(p, q, "Table name expected after TABLE keyword, instead found '",
                      "Table name expected, instead found '");
  ExpectEnd(p, "DROP TABLE");
}

void ParseDropIndex(TExpressionParser& p, TDataQuery& q) {
  q.Kind = TStatementKind::DropIndex;
  p.NextToken();  // INDEX
  ParseTableReference(p, q, "Table name expected after INDEX keyword, instead found '",
                      "Table name expected, instead found '");
  if (!p.IsKind('.')) RaiseAt(p, "Index name expected after INDEX keyword, instead found '");
  p.NextToken();
  if (!IsName(p)) RaiseAt(p, "Index name expected after INDEX keyword, instead found '");
  q.IndexName = p.TokenText();
  q.DropPrimary = p.IsKeyword("PRIMARY");
  p.NextToken();
  ExpectEnd(p, "DROP INDEX");
}

}  // namespace sklad::sql
