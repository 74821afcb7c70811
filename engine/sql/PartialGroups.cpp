#include "PartialGroups.h"

namespace sklad {

TPartialGroups::TPartialGroups(TDataFile& file, std::vector<TFieldDefinition> groupFields,
                               const TGroupAccumulator& accumulator, size_t capacity)
    : FFile(file), FGroupFields(std::move(groupFields)), FAccumulator(accumulator), FCapacity(capacity),
      FRow(std::make_unique<TRecord>(file)) {}

TPartialGroups::~TPartialGroups() = default;

bool TPartialGroups::Add(const uint8_t* record) {
  FKey.clear();
  for (const TFieldDefinition& field : FGroupFields) {
    const auto* at = reinterpret_cast<const char*>(record + field.Offset());
    FKey.append(at, static_cast<size_t>(field.StoredSize()) + 1);
  }
  const auto found = FIndex.find(FKey);
  if (found != FIndex.end()) {
    FRow->SetFieldArea(record);
    FAccumulator.Accumulate(*FRow, *FGroups[found->second]);
    return false;
  }
  auto group = std::make_unique<TRecord>(FFile);
  group->SetFieldArea(record);
  FGroups.push_back(std::move(group));
  FIndex.emplace(FKey, FGroups.size() - 1);
  return FGroups.size() >= FCapacity;
}

}  // namespace sklad
