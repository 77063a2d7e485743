// Windows only: the stand-in library's links to controllers.
#pragma once

#include "core/base/unique_handle_win.h"
#include "library/exchange.h"

namespace tk {

// A connected UDP socket to one controller's address and port.
class UdpLink final : public IControllerLink {
public:
    // False when an octet or the port is out of range or the socket cannot be made.
    bool Open(const int ip[4], int port);
    bool Send(const std::uint8_t* data, std::size_t size) override;
    int Receive(std::uint8_t* buffer, std::size_t size, int timeoutMs) override;
    bool Datagrams() const override { return true; }

private:
    UniqueSocket m_socket;
};

// The serial port "COMn" set to the given baud rate, 8 data bits, no parity, 1 stop bit.
class SerialLink final : public IControllerLink {
public:
    // False when the port does not exist, is in use or refuses the settings.
    bool Open(int number, int baud);
    bool Send(const std::uint8_t* data, std::size_t size) override;
    int Receive(std::uint8_t* buffer, std::size_t size, int timeoutMs) override;
    bool Datagrams() const override { return false; }

private:
    UniqueFile m_port;
};

// GetTickCount64 for deadlines, GetLocalTime for the time to set.
class SystemLinkClock final : public ILinkClock {
public:
    std::int64_t MonotonicMs() override;
    wire::Timestamp LocalTime() override;
};

// Starts Windows Sockets once for the library (the count is never given back: the library
// stays loaded for the life of the process).
bool StartSockets();

}  // namespace tk
