// TQueryStatement: one prepared SQL text. It recognises the statement, parses it through the
// expression language's parser into its processors (the main one, and one per IN (SELECT ...)),
// and keeps the statement's `?` parameter markers in order of appearance.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "DataQuery.h"
#include "engine/expression/ExpressionParser.h"

namespace sklad {

class TQueryStatement : public TExpressionOwner {
 public:
  // Texts are read under the locale settings of the session's language and sort.
  TQueryStatement(uint16_t language, uint16_t sort);

  // Parses the text; answers the characters consumed (a further statement after `;` is left).
  size_t Parse(std::string_view text);

  TDataQuery& Main() { return *FProcessors.front(); }
  // A further processor: a sub-select's, or the SELECT of an INSERT ... SELECT.
  TDataQuery& AddProcessor();
  // The main processor first, then one per sub-select in the order they were met.
  const std::vector<std::unique_ptr<TDataQuery>>& Processors() const { return FProcessors; }
  const std::vector<TExpToken*>& Parameters() const { return FParameters; }

  void AddParameter(TExpToken* marker) override { FParameters.push_back(marker); }
  TSubQuery* ParseSubSelect(TExpressionParser& parser) override;

 private:
  void ParseStatement();

  uint16_t FLanguage, FSort;
  TExpressionParser FParser;
  std::vector<std::unique_ptr<TDataQuery>> FProcessors;
  std::vector<TExpToken*> FParameters;
};

// Parses a SELECT statement from its SELECT keyword into the processor; for a sub-select it stops
// before the `)` that closes it.
void ParseSelect(TExpressionParser& parser, TDataQuery& query);

// Gives every result column that has none its name: the alias cut to its last 30 characters, the
// column's name, "Sum Of <column>", "Expression" and so on, made unique with "_1", "_2", ...
void NameResultColumns(std::vector<TResultField>& columns);

}  // namespace sklad
