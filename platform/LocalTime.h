// The local date and time of the machine, broken into calendar parts.
#pragma once

namespace platform {

struct LocalDateTime {
  int Year, Month, Day;
  int Hour, Minute, Second, Millisecond;
};

LocalDateTime CurrentLocalDateTime();

}  // namespace platform
