// The 256-character table of a single-byte Windows code page, built once from ICU's converter and
// shared by the collation and case mapping, which turn code-page bytes into UTF-16 per character.
#pragma once

#include <unicode/umachine.h>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

namespace platform {

class SingleByteCodePage {
 public:
  explicit SingleByteCodePage(int codePage);

  int CodePage() const { return FCodePage; }

  // The character of a byte; a byte the code page leaves undefined keeps its own value (a C1
  // control character), so that distinct bytes stay distinct.
  UChar ToUnicode(uint8_t byte) const { return FToUnicode[byte]; }

  // The byte of a character, none when the code page cannot represent it.
  std::optional<uint8_t> FromUnicode(UChar character) const;

 private:
  int FCodePage;
  std::array<UChar, 256> FToUnicode{};
  std::array<std::pair<UChar, uint8_t>, 256> FByCharacter{};  // sorted by character
};

// The process-wide table of a code page, built on first use. Raises std::invalid_argument for a
// code page ICU has no single-byte converter for.
const SingleByteCodePage& SingleByteCodePageFor(int codePage);

}  // namespace platform
