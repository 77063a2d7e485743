// What both probe implementations share of the sockets API. Included by the probe's own files
// only: it brings in the platform's socket headers.
#pragma once

#ifdef _WIN32
// winsock2.h must come before windows.h, which would otherwise pull in the old winsock.h.
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

#include <cstdint>

#include "core/echo_packet.h"

namespace tk {

#ifdef _WIN32
using NativeSocket = SOCKET;
#else
using NativeSocket = int;
#endif

// Sends the request once to an IPv4 address (network byte order), port 0. A failed send is
// not reported: the wait that follows finds nothing to read.
void SendEchoRequest(NativeSocket socket, std::uint32_t address, const EchoRequest& packet);

}  // namespace tk
