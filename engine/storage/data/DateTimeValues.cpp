#include "DateTimeValues.h"

#include <chrono>
#include <ctime>

namespace sklad {

TLocalMoment LocalNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  const int ms = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  return {DayNumber({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday}),
          Milliseconds({local.tm_hour, local.tm_min, local.tm_sec, ms})};
}

}  // namespace sklad
