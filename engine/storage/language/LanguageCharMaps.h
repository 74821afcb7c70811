// TLanguageCharMapsList: the process-wide cache of character maps, one per (language, sort). A map
// lists the 256 byte values from the lowest to the highest in the locale's collation; the cursor
// engine takes its first and last characters to pad range keys.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

#include "engine/storage/core/SystemList.h"

namespace sklad {

using TCharacterMap = std::array<uint8_t, 256>;

class TLanguageCharMapsList {
 public:
  TLanguageCharMapsList();

  // The map from the cache, built and cached on first use.
  TCharacterMap CharacterMap(uint16_t language, uint16_t sort);

  int Count();

 private:
  struct TEntry {
    uint16_t Language = 0;
    uint16_t Sort = 0;
    TCharacterMap Characters{};
  };

  std::mutex FLock;
  TSystemList<TEntry> FMaps;
};

// The process's cache.
TLanguageCharMapsList& LanguageCharMaps();

}  // namespace sklad
