// EDatabaseError: the dataset layer's own error (missing names, changes refused on open
// components); engine failures pass through as ESkladEngineError.
#pragma once

#include <stdexcept>
#include <string_view>

namespace sklad {

class EDatabaseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The layer's message texts; "%s" stands for the inserted value.
namespace dberr {
constexpr std::string_view SessionNameInvalid = "Session name %s is not valid.";
constexpr std::string_view SessionNameMissing = "Session name is missing.";
constexpr std::string_view SessionNameExists = "Session name %s already exists.";
constexpr std::string_view SessionActive = "Cannot perform this operation on an active session.";
constexpr std::string_view DatabaseNameMissing = "Database name is missing.";
constexpr std::string_view DatabaseNameInvalid = "Database name %s is not valid.";
constexpr std::string_view DatabaseNameExists = "Database name %s already exists.";
constexpr std::string_view DatabaseOpen = "Cannot perform this operation on an open database.";
constexpr std::string_view NoTableHandle = "Error creating table handle.";
constexpr std::string_view TableNameMissing = "Missing table name.";
constexpr std::string_view DataSetClosed = "Cannot perform this operation on a closed dataset";
constexpr std::string_view DataSetOpen = "Cannot perform this operation on an open dataset";
constexpr std::string_view FieldNotFound = "Field '%s' not found";
constexpr std::string_view DataSetReadOnly = "Cannot modify a read-only dataset";
constexpr std::string_view NotEditing = "Dataset not in edit or insert mode";
constexpr std::string_view FieldReadOnly = "Field '%s' cannot be modified";
constexpr std::string_view NoSqlStatement = "No SQL statement available";
constexpr std::string_view NoParameterValue = "No value for parameter '%s'";
constexpr std::string_view ParameterNotFound = "Parameter '%s' not found";
constexpr std::string_view CircularDataLink = "Circular datalinks are not allowed";
}  // namespace dberr

// Raises EDatabaseError with the text, its "%s" replaced by the value.
[[noreturn]] void RaiseDatabaseError(std::string_view text, std::string_view value = {});

}  // namespace sklad
