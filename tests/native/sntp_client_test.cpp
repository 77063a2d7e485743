// The SNTP client's name lookup against its deadline, through a stand-in name service and
// socket: no name service and no network.
#include "core/timecheck/sntp_client.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

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

}  // namespace
