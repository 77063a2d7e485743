// One measurement of the PC's clock by a time server, and how a query for one ended: the SNTP
// client takes it, the check keeps it, and a pass's record carries it to every sink in this one
// shape.
#pragma once

#include <cstdint>
#include <string>

namespace tk {

// How a comparison with a time server ended.
enum class ClockCheckStatus {
    kMeasured,     // the server answered: a sample holds
    kNoAnswer,     // nothing usable came back in time, or the port was unreachable
    kNotFound,     // the name did not resolve in time, or the server text is not host[:port]
    kDenied,       // kiss-o'-death DENY or RSTR
    kUnusable,     // stratum 0 or 16, leap indicator 3, version 0, no receive or transmit time
    kRateLimited,  // kiss-o'-death RATE
};

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
