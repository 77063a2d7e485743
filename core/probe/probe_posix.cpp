#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <time.h>

#include <utility>

#include "core/probe/probe.h"
#include "core/probe/probe_socket.h"
#include "core/base/unique_fd_posix.h"

namespace tk {

namespace {

// An ICMP socket owned by the probe, closed when the probe is done with it.
class PosixEchoSocket : public IEchoSocket {
public:
    // A raw socket hands over each datagram with its IPv4 header, a ping socket without.
    PosixEchoSocket(UniqueFd fd, bool raw) : m_fd(std::move(fd)), m_raw(raw) {}

    bool SetTimeouts(int milliseconds) override {
        timeval timeout{};
        timeout.tv_sec = milliseconds / 1000;
        timeout.tv_usec = (milliseconds % 1000) * 1000;
        return ::setsockopt(m_fd.Get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0 &&
               ::setsockopt(m_fd.Get(), SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout) == 0;
    }

    void Send(std::uint32_t address, const EchoRequest& packet) override {
        SendEchoRequest(m_fd.Get(), address, packet);
    }

    // poll rather than select: a descriptor number above FD_SETSIZE would overrun an fd_set.
    bool Receive(int microseconds, IcmpMessage& message) override {
        pollfd entry{m_fd.Get(), POLLIN, 0};
        const int ready = ::poll(&entry, 1, (microseconds + 999) / 1000);
        if (ready != 1) return false;
        std::uint8_t datagram[1500];
        sockaddr_in sender{};
        socklen_t senderSize = sizeof sender;
        const ssize_t size = ::recvfrom(m_fd.Get(), datagram, sizeof datagram, MSG_DONTWAIT,
                                        reinterpret_cast<sockaddr*>(&sender), &senderSize);
        // A pending socket error or a datagram too short to read is passed over like any
        // foreign message, so it cannot cut the wait for the others short.
        if (size < 0 || !ParseIcmpDatagram(datagram, static_cast<std::size_t>(size), m_raw,
                                           sender.sin_addr.s_addr, message)) {
            message = IcmpMessage{};
        }
        return true;
    }

private:
    UniqueFd m_fd;
    bool m_raw;
};

// Opens an IPv4 ICMP socket of the given type; nullptr when refused.
std::unique_ptr<IEchoSocket> OpenIcmpSocket(int type) {
    UniqueFd fd(::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP));
    if (!fd) return nullptr;
    return std::make_unique<PosixEchoSocket>(std::move(fd), type == SOCK_RAW);
}

}  // namespace

std::unique_ptr<IEchoSocket> OpenRawEchoSocket() { return OpenIcmpSocket(SOCK_RAW); }

// A Linux ping socket: allowed to the groups in net.ipv4.ping_group_range. The kernel puts its
// own identifier and checksum into the header; the rest of the request goes out as built.
std::unique_ptr<IEchoSocket> OpenUnprivilegedEchoSocket() { return OpenIcmpSocket(SOCK_DGRAM); }

}  // namespace tk
