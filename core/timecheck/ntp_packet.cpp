#include "core/timecheck/ntp_packet.h"

#include <cstring>

namespace tk {

namespace {

// Seconds from 1900-01-01 (NTP's era 0) to 1970-01-01.
constexpr std::int64_t kNtpToUnixSeconds = 2208988800;
constexpr std::int64_t kEraSeconds = std::int64_t{1} << 32;
constexpr std::int64_t kMicros = 1000000;

constexpr std::uint8_t kVersion = 4;
constexpr std::uint8_t kClientMode = 3;
constexpr std::uint8_t kServerMode = 4;
constexpr std::uint8_t kLeapUnsynchronised = 3;
constexpr std::uint8_t kMaxStratum = 15;

// Offsets into the packet of the fields the client reads.
constexpr std::size_t kStratumAt = 1;
constexpr std::size_t kReferenceIdAt = 12;
constexpr std::size_t kOriginAt = 24;
constexpr std::size_t kReceiveAt = 32;
constexpr std::size_t kTransmitAt = 40;

std::uint64_t ReadTimestamp(const std::uint8_t* at) {
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) value = (value << 8) | at[i];
    return value;
}

void WriteTimestamp(std::uint8_t* at, std::uint64_t value) {
    for (int i = 7; i >= 0; --i) {
        at[i] = static_cast<std::uint8_t>(value);
        value >>= 8;
    }
}

bool KissCodeIs(const std::uint8_t* data, const char* code) {
    return std::memcmp(data + kReferenceIdAt, code, 4) == 0;
}

}  // namespace

std::uint64_t NtpFromUnixMicros(std::int64_t micros) {
    const std::int64_t seconds = micros / kMicros;
    const std::int64_t rest = micros % kMicros;
    const std::uint64_t ntpSeconds = static_cast<std::uint64_t>(seconds + kNtpToUnixSeconds);
    const std::uint64_t fraction = (static_cast<std::uint64_t>(rest) << 32) / kMicros;
    return (ntpSeconds << 32) | (fraction & 0xFFFFFFFFu);
}

std::int64_t UnixMicrosFromNtp(std::uint64_t ntp) {
    std::int64_t seconds = static_cast<std::int64_t>(ntp >> 32);
    if ((seconds & 0x80000000) == 0) seconds += kEraSeconds;
    const std::uint64_t fraction = ntp & 0xFFFFFFFFu;
    // Rounded to the nearest microsecond, so a time written by NtpFromUnixMicros reads back.
    const std::int64_t micros = static_cast<std::int64_t>((fraction * kMicros + (1u << 31)) >> 32);
    return (seconds - kNtpToUnixSeconds) * kMicros + micros;
}

NtpPacket SntpRequest(std::uint64_t transmit) {
    NtpPacket packet{};
    packet[0] = static_cast<std::uint8_t>((kVersion << 3) | kClientMode);
    WriteTimestamp(packet.data() + kTransmitAt, transmit);
    return packet;
}

// The client checks of RFC 4330 and RFC 5905: a kiss-o'-death comes with stratum 0 and usually
// leap 3, so its code is read before the leap indicator. Version 0 is no version a server
// speaks, and a receive time of 0 would read as 2036: neither reply is to be measured.
SntpReply ReadSntpReply(const std::uint8_t* data, std::size_t size, std::uint64_t transmit) {
    SntpReply reply;
    if (size < kNtpPacketSize) return reply;
    if ((data[0] & 7) != kServerMode) return reply;
    if (ReadTimestamp(data + kOriginAt) != transmit) return reply;
    if (((data[0] >> 3) & 7) == 0) {
        reply.kind = SntpReplyKind::kUnusable;
        return reply;
    }
    const std::uint8_t stratum = data[kStratumAt];
    if (stratum == 0) {
        if (KissCodeIs(data, "DENY") || KissCodeIs(data, "RSTR")) {
            reply.kind = SntpReplyKind::kDenied;
        } else if (KissCodeIs(data, "RATE")) {
            reply.kind = SntpReplyKind::kRateLimited;
        } else {
            reply.kind = SntpReplyKind::kUnusable;
        }
        return reply;
    }
    const std::uint64_t serverReceive = ReadTimestamp(data + kReceiveAt);
    const std::uint64_t serverTransmit = ReadTimestamp(data + kTransmitAt);
    if ((data[0] >> 6) == kLeapUnsynchronised || stratum > kMaxStratum || serverReceive == 0 ||
        serverTransmit == 0) {
        reply.kind = SntpReplyKind::kUnusable;
        return reply;
    }
    reply.kind = SntpReplyKind::kAnswer;
    reply.receiveMicros = UnixMicrosFromNtp(serverReceive);
    reply.transmitMicros = UnixMicrosFromNtp(serverTransmit);
    return reply;
}

ClockSample SampleOf(std::int64_t t1, std::int64_t t2, std::int64_t t3, std::int64_t t4) {
    ClockSample sample;
    sample.pcMicros = t4;
    sample.offsetMicros = ((t2 - t1) + (t3 - t4)) / 2;
    sample.delayMicros = (t4 - t1) - (t3 - t2);
    return sample;
}

}  // namespace tk
