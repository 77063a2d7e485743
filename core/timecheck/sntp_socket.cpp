#include "core/timecheck/sntp_socket.h"

#ifndef _WIN32
#include <netdb.h>
#include <netinet/in.h>
#endif

#include "core/base/failure_report.h"
#include "core/timecheck/sntp_socket_native.h"

namespace tk {

bool ResolveIPv4(const std::string& host, std::uint32_t& address) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) return false;
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    ::freeaddrinfo(found);
    return true;
}

bool ConnectSntpSocket(NativeSocket socket, std::uint32_t address, std::uint16_t port) {
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_addr.s_addr = address;
    server.sin_port = htons(port);
    if (::connect(socket, reinterpret_cast<const sockaddr*>(&server), sizeof server) != 0) {
        ReportFailure("connecting the time server socket");
        return false;
    }
    return true;
}

}  // namespace tk
