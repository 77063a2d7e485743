#pragma once

#include <cstdint>
#include <memory>

#include "core/echo_packet.h"
#include "core/pass.h"

namespace tk {

// Receive and send time-out of the probe's socket.
inline constexpr int kProbeSocketTimeoutMs = 30;
// How long the probe waits for its socket to become readable.
inline constexpr int kProbeWaitMicroseconds = 100000;

// One open ICMP endpoint: a raw socket, or the platform's unprivileged stand-in for it.
class IEchoSocket {
public:
    virtual ~IEchoSocket() = default;
    // Receive time-out, then send time-out; false as soon as one is refused.
    virtual bool SetTimeouts(int milliseconds) = 0;
    // Sends the request once to an IPv4 address (network byte order), port 0; no result.
    virtual void Send(std::uint32_t address, const EchoRequest& packet) = 0;
    // True when anything became readable within the wait; a time-out or an error gives false.
    virtual bool WaitReadable(int microseconds) = 0;
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

// Reachability probe: one echo request, then a short wait for anything to arrive.
class IcmpProbe : public IProbe {
public:
    IcmpProbe() : m_system(SystemProbe()) {}
    explicit IcmpProbe(IProbeSystem& system) : m_system(system) {}

    bool Probe(const char* host) override;

private:
    IProbeSystem& m_system;
};

}  // namespace tk
