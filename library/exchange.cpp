#include "library/exchange.h"

#include <vector>

namespace tk {

namespace {

enum class Outcome { kWaiting, kAnswered, kRefused };

// Looks for an answer to one of the requests among the scanner's frames.
Outcome TakeAnswers(wire::FrameScanner& scanner, const std::vector<wire::Frame>& sent) {
    wire::Frame frame;
    while (scanner.Next(frame)) {
        for (const wire::Frame& request : sent) {
            if (!wire::AnswersRequest(frame, request)) continue;
            return frame.status == wire::Status::kOk ? Outcome::kAnswered : Outcome::kRefused;
        }
    }
    return Outcome::kWaiting;
}

}  // namespace

bool SetControllerClock(IControllerLink& link, ILinkClock& clock, std::uint16_t address,
                        std::uint16_t model, std::uint16_t& sequence,
                        const ExchangeTiming& timing) {
    wire::FrameScanner scanner(wire::Kind::kAnswer);
    std::vector<wire::Frame> sent;
    std::uint8_t buffer[512];
    for (int attempt = 0; attempt < timing.attempts; ++attempt) {
        sent.push_back(wire::SetTimeRequest(sequence++, address, model, clock.LocalTime()));
        const wire::FrameBytes bytes = wire::Encode(sent.back());
        if (!link.Send(bytes.data(), bytes.size())) return false;
        const std::int64_t deadline = clock.MonotonicMs() + timing.attemptTimeoutMs;
        for (std::int64_t now = clock.MonotonicMs(); now < deadline; now = clock.MonotonicMs()) {
            const int got = link.Receive(buffer, sizeof buffer, static_cast<int>(deadline - now));
            if (got < 0) return false;
            // A datagram is a frame on its own: nothing of an earlier one may complete it, and
            // one of any other size is no answer, whatever it holds.
            if (link.Datagrams()) {
                scanner.Clear();
                if (got != static_cast<int>(wire::kFrameSize)) continue;
            }
            for (std::size_t used = 0; used < static_cast<std::size_t>(got);) {
                used += scanner.Feed(buffer + used, static_cast<std::size_t>(got) - used);
                const Outcome outcome = TakeAnswers(scanner, sent);
                if (outcome != Outcome::kWaiting) return outcome == Outcome::kAnswered;
            }
        }
    }
    return false;
}

}  // namespace tk
