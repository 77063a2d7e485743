#include <time.h>

#include "core/timecheck/clock_check.h"

namespace tk {

// CLOCK_MONOTONIC stops while the system is suspended; CLOCK_BOOTTIME goes on.
std::int64_t UptimeClock::Milliseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace tk
