#include "EngineError.h"

#include <array>
#include <mutex>
#include <span>

namespace sklad {
namespace {

struct MessageTemplate {
  uint16_t code;
  std::string_view text;
  // The context values for the %s places, in order: T table, F field, I index, X extra text.
  std::string_view slots;
};

// English message templates, one per code the engine raises.
const MessageTemplate kTemplates[] = {
    {8705, "Beginning of file encountered in table '%s'", "T"},
    {8706, "End of file encountered in table '%s'", "T"},
    {8708, "Record has been changed or deleted by another user, session, or table cursor in table '%s'", "T"},
    {8709, "No current record in table '%s'", "T"},
    {8710, "Record not found in table '%s'", "T"},
    {8711, "End of blob data in table '%s' reached prematurely", "T"},
    {8961, "Header information corrupt in table '%s'", "T"},
    {8962, "Data record buffers corrupt in table '%s'", "T"},
    {8963, "BLOB block buffers corrupt in table '%s'", "T"},
    {8965, "Index page buffers corrupt in table '%s'", "T"},
    {9217, "Error reading from table '%s'", "T"},
    {9218, "Error writing to table '%s'", "T"},
    {9220, "Cannot delete table '%s'", "T"},
    {9221, "Error accessing header information for table '%s'", "T"},
    {9477, "Maximum record size exceeded in table '%s'", "T"},
    {9479, "The table '%s' is full and cannot contain any more data", "T"},
    {9482, "Too many filters defined for table '%s'", "T"},
    {9487, "Maximum or minimum limits on number of indexes or fields in an index exceeded in table '%s'", "T"},
    {9492, "Maximum or minimum limits on number of fields, auto-increment field value, or field size exceeded in table '%s'", "T"},
    {9494, "Too many blobs opened in table '%s'", "T"},
    {9498, "Too many blob fields or invalid blob block size specified for table '%s'", "T"},
    {9729, "Duplicate key found in index '%s' of table '%s'", "IT"},
    {9730, "The value for the field '%s' in table '%s' is below the minimum allowable value", "FT"},
    {9731, "The value for the field '%s' in table '%s' is above the maximum allowable value", "FT"},
    {9732, "A value must be provided for the field '%s' in table '%s'", "FT"},
    {9985, "Invalid field number or name '%s' specified for table '%s'", "FT"},
    {9992, "%s", "X"},
    {9993, "A primary index is already defined for table '%s' and cannot be added again", "T"},
    {9998, "Invalid blob offset into table '%s' specified", "T"},
    {10000, "Invalid field definition specified for the field '%s' in table '%s'", "FT"},
    {10006, "Invalid default, min or max validity check, or expression specified for '%s' in table '%s'", "FT"},
    {10010, "The secondary index name is missing or not specified for table '%s'", "T"},
    {10015, "Password provided for table '%s' is invalid", "T"},
    {10022, "Invalid secondary index name '%s' specified for table '%s'", "IT"},
    {10023, "Invalid field number '%s' specified in index '%s' for table '%s'", "FIT"},
    {10026, "Invalid key size specified in index '%s' for table '%s'", "IT"},
    {10027, "The secondary index '%s' already exists for table '%s'", "IT"},
    {10029, "Invalid blob length in table '%s'", "T"},
    {10030, "Invalid blob handle for table '%s' specified", "T"},
    {10031, "table '%s' is already in use", "T"},
    {10038, "Invalid or duplicate field name '%s' specified for table '%s'", "FT"},
    {10050, "Invalid filter handle specified for table '%s'", "T"},
    {10051, "Filter error for table '%s' - %s", "TX"},
    {10055, "The primary index cannot be removed from table '%s'", "T"},
    {10241, "The table '%s' is already locked by another user", "T"},
    {10242, "Cannot unlock table or record in table '%s'", "T"},
    {10249, "General lock failure with table '%s'", "T"},
    {10253, "table '%s' must be opened exclusively", "T"},
    {10258, "Record in table '%s' is in use by another user", "T"},
    {10498, "Insufficient rights to table '%s', a password is required", "T"},
    {10753, "Invalid blob field '%s' specified for table '%s'", "FT"},
    {10758, "Engine not initialized", ""},
    {11010, "Invalid path or file name for table '%s'", "T"},
    {11012, "Too many files open while attempting to open table '%s'", "T"},
    {11013, "Access denied to table '%s'", "T"},
    {11014, "Invalid file handle for table '%s'", "T"},
    {11016, "There is insufficient operating system memory available for the current operation", ""},
    {11017, "Invalid length for in-memory table '%s'", "T"},
    {11023, "Access denied to logical operating system device for table '%s'", "T"},
    {11025, "table '%s' has been moved", "T"},
    {11047, "An unknown operating system error occurred with table '%s'", "T"},
    {11949, "SQL error - %s", "X"},
    {12035, "table '%s' is not the correct version", "T"},
    {12292, "Invalid field type specified for index '%s' in table '%s'", "IT"},
    {13060, "The table '%s' already exists", "T"},
    {15878, "The language driver for table '%s' is not available or installed", "T"},
};

constexpr std::string_view kUnknownTemplate = "Unknown error occurred with table '%S'";
constexpr std::string_view kMessagePrefix = "Sklad Engine Error # ";
constexpr size_t kContextTextLimit = 255;
constexpr size_t kMessageTextLimit = 254;

// The process-wide context of the error being raised.
struct ErrorContext {
  std::mutex lock;
  uint16_t code = 0;
  std::string table, field, index, extra;

  const std::string& text(char slot) const {
    switch (slot) {
      case 'F': return field;
      case 'I': return index;
      case 'X': return extra;
      default: return table;
    }
  }
};

ErrorContext& Context() {
  static ErrorContext context;
  return context;
}

const MessageTemplate* FindTemplate(uint16_t code) {
  for (const auto& t : kTemplates)
    if (t.code == code) return &t;
  return nullptr;
}

// Replaces each placeholder of the template in turn by the next value. Values are inserted as
// they are, never read as format text, so a context holding '%' signs prints literally.
std::string Fill(std::string_view pattern, std::string_view placeholder,
                 std::span<const std::string* const> values) {
  std::string out;
  auto value = values.begin();
  size_t from = 0;
  for (size_t at; (at = pattern.find(placeholder, from)) != std::string_view::npos;) {
    out.append(pattern, from, at - from);
    if (value != values.end()) out += **value++;
    from = at + placeholder.size();
  }
  out.append(pattern, from);
  return out;
}

// Must be called with the context lock held.
std::string TextFromContext(const ErrorContext& context, uint16_t code) {
  std::string text;
  if (const MessageTemplate* t = FindTemplate(code)) {
    std::array<const std::string*, 3> values{};
    size_t n = 0;
    for (char slot : t->slots) values[n++] = &context.text(slot);
    text = Fill(t->text, "%s", std::span(values.data(), n));
  } else {
    const std::string* table = &context.table;
    text = Fill(kUnknownTemplate, "%S", std::span(&table, 1));
  }
  if (text.size() > kMessageTextLimit) text.resize(kMessageTextLimit);
  return text;
}

std::string Cut(std::string_view text) { return std::string(text.substr(0, kContextTextLimit)); }

std::string MessageFor(uint16_t code, const std::string& text) {
  return std::string(kMessagePrefix) + std::to_string(code) + " " + text;
}

}  // namespace

std::string_view EngineErrorTemplate(uint16_t code) {
  const MessageTemplate* t = FindTemplate(code);
  return t ? t->text : kUnknownTemplate;
}

std::string EngineErrorText(uint16_t code) {
  ErrorContext& context = Context();
  std::lock_guard guard(context.lock);
  return TextFromContext(context, code);
}

ESkladEngineError::ESkladEngineError(uint16_t code) : ESkladEngineError(code, EngineErrorText(code)) {}

ESkladEngineError::ESkladEngineError(uint16_t code, std::string text)
    : std::runtime_error(MessageFor(code, text)), FErrors{{code, std::move(text)}} {}

void RaiseEngineError(uint16_t code, std::string_view tableName, std::string_view fieldName,
                      std::string_view extraText, std::string_view indexName) {
  ErrorContext& context = Context();
  std::string text;
  {
    std::lock_guard guard(context.lock);
    context.code = code;
    context.table = Cut(tableName);
    context.field = Cut(fieldName);
    context.extra = Cut(extraText);
    context.index = Cut(indexName);
    text = TextFromContext(context, code);
  }
  throw ESkladEngineError(code, std::move(text));
}

}  // namespace sklad
