// The tokenizer half of TExpressionParser: positions, tokens and error messages.
#include <algorithm>

#include "ExpressionParser.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/language/LanguageSettings.h"

namespace sklad {
namespace {

bool IsIdentifierStart(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || (c >= 129 && c <= 254);
}

bool IsIdentifierPart(unsigned char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9'); }

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c; }

// Every run of two or more of the same quote character becomes one.
std::string CollapseQuoteRuns(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    out += c;
    if (c == '\'' || c == '"')
      while (i + 1 < text.size() && text[i + 1] == c) ++i;
  }
  return out;
}

}  // namespace

TExpressionParser::TExpressionParser(TExpressionOwner* owner) : FOwner(owner) {}

void TExpressionParser::SetErrorContext(uint16_t code, std::string_view name, std::string_view clause) {
  FErrorCode = code;
  FErrorName = std::string(name.substr(0, 255));
  SetClause(clause);
}

void TExpressionParser::SetClause(std::string_view clause) { FClause = std::string(clause.substr(0, 255)); }

void TExpressionParser::SetText(std::string_view text) {
  FText = std::string(text);
  FDecimalSeparator = CurrentLanguageSettings().DecimalSeparator;
  FPosition = FTokenStart = FTokenEnd = FPreviousEnd = FMark = 0;
  FKind = 0;
  FUnterminated = false;
  FDepth = 0;
}

void TExpressionParser::SkipBlanksAndComments() {
  for (;;) {
    while (FPosition < FText.size() && static_cast<unsigned char>(FText[FPosition]) <= 32) ++FPosition;
    if (At(FPosition) != '/' || At(FPosition + 1) != '*') return;
    const size_t close = FText.find("*/", FPosition + 2);
    if (close == std::string::npos) RaiseClauseError("Missing ending comment slash and asterisk in ");
    FPosition = close + 2;
  }
}

// A string or bracketed name up to its closing delimiter; a doubled quote stays in the text.
void TExpressionParser::ScanQuoted(char close, std::string_view unterminatedPrefix) {
  size_t i = FPosition + 1;
  for (;;) {
    if (i >= FText.size()) {
      FPosition = FTokenEnd = FText.size();
      FUnterminated = true;
      RaiseTokenError(unterminatedPrefix);
    }
    if (FText[i] == close) {
      if (close != ']' && At(i + 1) == close) {
        i += 2;
        continue;
      }
      break;
    }
    ++i;
  }
  FTokenEnd = i;
  FPosition = i + 1;
}

void TExpressionParser::ScanNumber() {
  bool onlyDigits = true;
  while (IsDigit(FPosition)) ++FPosition;
  for (;;) {
    const char c = At(FPosition);
    const char previous = FPosition > 0 ? At(FPosition - 1) : '\0';
    const bool exponentSign = (c == '+' || c == '-') && (previous == 'E' || previous == 'e');
    if (!(IsDigit(FPosition) || c == 'E' || c == 'e' || c == FDecimalSeparator || exponentSign)) break;
    if (!IsDigit(FPosition)) onlyDigits = false;
    ++FPosition;
  }
  FKind = onlyDigits ? tkInteger : tkFloat;
}

int TExpressionParser::NextToken() {
  FPreviousEnd = FPosition;
  FUnterminated = false;
  SkipBlanksAndComments();
  FTokenStart = FTokenEnd = FPosition;
  const unsigned char c = static_cast<unsigned char>(At(FPosition));
  if (FPosition >= FText.size()) {
    FKind = 0;
  } else if (IsIdentifierStart(c)) {
    while (FPosition < FText.size() && IsIdentifierPart(static_cast<unsigned char>(FText[FPosition]))) ++FPosition;
    FKind = tkIdentifier;
  } else if (c == '#') {
    ++FPosition;
    while (IsDigit(FPosition)) ++FPosition;
    FKind = tkCharacterConstant;
  } else if (c == '\'' || c == '"') {
    FKind = tkString;
    ScanQuoted(static_cast<char>(c), c == '\'' ? "Missing single quote after '" : "Missing double quote after '");
  } else if (c == '[') {
    FKind = tkBracketedName;
    ScanQuoted(']', "Missing right bracket after '");
  } else if (c >= '0' && c <= '9') {
    ScanNumber();
  } else if (c == static_cast<unsigned char>(FDecimalSeparator) && IsDigit(FPosition + 1)) {
    ++FPosition;
    for (;;) {
      const char d = At(FPosition);
      const char previous = At(FPosition - 1);
      if (IsDigit(FPosition) || d == 'E' || d == 'e' || ((d == '+' || d == '-') && (previous == 'E' || previous == 'e')))
        ++FPosition;
      else
        break;
    }
    FKind = tkFloat;
  } else {
    ++FPosition;
    FKind = c;
  }
  if (FKind != tkString && FKind != tkBracketedName) FTokenEnd = FPosition;
  return FKind;
}

std::string TExpressionParser::TokenText() const {
  const bool delimited = FKind == tkString || FKind == tkBracketedName;
  const size_t from = std::min(delimited ? FTokenStart + 1 : FTokenStart, FText.size());
  const size_t to = std::max(from, std::min(FTokenEnd, FText.size()));
  return CollapseQuoteRuns(std::string_view(FText).substr(from, to - from));
}

bool TExpressionParser::IsKeyword(std::string_view word) const {
  if (FKind != tkIdentifier || FTokenEnd - FTokenStart != word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (AsciiUpper(FText[FTokenStart + i]) != AsciiUpper(word[i])) return false;
  return true;
}

std::string TExpressionParser::CapturedText() const {
  std::string text = FText.substr(std::min(FMark, FText.size()), FPreviousEnd > FMark ? FPreviousEnd - FMark : 0);
  std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
  return text;
}

void TExpressionParser::RaiseError(const std::string& message) const {
  RaiseEngineError(FErrorCode, FErrorName, {}, message);
}

void TExpressionParser::RaiseTokenError(std::string_view prefix) const {
  RaiseError(std::string(prefix) + TokenText() + "' in " + FClause);
}

void TExpressionParser::RaiseTokenError(std::initializer_list<std::string_view> prefix) const {
  std::string joined;
  for (std::string_view part : prefix) joined += part;
  RaiseTokenError(joined);
}

void TExpressionParser::RaiseClauseError(std::string_view prefix) const { RaiseError(std::string(prefix) + FClause); }

void TExpressionParser::RaiseUnexpectedSymbol() const {
  RaiseError("Unknown or unexpected symbol '" + TokenText() + "' found in " + FClause);
}

}  // namespace sklad
