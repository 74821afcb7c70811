// The engine's one error type and the process-wide error context it is built from.
// Every engine failure is raised as ESkladEngineError with a numeric code; its message is
// "Sklad Engine Error # <code> <text>", the text being the code's template filled from the context.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace sklad {

// Error codes the engine raises or returns, by the group of their high byte.
namespace err {
// 0x22 record position
constexpr uint16_t BeginningOfFile = 8705;
constexpr uint16_t EndOfFile = 8706;
constexpr uint16_t RecordChanged = 8708;
constexpr uint16_t NoCurrentRecord = 8709;
constexpr uint16_t RecordNotFound = 8710;
constexpr uint16_t EndOfBlob = 8711;
// 0x23 damaged files
constexpr uint16_t HeaderCorrupt = 8961;
constexpr uint16_t RecordBuffersCorrupt = 8962;
constexpr uint16_t BlobBuffersCorrupt = 8963;
constexpr uint16_t IndexBuffersCorrupt = 8965;
// 0x24 input/output
constexpr uint16_t ReadError = 9217;
constexpr uint16_t WriteError = 9218;
constexpr uint16_t CannotDeleteTable = 9220;
constexpr uint16_t HeaderAccess = 9221;
// 0x25 limits
constexpr uint16_t RecordSizeExceeded = 9477;
constexpr uint16_t TableFull = 9479;
constexpr uint16_t TooManyFilters = 9482;
constexpr uint16_t IndexLimits = 9487;
constexpr uint16_t FieldLimits = 9492;
constexpr uint16_t TooManyBlobs = 9494;
constexpr uint16_t BlobFieldLimits = 9498;
// 0x26 value checks
constexpr uint16_t DuplicateKey = 9729;
constexpr uint16_t BelowMinimum = 9730;
constexpr uint16_t AboveMaximum = 9731;
constexpr uint16_t ValueRequired = 9732;
// 0x27 invalid requests
constexpr uint16_t InvalidField = 9985;
// A text that does not read as a value of the wanted type, or a value the target type cannot
// hold; the extra text is the reason ("'abc' is not a valid integer value").
constexpr uint16_t InvalidConversion = 9992;
constexpr uint16_t PrimaryIndexExists = 9993;
constexpr uint16_t InvalidBlobOffset = 9998;
constexpr uint16_t InvalidFieldDefinition = 10000;
constexpr uint16_t InvalidValidityCheck = 10006;
constexpr uint16_t IndexNameMissing = 10010;
constexpr uint16_t InvalidPassword = 10015;
constexpr uint16_t InvalidIndexName = 10022;
constexpr uint16_t InvalidIndexField = 10023;
constexpr uint16_t InvalidKeySize = 10026;
constexpr uint16_t IndexExists = 10027;
constexpr uint16_t InvalidBlobLength = 10029;
constexpr uint16_t InvalidBlobHandle = 10030;
constexpr uint16_t TableInUse = 10031;
constexpr uint16_t InvalidFieldName = 10038;
constexpr uint16_t InvalidFilterHandle = 10050;
constexpr uint16_t FilterError = 10051;
constexpr uint16_t PrimaryIndexRemoval = 10055;
// 0x28 locks
constexpr uint16_t TableLocked = 10241;
constexpr uint16_t CannotUnlock = 10242;
constexpr uint16_t LockFailure = 10249;
constexpr uint16_t MustBeExclusive = 10253;
constexpr uint16_t RecordInUse = 10258;
// 0x29 rights
constexpr uint16_t PasswordRequired = 10498;
// 0x2A state
constexpr uint16_t InvalidBlobField = 10753;
constexpr uint16_t EngineNotInitialized = 10758;
// 0x2B operating system
constexpr uint16_t InvalidPath = 11010;
constexpr uint16_t TooManyFiles = 11012;
constexpr uint16_t AccessDenied = 11013;
constexpr uint16_t InvalidFileHandle = 11014;
constexpr uint16_t OutOfMemory = 11016;
constexpr uint16_t InvalidMemoryTableLength = 11017;
constexpr uint16_t DeviceAccessDenied = 11023;
constexpr uint16_t TableMoved = 11025;
constexpr uint16_t UnknownOsError = 11047;
// 0x2E SQL, 0x2F version, 0x30 definitions, 0x33 existence, 0x3E language drivers
constexpr uint16_t SqlError = 11949;
constexpr uint16_t WrongVersion = 12035;
constexpr uint16_t InvalidIndexFieldType = 12292;
constexpr uint16_t TableExists = 13060;
constexpr uint16_t LanguageDriverMissing = 15878;
}  // namespace err

class ESkladEngineError;

// Records the code and context texts and raises the error; the message is built from exactly
// that context, under the same taking of the context lock.
[[noreturn]] void RaiseEngineError(uint16_t code, std::string_view tableName = {},
                                   std::string_view fieldName = {}, std::string_view extraText = {},
                                   std::string_view indexName = {});

// One entry of an engine error: the code and its message text (at most 254 characters).
struct TSkladError {
  uint16_t Code;
  std::string Message;
};

class ESkladEngineError : public std::runtime_error {
 public:
  // Builds the error for a code from the context as last recorded.
  explicit ESkladEngineError(uint16_t code);

  uint16_t Code() const { return FErrors.front().Code; }
  const std::vector<TSkladError>& Errors() const { return FErrors; }

 private:
  ESkladEngineError(uint16_t code, std::string text);
  friend void RaiseEngineError(uint16_t, std::string_view, std::string_view, std::string_view,
                               std::string_view);

  std::vector<TSkladError> FErrors;
};

// The code's message text filled from the current context, cut to 254 characters.
std::string EngineErrorText(uint16_t code);

// The template of a code, or the unknown-error template for a code not in the table.
std::string_view EngineErrorTemplate(uint16_t code);

}  // namespace sklad
