// The consistency check against data files damaged in one place each.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "DataFileTestSupport.h"
#include "engine/storage/core/LittleEndian.h"

namespace sklad {
namespace {

using testing::EngineErrorCode;
using testing::FieldList;

constexpr size_t kDefinitions = 127;
constexpr size_t kDefinitionSize = 768;
// Byte positions inside one definition.
constexpr size_t kNumber = 0, kName = 2, kType = 84, kDeclaredSize = 86, kScale = 87, kOffset = 90, kMinimum = 94,
                 kMaximum = 145, kDefault = 196;
// 9 + string (11 + 1) + BCD (8 + 1) + date (4 + 1) + timestamp (8 + 1); the auto-increment value
// lies in the system part.
constexpr size_t kRecordSize = 44;

size_t Definition(int index) { return kDefinitions + kDefinitionSize * static_cast<size_t>(index); }

// Puts a length-prefixed text into a definition's slot.
void PutText(std::vector<uint8_t>& bytes, size_t at, const std::string& text) {
  bytes[at] = static_cast<uint8_t>(text.size());
  std::memcpy(&bytes[at + 1], text.data(), text.size());
}

// A table of five fields (string, auto-increment, BCD, date, timestamp) with three records.
std::string MakeValidTable() {
  const std::string name = testing::UniqueTableName("check");
  TDataFile file(name, true);
  file.Create({}, FieldList({TFieldDefinition::Make("Nazev", TFieldType::String, 10),
                             TFieldDefinition::Make("id", TFieldType::Integer, 0, subtype::AutoIncrement),
                             TFieldDefinition::Make("Cena", TFieldType::BCD, 0, subtype::None, 2),
                             TFieldDefinition::Make("Datum", TFieldType::Date),
                             TFieldDefinition::Make("Kdy", TFieldType::TimeStamp)}));
  for (int i = 0; i < 3; ++i) {
    TRecord* record = file.Records().NewRecord();
    record->SetAutoIncrementValue(file.NextAutoIncrement());
    file.Records().ReleaseRecord(record);
  }
  file.Records().WriteModified(false);
  file.WriteHeader(true);
  file.WriteFieldDefinitions();
  return name;
}

struct Damage {
  const char* what;
  std::function<void(std::vector<uint8_t>&)> apply;
  int openCode;   // the error of opening the file
  int checkCode;  // the error of the check after a successful open
};

const Damage kDamages[] = {
    {"nothing", [](auto&) {}, 0, 0},
    {"partial last record", [](auto& b) { b.resize(b.size() + 5); }, 0, err::HeaderCorrupt},
    {"one record more than announced", [](auto& b) { b.resize(b.size() + kRecordSize); }, 0, err::HeaderCorrupt},
    {"one record fewer than announced", [](auto& b) { b.resize(b.size() - kRecordSize); }, 0, err::HeaderCorrupt},
    {"file ends inside the definitions", [](auto& b) { b.resize(Definition(3) + 10); }, err::ReadError, 0},
    {"version 3", [](auto& b) { b[8] = 3; }, 0, err::WrongVersion},
    {"1,025 fields", [](auto& b) { StoreLE<uint16_t>(&b[23], 1025); }, err::HeaderCorrupt, 0},
    {"field count of the header grown by one", [](auto& b) { StoreLE<uint16_t>(&b[23], 6); }, err::ReadError, 0},
    {"record size", [](auto& b) { StoreLE<uint16_t>(&b[21], 22); }, 0, err::HeaderCorrupt},
    {"record size below the system part", [](auto& b) { StoreLE<uint16_t>(&b[21], 8); }, err::HeaderCorrupt, 0},
    {"language installed", [](auto& b) { StoreLE<uint16_t>(&b[103], 1029); }, 0, 0},
    {"language without an installed locale",
     [](auto& b) {
       StoreLE<uint16_t>(&b[103], 1029);
       StoreLE<uint16_t>(&b[105], 16);
     },
     0, err::LanguageDriverMissing},
    {"minimum, maximum and default that convert",
     [](auto& b) {
       PutText(b, Definition(2) + kMinimum, "-10.5");
       PutText(b, Definition(2) + kMaximum, "99");
       PutText(b, Definition(0) + kDefault, "cokoli");
     },
     0, 0},
    {"maximum that is no number", [](auto& b) { PutText(b, Definition(2) + kMaximum, "abc"); }, 0, err::HeaderCorrupt},
    {"DATE as the default of a date", [](auto& b) { PutText(b, Definition(3) + kDefault, "date"); }, 0, 0},
    {"NOW as the default of a timestamp", [](auto& b) { PutText(b, Definition(4) + kDefault, "NOW"); }, 0, 0},
    {"NOW as the default of a date", [](auto& b) { PutText(b, Definition(3) + kDefault, "NOW"); }, 0,
     err::HeaderCorrupt},
    {"TIME as the minimum of a date", [](auto& b) { PutText(b, Definition(3) + kMinimum, "TIME"); }, 0,
     err::HeaderCorrupt},
    {"description length past its slot", [](auto& b) { b[35] = 255; }, 0, err::HeaderCorrupt},
    {"password length past the header", [](auto& b) { b[87] = 200; }, 0, err::HeaderCorrupt},
    {"duplicate field name", [](auto& b) { std::memcpy(&b[Definition(2) + kName], "\x05NAZEV", 6); }, 0,
     err::HeaderCorrupt},
    {"duplicate field name with blanks", [](auto& b) { std::memcpy(&b[Definition(3) + kName], "\x04id  ", 5); }, 0,
     err::HeaderCorrupt},
    {"duplicate field number", [](auto& b) { StoreLE<uint16_t>(&b[Definition(3) + kNumber], 1); }, 0,
     err::HeaderCorrupt},
    {"field number not its position", [](auto& b) { StoreLE<uint16_t>(&b[Definition(3) + kNumber], 9); }, 0,
     err::HeaderCorrupt},
    {"empty field name", [](auto& b) { b[Definition(0) + kName] = 0; }, 0, err::HeaderCorrupt},
    {"field name starting with a digit", [](auto& b) { b[Definition(0) + kName + 1] = '1'; }, 0, err::HeaderCorrupt},
    {"field name starting with a code page letter", [](auto& b) { b[Definition(0) + kName + 1] = 0xC8; }, 0, 0},
    {"field name length past its slot", [](auto& b) { b[Definition(0) + kName] = 200; }, 0, err::HeaderCorrupt},
    {"minimum length past its slot", [](auto& b) { b[Definition(2) + kMinimum] = 255; }, 0, err::HeaderCorrupt},
    {"type code 0", [](auto& b) { b[Definition(3) + kType] = 0; }, 0, err::HeaderCorrupt},
    {"type code 16", [](auto& b) { b[Definition(3) + kType] = 16; }, 0, err::HeaderCorrupt},
    {"string of declared size 251", [](auto& b) { b[Definition(0) + kDeclaredSize] = 251; }, 0, err::HeaderCorrupt},
    {"date with a declared size", [](auto& b) { b[Definition(3) + kDeclaredSize] = 4; }, 0, err::HeaderCorrupt},
    {"scale on a date", [](auto& b) { b[Definition(3) + kScale] = 1; }, 0, err::HeaderCorrupt},
    {"BCD scale 5", [](auto& b) { b[Definition(2) + kScale] = 5; }, 0, err::HeaderCorrupt},
    {"field offset", [](auto& b) { StoreLE<uint16_t>(&b[Definition(3) + kOffset], 31); }, 0, err::HeaderCorrupt},
    {"auto-increment offset", [](auto& b) { StoreLE<uint16_t>(&b[Definition(1) + kOffset], 9); }, 0,
     err::HeaderCorrupt},
};

TEST(DataFileCheck, EachDamageFailsWithItsCodeAndLeavesTheFileClosed) {
  for (const Damage& damage : kDamages) {
    SCOPED_TRACE(damage.what);
    const std::string name = MakeValidTable();
    std::vector<uint8_t> bytes = testing::FileBytes(name);
    damage.apply(bytes);
    testing::SetFileBytes(name, bytes);

    TDataFile file(name, true);
    EXPECT_EQ(EngineErrorCode([&] { file.Open(); }), damage.openCode);
    if (damage.openCode == 0) {
      EXPECT_EQ(EngineErrorCode([&] { file.CheckConsistency(); }), damage.checkCode);
    }
    const bool passed = damage.openCode == 0 && damage.checkCode == 0;
    EXPECT_EQ(file.IsOpen(), passed);
    file.Close();
    testing::DeleteFile(name);
  }
}

}  // namespace
}  // namespace sklad
