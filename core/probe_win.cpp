// winsock2.h must come before windows.h, and iphlpapi.h before icmpapi.h.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <icmpapi.h>
// clang-format on

#include <utility>

#include "core/probe.h"
#include "core/probe_socket.h"
#include "core/unique_handle_win.h"

namespace tk {

namespace {

// A handle from IcmpCreateFile, which reports failure as INVALID_HANDLE_VALUE.
struct IcmpHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { ::IcmpCloseHandle(handle); }
};
using UniqueIcmpHandle = UniqueAny<IcmpHandleTraits>;

// Offset of the echo data behind the 8-byte ICMP header.
constexpr std::size_t kEchoDataOffset = 8;

// A raw ICMP socket owned by the probe, closed when the probe is done with it.
class RawEchoSocket : public IEchoSocket {
public:
    RawEchoSocket(UniqueSocket socket, SelectFunction select)
        : m_socket(std::move(socket)), m_select(select) {}

    // Winsock takes both time-outs as a DWORD of milliseconds.
    bool SetTimeouts(int milliseconds) override {
        const DWORD timeout = static_cast<DWORD>(milliseconds);
        const char* value = reinterpret_cast<const char*>(&timeout);
        return ::setsockopt(m_socket.Get(), SOL_SOCKET, SO_RCVTIMEO, value, sizeof timeout) == 0 &&
               ::setsockopt(m_socket.Get(), SOL_SOCKET, SO_SNDTIMEO, value, sizeof timeout) == 0;
    }

    void Send(std::uint32_t address, const EchoRequest& packet) override {
        SendEchoRequest(m_socket.Get(), address, packet);
    }

    bool WaitReadable(int microseconds) override {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_socket.Get(), &readable);
        timeval wait{};
        wait.tv_sec = microseconds / 1000000;
        wait.tv_usec = microseconds % 1000000;
        return m_select(0, &readable, nullptr, nullptr, &wait) > 0 &&
               FD_ISSET(m_socket.Get(), &readable);
    }

private:
    UniqueSocket m_socket;
    SelectFunction m_select;
};

// The ICMP helper API, for users without the right to open raw sockets. It writes its own
// header (identifier, sequence number, checksum) and sends the request's 37 data bytes behind
// it, so the echo on the wire is still 45 bytes; sending and waiting happen in one call, made
// when the wait starts.
class HelperEchoSocket : public IEchoSocket {
public:
    explicit HelperEchoSocket(UniqueIcmpHandle handle) : m_handle(std::move(handle)) {}

    // The helper has no socket options: its one time-out is the wait's.
    bool SetTimeouts(int) override { return true; }

    void Send(std::uint32_t address, const EchoRequest& packet) override {
        m_address = address;
        m_packet = packet;
        m_sent = true;
    }

    bool WaitReadable(int microseconds) override {
        if (!m_sent) return false;
        // Room for one reply carrying the data back, plus the ICMP error header the helper
        // documents as possible.
        char reply[sizeof(ICMP_ECHO_REPLY) + kEchoRequestSize + 8 + 64];
        const DWORD replies =
            ::IcmpSendEcho(m_handle.Get(), m_address, m_packet.data() + kEchoDataOffset,
                           static_cast<WORD>(kEchoRequestSize - kEchoDataOffset), nullptr, reply,
                           sizeof reply, static_cast<DWORD>(microseconds / 1000));
        return replies > 0;
    }

private:
    UniqueIcmpHandle m_handle;
    std::uint32_t m_address = 0;
    EchoRequest m_packet{};
    bool m_sent = false;
};

}  // namespace

std::unique_ptr<IEchoSocket> OpenRawEchoSocket() { return OpenRawEchoSocketWith(::select); }

std::unique_ptr<IEchoSocket> OpenRawEchoSocketWith(SelectFunction select) {
    UniqueSocket socket(
        ::WSASocket(AF_INET, SOCK_RAW, IPPROTO_ICMP, nullptr, 0, WSA_FLAG_OVERLAPPED));
    if (!socket) return nullptr;
    return std::make_unique<RawEchoSocket>(std::move(socket), select);
}

std::unique_ptr<IEchoSocket> OpenUnprivilegedEchoSocket() {
    UniqueIcmpHandle handle(::IcmpCreateFile());
    if (!handle) return nullptr;
    return std::make_unique<HelperEchoSocket>(std::move(handle));
}

std::uint32_t SystemTickCount() { return ::GetTickCount(); }

}  // namespace tk
