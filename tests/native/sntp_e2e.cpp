// The SNTP client on real sockets: against chronyd (started by tests/chrony/with-chronyd, which
// names them in TK_CHRONY_SERVERS), a socket that never answers, a port where nothing listens,
// and a responder of our own for replies chronyd never sends. Loopback only.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/sync/clock_texts.h"
#include "core/timecheck/clock_check.h"
#include "core/timecheck/ntp_packet.h"
#include "core/timecheck/sntp_client.h"
#include "tests/common/chrony_servers.h"
#include "tests/native/private_network.h"

namespace {

constexpr std::int64_t kSecond = 1000000;

using tk_test::Chronyds;

tk::SntpOutcome Query(const std::string& server, int waitMs) {
    tk::SntpClient client(std::make_unique<tk::PreciseClock>());
    return client.Query(server, waitMs);
}

std::int64_t MillisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start)
        .count();
}

// A UDP socket bound to a loopback address, on a port the system picks.
class LoopbackSocket {
public:
    explicit LoopbackSocket(const char* address) : m_fd(::socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in self{};
        self.sin_family = AF_INET;
        ::inet_pton(AF_INET, address, &self.sin_addr);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&self), sizeof self);
        socklen_t size = sizeof self;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&self), &size);
        m_port = ntohs(self.sin_port);
        m_text = std::string(address) + ":" + std::to_string(m_port);
    }
    ~LoopbackSocket() { Close(); }
    void Close() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }
    int Fd() const { return m_fd; }
    const std::string& Text() const { return m_text; }

private:
    int m_fd;
    std::uint16_t m_port = 0;
    std::string m_text;
};

TEST(SntpAgainstChronyd, OffsetsWithTheirSign) {
    const std::map<long, std::string> servers = Chronyds();
    ASSERT_EQ(servers.size(), 3u) << "run through tests/chrony/with-chronyd as sntp.cmake does";
    for (const long shift : {3600L, -90L}) {
        const tk::SntpOutcome outcome = Query(servers.at(shift), tk::kClockCheckWaitMs);
        ASSERT_EQ(outcome.status, tk::ClockCheckStatus::kMeasured) << shift;
        EXPECT_NEAR(static_cast<double>(outcome.sample.offsetMicros), shift * 1e6, 50000.0)
            << shift;
        EXPECT_GE(outcome.sample.delayMicros, 0);
        EXPECT_LT(outcome.sample.delayMicros, 50000);
    }
}

// The whole check, as a pass runs it, against a server a day ahead: no screen is set.
TEST(SntpAgainstChronyd, ADayAheadIsNotSpread) {
    struct Fixed : tk::ITimeServerSource {
        std::string text;
        std::string Current() override { return text; }
    } server;
    server.text = Chronyds()[86400];
    ASSERT_FALSE(server.text.empty());
    tk::PreciseClock pc;
    tk::UptimeClock monotonic;
    tk::ClockCheck check({server,
                          std::make_shared<tk::SntpClient>(std::make_unique<tk::PreciseClock>()),
                          pc, monotonic});
    check.Begin();
    const tk::ClockReading reading = check.Await(true);
    ASSERT_EQ(reading.status, tk::ClockCheckStatus::kMeasured);
    const tk::ClockRules rules;
    EXPECT_EQ(tk::VerdictOf(reading, rules), tk::ClockVerdict::kOffsetTooLarge);
    // A day and a few milliseconds either way rounds to the day.
    EXPECT_EQ(tk::ClockRefusalText(reading, rules),
              "状态：电脑时间与" + server.text + "相差+86400秒，本次未校时！");
}

// A server that reads the request and never replies costs the whole wait; a port where nothing
// listens fails on the port-unreachable answer, long before it.
TEST(SntpSockets, SilenceWaitsAndAClosedPortFailsAtOnce) {
    LoopbackSocket silent("127.0.0.24");
    EXPECT_EQ(Query(silent.Text(), 300).status, tk::ClockCheckStatus::kNoAnswer);
    std::uint8_t request[64];
    EXPECT_EQ(::recv(silent.Fd(), request, sizeof request, MSG_DONTWAIT), 48);
    EXPECT_EQ(request[0], 0x23);

    LoopbackSocket closed("127.0.0.24");
    const std::string text = closed.Text();
    closed.Close();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Query(text, 20000).status, tk::ClockCheckStatus::kNoAnswer);
    EXPECT_LT(MillisecondsSince(start), 10000);
}

// Replies chronyd never sends, from a responder that reads the request and answers with the
// datagrams a case lays out (from its own address, or from another one).
TEST(SntpSockets, RepliesThatDoNotCount) {
    struct Datagram {
        bool fromElsewhere;
        std::function<void(std::uint8_t*)> change;  // on a good reply echoing the origin
    };
    auto good = [](std::uint8_t*) {};
    auto kiss = [](const char* code) {
        return [code](std::uint8_t* p) {
            p[0] = 0xE4;
            p[1] = 0;
            std::memcpy(p + 12, code, 4);
        };
    };
    const struct {
        const char* what;
        std::vector<Datagram> replies;
        tk::ClockCheckStatus status;
    } cases[] = {
        {"good", {{false, good}}, tk::ClockCheckStatus::kMeasured},
        {"another origin, then the right one",
         {{false, [](std::uint8_t* p) { p[31] ^= 1; }}, {false, good}},
         tk::ClockCheckStatus::kMeasured},
        {"mode 3, then the right one",
         {{false, [](std::uint8_t* p) { p[0] = 0x23; }}, {false, good}},
         tk::ClockCheckStatus::kMeasured},
        {"from another address", {{true, good}}, tk::ClockCheckStatus::kNoAnswer},
        {"leap 3",
         {{false, [](std::uint8_t* p) { p[0] |= 0xC0; }}},
         tk::ClockCheckStatus::kUnusable},
        {"DENY", {{false, kiss("DENY")}}, tk::ClockCheckStatus::kDenied},
        {"RSTR", {{false, kiss("RSTR")}}, tk::ClockCheckStatus::kDenied},
        {"RATE", {{false, kiss("RATE")}}, tk::ClockCheckStatus::kRateLimited},
    };
    for (const auto& c : cases) {
        LoopbackSocket responder("127.0.0.25");
        LoopbackSocket elsewhere("127.0.0.26");
        std::thread answer([&] {
            std::uint8_t request[64];
            sockaddr_in client{};
            socklen_t size = sizeof client;
            if (::recvfrom(responder.Fd(), request, sizeof request, 0,
                           reinterpret_cast<sockaddr*>(&client), &size) != 48) {
                return;
            }
            for (const Datagram& datagram : c.replies) {
                std::uint8_t reply[48] = {0x24, 3};  // version 4, mode 4, stratum 3
                std::memcpy(reply + 24, request + 40, 8);
                const std::uint64_t now = tk::NtpFromUnixMicros(tk::PreciseClock().NowMicros());
                for (int i = 0; i < 8; ++i) {
                    reply[32 + i] = reply[40 + i] = static_cast<std::uint8_t>(now >> (56 - 8 * i));
                }
                datagram.change(reply);
                ::sendto(datagram.fromElsewhere ? elsewhere.Fd() : responder.Fd(), reply,
                         sizeof reply, 0, reinterpret_cast<sockaddr*>(&client), size);
            }
        });
        const tk::SntpOutcome outcome = Query(responder.Text(), 300);
        answer.join();
        EXPECT_EQ(outcome.status, c.status) << c.what;
        if (outcome.status == tk::ClockCheckStatus::kMeasured) {
            EXPECT_LT(std::llabs(outcome.sample.offsetMicros), 50000) << c.what;
        }
    }
}

// In a network of its own, where no name service can be reached, a name is not found at once.
TEST(SntpSockets, ANameThatDoesNotResolve) {
    tk::test::PrivateNetwork network;
    ASSERT_TRUE(network.Made()) << "network namespaces need root";
    ASSERT_TRUE(network.BringLoopbackUp());
    EXPECT_EQ(Query("no-such-server.invalid", 1000).status, tk::ClockCheckStatus::kNotFound);
    EXPECT_EQ(Query("ntp.lan:99999", 1000).status, tk::ClockCheckStatus::kNotFound);
}

}  // namespace
