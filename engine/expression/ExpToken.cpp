#include "ExpToken.h"

namespace sklad {

void TExpToken::SetString(const std::string& text) {
  ValueType = static_cast<uint8_t>(TFieldType::String);
  Size = static_cast<uint32_t>(text.size() + 1);
  Reserve(Size);
  std::memcpy(Value.data(), text.c_str(), Size);
  IsNull = text.empty();
}

}  // namespace sklad
