#include "core/probe/probe.h"

#include <algorithm>
#include <cstddef>

namespace tk {

namespace {

// The system's sockets.
class SystemProbeImpl : public IProbeSystem {
public:
    std::unique_ptr<IEchoSocket> OpenSocket() override {
        if (auto socket = OpenRawEchoSocket()) return socket;
        return OpenUnprivilegedEchoSocket();
    }
};

}  // namespace

IProbeSystem& SystemProbe() {
    static SystemProbeImpl system;
    return system;
}

namespace {

IMonotonicClock& SystemTicks() {
    static TickClock ticks;
    return ticks;
}

}  // namespace

IcmpProbe::IcmpProbe() : IcmpProbe(SystemProbe(), SystemTicks()) {}

IcmpProbe::IcmpProbe(IProbeSystem& system) : IcmpProbe(system, SystemTicks()) {}

namespace {

// One request of a probe: where it went, which sequence number it carried, and when.
struct SentRequest {
    std::uint32_t address;
    std::uint16_t sequence;
    std::int64_t sentAt;
};

}  // namespace

std::vector<bool> IcmpProbe::ProbeAll(const std::vector<std::uint32_t>& addresses) {
    std::vector<bool> answered(addresses.size(), false);
    if (addresses.empty()) return answered;
    const std::unique_ptr<IEchoSocket> socket = m_system.OpenSocket();
    if (!socket) return answered;
    if (!socket->SetTimeouts(kProbeSocketTimeoutMs)) return answered;

    // An echo reply to request q (its address and sequence number) answers q and the requests
    // sent to the same address before q, each if it came within 100 ms of that request. It
    // never answers a request sent after q: that one's own reply could still be late. A reply
    // to nothing this probe sent counts for none.
    constexpr std::int64_t kWaitMs = kProbeWaitMicroseconds / 1000;
    std::vector<SentRequest> requests;
    requests.reserve(addresses.size());
    std::size_t open = addresses.size();
    const auto take = [&](const IcmpMessage& message) {
        if (message.type != kEchoReplyType) return;
        const auto answeredRequest =
            std::find_if(requests.begin(), requests.end(), [&](const SentRequest& request) {
                return request.address == message.from && request.sequence == message.sequence;
            });
        if (answeredRequest == requests.end()) return;
        const std::int64_t now = m_clock.Milliseconds();
        for (auto request = requests.begin(); request <= answeredRequest; ++request) {
            const std::size_t k = static_cast<std::size_t>(request - requests.begin());
            if (request->address != message.from || answered[k]) continue;
            if (now - request->sentAt > kWaitMs) continue;
            answered[k] = true;
            --open;
        }
    };

    // What has already come back is read between two requests, so the socket's queue never
    // has to hold the answers of the whole batch.
    constexpr int kReadsBetweenRequests = 16;
    IcmpMessage message;
    for (const std::uint32_t address : addresses) {
        const std::int64_t sentAt = m_clock.Milliseconds();
        // The request carries the low 32 bits of its time, as a sender's tick count would.
        const EchoRequest packet = BuildEchoRequest(static_cast<std::uint32_t>(sentAt));
        requests.push_back({address, EchoSequence(packet), sentAt});
        socket->Send(address, packet);
        for (int reads = 0;
             open > 0 && reads < kReadsBetweenRequests && socket->Receive(0, message); ++reads)
            take(message);
    }

    // Then one wait for all, up to 100 ms after the last request.
    const std::int64_t lastSent = requests.back().sentAt;
    while (open > 0) {
        const std::int64_t waited = m_clock.Milliseconds() - lastSent;
        if (waited > kWaitMs) break;
        if (!socket->Receive(static_cast<int>((kWaitMs - waited) * 1000), message)) break;
        take(message);
    }
    return answered;
}

}  // namespace tk
