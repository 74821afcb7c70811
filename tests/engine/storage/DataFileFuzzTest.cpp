// Opens data files damaged by a seeded random mutator and works with their records: every
// failure must be a clean engine error, never a crash, a hang or a sanitizer report.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "DataFileTestSupport.h"
#include "engine/storage/core/LittleEndian.h"
#include "engine/storage/data/RecordLayout.h"
#include "tests/support/Iterations.h"

namespace sklad {
namespace {

using testing::FieldList;

constexpr uint64_t kSeed = 0x5EED5C1AD;

// A small valid table: every kind of field, 40 records, a few of them deleted.
std::vector<uint8_t> MakeSeedFile(bool encrypted) {
  const std::string name = testing::UniqueTableName("fuzzseed");
  TTableProperties properties;
  properties.Encrypted = encrypted;
  properties.Password = "klic";
  properties.Description = "Vzorek";
  {
    TDataFile file(name, true);
    file.Create(properties, FieldList({TFieldDefinition::Make("nazev", TFieldType::String, 12),
                                       TFieldDefinition::Make("id", TFieldType::Integer, 0, subtype::AutoIncrement),
                                       TFieldDefinition::Make("cena", TFieldType::BCD, 0, subtype::None, 2),
                                       TFieldDefinition::Make("popis", TFieldType::Blob, 0, subtype::Memo),
                                       TFieldDefinition::Make("presne", TFieldType::Extended),
                                       TFieldDefinition::Make("bajty", TFieldType::VarBytes, 3)}));
    for (int i = 1; i <= 40; ++i) {
      TRecord* record = file.Records().NewRecord();
      record->SetAutoIncrementValue(file.NextAutoIncrement());
      std::memset(record->MutableFieldValue(file.Field(0)), 'a' + i % 26, 12);
      file.Records().ReleaseRecord(record);
    }
    for (int number : {5, 17, 30}) {
      TRecord* record = file.Records().GetRecord(number);
      file.Records().FreeRecord(*record);
      file.Records().ReleaseRecord(record);
    }
    file.Records().WriteModified(false);
    file.WriteHeader(true);
    file.WriteFieldDefinitions();
  }
  std::vector<uint8_t> bytes = testing::FileBytes(name);
  testing::DeleteFile(name);
  return bytes;
}

// One to four damages: random bytes, bytes of the header and definitions, counts and sizes set to
// edge values, a cut or a longer file.
void Mutate(std::vector<uint8_t>& bytes, std::mt19937_64& random) {
  const int definitionsEnd = 127 + 6 * 768;
  const int32_t edgeValues[] = {0, 1, -1, 2, 4, 9, 255, 1024, 1025, 65535, 0x7FFFFFFF, INT32_MIN, 100000000};
  const int damages = 1 + static_cast<int>(random() % 4);
  for (int d = 0; d < damages && !bytes.empty(); ++d) {
    const auto anywhere = [&] { return static_cast<size_t>(random() % bytes.size()); };
    const auto early = [&] { return static_cast<size_t>(random() % std::min<size_t>(bytes.size(), definitionsEnd)); };
    switch (random() % 6) {
      case 0: bytes[anywhere()] = static_cast<uint8_t>(random()); break;
      case 1: bytes[early()] = static_cast<uint8_t>(random()); break;
      case 2: bytes[early()] ^= static_cast<uint8_t>(1u << (random() % 8)); break;
      case 3: {
        const size_t at = early();
        const int32_t value = edgeValues[random() % std::size(edgeValues)];
        for (size_t k = 0; k < 4 && at + k < bytes.size(); ++k) bytes[at + k] = static_cast<uint8_t>(value >> (8 * k));
        break;
      }
      case 4: bytes.resize(anywhere()); break;
      default: bytes.resize(bytes.size() + random() % 64, static_cast<uint8_t>(random())); break;
    }
  }
}

// Everything a table does with its data file on opening and browsing, and a little writing.
void WorkWith(TDataFile& file, bool check) {
  file.Open();
  if (check) file.CheckConsistency();
  TRecordCache& cache = file.Records();
  const int32_t count = std::min(file.RecordCount(), 200);
  std::vector<uint8_t> value;
  for (int32_t n = 1; n <= count; ++n) {
    TRecord* record = cache.GetRecord(n, {true, 0, n % 2 ? TReadDirection::Forward : TReadDirection::Backward});
    for (int f = 0; f < file.FieldCount(); ++f) {
      const TFieldDefinition& field = file.Field(f);
      if (const uint8_t* bytes = record->FieldValue(field)) value.assign(bytes, bytes + field.StoredSize());
    }
    cache.ReleaseRecord(record);
  }
  (void)file.Description();
  (void)file.Password();
  (void)file.FieldByName("cena");
  TRecord* inserted = cache.NewRecord();
  cache.FreeRecord(*inserted);
  cache.ReleaseRecord(inserted);
  cache.WriteModified(false);
  file.WriteHeader(false);
}

TEST(DataFileFuzz, MutatedFilesFailOnlyWithEngineErrors) {
  const std::vector<uint8_t> seeds[] = {MakeSeedFile(false), MakeSeedFile(true)};
  const int iterations = testing::Iterations(400, 40000);
  int clean = 0, refused = 0;
  for (int i = 0; i < iterations; ++i) {
    std::mt19937_64 random(kSeed + static_cast<uint64_t>(i));
    if (std::getenv("FUZZ_TRACE")) std::fprintf(stderr, "iteration %d\n", i);
    std::vector<uint8_t> bytes = seeds[i % 2];
    Mutate(bytes, random);
    const std::string name = testing::UniqueTableName("fuzz");
    testing::SetFileBytes(name, bytes);
    for (const bool check : {true, false}) {
      TDataFile file(name, true);
      try {
        WorkWith(file, check);
        ++clean;
      } catch (const ESkladEngineError&) {
        ++refused;
      } catch (const std::exception& error) {
        ADD_FAILURE() << "iteration " << i << (check ? " with" : " without") << " the check: " << error.what();
      }
    }
    testing::DeleteFile(name);
  }
  // Both outcomes occur, so the mutator neither breaks every file nor misses them all.
  EXPECT_GT(clean, 0);
  EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace sklad
