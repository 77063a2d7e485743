// What both SNTP socket files share of the sockets API. Included by them only: it brings in the
// platform's socket headers.
#pragma once

#ifdef _WIN32
// winsock2.h before windows.h, which would otherwise pull in the old winsock.h.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on
#else
#include <sys/socket.h>
#endif

#include <cstdint>

namespace tk {

#ifdef _WIN32
using NativeSocket = SOCKET;
#else
using NativeSocket = int;
#endif

// Connects socket to the server at address (network byte order) and port (host order), so that
// the system drops datagrams from anyone else; false, with a note, when it refuses.
bool ConnectSntpSocket(NativeSocket socket, std::uint32_t address, std::uint16_t port);

}  // namespace tk
