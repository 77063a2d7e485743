#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tk {

// Size of the ICMP echo request the probe sends: 8 bytes of header, 37 bytes of data.
inline constexpr std::size_t kEchoRequestSize = 45;

using EchoRequest = std::array<std::uint8_t, kEchoRequestSize>;

// Identifier and sequence number of one echo request.
struct EchoCounters {
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
};

// What one ICMP message read back from the network says, as far as the probe looks at it.
struct IcmpMessage {
    std::uint32_t from = 0;      // the sender's IPv4 address (network byte order)
    std::uint8_t type = 0xFF;    // ICMP type; kEchoReplyType for an echo reply
    std::uint16_t sequence = 0;  // an echo reply's sequence number, as the request stored it
};

inline constexpr std::uint8_t kEchoReplyType = 0;

// Reads an ICMP message out of a datagram. With an IPv4 header in front (raw sockets) the
// sender is the header's source address; without one (ping sockets) it is `from`, the address
// the datagram came from. False when the datagram is too short to hold what it claims.
bool ParseIcmpDatagram(const std::uint8_t* data, std::size_t size, bool withIpHeader,
                       std::uint32_t from, IcmpMessage& message);

// Internet checksum of a buffer: 16-bit words read in host order, an odd last byte taken as the
// low byte of a word, carries folded twice, one's complement.
std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t size);

// Lays out an echo request with the given counters and millisecond tick count.
EchoRequest FormatEchoRequest(EchoCounters counters, std::uint32_t tick);

// The sequence number a request carries.
std::uint16_t EchoSequence(const EchoRequest& packet);

// Builds this process's next echo request; both process-wide counters advance by one.
EchoRequest BuildEchoRequest(std::uint32_t tick);

// The counters the next BuildEchoRequest will use; nothing advances.
EchoCounters PeekEchoCounters();

}  // namespace tk
