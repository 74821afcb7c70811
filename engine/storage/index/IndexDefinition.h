// TIndexDefinition: one 120-byte index definition of an index file header, kept as its stored
// bytes with typed accessors: name, key length, order and uniqueness flags, leaf compression,
// key fields, and where the index's root and free pages are.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace sklad {

// How leaf entries are stored.
enum class TKeyCompression : uint8_t {
  None = 0,
  DuplicateBytes = 1,  // leading bytes equal to the previous key are cut
  TrailingBytes = 2,   // trailing zero bytes of the key are cut
  Full = 3,            // both
};

class TIndexDefinition {
 public:
  static constexpr int kSize = 120;
  static constexpr int kMaxKeyFields = 16;
  static constexpr int kNameSlot = 31;

  TIndexDefinition() { FBytes.fill(0); }

  std::string Name() const;
  void SetName(std::string_view name);
  uint16_t KeyLength() const;
  void SetKeyLength(uint16_t length);
  bool Descending() const { return FBytes[kDescendingAt] != 0; }
  void SetDescending(bool value) { FBytes[kDescendingAt] = value ? 1 : 0; }
  bool CaseInsensitive() const { return FBytes[kCaseInsensitiveAt] != 0; }
  void SetCaseInsensitive(bool value) { FBytes[kCaseInsensitiveAt] = value ? 1 : 0; }
  bool Unique() const { return FBytes[kUniqueAt] != 0; }
  void SetUnique(bool value) { FBytes[kUniqueAt] = value ? 1 : 0; }
  // The stored byte; values above 3 are only met in damaged files.
  uint8_t CompressionCode() const { return FBytes[kCompressionAt]; }
  TKeyCompression Compression() const { return static_cast<TKeyCompression>(FBytes[kCompressionAt]); }
  void SetCompression(TKeyCompression value) { FBytes[kCompressionAt] = static_cast<uint8_t>(value); }
  // The stored count byte; see KeyFieldNumbers for the numbers themselves.
  uint8_t FieldCount() const { return FBytes[kFieldCountAt]; }
  void SetFieldCount(uint8_t count) { FBytes[kFieldCountAt] = count; }
  bool FieldDescending(int i) const { return FBytes[kFieldDescendingAt + i] != 0; }
  void SetFieldDescending(int i, bool value) { FBytes[kFieldDescendingAt + i] = value ? 1 : 0; }
  uint16_t FieldNumber(int i) const;
  void SetFieldNumber(int i, uint16_t number);
  // The number of key field numbers before the first 0.
  int ListedFieldCount() const;
  uint32_t Root() const;
  void SetRoot(uint32_t offset);
  uint32_t FirstFreePage() const;
  void SetFirstFreePage(uint32_t offset);

  // The key fields' part of the key length is not stored; a non-unique key adds the identity.
  static constexpr int kIdentitySize = 4;

  const uint8_t* Bytes() const { return FBytes.data(); }
  uint8_t* Bytes() { return FBytes.data(); }
  bool operator==(const TIndexDefinition&) const = default;

 private:
  static constexpr int kNameAt = 0, kKeyLengthAt = 31, kDescendingAt = 33;
  static constexpr int kCaseInsensitiveAt = 34, kUniqueAt = 35, kCompressionAt = 36;
  static constexpr int kFieldCountAt = 37, kFieldDescendingAt = 38, kFieldNumbersAt = 54;
  static constexpr int kRootAt = 86, kFirstFreeAt = 90;

  std::array<uint8_t, kSize> FBytes;
};

}  // namespace sklad
