// The SNTP client's reading of a reply. Any datagram and any request time: a reply taken as an
// answer is one the checks allow (48 bytes or more, mode 4, the request's time as its origin,
// stratum 1 to 15, leap indicator not 3, a version, a receive and a transmit time), a kiss is
// stratum 0 with the origin echoed, and the times read back are those written by a whole
// microsecond.
#include <fuzzer/FuzzedDataProvider.h>

#include <string>
#include <vector>

#include "core/timecheck/ntp_packet.h"
#include "tests/fuzz/fuzz_util.h"

namespace {

using namespace tk::fuzz;

std::uint64_t Timestamp(const std::vector<std::uint8_t>& bytes, size_t at) {
    std::uint64_t value = 0;
    for (size_t i = 0; i < 8; ++i) value = (value << 8) | bytes[at + i];
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::uint64_t sent = in.ConsumeIntegral<std::uint64_t>();
    const bool echo = in.ConsumeBool();
    const std::string raw = in.ConsumeRemainingBytesAsString();
    std::vector<std::uint8_t> bytes(raw.begin(), raw.end());
    if (echo && bytes.size() >= 32) {
        for (size_t i = 0; i < 8; ++i) bytes[24 + i] = static_cast<std::uint8_t>(sent >> (56 - 8 * i));
    }

    const tk::SntpReply reply = tk::ReadSntpReply(bytes.data(), bytes.size(), sent);
    if (reply.kind != tk::SntpReplyKind::kBogus) {
        Check(bytes.size() >= tk::kNtpPacketSize && (bytes[0] & 7) == 4 &&
                  Timestamp(bytes, 24) == sent,
              "only a server's reply to this request is read");
    }
    if (reply.kind == tk::SntpReplyKind::kAnswer) {
        Check(bytes[1] >= 1 && bytes[1] <= 15 && (bytes[0] >> 6) != 3 &&
                  ((bytes[0] >> 3) & 7) != 0 && Timestamp(bytes, 32) != 0 &&
                  Timestamp(bytes, 40) != 0,
              "an answer passes every check");
        Check(reply.transmitMicros == tk::UnixMicrosFromNtp(Timestamp(bytes, 40)),
              "the transmit time read where it stands");
    }
    if (reply.kind == tk::SntpReplyKind::kDenied || reply.kind == tk::SntpReplyKind::kRateLimited) {
        Check(bytes[1] == 0, "a kiss has stratum 0");
    }

    // Times since 1970 in either era read back to the microsecond.
    const std::int64_t micros = static_cast<std::int64_t>(sent % (std::uint64_t{4000000000} * 1000000));
    Check(tk::UnixMicrosFromNtp(tk::NtpFromUnixMicros(micros)) == micros, "timestamps round trip");
    return 0;
}
