#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include "core/base/failure_report.h"
#include "core/base/unique_fd_posix.h"
#include "core/timecheck/sntp_socket.h"
#include "core/timecheck/sntp_socket_native.h"

namespace tk {

namespace {

class PosixSntpSocket final : public ISntpSocket {
public:
    explicit PosixSntpSocket(UniqueFd fd) : m_fd(std::move(fd)) {}

    bool Send(const std::uint8_t* data, std::size_t size) override {
        return ::send(m_fd.Get(), data, size, 0) == static_cast<ssize_t>(size);
    }

    int Receive(std::uint8_t* data, std::size_t size, int timeoutMs, std::uint32_t& from,
                std::uint16_t& fromPort) override {
        pollfd entry{m_fd.Get(), POLLIN, 0};
        const int ready = ::poll(&entry, 1, timeoutMs);
        if (ready == 0) return 0;
        if (ready < 0) return -1;
        sockaddr_in sender{};
        socklen_t senderSize = sizeof sender;
        const ssize_t read = ::recvfrom(m_fd.Get(), data, size, MSG_DONTWAIT,
                                        reinterpret_cast<sockaddr*>(&sender), &senderSize);
        if (read < 0) return -1;
        from = sender.sin_addr.s_addr;
        fromPort = ntohs(sender.sin_port);
        // An empty datagram is nothing the client could read: taken as no reply yet.
        return read == 0 ? 0 : static_cast<int>(read);
    }

private:
    UniqueFd m_fd;
};

}  // namespace

std::unique_ptr<ISntpSocket> OpenSntpSocket(std::uint32_t address, std::uint16_t port) {
    UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!fd) {
        ReportFailure("opening the time server socket");
        return nullptr;
    }
    if (!ConnectSntpSocket(fd.Get(), address, port)) return nullptr;
    return std::make_unique<PosixSntpSocket>(std::move(fd));
}

}  // namespace tk
