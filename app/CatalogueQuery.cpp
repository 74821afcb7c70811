#include "CatalogueQuery.h"

// Placeholder until the composition lands.
namespace rejstrik {

TCatalogueSql CatalogueSql(std::string_view tableName, const std::vector<TIssueChoice>&,
                           const std::vector<TSectionChoice>&) {
  return {{"SELECT * FROM " + std::string(tableName)}, true, true};
}

const TTypePattern& TypeToggle(int) {
  static const TTypePattern pattern{"typ", "1%"};
  return pattern;
}

void AppendTypePart(std::vector<std::string>&, std::string_view,
                    const std::array<bool, TypeToggleCount>&, TTypeOperator) {}

std::string SearchWordText(std::string_view word) { return std::string(word); }

std::string SimpleSearchFilter(std::string_view, bool, bool) { return {}; }

std::string ConditionalSearchFilter(const TConditionalSearch&) { return {}; }

}  // namespace rejstrik
