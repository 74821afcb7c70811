// The SELECT statement: its clauses in their fixed order, read into a TDataQuery.
#include <algorithm>
#include <charconv>

#include "ClauseReader.h"
#include "ConditionParts.h"
#include "QueryStatement.h"
#include "SqlErrors.h"
#include "engine/expression/ComparisonTurn.h"
#include "engine/expression/TreeWalk.h"

namespace sklad {
namespace {

using namespace sql;

constexpr TAllowances kSelectList = AllowAggregates | AllowAllColumns | AllowExtendedPredicates;
constexpr TAllowances kJoinCondition = AllowExtendedPredicates | AllowParameters;

// Words that end a source instead of naming it; FULL among them, so that a full outer join is
// reported as such rather than read as a correlation name.
constexpr std::string_view kNotCorrelationNames[] = {"LEFT",  "RIGHT",  "INNER", "JOIN",      "WHERE", "ORDER",
                                                     "GROUP", "HAVING", "WITH",  "ENCRYPTED", "FULL"};

bool ContainsAggregate(const TExpToken* node) {
  return AnyNode(node, [](const TExpToken& n) { return n.Kind == TNodeKind::Function && n.Operator >= TOperator::Sum; });
}

TAggregateKind AggregateOf(TOperator op) {
  switch (op) {
    case TOperator::Sum: return TAggregateKind::Sum;
    case TOperator::Min: return TAggregateKind::Min;
    case TOperator::Max: return TAggregateKind::Max;
    case TOperator::Avg: return TAggregateKind::Avg;
    default: return TAggregateKind::Count;
  }
}

bool IsPlainColumn(const TExpToken& node) { return node.Kind == TNodeKind::Column && !node.Next; }

// Marks the logical operators and comparisons of a JOIN ... ON condition, and the join kind on
// each comparison whose two sides both refer to columns.
void MarkJoinCondition(TExpToken* root, TJoinKind kind) {
  EachLogicalNode(root, [&](TExpToken& node) {
    if (node.IsLogical() || node.IsComparison()) node.FromJoin = true;
    if (node.IsComparison() && ContainsColumn(node.First) && ContainsColumn(node.Second)) node.JoinKind = kind;
  });
}

class TSelectParser {
 public:
  TSelectParser(TExpressionParser& parser, TDataQuery& query) : p(parser), q(query) {}

  void Parse() {
    p.NextToken();  // SELECT
    if (p.IsKeyword("ALL")) p.NextToken();
    if (p.IsKeyword("DISTINCT")) q.Distinct = true, p.NextToken();
    ParseSelectList();
    ParseInto();
    if (!p.IsKeyword("FROM")) RaiseAt(p, "FROM keyword expected, instead found '");
    p.NextToken();
    ParseTableList();
    if (p.IsKeyword("WHERE")) ParseWhereClause();
    if (p.IsKeyword("GROUP")) ParseGroupBy();
    if (p.IsKeyword("HAVING")) ParseHaving();
    if (p.IsKeyword("ORDER")) ParseOrderBy();
    if (p.IsKeyword("WITH")) {
      p.NextToken();
      if (!p.IsKeyword("LOCKS")) RaiseAt(p, "LOCKS keyword expected after WITH keyword, instead found '");
      q.WithLocks = true;
      p.NextToken();
    }
    if (p.IsKeyword("LANGUAGE"))
      ParseLanguageAndSort(p, q.ResultLanguage, q.ResultSort, q.LanguageGiven, q.SortGiven);
    if (p.IsKeyword("ENCRYPTED")) {
      p.NextToken();
      if (!p.IsKeyword("WITH")) RaiseAt(p, "WITH keyword expected after ENCRYPTED keyword, instead found '");
      p.NextToken();
      q.Password = p.TokenText().substr(0, 255);
      q.Encrypted = !q.Password.empty();
      p.NextToken();
    }
    if (p.IsKeyword("NOJOINOPTIMIZE")) q.NoJoinOptimize = true, p.NextToken();
    if (!q.IsSubSelect) ExpectEnd(p, "SELECT");
  }

 private:
  void AddCondition(TExpTree condition) {
    q.HasCondition = true;
    AndInto(q.Condition, condition.release());
  }

  void ParseSelectList() {
    for (;;) {
      p.Mark();
      TResultField field;
      field.Expression = ParseClause(p, "source column expression", kSelectList, "Source column expression is empty",
                                     {"FROM", "INTO"});
      field.ExpressionText = p.CapturedText();
      Classify(field);
      ParseAlias(field);
      q.Columns.push_back(std::move(field));
      if (!p.IsKind(',')) break;
      p.NextToken();
    }
  }

  void Classify(TResultField& field) {
    const TExpToken& node = *field.Expression;
    if (IsPlainColumn(node)) {
      field.ColumnName = node.ColumnName;
      field.CorrelationName = node.CorrelationName;
    } else if (node.Kind == TNodeKind::Function && node.Operator >= TOperator::Sum) {
      if (ContainsAggregate(node.First)) p.RaiseError("Aggregate functions cannot be nested");
      field.Aggregate = AggregateOf(node.Operator);
      if (node.First && IsPlainColumn(*node.First)) {
        field.ColumnName = node.First->ColumnName;
        field.CorrelationName = node.First->CorrelationName;
      } else {
        field.Computed = true;
      }
    } else {
      if (ContainsAggregate(&node)) p.RaiseError("Aggregate functions cannot be used within expressions");
      field.Computed = true;
    }
    q.HasComputedColumns = q.HasComputedColumns || field.Computed;
    q.HasAverage = q.HasAverage || field.Aggregate == TAggregateKind::Avg;
  }

  void ParseAlias(TResultField& field) {
    if (p.IsKeyword("AS")) {
      p.NextToken();
      if (!IsName(p)) RaiseAt(p, "Symbol or string expected after AS keyword, instead found '");
    } else if (!IsName(p) || p.IsKeyword("INTO") || p.IsKeyword("FROM")) {
      return;
    }
    field.Alias = p.TokenText();
    field.AliasGiven = true;
    p.NextToken();
    if (p.IsKind('.')) {  // t.name as an alias names the column "name"
      p.NextToken();
      if (!IsName(p)) RaiseAt(p, "Symbol or string expected after table correlation name, instead found '");
      field.Alias = p.TokenText();
      p.NextToken();
    }
  }

  void ParseInto() {
    if (!p.IsKeyword("INTO")) return;
    p.NextToken();
    if (p.IsKeyword("MEMORY")) {
      q.ResultInMemory = true;
      p.NextToken();
      if (!IsTableName(p)) RaiseAt(p, "Result table name expected in INTO MEMORY clause, instead found '");
    } else if (!IsTableName(p)) {
      RaiseAt(p, "Result table name expected in INTO clause, instead found '");
    }
    q.ResultTableName = p.TokenText().substr(0, 255);
    q.RequestLive = false;
    p.NextToken();
  }

  TSourceTable& ParseSource(bool afterJoin) {
    auto source = std::make_unique<TSourceTable>();
    source->SequenceNumber = ++FTablesNamed;
    if (p.IsKeyword("MEMORY")) source->InMemory = true, p.NextToken();
    if (!IsTableName(p))
      RaiseAt(p, afterJoin ? "Table name expected after JOIN keyword, instead found '"
                        : "Table name expected after FROM keyword, instead found '");
    SetTableName(*source, p.TokenText());
    p.NextToken();
    if (p.IsKeyword("AS")) {
      p.NextToken();
      if (!IsTableName(p)) RaiseAt(p, "Symbol or string expected after AS keyword, instead found '");
      source->CorrelationName = p.TokenText();
      p.NextToken();
    } else if (IsTableName(p) && !IsReservedAfterSource(afterJoin)) {
      source->CorrelationName = p.TokenText();
      p.NextToken();
    }
    source->CorrelationName = source->CorrelationName.substr(0, 255);
    for (const auto& other : q.Sources) {
      if (std::equal(other->CorrelationName.begin(), other->CorrelationName.end(),
                     source->CorrelationName.begin(), source->CorrelationName.end(),
                     [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) ==
                                                 std::toupper(static_cast<unsigned char>(b)); }))
        p.RaiseError("Duplicate table correlation name '" + source->CorrelationName + "' found in source tables");
    }
    q.Sources.push_back(std::move(source));
    return *q.Sources.back();
  }

  bool IsReservedAfterSource(bool afterJoin) const {
    if (p.IsKind(tkString)) return false;
    for (std::string_view word : kNotCorrelationNames)
      if (p.IsKeyword(word)) return true;
    if (q.FeedsInsert && (p.IsKeyword("NOAUTOINC") || p.IsKeyword("COMMIT"))) return true;
    return afterJoin && p.IsKeyword("ON");
  }

  void ParseTableList() {
    ParseSource(false);
    for (;;) {
      if (p.IsKind(',')) {
        p.NextToken();
        ParseSource(false);
        q.SeveralTables = true;
        continue;
      }
      TJoinKind kind;
      if (p.IsKeyword("JOIN")) {
        kind = TJoinKind::Inner;
      } else if (p.IsKeyword("INNER")) {
        kind = TJoinKind::Inner;
        p.NextToken();
        if (!p.IsKeyword("JOIN")) RaiseAt(p, "JOIN keyword expected after INNER keyword, instead found '");
      } else if (p.IsKeyword("LEFT") || p.IsKeyword("RIGHT")) {
        kind = p.IsKeyword("LEFT") ? TJoinKind::LeftOuter : TJoinKind::RightOuter;
        p.NextToken();
        if (p.IsKeyword("OUTER")) p.NextToken();
        if (!p.IsKeyword("JOIN"))
          RaiseAt(p, kind == TJoinKind::LeftOuter ? "JOIN keyword expected after LEFT or OUTER keyword, instead found '"
                                               : "JOIN keyword expected after RIGHT or OUTER keyword, instead found '");
      } else if (p.IsKeyword("FULL")) {
        p.RaiseError("Full outer joins are currently not supported in Sklad SQL SELECT statements");
      } else {
        return;
      }
      p.NextToken();  // JOIN
      TSourceTable& joined = ParseSource(true);
      if (kind == TJoinKind::RightOuter) {  // the outer table of a right join goes first
        auto it = std::find_if(q.Sources.begin(), q.Sources.end(), [&](auto& s) { return s.get() == &joined; });
        std::rotate(q.Sources.begin(), it, it + 1);
      }
      q.SeveralTables = true;
      if (!p.IsKeyword("ON")) RaiseAt(p, "ON keyword expected in JOIN clause, instead found '");
      EnterClause(p, "WHERE or JOIN clause");
      TExpTree condition =
          ParseClause(p, "WHERE or JOIN clause", kJoinCondition, "WHERE or JOIN clause is empty", {"WHERE", "JOIN"});
      MarkJoinCondition(condition.get(), kind);
      AddCondition(std::move(condition));
    }
  }

  void ParseWhereClause() { AddCondition(ParseWhere(p, {"GROUP", "HAVING", "ORDER"})); }

  // A column by name (optionally correlation.column) or by its position in the select list.
  TOrderByField ParseOrderItem(std::string_view clauseName) {
    TOrderByField item;
    if (p.IsKind(tkInteger)) {
      // A number no column can have, 0 or one too large for an integer, is refused as written.
      const std::string digits = p.TokenText();
      const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), item.ColumnNumber);
      if (error != std::errc() || item.ColumnNumber < 1)
        p.RaiseError(InvalidNumber(digits, std::string(clauseName) + " clause"));
      p.NextToken();
      return item;
    }
    if (!IsName(p))
      RaiseAt(p, "Column name or column number expected in " + std::string(clauseName) + " clause, instead found '");
    item.ColumnName = p.TokenText().substr(0, 255);
    p.NextToken();
    if (p.IsKind('.')) {
      p.NextToken();
      if (!IsName(p))
        RaiseAt(p, "Column name or column number expected in " + std::string(clauseName) + " clause, instead found '");
      item.CorrelationName = item.ColumnName;
      item.ColumnName = p.TokenText().substr(0, 255);
      p.NextToken();
    }
    return item;
  }

  void ParseGroupBy() {
    p.NextToken();
    if (!p.IsKeyword("BY")) RaiseAt(p, "BY keyword expected after GROUP keyword, instead found '");
    do {
      p.NextToken();
      q.GroupBy.push_back(ParseOrderItem("GROUP BY"));
    } while (p.IsKind(','));
    q.HasGroupBy = true;
  }

  void ParseHaving() {
    EnterClause(p, "HAVING clause");
    q.Having = ParseClause(p, "HAVING clause", AllowAggregates, "HAVING clause is empty", {"ORDER"});
    q.HasHaving = true;
  }

  void ParseOrderBy() {
    p.NextToken();
    if (!p.IsKeyword("BY")) RaiseAt(p, "BY keyword expected after ORDER keyword, instead found '");
    do {
      p.NextToken();
      TOrderByField item = ParseOrderItem("ORDER BY");
      if (p.IsKeyword("ASC") || p.IsKeyword("ASCENDING")) {
        p.NextToken();
      } else if (p.IsKeyword("DESC") || p.IsKeyword("DESCENDING")) {
        item.Descending = true;
        p.NextToken();
      }
      q.OrderBy.push_back(item);
    } while (p.IsKind(','));
    if (p.IsKeyword("NOCASE")) q.OrderByNoCase = true, p.NextToken();
    q.HasOrderBy = true;
  }

  TExpressionParser& p;
  TDataQuery& q;
  int FTablesNamed = 0;
};

}  // namespace

void ParseSelect(TExpressionParser& parser, TDataQuery& query) {
  query.Kind = TStatementKind::Select;
  TSelectParser(parser, query).Parse();
}

}  // namespace sklad
