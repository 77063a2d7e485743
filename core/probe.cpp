#include "core/probe.h"

#include <algorithm>
#include <cstddef>

namespace tk {

namespace {

// The system's sockets, resolver and tick count.
class SystemProbeImpl : public IProbeSystem {
public:
    std::unique_ptr<IEchoSocket> OpenSocket() override {
        if (auto socket = OpenRawEchoSocket()) return socket;
        return OpenUnprivilegedEchoSocket();
    }
    bool Resolve(const char* host, std::uint32_t& address) override {
        return ResolveIPv4(host, address);
    }
    std::uint32_t TickCount() override { return SystemTickCount(); }
};

}  // namespace

IProbeSystem& SystemProbe() {
    static SystemProbeImpl system;
    return system;
}

namespace {

// One request of a probe: where it went, which sequence number it carried, and when.
struct SentRequest {
    std::size_t host;  // index into the probe's hosts
    std::uint32_t address;
    std::uint16_t sequence;
    std::uint32_t sentAt;
};

}  // namespace

std::vector<bool> IcmpProbe::ProbeAll(const std::vector<std::string>& hosts) {
    std::vector<bool> answered(hosts.size(), false);
    if (hosts.empty()) return answered;
    const std::unique_ptr<IEchoSocket> socket = m_system.OpenSocket();
    if (!socket) return answered;
    if (!socket->SetTimeouts(kProbeSocketTimeoutMs)) return answered;

    // Names first, so that the requests go out one right after another.
    std::vector<SentRequest> requests;
    requests.reserve(hosts.size());
    for (std::size_t k = 0; k < hosts.size(); ++k) {
        std::uint32_t address = 0;
        if (m_system.Resolve(hosts[k].c_str(), address)) requests.push_back({k, address, 0, 0});
    }
    if (requests.empty()) return answered;

    // Every request to the replying address shares an echo reply, whichever of them it carries,
    // if it came within 100 ms of that request; a reply to nothing this probe sent counts for
    // none.
    constexpr std::uint32_t kWaitMs = kProbeWaitMicroseconds / 1000;
    std::size_t sent = 0;
    std::size_t open = requests.size();
    const auto take = [&](const IcmpMessage& message) {
        if (message.type != kEchoReplyType) return;
        const auto first = requests.begin();
        const auto last = first + static_cast<std::ptrdiff_t>(sent);
        const bool ours = std::any_of(first, last, [&](const SentRequest& request) {
            return request.address == message.from && request.sequence == message.sequence;
        });
        if (!ours) return;
        const std::uint32_t now = m_system.TickCount();
        for (auto request = first; request != last; ++request) {
            if (request->address != message.from || answered[request->host]) continue;
            if (now - request->sentAt > kWaitMs) continue;
            answered[request->host] = true;
            --open;
        }
    };

    // What has already come back is read between two requests, so the socket's queue never
    // has to hold the answers of the whole batch.
    constexpr int kReadsBetweenRequests = 16;
    IcmpMessage message;
    for (SentRequest& request : requests) {
        request.sentAt = m_system.TickCount();
        const EchoRequest packet = BuildEchoRequest(request.sentAt);
        request.sequence = EchoSequence(packet);
        socket->Send(request.address, packet);
        ++sent;
        for (int reads = 0;
             open > 0 && reads < kReadsBetweenRequests && socket->Receive(0, message); ++reads)
            take(message);
    }

    // Then one wait for all, up to 100 ms after the last request.
    const std::uint32_t lastSent = requests.back().sentAt;
    while (open > 0) {
        const std::uint32_t waited = m_system.TickCount() - lastSent;
        if (waited > kWaitMs) break;
        if (!socket->Receive(static_cast<int>((kWaitMs - waited) * 1000), message)) break;
        take(message);
    }
    return answered;
}

}  // namespace tk
