// winsock2.h must come before anything that pulls in windows.h.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format on

#include "core/probe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/probe_socket.h"

namespace {

// The main window starts the socket library before any probe; this program does it itself.
class SocketLibrary : public testing::Environment {
public:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override { ::WSACleanup(); }
};

testing::Environment* const kSocketLibrary = testing::AddGlobalTestEnvironment(new SocketLibrary);

// The real system with the socket chosen by the test and, optionally, a resolver that fails
// or a fixed tick count.
class ChosenSystem : public tk::IProbeSystem {
public:
    using Opener = std::unique_ptr<tk::IEchoSocket> (*)();
    explicit ChosenSystem(Opener opener) : m_opener(opener) {}

    bool resolves = true;
    std::uint32_t tick = 0;  // 0: the system's tick count

    std::unique_ptr<tk::IEchoSocket> OpenSocket() override { return m_opener(); }
    bool Resolve(const char* host, std::uint32_t& address) override {
        return resolves && tk::ResolveIPv4(host, address);
    }
    std::uint32_t TickCount() override { return tick != 0 ? tick : tk::SystemTickCount(); }

private:
    Opener m_opener;
};

struct SocketCase {
    const char* name;
    ChosenSystem::Opener opener;
};

std::ostream& operator<<(std::ostream& out, const SocketCase& c) { return out << c.name; }

class WinProbe : public testing::TestWithParam<SocketCase> {};

TEST_P(WinProbe, LoopbackAnswersWithinTheWait) {
    ChosenSystem system(GetParam().opener);
    const tk::EchoCounters before = tk::PeekEchoCounters();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(tk::IcmpProbe(system).Probe("127.0.0.1"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(95));
    EXPECT_EQ(tk::PeekEchoCounters().identifier, static_cast<std::uint16_t>(before.identifier + 1));
    EXPECT_EQ(tk::PeekEchoCounters().sequence, static_cast<std::uint16_t>(before.sequence + 1));
}

// A host text that does not resolve ends the probe before a request is built; the probe as
// the main window makes it (raw socket, the system's resolver) reaches loopback.
TEST(WinProbeSystem, UnresolvedHostBuildsNothingDefaultProbeReachesLoopback) {
    ChosenSystem system(tk::OpenRawEchoSocket);
    system.resolves = false;
    const tk::EchoCounters before = tk::PeekEchoCounters();
    EXPECT_FALSE(tk::IcmpProbe(system).Probe("127.0.0.1"));
    EXPECT_EQ(tk::PeekEchoCounters().identifier, before.identifier);
    EXPECT_EQ(tk::PeekEchoCounters().sequence, before.sequence);
    EXPECT_TRUE(tk::IcmpProbe().Probe("127.0.0.3"));
}

// Seconds and microseconds of each time-out handed to RecordingSelect ({-1, -1}: none).
std::vector<std::pair<long, long>> g_selectWaits;

int WSAAPI RecordingSelect(int n, fd_set* read, fd_set* write, fd_set* error, timeval* wait) {
    g_selectWaits.push_back(wait ? std::make_pair(wait->tv_sec, wait->tv_usec)
                                 : std::make_pair(-1L, -1L));
    return ::select(n, read, write, error, wait);
}

// The raw socket waits the probe's whole 100 ms. The loopback answer is queued before the wait
// begins, so a shortened wait would still see it: the time-out handed to select shows it.
TEST(WinProbeSystem, RawSocketHandsSelectTheWholeWait) {
    ChosenSystem system([] { return tk::OpenRawEchoSocketWith(RecordingSelect); });
    g_selectWaits.clear();
    EXPECT_TRUE(tk::IcmpProbe(system).Probe("127.0.0.1"));
    EXPECT_EQ(g_selectWaits, (std::vector<std::pair<long, long>>{{0, 100000}}));
}

// The echo request seen on loopback is 45 bytes and carries the probe's data; on the raw
// socket the header (counters and checksum) is the probe's own as well.
TEST_P(WinProbe, RequestOnTheWire) {
    const SOCKET listener = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
    ASSERT_NE(listener, INVALID_SOCKET) << ::WSAGetLastError();
    ChosenSystem system(GetParam().opener);
    system.tick = 0x5EC0DE01;
    const tk::EchoCounters counters = tk::PeekEchoCounters();
    const tk::EchoRequest expected = tk::FormatEchoRequest(counters, system.tick);
    ASSERT_TRUE(tk::IcmpProbe(system).Probe("127.0.0.2"));

    bool found = false;
    char datagram[1500];
    for (int reads = 0; !found && reads < 64; ++reads) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener, &readable);
        timeval wait{1, 0};
        if (::select(0, &readable, nullptr, nullptr, &wait) != 1) break;
        const int size = ::recv(listener, datagram, sizeof datagram, 0);
        if (size < 20) break;
        const int header = (datagram[0] & 0x0F) * 4;
        if (size != header + static_cast<int>(tk::kEchoRequestSize)) continue;
        const unsigned char* icmp = reinterpret_cast<const unsigned char*>(datagram + header);
        if (icmp[0] != 8 || std::memcmp(icmp + 8, expected.data() + 8, expected.size() - 8) != 0)
            continue;
        found = true;
        if (GetParam().opener == tk::OpenRawEchoSocket) {
            EXPECT_EQ(std::memcmp(icmp, expected.data(), expected.size()), 0);
        }
    }
    ::closesocket(listener);
    EXPECT_TRUE(found);
}

INSTANTIATE_TEST_SUITE_P(Sockets, WinProbe,
                         testing::Values(SocketCase{"Raw", tk::OpenRawEchoSocket},
                                         SocketCase{"IcmpHelper", tk::OpenUnprivilegedEchoSocket}),
                         [](const testing::TestParamInfo<SocketCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
