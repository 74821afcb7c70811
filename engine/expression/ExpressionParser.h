// TExpressionParser: the tokenizer and recursive-descent parser of every textual expression,
// filter texts and each clause of SQL statements alike. It turns text into a tree of TExpToken
// nodes; it resolves no names and checks no types. Errors are raised with the parser's error
// context: its code (10051 for filters, 11949 for SQL), its name and the clause being parsed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "ExpTokenStack.h"

namespace sklad {

class TExpressionParser;

// The constructs a clause admits; passed down unchanged through every level of a parse.
enum TAllowance : uint8_t {
  AllowAggregates = 1,
  AllowAllColumns = 2,
  AllowExtendedPredicates = 4,  // LIKE, BETWEEN, IN, IS NULL and their NOT forms
  AllowParameters = 8,
  AllowSubSelects = 16,
};
using TAllowances = uint8_t;

// Token kinds; a single-character token's kind is the character itself (0 at the end of text).
enum TTokenKind : int {
  tkIdentifier = 256,
  tkBracketedName,
  tkString,
  tkCharacterConstant,
  tkInteger,
  tkFloat,
};

// The statement a parser works for: it keeps parameter markers and parses sub-selects.
class TExpressionOwner {
 public:
  virtual ~TExpressionOwner() = default;
  // A `?` marker, in order of appearance.
  virtual void AddParameter(TExpToken* marker) = 0;
  // Parses the SELECT at the parser's current token and answers its processor, which the
  // statement owns.
  virtual TSubQuery* ParseSubSelect(TExpressionParser& parser) = 0;
};

class TExpressionParser {
 public:
  // Parentheses, the arguments of functions and sub-selects nest at most this deep. Every walk
  // over a tree recurses only as deeply as its text nests (a run of operators, however long,
  // goes in a loop: OperatorRuns.h), so this bound keeps parsing, binding, preparation,
  // evaluation and planning well inside a small thread stack, sanitizer frames included.
  static constexpr int kMaximumNesting = 100;
  // The levels a sub-select takes: parsing one goes through the statement parser's larger frames.
  static constexpr int kSubSelectNesting = 4;

  explicit TExpressionParser(TExpressionOwner* owner = nullptr);

  void SetErrorContext(uint16_t code, std::string_view name, std::string_view clause);
  void SetClause(std::string_view clause);
  const std::string& Clause() const { return FClause; }
  // Numbers in the text are read with the decimal separator of the locale settings in force.
  void SetText(std::string_view text);
  int NextToken();
  int Kind() const { return FKind; }
  bool IsKind(int kind) const { return FKind == kind; }
  // Strings and bracketed names without their delimiters; runs of quotes collapsed to one.
  std::string TokenText() const;
  // The current token is an identifier equal to the word, in any letter case.
  bool IsKeyword(std::string_view word) const;

  TExpTree ParseExpression(TAllowances allowances);
  TExpTree ParsePrimary(TAllowances allowances);
  TExpTree ParseSignedPrimary(TAllowances allowances);
  // Reads a data type into the node (type, subtype, arguments from Second on); answers false
  // when optional and no data type keyword is there.
  bool ParseDataType(TExpToken& node, TAllowances allowances, bool optional);

  // Remembers the start of the current token.
  void Mark() { FMark = FTokenStart; }
  // The text from the mark to the end of the last consumed token, without CR and LF.
  std::string CapturedText() const;
  // Characters from the start of the text to the start of the current token.
  size_t ConsumedLength() const { return FTokenStart; }

  // prefix + the current token's text + "' in " + clause
  [[noreturn]] void RaiseTokenError(std::string_view prefix) const;
  // The same with a prefix made of parts.
  [[noreturn]] void RaiseTokenError(std::initializer_list<std::string_view> prefix) const;
  // prefix + clause
  [[noreturn]] void RaiseClauseError(std::string_view prefix) const;
  [[noreturn]] void RaiseError(const std::string& message) const;

 private:
  // Tokenizing.
  void SkipBlanksAndComments();
  void ScanQuoted(char close, std::string_view unterminatedPrefix);
  void ScanNumber();
  char At(size_t position) const { return position < FText.size() ? FText[position] : '\0'; }
  bool IsDigit(size_t position) const { return At(position) >= '0' && At(position) <= '9'; }

  // Grammar levels, loosest first.
  TExpTree ParseDisjunction(TAllowances allowances);
  TExpTree ParseConjunction(TAllowances allowances);
  TExpTree ParseNegation(TAllowances allowances);
  TExpTree ParseComparison(TAllowances allowances);
  TExpTree ParsePredicate(TExpTree left, TAllowances allowances);
  TExpTree ParseInList(TExpTree node, TAllowances allowances);
  TExpTree ParseIsNull(TExpTree left);
  TExpTree ParseSum(TAllowances allowances);
  TExpTree ParseProduct(TAllowances allowances);
  TExpTree ParseNameOrString(TAllowances allowances);
  TExpTree ParseMarker(TAllowances allowances);
  TExpTree ParseIdentifier(TAllowances allowances);
  TExpTree ParseNamedValue(TAllowances allowances);
  TExpTree ParseQualifiedColumn(const std::string& correlation, TAllowances allowances);
  TExpTree ParseNumber();
  TExpTree ParseCharacterConstant();
  // An operator's node with the current token as its text; the token is consumed.
  TExpTree TakeOperator(TNodeKind kind, TOperator op);
  TExpTree TakeComparisonOperator();
  TExpTree TakePredicateOperator();
  TExpTree TakeAdditiveOperator();

  // Functions and aggregates (ExpressionFunctions.cpp).
  // The current token is the name of a function (not an aggregate).
  bool IsFunctionKeyword() const;
  TExpTree ParseFunction(TAllowances allowances);
  void ParseFunctionArguments(TExpToken& node, std::string_view name, TAllowances allowances);
  void ParseSingleArgument(TExpToken& node, TAllowances allowances);
  void ParseRoundArguments(TExpToken& node, TAllowances allowances);
  void ParseIfArguments(TExpToken& node, TAllowances allowances);
  void ParseSubstringArguments(TExpToken& node, TAllowances allowances);
  void ParseReplaceArguments(TExpToken& node, TAllowances allowances);
  void ParsePositionArguments(TExpToken& node, std::string_view name, TAllowances allowances);
  void ParseCastArguments(TExpToken& node, TAllowances allowances);
  void ParseTrimArguments(TExpToken& node, TAllowances allowances);
  void ParseExtractArguments(TExpToken& node, TAllowances allowances);
  TExpTree ParseAggregate(TAllowances allowances);
  void ParseDataTypeArguments(TExpToken& node, TAllowances allowances, std::string_view name,
                              bool required, bool twoArguments);

  // "Unknown or unexpected symbol '" + the current token + "' found in " + clause
  [[noreturn]] void RaiseUnexpectedSymbol() const;
  void Expect(int kind, std::string_view prefix);
  void ExpectKeyword(std::string_view word, std::string_view prefix);
  TExpTree MakeNode(TNodeKind kind, TOperator op, std::string text) const;

  // Levels of nesting for a scope; past the bound the parse fails before it goes deeper.
  class TNestingLevel {
   public:
    TNestingLevel(TExpressionParser& parser, int levels);
    ~TNestingLevel() { FParser.FDepth -= FLevels; }
    TNestingLevel(const TNestingLevel&) = delete;
    TNestingLevel& operator=(const TNestingLevel&) = delete;

   private:
    TExpressionParser& FParser;
    int FLevels;
  };

  TExpressionOwner* FOwner;
  uint16_t FErrorCode = 0;
  std::string FErrorName;
  std::string FClause;
  char FDecimalSeparator = '.';  // of the settings in force when the text was set
  int FDepth = 0;  // levels of nesting being parsed, one inside the other

  std::string FText;
  size_t FPosition = 0;    // the read position
  size_t FTokenStart = 0;  // start of the current token
  size_t FTokenEnd = 0;    // end of the current token's text (before a closing delimiter)
  size_t FPreviousEnd = 0; // end of the previous token, before blanks and comments
  size_t FMark = 0;
  int FKind = 0;
  bool FUnterminated = false;  // the current string or bracketed name lacks its closing delimiter
};

}  // namespace sklad
