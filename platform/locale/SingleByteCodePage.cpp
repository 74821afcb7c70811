#include "SingleByteCodePage.h"

#include <unicode/ucnv.h>

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>

namespace platform {

SingleByteCodePage::SingleByteCodePage(int codePage) : FCodePage(codePage) {
  const std::string name = "windows-" + std::to_string(codePage);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<UConverter, decltype(&ucnv_close)> converter(ucnv_open(name.c_str(), &status),
                                                               &ucnv_close);
  if (U_FAILURE(status) || ucnv_getMaxCharSize(converter.get()) != 1)
    throw std::invalid_argument("no single-byte converter for code page " + std::to_string(codePage));
  ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  for (int byte = 0; byte < 256; ++byte) {
    const char in = static_cast<char>(byte);
    UChar out[2];
    status = U_ZERO_ERROR;
    ucnv_reset(converter.get());
    const int32_t length = ucnv_toUChars(converter.get(), out, 2, &in, 1, &status);
    FToUnicode[byte] = U_SUCCESS(status) && length == 1 ? out[0] : static_cast<UChar>(byte);
    FByCharacter[byte] = {FToUnicode[byte], static_cast<uint8_t>(byte)};
  }
  std::sort(FByCharacter.begin(), FByCharacter.end());
}

std::optional<uint8_t> SingleByteCodePage::FromUnicode(UChar character) const {
  const auto it = std::lower_bound(FByCharacter.begin(), FByCharacter.end(),
                                   std::pair<UChar, uint8_t>{character, 0});
  if (it == FByCharacter.end() || it->first != character) return {};
  return it->second;
}

const SingleByteCodePage& SingleByteCodePageFor(int codePage) {
  static std::mutex lock;
  static std::map<int, std::unique_ptr<SingleByteCodePage>> tables;
  std::lock_guard guard(lock);
  auto& table = tables[codePage];
  if (!table) {
    try {
      table = std::make_unique<SingleByteCodePage>(codePage);
    } catch (...) {
      tables.erase(codePage);
      throw;
    }
  }
  return *table;
}

}  // namespace platform
