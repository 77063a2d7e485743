#include "core/sync/clock_text.h"

#include <cinttypes>
#include <cstdio>

namespace tk {

namespace {

// Size of the buffer the clock line is formatted into.
constexpr size_t kClockBufferSize = 128;

}  // namespace

// The formats' GBK bytes go through strftime unchanged: only '%' starts a conversion, and no GBK
// trail byte is '%' (trail bytes are 0x40..0xFE).
std::string FormatClock(const std::tm* local, const char* format) {
    if (local == nullptr) return std::string();
    char buffer[kClockBufferSize];
    const size_t length = std::strftime(buffer, sizeof buffer, format, local);
    // strftime gives 0 when the text does not fit; none of the formats can yield an empty text.
    return std::string(buffer, length);
}

// The countdown part, formatted on its own so that two spaces stand before "离校时还有".
std::string CountdownSuffix(int64_t remainingSeconds) {
    char buffer[64];
    const int length =
        std::snprintf(buffer, sizeof buffer, " 离校时还有%" PRId64 "秒", remainingSeconds);
    if (length < 0) return std::string();
    return std::string(buffer);
}

// Time part (empty when the time cannot be formatted) followed by the countdown part.
std::string CountdownClockText(const std::tm* local, int64_t remainingSeconds) {
    return FormatClock(local, kClockCountdownFormat) + CountdownSuffix(remainingSeconds);
}

}  // namespace tk
