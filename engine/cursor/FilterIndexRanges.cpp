// Comparisons answered by walking an index: the key interval of a comparison, the count that
// chooses the walk over the keys outside it, and IN and BETWEEN from those intervals. Strict
// bounds are taken as the complement of the inclusive interval on the other side, so no key is
// stepped across the null flag or past the highest or lowest value.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "DataCursor.h"
#include "FilterNodes.h"
#include "PooledBitmap.h"
#include "engine/expression/ValueAccess.h"
#include "engine/expression/ValueClasses.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/language/LanguageMaps.h"

namespace sklad {

template <class TBody>
void TDataCursor::WithIndex(int slot, TBody&& body) {
  std::unique_ptr<TCursorIndex> saved = std::move(FIndex);
  const int savedNumber = FIndexNumber;
  struct TRestore {
    TDataCursor& Cursor;
    std::unique_ptr<TCursorIndex>& Saved;
    int Number;
    ~TRestore() {
      Cursor.FIndex = std::move(Saved);
      Cursor.FIndexNumber = Number;
    }
  } restore{*this, saved, savedNumber};
  FIndex = std::make_unique<TCursorIndex>(*FTable, FFields, slot);
  FIndexNumber = slot;
  body();
}

TDataCursor::TKeyFit TDataCursor::ConstantKey(int fieldNo, const TExpToken* constant, bool upperSubject,
                                              uint8_t* key) {
  const TFieldDefinition& field = TableField(fieldNo);
  // The auto-increment value lives in the record's header, and is never null.
  if (field.IsAutoIncrement()) return TKeyFit::Unknown;
  std::vector<uint8_t> record(static_cast<size_t>(FRecordSize), 0);
  if (constant != nullptr) {
    uint8_t* at = record.data() + field.Offset();
    at[0] = 1;
    if (field.Type() == TFieldType::String) {
      if (TypeOf(*constant) != TFieldType::String) return TKeyFit::Unknown;
      const std::string_view text = ReadText(*constant);
      // A stored value never ends in a space and never exceeds the field.
      if (text.size() > static_cast<size_t>(field.StoredSize() - 1)) return TKeyFit::NeverEqual;
      if (!text.empty() && text.back() == ' ') return TKeyFit::Unknown;
      if (upperSubject) {
        // UPPER(column) equals only text that is its own upper case; the key uppercases both.
        std::string upper(text);
        ToUpperCase(FTable->Data().Language(), FTable->Data().Sort(), std::span<char>(upper.data(), upper.size()));
        if (upper != text) return TKeyFit::Unknown;
      }
      StoreStringValue(at + 1, field.StoredSize(), text);
    } else if (constant->ValueType == field.TypeCode()) {
      std::memcpy(at + 1, constant->Value.data(), std::min<size_t>(field.StoredSize(), constant->Value.size()));
    } else {
      // A number the column's type could not take exactly (5.5 for an integer column).
      return IsNumeric(field.Type()) && IsNumeric(TypeOf(*constant)) ? TKeyFit::NeverEqual : TKeyFit::Unknown;
    }
  }
  BuildKey(record.data(), key);
  return TKeyFit::Exact;
}

void TDataCursor::KeyBlock(const uint8_t* key, int compareLength, uint8_t* low, uint8_t* high) const {
  std::copy_n(key, KeyLength(), low);
  std::copy_n(key, KeyLength(), high);
  FillFirst(low, compareLength);
  FillLast(high, compareLength);
}

void TDataCursor::SetBitsInInterval(const uint8_t* low, const uint8_t* high, int compareLength, bool costRule,
                                    TRecordsBitmap& bitmap) {
  const TKeyLayout& layout = FIndex->Layout();
  if (costRule && !layout.TableHasLanguage()) {
    const uint32_t matches = CountKeysInRange(low, high);
    if (FIndex->Tree().KeyCount() - matches < matches) {
      // Keys order as bytes: the neighbouring prefix of a bound is one step away, and a bound
      // that cannot step has nothing beyond it.
      const bool descending = layout.Descending();
      uint8_t first[kMaxKeyLength], last[kMaxKeyLength], bound[kMaxKeyLength];
      FillFirst(first, 0);
      FillLast(last, 0);
      TPooledBitmap part(bitmap);
      bitmap.ClearAll();
      std::copy_n(low, KeyLength(), bound);
      if (descending ? IncrementKey(bound, compareLength) : DecrementKey(bound, compareLength)) {
        FillLast(bound, compareLength);
        SetBitsInKeyRange(first, bound, *part);
        bitmap.OrWith(*part);
      }
      std::copy_n(high, KeyLength(), bound);
      if (descending ? DecrementKey(bound, compareLength) : IncrementKey(bound, compareLength)) {
        FillFirst(bound, compareLength);
        SetBitsInKeyRange(bound, last, *part);
        bitmap.OrWith(*part);
      }
      bitmap.Invert();
      return;
    }
  }
  SetBitsInKeyRange(low, high, bitmap);
}

void TDataCursor::SetBitsForComparison(TOperator op, const uint8_t* key, const uint8_t* nullKey, int compareLength,
                                       bool costRule, TRecordsBitmap& bitmap) {
  const TKeyLayout& layout = FIndex->Layout();
  const TKeySegment& segment = layout.Segments()[0];
  const int segmentLength = segment.StoredSize + 1;
  uint8_t nullLow[kMaxKeyLength], nullHigh[kMaxKeyLength], low[kMaxKeyLength], high[kMaxKeyLength];
  KeyBlock(nullKey, segmentLength, nullLow, nullHigh);
  KeyBlock(key, compareLength, low, high);
  switch (op) {
    case TOperator::IsNull:
    case TOperator::IsNotNull:
      SetBitsInInterval(nullLow, nullHigh, segmentLength, costRule, bitmap);
      if (op == TOperator::IsNotNull) bitmap.Invert();
      return;
    case TOperator::Equal:
    case TOperator::NotEqual:
      SetBitsInInterval(low, high, compareLength, costRule, bitmap);
      // <> also holds for a null column.
      if (op == TOperator::NotEqual) bitmap.Invert();
      return;
    default:
      break;
  }
  uint8_t first[kMaxKeyLength], last[kMaxKeyLength];
  FillFirst(first, 0);
  FillLast(last, 0);
  const bool upward = op == TOperator::Greater || op == TOperator::GreaterOrEqual;
  const bool strict = op == TOperator::Greater || op == TOperator::Less;
  // In index order the greater values follow the constant's keys unless the field descends.
  const bool after = upward == (!layout.Descending() && !segment.Descending);
  TPooledBitmap nulls(bitmap);
  SetBitsInKeyRange(nullLow, nullHigh, *nulls);
  if (strict) {
    // Beyond the constant: everything that is not up to and including it, and not null.
    after ? SetBitsInKeyRange(first, high, bitmap) : SetBitsInKeyRange(low, last, bitmap);
    bitmap.OrWith(*nulls);
    bitmap.Invert();
  } else {
    after ? SetBitsInKeyRange(low, last, bitmap) : SetBitsInKeyRange(first, high, bitmap);
    nulls->Invert();
    bitmap.AndWith(*nulls);
  }
}

bool TDataCursor::EvaluateThroughIndex(bool costRule, TRecordsBitmap& bitmap, const TExpToken& node) {
  const bool unary = node.Kind == TNodeKind::UnaryOperator;
  const TFilterSubject subject = unary                ? TFilterSubject{node.First->FieldNumber, false}
                                 : node.IsComparison() ? ComparisonSubject(node)
                                                       : SubjectOf(node.First);
  const bool collated = node.Kind == TNodeKind::CollatedComparison;
  const bool caseInsensitive = subject.Upper || (collated && node.CaseInsensitive);
  const int slot = IndexForField(subject.FieldNumber, caseInsensitive, unary);
  if (slot < 0) return false;
  bool answered = true;
  WithIndex(slot, [&] {
    const int segmentLength = FIndex->Layout().Segments()[0].StoredSize + 1;
    uint8_t nullKey[kMaxKeyLength], key[kMaxKeyLength];
    if (ConstantKey(subject.FieldNumber, nullptr, false, nullKey) != TKeyFit::Exact) {
      answered = false;
      return;
    }
    auto fit = [&](const TExpToken* constant, uint8_t* out) {
      return ConstantKey(subject.FieldNumber, constant, subject.Upper, out);
    };
    if (unary) {
      SetBitsForComparison(node.Operator, nullKey, nullKey, segmentLength, costRule, bitmap);
      return;
    }
    if (node.Kind == TNodeKind::Predicate && (node.Operator == TOperator::In || node.Operator == TOperator::NotIn)) {
      TPooledBitmap item(bitmap);
      bitmap.ClearAll();
      for (const TExpToken* value = node.Second; value != nullptr; value = value->Next) {
        // A null item matches a null column, as = does.
        const TKeyFit itemFit = value->IsNull ? TKeyFit::Exact : fit(value, key);
        if (itemFit == TKeyFit::Unknown) {
          answered = false;
          return;
        }
        if (itemFit == TKeyFit::NeverEqual) continue;
        const TOperator op = value->IsNull ? TOperator::IsNull : TOperator::Equal;
        SetBitsForComparison(op, key, nullKey, segmentLength, costRule, *item);
        bitmap.OrWith(*item);
      }
      if (node.Operator == TOperator::NotIn) bitmap.Invert();
      return;
    }
    if (node.Kind == TNodeKind::Predicate) {
      // BETWEEN: from the low bound's keys to the high bound's, both included.
      const TExpToken* lowBound = node.Second;
      const TExpToken* highBound = lowBound->Next;
      uint8_t highKey[kMaxKeyLength];
      if (lowBound->IsNull || highBound == nullptr || highBound->IsNull || fit(lowBound, key) != TKeyFit::Exact ||
          fit(highBound, highKey) != TKeyFit::Exact) {
        answered = false;
        return;
      }
      uint8_t lowFirst[kMaxKeyLength], lowLast[kMaxKeyLength], highFirst[kMaxKeyLength], highLast[kMaxKeyLength];
      KeyBlock(key, segmentLength, lowFirst, lowLast);
      KeyBlock(highKey, segmentLength, highFirst, highLast);
      const TKeyLayout& layout = FIndex->Layout();
      if (!layout.Descending() && !layout.Segments()[0].Descending) {
        SetBitsInInterval(lowFirst, highLast, segmentLength, costRule, bitmap);
      } else {
        SetBitsInInterval(highFirst, lowLast, segmentLength, costRule, bitmap);
      }
      if (node.Operator == TOperator::NotBetween) bitmap.Invert();
      return;
    }
    TOperator op = node.Operator;
    const TExpToken* constant = node.Second;
    if (constant->IsNull) {
      // = NULL holds for a null column, <> NULL for any other; no order holds with a null.
      if (op == TOperator::Equal || op == TOperator::NotEqual) {
        SetBitsForComparison(op == TOperator::Equal ? TOperator::IsNull : TOperator::IsNotNull, nullKey, nullKey,
                             segmentLength, costRule, bitmap);
      } else {
        bitmap.ClearAll();
      }
      return;
    }
    const TKeyFit constantFit = fit(constant, key);
    const bool equality = op == TOperator::Equal || op == TOperator::NotEqual;
    if (constantFit == TKeyFit::Unknown || (constantFit == TKeyFit::NeverEqual && !equality)) {
      answered = false;
      return;
    }
    if (constantFit == TKeyFit::NeverEqual) {
      // Nothing equals it, so <> holds everywhere, nulls included.
      op == TOperator::Equal ? bitmap.ClearAll() : bitmap.SetAll();
      return;
    }
    int compareLength = collated && node.PartialLength > 0 ? node.PartialLength + 1 : segmentLength;
    // The null flag and the prefix's characters.
    if (subject.PrefixLength > 0) compareLength = subject.PrefixLength + 1;
    SetBitsForComparison(op, key, nullKey, compareLength, costRule, bitmap);
  });
  return answered;
}

}  // namespace sklad
