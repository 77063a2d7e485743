#pragma once

#include <cstddef>
#include <cstdint>

#include "library/frame.h"

namespace tk {

// An open connection to one controller: a UDP socket bound to its address, or a serial port.
class IControllerLink {
public:
    virtual ~IControllerLink() = default;
    // Sends one frame; false when the system refused it.
    virtual bool Send(const std::uint8_t* data, std::size_t size) = 0;
    // Waits at most timeoutMs for bytes: the count read, 0 on time-out, -1 on an error.
    virtual int Receive(std::uint8_t* buffer, std::size_t size, int timeoutMs) = 0;
    // True when each Receive gives one whole datagram, false for a byte stream.
    virtual bool Datagrams() const = 0;
};

// The PC's clocks as the exchange needs them.
class ILinkClock {
public:
    virtual ~ILinkClock() = default;
    virtual std::int64_t MonotonicMs() = 0;   // for deadlines only
    virtual wire::Timestamp LocalTime() = 0;  // the time a controller is set to
};

// How long the library waits for a controller: two attempts of 150 ms.
struct ExchangeTiming {
    int attempts = 2;
    int attemptTimeoutMs = 150;
};

// Sets one controller's clock to the PC's local time. Each attempt sends a fresh request (next
// sequence number, current time) and waits for an answer to any request of this call. True
// only for an answer with status kOk; an error answer ends the call at once.
bool SetControllerClock(IControllerLink& link, ILinkClock& clock, std::uint16_t address,
                        std::uint16_t model, std::uint16_t& sequence,
                        const ExchangeTiming& timing = ExchangeTiming());

}  // namespace tk
