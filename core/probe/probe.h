#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/base/clock.h"
#include "core/probe/echo_packet.h"

namespace tk {

// Reachability check of network screens' addresses.
class IProbe {
public:
    virtual ~IProbe() = default;
    // Probes the IPv4 addresses (network byte order) together, all requests out before one
    // shared wait; element k tells whether addresses[k] answered. Never empty-handed: one
    // element per address.
    virtual std::vector<bool> ProbeAll(const std::vector<std::uint32_t>& addresses) = 0;
};

// Receive and send time-out of the probe's socket.
inline constexpr int kProbeSocketTimeoutMs = 30;
// How long the probe waits for its socket to become readable.
inline constexpr int kProbeWaitMicroseconds = 100000;

// One open ICMP endpoint: a raw socket, or the platform's unprivileged stand-in for it. A probe
// sends all its requests through one endpoint and then reads what comes back.
class IEchoSocket {
public:
    virtual ~IEchoSocket() = default;
    // Receive time-out, then send time-out; false as soon as one is refused.
    virtual bool SetTimeouts(int milliseconds) = 0;
    // Sends the request once to an IPv4 address (network byte order), port 0; no result.
    virtual void Send(std::uint32_t address, const EchoRequest& packet) = 0;
    // Waits up to the given time for the next ICMP message and reads it. False when nothing
    // came within the wait or the read failed; a message that is not an echo reply is still
    // read and returned, for the caller to pass over.
    virtual bool Receive(int microseconds, IcmpMessage& message) = 0;
};

// What the probe takes from the system; tests put their own in its place.
class IProbeSystem {
public:
    virtual ~IProbeSystem() = default;
    virtual std::unique_ptr<IEchoSocket> OpenSocket() = 0;  // nullptr when refused
};

// Raw IPv4 ICMP socket; nullptr when the platform refuses it (no rights).
std::unique_ptr<IEchoSocket> OpenRawEchoSocket();
// The means that needs no rights: the ICMP helper API on Windows, a ping socket elsewhere.
// Neither sends the 45-byte request byte for byte, as the system writes header fields of its
// own, and the helper API takes no 30 ms socket time-outs: only the 100 ms wait bounds it.
std::unique_ptr<IEchoSocket> OpenUnprivilegedEchoSocket();
// The real system: a raw socket, or the unprivileged means where the raw socket is refused.
IProbeSystem& SystemProbe();

// Reachability probe: one echo request to each address, all sent before one shared wait. An
// address's request r is answered by an echo reply from that address to a request q of this
// probe sent to it no earlier than r (q is r itself, or a repeat sent after it), arriving
// within 100 ms of r; the wait ends early once every request has been answered. The 100 ms are
// timed on a clock read to the millisecond (TickClock in the program).
class IcmpProbe : public IProbe {
public:
    IcmpProbe(IProbeSystem& system, IMonotonicClock& clock) : m_system(system), m_clock(clock) {}
    // On a TickClock of its own: the system's sockets, or those given.
    IcmpProbe();
    explicit IcmpProbe(IProbeSystem& system);

    std::vector<bool> ProbeAll(const std::vector<std::uint32_t>& addresses) override;

private:
    IProbeSystem& m_system;
    IMonotonicClock& m_clock;
};

}  // namespace tk
