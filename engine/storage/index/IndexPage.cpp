#include "IndexPage.h"

#include <algorithm>
#include <cstring>

#include "engine/storage/core/LittleEndian.h"

namespace sklad {
namespace {

constexpr int kTypeAt = 0, kCountAt = 1, kPreviousAt = 3, kNextAt = 7, kSizeAt = 11;
constexpr int kLeading = 0, kTrailing = 1;
// Unpacked buffers grow in these steps.
constexpr size_t kBufferStep = 8192;
// A compressed entry takes at least its two cut counts and its record number.
constexpr int kSmallestStoredEntry = 6;

int CommonPrefix(const uint8_t* a, const uint8_t* b, int length) {
  int n = 0;
  while (n < length && a[n] == b[n]) ++n;
  return n;
}

int TrailingZeros(const uint8_t* bytes, int length) {
  int n = 0;
  while (n < length && bytes[length - 1 - n] == 0) ++n;
  return n;
}

}  // namespace

void TPage::Configure(int slot, int keyLength, bool unique, TKeyCompression compression) {
  FSlot = slot;
  FKeyLength = keyLength;
  FUnique = unique;
  FCompression = compression;
  Clear();
}

void TPage::Clear() {
  FType = TPageType::InternalRoot;
  FCount = 0;
  FCompressedSize = 0;
  Previous = Next = Parent = 0;
  Freed = false;
}

uint32_t TPage::Value(int i) const { return LoadLE<uint32_t>(EntryAt(i) + FKeyLength); }

void TPage::SetValue(int i, uint32_t value) { StoreLE<uint32_t>(EntryAt(i) + FKeyLength, value); }

uint32_t TPage::SubtreeCount(int i) const { return IsLeaf() ? 1 : LoadLE<uint32_t>(EntryAt(i) + FKeyLength + 4); }

void TPage::SetSubtreeCount(int i, uint32_t count) { StoreLE<uint32_t>(EntryAt(i) + FKeyLength + 4, count); }

int TPage::Cut(int i, int which) const { return LoadLE<uint16_t>(Entry(i) + FKeyLength + 8 + 2 * which); }

void TPage::SetCut(int i, int which, int value) {
  StoreLE<uint16_t>(Entry(i) + FKeyLength + 8 + 2 * which, static_cast<uint16_t>(value));
}

int TPage::KeyPartLength() const { return FUnique ? FKeyLength : FKeyLength - TIndexDefinition::kIdentitySize; }

int TPage::StoredEntrySize(int i) const {
  switch (FCompression) {
    case TKeyCompression::DuplicateBytes: return FKeyLength - Cut(i, kLeading) + 6;
    case TKeyCompression::TrailingBytes: return FKeyLength - Cut(i, kTrailing) + 6;
    case TKeyCompression::Full: return FKeyLength - Cut(i, kLeading) - Cut(i, kTrailing) + 6;
    default: return FKeyLength + 4;
  }
}

void TPage::RefreshCuts(int i) {
  if (FCompression == TKeyCompression::None || i >= FCount) return;
  FCompressedSize -= StoredEntrySize(i);
  const uint8_t* key = Key(i);
  const int prefix = i == 0 ? 0 : CommonPrefix(Key(i - 1), key, FKeyLength);
  const int keyPart = KeyPartLength();
  const int zeros = TrailingZeros(key, keyPart);
  int leading = 0, trailing = 0;
  switch (FCompression) {
    case TKeyCompression::DuplicateBytes: leading = prefix; break;
    case TKeyCompression::TrailingBytes: trailing = zeros; break;
    default:
      leading = std::min(prefix, 255);
      // Only bytes after the repeated prefix can be cut at the end, and none when fewer than
      // five bytes are left.
      if (FKeyLength - leading >= 5) trailing = std::min({zeros, keyPart - leading, 255});
      break;
  }
  SetCut(i, kLeading, leading);
  SetCut(i, kTrailing, trailing);
  FCompressedSize += StoredEntrySize(i);
}

void TPage::RefreshAllCuts() {
  if (FCompression == TKeyCompression::None) return;
  FCompressedSize = 0;
  for (int i = 0; i < FCount; ++i) {
    SetCut(i, kLeading, 0);
    SetCut(i, kTrailing, 0);
    FCompressedSize += StoredEntrySize(i);
  }
  for (int i = 0; i < FCount; ++i) RefreshCuts(i);
}

void TPage::Reserve(int count) {
  const size_t needed = static_cast<size_t>(count) * Stride();
  if (FEntries.size() < needed) FEntries.resize((needed + kBufferStep - 1) / kBufferStep * kBufferStep);
}

void TPage::SetKey(int i, const uint8_t* key) {
  std::memmove(EntryAt(i), key, static_cast<size_t>(FKeyLength));
  RefreshCuts(i);
  RefreshCuts(i + 1);
}

void TPage::Insert(int i, const uint8_t* key, uint32_t value, uint32_t subtreeCount) {
  SKLAD_INVARIANT(i >= 0 && i <= FCount);
  Reserve(FCount + 1);
  std::memmove(Entry(i + 1), Entry(i), static_cast<size_t>(FCount - i) * Stride());
  ++FCount;
  std::memcpy(Entry(i), key, static_cast<size_t>(FKeyLength));
  SetValue(i, value);
  SetSubtreeCount(i, subtreeCount);
  SetCut(i, kLeading, 0);
  SetCut(i, kTrailing, 0);
  if (FCompression != TKeyCompression::None) FCompressedSize += StoredEntrySize(i);
  RefreshCuts(i);
  RefreshCuts(i + 1);
}

void TPage::Remove(int i) {
  SKLAD_INVARIANT(i >= 0 && i < FCount);
  if (FCompression != TKeyCompression::None) FCompressedSize -= StoredEntrySize(i);
  std::memmove(Entry(i), Entry(i + 1), static_cast<size_t>(FCount - i - 1) * Stride());
  --FCount;
  RefreshCuts(i);
}

void TPage::MoveEntriesTo(TPage& target, int from, int count, int at) {
  SKLAD_INVARIANT(from >= 0 && count >= 0 && from + count <= FCount && at >= 0 && at <= target.FCount);
  target.Reserve(target.FCount + count);
  std::memmove(target.Entry(at + count), target.Entry(at), static_cast<size_t>(target.FCount - at) * Stride());
  std::memcpy(target.Entry(at), Entry(from), static_cast<size_t>(count) * Stride());
  target.FCount += count;
  std::memmove(Entry(from), Entry(from + count), static_cast<size_t>(FCount - from - count) * Stride());
  FCount -= count;
  RefreshAllCuts();
  target.RefreshAllCuts();
}

uint32_t TPage::KeyCount() const {
  if (IsLeaf()) return static_cast<uint32_t>(FCount);
  uint32_t total = 0;
  for (int i = 0; i < FCount; ++i) total += SubtreeCount(i);
  return total;
}

int TPage::Capacity() const { return kEntryArea / (FKeyLength + (IsLeaf() ? 6 : 10)); }

bool TPage::Overfull() const { return Compressed() ? FCompressedSize > kEntryArea : FCount > Capacity(); }

bool TPage::Pack(uint8_t* out) const {
  std::memset(out, 0, kPageSize);
  out[kTypeAt] = static_cast<uint8_t>(FType);
  StoreLE<uint16_t>(out + kCountAt, static_cast<uint16_t>(Freed ? 0 : FCount));
  StoreLE<uint32_t>(out + kPreviousAt, Previous);
  StoreLE<uint32_t>(out + kNextAt, Next);
  if (Freed) return true;
  if (Overfull()) return false;
  uint8_t* at = out + kHeaderSize;
  if (!Compressed()) {
    const int size = FKeyLength + (IsLeaf() ? 4 : 8);
    for (int i = 0; i < FCount; ++i, at += size) std::memcpy(at, Entry(i), static_cast<size_t>(size));
    return true;
  }
  StoreLE<uint16_t>(out + kSizeAt, static_cast<uint16_t>(FCompressedSize));
  const int keyPart = KeyPartLength();
  for (int i = 0; i < FCount; ++i) {
    const uint8_t* key = Key(i);
    const int leading = Cut(i, kLeading), trailing = Cut(i, kTrailing);
    switch (FCompression) {
      case TKeyCompression::DuplicateBytes: StoreLE<uint16_t>(at, static_cast<uint16_t>(leading)); at += 2; break;
      case TKeyCompression::TrailingBytes: StoreLE<uint16_t>(at, static_cast<uint16_t>(trailing)); at += 2; break;
      default: at[0] = static_cast<uint8_t>(leading); at[1] = static_cast<uint8_t>(trailing); at += 2; break;
    }
    if (trailing == 0) {
      std::memcpy(at, key + leading, static_cast<size_t>(FKeyLength - leading));
      at += FKeyLength - leading;
    } else {
      std::memcpy(at, key + leading, static_cast<size_t>(keyPart - trailing - leading));
      at += keyPart - trailing - leading;
      std::memcpy(at, key + keyPart, static_cast<size_t>(FKeyLength - keyPart));
      at += FKeyLength - keyPart;
    }
    StoreLE<uint32_t>(at, Value(i));
    at += 4;
  }
  return true;
}

bool TPage::Unpack(const uint8_t* in, bool headerOnly) {
  const uint8_t type = in[kTypeAt];
  if (type > static_cast<uint8_t>(TPageType::LeafRoot)) return false;
  FType = static_cast<TPageType>(type);
  Previous = LoadLE<uint32_t>(in + kPreviousAt);
  Next = LoadLE<uint32_t>(in + kNextAt);
  Freed = false;
  FCount = 0;
  FCompressedSize = 0;
  // Only a free page is read for its header alone, and a freed page is written without entries.
  if (headerOnly) return LoadLE<uint16_t>(in + kCountAt) == 0;
  const int count = LoadLE<uint16_t>(in + kCountAt);
  const uint8_t* at = in + kHeaderSize;
  if (!Compressed()) {
    if (count > Capacity()) return false;
    const int size = FKeyLength + (IsLeaf() ? 4 : 8);
    Reserve(count);
    FCount = count;
    for (int i = 0; i < count; ++i, at += size) {
      std::memcpy(Entry(i), at, static_cast<size_t>(size));
      if (IsLeaf()) SetSubtreeCount(i, 1);
    }
    RefreshAllCuts();
    return true;
  }
  const int storedSize = LoadLE<uint16_t>(in + kSizeAt);
  if (storedSize > kEntryArea || count > kEntryArea / kSmallestStoredEntry) return false;
  const uint8_t* const end = at + storedSize;
  const int keyPart = KeyPartLength();
  Reserve(count);
  for (int i = 0; i < count; ++i) {
    if (end - at < 2) return false;
    int leading = 0, trailing = 0;
    switch (FCompression) {
      case TKeyCompression::DuplicateBytes: leading = LoadLE<uint16_t>(at); break;
      case TKeyCompression::TrailingBytes: trailing = LoadLE<uint16_t>(at); break;
      default: leading = at[0]; trailing = at[1]; break;
    }
    at += 2;
    // Repeated bytes need a previous key; cut zeros must lie inside the key part after them.
    if (leading > FKeyLength || (i == 0 && leading != 0)) return false;
    if (trailing != 0 && leading + trailing > keyPart) return false;
    const int bytes = FKeyLength - leading - trailing;
    if (end - at < bytes + 4) return false;
    uint8_t* key = Entry(i);
    if (leading > 0) std::memcpy(key, Entry(i - 1), static_cast<size_t>(leading));
    if (trailing == 0) {
      std::memcpy(key + leading, at, static_cast<size_t>(bytes));
    } else {
      std::memcpy(key + leading, at, static_cast<size_t>(keyPart - trailing - leading));
      std::memset(key + keyPart - trailing, 0, static_cast<size_t>(trailing));
      std::memcpy(key + keyPart, at + keyPart - trailing - leading, static_cast<size_t>(FKeyLength - keyPart));
    }
    at += bytes;
    FCount = i + 1;
    SetValue(i, LoadLE<uint32_t>(at));
    SetSubtreeCount(i, 1);
    at += 4;
  }
  if (at != end) return false;
  RefreshAllCuts();
  return !Overfull();
}

}  // namespace sklad
