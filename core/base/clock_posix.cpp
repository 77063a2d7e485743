#include <time.h>

#include "core/base/clock.h"

namespace tk {

namespace {

std::int64_t MillisecondsOf(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

std::int64_t PreciseClock::NowMicros() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

// CLOCK_MONOTONIC stops while the system is suspended; CLOCK_BOOTTIME goes on.
std::int64_t UptimeClock::Milliseconds() { return MillisecondsOf(CLOCK_BOOTTIME); }

std::int64_t TickClock::Milliseconds() { return MillisecondsOf(CLOCK_MONOTONIC); }

}  // namespace tk
