#pragma once
// Time: the 32-bit millisecond tick count of a monotonic clock (it wraps after 49.7 days),
// sleeping, and the local wall-clock time.

#include <cstdint>

namespace platform {

uint32_t GetTickCount();
void Sleep(uint32_t milliseconds);

struct LocalTime {
    int year, month, day, hour, minute, second;
};
LocalTime GetLocalTime();

}  // namespace platform
