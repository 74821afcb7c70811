// The counted B+-tree against a reference multimap: random inserts and deletes for every leaf
// compression, unique and not, ascending and descending, over several key types; after every
// batch the whole tree is walked and checked, ordinals and counts are compared with the model,
// and the index survives closing and reopening.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "IndexTestSupport.h"
#include "engine/storage/data/FieldEncoding.h"
#include "engine/storage/index/IndexTree.h"
#include "engine/storage/language/LanguageMaps.h"
#include "engine/storage/index/LocaleKeyCollation.h"
#include "tests/support/Iterations.h"

namespace sklad {
namespace {

using testing::LaidOutFields;
using testing::TRecordBuilder;
using testing::TTreeWalker;

enum class TKeyKind { String, CzechString, Integer, Date, Float };

constexpr uint16_t kCzech = 1029;

struct TTreeConfig {
  TKeyCompression Compression;
  bool Unique;
  bool Descending;       // the whole index
  bool FieldDescending;  // the first key field only
  TKeyKind Kind;
};

std::string ConfigName(const ::testing::TestParamInfo<TTreeConfig>& info) {
  static const char* kinds[] = {"String", "CzechString", "Integer", "Date", "Float"};
  const TTreeConfig& c = info.param;
  return std::string(kinds[static_cast<int>(c.Kind)]) + "_Compression" +
         std::to_string(static_cast<int>(c.Compression)) + (c.Unique ? "_Unique" : "_Duplicates") +
         (c.Descending ? "_Descending" : "") + (c.FieldDescending ? "_FieldDescending" : "");
}

// One key as the model orders it: the first field's value (or null), a text field, the identity.
struct TModelKey {
  bool Present = false;
  std::variant<int64_t, double, std::string> Value;
  std::string Text;
  int32_t Identity = 0;
};

// The value order of a configuration's keys, written from the values, not from key bytes.
struct TModelOrder {
  TTreeConfig Config;
  bool operator()(const TModelKey& a, const TModelKey& b) const { return Compare(a, b) < 0; }
  int Compare(const TModelKey& a, const TModelKey& b) const {
    int result = CompareFirst(a, b);
    if (Config.FieldDescending && !Config.Descending) result = -result;
    if (result == 0) result = a.Text < b.Text ? -1 : a.Text > b.Text ? 1 : 0;
    if (result == 0 && !Config.Unique) result = a.Identity < b.Identity ? -1 : a.Identity > b.Identity ? 1 : 0;
    return Config.Descending ? -result : result;
  }
  int CompareFirst(const TModelKey& a, const TModelKey& b) const {
    if (a.Present != b.Present) return a.Present ? 1 : -1;
    if (!a.Present) return 0;
    if (Config.Kind == TKeyKind::CzechString)
      return CompareStrings(kCzech, 0, false, std::get<std::string>(a.Value), std::get<std::string>(b.Value));
    if (a.Value < b.Value) return -1;
    if (b.Value < a.Value) return 1;
    return 0;
  }
};

struct TRow {
  TModelKey Key;
  uint32_t RecordNumber;
  std::vector<uint8_t> KeyBytes;
};

class IndexTreeModelTest : public ::testing::TestWithParam<TTreeConfig> {
 protected:
  void SetUp() override {
    const TTreeConfig& config = GetParam();
    switch (config.Kind) {
      case TKeyKind::String:
      case TKeyKind::CzechString:
        FFields = LaidOutFields({TFieldDefinition::Make("Name", TFieldType::String, 200),
                                 TFieldDefinition::Make("Other", TFieldType::String, 2)},
                                &FRecordSize);
        break;
      case TKeyKind::Integer: FFields = TypedFields(TFieldType::Integer); break;
      case TKeyKind::Date: FFields = TypedFields(TFieldType::Date); break;
      case TKeyKind::Float: FFields = TypedFields(TFieldType::Float); break;
    }
    TIndexDefinition definition;
    definition.SetName("ByKey");
    definition.SetUnique(config.Unique);
    definition.SetDescending(config.Descending);
    definition.SetCompression(config.Compression);
    definition.SetFieldNumber(0, 1);
    definition.SetFieldDescending(0, config.FieldDescending);
    if (!IsString()) definition.SetFieldNumber(1, 2);
    FFileName = "MODEL" + std::to_string(++FFileCounter) + ".IDX";
    FFile = std::make_unique<TIndexFile>(FFileName, true);
    FFile->Create();
    FSlot = FFile->AddSecondaryIndex(definition, FFields);
    const uint16_t language = config.Kind == TKeyKind::CzechString ? kCzech : 0;
    FLayout = TKeyLayout::ForIndex(FFile->Definition(FSlot), FFields, language, 0);
    if (language != 0) {
      FCollation = std::make_unique<TLocaleKeyCollation>(language, 0);
    } else {
      FCollation = std::make_unique<TBytewiseKeyCollation>();
    }
    FOrder = std::make_unique<TKeyOrder>(FLayout, *FCollation);
    FTree = std::make_unique<TIndexTree>(*FFile, FSlot, *FOrder);
    FModel = std::make_unique<std::multimap<TModelKey, uint32_t, TModelOrder>>(TModelOrder{config});
  }

  void TearDown() override {
    FTree.reset();
    FFile->Close();
    FFile->Delete();
  }

  TSystemList<TFieldDefinition> TypedFields(TFieldType type) {
    return LaidOutFields({TFieldDefinition::Make("Value", type), TFieldDefinition::Make("Text", TFieldType::String, 150)},
                         &FRecordSize);
  }

  TModelKey RandomKey() {
    TModelKey key;
    key.Present = Chance(0.93);
    switch (GetParam().Kind) {
      case TKeyKind::String: {
        // Short strings over few letters, with bytes above 127, sharing many prefixes.
        static const char letters[] = {'A', 'B', 'a', '\xE1', '\x9A'};
        std::string text(static_cast<size_t>(Uniform(1, 12)), ' ');
        for (char& c : text) c = letters[Uniform(0, 4)];
        key.Value = key.Present ? text : std::string();
        break;
      }
      case TKeyKind::CzechString: {
        // Czech letters in code page 1250 where the locale's order differs from the bytes':
        // "ch" after "h", "č" after "c", accented letters beside their base letters.
        static const char* pieces[] = {"c", "h", "ch", "a", "\xE1", "\xE8", "\xC8", "\x9A", "z", "C", "H", "i"};
        std::string text;
        for (int n = Uniform(1, 5); n > 0; --n) text += pieces[Uniform(0, 11)];
        key.Value = key.Present ? text : std::string();
        break;
      }
      case TKeyKind::Integer: {
        static const int64_t extremes[] = {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(),
                                           -1, 0, 1};
        key.Value = Chance(0.1) ? extremes[Uniform(0, 4)] : int64_t{Uniform(-60, 60)};
        break;
      }
      case TKeyKind::Date: key.Value = int64_t{Uniform(1, 80) * 9000}; break;
      case TKeyKind::Float: {
        static const double values[] = {-std::numeric_limits<double>::infinity(), -1e300, -2.5, -1.0, -1e-300,
                                        0.0, 1e-300, 1.0, 2.5, 1e300, std::numeric_limits<double>::infinity()};
        key.Value = Chance(0.5) ? values[Uniform(0, 10)] : Uniform(-40, 40) / 3.0;
        break;
      }
    }
    if (!key.Present) key.Value = std::variant<int64_t, double, std::string>{};
    if (!IsString()) key.Text = std::string(static_cast<size_t>(Uniform(0, 3)), 'A' + static_cast<char>(Uniform(0, 1)));
    return key;
  }

  std::vector<uint8_t> BuildKey(const TModelKey& key) {
    TRecordBuilder record(FFields, FRecordSize);
    record.Identity(key.Identity);
    if (!key.Present) {
      record.Null(0);
    } else {
      switch (GetParam().Kind) {
        case TKeyKind::String:
        case TKeyKind::CzechString: record.SetString(0, std::get<std::string>(key.Value)); break;
        case TKeyKind::Integer:
        case TKeyKind::Date: record.Set<int32_t>(0, static_cast<int32_t>(std::get<int64_t>(key.Value))); break;
        case TKeyKind::Float: record.Set<double>(0, std::get<double>(key.Value)); break;
      }
    }
    if (!IsString()) record.SetString(1, key.Text);
    std::vector<uint8_t> bytes(static_cast<size_t>(FLayout.KeyLength()));
    FLayout.BuildKey(record.Bytes(), bytes.data());
    return bytes;
  }

  void Insert() {
    TRow row;
    row.Key = RandomKey();
    row.RecordNumber = ++FNextRecord;
    row.Key.Identity = GetParam().Unique ? 0 : static_cast<int32_t>(row.RecordNumber);
    row.KeyBytes = BuildKey(row.Key);
    const bool inModel = FModel->find(row.Key) != FModel->end();
    if (GetParam().Unique) {
      ASSERT_EQ(inModel, FTree->KeyExists(row.KeyBytes.data(), FLayout.KeyLength()));
      if (inModel) return;
    }
    FTree->InsertKey(row.KeyBytes.data(), row.RecordNumber);
    FModel->emplace(row.Key, row.RecordNumber);
    FRows.push_back(std::move(row));
  }

  void Delete() {
    if (FRows.empty()) return;
    const size_t index = static_cast<size_t>(Uniform(0, static_cast<int>(FRows.size()) - 1));
    const TRow& row = FRows[index];
    FTree->DeleteKey(row.KeyBytes.data());
    auto [first, last] = FModel->equal_range(row.Key);
    for (auto it = first; it != last; ++it)
      if (it->second == row.RecordNumber) {
        FModel->erase(it);
        break;
      }
    FRows[index] = std::move(FRows.back());
    FRows.pop_back();
  }

  // The walk matches the model entry by entry; ordinal and range searches agree with it.
  void CheckAgainstModel() {
    TTreeWalker walker(*FFile, FSlot, *FOrder);
    const std::vector<testing::TLeafEntry> entries = walker.Walk();
    ASSERT_EQ(entries.size(), FModel->size());
    ASSERT_EQ(FTree->KeyCount(), FModel->size());
    size_t i = 0;
    for (const auto& [key, recordNumber] : *FModel) {
      ASSERT_EQ(entries[i].RecordNumber, recordNumber) << "entry " << i;
      ASSERT_EQ(entries[i].Key, BuildKey(key)) << "entry " << i;
      ++i;
    }
    if (entries.empty()) return;
    const int length = FLayout.KeyLength();
    for (int probe = 0; probe < 8; ++probe) {
      const uint32_t n = static_cast<uint32_t>(Uniform(1, static_cast<int>(entries.size())));
      std::vector<uint8_t> key(static_cast<size_t>(length));
      const TKeyLocation at = FTree->KeyAt(n, key.data());
      ASSERT_EQ(at.Ordinal, n);
      ASSERT_EQ(at.RecordNumber, entries[n - 1].RecordNumber);
      ASSERT_EQ(key, entries[n - 1].Key);
      ASSERT_EQ(FTree->FirstNotBelow(key.data(), length).Ordinal, n);
      ASSERT_EQ(FTree->LastNotAbove(key.data(), length).Ordinal, n);
      const uint32_t m = static_cast<uint32_t>(Uniform(static_cast<int>(n), static_cast<int>(entries.size())));
      ASSERT_EQ(FTree->CountInRange(key.data(), entries[m - 1].Key.data(), length), m - n + 1);
    }
  }

  void Reopen() {
    FFile->WriteModifiedPages();
    FFile->WriteHeader(false);
    FFile->Close();
    FFile->Open();
  }

  bool IsString() const { return GetParam().Kind == TKeyKind::String || GetParam().Kind == TKeyKind::CzechString; }
  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(FRandom); }
  bool Chance(double p) { return std::bernoulli_distribution(p)(FRandom); }

  static inline int FFileCounter = 0;
  std::mt19937 FRandom{20261209};
  TSystemList<TFieldDefinition> FFields;
  int FRecordSize = 0;
  std::string FFileName;
  std::unique_ptr<TIndexFile> FFile;
  int FSlot = 0;
  TKeyLayout FLayout;
  std::unique_ptr<TKeyCollation> FCollation;
  std::unique_ptr<TKeyOrder> FOrder;
  std::unique_ptr<TIndexTree> FTree;
  std::unique_ptr<std::multimap<TModelKey, uint32_t, TModelOrder>> FModel;
  std::vector<TRow> FRows;
  uint32_t FNextRecord = 0;
};

TEST_P(IndexTreeModelTest, RandomInsertsAndDeletesMatchTheModel) {
  const int operations = testing::Iterations(2000, 200000);
  const int batch = testing::Iterations(250, 10000);
  for (int done = 0; done < operations; ++done) {
    // Grow for the first half, then shrink, so that splits and merges both happen.
    const double insertShare = done < operations / 2 ? 0.7 : 0.35;
    if (Chance(insertShare)) {
      ASSERT_NO_FATAL_FAILURE(Insert());
    } else {
      Delete();
    }
    if ((done + 1) % batch == 0) {
      ASSERT_NO_FATAL_FAILURE(CheckAgainstModel()) << "after " << done + 1;
    }
  }
  Reopen();
  ASSERT_NO_FATAL_FAILURE(CheckAgainstModel()) << "after reopening";
  while (!FRows.empty()) Delete();
  EXPECT_EQ(FFile->Root(FSlot), 0u);
  ASSERT_NO_FATAL_FAILURE(CheckAgainstModel());
}

std::vector<TTreeConfig> AllConfigs() {
  std::vector<TTreeConfig> configs;
  for (TKeyKind kind : {TKeyKind::String, TKeyKind::CzechString, TKeyKind::Integer, TKeyKind::Date, TKeyKind::Float})
    for (int compression = 0; compression <= 3; ++compression)
      for (bool unique : {false, true})
        for (int order = 0; order < 3; ++order)
          configs.push_back({static_cast<TKeyCompression>(compression), unique, order == 1, order == 2, kind});
  return configs;
}

INSTANTIATE_TEST_SUITE_P(Configurations, IndexTreeModelTest, ::testing::ValuesIn(AllConfigs()), ConfigName);

}  // namespace
}  // namespace sklad
