#include <algorithm>
#include <string>

#include "QueryStatement.h"

namespace sklad {
namespace {

constexpr size_t kMaximumNameLength = 30;

std::string LastCharacters(const std::string& text, size_t count) {
  return text.size() > count ? text.substr(text.size() - count) : text;
}

std::string AggregateWord(TAggregateKind kind) {
  switch (kind) {
    case TAggregateKind::Sum: return "Sum Of ";
    case TAggregateKind::Min: return "Min Of ";
    case TAggregateKind::Max: return "Max Of ";
    case TAggregateKind::Avg: return "Average Of ";
    default: return "Count Of ";
  }
}

std::string BaseName(const TResultField& field) {
  if (field.AliasGiven) return LastCharacters(field.Alias, kMaximumNameLength);
  if (field.Aggregate != TAggregateKind::None)
    return AggregateWord(field.Aggregate) + (field.Computed ? "Expr" : field.ColumnName);
  return field.Computed ? "Expression" : field.ColumnName;
}

bool SameName(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
  });
}

}  // namespace

void NameResultColumns(std::vector<TResultField>& columns) {
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!columns[i].Name.empty()) continue;
    const std::string base = BaseName(columns[i]);
    std::string name = base;
    auto taken = [&](const std::string& candidate) {
      for (size_t j = 0; j < columns.size(); ++j)
        if (j != i && SameName(columns[j].Name, candidate)) return true;
      return false;
    };
    for (int n = 1; taken(name); ++n) {
      const std::string suffix = "_" + std::to_string(n);
      name = LastCharacters(base, kMaximumNameLength - std::min(suffix.size(), kMaximumNameLength)) + suffix;
    }
    columns[i].Name = name;
  }
}

}  // namespace sklad
