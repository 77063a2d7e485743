// The stand-in library's side of the wire format on arbitrary bytes: frame decoding, the
// serial-line scanner, and one whole exchange fed by a controller that sends anything at any
// time. A decoded frame encodes back to its bytes; the scanner never stalls and never passes
// over a valid frame it was given whole; the exchange succeeds only on an answer to one of its
// own requests with status ok, and a datagram counts only when it is one whole frame.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <vector>

#include "library/exchange.h"
#include "library/frame.h"
#include "tests/fuzz/fuzz_util.h"

namespace {

using namespace tk::fuzz;
namespace wire = tk::wire;

bool SameFrame(const wire::Frame& a, const wire::Frame& b) {
    return a.kind == b.kind && a.command == b.command && a.status == b.status &&
           a.sequence == b.sequence && a.address == b.address && a.model == b.model &&
           a.time == b.time;
}

void CheckDecode(const std::vector<std::uint8_t>& bytes) {
    wire::Frame frame;
    const wire::DecodeResult result = wire::Decode(bytes.data(), bytes.size(), frame);
    if (bytes.size() < wire::kFrameSize) {
        Check(result == wire::DecodeResult::kTooShort, "short input is too short");
        return;
    }
    if (result != wire::DecodeResult::kOk) return;
    const wire::FrameBytes again = wire::Encode(frame);
    // Byte 7 is reserved and not decoded; everything else encodes back as it came.
    if (bytes[7] == 0) {
        Check(std::memcmp(again.data(), bytes.data(), wire::kFrameSize) == 0,
              "a decoded frame encodes to its bytes");
    }
    wire::Frame back;
    Check(wire::Decode(again.data(), again.size(), back) == wire::DecodeResult::kOk &&
              SameFrame(back, frame),
          "an encoded frame decodes to itself");
}

// Feeds a stream in chunks the way the exchange does; the frames found, in order.
std::vector<wire::Frame> Scan(wire::Kind kind, const std::vector<std::uint8_t>& stream,
                              FuzzedDataProvider& in) {
    wire::FrameScanner scanner(kind);
    std::vector<wire::Frame> found;
    size_t pos = 0;
    while (pos < stream.size()) {
        const size_t chunk = in.ConsumeIntegralInRange<size_t>(1, 64);
        const size_t end = std::min(stream.size(), pos + chunk);
        for (size_t used = pos; used < end;) {
            const size_t taken = scanner.Feed(stream.data() + used, end - used);
            wire::Frame frame;
            bool any = false;
            while (scanner.Next(frame)) {
                Check(frame.kind == kind, "the scanner finds its own kind only");
                found.push_back(frame);
                any = true;
            }
            Check(taken > 0 || any, "the scanner makes room");
            used += taken;
        }
        pos = end;
    }
    return found;
}

// The PC side of one exchange: time moves only when the link says so.
class Clock final : public tk::ILinkClock {
public:
    std::int64_t now = 1000;
    std::int64_t MonotonicMs() override { return now; }
    wire::Timestamp LocalTime() override {
        return wire::FromCivilMilliseconds(1733572800000 + now);
    }
};

// A controller that answers with the fuzzer's bytes: chunks, delays, real answers (possibly
// with another status or a changed field) and garbage.
class Link final : public tk::IControllerLink {
public:
    Link(FuzzedDataProvider& in, Clock& clock, bool datagrams)
        : m_in(in), m_clock(clock), m_datagrams(datagrams) {}

    std::vector<wire::Frame> sent;
    std::vector<std::vector<std::uint8_t>> received;

    bool Send(const std::uint8_t* data, std::size_t size) override {
        wire::Frame f;
        Check(size == wire::kFrameSize && wire::Decode(data, size, f) == wire::DecodeResult::kOk &&
                  f.kind == wire::Kind::kRequest,
              "the library sends whole requests");
        sent.push_back(f);
        return m_in.remaining_bytes() == 0 || m_in.ConsumeIntegralInRange(0, 31) != 0;
    }

    int Receive(std::uint8_t* buffer, std::size_t size, int timeoutMs) override {
        Check(timeoutMs > 0, "a wait has time left");
        if (m_in.remaining_bytes() == 0) {
            m_clock.now += timeoutMs;
            return 0;
        }
        m_clock.now += m_in.ConsumeIntegralInRange(1, timeoutMs);
        std::vector<std::uint8_t> bytes;
        switch (m_in.ConsumeIntegralInRange(0, 4)) {
            case 0:
                return m_in.ConsumeIntegralInRange(0, 15) == 0 ? -1 : 0;
            case 1:
            case 2: {
                // An answer to a request sent, perhaps altered, perhaps with noise around it.
                wire::Frame a = sent[m_in.ConsumeIntegralInRange<size_t>(0, sent.size() - 1)];
                a.kind = wire::Kind::kAnswer;
                a.status = static_cast<wire::Status>(m_in.ConsumeIntegralInRange(0, 5) % 5 == 0
                                                         ? m_in.ConsumeIntegral<std::uint8_t>()
                                                         : 0);
                if (m_in.ConsumeBool()) a.sequence += m_in.ConsumeIntegral<std::uint8_t>();
                if (m_in.ConsumeBool()) a.address ^= m_in.ConsumeIntegral<std::uint8_t>();
                if (m_in.ConsumeBool()) a.time.second ^= m_in.ConsumeIntegral<std::uint8_t>();
                const std::string before = m_in.ConsumeRandomLengthString(8);
                bytes.assign(before.begin(), before.end());
                const wire::FrameBytes frame = wire::Encode(a);
                bytes.insert(bytes.end(), frame.begin(), frame.end());
                if (m_in.ConsumeBool())
                    bytes[m_in.ConsumeIntegralInRange<size_t>(0, bytes.size() - 1)] ^= 1;
                const std::string after = m_in.ConsumeRandomLengthString(8);
                bytes.insert(bytes.end(), after.begin(), after.end());
                break;
            }
            default: {
                const std::string any = m_in.ConsumeRandomLengthString(80);
                bytes.assign(any.begin(), any.end());
                break;
            }
        }
        // A serial read may deliver any part of what is on the line.
        if (!m_datagrams && !bytes.empty())
            bytes.resize(m_in.ConsumeIntegralInRange<size_t>(1, bytes.size()));
        if (bytes.size() > size) bytes.resize(size);
        if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
        received.push_back(bytes);
        return static_cast<int>(bytes.size());
    }

    bool Datagrams() const override { return m_datagrams; }

private:
    FuzzedDataProvider& m_in;
    Clock& m_clock;
    bool m_datagrams;
};

// True when bytes hold, at offset at, an ok answer to one of the requests.
bool OkAnswerAt(const std::vector<std::uint8_t>& bytes, size_t at,
                const std::vector<wire::Frame>& sent) {
    wire::Frame f;
    if (at + wire::kFrameSize > bytes.size() ||
        wire::Decode(bytes.data() + at, wire::kFrameSize, f) != wire::DecodeResult::kOk)
        return false;
    if (f.status != wire::Status::kOk) return false;
    for (const wire::Frame& r : sent)
        if (wire::AnswersRequest(f, r)) return true;
    return false;
}

void CheckExchange(FuzzedDataProvider& in) {
    Clock clock;
    const bool datagrams = in.ConsumeBool();
    Link link(in, clock, datagrams);
    std::uint16_t sequence = in.ConsumeIntegral<std::uint16_t>();
    const std::uint16_t first = sequence;
    const std::int64_t start = clock.now;
    const bool ok = tk::SetControllerClock(link, clock, in.ConsumeIntegral<std::uint16_t>(),
                                           in.ConsumeIntegral<std::uint16_t>(), sequence);
    Check(clock.now - start <= 300, "an exchange takes 300 ms at most");
    Check(link.sent.size() <= 2, "two attempts at most");
    Check(static_cast<std::uint16_t>(first + link.sent.size()) == sequence,
          "one sequence number per request");
    if (!ok) return;
    bool witness = false;
    if (datagrams) {
        for (const auto& d : link.received)
            witness = witness || (d.size() == wire::kFrameSize && OkAnswerAt(d, 0, link.sent));
    } else {
        std::vector<std::uint8_t> stream;
        for (const auto& d : link.received) stream.insert(stream.end(), d.begin(), d.end());
        for (size_t at = 0; at < stream.size() && !witness; ++at)
            witness = OkAnswerAt(stream, at, link.sent);
    }
    std::string got = datagrams ? "datagrams:" : "stream:";
    for (const auto& d : link.received) got += " " + std::to_string(d.size());
    Check(witness, "success only on an ok answer to a request of this call", got);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string raw = in.ConsumeRandomLengthString(200);
    const std::vector<std::uint8_t> bytes(raw.begin(), raw.end());
    CheckDecode(bytes);

    // A valid frame placed whole after the bytes is found, unless a valid frame the bytes
    // hold reaches into it and is taken first.
    wire::Frame f;
    f.kind = in.ConsumeBool() ? wire::Kind::kAnswer : wire::Kind::kRequest;
    f.sequence = in.ConsumeIntegral<std::uint16_t>();
    f.address = in.ConsumeIntegral<std::uint16_t>();
    f.time = wire::FromCivilMilliseconds(in.ConsumeIntegralInRange<std::int64_t>(0, 1LL << 42));
    const wire::FrameBytes whole = wire::Encode(f);
    std::vector<std::uint8_t> stream = bytes;
    stream.insert(stream.end(), whole.begin(), whole.end());
    const std::vector<wire::Frame> found = Scan(f.kind, stream, in);
    bool seen = false;
    for (const wire::Frame& g : found) seen = seen || SameFrame(g, f);
    Check(seen || !found.empty(), "a whole frame after noise is found");

    CheckExchange(in);
    return 0;
}
