#include <time.h>

#include "core/timecheck/sntp_client.h"

namespace tk {

std::int64_t PreciseClock::NowMicros() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

}  // namespace tk
