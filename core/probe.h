#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/echo_packet.h"
#include "core/pass.h"

namespace tk {

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
    // First IPv4 address (network byte order) of a host text; false when it does not resolve.
    virtual bool Resolve(const char* host, std::uint32_t& address) = 0;
    virtual std::uint32_t TickCount() = 0;  // milliseconds, as the system counts them
};

// Raw IPv4 ICMP socket; nullptr when the platform refuses it (no rights).
std::unique_ptr<IEchoSocket> OpenRawEchoSocket();
// The means that needs no rights: the ICMP helper API on Windows, a ping socket elsewhere.
// Neither sends the 45-byte request byte for byte, as the system writes header fields of its
// own, and the helper API takes no 30 ms socket time-outs: only the 100 ms wait bounds it.
std::unique_ptr<IEchoSocket> OpenUnprivilegedEchoSocket();
// Resolves a host text to its first IPv4 address (network byte order).
bool ResolveIPv4(const char* host, std::uint32_t& address);
// The system's millisecond tick count.
std::uint32_t SystemTickCount();

// The real system: a raw socket, or the unprivileged means where the raw socket is refused.
IProbeSystem& SystemProbe();

// Reachability probe: one echo request to each host, all sent before one shared wait. A host
// is reachable when an echo reply from its address, to one of the requests sent to that
// address, arrives within 100 ms of its own request; the wait ends early once every address
// has answered.
class IcmpProbe : public IProbe {
public:
    IcmpProbe() : m_system(SystemProbe()) {}
    explicit IcmpProbe(IProbeSystem& system) : m_system(system) {}

    std::vector<bool> ProbeAll(const std::vector<std::string>& hosts) override;
    std::uint32_t Milliseconds() override { return m_system.TickCount(); }

    // One host alone.
    bool Probe(const char* host) { return ProbeAll({host}).front(); }

private:
    IProbeSystem& m_system;
};

}  // namespace tk
