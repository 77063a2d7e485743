// What both SNTP socket files share of the sockets API. Included by them only: it brings in the
// platform's socket headers.
#pragma once

// The socket header first: winsock2.h before windows.h, which would otherwise pull in the old
// winsock.h.
// clang-format off
#include "core/base/native_socket.h"
#ifdef _WIN32
#include <ws2tcpip.h>
#endif
// clang-format on

#include <cstdint>

namespace tk {

// Connects socket to the server at address (network byte order) and port (host order), so that
// the system drops datagrams from anyone else; false, with a note, when it refuses.
bool ConnectSntpSocket(NativeSocket socket, std::uint32_t address, std::uint16_t port);

}  // namespace tk
