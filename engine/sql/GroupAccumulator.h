// TGroupAccumulator: the aggregate columns of a materialised result — folding the values one row
// put into its result record into the record of its group, and finishing a closed group.
#pragma once

#include <vector>

#include "DataQuery.h"
#include "engine/storage/data/FieldDefinition.h"
#include "engine/storage/data/Record.h"

namespace sklad {

// One aggregate column of the result table. A row's record holds the aggregate's argument value
// (converted to the column's type; AVG as a float), for COUNT 1 or 0 as the argument counts or
// not, and for AVG 1 or 0 in its hidden count column.
struct TAggregateField {
  TAggregateKind Kind = TAggregateKind::None;
  TFieldDefinition Field;
  TFieldDefinition Count;  // AVG: the hidden count column
};

class TGroupAccumulator {
 public:
  explicit TGroupAccumulator(std::vector<TAggregateField> fields) : FFields(std::move(fields)) {}

  // Folds a row into its group (which started as a copy of the group's first row); NULL values
  // are skipped.
  void Accumulate(const TRecord& row, TRecord& group) const;
  // Completes a group: AVG becomes sum / count (0 when nothing was counted), a COUNT without
  // rows 0.
  void Finish(TRecord& group) const;

 private:
  std::vector<TAggregateField> FFields;
};

}  // namespace sklad
