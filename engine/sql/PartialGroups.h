// TPartialGroups: the rows of a grouped result folded in memory, by the stored bytes of their
// GROUP BY values, before they reach the result table — so that the table receives one record
// per group instead of one per row. The aggregates stay mergeable (COUNT and AVG's count as
// sums), so the grouping sort folds records that still share a group, and finishes every group.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "GroupAccumulator.h"
#include "engine/storage/data/FieldDefinition.h"
#include "engine/storage/data/Record.h"

namespace sklad {

class TDataFile;

class TPartialGroups {
 public:
  // The most groups held before they must be written out, unless told otherwise.
  static constexpr size_t kCapacity = 65536;

  TPartialGroups(TDataFile& file, std::vector<TFieldDefinition> groupFields, const TGroupAccumulator& accumulator,
                 size_t capacity = kCapacity);
  ~TPartialGroups();

  // Folds a row's record image into its group; answers whether the groups are full.
  bool Add(const uint8_t* record);
  // Hands every group's record image to write, then forgets them.
  template <typename TWrite>
  void Drain(TWrite&& write) {
    for (const std::unique_ptr<TRecord>& group : FGroups) write(group->Bytes());
    FGroups.clear();
    FIndex.clear();
  }

 private:
  TDataFile& FFile;
  std::vector<TFieldDefinition> FGroupFields;
  const TGroupAccumulator& FAccumulator;
  size_t FCapacity;
  std::unique_ptr<TRecord> FRow;
  std::vector<std::unique_ptr<TRecord>> FGroups;
  std::unordered_map<std::string, size_t> FIndex;
  std::string FKey;
};

}  // namespace sklad
