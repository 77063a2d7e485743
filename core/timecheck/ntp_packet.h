// The SNTP client's packet: the request it sends and what a server's reply says.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/timecheck/clock_sample.h"

namespace tk {

inline constexpr std::size_t kNtpPacketSize = 48;

using NtpPacket = std::array<std::uint8_t, kNtpPacketSize>;

// Microseconds since 1970-01-01 UTC as an NTP timestamp (seconds since 1900 in the high 32
// bits, the fraction in the low 32), and back. Seconds with the top bit clear are taken from
// the era that begins in 2036.
std::uint64_t NtpFromUnixMicros(std::int64_t micros);
std::int64_t UnixMicrosFromNtp(std::uint64_t ntp);

// A client request: version 4, mode 3, `transmit` as its transmit time, everything else zero.
NtpPacket SntpRequest(std::uint64_t transmit);

// How the client takes a reply to the request that carried `transmit`.
enum class SntpReplyKind {
    kAnswer,       // the server's time, usable
    kBogus,        // not a reply to that request (short, not mode 4, another origin time)
    kUnusable,     // the server's time is not to be used: stratum 0 or 16, leap 3, version 0,
                   // no receive or transmit time
    kDenied,       // kiss-o'-death "DENY" or "RSTR": this client is not served
    kRateLimited,  // kiss-o'-death "RATE": ask less often
};

struct SntpReply {
    SntpReplyKind kind = SntpReplyKind::kBogus;
    std::int64_t receiveMicros = 0;   // T2: the request's arrival at the server
    std::int64_t transmitMicros = 0;  // T3: the reply's departure from the server
};

SntpReply ReadSntpReply(const std::uint8_t* data, std::size_t size, std::uint64_t transmit);

// Offset of the server's clock to the PC's (server minus PC) and the round trip's delay, from
// T1 (request sent) and T4 (reply received) on the PC and T2, T3 at the server; the sample's PC
// time is T4. Its server and uptime stamp are the caller's.
ClockSample SampleOf(std::int64_t t1, std::int64_t t2, std::int64_t t3, std::int64_t t4);

}  // namespace tk
