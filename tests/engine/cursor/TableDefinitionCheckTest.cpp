// The check of a table definition: each refused definition with its code and message before any
// file is made, and what an accepted definition is completed with (trimmed names, cleared sizes
// and scales, offsets, key lengths).
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "TableDefinitionTestSupport.h"
#include "engine/cursor/TableDefinitionCheck.h"

namespace sklad {
namespace {

using namespace ::sklad::testing;

TIndexDefinition Secondary(const std::string& name, std::initializer_list<int> fields, bool unique = false) {
  TIndexDefinition index;
  index.SetName(name);
  index.SetUnique(unique);
  int i = 0;
  for (int field : fields) index.SetFieldNumber(i++, static_cast<uint16_t>(field));
  return index;
}

std::string Message(uint16_t code, const std::string& text) {
  return "Sklad Engine Error # " + std::to_string(code) + " " + text;
}

using TableDefinitionCheckTest = TableDefinitionFixture;

TEST_F(TableDefinitionCheckTest, RefusedDefinitionsNameTheirFaultAndMakeNoFile) {
  struct TCase {
    const char* What;
    std::function<void(TTableDefinition&, int64_t&)> Change;
    std::string Expected;
  };
  const std::string name30(30, 'N');
  const TCase cases[] = {
      {"encrypted without a password", [](TTableDefinition& d, int64_t&) { d.Properties.Encrypted = true; },
       Message(10015, "Password provided for table 'T.DAT' is invalid")},
      {"a password of 16 characters",
       [](TTableDefinition& d, int64_t&) {
         d.Properties.Encrypted = true;
         d.Properties.Password = std::string(16, 'p');
       },
       Message(10015, "Password provided for table 'T.DAT' is invalid")},
      {"a language no locale has", [](TTableDefinition& d, int64_t&) { d.Properties.Language = 0x7ff; },
       Message(15878, "The language driver for table 'T.DAT' is not available or installed")},
      {"1025 fields",
       [](TTableDefinition& d, int64_t&) {
         for (int i = d.Fields.Count(); i < 1025; ++i)
           d.Fields.Add(TFieldDefinition::Make("F" + std::to_string(i), TFieldType::SmallInt));
       },
       Message(9492, "Maximum or minimum limits on number of fields, auto-increment field value, or field size "
                     "exceeded in table 'T.DAT'")},
      {"a last auto-increment value below -1", [](TTableDefinition&, int64_t& last) { last = -2; },
       Message(9492, "Maximum or minimum limits on number of fields, auto-increment field value, or field size "
                     "exceeded in table 'T.DAT'")},
      {"31 secondary indexes",
       [](TTableDefinition& d, int64_t&) {
         for (int i = d.Secondary.Count(); i < 31; ++i) d.Secondary.Add(Secondary("I" + std::to_string(i), {1}));
       },
       Message(9487, "Maximum or minimum limits on number of indexes or fields in an index exceeded in table 'T.DAT'")},
      {"a BLOB block size of 63", [](TTableDefinition& d, int64_t&) { d.Properties.BlobBlockSize = 63; },
       Message(9498, "Too many blob fields or invalid blob block size specified for table 'T.DAT'")},
      {"a BLOB block size of 65,536", [](TTableDefinition& d, int64_t&) { d.Properties.BlobBlockSize = 65536; },
       Message(9498, "Too many blob fields or invalid blob block size specified for table 'T.DAT'")},
      {"a field name of 31 characters",
       [](TTableDefinition& d, int64_t&) { d.Fields.Add(TFieldDefinition::Make(std::string(31, 'L'), TFieldType::Date)); },
       Message(10038, "Invalid or duplicate field name '" + std::string(30, 'L') + "' specified for table 'T.DAT'")},
      {"a blank field name", [](TTableDefinition& d, int64_t&) { d.Fields[1].SetName("   "); },
       Message(10038, "Invalid or duplicate field name '' specified for table 'T.DAT'")},
      {"a field name starting with a digit", [](TTableDefinition& d, int64_t&) { d.Fields[1].SetName("2nd"); },
       Message(10038, "Invalid or duplicate field name '2nd' specified for table 'T.DAT'")},
      {"two names differing in case and blanks", [](TTableDefinition& d, int64_t&) { d.Fields[2].SetName(" CODE "); },
       Message(10038, "Invalid or duplicate field name 'CODE' specified for table 'T.DAT'")},
      {"type code 0", [](TTableDefinition& d, int64_t&) { d.Fields[1].SetType(static_cast<TFieldType>(0)); },
       Message(10000, "Invalid field definition specified for the field 'Code' in table 'T.DAT'")},
      {"two fields numbered 2",
       [](TTableDefinition& d, int64_t&) {
         d.Fields[0].SetNumber(2);
         d.Fields[1].SetNumber(2);
       },
       Message(10000, "Invalid field definition specified for the field 'Code' in table 'T.DAT'")},
      {"a string of 251 characters", [](TTableDefinition& d, int64_t&) { d.Fields[1].SetDeclaredSize(251); },
       Message(10000, "Invalid field definition specified for the field 'Code' in table 'T.DAT'")},
      {"a computed field outside a result table", [](TTableDefinition& d, int64_t&) { d.Fields[4].SetNoStorage(true); },
       Message(10000, "Invalid field definition specified for the field 'Count' in table 'T.DAT'")},
      {"a default that is no integer", [](TTableDefinition& d, int64_t&) { d.Fields[4].SetDefault("many"); },
       Message(10006, "Invalid default, min or max validity check, or expression specified for 'Count' in table "
                      "'T.DAT'")},
      {"a maximum that is no date",
       [](TTableDefinition& d, int64_t&) {
         d.Fields.Add(TFieldDefinition::Make("Issued", TFieldType::Date));
         d.Fields.Last().SetMaximum("NOW");
       },
       Message(10006, "Invalid default, min or max validity check, or expression specified for 'Issued' in table "
                      "'T.DAT'")},
      {"an index name starting with a digit", [](TTableDefinition& d, int64_t&) { d.Secondary[0].SetName("9x"); },
       Message(10022, "Invalid secondary index name '9x' specified for table 'T.DAT'")},
      {"indexes named Idx and IDX",
       [](TTableDefinition& d, int64_t&) {
         d.Secondary.Add(Secondary("Idx", {2}));
         d.Secondary.Add(Secondary("IDX", {3}));
       },
       Message(10027, "The secondary index 'IDX' already exists for table 'T.DAT'")},
      {"an index on field 7 of 6", [](TTableDefinition& d, int64_t&) { d.Secondary.Add(Secondary("Ghost", {7})); },
       Message(10023, "Invalid field number '7' specified in index 'Ghost' for table 'T.DAT'")},
      {"an index on a memo", [](TTableDefinition& d, int64_t&) { d.Secondary.Add(Secondary("ByNote", {6})); },
       Message(12292, "Invalid field type specified for index 'ByNote' in table 'T.DAT'")},
      {"a key of 525 bytes",
       [](TTableDefinition& d, int64_t&) {
         d.Fields.Add(TFieldDefinition::Make("Long1", TFieldType::String, 250));
         d.Fields.Add(TFieldDefinition::Make("Long2", TFieldType::String, 250));
         d.Fields.Add(TFieldDefinition::Make("Short", TFieldType::String, 19));
         d.Secondary.Add(Secondary("Wide", {7, 8, 9}));
       },
       Message(10026, "Invalid key size specified in index 'Wide' for table 'T.DAT'")},
  };
  for (const TCase& c : cases) {
    TTableDefinition definition = EditionsDefinition();
    int64_t lastAutoIncrement = 0;
    c.Change(definition, lastAutoIncrement);
    if (lastAutoIncrement == 0) {
      EXPECT_EQ(ErrorMessage([&] { Cursor("T")->CreateTable(definition, false); }), c.Expected) << c.What;
      EXPECT_EQ(FilesIn(FData.Path()), std::vector<std::string>{}) << c.What;
    } else {  // only a restructure takes a last auto-increment value
      EXPECT_EQ(ErrorMessage([&] { ValidateTableDefinition(definition, {.TableName = "T.DAT"}, lastAutoIncrement); }),
                c.Expected)
          << c.What;
    }
  }
}

TEST_F(TableDefinitionCheckTest, AcceptedDefinitionIsCompleted) {
  TTableDefinition definition = EditionsDefinition();
  definition.Fields[1].SetName("  " + std::string(30, 'C') + " ");  // trimmed to 30 characters
  definition.Fields[4].SetScale(2);                                 // only BCD fields keep a scale
  definition.Fields[4].SetDeclaredSize(9);                          // only sized types keep a size
  definition.Fields.Add(TFieldDefinition::Make("Price", TFieldType::BCD, 0, subtype::None, 2));
  definition.Secondary[1].SetName(" ByName ");
  definition.Secondary.Add(Secondary("Wide", {2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3, 2, 3}));
  definition.Properties.BlobBlockSize = 64;
  ValidateTableDefinition(definition, {.TableName = "T.DAT"}, -1);

  EXPECT_EQ(definition.Fields[1].Name(), std::string(30, 'C'));
  EXPECT_EQ(definition.Fields[4].Scale(), 0);
  EXPECT_EQ(definition.Fields[4].DeclaredSize(), 0);
  EXPECT_EQ(definition.Fields[6].Scale(), 2);
  const int offsets[] = {9, 14, 24, 5, 46, 51, 60};
  for (int i = 0; i < definition.Fields.Count(); ++i) {
    EXPECT_EQ(definition.Fields[i].Offset(), offsets[i]) << i;
    EXPECT_EQ(definition.Fields[i].Number(), i + 1);
  }
  EXPECT_EQ(definition.Secondary[1].Name(), "ByName");
}

TEST_F(TableDefinitionCheckTest, ComputedFieldsBelongToResultTablesOnly) {
  TSystemList<TFieldDefinition> fields;
  fields.Add(TFieldDefinition::Make("Total", TFieldType::Float));
  fields.Last().SetNoStorage(true);
  EXPECT_EQ(ErrorCode([&] { ValidateFieldDefinitions(fields, {.TableName = "T.DAT"}); }), err::InvalidFieldDefinition);
  ValidateFieldDefinitions(fields, {.TableName = "R.DAT", .ResultTable = true});
  EXPECT_EQ(fields[0].StoredSize(), 8);
}

}  // namespace
}  // namespace sklad
