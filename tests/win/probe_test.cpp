// winsock2.h must come before anything that pulls in windows.h.
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <winternl.h>
// clang-format on

#include "core/probe/probe.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/probe/probe_socket.h"
#include "tests/common/probe_one.h"
#include "tests/win/socket_library.h"

namespace {

testing::Environment* const kSocketLibrary =
    testing::AddGlobalTestEnvironment(new tk_test::SocketLibrary);

// The real system with the socket chosen by the test and, optionally, a fixed tick count.
class ChosenSystem : public tk::IProbeSystem, public tk::IMonotonicClock {
public:
    using Opener = std::unique_ptr<tk::IEchoSocket> (*)();
    explicit ChosenSystem(Opener opener) : m_opener(opener) {}

    std::int64_t tick = 0;  // 0: the system's tick count

    std::unique_ptr<tk::IEchoSocket> OpenSocket() override { return m_opener(); }
    std::int64_t Milliseconds() override { return tick != 0 ? tick : m_ticks.Milliseconds(); }

private:
    Opener m_opener;
    tk::TickClock m_ticks;
};

struct SocketCase {
    const char* name;
    ChosenSystem::Opener opener;
};

std::ostream& operator<<(std::ostream& out, const SocketCase& c) { return out << c.name; }

class WinProbe : public testing::TestWithParam<SocketCase> {};

// 127.0.0.20 to 127.0.0.39, then 127.0.0.20 once more.
std::vector<std::uint32_t> BatchHosts() {
    std::vector<std::uint32_t> hosts;
    for (std::uint32_t last = 20; last < 40; ++last) hosts.push_back(::htonl(0x7F000000u | last));
    hosts.push_back(::htonl(0x7F000014u));
    return hosts;
}

TEST_P(WinProbe, LoopbackAnswersWithinTheWait) {
    ChosenSystem system(GetParam().opener);
    const tk::EchoCounters before = tk::PeekEchoCounters();
    // Only the answer is asserted: how soon the wait ends once all have answered is a matter of
    // the native tests' simulated clock and of bench/probe_many, not of this machine's load.
    EXPECT_TRUE(tk_test::ProbeOne(tk::IcmpProbe(system, system), "127.0.0.1"));
    EXPECT_EQ(tk::PeekEchoCounters().identifier, static_cast<std::uint16_t>(before.identifier + 1));
    EXPECT_EQ(tk::PeekEchoCounters().sequence, static_cast<std::uint16_t>(before.sequence + 1));
}

// One request per host, the repeated one too, and every host answered. (That the wait ends as
// soon as all have answered is shown on a simulated clock by the native tests.)
TEST_P(WinProbe, BatchAllAnswer) {
    ChosenSystem system(GetParam().opener);
    const tk::EchoCounters before = tk::PeekEchoCounters();
    EXPECT_EQ(tk::IcmpProbe(system, system).ProbeAll(BatchHosts()), std::vector<bool>(21, true));
    EXPECT_EQ(tk::PeekEchoCounters().identifier,
              static_cast<std::uint16_t>(before.identifier + 21));
    EXPECT_EQ(tk::PeekEchoCounters().sequence, static_cast<std::uint16_t>(before.sequence + 21));
}

// A text that is no dotted address (though a resolver would find loopback for it) ends the
// probe before a request is built; the probe as the main window makes it reaches loopback.
TEST(WinProbeSystem, TextThatIsNoDottedAddressBuildsNothingDefaultProbeReachesLoopback) {
    const tk::EchoCounters before = tk::PeekEchoCounters();
    for (const char* text : {"localhost", "127.1", "0x7f.0.0.1"})
        EXPECT_FALSE(tk_test::ProbeOne(tk::IcmpProbe(), text)) << text;
    EXPECT_EQ(tk::PeekEchoCounters().identifier, before.identifier);
    EXPECT_EQ(tk::PeekEchoCounters().sequence, before.sequence);
    EXPECT_TRUE(tk_test::ProbeOne(tk::IcmpProbe(), "127.0.0.3"));
}

// The probe's clock moves by the millisecond, not in GetTickCount's steps of about 15.6 ms
// (16 ms under Wine): read in a tight loop, one of its first ten moves is a single
// millisecond. (Ten moves of 15 ms and more would take 150 ms of reading.)
TEST(WinProbeSystem, ClockMovesByTheMillisecond) {
    tk::TickClock ticks;
    std::vector<std::int64_t> moves;
    std::int64_t last = ticks.Milliseconds();
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (moves.size() < 10 && std::chrono::steady_clock::now() < giveUp) {
        const std::int64_t now = ticks.Milliseconds();
        if (now == last) continue;
        moves.push_back(now - last);
        last = now;
    }
    ASSERT_EQ(moves.size(), 10u);
    EXPECT_EQ(*std::min_element(moves.begin(), moves.end()), 1);
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
    EXPECT_TRUE(tk_test::ProbeOne(tk::IcmpProbe(system, system), "127.0.0.1"));
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

// How ScriptedSendEcho2 treats each request: not started (the call fails), completed at once,
// or completed only once the test's clock has passed the probe's wait; a completed request's
// reply record carries the status.
enum class Echo { kNotStarted, kCompletes, kCompletesAfterTheWait };
Echo g_echo = Echo::kCompletes;
ULONG g_echoStatus = IP_SUCCESS;
// Completions not yet handed to the thread as APCs.
std::deque<ForwardedApc> g_withheld;

class WinProbeHelper : public testing::Test {
protected:
    void SetUp() override {
        g_sendEchoCalls.clear();
        g_startRequests = true;
        g_completions = 0;
        g_forwarded.clear();
        g_withheld.clear();
        g_echo = Echo::kCompletes;
    }
    void TearDown() override { g_startRequests = true; }

    ChosenSystem system{[] { return tk::OpenUnprivilegedEchoSocketWith(RecordingSendEcho2); }};
};

// Every request is left in flight (IcmpSendEcho2 returns at once, ERROR_IO_PENDING) with the
// 37 data bytes and a 100 ms time-out, so the batch overlaps; and when the probe is done, every
// request has completed, even one whose answer the probe no longer needed.
TEST_F(WinProbeHelper, WholeBatchInFlightAndCompletedBeforeTheSocketGoes) {
    EXPECT_EQ(tk::IcmpProbe(system, system).ProbeAll(BatchHosts()), std::vector<bool>(21, true));
    EXPECT_EQ(g_sendEchoCalls, std::vector<SendEchoCall>(21, {0, ERROR_IO_PENDING, 37, 100}));
    EXPECT_EQ(g_completions, 21);
}

// A request that does not complete holds the socket back for a second; its reply buffer is
// then given up, so that a completion coming later still finds it.
TEST_F(WinProbeHelper, RequestThatNeverCompletesIsGivenUpAfterASecond) {
    g_startRequests = false;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(tk_test::ProbeOne(tk::IcmpProbe(system, system), "127.0.0.9"));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::seconds(1));
    ASSERT_EQ(g_forwarded.size(), 1u);
    IO_STATUS_BLOCK status{};
    g_forwarded.front().routine(g_forwarded.front().context, &status, 0);
}

// Runs a completion the way the system does, as an APC of the thread that started it.
void CALLBACK RunCompletion(ULONG_PTR data) {
    ++g_completions;
    const ForwardedApc& completion = *reinterpret_cast<const ForwardedApc*>(data);
    IO_STATUS_BLOCK status{};
    completion.routine(completion.context, &status, 0);
}

void QueueCompletion(const ForwardedApc& completion) {
    ::QueueUserAPC(RunCompletion, ::GetCurrentThread(), reinterpret_cast<ULONG_PTR>(&completion));
}

// Writes the reply record as the helper leaves it (the reply count in Reserved, which
// IcmpParseReplies reads and clears) and sends nothing.
DWORD WINAPI ScriptedSendEcho2(HANDLE, HANDLE, FARPROC routine, PVOID context, IPAddr address,
                               LPVOID, WORD size, PIP_OPTION_INFORMATION, LPVOID reply,
                               DWORD replySize, DWORD timeout) {
    const DWORD error = g_echo == Echo::kNotStarted ? ERROR_NOT_ENOUGH_MEMORY : ERROR_IO_PENDING;
    g_sendEchoCalls.emplace_back(0, error, size, timeout);
    if (g_echo != Echo::kNotStarted) {
        ICMP_ECHO_REPLY record{};
        record.Address = address;
        record.Status = g_echoStatus;
        record.Reserved = 1;
        if (replySize >= sizeof record) std::memcpy(reply, &record, sizeof record);
        const ForwardedApc completion{
            reinterpret_cast<PIO_APC_ROUTINE>(reinterpret_cast<void (*)()>(routine)), context};
        if (g_echo == Echo::kCompletes) {
            g_forwarded.push_back(completion);
            QueueCompletion(g_forwarded.back());
        } else {
            g_withheld.push_back(completion);
        }
    }
    ::SetLastError(error);
    return 0;
}

// A clock that moves stepMs at each reading; once it has moved past the probe's 100 ms, the
// withheld completions come.
class SteppingClock : public ChosenSystem {
public:
    SteppingClock()
        : ChosenSystem([] { return tk::OpenUnprivilegedEchoSocketWith(ScriptedSendEcho2); }) {}
    std::int64_t stepMs = 0;
    std::int64_t Milliseconds() override {
        const std::int64_t now = m_now;
        m_now += stepMs;
        if (now - kStart > 100) {
            for (; !g_withheld.empty(); g_withheld.pop_front()) {
                g_forwarded.push_back(g_withheld.front());
                QueueCompletion(g_forwarded.back());
            }
        }
        return now;
    }

private:
    static constexpr std::int64_t kStart = 0x7FFFFFF0;
    std::int64_t m_now = kStart;
};

bool g_waitedAlertably = false;
void CALLBACK NoteAlertableWait(ULONG_PTR) { g_waitedAlertably = true; }

// Only an echo reply answers: a reply record with an error status (the host or its network
// unreachable, the time to live run out on the way) does not. Every completion runs before the
// probe returns, also one that comes after the probe's wait (the socket waits for it,
// alertably). A request that did not start is not waited for: the probe never waits at all.
TEST_F(WinProbeHelper, OnlyEchoRepliesAnswerEveryCompletionRunsNothingWaitsForUnstarted) {
    const struct {
        const char* name;
        Echo echo;
        ULONG status;
        std::uint32_t stepMs;
        bool reachable;
        int completions;
        bool waitedAlertably;
    } cases[] = {
        {"echo reply", Echo::kCompletes, IP_SUCCESS, 0, true, 1, true},
        {"host unreachable", Echo::kCompletes, IP_DEST_HOST_UNREACHABLE, 0, false, 1, true},
        {"network unreachable", Echo::kCompletes, IP_DEST_NET_UNREACHABLE, 0, false, 1, true},
        {"time to live expired", Echo::kCompletes, IP_TTL_EXPIRED_TRANSIT, 0, false, 1, true},
        {"completed after the wait", Echo::kCompletesAfterTheWait, IP_SUCCESS, 101, false, 1, true},
        {"not started", Echo::kNotStarted, IP_SUCCESS, 0, false, 0, false},
    };
    for (const auto& c : cases) {
        SetUp();
        g_echo = c.echo;
        g_echoStatus = c.status;
        g_waitedAlertably = false;
        SteppingClock clock;
        clock.stepMs = c.stepMs;
        ::QueueUserAPC(NoteAlertableWait, ::GetCurrentThread(), 0);
        EXPECT_EQ(tk_test::ProbeOne(tk::IcmpProbe(clock, clock), "127.0.0.9"), c.reachable)
            << c.name;
        EXPECT_EQ(g_completions, c.completions) << c.name;
        EXPECT_EQ(g_waitedAlertably, c.waitedAlertably) << c.name;
        ::SleepEx(0, TRUE);  // whatever is still queued, before the next case
        EXPECT_EQ(g_sendEchoCalls.size(), 1u) << c.name;
    }
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
        EXPECT_FALSE(tk_test::ProbeOne(tk::IcmpProbe(system, system), "127.31.0.2")) << c.name;
        using testing::Field;
        EXPECT_THAT(system.seen, testing::Contains(testing::AllOf(
                                     Field(&tk::IcmpMessage::from, ::htonl(c.to)),
                                     Field(&tk::IcmpMessage::type, tk::kEchoReplyType),
                                     Field(&tk::IcmpMessage::sequence, sequence))))
            << c.name;
    }
}

// The probe's raw socket, whose reads between requests find nothing (RecordingSelect), so that
// everything is read in the wait; before its first request, another program's ping larger than
// the probe reads (2000 bytes of data) goes to 127.0.0.46 from a raw socket of its own.
class PingedFirst : public tk::IEchoSocket {
public:
    bool SetTimeouts(int milliseconds) override { return m_probe->SetTimeouts(milliseconds); }
    void Send(std::uint32_t address, const tk::EchoRequest& packet) override {
        if (m_other != INVALID_SOCKET) {
            std::vector<std::uint8_t> ping(8 + 2000, 0x5A);
            ping[0] = 8;  // echo request
            ping[1] = ping[2] = ping[3] = 0;
            const std::uint16_t sum = tk::InternetChecksum(ping.data(), ping.size());
            std::memcpy(&ping[2], &sum, sizeof sum);
            sockaddr_in to{};
            to.sin_family = AF_INET;
            to.sin_addr.s_addr = ::htonl(0x7F00002E);
            ::sendto(m_other, reinterpret_cast<const char*>(ping.data()),
                     static_cast<int>(ping.size()), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
            ::closesocket(m_other);
            m_other = INVALID_SOCKET;
        }
        m_probe->Send(address, packet);
    }
    bool Receive(int microseconds, tk::IcmpMessage& message) override {
        return m_probe->Receive(microseconds, message);
    }

private:
    std::unique_ptr<tk::IEchoSocket> m_probe = tk::OpenRawEchoSocketWith(RecordingSelect);
    SOCKET m_other = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
};

// The oversized ping and its answer reach the probe's socket ahead of the screens' answers:
// neither can be read whole, both are passed over, and the wait goes on for the screens.
TEST(WinProbeSystem, AnUnreadableDatagramDoesNotEndTheWait) {
    struct PingedSystem : ChosenSystem {
        PingedSystem() : ChosenSystem(tk::OpenRawEchoSocket) {}
        std::unique_ptr<tk::IEchoSocket> OpenSocket() override {
            return std::make_unique<PingedFirst>();
        }
    } system;
    EXPECT_EQ(tk::IcmpProbe(system).ProbeAll({::htonl(0x7F00002F), ::htonl(0x7F000030)}),
              (std::vector<bool>{true, true}));
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
    ASSERT_TRUE(tk_test::ProbeOne(tk::IcmpProbe(system, system), "127.0.0.2"));

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
