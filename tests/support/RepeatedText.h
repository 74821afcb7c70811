// Long and deep texts for tests of expressions and statements: a term repeated with an operator
// between, and openings nested around an inner text.
#pragma once

#include <string>
#include <string_view>

namespace sklad::testing {

// `count` terms joined by the operator.
inline std::string Joined(std::string_view term, std::string_view op, int count) {
  std::string text(term);
  for (int i = 1; i < count; ++i) text.append(op).append(term);
  return text;
}

// `depth` openings around the innermost text, each closed again.
inline std::string Nested(std::string_view opening, std::string_view inner, std::string_view closing, int depth) {
  std::string text;
  for (int i = 0; i < depth; ++i) text += opening;
  text += inner;
  for (int i = 0; i < depth; ++i) text += closing;
  return text;
}

}  // namespace sklad::testing
