// The probe's echo request, its Internet checksum, and the reading of what comes back. Over any
// bytes, a checksum stored into a zeroed even-offset field makes the sum of the
// whole check out, and it agrees with a plain wide-sum computation. Any counters and tick
// count give a request with the documented layout and a valid checksum. Any datagram, with or
// without an IPv4 header, is read within its bytes and gives the sender, type and sequence
// number where they stand.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <vector>

#include "core/probe/echo_packet.h"
#include "tests/fuzz/fuzz_util.h"

namespace {

using namespace tk::fuzz;

// The RFC 1071 sum with a wide accumulator, folded until it fits, for comparison.
std::uint16_t WideChecksum(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t sum = 0;
    for (size_t i = 0; i < bytes.size(); i += 2)
        sum += bytes[i] | (i + 1 < bytes.size() ? bytes[i + 1] << 8 : 0);
    while (sum >> 16) sum = (sum >> 16) + (sum & 0xFFFF);
    return static_cast<std::uint16_t>(~sum);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::uint16_t id = in.ConsumeIntegral<std::uint16_t>();
    const std::uint16_t seq = in.ConsumeIntegral<std::uint16_t>();
    const std::uint32_t tick = in.ConsumeIntegral<std::uint32_t>();
    const std::string raw = in.ConsumeRemainingBytesAsString();
    std::vector<std::uint8_t> bytes(raw.begin(), raw.end());

    const std::uint16_t sum = tk::InternetChecksum(bytes.data(), bytes.size());
    Check(sum == WideChecksum(bytes), "checksum agrees with the wide sum");
    if (bytes.size() >= 2) {
        const size_t at = (tick % (bytes.size() / 2)) * 2;
        bytes[at] = bytes[at + 1] = 0;
        const std::uint16_t field = tk::InternetChecksum(bytes.data(), bytes.size());
        std::memcpy(bytes.data() + at, &field, sizeof field);
        Check(tk::InternetChecksum(bytes.data(), bytes.size()) == 0,
              "a stored checksum checks out");
    }

    const tk::EchoRequest packet = tk::FormatEchoRequest({id, seq}, tick);
    std::uint16_t gotId, gotSeq;
    std::uint32_t gotTick;
    std::memcpy(&gotId, packet.data() + 4, 2);
    std::memcpy(&gotSeq, packet.data() + 6, 2);
    std::memcpy(&gotTick, packet.data() + 9, 4);
    Check(packet[0] == 8 && packet[1] == 0 && packet[8] == 0 && gotId == id && gotSeq == seq &&
              gotTick == tick,
          "request header");
    for (size_t i = 13; i < packet.size(); ++i)
        Check(packet[i] == 0x20 + (i - 13), "request pattern");
    Check(tk::InternetChecksum(packet.data(), packet.size()) == 0, "request checksum");

    tk::IcmpMessage message;
    for (const bool withIpHeader : {false, true}) {
        const std::uint32_t from = tick ^ 0x5A5A5A5Au;
        if (!tk::ParseIcmpDatagram(bytes.data(), bytes.size(), withIpHeader, from, message))
            continue;
        const size_t icmp = withIpHeader ? (bytes[0] & 0x0F) * 4u : 0;
        std::uint32_t source = from;
        if (withIpHeader) std::memcpy(&source, bytes.data() + 12, 4);
        std::uint16_t sequence;
        std::memcpy(&sequence, bytes.data() + icmp + 6, 2);
        Check(icmp + 8 <= bytes.size() && message.from == source && message.type == bytes[icmp] &&
                  message.sequence == sequence,
              "a datagram read where its fields stand");
    }

    const tk::EchoCounters before = tk::PeekEchoCounters();
    const tk::EchoRequest next = tk::BuildEchoRequest(tick);
    const tk::EchoCounters after = tk::PeekEchoCounters();
    Check(next == tk::FormatEchoRequest(before, tick), "a built request uses the counters");
    Check(after.identifier == static_cast<std::uint16_t>(before.identifier + 1) &&
              after.sequence == static_cast<std::uint16_t>(before.sequence + 1),
          "both counters advance by one");
    return 0;
}
