// The SNTP client's name lookup against its deadline, through a stand-in name service and
// socket: no name service and no network.
#include "core/timecheck/sntp_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/timecheck/ntp_packet.h"
#include "core/timecheck/sntp_socket.h"

namespace {

// A name service that answers (127.0.0.1) only once the test lets it, or after ten seconds;
// it reads the name it was given only then.
std::mutex g_mutex;
std::condition_variable g_changed;
bool g_released = false;
std::string g_asked;

bool SlowLookup(const std::string& host, std::uint32_t& address) {
    std::unique_lock<std::mutex> lock(g_mutex);
    g_changed.wait_for(lock, std::chrono::seconds(10), [] { return g_released; });
    g_asked = host;
    address = 0x0100007F;
    g_changed.notify_all();
    return true;
}

bool NoAddress(const std::string&, std::uint32_t&) { return false; }

bool Loopback5(const std::string&, std::uint32_t& address) {
    address = 0x0500007F;
    return true;
}

// Records where a socket was opened; its receive fails at once (the port unreachable).
std::vector<std::string> g_opened;
struct FailingSocket : tk::ISntpSocket {
    bool Send(const std::uint8_t*, std::size_t) override { return true; }
    int Receive(std::uint8_t*, std::size_t, int, std::uint32_t&, std::uint16_t&) override {
        return -1;
    }
};
std::unique_ptr<tk::ISntpSocket> OpenFailing(std::uint32_t address, std::uint16_t port) {
    g_opened.push_back(std::to_string(address >> 24) + ":" + std::to_string(port));
    return std::make_unique<FailingSocket>();
}

// A lookup still running when the query's time is up is "not found"; it is left to end on its
// own, and still has its name when the query and its client are long gone.
TEST(SntpLookup, ALookupPastTheDeadlineIsNotFound) {
    const std::string slowName = "a-time-server-whose-name-service-is-slow.example";
    const struct {
        tk::HostResolver resolve;
        std::string server;
        int timeoutMs;  // ample where the lookup answers at once, however loaded the machine
        tk::ClockCheckStatus status;
        std::vector<std::string> opened;
    } cases[] = {
        {SlowLookup, slowName, 50, tk::ClockCheckStatus::kNotFound, {}},
        {NoAddress, "ntp.example", 5000, tk::ClockCheckStatus::kNotFound, {}},
        {Loopback5, "ntp.example:1123", 5000, tk::ClockCheckStatus::kNoAnswer, {"5:1123"}},
    };
    for (const auto& c : cases) {
        g_opened.clear();
        EXPECT_EQ(tk::SntpClient(std::make_unique<tk::PreciseClock>(), OpenFailing, c.resolve)
                      .Query(c.server, c.timeoutMs)
                      .status,
                  c.status)
            << c.server;
        EXPECT_EQ(g_opened, c.opened) << c.server;
    }
    std::unique_lock<std::mutex> lock(g_mutex);
    g_released = true;
    g_changed.notify_all();
    g_changed.wait_for(lock, std::chrono::seconds(10), [] { return !g_asked.empty(); });
    EXPECT_EQ(g_asked, slowName);
}

// A server at 127.0.0.5:1123 an hour ahead, which answers the request it got.
struct AnsweringSocket : tk::ISntpSocket {
    static constexpr std::int64_t kServerMicros = std::int64_t{1796727600} * 1000000;
    std::uint8_t transmit[8] = {};
    bool Send(const std::uint8_t* data, std::size_t) override {
        std::memcpy(transmit, data + 40, sizeof transmit);
        return true;
    }
    int Receive(std::uint8_t* data, std::size_t, int, std::uint32_t& from,
                std::uint16_t& fromPort) override {
        std::memset(data, 0, tk::kNtpPacketSize);
        data[0] = (4 << 3) | 4;
        data[1] = 2;
        std::memcpy(data + 24, transmit, sizeof transmit);
        const std::uint64_t server = tk::NtpFromUnixMicros(kServerMicros);
        for (int i = 0; i < 8; ++i) {
            data[32 + i] = data[40 + i] = static_cast<std::uint8_t>(server >> (56 - 8 * i));
        }
        from = 0x0500007F;
        fromPort = 1123;
        return static_cast<int>(tk::kNtpPacketSize);
    }
};

// The PC's clock an hour behind the server, 8 ms on the way; the uptime clock where the test
// puts it.
struct SteppingClock : tk::IPreciseClock {
    std::int64_t micros = AnsweringSocket::kServerMicros - std::int64_t{3600} * 1000000;
    std::int64_t NowMicros() override {
        const std::int64_t now = micros;
        micros += 8000;
        return now;
    }
};
struct StillUptime : tk::IMonotonicClock {
    std::int64_t Milliseconds() override { return 7777; }
};

// The client's answer is the sample as it goes to the record: the server asked, the reply's
// arrival on the PC's and the uptime clock, offset and delay.
TEST(SntpSample, TheClientStampsItsAnswer) {
    tk::SntpClient client(
        std::make_unique<SteppingClock>(),
        [](std::uint32_t, std::uint16_t) -> std::unique_ptr<tk::ISntpSocket> {
            return std::make_unique<AnsweringSocket>();
        },
        Loopback5, std::make_unique<StillUptime>());
    const tk::SntpOutcome outcome = client.Query("ntp.example:1123", 5000);
    ASSERT_EQ(outcome.status, tk::ClockCheckStatus::kMeasured);
    EXPECT_EQ(outcome.sample.server, "ntp.example:1123");
    EXPECT_EQ(outcome.sample.uptimeMs, 7777);
    EXPECT_EQ(outcome.sample.pcMicros, AnsweringSocket::kServerMicros - 3600000000 + 8000);
    EXPECT_EQ(outcome.sample.offsetMicros, 3600000000 - 4000);
    EXPECT_EQ(outcome.sample.delayMicros, 8000);
}

}  // namespace
