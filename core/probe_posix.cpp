#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <time.h>

#include <cstring>
#include <utility>

#include "core/probe.h"
#include "core/unique_fd_posix.h"

namespace tk {

namespace {

// An ICMP socket owned by the probe, closed when the probe is done with it.
class PosixEchoSocket : public IEchoSocket {
public:
    explicit PosixEchoSocket(UniqueFd fd) : m_fd(std::move(fd)) {}

    bool SetTimeouts(int milliseconds) override {
        timeval timeout{};
        timeout.tv_sec = milliseconds / 1000;
        timeout.tv_usec = (milliseconds % 1000) * 1000;
        return ::setsockopt(m_fd.Get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0 &&
               ::setsockopt(m_fd.Get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) == 0;
    }

    void Send(std::uint32_t address, const EchoRequest& packet) override {
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = 0;
        to.sin_addr.s_addr = address;
        (void)::sendto(m_fd.Get(), packet.data(), packet.size(), 0,
                       reinterpret_cast<sockaddr*>(&to), sizeof to);
    }

    // poll rather than select: a descriptor number above FD_SETSIZE would overrun an fd_set.
    bool WaitReadable(int microseconds) override {
        pollfd entry{m_fd.Get(), POLLIN, 0};
        const int ready = ::poll(&entry, 1, (microseconds + 999) / 1000);
        return ready == 1 && (entry.revents & POLLIN) != 0;
    }

private:
    UniqueFd m_fd;
};

// Opens an IPv4 ICMP socket of the given type; nullptr when refused.
std::unique_ptr<IEchoSocket> OpenIcmpSocket(int type) {
    UniqueFd fd(::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP));
    if (!fd) return nullptr;
    return std::make_unique<PosixEchoSocket>(std::move(fd));
}

}  // namespace

std::unique_ptr<IEchoSocket> OpenRawEchoSocket() { return OpenIcmpSocket(SOCK_RAW); }

// A Linux ping socket: allowed to the groups in net.ipv4.ping_group_range. The kernel puts its
// own identifier and checksum into the header; the rest of the request goes out as built.
std::unique_ptr<IEchoSocket> OpenUnprivilegedEchoSocket() { return OpenIcmpSocket(SOCK_DGRAM); }

bool ResolveIPv4(const char* host, std::uint32_t& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return false;
    sockaddr_in first;
    std::memcpy(&first, found->ai_addr, sizeof first);
    ::freeaddrinfo(found);
    address = first.sin_addr.s_addr;
    return true;
}

std::uint32_t SystemTickCount() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

}  // namespace tk
