#include "library/standin/links_win.h"

#include <cstdio>

namespace tk {

bool StartSockets() {
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
}

bool UdpLink::Open(const int ip[4], int port) {
    for (int k = 0; k < 4; ++k) {
        if (ip[k] < 0 || ip[k] > 255) return false;
    }
    if (port < 1 || port > 65535 || !StartSockets()) return false;
    m_socket.Reset(socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP));
    if (!m_socket) return false;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<u_short>(port));
    peer.sin_addr.s_addr =
        htonl(static_cast<u_long>(ip[0]) << 24 | static_cast<u_long>(ip[1]) << 16 |
              static_cast<u_long>(ip[2]) << 8 | static_cast<u_long>(ip[3]));
    // Connected, so that only datagrams from the controller's address and port arrive.
    return connect(m_socket.Get(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0;
}

bool UdpLink::Send(const std::uint8_t* data, std::size_t size) {
    const int n = static_cast<int>(size);
    return send(m_socket.Get(), reinterpret_cast<const char*>(data), n, 0) == n;
}

int UdpLink::Receive(std::uint8_t* buffer, std::size_t size, int timeoutMs) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(m_socket.Get(), &readable);
    timeval wait{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    const int ready = select(0, &readable, nullptr, nullptr, &wait);
    if (ready <= 0) return ready == 0 ? 0 : -1;
    const int n = recv(m_socket.Get(), reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
    if (n != SOCKET_ERROR) return n;
    // A datagram too long for the buffer is no frame of ours; it is dropped, not an error.
    return WSAGetLastError() == WSAEMSGSIZE ? 0 : -1;
}

bool SerialLink::Open(int number, int baud) {
    if (number < 1 || baud < 1) return false;
    // The device namespace form reaches COM10 and above, which the bare name does not.
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", number);
    m_port.Reset(
        CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!m_port) return false;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(m_port.Get(), &dcb)) return false;
    dcb.BaudRate = static_cast<DWORD>(baud);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(m_port.Get(), &dcb)) return false;
    PurgeComm(m_port.Get(), PURGE_RXCLEAR | PURGE_TXCLEAR);
    return true;
}

bool SerialLink::Send(const std::uint8_t* data, std::size_t size) {
    COMMTIMEOUTS timeouts{};
    timeouts.WriteTotalTimeoutConstant = 100;
    if (!SetCommTimeouts(m_port.Get(), &timeouts)) return false;
    DWORD written = 0;
    return WriteFile(m_port.Get(), data, static_cast<DWORD>(size), &written, nullptr) &&
           written == size;
}

int SerialLink::Receive(std::uint8_t* buffer, std::size_t size, int timeoutMs) {
    // MAXDWORD, MAXDWORD, t: return at once with what is buffered, otherwise wait up to t for
    // the first byte.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(timeoutMs);
    timeouts.WriteTotalTimeoutConstant = 100;
    if (!SetCommTimeouts(m_port.Get(), &timeouts)) return -1;
    DWORD got = 0;
    if (!ReadFile(m_port.Get(), buffer, static_cast<DWORD>(size), &got, nullptr)) return -1;
    return static_cast<int>(got);
}

std::int64_t SystemLinkClock::MonotonicMs() { return static_cast<std::int64_t>(GetTickCount64()); }

wire::Timestamp SystemLinkClock::LocalTime() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wire::Timestamp t;
    t.year = now.wYear;
    t.month = static_cast<std::uint8_t>(now.wMonth);
    t.day = static_cast<std::uint8_t>(now.wDay);
    t.weekday = static_cast<std::uint8_t>(now.wDayOfWeek);
    t.hour = static_cast<std::uint8_t>(now.wHour);
    t.minute = static_cast<std::uint8_t>(now.wMinute);
    t.second = static_cast<std::uint8_t>(now.wSecond);
    t.millisecond = now.wMilliseconds;
    return t;
}

}  // namespace tk
