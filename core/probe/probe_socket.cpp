#include "core/probe/probe_socket.h"

#ifndef _WIN32
#include <netinet/in.h>
#endif

#include "core/probe/probe.h"

namespace tk {

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
