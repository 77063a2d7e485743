// winsock2.h before windows.h (through the handle header), which would otherwise pull in the
// old winsock.h.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on

#include "core/base/failure_report.h"
#include "core/base/unique_handle_win.h"
#include "core/timecheck/sntp_socket.h"
#include "core/timecheck/sntp_socket_native.h"

namespace tk {

namespace {

class WinSntpSocket final : public ISntpSocket {
public:
    WinSntpSocket(SocketLibraryStart library, UniqueSocket socket)
        : m_library(std::move(library)), m_socket(std::move(socket)) {}

    bool Send(const std::uint8_t* data, std::size_t size) override {
        return ::send(m_socket.Get(), reinterpret_cast<const char*>(data), static_cast<int>(size),
                      0) == static_cast<int>(size);
    }

    // On a connected socket the port-unreachable answer to the request makes the receive fail
    // with WSAECONNRESET: the server is not there, and waiting on would only find the same.
    // (Wine does not report that answer to the first request of a socket: there a closed port
    // costs the whole wait.)
    int Receive(std::uint8_t* data, std::size_t size, int timeoutMs, std::uint32_t& from,
                std::uint16_t& fromPort) override {
        const DWORD timeout = static_cast<DWORD>(timeoutMs > 0 ? timeoutMs : 1);
        if (::setsockopt(m_socket.Get(), SOL_SOCKET, SO_RCVTIMEO,
                         reinterpret_cast<const char*>(&timeout), sizeof timeout) != 0) {
            return -1;
        }
        sockaddr_in sender{};
        int senderSize = sizeof sender;
        const int read =
            ::recvfrom(m_socket.Get(), reinterpret_cast<char*>(data), static_cast<int>(size), 0,
                       reinterpret_cast<sockaddr*>(&sender), &senderSize);
        if (read < 0) return ::WSAGetLastError() == WSAETIMEDOUT ? 0 : -1;
        from = sender.sin_addr.s_addr;
        fromPort = ntohs(sender.sin_port);
        return read;
    }

private:
    SocketLibraryStart m_library;  // first made, last gone: it outlives the socket
    UniqueSocket m_socket;
};

}  // namespace

std::unique_ptr<ISntpSocket> OpenSntpSocket(std::uint32_t address, std::uint16_t port) {
    SocketLibraryStart library = StartSocketLibrary();
    if (!library) return nullptr;
    UniqueSocket socket(::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    if (!socket) {
        ReportFailure("opening the time server socket");
        return nullptr;
    }
    if (!ConnectSntpSocket(socket.Get(), address, port)) return nullptr;
    return std::make_unique<WinSntpSocket>(std::move(library), std::move(socket));
}

}  // namespace tk
