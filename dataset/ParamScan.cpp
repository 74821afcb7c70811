#include "ParamScan.h"

namespace sklad {
namespace {

bool EndsName(char c) { return c == '\r' || c == '\n' || c == ' ' || c == ')' || c == ',' || c == ';'; }

bool IsQuote(char c) { return c == '\'' || c == '"'; }

}  // namespace

TParamScan ScanParameters(std::string_view sql) {
  TParamScan scan;
  // The quote that opened the literal being read; a literal ends only at the same quote, so
  // "it's" inside double quotes opens nothing.
  char literal = 0;
  size_t at = 0;
  while (at < sql.size()) {
    const char c = sql[at];
    if (literal != 0) {
      if (c == literal) literal = 0;
      scan.Text += c;
      ++at;
      continue;
    }
    if (IsQuote(c)) {
      literal = c;
      scan.Text += c;
      ++at;
      continue;
    }
    if (c != ':') {
      scan.Text += c;
      ++at;
      continue;
    }
    if (at + 1 < sql.size() && sql[at + 1] == ':') {
      scan.Text += ':';
      at += 2;
      continue;
    }
    // A parameter name, plain or quoted.
    size_t start = at + 1, end = start;
    std::string name;
    if (start < sql.size() && IsQuote(sql[start])) {
      const size_t close = sql.find(sql[start], start + 1);
      if (close != std::string_view::npos) {
        name = sql.substr(start + 1, close - start - 1);
        end = close + 1;
      }
    } else {
      while (end < sql.size() && !EndsName(sql[end])) ++end;
      name = sql.substr(start, end - start);
    }
    if (name.empty()) {
      scan.Text += c;
      ++at;
      continue;
    }
    scan.Names.push_back(name);
    scan.Text += '?';
    at = end;
  }
  return scan;
}

}  // namespace sklad
