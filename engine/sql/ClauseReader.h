// Reading the pieces every SQL statement shares: names, clause expressions, integer values,
// language and sort names, and the error messages made of a prefix and the current token.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>

#include "DataQuery.h"
#include "engine/expression/ExpressionParser.h"

namespace sklad::sql {

// prefix + the current token's text + "'"
[[noreturn]] void RaiseAt(TExpressionParser& p, std::string_view prefix);

// An identifier, bracketed name or string.
bool IsName(const TExpressionParser& p);
// An identifier or string: table names are never bracketed.
bool IsTableName(const TExpressionParser& p);

// The expression of a clause, parsed with the clause's description. `empty` is raised when the
// clause has nothing at all: the end of the text, `;`, `,`, `)` or one of the following keywords.
TExpTree ParseClause(TExpressionParser& p, std::string_view clause, TAllowances allowances, std::string_view empty,
                     std::initializer_list<std::string_view> followers);

// A single value of a clause (a column name, an index column), parsed as a primary.
TExpTree ParseClausePrimary(TExpressionParser& p, std::string_view clause, std::string_view empty);

// Steps past the keyword that opens a clause (WHERE, ON, HAVING). The clause's first token is read
// in the clause's context, so that an unterminated string or name there is reported in it.
void EnterClause(TExpressionParser& p, std::string_view clause);

// A WHERE condition, as SELECT, UPDATE and DELETE have it.
TExpTree ParseWhere(TExpressionParser& p, std::initializer_list<std::string_view> followers);

// An integer value given as a signed primary; anything but an integer constant counts as 0.
int32_t ParseIntegerValue(TExpressionParser& p, std::string_view clause, std::string_view empty);

// LANGUAGE name [SORT name], with the LANGUAGE keyword as the current token.
void ParseLanguageAndSort(TExpressionParser& p, uint16_t& language, uint16_t& sort, bool& languageGiven,
                          bool& sortGiven);

// `t` or `MEMORY t`: the statement's table. `missing` is raised when no table name follows.
TSourceTable& ParseTableReference(TExpressionParser& p, TDataQuery& q, std::string_view missing,
                                  std::string_view missingAfterMemory);

// An optional correlation name of the table: after AS, or any name the caller does not reserve.
void ParseCorrelation(TExpressionParser& p, TSourceTable& source, std::initializer_list<std::string_view> reserved);

// Fills the table and directory parts of a table name as written.
void SetTableName(TSourceTable& source, const std::string& name);

// The optional `;` and the end of the text, else "End of <statement> statement expected".
void ExpectEnd(TExpressionParser& p, std::string_view statement);

}  // namespace sklad::sql
