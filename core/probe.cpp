#include "core/probe.h"

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

bool IcmpProbe::Probe(const char* host) {
    const std::unique_ptr<IEchoSocket> socket = m_system.OpenSocket();
    if (!socket) return false;
    if (!socket->SetTimeouts(kProbeSocketTimeoutMs)) return false;
    std::uint32_t address = 0;
    if (!m_system.Resolve(host, address)) return false;
    socket->Send(address, BuildEchoRequest(m_system.TickCount()));
    return socket->WaitReadable(kProbeWaitMicroseconds);
}

}  // namespace tk
