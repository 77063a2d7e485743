#include "core/probe_socket.h"

#ifdef _WIN32
#include <ws2tcpip.h>
#else
#include <netdb.h>
#include <netinet/in.h>
#endif

#include <cstring>

#include "core/probe.h"

namespace tk {

// The first IPv4 address the resolver gives for the text.
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

// Winsock takes the data as char and its length as int.
void SendEchoRequest(NativeSocket socket, std::uint32_t address, const EchoRequest& packet) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = 0;
    to.sin_addr.s_addr = address;
    (void)::sendto(socket, reinterpret_cast<const char*>(packet.data()),
                   static_cast<int>(packet.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

}  // namespace tk
