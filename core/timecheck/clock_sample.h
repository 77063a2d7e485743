// One measurement of the PC's clock by a time server: the SNTP client takes it, the check keeps
// it, and a pass's record carries it to every sink in this one shape.
#pragma once

#include <cstdint>
#include <string>

namespace tk {

struct ClockSample {
    std::string server;  // the server's text as configured when it was asked
    // The reply's arrival on the uptime clock (which counts sleep) and on the PC's clock: a step
    // of the PC's clock since moves the offset.
    std::int64_t uptimeMs = 0;
    std::int64_t pcMicros = 0;
    std::int64_t offsetMicros = 0;  // server minus PC
    std::int64_t delayMicros = 0;   // the round trip, less the server's own time
};

}  // namespace tk
