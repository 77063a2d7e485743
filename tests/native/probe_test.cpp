#include "core/probe/probe.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/probe/probe_socket.h"
#include "core/sync/pass.h"
#include "tests/common/fakes.h"
#include "tests/common/probe_one.h"
#include "tests/native/private_network.h"

namespace {

using tk::test::PrivateNetwork;

// A system whose socket and tick count only write down what they are asked.
class ScriptedSystem : public tk::IProbeSystem, public tk::IMonotonicClock {
public:
    bool opens = true;
    bool timeoutsAccepted = true;
    bool readable = true;
    std::vector<std::string> log;
    tk::EchoRequest sent{};

    std::unique_ptr<tk::IEchoSocket> OpenSocket() override {
        log.push_back("open");
        if (!opens) return nullptr;
        return std::make_unique<Socket>(*this);
    }
    std::int64_t Milliseconds() override { return 0x01020304; }

private:
    class Socket : public tk::IEchoSocket {
    public:
        explicit Socket(ScriptedSystem& system) : m_system(system) {}
        ~Socket() override { m_system.log.push_back("close"); }
        bool SetTimeouts(int milliseconds) override {
            m_system.log.push_back("timeouts " + std::to_string(milliseconds));
            return m_system.timeoutsAccepted;
        }
        void Send(std::uint32_t address, const tk::EchoRequest& packet) override {
            char text[INET_ADDRSTRLEN];
            m_system.log.push_back(std::string("send ") +
                                   inet_ntop(AF_INET, &address, text, sizeof text));
            m_system.sent = packet;
            m_to = address;
        }
        // The host's echo reply, once, when it answers.
        bool Receive(int microseconds, tk::IcmpMessage& message) override {
            m_system.log.push_back("receive " + std::to_string(microseconds));
            if (!m_system.readable || m_answered) return false;
            m_answered = true;
            message.from = m_to;
            message.type = tk::kEchoReplyType;
            std::memcpy(&message.sequence, m_system.sent.data() + 6, sizeof message.sequence);
            return true;
        }

    private:
        ScriptedSystem& m_system;
        std::uint32_t m_to = 0;
        bool m_answered = false;
    };
};

// Each step's failure ends the probe with false, later steps untouched and the socket closed;
// counters advance only when a request is built, and then by exactly one. A text that is no
// dotted address asks nothing of the system.
TEST(ProbeSteps, StopAtTheFirstFailure) {
    const std::vector<std::string> answered = {"open", "timeouts 30", "send 127.0.0.9", "receive 0",
                                               "close"};
    const std::vector<std::string> waited = {"open",      "timeouts 30",    "send 127.0.0.9",
                                             "receive 0", "receive 100000", "close"};
    const struct {
        const char* name;
        const char* host;
        bool opens, timeoutsAccepted, readable;
        bool result;
        std::vector<std::string> log;
    } cases[] = {
        {"no address", "screen-7", true, true, true, false, {}},
        {"no socket", "127.0.0.9", false, true, true, false, {"open"}},
        {"timeouts refused",
         "127.0.0.9",
         true,
         false,
         true,
         false,
         {"open", "timeouts 30", "close"}},
        {"nothing in time", "127.0.0.9", true, true, false, false, waited},
        {"answered", "127.0.0.9", true, true, true, true, answered},
    };
    for (const auto& c : cases) {
        ScriptedSystem system;
        system.opens = c.opens;
        system.timeoutsAccepted = c.timeoutsAccepted;
        system.readable = c.readable;
        const tk::EchoCounters before = tk::PeekEchoCounters();
        EXPECT_EQ(tk_test::ProbeOne(tk::IcmpProbe(system, system), c.host), c.result) << c.name;
        EXPECT_EQ(system.log, c.log) << c.name;
        const int sent = c.log.size() > 3 ? 1 : 0;  // a request went out
        const tk::EchoCounters after = tk::PeekEchoCounters();
        EXPECT_EQ(after.identifier, static_cast<std::uint16_t>(before.identifier + sent)) << c.name;
        EXPECT_EQ(after.sequence, static_cast<std::uint16_t>(before.sequence + sent)) << c.name;
        if (sent) {
            EXPECT_EQ(system.sent, tk::FormatEchoRequest(before, 0x01020304)) << c.name;
        }
    }
}

// The real system with only the socket replaced, so sockets come from a chosen opener.
class SystemWithSocket : public tk::IProbeSystem {
public:
    using Opener = std::unique_ptr<tk::IEchoSocket> (*)();
    explicit SystemWithSocket(Opener opener) : m_opener(opener) {}
    std::unique_ptr<tk::IEchoSocket> OpenSocket() override { return m_opener(); }

private:
    Opener m_opener;
};

// Milliseconds since start.
double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

TEST(RealProbe, LoopbackAnswersWithOneRequestWithinTheWait) {
    const tk::EchoCounters before = tk::PeekEchoCounters();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(tk_test::ProbeOne(tk::IcmpProbe(), "127.0.0.1"));
    EXPECT_LT(MsSince(start), 95.0) << "the answer ends the wait";
    EXPECT_EQ(tk::PeekEchoCounters().identifier, static_cast<std::uint16_t>(before.identifier + 1));
    EXPECT_EQ(tk::PeekEchoCounters().sequence, static_cast<std::uint16_t>(before.sequence + 1));
}

// What goes out on the raw socket is the 45-byte request with this run's counters.
TEST(RealProbe, RequestOnTheWire) {
    const int listener = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    ASSERT_GE(listener, 0) << "raw ICMP sockets need root";
    const tk::EchoCounters counters = tk::PeekEchoCounters();
    SystemWithSocket rawOnly(tk::OpenRawEchoSocket);
    ASSERT_TRUE(tk_test::ProbeOne(tk::IcmpProbe(rawOnly), "127.0.0.2"));

    bool found = false;
    unsigned char datagram[1500];
    pollfd entry{listener, POLLIN, 0};
    while (!found && ::poll(&entry, 1, 1000) == 1) {
        const ssize_t size = ::recv(listener, datagram, sizeof datagram, 0);
        if (size < 20) break;
        const std::size_t header = (datagram[0] & 0x0F) * 4u;
        if (static_cast<std::size_t>(size) != header + tk::kEchoRequestSize) continue;
        const unsigned char* icmp = datagram + header;
        std::uint16_t identifier;
        std::memcpy(&identifier, icmp + 4, sizeof identifier);
        if (icmp[0] != 8 || identifier != counters.identifier) continue;
        found = true;
        tk::EchoRequest packet;
        std::memcpy(packet.data(), icmp, packet.size());
        std::uint32_t tick;
        std::memcpy(&tick, icmp + 9, sizeof tick);
        EXPECT_EQ(packet, tk::FormatEchoRequest(counters, tick));
    }
    ::close(listener);
    EXPECT_TRUE(found);
}

// Takes root's rights away from the process (effective user "nobody") until destroyed.
class WithoutRights {
public:
    WithoutRights() : m_dropped(::seteuid(65534) == 0) {}
    ~WithoutRights() {
        if (m_dropped) (void)::seteuid(0);
    }
    bool Dropped() const { return m_dropped; }

private:
    bool m_dropped;
};

// Loopback down: the request goes nowhere, nothing arrives, the wait runs out.
TEST(RealProbe, SilentHostFailsAfterTheWait) {
    for (const auto opener : {tk::OpenRawEchoSocket, tk::OpenUnprivilegedEchoSocket}) {
        PrivateNetwork network;
        ASSERT_TRUE(network.Made()) << "network namespaces need root";
        ASSERT_TRUE(network.OpenPingGroups());
        SystemWithSocket system(opener);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(tk_test::ProbeOne(tk::IcmpProbe(system), "127.0.0.1"));
        EXPECT_GE(MsSince(start), 95.0);
        EXPECT_LT(MsSince(start), 1000.0);
    }
}

// Without the right to raw sockets the probe falls back to a ping socket; where those are
// closed to the user as well, every probe fails.
TEST(RealProbe, WithoutRightsFallsBackToPingSockets) {
    for (const bool groupsOpen : {true, false}) {
        PrivateNetwork network;
        ASSERT_TRUE(network.Made()) << "network namespaces need root";
        ASSERT_TRUE(network.BringLoopbackUp());
        if (groupsOpen) {
            ASSERT_TRUE(network.OpenPingGroups());
        }
        const WithoutRights user;
        ASSERT_TRUE(user.Dropped());
        EXPECT_EQ(tk::OpenRawEchoSocket(), nullptr);
        EXPECT_EQ(tk_test::ProbeOne(tk::IcmpProbe(), "127.0.0.1"), groupsOpen) << groupsOpen;
    }
}

// A raw socket beside the probe's that, whenever the probe sends to a blackholed address, sends
// the same request to 127.0.0.5: the echo reply from there, with the probe's own sequence
// number, reaches the probe's raw socket as another program's ping reply would.
class ForeignReplies : public tk::IProbeSystem {
public:
    explicit ForeignReplies(SystemWithSocket& system)
        : m_system(system), m_other(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP)) {}
    ~ForeignReplies() override { ::close(m_other); }

    std::unique_ptr<tk::IEchoSocket> OpenSocket() override {
        auto socket = m_system.OpenSocket();
        return socket ? std::make_unique<Socket>(std::move(socket), m_other) : nullptr;
    }

private:
    class Socket : public tk::IEchoSocket {
    public:
        Socket(std::unique_ptr<tk::IEchoSocket> socket, int other)
            : m_socket(std::move(socket)), m_other(other) {}
        bool SetTimeouts(int milliseconds) override { return m_socket->SetTimeouts(milliseconds); }
        void Send(std::uint32_t address, const tk::EchoRequest& packet) override {
            m_socket->Send(address, packet);
            if ((ntohl(address) >> 8) == 0x0A0909)
                tk::SendEchoRequest(m_other, htonl(0x7F000005), packet);
        }
        bool Receive(int microseconds, tk::IcmpMessage& message) override {
            return m_socket->Receive(microseconds, message);
        }

    private:
        std::unique_ptr<tk::IEchoSocket> m_socket;
        int m_other;
    };

    SystemWithSocket& m_system;
    int m_other;
};

// Screens on addresses that answer (loopback) and on blackholed ones (10.9.9.0/24), one of them
// twice: a pass decides each screen as probing it alone does, on both kinds of socket, and with
// another program's echo replies arriving meanwhile.
TEST(RealProbe, PassDecidesEveryScreenAsProbingItAloneDoes) {
    PrivateNetwork network;
    ASSERT_TRUE(network.Made()) << "network namespaces need root";
    ASSERT_TRUE(network.BringLoopbackUp());
    ASSERT_TRUE(network.OpenPingGroups());
    ASSERT_EQ(std::system("ip route add blackhole 10.9.9.0/24"), 0);
    const std::vector<const char*> hosts = {"127.0.1.1", "10.9.9.1", "127.0.1.2", "127.0.1.3",
                                            "10.9.9.2",  "10.9.9.1", "127.0.1.4", "127.0.1.2",
                                            "10.9.9.3",  "127.0.1.5"};
    const std::vector<int> answering = {1, 3, 4, 7, 8, 10};
    tk::ScreenRoster roster;
    roster.count = static_cast<std::int32_t>(hosts.size());
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        roster.entries[i].network = 1;
        tk::SetAddress(roster.entries[i], hosts[i]);
    }
    for (const auto opener : {tk::OpenRawEchoSocket, tk::OpenUnprivilegedEchoSocket}) {
        SystemWithSocket system(opener);
        std::vector<int> alone;
        for (std::size_t i = 0; i < hosts.size(); ++i) {
            if (tk_test::ProbeOne(tk::IcmpProbe(system), hosts[i]))
                alone.push_back(static_cast<int>(i + 1));
        }
        EXPECT_EQ(alone, answering);

        ForeignReplies foreign(system);
        tk::IcmpProbe probe(foreign);
        tk_test::FakeControllerLibrary library;
        tk_test::RecordingStatusView status;
        tk_test::RecordingPump pump;
        tk_test::FixedClock clock{12, 34, 56};
        tk::SyncState state;
        tk::TickClock ticks;
        tk::RunPass(roster, state, {library, probe, status, pump, clock, ticks});
        EXPECT_EQ(library.adjusted, answering);
    }
}

// Texts that a resolver (or inet_aton) would turn into a loopback address are no dotted
// addresses: no request is built and nothing reaches this namespace's loopback.
TEST(RealProbe, TextThatIsNoDottedAddressSendsNothing) {
    PrivateNetwork network;
    ASSERT_TRUE(network.Made()) << "network namespaces need root";
    ASSERT_TRUE(network.BringLoopbackUp());
    const int listener = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    ASSERT_GE(listener, 0);
    const tk::EchoCounters before = tk::PeekEchoCounters();
    for (const char* text : {"localhost", "127.1", "0x7f.0.0.1", "0177.0.0.1", " 127.0.0.1"})
        EXPECT_FALSE(tk_test::ProbeOne(tk::IcmpProbe(), text)) << text;
    EXPECT_EQ(tk::PeekEchoCounters().identifier, before.identifier);
    EXPECT_EQ(tk::PeekEchoCounters().sequence, before.sequence);
    pollfd entry{listener, POLLIN, 0};
    EXPECT_EQ(::poll(&entry, 1, 0), 0) << "nothing reached this namespace's loopback";
    ::close(listener);
}

}  // namespace
