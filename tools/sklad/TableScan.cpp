#include "tools/sklad/TableScan.h"

#include <fmt/format.h>

#include <map>
#include <optional>
#include <set>

#include "engine/cursor/DataCursor.h"
#include "engine/cursor/TableCheck.h"
#include "engine/storage/blob/BlobChainCheck.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/data/RecordCache.h"
#include "engine/storage/data/RecordLayout.h"
#include "engine/storage/table/TableReadScope.h"
#include "tools/sklad/CodePageText.h"

namespace sklad::tool {
namespace {


// A walk that met another user's change: the caches are gone and the walk starts again.
struct TRestart {};

// One BLOB value a record refers to.
struct TBlobReference {
  int32_t Record = 0;
  int FieldNumber = 0;
  uint32_t FirstBlock = 0;
  int32_t BlobId = 0;
};

// Runs a walk until it completes without meeting another user's change.
template <class TWalk>
void Repeating(TWalk&& walk) {
  for (;;) {
    try {
      walk();
      return;
    } catch (const TRestart&) {
    }
  }
}

class TTableScan {
 public:
  explicit TTableScan(TDataCursor& cursor) : FTable(*cursor.Table()) {}

  TScanReport Run() {
    FReport.Checked.push_back("header and definitions: sound");
    Repeating([&] { ScanRecords(); });
    Repeating([&] { ScanFreeRecords(); });
    ScanIndexes();
    if (FTable.HasBlobFile()) Repeating([&] { ScanBlobs(); });
    return std::move(FReport);
  }

 private:
  std::string Text(std::string_view bytes) const { return TableTextToUtf8(bytes, FTable.Data().Language()); }

  TRecord* Record(int32_t number) {
    TRecord* record = FTable.Data().Records().GetRecord(number);
    if (record == nullptr) throw TRestart{};
    return record;
  }

  void ScanRecords() {
    TTableReadScope reading(FTable);
    FBlobs.clear();
    FRecordFindings.clear();
    int32_t active = 0, deleted = 0;
    TRecordCache& records = FTable.Data().Records();
    for (int32_t number = 1; number <= FTable.Data().RecordCount(); ++number) {
      TRecord* record = Record(number);
      if (record->State() == kRecordActive) {
        ++active;
        CollectBlobs(*record);
      } else if (record->State() == kRecordDeleted) {
        ++deleted;
      } else {
        FRecordFindings.push_back(fmt::format("record {}: state byte {} is neither active nor deleted", number, record->State()));
      }
      records.ReleaseRecord(record);
    }
    FReport.Findings.insert(FReport.Findings.end(), FRecordFindings.begin(), FRecordFindings.end());
    FReport.Checked.push_back(fmt::format("records: {} active, {} deleted, {} slots", active, deleted,
                                          FTable.Data().RecordCount()));
  }

  void CollectBlobs(const TRecord& record) {
    for (int i = 0; i < FTable.Data().FieldCount(); ++i) {
      const TFieldDefinition& field = FTable.Data().Field(i);
      if (field.Type() != TFieldType::Blob) continue;
      const uint8_t* value = record.FieldValue(field);
      if (value == nullptr) continue;
      FBlobs.push_back({record.Number(), field.Number(), LoadLE<uint32_t>(value), LoadLE<int32_t>(value + 4)});
    }
  }

  void ScanFreeRecords() {
    TTableReadScope reading(FTable);
    const int32_t slots = FTable.Data().RecordCount();
    std::set<int32_t> met;
    for (int32_t number = FTable.Data().FirstFreeRecord(); number != 0;) {
      if (number < 0 || number > slots) {
        FReport.Findings.push_back(fmt::format("free record list: record {} is outside the file", number));
        break;
      }
      if (!met.insert(number).second) {
        FReport.Findings.push_back(fmt::format("free record list: record {} is met twice: the list loops", number));
        break;
      }
      TRecord* record = Record(number);
      const bool deleted = record->State() == kRecordDeleted;
      const int32_t next = record->FreeLink();
      FTable.Data().Records().ReleaseRecord(record);
      if (!deleted) {
        FReport.Findings.push_back(fmt::format("free record list: record {} is not deleted", number));
        break;
      }
      number = next;
    }
    FReport.Checked.push_back(fmt::format("free record list: {} records", met.size()));
  }

  std::string IndexNames() {
    std::vector<std::string> names;
    TIndexFile& index = FTable.Index();
    if (!index.NoPrimaryKey()) names.push_back("primary");
    for (int slot = 1; slot <= index.SecondaryCount(); ++slot) names.push_back("'" + Text(index.Definition(slot).Name()) + "'");
    names.push_back("record-state");
    return fmt::format("{}", fmt::join(names, ", "));
  }

  void ScanIndexes() {
    try {
      for (const std::string& finding : CheckTable(FTable)) FReport.Findings.push_back(Text(finding));
    } catch (const ESkladEngineError& error) {
      FReport.Findings.push_back("indexes: " + Text(error.what()));
    }
    FReport.Checked.push_back("indexes walked against the records: " + IndexNames());
  }

  std::string Owner(const TBlobReference& blob) const {
    const TFieldDefinition* field = FTable.Data().FieldByNumber(blob.FieldNumber);
    return fmt::format("record {}, field '{}'", blob.Record, field ? Text(field->Name()) : std::to_string(blob.FieldNumber));
  }

  void ScanBlobs() {
    TTableReadScope reading(FTable);
    TBlobFile& file = FTable.Blob();
    std::vector<std::string> findings;
    std::map<uint32_t, std::string> owners;
    auto claim = [&](uint32_t block, const std::string& owner) {
      const auto [at, added] = owners.emplace(block, owner);
      if (!added) findings.push_back(fmt::format("BLOB block {} is used by {} and by {}", block, at->second, owner));
    };
    for (const TBlobReference& blob : FBlobs) {
      const std::optional<TBlobChainWalk> walk = WalkBlobChain(file, blob.FirstBlock, blob.BlobId);
      if (!walk) throw TRestart{};
      for (const std::string& finding : walk->Findings) findings.push_back(Owner(blob) + ": " + finding);
      for (uint32_t block : walk->Blocks) claim(block, Owner(blob));
    }
    const std::optional<TBlobChainWalk> free = WalkFreeBlocks(file);
    if (!free) throw TRestart{};
    findings.insert(findings.end(), free->Findings.begin(), free->Findings.end());
    for (uint32_t block : free->Blocks) claim(block, "the free list");
    const uint64_t blocks = (file.Header().NextBlockOffset() - TBlobFile::kFirstBlockOffset) / static_cast<uint64_t>(file.BlockSize());
    FReport.Findings.insert(FReport.Findings.end(), findings.begin(), findings.end());
    FReport.Checked.push_back(fmt::format("BLOB values: {} in {} blocks; {} free blocks; {} blocks in no value", FBlobs.size(),
                                          owners.size() - free->Blocks.size(), free->Blocks.size(),
                                          blocks > owners.size() ? blocks - owners.size() : 0));
  }

  TDataTable& FTable;
  TScanReport FReport;
  std::vector<TBlobReference> FBlobs;
  std::vector<std::string> FRecordFindings;
};

}  // namespace

TScanReport ScanTable(TDataCursor& cursor) { return TTableScan(cursor).Run(); }

}  // namespace sklad::tool
