// The parsers of the statements other than SELECT, each entered with its first keyword(s) read.
#pragma once

#include "DataQuery.h"
#include "engine/expression/ExpressionParser.h"

namespace sklad {

class TQueryStatement;

namespace sql {

// With INSERT as the current token; an INSERT ... SELECT gets its SELECT's processor from the statement.
void ParseInsert(TExpressionParser& p, TQueryStatement& statement, TDataQuery& q);
// With UPDATE, DELETE as the current token.
void ParseUpdate(TExpressionParser& p, TDataQuery& q);
void ParseDelete(TExpressionParser& p, TDataQuery& q);
// With the token after CREATE TABLE, CREATE, ALTER TABLE, DROP TABLE, DROP INDEX as the current token.
void ParseCreateTable(TExpressionParser& p, TDataQuery& q);
void ParseCreateIndex(TExpressionParser& p, TDataQuery& q);
void ParseAlterTable(TExpressionParser& p, TDataQuery& q);
void ParseDropTable(TExpressionParser& p, TDataQuery& q);
void ParseDropIndex(TExpressionParser& p, TDataQuery& q);

}  // namespace sql
}  // namespace sklad
