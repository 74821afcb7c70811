// INSERT, UPDATE and DELETE.
#include "ClauseReader.h"
#include "QueryStatement.h"
#include "StatementParsers.h"

namespace sklad::sql {
namespace {

// A target column: a column reference, or a string naming the column.
TUpdateField ParseTargetColumn(TExpressionParser& p) {
  TExpTree primary = ParseClausePrimary(p, "table column", "Table column name is empty");
  TUpdateField target;
  if (primary->Kind == TNodeKind::Column) {
    target.ColumnName = primary->ColumnName;
    target.CorrelationName = primary->CorrelationName;
  } else {
    target.ColumnName = primary->SourceText;
  }
  return target;
}

TExpTree ParseValue(TExpressionParser& p) {
  return ParseClause(p, "value expression", AllowParameters, "Value expression is empty", {});
}

// [NOAUTOINC] [COMMIT INTERVAL n]
void ParseChangeOptions(TExpressionParser& p, TDataQuery& q, bool autoIncrementOption) {
  if (autoIncrementOption && p.IsKeyword("NOAUTOINC")) q.NoAutoIncrement = true, p.NextToken();
  if (!p.IsKeyword("COMMIT")) return;
  p.NextToken();
  if (!p.IsKeyword("INTERVAL")) RaiseAt(p, "INTERVAL keyword expected after COMMIT keyword, instead found '");
  p.NextToken();
  q.CommitInterval = ParseIntegerValue(p, "commit interval", "Commit interval is empty");
  q.CommitIntervalGiven = true;
  if (q.CommitInterval < 1)
    p.RaiseError("COMMIT INTERVAL specified (" + std::to_string(q.CommitInterval) +
                 ") is invalid, it must be greater than 0");
}

}  // namespace

void ParseInsert(TExpressionParser& p, TQueryStatement& statement, TDataQuery& q) {
  q.Kind = TStatementKind::Insert;
  p.NextToken();
  if (!p.IsKeyword("INTO")) RaiseAt(p, "INTO keyword expected, instead found '");
  p.NextToken();
  TSourceTable& table = ParseTableReference(p, q, "Table name expected after INTO clause, instead found '",
                                            "Table name expected after INTO keyword, instead found '");
  if (!p.IsKeyword("AS")) ParseCorrelation(p, table, {"VALUES", "SELECT"});
  if (p.IsKind('(')) {
    do {
      p.NextToken();
      q.Targets.push_back(ParseTargetColumn(p));
    } while (p.IsKind(','));
    if (!p.IsKind(')')) RaiseAt(p, "Right parentheses expected after list of table columns, instead found '");
    p.NextToken();
  }
  if (p.IsKeyword("VALUES")) {
    p.NextToken();
    if (!p.IsKind('(')) RaiseAt(p, "Left parentheses expected after VALUES keyword, instead found '");
    size_t item = 0;
    do {
      p.NextToken();
      // Without a column list the values go to the table's columns in order, named at planning.
      if (item == q.Targets.size()) q.Targets.emplace_back();
      q.Targets[item++].Value = ParseValue(p);
    } while (p.IsKind(','));
    if (!p.IsKind(')')) RaiseAt(p, "Right parentheses expected after list of values, instead found '");
    p.NextToken();
  } else if (p.IsKeyword("SELECT")) {
    TDataQuery& rows = statement.AddProcessor();
    rows.IsSubSelect = true;
    rows.FeedsInsert = true;
    ParseSelect(p, rows);
    q.RowSource = &rows;
  } else {
    RaiseAt(p, "VALUES or SELECT  keyword expected, instead found '");
  }
  ParseChangeOptions(p, q, true);
  ExpectEnd(p, "INSERT");
}

void ParseUpdate(TExpressionParser& p, TDataQuery& q) {
  q.Kind = TStatementKind::Update;
  p.NextToken();
  ParseCorrelation(p, ParseTableReference(p, q, "Table name expected, instead found '",
                                          "Table name expected, instead found '"),
                   {"SET"});
  if (!p.IsKeyword("SET")) RaiseAt(p, "SET keyword expected, instead found '");
  do {
    p.NextToken();
    TUpdateField target = ParseTargetColumn(p);
    if (!p.IsKind('=')) RaiseAt(p, "Assignment (=) operator expected after column name, instead found '");
    p.NextToken();
    target.Value = ParseValue(p);
    q.Targets.push_back(std::move(target));
  } while (p.IsKind(','));
  if (p.IsKeyword("WHERE")) {
    q.Condition = ParseWhere(p, {"NOAUTOINC", "COMMIT"});
    q.HasCondition = true;
  }
  ParseChangeOptions(p, q, true);
  ExpectEnd(p, "UPDATE");
}

void ParseDelete(TExpressionParser& p, TDataQuery& q) {
  q.Kind = TStatementKind::Delete;
  p.NextToken();
  if (!p.IsKeyword("FROM")) RaiseAt(p, "FROM keyword expected, instead found '");
  p.NextToken();
  ParseCorrelation(p, ParseTableReference(p, q, "Table name expected, instead found '",
                                          "Table name expected, instead found '"),
                   {"WHERE", "NOJOINOPTIMIZE", "COMMIT"});
  if (p.IsKeyword("WHERE")) {
    q.Condition = ParseWhere(p, {"COMMIT"});
    q.HasCondition = true;
  }
  ParseChangeOptions(p, q, false);
  ExpectEnd(p, "DELETE");
}

}  // namespace sklad::sql
