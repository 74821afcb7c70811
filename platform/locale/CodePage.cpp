#include "CodePage.h"

#include "SingleByteCodePage.h"

#include <unicode/ucnv.h>
#include <unicode/utf8.h>

#include <map>
#include <memory>
#include <stdexcept>

namespace platform {
namespace {

using Converter = std::unique_ptr<UConverter, decltype(&ucnv_close)>;

Converter Open(const char* name) {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open(name, &status), &ucnv_close);
  if (U_FAILURE(status)) throw std::invalid_argument(std::string("no converter for ") + name);
  ucnv_setSubstChars(converter.get(), "?", 1, &status);
  return converter;
}

// Each thread keeps the converters it opened: opening one costs more than converting a field.
// A conversion starts by resetting them, so no state carries over from the previous text.
UConverter* Cached(const std::string& name) {
  thread_local std::map<std::string, Converter> converters;
  auto found = converters.find(name);
  if (found == converters.end()) found = converters.emplace(name, Open(name.c_str())).first;
  return found->second.get();
}

std::string Transcode(std::string_view text, const std::string& toName, const std::string& fromName) {
  UConverter* to = Cached(toName);
  UConverter* from = Cached(fromName);
  if (text.empty()) return {};
  // Every input byte becomes at most one UTF-16 unit, every unit at most three UTF-8 bytes.
  std::string out(text.size() * 3, '\0');
  char* target = out.data();
  const char* source = text.data();
  UErrorCode status = U_ZERO_ERROR;
  ucnv_convertEx(to, from, &target, out.data() + out.size(), &source,
                 text.data() + text.size(), nullptr, nullptr, nullptr, nullptr, true, true, &status);
  if (U_FAILURE(status)) throw std::runtime_error(std::string("conversion failed: ") + u_errorName(status));
  out.resize(static_cast<size_t>(target - out.data()));
  return out;
}

std::string WindowsName(int codePage) { return "windows-" + std::to_string(codePage); }

}  // namespace

std::string CodePageToUtf8(std::string_view bytes, int codePage) {
  return Transcode(bytes, "UTF-8", WindowsName(codePage));
}

std::string Utf8ToCodePage(std::string_view utf8, int codePage) {
  return Transcode(utf8, WindowsName(codePage), "UTF-8");
}

std::optional<std::string> Utf8ToCodePageExactly(std::string_view utf8, int codePage) {
  const SingleByteCodePage& table = SingleByteCodePageFor(codePage);
  std::string bytes;
  bytes.reserve(utf8.size());
  const auto* text = reinterpret_cast<const uint8_t*>(utf8.data());
  const auto length = static_cast<int32_t>(utf8.size());
  for (int32_t at = 0; at < length;) {
    UChar32 character;
    U8_NEXT(text, at, length, character);
    if (character < 0 || character > 0xFFFF) return std::nullopt;
    const std::optional<uint8_t> byte = table.FromUnicode(static_cast<UChar>(character));
    if (!byte) return std::nullopt;
    bytes.push_back(static_cast<char>(*byte));
  }
  return bytes;
}

}  // namespace platform
