// The key length of an index definition: the sum of the key fields' stored sizes plus one each,
// 4 more for a non-unique index, refused when empty or above 524 bytes, and a key field the
// table lacks refused by its number.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "IndexTestSupport.h"
#include "engine/storage/core/EngineError.h"
#include "engine/storage/index/IndexDefinitionRules.h"

namespace sklad {
namespace {

TEST(IndexKeyLength, SizesAndRefusals) {
  // Stored sizes 250, 250, 21 and 4 (+1 each).
  const auto fields = testing::LaidOutFields({TFieldDefinition::Make("A", TFieldType::String, 249),
                                              TFieldDefinition::Make("B", TFieldType::String, 249),
                                              TFieldDefinition::Make("C", TFieldType::String, 20),
                                              TFieldDefinition::Make("D", TFieldType::Integer)});
  struct Case {
    std::vector<int> keyFields;
    bool unique;
    int length;     // when accepted
    uint16_t code;  // when refused
  };
  const Case cases[] = {
      {{4}, true, 5, 0},
      {{4}, false, 9, 0},
      {{1, 2, 3}, true, 524, 0},
      {{1, 2, 3}, false, 528, 0},
      {{1, 2, 3, 4}, true, 0, err::InvalidKeySize},
      {{}, true, 0, err::InvalidKeySize},
      {{4, 5}, true, 0, err::InvalidIndexField},
  };
  for (const Case& c : cases) {
    TIndexDefinition definition;
    definition.SetName("Klic");
    definition.SetUnique(c.unique);
    for (size_t i = 0; i < c.keyFields.size(); ++i)
      definition.SetFieldNumber(static_cast<int>(i), static_cast<uint16_t>(c.keyFields[i]));
    int length = -1;
    uint16_t code = 0;
    try {
      length = CheckIndexKey(definition, fields, "T", "Klic");
    } catch (const ESkladEngineError& error) {
      code = error.Code();
    }
    EXPECT_EQ(code, c.code) << c.keyFields.size() << " fields";
    if (c.code == 0) {
      EXPECT_EQ(length, c.length) << c.keyFields.size() << " fields";
    }
  }
}

}  // namespace
}  // namespace sklad
