#include <algorithm>

#include "DataCursor.h"
#include "DataCursorReading.h"
#include "engine/expression/ComparisonTurn.h"
#include "engine/expression/ExpressionParser.h"
#include "engine/expression/ExpressionPreparation.h"
#include "engine/storage/table/DataDirectory.h"
#include "engine/storage/table/DataSession.h"
#include "engine/storage/table/DataTable.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/index/IndexReadRestart.h"
#include "engine/storage/language/LanguageSettings.h"

namespace sklad {
namespace {

constexpr const char* kFilterClause = "filter expression";

// `5 < x` becomes `x > 5`, so that a comparison at the root finds its column on the left.
void PutColumnFirst(TExpToken& root) {
  TExpToken* node = &root;
  while (node->Kind == TNodeKind::UnaryOperator && node->First != nullptr) node = node->First;
  if (!node->IsComparison() || node->First == nullptr || node->Second == nullptr) return;
  if (ContainsColumn(node->First) || !ContainsColumn(node->Second)) return;
  TurnComparison(*node);
}

// Holds a pinned record of the table's cache for one test.
class TCachedRecord {
 public:
  TCachedRecord(TRecordCache& records, int32_t number, const TReadAhead& readAhead)
      : FRecords(records), FRecord(records.GetRecord(number, readAhead)) {
    // The read found another user's change: the build starts again from a resynchronised cursor.
    if (FRecord == nullptr) throw EIndexReadRestart{};
  }
  ~TCachedRecord() { FRecords.ReleaseRecord(FRecord); }
  TCachedRecord(const TCachedRecord&) = delete;
  TCachedRecord& operator=(const TCachedRecord&) = delete;
  const TRecord& operator*() const { return *FRecord; }

 private:
  TRecordCache& FRecords;
  TRecord* FRecord;
};

// The read-ahead for testing the records of a bitmap in ascending order: a miss at `number` reads
// up to the last record the bitmap still wants within one read-ahead run, so that records close
// together come with one read and a lone record with a read of its own.
TReadAhead GuidedReadAhead(const TRecordCache& records, const TRecordsBitmap& bitmap, int32_t number) {
  if (records.Cached(number) != nullptr) return {};
  const int32_t window = records.ReadAheadLimit();
  int32_t last = number, next = number, ordinal = 0;
  while (bitmap.NextSetBits(next, 1, ordinal) && next - number < window) last = next;
  return {true, last - number + 1, TReadDirection::Forward};
}

// Sets a flag for a scope.
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : FFlag(flag) { FFlag = true; }
  ~TFlagScope() { FFlag = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& FFlag;
};

}  // namespace

// ---- Adding and removing filters ----

void TDataCursor::CheckFilterRoom() const {
  if (FFilters.Count() >= kMaxFilters) RaiseEngineError(err::TooManyFilters, FTableName);
}

TFilter* TDataCursor::AddFilter(std::string_view text, bool noPartialCompare, bool caseInsensitive, bool costRule,
                                bool afterExpressions) {
  CheckFilterRoom();
  TExpTree bound;
  {
    // Numbers and dates in the text are read as the session's language writes them.
    const TDataSession& session = FDirectory.Session();
    TLocaleScope locale(session.LanguageId, session.SortId);
    TExpressionParser parser;
    parser.SetErrorContext(err::FilterError, FTableName, kFilterClause);
    parser.SetText(text);
    parser.NextToken();
    if (parser.Kind() == 0) RaiseEngineError(err::FilterError, FTableName, {}, "filter expression is empty");
    bound = parser.ParseExpression(AllowExtendedPredicates);
    if (parser.Kind() != 0) parser.RaiseTokenError("Unknown or unexpected symbol '");
    TExpToken* root = bound.get();
    TExpressionBinder(err::FilterError, FTableName, kFilterClause, *FColumns).Bind(root, true);
    if (root != bound.get()) {
      (void)bound.release();
      bound.reset(root);
    }
  }
  if (bound->ValueType != static_cast<uint8_t>(TFieldType::Boolean)) {
    RaiseEngineError(err::FilterError, FTableName, {}, "filter expression must be a boolean expression");
  }
  PutColumnFirst(*bound);
  const TPrepareOptions options{noPartialCompare, caseInsensitive, FTable->Data().Language(), FTable->Data().Sort()};
  TExpTree prepared = PrepareForEvaluation(*bound, options);
  auto filter = std::make_unique<TFilter>(*this, nullptr, nullptr, costRule, afterExpressions, true, prepared.get());
  (void)prepared.release();
  return InsertFilter(std::move(filter));
}

TFilter* TDataCursor::AddFilter(TExpToken* expression, bool ownsExpression, bool costRule, bool afterExpressions) {
  CheckFilterRoom();
  if (expression == nullptr) RaiseEngineError(err::FilterError, FTableName, {}, "filter expression is empty");
  return InsertFilter(std::make_unique<TFilter>(*this, nullptr, nullptr, costRule, afterExpressions, ownsExpression,
                                                expression));
}

TFilter* TDataCursor::AddFilter(TRecordFilterCallback callback, void* callbackOwner, bool costRule,
                                bool afterExpressions) {
  CheckFilterRoom();
  if (callback == nullptr) RaiseEngineError(err::InvalidFilterHandle, FTableName);
  return InsertFilter(
      std::make_unique<TFilter>(*this, callback, callbackOwner, costRule, afterExpressions, false, nullptr));
}

TFilter* TDataCursor::InsertFilter(std::unique_ptr<TFilter> filter) {
  TFilter* added = filter.get();
  int place = FFilters.Count();
  if (!added->AfterExpressions()) {
    const auto first = std::ranges::find_if(FFilters, [](const auto& f) { return f->AfterExpressions(); });
    place = static_cast<int>(first - FFilters.begin());
  }
  FFilters.Insert(place, std::move(filter));
  return added;
}

void TDataCursor::CopyFiltersTo(TDataCursor& clone) const {
  const bool bitmapsBuilt = FBitmapNavigation && FVisibleBitmap->Size() > 0;
  for (const auto& filter : FFilters) {
    TFilter* copy = filter->IsCallback()
                        ? clone.AddFilter(filter->Callback(), filter->CallbackOwner(), filter->CostRule(),
                                          filter->AfterExpressions())
                        : clone.AddFilter(CopyTree(*filter->Expression()).release(), true, filter->CostRule(),
                                          filter->AfterExpressions());
    if (!filter->Active()) continue;
    if (bitmapsBuilt) {
      copy->Activate();
      copy->Bitmap().Assign(filter->Bitmap());
      copy->SetNarrowed(filter->Narrowed());
    } else {
      clone.ActivateFilter(copy);
    }
  }
  if (bitmapsBuilt) clone.AdoptBitmaps(*this);
}

void TDataCursor::AdoptBitmaps(const TDataCursor& source) {
  UpdateBitmapNavigation();
  FVisibleBitmap->SetSize(source.FVisibleBitmap->Size());
  FLiveBitmap->Assign(*source.FLiveBitmap);
  FRangeBitmap->Assign(*source.FRangeBitmap);
  CombineBitmaps();
  ResyncToCurrentRecord();
}

int TDataCursor::FilterIndex(const TFilter* filter) const {
  for (int i = 0; i < FFilters.Count(); ++i) {
    if (FFilters[i].get() == filter) return i;
  }
  return -1;
}

void TDataCursor::ActivateFilter(TFilter* filter) {
  Reading([&] {
    const int i = FilterIndex(filter);
    if (i < 0) {
      UpdateBitmapNavigation();
      RaiseEngineError(err::InvalidFilterHandle, FTableName);
    }
    filter->Activate();
    UpdateBitmapNavigation();
    ApplyFilter(*filter);
    CombineBitmaps();
    ResyncToCurrentRecord();
    return 0;
  });
}

void TDataCursor::DeactivateFilter(TFilter* filter) { ChangeFilters(filter, false); }

void TDataCursor::DropFilter(TFilter* filter) { ChangeFilters(filter, true); }

void TDataCursor::ChangeFilters(TFilter* filter, bool drop) {
  Reading([&] {
    bool found = true;
    if (filter == nullptr) {
      if (drop) {
        FFilters.Clear();
      } else {
        for (auto& each : FFilters) each->Deactivate();
      }
    } else if (const int i = FilterIndex(filter); i < 0) {
      found = false;
    } else if (drop) {
      FFilters.Delete(i);
    } else {
      filter->Deactivate();
    }
    UpdateBitmapNavigation();
    if (!found) RaiseEngineError(err::InvalidFilterHandle, FTableName);
    // The remaining exact filters keep their bitmaps: they are only combined anew.
    ReapplyNarrowedFilters(nullptr);
    CombineBitmaps();
    ResyncToCurrentRecord();
    return 0;
  });
}

void TDataCursor::ReplaceFilterExpression(TExpToken* expression, TFilter* filter) {
  if (expression == nullptr) return;
  Reading([&] {
    if (FilterIndex(filter) < 0 || !filter->Active()) RaiseEngineError(err::InvalidFilterHandle, FTableName);
    filter->ReplaceExpression(expression);
    ApplyFilter(*filter);
    ReapplyNarrowedFilters(filter);
    CombineBitmaps();
    ResyncToCurrentRecord();
    return 0;
  });
}

// ---- Bitmaps ----

void TDataCursor::UpdateBitmapNavigation() {
  FBitmapNavigation = NaturalOrder() || std::ranges::any_of(FFilters, [](const auto& f) { return f->Active(); });
  if (!FBitmapNavigation) {
    FVisibleBitmap->SetSize(0);
    FRangeBitmap->SetSize(0);
    FLiveBitmap->SetSize(0);
  }
}

bool TDataCursor::PrepareBaseBitmaps() {
  const int32_t highest = HighestRecordNumber();
  FVisibleBitmap->SetSize(std::max(highest, 0));
  if (highest < 1) {
    FRangeBitmap->SetSize(0);
    FLiveBitmap->SetSize(0);
    return false;
  }
  BuildRangeBitmap();
  BuildLiveBitmap();
  return true;
}

void TDataCursor::StartFilterBitmap(TFilter& filter) {
  TRecordsBitmap& bitmap = filter.Bitmap();
  bitmap.Assign(*FLiveBitmap);
  if (FRangeBitmap->Size() > 0) bitmap.AndWith(*FRangeBitmap);
}

void TDataCursor::RebuildBitmaps() {
  if (FBuildingBitmaps || !FBitmapNavigation) return;
  int evaluating = -1;
  try {
    TFlagScope building(FBuildingBitmaps);
    if (!PrepareBaseBitmaps()) return;
    for (int i = 0; i < FFilters.Count(); ++i) {
      TFilter& filter = *FFilters[i];
      if (!filter.Active()) continue;
      evaluating = i;
      StartFilterBitmap(filter);
      filter.SetNarrowed(false);
      filter.Evaluate();
    }
  } catch (const EIndexReadRestart&) {
    throw;
  } catch (...) {
    // Neither the filter that failed nor those after it were tested against the table as it is;
    // a failure before the first filter leaves the live bitmap unfinished.
    if (evaluating < 0) FLiveBitmap->ClearAll();
    for (int i = std::max(evaluating, 0); i < FFilters.Count(); ++i) {
      if (FFilters[i]->Active()) FFilters[i]->Bitmap().ClearAll();
    }
    EmptyVisibleSet();
    throw;
  }
}

void TDataCursor::ApplyFilter(TFilter& filter) {
  if (FBuildingBitmaps || !filter.Active()) return;
  if (FVisibleBitmap->Size() == 0) {
    RebuildBitmaps();
    return;
  }
  bool baseReady = false;
  try {
    TFlagScope building(FBuildingBitmaps);
    if (!PrepareBaseBitmaps()) return;
    baseReady = true;
    StartFilterBitmap(filter);
    filter.SetNarrowed(filter.OptimizationLevel() != 2 && NarrowByOtherFilters(filter));
    filter.Evaluate();
  } catch (const EIndexReadRestart&) {
    throw;
  } catch (...) {
    if (!baseReady) FLiveBitmap->ClearAll();
    filter.Bitmap().ClearAll();
    EmptyVisibleSet();
    throw;
  }
}

bool TDataCursor::NarrowByOtherFilters(TFilter& filter) {
  bool narrowed = false;
  for (int i = 0; i < FFilters.Count() && (!filter.AfterExpressions() || FFilters[i].get() != &filter); ++i) {
    TFilter& other = *FFilters[i];
    if (&other == &filter || !other.Active()) continue;
    if (filter.AfterExpressions()) {
      // A callback activated on its own sees only the records the filters before it let through.
      filter.Bitmap().AndWith(other.Bitmap());
      narrowed = true;
    } else if (!other.Narrowed()) {
      // An expression is tested only on the records every exact filter lets through (a word
      // search on a live result tests the result's records, not the whole table).
      filter.Bitmap().AndWith(other.Bitmap());
      narrowed = true;
    }
  }
  return narrowed;
}

void TDataCursor::ReapplyNarrowedFilters(const TFilter* changed) {
  for (const bool callbacks : {false, true}) {
    for (const auto& filter : FFilters) {
      if (filter.get() != changed && filter->Active() && filter->Narrowed() &&
          filter->AfterExpressions() == callbacks) {
        ApplyFilter(*filter);
      }
    }
  }
}

void TDataCursor::EmptyVisibleSet() {
  FVisibleBitmap->ClearAll();
  FVisibleCount = 0;
  SetNoRecord();
}

void TDataCursor::CombineBitmaps() {
  if (FBuildingBitmaps || !FBitmapNavigation) return;
  if (FVisibleBitmap->Size() == 0) {
    FVisibleCount = 0;
    return;
  }
  FVisibleBitmap->Assign(*FLiveBitmap);
  if (FRangeBitmap->Size() > 0) FVisibleBitmap->AndWith(*FRangeBitmap);
  for (const auto& filter : FFilters) {
    if (filter->Active()) FVisibleBitmap->AndWith(filter->Bitmap());
  }
  FVisibleCount = FVisibleBitmap->Count();
}

// ---- Testing records ----

void TDataCursor::EvaluateRecords(TRecordsBitmap& bitmap, const TFilter& filter, const TExpToken* node,
                                  TOperator parent) {
  TRecordCache& records = FTable->Data().Records();
  const TFlagScope scanning(FScanningRecords);
  auto passes = [&](const TRecord& record) {
    ++FFilterRecordsRead;
    if (node == nullptr) return filter.Passes(record.Bytes(), record.Number());
    return ExpressionHolds(*node, record.Bytes());
  };
  if (parent == TOperator::And) {
    int32_t number = 0, ordinal = 0;
    while (bitmap.NextSetBits(number, 1, ordinal)) {
      const TCachedRecord record(records, number, GuidedReadAhead(records, bitmap, number));
      if (!passes(*record)) bitmap.ClearBit(number);
    }
    return;
  }
  // Every record is tested: a miss reads the run of records that follow it.
  const TReadAhead forward{true, 0, TReadDirection::Forward};
  bitmap.SetAll();
  for (int32_t number = 1; number <= bitmap.Size(); ++number) {
    const TCachedRecord record(records, number, forward);
    // Deleted slots keep their bit: the live bitmap removes them.
    if ((*record).State() == 0 && !passes(*record)) bitmap.ClearBit(number);
  }
}

bool TDataCursor::ExpressionHolds(const TExpToken& expression, const uint8_t* record) {
  const TDataSession& session = FDirectory.Session();
  TLocaleScope locale(session.LanguageId, session.SortId);
  const TEvaluationContext context{FTable->Data().Language(), FTable->Data().Sort(), FColumns.get()};
  return ConditionHolds(expression, record, context);
}

void TDataCursor::FieldValueCallback(const uint8_t* record, TExpToken& column) {
  const TFieldDefinition& field = TableField(column.FieldNumber);
  if (field.Type() != TFieldType::Blob) {
    column.Reserve(static_cast<uint32_t>(field.StoredSize()) + 1);
    std::fill(column.Value.begin(), column.Value.end(), 0);
    column.IsNull = GetTableField(column.FieldNumber, record, column.Value.data());
    return;
  }
  column.IsNull = GetTableField(column.FieldNumber, record, nullptr);
  if (column.IsNull) return;
  // A value this cursor holds open is read as it stands in memory, changes included; any other
  // is read from the BLOB file through a copy of the record, which the open puts a handle in. The
  // record may be the table's own, without the computed fields a view adds after it.
  std::vector<uint8_t> image;
  const TBlobBuffer* open = OpenValue(column.FieldNumber, record);
  if (open == nullptr) {
    image.assign(record, record + FStoredRecordSize);
    if (const int code = OpenTableBlob(column.FieldNumber, image.data(), 1, kBlobRead); code != 0) {
      RaiseEngineError(static_cast<uint16_t>(code), FTableName);
    }
    open = OpenValue(column.FieldNumber, image.data());
  }
  const uint32_t length = static_cast<uint32_t>(open->Bytes.size());
  column.Reserve(length + 1);
  std::copy(open->Bytes.begin(), open->Bytes.end(), column.Value.begin());
  column.Value[length] = 0;
  column.IsNull = length == 0;
  if (!image.empty()) CloseTableBlob(column.FieldNumber, image.data(), 1);
}

}  // namespace sklad
