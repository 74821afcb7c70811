#include "DatabaseError.h"

#include <string>

namespace sklad {

void RaiseDatabaseError(std::string_view text, std::string_view value) {
  std::string message(text);
  if (const auto at = message.find("%s"); at != std::string::npos) message.replace(at, 2, value);
  throw EDatabaseError(message);
}

}  // namespace sklad
