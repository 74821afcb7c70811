// The parameter scan of a query's SQL text: named parameters (":name") found outside quoted
// literals and replaced by the engine's "?" markers.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sklad {

struct TParamScan {
  // The text for the engine: each parameter a "?", each "::" outside literals one ":".
  std::string Text;
  // The parameters' names in the order of their markers; a name used twice appears twice.
  std::vector<std::string> Names;
};

// Outside single- or double-quoted literals, ":" followed by a name marks a parameter. The name
// ends at a carriage return, line feed, space, ")", "," or ";" or the end of the text; a name in
// double or single quotes may hold those characters and is taken without its quotes. A ":" with
// no name after it, or a quoted name that is empty or lacks its closing quote, is left in the
// text as it is.
TParamScan ScanParameters(std::string_view sql);

}  // namespace sklad
