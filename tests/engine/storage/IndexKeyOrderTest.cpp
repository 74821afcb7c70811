// Key order: bytewise for tables without a language, through the locale field by field for a
// Czech table (where "ch" follows "h"), reversed per descending field or index, and over a
// prefix of the key for partial searches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "IndexTestSupport.h"
#include "engine/storage/index/IndexKey.h"
#include "engine/storage/index/IndexKeyOrder.h"
#include "engine/storage/index/LocaleKeyCollation.h"

namespace sklad {
namespace {

constexpr uint16_t kCzech = 1029;

class IndexKeyOrderTest : public ::testing::Test {
 protected:
  // Keys of (Name, Id) built for an index with the given flags in a table of that language.
  int Compare(uint16_t language, bool indexDescending, bool nameDescending, const std::string& a, int32_t idA,
              const std::string& b, int32_t idB, int length = 0) {
    TIndexDefinition definition;
    definition.SetUnique(true);
    definition.SetDescending(indexDescending);
    definition.SetFieldNumber(0, 1);
    definition.SetFieldNumber(1, 2);
    definition.SetFieldDescending(0, nameDescending);
    const TKeyLayout layout = TKeyLayout::ForIndex(definition, FFields, language, 0);
    const TLocaleKeyCollation czech(language, 0);
    const TBytewiseKeyCollation bytewise;
    const TKeyOrder order(layout, language != 0 ? static_cast<const TKeyCollation&>(czech) : bytewise);
    std::vector<uint8_t> keyA(static_cast<size_t>(layout.KeyLength())), keyB(keyA.size());
    testing::TRecordBuilder recordA(FFields, FRecordSize), recordB(FFields, FRecordSize);
    recordA.SetString(0, a).Set<int32_t>(1, idA);
    recordB.SetString(0, b).Set<int32_t>(1, idB);
    layout.BuildKey(recordA.Bytes(), keyA.data());
    layout.BuildKey(recordB.Bytes(), keyB.data());
    return order.Compare(keyA.data(), keyB.data(), length == 0 ? layout.KeyLength() : length);
  }

  int FRecordSize = 0;
  TSystemList<TFieldDefinition> FFields = testing::LaidOutFields(
      {TFieldDefinition::Make("Name", TFieldType::String, 10), TFieldDefinition::Make("Id", TFieldType::Integer)},
      &FRecordSize);
};

TEST_F(IndexKeyOrderTest, CzechTablesOrderStringsByTheLocale) {
  struct TCase {
    uint16_t Language;
    const char* A;
    const char* B;
    int Expected;
  };
  const TCase cases[] = {
      {0, "chata", "hrad", -1},          {kCzech, "chata", "hrad", 1},   {kCzech, "hrad", "ihned", -1},
      {kCzech, "\xE8" "ap", "dub", -1},  {0, "\xE8" "ap", "dub", 1},     {kCzech, "cop", "\xE8" "ap", -1},
      {kCzech, "", "a", -1},             {kCzech, "abc", "abc", 0},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Compare(c.Language, false, false, c.A, 1, c.B, 1), c.Expected) << c.Language << " " << c.A << " " << c.B;
    EXPECT_EQ(Compare(c.Language, true, false, c.A, 1, c.B, 1), -c.Expected) << "descending index";
    EXPECT_EQ(Compare(c.Language, false, true, c.A, 1, c.B, 1), -c.Expected) << "descending field";
  }
}

TEST_F(IndexKeyOrderTest, LaterFieldsDecideEqualNamesAndKeepTheirOwnDirection) {
  for (uint16_t language : {uint16_t{0}, kCzech}) {
    EXPECT_EQ(Compare(language, false, false, "hrad", 1, "hrad", 2), -1);
    EXPECT_EQ(Compare(language, false, true, "hrad", 1, "hrad", 2), -1) << "only the name is descending";
    EXPECT_EQ(Compare(language, true, false, "hrad", 1, "hrad", 2), 1);
  }
}

TEST_F(IndexKeyOrderTest, PartialKeysCompareTheirPrefixOnly) {
  for (uint16_t language : {uint16_t{0}, kCzech}) {
    EXPECT_EQ(Compare(language, false, false, "hrad", 1, "hrad", 2, 12), 0);
    EXPECT_EQ(Compare(language, false, false, "hrad", 1, "hrat", 2, 4), 0);
    EXPECT_NE(Compare(language, false, false, "hrad", 1, "hrat", 2, 5), 0);
  }
}

}  // namespace
}  // namespace sklad
