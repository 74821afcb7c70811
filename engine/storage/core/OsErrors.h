// The engine code for an operating-system error (an errno value).
#pragma once

#include <cstdint>

namespace sklad {

uint16_t EngineCodeForOsError(int osError);

}  // namespace sklad
