#include "core/probe/echo_packet.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Bytes of a hex text ("0800f3...").
std::vector<std::uint8_t> Hex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

std::vector<std::uint8_t> Bytes(const tk::EchoRequest& packet) {
    return {packet.begin(), packet.end()};
}

// The RFC 1071 sum the way a receiver reads it: big-endian words, an odd last byte padded with
// a zero byte after it, carries folded until none is left.
std::uint16_t NetworkOrderSum(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        const std::uint32_t low = i + 1 < bytes.size() ? bytes[i + 1] : 0;
        sum += (static_cast<std::uint32_t>(bytes[i]) << 8) | low;
    }
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(sum);
}

// The pattern 0x20 .. 0x3F behind type, code, checksum, counters, zero byte and tick.
const std::string kPattern = "202122232425262728292a2b2c2d2e2f303132333435363738393a3b3c3d3e3f";

// The only test in this program that builds through the process-wide counters, so it sees
// them as a fresh run does.
TEST(EchoPacket, FirstAndSecondRequestOfARun) {
    EXPECT_EQ(tk::PeekEchoCounters().identifier, 1);
    EXPECT_EQ(tk::PeekEchoCounters().sequence, 1);
    EXPECT_EQ(Bytes(tk::BuildEchoRequest(0)), Hex("0800f30c010001000000000000" + kPattern));
    EXPECT_EQ(Bytes(tk::BuildEchoRequest(0)), Hex("0800f10c020002000000000000" + kPattern));
    EXPECT_EQ(tk::PeekEchoCounters().identifier, 3);
    EXPECT_EQ(tk::PeekEchoCounters().sequence, 3);
}

TEST(EchoPacket, FieldsInHostOrder) {
    std::vector<std::uint8_t> bytes = Bytes(tk::FormatEchoRequest({0x1234, 0xABCD}, 0x89ABCDEFu));
    bytes[2] = bytes[3] = 0;  // the checksum has tests of its own
    EXPECT_EQ(bytes, Hex("08000000"
                         "3412cdab"
                         "00"
                         "efcdab89" +
                         kPattern));
}

// Whatever the counters and tick, a receiver's sum over the whole request comes to 0xFFFF.
TEST(EchoPacket, ChecksumMakesTheWholeSumAllOnes) {
    const struct {
        tk::EchoCounters counters;
        std::uint32_t tick;
    } cases[] = {{{0xFFFF, 0xFFFF}, 0xFFFFFFFFu}, {{0x8000, 0x0001}, 123456789u}, {{0, 0}, 0}};
    for (const auto& c : cases) {
        const tk::EchoRequest packet = tk::FormatEchoRequest(c.counters, c.tick);
        EXPECT_EQ(NetworkOrderSum(Bytes(packet)), 0xFFFF) << c.counters.identifier << " " << c.tick;
        EXPECT_EQ(tk::InternetChecksum(packet.data(), packet.size()), 0) << c.tick;
    }
}

// Stored checksum bytes (as the host writes the 16-bit result) for small buffers.
TEST(EchoPacket, InternetChecksumVectors) {
    const struct {
        const char* hex;
        const char* stored;
    } cases[] = {
        {"01", "feff"},                // odd byte is the low byte of its word
        {"0001f203f4f5f6f7", "220d"},  // the worked example of RFC 1071 (sum ddf2)
        {"ffff0100ffff", "feff"},      // 0x1ffff folds to 0x10000 and needs a second fold
    };
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> data = Hex(c.hex);
        const std::uint16_t checksum = tk::InternetChecksum(data.data(), data.size());
        std::uint8_t stored[2];
        std::memcpy(stored, &checksum, sizeof stored);
        EXPECT_EQ(std::vector<std::uint8_t>(stored, stored + 2), Hex(c.stored)) << c.hex;
    }
}

}  // namespace
