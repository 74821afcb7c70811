#include "CodePage.h"

#include <unicode/ucnv.h>

#include <string>

namespace platform {
namespace {

std::string Transcode(std::string_view text, const char* toName, const char* fromName) {
  if (text.empty()) return {};
  UErrorCode status = U_ZERO_ERROR;
  std::string out(text.size() * 4 + 4, '\0');
  const int32_t length = ucnv_convert(toName, fromName, out.data(), static_cast<int32_t>(out.size()),
                                      text.data(), static_cast<int32_t>(text.size()), &status);
  if (U_FAILURE(status)) return {};
  out.resize(static_cast<size_t>(length));
  return out;
}

}  // namespace

std::string CodePageToUtf8(std::string_view bytes, int codePage) {
  const std::string name = "windows-" + std::to_string(codePage);
  return Transcode(bytes, "UTF-8", name.c_str());
}

std::string Utf8ToCodePage(std::string_view utf8, int codePage) {
  const std::string name = "windows-" + std::to_string(codePage);
  return Transcode(utf8, name.c_str(), "UTF-8");
}

}  // namespace platform
