// Evaluation of a bound (and, for filters, prepared) tree against one record. Every value is a
// node taken from the pool; nothing else is allocated per record on the way.
#pragma once

#include <cstdint>

#include "ExpTokenStack.h"

namespace sklad {

// Copies a column's value out of a record.
class TFieldFetcher {
 public:
  virtual ~TFieldFetcher() = default;
  // Puts the value of the column the node names by FieldNumber and Source from the record buffer
  // into the node's value buffer (a BLOB's whole content, followed by a zero byte for memos) and
  // sets its is-null flag.
  virtual void Fetch(const uint8_t* record, TExpToken& column) = 0;
};

// A sub-select's rows, as evaluation asks about them.
class TEvaluatedSubQuery {
 public:
  virtual ~TEvaluatedSubQuery() = default;
  // Whether a row of the sub-select has its column equal to the value.
  virtual bool Contains(const TExpToken& value) = 0;
};

struct TEvaluationContext {
  uint16_t Language = 0;
  uint16_t Sort = 0;
  TFieldFetcher* Fetcher = nullptr;
};

// The node's value for the record, as a value node of the pool. Raises 11949 for a column when
// there is no fetcher, and the conversion error for a CAST of text that does not convert.
TExpTree Evaluate(const TExpToken& node, const uint8_t* record, const TEvaluationContext& context);

// Whether a condition holds for the record (its 16-bit value is non-zero).
bool ConditionHolds(const TExpToken& condition, const uint8_t* record, const TEvaluationContext& context);

// Three-way comparison of two non-null values of compatible types; `partialLength` and
// `caseInsensitive` apply to strings.
int CompareValues(const TExpToken& left, const TExpToken& right, const TEvaluationContext& context,
                  int partialLength = 0, bool caseInsensitive = false);

}  // namespace sklad
