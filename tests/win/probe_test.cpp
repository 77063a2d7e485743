// winsock2.h must come before anything that pulls in windows.h.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <winternl.h>
// clang-format on

#include "core/probe.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <deque>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
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

// 127.0.0.20 to 127.0.0.39, then 127.0.0.20 once more.
std::vector<std::string> BatchHosts() {
    std::vector<std::string> hosts;
    for (int last = 20; last < 40; ++last) hosts.push_back("127.0.0." + std::to_string(last));
    hosts.push_back("127.0.0.20");
    return hosts;
}

TEST_P(WinProbe, LoopbackAnswersWithinTheWait) {
    ChosenSystem system(GetParam().opener);
    const tk::EchoCounters before = tk::PeekEchoCounters();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(tk::IcmpProbe(system).Probe("127.0.0.1"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(95));
    EXPECT_EQ(tk::PeekEchoCounters().identifier, static_cast<std::uint16_t>(before.identifier + 1));
    EXPECT_EQ(tk::PeekEchoCounters().sequence, static_cast<std::uint16_t>(before.sequence + 1));
}

// One request per host, the repeated one too, and every host answered. (That the wait ends as
// soon as all have answered is shown on a simulated clock by the native tests.)
TEST_P(WinProbe, BatchAllAnswer) {
    ChosenSystem system(GetParam().opener);
    const tk::EchoCounters before = tk::PeekEchoCounters();
    EXPECT_EQ(tk::IcmpProbe(system).ProbeAll(BatchHosts()), std::vector<bool>(21, true));
    EXPECT_EQ(tk::PeekEchoCounters().identifier,
              static_cast<std::uint16_t>(before.identifier + 21));
    EXPECT_EQ(tk::PeekEchoCounters().sequence, static_cast<std::uint16_t>(before.sequence + 21));
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

// A zero wait finds nothing, as the read right after a request would on a network farther away
// than loopback; a longer one asks select.
int WSAAPI RecordingSelect(int n, fd_set* read, fd_set* write, fd_set* error, timeval* wait) {
    g_selectWaits.push_back(wait ? std::make_pair(wait->tv_sec, wait->tv_usec)
                                 : std::make_pair(-1L, -1L));
    if (wait && wait->tv_sec == 0 && wait->tv_usec == 0) return 0;
    return ::select(n, read, write, error, wait);
}

// The raw socket waits the probe's whole 100 ms. The loopback answer is queued before the wait
// begins, so a shortened wait would still see it: the time-out handed to select shows it. With
// the clock standing still, every wait after the read behind the request is the whole one: for
// the socket's own request, the answer and any other ICMP traffic of the host.
TEST(WinProbeSystem, RawSocketHandsSelectTheWholeWait) {
    ChosenSystem system([] { return tk::OpenRawEchoSocketWith(RecordingSelect); });
    system.tick = 0x5EC0DE01;
    g_selectWaits.clear();
    EXPECT_TRUE(tk::IcmpProbe(system).Probe("127.0.0.1"));
    ASSERT_GE(g_selectWaits.size(), 2u);
    EXPECT_EQ(g_selectWaits.front(), std::make_pair(0L, 0L));
    const std::vector<std::pair<long, long>> waits(g_selectWaits.begin() + 1, g_selectWaits.end());
    EXPECT_THAT(waits, testing::Each(std::make_pair(0L, 100000L)));
}

// What RecordingSendEcho2 was asked: its result, the error it left, the data size and the
// time-out of each call.
using SendEchoCall = std::tuple<DWORD, DWORD, WORD, DWORD>;
std::vector<SendEchoCall> g_sendEchoCalls;
// false: every request is reported in flight and never started, so it never completes.
bool g_startRequests = true;
int g_completions = 0;

// The APC routine and context a request came with, handed on when it completes.
struct ForwardedApc {
    PIO_APC_ROUTINE routine;
    void* context;
};
std::deque<ForwardedApc> g_forwarded;

void NTAPI CountingApc(void* context, IO_STATUS_BLOCK* status, ULONG reserved) {
    ++g_completions;
    const ForwardedApc& forwarded = *static_cast<ForwardedApc*>(context);
    forwarded.routine(forwarded.context, status, reserved);
}

DWORD WINAPI RecordingSendEcho2(HANDLE handle, HANDLE event, FARPROC routine, PVOID context,
                                IPAddr address, LPVOID data, WORD size,
                                PIP_OPTION_INFORMATION options, LPVOID reply, DWORD replySize,
                                DWORD timeout) {
    g_forwarded.push_back(
        {reinterpret_cast<PIO_APC_ROUTINE>(reinterpret_cast<void (*)()>(routine)), context});
    DWORD returned = 0;
    DWORD error = ERROR_IO_PENDING;
    if (g_startRequests) {
        returned = ::IcmpSendEcho2(
            handle, event, reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&CountingApc)),
            &g_forwarded.back(), address, data, size, options, reply, replySize, timeout);
        error = ::GetLastError();
    }
    g_sendEchoCalls.emplace_back(returned, error, size, timeout);
    ::SetLastError(error);
    return returned;
}

class WinProbeHelper : public testing::Test {
protected:
    void SetUp() override {
        g_sendEchoCalls.clear();
        g_startRequests = true;
        g_completions = 0;
        g_forwarded.clear();
    }
    void TearDown() override { g_startRequests = true; }

    ChosenSystem system{[] { return tk::OpenUnprivilegedEchoSocketWith(RecordingSendEcho2); }};
};

// Every request is left in flight (IcmpSendEcho2 returns at once, ERROR_IO_PENDING) with the
// 37 data bytes and a 100 ms time-out, so the batch overlaps; and when the probe is done, every
// request has completed, even one whose answer the probe no longer needed.
TEST_F(WinProbeHelper, WholeBatchInFlightAndCompletedBeforeTheSocketGoes) {
    EXPECT_EQ(tk::IcmpProbe(system).ProbeAll(BatchHosts()), std::vector<bool>(21, true));
    EXPECT_EQ(g_sendEchoCalls, std::vector<SendEchoCall>(21, {0, ERROR_IO_PENDING, 37, 100}));
    EXPECT_EQ(g_completions, 21);
}

// A request that does not complete holds the socket back for a second; its reply buffer is
// then given up, so that a completion coming later still finds it.
TEST_F(WinProbeHelper, RequestThatNeverCompletesIsGivenUpAfterASecond) {
    g_startRequests = false;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(tk::IcmpProbe(system).Probe("127.0.0.9"));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::seconds(1));
    ASSERT_EQ(g_forwarded.size(), 1u);
    IO_STATUS_BLOCK status{};
    g_forwarded.front().routine(g_forwarded.front().context, &status, 0);
}

// The probe's raw socket, with the request to the probed address withheld: a second raw socket
// sends the replacement in its place. Records every message the probe reads.
class DivertingSocket : public tk::IEchoSocket {
public:
    DivertingSocket(std::uint32_t to, const tk::EchoRequest& replacement,
                    std::vector<tk::IcmpMessage>& seen)
        : m_to(to), m_replacement(replacement), m_seen(seen) {}

    bool SetTimeouts(int milliseconds) override { return m_probe->SetTimeouts(milliseconds); }
    void Send(std::uint32_t, const tk::EchoRequest&) override {
        m_sender->Send(m_to, m_replacement);
    }
    bool Receive(int microseconds, tk::IcmpMessage& message) override {
        if (!m_probe->Receive(microseconds, message)) return false;
        m_seen.push_back(message);
        return true;
    }

private:
    std::unique_ptr<tk::IEchoSocket> m_probe = tk::OpenRawEchoSocket();
    std::unique_ptr<tk::IEchoSocket> m_sender = tk::OpenRawEchoSocket();
    std::uint32_t m_to;
    tk::EchoRequest m_replacement;
    std::vector<tk::IcmpMessage>& m_seen;
};

// An echo reply counts only from the request's address and with a sequence number sent to it:
// the replacement's reply reaches the probe's socket and answers nothing.
TEST(WinProbeSystem, ForeignEchoRepliesAnswerNothing) {
    struct Case {
        const char* name;
        std::uint32_t to;  // host byte order
        std::uint16_t sequenceFlip;
    };
    const Case cases[] = {
        {"our sequence from another address", 0x7F1F0005, 0},
        {"another sequence from our address", 0x7F1F0002, 0x8000},
    };
    for (const Case& c : cases) {
        struct DivertingSystem : ChosenSystem {
            DivertingSystem() : ChosenSystem(tk::OpenRawEchoSocket) {}
            std::uint32_t to = 0;
            tk::EchoRequest replacement{};
            std::vector<tk::IcmpMessage> seen;
            std::unique_ptr<tk::IEchoSocket> OpenSocket() override {
                return std::make_unique<DivertingSocket>(to, replacement, seen);
            }
        } system;
        system.tick = 0x5EC0DE02;
        const tk::EchoCounters counters = tk::PeekEchoCounters();
        const std::uint16_t sequence = counters.sequence ^ c.sequenceFlip;
        system.to = ::htonl(c.to);
        system.replacement = tk::FormatEchoRequest({counters.identifier, sequence}, system.tick);
        EXPECT_FALSE(tk::IcmpProbe(system).Probe("127.31.0.2")) << c.name;
        using testing::Field;
        EXPECT_THAT(system.seen, testing::Contains(testing::AllOf(
                                     Field(&tk::IcmpMessage::from, ::htonl(c.to)),
                                     Field(&tk::IcmpMessage::type, tk::kEchoReplyType),
                                     Field(&tk::IcmpMessage::sequence, sequence))))
            << c.name;
    }
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
