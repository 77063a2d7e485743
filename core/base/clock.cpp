#include "core/base/clock.h"

namespace tk {

// Current time of the PC; time_t is 64 bits on every target we build.
int64_t SystemClock::Now() { return static_cast<int64_t>(std::time(nullptr)); }

// Local time through the C runtime. std::localtime's result points into a buffer that every
// call shares and is valid only until the next call, so it is copied at once. It is used all
// the same: every call is on the window thread (the time server's worker never converts a
// time), and it is the call both runtimes have under one name.
bool SystemClock::ToLocalTime(int64_t time, std::tm& local) {
    const std::time_t t = static_cast<std::time_t>(time);
    const std::tm* converted = std::localtime(&t);
    if (converted == nullptr) return false;
    local = *converted;
    return true;
}

}  // namespace tk
