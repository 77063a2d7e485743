// The few socket calls the SNTP client makes (sntp_socket_win.cpp, sntp_socket_posix.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/base/socket_library.h"

namespace tk {

// The IPv4 address (network byte order) of a host name or dotted address; false when it has
// none. It blocks for as long as the system's name service takes, without a time-out of its
// own; the caller holds the socket library meanwhile.
bool ResolveIPv4(const std::string& host, std::uint32_t& address);

// A UDP socket connected to one server, so that the system drops datagrams from anyone else and
// reports the server's port as unreachable on the next receive.
class ISntpSocket {
public:
    virtual ~ISntpSocket() = default;
    virtual bool Send(const std::uint8_t* data, std::size_t size) = 0;
    // Bytes read (> 0), 0 when nothing came within timeoutMs, -1 on a failure (the port
    // unreachable among them). from/fromPort: where the datagram came from (port in host
    // order).
    virtual int Receive(std::uint8_t* data, std::size_t size, int timeoutMs, std::uint32_t& from,
                        std::uint16_t& fromPort) = 0;
};

// address in network byte order, port in host order; nullptr when no socket could be made.
std::unique_ptr<ISntpSocket> OpenSntpSocket(std::uint32_t address, std::uint16_t port);

}  // namespace tk
