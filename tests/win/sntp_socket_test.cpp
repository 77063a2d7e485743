// The SNTP client's hold on Windows Sockets: a query's lookup and its socket each start the
// library for themselves, so a query left running on its worker goes on after the program has
// cleaned up its own start at exit (app.cpp, once the window has closed). Loopback only; the
// name service is a stand-in.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "core/timecheck/ntp_packet.h"
#include "core/timecheck/sntp_client.h"

namespace {

// The program's start of the library and a datagram socket of its own on 127.0.0.1 (Wine binds
// such a socket to every address of the interface and sends from the interface's own, so
// replies come from 127.0.0.1 whatever loopback address it is bound to).
struct ProgramSocket {
    ProgramSocket() {
        WSADATA data;
        started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
        socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int size = sizeof address;
        ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size);
    }
    bool started = false;
    SOCKET socket = INVALID_SOCKET;
    sockaddr_in address{};
};

// A name service that answers (127.0.0.1) only once the test lets it, or after ten seconds.
std::mutex g_mutex;
std::condition_variable g_changed;
bool g_asked = false;
bool g_released = false;

bool HeldLookup(const std::string&, std::uint32_t& address) {
    std::unique_lock<std::mutex> lock(g_mutex);
    g_asked = true;
    g_changed.notify_all();
    g_changed.wait_for(lock, std::chrono::seconds(10), [] { return g_released; });
    address = htonl(INADDR_LOOPBACK);
    return true;
}

// While the lookup waits for the name service, the library stays up for the program's socket.
TEST(SntpSocketLibrary, ALookupOutlivesTheProgramsCleanUp) {
    ProgramSocket program;
    ASSERT_TRUE(program.started);
    std::thread query([] {
        tk::SntpClient(std::make_unique<tk::PreciseClock>(), nullptr, HeldLookup)
            .Query("ntp.example", 100);
    });
    std::unique_lock<std::mutex> lock(g_mutex);
    ASSERT_TRUE(g_changed.wait_for(lock, std::chrono::seconds(10), [] { return g_asked; }));
    ::WSACleanup();
    EXPECT_EQ(::sendto(program.socket, "x", 1, 0,
                       reinterpret_cast<const sockaddr*>(&program.address), sizeof program.address),
              1);
    g_released = true;
    g_changed.notify_all();
    lock.unlock();
    query.join();
}

// While the query waits for its reply, the program's socket serves as its time server.
TEST(SntpSocketLibrary, AQueryOutlivesTheProgramsCleanUp) {
    const ProgramSocket server;
    ASSERT_TRUE(server.started);
    tk::SntpOutcome outcome;
    std::thread query([&outcome, port = ntohs(server.address.sin_port)] {
        outcome = tk::SntpClient(std::make_unique<tk::PreciseClock>())
                      .Query("127.0.0.1:" + std::to_string(port), 10000);
    });
    std::uint8_t packet[tk::kNtpPacketSize] = {};
    sockaddr_in from{};
    int fromSize = sizeof from;
    EXPECT_EQ(::recvfrom(server.socket, reinterpret_cast<char*>(packet), sizeof packet, 0,
                         reinterpret_cast<sockaddr*>(&from), &fromSize),
              48);
    ::WSACleanup();
    // Version 4, mode 4, stratum 2, the request's transmit time as origin, the PC's time twice.
    std::memcpy(packet + 24, packet + 40, 8);
    packet[0] = 0x24;
    packet[1] = 2;
    const std::uint64_t now = tk::NtpFromUnixMicros(tk::PreciseClock().NowMicros());
    for (int i = 0; i < 8; ++i) {
        packet[32 + i] = packet[40 + i] = static_cast<std::uint8_t>(now >> (56 - 8 * i));
    }
    EXPECT_EQ(::sendto(server.socket, reinterpret_cast<const char*>(packet), sizeof packet, 0,
                       reinterpret_cast<const sockaddr*>(&from), fromSize),
              48);
    query.join();
    EXPECT_EQ(outcome.status, tk::ClockCheckStatus::kMeasured);
}

}  // namespace
