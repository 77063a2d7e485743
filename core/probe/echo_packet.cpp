#include "core/probe/echo_packet.h"

#include <cstring>

namespace tk {

namespace {

constexpr std::uint8_t kEchoRequestType = 8;
constexpr std::size_t kChecksumOffset = 2;
constexpr std::size_t kIdentifierOffset = 4;
constexpr std::size_t kSequenceOffset = 6;
constexpr std::size_t kTickOffset = 9;
constexpr std::size_t kPatternOffset = 13;
constexpr std::uint8_t kPatternFirst = 0x20;

// The two process-wide counters; never reset while the program runs. They live apart and only
// happen to move together, so both fields carry the same number in every request.
std::uint32_t g_identifierCounter = 1;
std::uint32_t g_sequenceCounter = 1;

// Stores a value in host byte order at an offset of the packet.
template <typename T>
void StoreHost(EchoRequest& packet, std::size_t offset, T value) {
    std::memcpy(packet.data() + offset, &value, sizeof value);
}

}  // namespace

std::uint16_t InternetChecksum(const std::uint8_t* data, std::size_t size) {
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < size; i += 2) {
        std::uint16_t word;
        std::memcpy(&word, data + i, sizeof word);
        sum += word;
    }
    if (i < size) sum += data[i];
    sum = (sum >> 16) + (sum & 0xFFFF);
    sum = (sum >> 16) + (sum & 0xFFFF);
    return static_cast<std::uint16_t>(~sum);
}

EchoRequest FormatEchoRequest(EchoCounters counters, std::uint32_t tick) {
    EchoRequest packet{};
    packet[0] = kEchoRequestType;
    StoreHost(packet, kIdentifierOffset, counters.identifier);
    StoreHost(packet, kSequenceOffset, counters.sequence);
    StoreHost(packet, kTickOffset, tick);
    for (std::size_t i = kPatternOffset; i < kEchoRequestSize; ++i)
        packet[i] = static_cast<std::uint8_t>(kPatternFirst + (i - kPatternOffset));
    StoreHost(packet, kChecksumOffset, InternetChecksum(packet.data(), packet.size()));
    return packet;
}

std::uint16_t EchoSequence(const EchoRequest& packet) {
    std::uint16_t sequence;
    std::memcpy(&sequence, packet.data() + kSequenceOffset, sizeof sequence);
    return sequence;
}

EchoRequest BuildEchoRequest(std::uint32_t tick) {
    const EchoCounters counters = PeekEchoCounters();
    ++g_identifierCounter;
    ++g_sequenceCounter;
    return FormatEchoRequest(counters, tick);
}

bool ParseIcmpDatagram(const std::uint8_t* data, std::size_t size, bool withIpHeader,
                       std::uint32_t from, IcmpMessage& message) {
    constexpr std::size_t kIpHeaderMin = 20;
    constexpr std::size_t kSourceOffset = 12;
    constexpr std::size_t kIcmpHeaderSize = 8;
    std::size_t icmp = 0;
    if (withIpHeader) {
        if (size < kIpHeaderMin) return false;
        icmp = static_cast<std::size_t>(data[0] & 0x0F) * 4;
        if (icmp < kIpHeaderMin) return false;
        std::memcpy(&from, data + kSourceOffset, sizeof from);
    }
    if (size < icmp + kIcmpHeaderSize) return false;
    message.from = from;
    message.type = data[icmp];
    std::memcpy(&message.sequence, data + icmp + kSequenceOffset, sizeof message.sequence);
    return true;
}

EchoCounters PeekEchoCounters() {
    return {static_cast<std::uint16_t>(g_identifierCounter & 0xFFFF),
            static_cast<std::uint16_t>(g_sequenceCounter & 0xFFFF)};
}

}  // namespace tk
