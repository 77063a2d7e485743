#pragma once

#include <cstddef>
#include <cstdint>

#include "library/frame.h"

namespace tk::sim {

// How a simulated controller reacts to requests addressed to it.
enum class Behaviour { kAnswer, kSilent, kLate, kError };

struct ControllerConfig {
    std::uint16_t address = 0;
    Behaviour behaviour = Behaviour::kAnswer;
    int lateMs = 0;           // kLate: every answer goes out this much later
    int model = -1;           // the controller's own model code; -1 takes any
    std::int64_t skewMs = 0;  // the clock before it is first set: host clock + skew
};

// What the controller does with one request.
struct Reaction {
    bool answer = false;        // false: it stays silent
    int delayMs = 0;            // when the answer goes out
    wire::Frame frame;          // the answer
    bool clockSet = false;      // the request set the clock
    std::int64_t offsetMs = 0;  // time set or read minus the host clock, in ms
    std::int64_t wasOffMs = 0;  // a set: how far the clock was off the host clock before it
};

// What one datagram holds: a request only when it is exactly one whole frame with the request
// magic; kTooShort for any other size.
wire::DecodeResult DecodeRequestDatagram(const std::uint8_t* data, std::size_t size,
                                         wire::Frame& frame);

// One controller: an address on a line, a clock that runs from the time it was last set.
// Times are passed in: host clocks as calendar milliseconds (local time), a monotonic count.
class SimController {
public:
    SimController(const ControllerConfig& config, std::int64_t hostMs, std::int64_t monoMs);

    Reaction Handle(const wire::Frame& request, std::int64_t hostMs, std::int64_t monoMs);
    // The controller's clock as calendar milliseconds.
    std::int64_t ClockMs(std::int64_t monoMs) const { return m_baseMs + (monoMs - m_baseMono); }
    bool WasSet() const { return m_set; }
    const ControllerConfig& Config() const { return m_config; }

private:
    ControllerConfig m_config;
    std::int64_t m_baseMs;  // the clock at m_baseMono
    std::int64_t m_baseMono;
    bool m_set = false;
};

}  // namespace tk::sim
