// The clock check without a network: the reply's checks, the server's choice, the reuse of an
// answer, the kisses, the bounds and the texts, with a scripted client and clocks.
#include "core/timecheck/clock_check.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/sync/clock_rules.h"
#include "core/sync/clock_texts.h"
#include "core/timecheck/ntp_packet.h"
#include "core/timecheck/sntp_client.h"
#include "core/timecheck/sntp_socket.h"
#include "core/timecheck/time_server.h"

namespace {

constexpr std::int64_t kSecond = 1000000;

// ---- The reply's checks

// 2026-12-08 10:00:00 UTC.
constexpr std::int64_t kT1 = std::int64_t{1796724000} * kSecond;

struct ReplyFields {
    std::uint8_t first = (0 << 6) | (4 << 3) | 4;  // leap 0, version 4, mode 4
    std::uint8_t stratum = 2;
    const char* reference = "GPS\0";
    std::uint64_t origin = 0;  // 0: the request's transmit time
    std::int64_t receive = kT1 + 3600 * kSecond + 10;
    std::int64_t transmit = kT1 + 3600 * kSecond + 20;
    bool zeroReceive = false;
    bool zeroTransmit = false;
    std::size_t size = tk::kNtpPacketSize;
};

std::vector<std::uint8_t> Reply(const ReplyFields& f, std::uint64_t requestTransmit) {
    std::vector<std::uint8_t> packet(tk::kNtpPacketSize + 4, 0);
    auto put = [&](std::size_t at, std::uint64_t value) {
        for (int i = 7; i >= 0; --i, value >>= 8) packet[at + i] = static_cast<std::uint8_t>(value);
    };
    packet[0] = f.first;
    packet[1] = f.stratum;
    std::memcpy(&packet[12], f.reference, 4);
    put(24, f.origin != 0 ? f.origin : requestTransmit);
    put(32, f.zeroReceive ? 0 : tk::NtpFromUnixMicros(f.receive));
    put(40, f.zeroTransmit ? 0 : tk::NtpFromUnixMicros(f.transmit));
    packet.resize(f.size);
    return packet;
}

TEST(SntpReply, ChecksOfAClient) {
    const std::uint64_t sent = tk::NtpFromUnixMicros(kT1) | 0x123;
    auto with = [](auto change) {
        ReplyFields f;
        change(f);
        return f;
    };
    struct Case {
        const char* name;
        ReplyFields fields;
        tk::SntpReplyKind kind;
    };
    const Case cases[] = {
        {"a server's answer", {}, tk::SntpReplyKind::kAnswer},
        {"short", with([](ReplyFields& f) { f.size = 47; }), tk::SntpReplyKind::kBogus},
        {"mode 3", with([](ReplyFields& f) { f.first = (4 << 3) | 3; }), tk::SntpReplyKind::kBogus},
        {"another origin", with([&](ReplyFields& f) { f.origin = sent + 1; }),
         tk::SntpReplyKind::kBogus},
        {"leap 3", with([](ReplyFields& f) { f.first = (3 << 6) | (4 << 3) | 4; }),
         tk::SntpReplyKind::kUnusable},
        {"stratum 16", with([](ReplyFields& f) { f.stratum = 16; }), tk::SntpReplyKind::kUnusable},
        {"stratum 15", with([](ReplyFields& f) { f.stratum = 15; }), tk::SntpReplyKind::kAnswer},
        {"no transmit time", with([](ReplyFields& f) { f.zeroTransmit = true; }),
         tk::SntpReplyKind::kUnusable},
        {"no receive time", with([](ReplyFields& f) { f.zeroReceive = true; }),
         tk::SntpReplyKind::kUnusable},
        {"version 0", with([](ReplyFields& f) { f.first = (0 << 3) | 4; }),
         tk::SntpReplyKind::kUnusable},
        {"version 3", with([](ReplyFields& f) { f.first = (3 << 3) | 4; }),
         tk::SntpReplyKind::kAnswer},
        {"version 0 to another request",
         with([&](ReplyFields& f) { f.first = (0 << 3) | 4, f.origin = sent + 1; }),
         tk::SntpReplyKind::kBogus},
        // Kisses come with leap 3, as RFC 5905 sends them.
        {"DENY", with([](ReplyFields& f) { f.first = 0xE4, f.stratum = 0, f.reference = "DENY"; }),
         tk::SntpReplyKind::kDenied},
        {"RSTR", with([](ReplyFields& f) { f.first = 0xE4, f.stratum = 0, f.reference = "RSTR"; }),
         tk::SntpReplyKind::kDenied},
        {"RATE", with([](ReplyFields& f) { f.first = 0xE4, f.stratum = 0, f.reference = "RATE"; }),
         tk::SntpReplyKind::kRateLimited},
        {"other kiss", with([](ReplyFields& f) { f.stratum = 0, f.reference = "INIT"; }),
         tk::SntpReplyKind::kUnusable},
        {"kiss to another request",
         with([&](ReplyFields& f) { f.stratum = 0, f.reference = "DENY", f.origin = sent ^ 4; }),
         tk::SntpReplyKind::kBogus},
    };
    for (const Case& c : cases) {
        const std::vector<std::uint8_t> packet = Reply(c.fields, sent);
        const tk::SntpReply reply = tk::ReadSntpReply(packet.data(), packet.size(), sent);
        EXPECT_EQ(reply.kind, c.kind) << c.name;
        if (reply.kind == tk::SntpReplyKind::kAnswer) {
            EXPECT_EQ(reply.receiveMicros, kT1 + 3600 * kSecond + 10) << c.name;
            EXPECT_EQ(reply.transmitMicros, kT1 + 3600 * kSecond + 20) << c.name;
        }
    }
}

TEST(SntpReply, RequestTimestampsAndOffset) {
    const tk::NtpPacket request = tk::SntpRequest(0x0102030405060708);
    EXPECT_EQ(request[0], 0x23);  // leap 0, version 4, mode 3
    EXPECT_EQ(request[40], 0x01);
    EXPECT_EQ(request[47], 0x08);
    EXPECT_EQ(request[1] + request[24] + request[32], 0);

    // 1970 is second 2208988800 of NTP's era 0; 2036-02-07 06:28:16 begins era 1.
    EXPECT_EQ(tk::NtpFromUnixMicros(0), std::uint64_t{2208988800} << 32);
    EXPECT_EQ(tk::UnixMicrosFromNtp(std::uint64_t{2208988800} << 32), 0);
    EXPECT_EQ(tk::UnixMicrosFromNtp(std::uint64_t{1} << 32), std::int64_t{2085978497} * kSecond);
    EXPECT_EQ(tk::UnixMicrosFromNtp(tk::NtpFromUnixMicros(kT1 + 123457)), kT1 + 123457);

    // Server 3600 s ahead, 4 ms each way, 2 ms at the server.
    const tk::ClockSample ahead =
        tk::SampleOf(kT1, kT1 + 3600 * kSecond + 4000, kT1 + 3600 * kSecond + 6000, kT1 + 10000);
    EXPECT_EQ(ahead.offsetMicros, 3600 * kSecond);
    EXPECT_EQ(ahead.delayMicros, 8000);
    const tk::ClockSample behind =
        tk::SampleOf(kT1, kT1 - 90 * kSecond + 1000, kT1 - 90 * kSecond + 1000, kT1 + 2000);
    EXPECT_EQ(behind.offsetMicros, -90 * kSecond);
}

// A socket whose receives are scripted: each call takes the next result; bytes > 0 are a
// good reply to the request sent, but from another address, which the client passes over.
struct ScriptedSocket : tk::ISntpSocket {
    static inline std::vector<int> results;
    static inline int receives = 0;
    static inline std::uint8_t request[48];
    bool Send(const std::uint8_t* data, std::size_t) override {
        std::memcpy(request, data, sizeof request);
        return true;
    }
    int Receive(std::uint8_t* data, std::size_t, int, std::uint32_t& from,
                std::uint16_t& fromPort) override {
        const int result = results.at(static_cast<std::size_t>(receives++));
        ReplyFields fields;
        fields.receive = fields.transmit = kT1;
        const std::vector<std::uint8_t> reply = Reply(fields, 0);
        std::memcpy(data, reply.data(), 48);
        std::memcpy(data + 24, request + 40, 8);
        from = 0x0200007F;  // 127.0.0.2, not the server
        fromPort = 123;
        return result;
    }
    static std::unique_ptr<tk::ISntpSocket> Open(std::uint32_t, std::uint16_t) {
        return std::make_unique<ScriptedSocket>();
    }
};

struct StillClock : tk::IPreciseClock {
    std::int64_t NowMicros() override { return kT1; }
};

// A failed receive (the port unreachable) ends the query at once: one receive, not the rest of
// the wait and not a loop; foreign datagrams are passed over until the wait ends.
TEST(SntpReply, AFailedReceiveEndsTheQuery) {
    const struct {
        std::vector<int> results;
        int receives;
    } cases[] = {{{-1, 48, 48}, 1}, {{48, 48, -1, 48}, 3}};
    for (const auto& c : cases) {
        ScriptedSocket::results = c.results;
        ScriptedSocket::receives = 0;
        tk::SntpClient client(std::make_unique<StillClock>(), &ScriptedSocket::Open);
        EXPECT_EQ(client.Query("127.0.0.1", 60000).status, tk::ClockCheckStatus::kNoAnswer);
        EXPECT_EQ(ScriptedSocket::receives, c.receives);
    }
}

// ---- Which server

TEST(TimeServerChoice, KeyThenPolicyThenService) {
    struct Case {
        const char* key;
        const char* policy;
        const char* service;
        const char* chosen;
        const char* host;
        int port;  // 0: not a server text
    };
    const Case cases[] = {
        {"ntp.lan:1123", "policy.example", "time.windows.com,0x9", "ntp.lan:1123", "ntp.lan", 1123},
        {" 10.0.0.5 ", "", "", "10.0.0.5", "10.0.0.5", 123},
        {"", "policy.example,0x1 second.example", "time.windows.com,0x9", "policy.example",
         "policy.example", 123},
        {"", "", "time.windows.com,0x9 pool.example,0x8", "time.windows.com", "time.windows.com",
         123},
        {"", "  ", "  time.nist.gov", "time.nist.gov", "time.nist.gov", 123},
        {"none", "policy.example", "time.windows.com", "", "", 0},
        {"NONE", "", "time.windows.com", "", "", 0},
        {"", "", "", "", "", 0},
        {"ntp.lan:0", "", "", "ntp.lan:0", "ntp.lan", 0},
        {"ntp.lan:65536", "", "", "ntp.lan:65536", "ntp.lan", 0},
        {"ntp.lan:12x", "", "", "ntp.lan:12x", "ntp.lan", 0},
        {":123", "", "", ":123", "", 0},
    };
    for (const Case& c : cases) {
        const std::string chosen = tk::ChooseTimeServer(c.key, {c.policy, c.service});
        EXPECT_EQ(chosen, c.chosen) << c.key << "|" << c.policy << "|" << c.service;
        if (chosen.empty()) continue;
        std::string host;
        std::uint16_t port = 0;
        EXPECT_EQ(tk::SplitServerText(chosen, host, port), c.port != 0) << chosen;
        if (c.port != 0) {
            EXPECT_EQ(host, c.host);
            EXPECT_EQ(port, c.port);
        }
    }
}

// ---- The check over passes

// A query's answers as scripted; a silent one blocks until the test ends it, or until
// silentForMs of real time have passed.
class ScriptedClient : public tk::ISntpClient {
public:
    tk::SntpOutcome Query(const std::string& server, int timeoutMs) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        servers.push_back(server);
        lastTimeout = timeoutMs;
        m_queried.notify_all();
        if (silent) {
            m_released.wait_for(lock, std::chrono::milliseconds(silentForMs),
                                [this] { return m_release; });
        }
        tk::SntpOutcome outcome = next;
        outcome.sample.server = server;
        return outcome;
    }
    std::vector<std::string> Servers() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return servers;
    }
    // Waits until n queries have begun on their workers (at most 10 s).
    void AwaitQueries(std::size_t n) {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_queried.wait_for(lock, std::chrono::seconds(10), [&] { return servers.size() >= n; });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_release = true;
        m_released.notify_all();
    }

    tk::SntpOutcome next;
    bool silent = false;
    int silentForMs = 24 * 3600 * 1000;
    int lastTimeout = 0;

private:
    std::vector<std::string> servers;
    std::mutex m_mutex;
    std::condition_variable m_released;
    std::condition_variable m_queried;
    bool m_release = false;
};

// The monotonic clock, the PC's clock to the microsecond and to the second, moved by the test.
struct ManualTime : tk::IMonotonicClock, tk::IPreciseClock, tk::IClock {
    std::int64_t monotonicMs = 5000000;
    std::int64_t pcMicros = kT1;
    std::int64_t Milliseconds() override { return monotonicMs; }
    std::int64_t NowMicros() override { return pcMicros; }
    int64_t Now() override { return pcMicros / kSecond; }
    bool ToLocalTime(int64_t, std::tm&) override { return false; }
    void Advance(std::int64_t ms) {
        monotonicMs += ms;
        pcMicros += ms * 1000;
    }
};

struct ServerText : tk::ITimeServerSource {
    std::string text = "time.lan";
    int reads = 0;
    std::string Current() override {
        ++reads;
        return text;
    }
};

// Queries run when the test says: at once (inline), or held until RunAll.
struct HeldWorkers : tk::IWorkerStarter {
    bool inline_ = false;
    std::vector<std::function<void()>> held;
    bool Start(std::function<void()> work) override {
        if (inline_) {
            work();
        } else {
            held.push_back(std::move(work));
        }
        return true;
    }
    void RunAll() {
        std::vector<std::function<void()>> works;
        works.swap(held);
        for (auto& work : works) work();
    }
};

tk::SntpOutcome Failed(tk::ClockCheckStatus status) { return {status, {}}; }

class ClockCheckTest : public ::testing::Test {
protected:
    ~ClockCheckTest() override { client->Release(); }

    // A manual pass's reading: Begin, then Await, as the pass calls them.
    tk::ClockReading Pass() {
        check.Begin();
        return check.Await(true);
    }
    // An answer, stamped now as the client stamps it when it arrives.
    tk::SntpOutcome Measured(std::int64_t offset) {
        return {tk::ClockCheckStatus::kMeasured,
                {"", time.monotonicMs, time.pcMicros, offset, 2000}};
    }

    std::shared_ptr<ScriptedClient> client = std::make_shared<ScriptedClient>();
    ManualTime time;
    ServerText server;
    tk::ClockRules rules;
    tk::ClockCheck check{{server, client, time, time, 200}};
};

TEST_F(ClockCheckTest, OneQueryPer64SecondsAndTheAnswerAgedMeanwhile) {
    client->next = Measured(-412000);
    tk::ClockReading first = Pass();
    EXPECT_EQ(client->Servers().size(), 1u);
    EXPECT_EQ(client->lastTimeout, 200);
    EXPECT_EQ(tk::ClockCheckLine(first), "电脑时间与time.lan相差-0.412秒");

    time.Advance(63999);
    client->next = Measured(5 * kSecond);
    const tk::ClockReading reused = Pass();
    EXPECT_EQ(client->Servers().size(), 1u);
    EXPECT_EQ(tk::ClockCheckLine(reused), "电脑时间与time.lan相差-0.412秒（63秒前测得）");
    EXPECT_EQ(check.Await(true).measurement->offsetMicros,
              reused.measurement->offsetMicros);  // the same until the next Begin

    time.Advance(1);
    EXPECT_EQ(tk::ClockCheckLine(Pass()), "电脑时间与time.lan相差+5.000秒");
    EXPECT_EQ(client->Servers(), (std::vector<std::string>{"time.lan", "time.lan"}));
}

TEST_F(ClockCheckTest, AReusedOffsetFollowsAStepOfThePcClock) {
    client->next = Measured(86400 * kSecond);
    EXPECT_EQ(tk::VerdictOf(Pass(), rules), tk::ClockVerdict::kOffsetTooLarge);
    // The operator sets the PC's clock a day ahead; the next pass within 64 s spreads it.
    time.Advance(10000);
    time.pcMicros += 86400 * kSecond;
    const tk::ClockReading after = Pass();
    EXPECT_EQ(client->Servers().size(), 1u);
    EXPECT_EQ(after.measurement->offsetMicros, 0);
    EXPECT_EQ(tk::VerdictOf(after, rules), tk::ClockVerdict::kSpread);
}

// The wait is counted from the query's start: a pass whose probes took the whole wait finds
// the silent query given up at once (a wait counted from Await would see the late answer).
TEST_F(ClockCheckTest, ASilentServerCostsOneWaitPer64Seconds) {
    client->silent = true;
    client->silentForMs = 1000;  // well within a wait of 5 s, had it begun at Await
    client->next = Measured(0);
    tk::ClockCheck check{{server, client, time, time, 5000}};
    check.Begin();
    time.Advance(5000);
    const tk::ClockReading first = check.Await(true);
    EXPECT_EQ(tk::ClockCheckLine(first), "电脑时间未能与time.lan比对：没有应答");
    EXPECT_EQ(tk::VerdictOf(first, rules), tk::ClockVerdict::kSpread);
    time.Advance(30000);
    check.Begin();
    EXPECT_EQ(tk::ClockCheckLine(check.Await(true)), "电脑时间未能与time.lan比对：没有应答");
    client->AwaitQueries(1);  // the first query's worker may start late
    EXPECT_EQ(client->Servers().size(), 1u);
    client->Release();
}

// A PC 20 hours off is refused, and stays refused while later queries fail, until a new
// measurement or a step of the PC's clock says otherwise: another server that does not answer,
// or none, leaves the measurement standing.
TEST_F(ClockCheckTest, AFailedQueryLeavesTheLastMeasurementStanding) {
    const struct {
        tk::ClockCheckStatus failure;
        const char* line;
        const char* other;  // the line once another server failed the same way
    } cases[] = {
        {tk::ClockCheckStatus::kNoAnswer,
         "电脑时间未能与time.lan比对：没有应答；64秒前测得相差+72000.000秒",
         "电脑时间未能与other.lan比对：没有应答；95秒前与time.lan测得相差+72000.000秒"},
        {tk::ClockCheckStatus::kNotFound,
         "电脑时间未能与time.lan比对：找不到服务器；64秒前测得相差+72000.000秒",
         "电脑时间未能与other.lan比对：找不到服务器；95秒前与time.lan测得相差+72000.000秒"},
        {tk::ClockCheckStatus::kRateLimited,
         "电脑时间未能与time.lan比对：服务器时间不可用；64秒前测得相差+72000.000秒",
         "电脑时间未能与other.lan比对：服务器时间不可用；95秒前与time.lan测得相差+72000.000秒"},
    };
    for (const auto& c : cases) {
        server.text = "time.lan";
        client->next = Measured(72000 * kSecond);
        EXPECT_EQ(tk::VerdictOf(Pass(), rules), tk::ClockVerdict::kOffsetTooLarge);
        time.Advance(64000);
        client->next = Failed(c.failure);
        tk::ClockReading lost = Pass();
        EXPECT_EQ(tk::ClockCheckLine(lost), c.line);
        EXPECT_EQ(tk::VerdictOf(lost, rules), tk::ClockVerdict::kOffsetTooLarge);
        EXPECT_EQ(tk::ClockRefusalText(lost, rules),
                  "状态：电脑时间与time.lan相差+72000秒，本次未校时！");
        time.Advance(30000);
        lost = Pass();  // the failed query's outcome, reused
        EXPECT_EQ(tk::ClockCheckLine(lost),
                  std::string(c.line).replace(std::string(c.line).find("64秒"), 2, "94"));
        EXPECT_EQ(tk::VerdictOf(lost, rules), tk::ClockVerdict::kOffsetTooLarge);

        // The operator sets the clock right by hand; the server still does not answer.
        time.pcMicros += 72000 * kSecond;
        time.Advance(1000);
        const tk::ClockReading righted = Pass();
        EXPECT_EQ(tk::VerdictOf(righted, rules), tk::ClockVerdict::kSpread);
        EXPECT_EQ(righted.measurement->offsetMicros, 0);
        time.pcMicros -= 72000 * kSecond;

        // Another server that fails at once is asked at once, and names the one that measured.
        server.text = "other.lan";
        client->next = Failed(c.failure);
        const size_t asked = client->Servers().size();
        const tk::ClockReading other = Pass();
        EXPECT_EQ(client->Servers().size(), asked + 1);
        EXPECT_EQ(tk::VerdictOf(other, rules), tk::ClockVerdict::kOffsetTooLarge);
        EXPECT_EQ(tk::ClockCheckLine(other), c.other);
        EXPECT_EQ(tk::ClockRefusalText(other, rules),
                  "状态：电脑时间与time.lan相差+72000秒，本次未校时！");
        // No server at all (the setting unreadable for a pass, the time service's key too).
        server.text = "";
        const tk::ClockReading none = Pass();
        EXPECT_EQ(tk::VerdictOf(none, rules), tk::ClockVerdict::kOffsetTooLarge);
        EXPECT_EQ(tk::ClockCheckLine(none),
                  "电脑时间未能比对：未设置时间服务器；95秒前与time.lan测得相差+72000.000秒");
        EXPECT_EQ(client->Servers().size(), asked + 1);
        time.Advance(64000);
    }
}

// One measurement reads the same at every pass: the monotonic clock's rounding is no step of the
// PC's clock, while a step of 20 ms is.
TEST_F(ClockCheckTest, AStandingMeasurementKeepsItsFigureUntilTheClockSteps) {
    client->next = Measured(86400 * kSecond + 400);
    const tk::ClockReading first = Pass();
    EXPECT_EQ(tk::ClockCheckLine(first), "电脑时间与time.lan相差+86400.000秒");
    const struct {
        std::int64_t pcMicros;  // the PC's clock beyond the monotonic clock's time
        std::int64_t offset;
    } cases[] = {{999, 86400 * kSecond + 400},
                 {-19999, 86400 * kSecond + 400},
                 {19999, 86400 * kSecond + 400},
                 {20000, 86400 * kSecond + 400 - 20000},
                 {-20000, 86400 * kSecond + 400 + 20000}};
    for (const auto& c : cases) {
        time.Advance(1000);
        time.pcMicros += c.pcMicros;
        const tk::ClockReading reading = Pass();
        EXPECT_EQ(reading.measurement->offsetMicros, c.offset) << c.pcMicros;
        time.pcMicros -= c.pcMicros;
    }
}

TEST_F(ClockCheckTest, KissesAndFailures) {
    // RATE: the next query waits 128 s, then 256 s.
    client->next = Failed(tk::ClockCheckStatus::kRateLimited);
    EXPECT_EQ(tk::ClockCheckLine(Pass()), "电脑时间未能与time.lan比对：服务器时间不可用");
    time.Advance(127999);
    Pass();
    EXPECT_EQ(client->Servers().size(), 1u);
    time.Advance(1);
    Pass();
    EXPECT_EQ(client->Servers().size(), 2u);
    time.Advance(255999);
    Pass();
    EXPECT_EQ(client->Servers().size(), 2u);

    // DENY: no query to that server again, until the settings name another.
    server.text = "strict.lan";
    client->next = Failed(tk::ClockCheckStatus::kDenied);
    EXPECT_EQ(tk::ClockCheckLine(Pass()), "电脑时间未能与strict.lan比对：服务器拒绝查询");
    time.Advance(10 * 64000);
    EXPECT_EQ(tk::ClockCheckLine(Pass()), "电脑时间未能与strict.lan比对：服务器拒绝查询");
    EXPECT_EQ(client->Servers().size(), 3u);
    server.text = "other.lan";
    client->next = Failed(tk::ClockCheckStatus::kNotFound);
    EXPECT_EQ(tk::ClockCheckLine(Pass()), "电脑时间未能与other.lan比对：找不到服务器");
    EXPECT_EQ(client->Servers().back(), "other.lan");

    // None: no query, no line.
    server.text = "";
    const tk::ClockReading none = Pass();
    EXPECT_EQ(tk::ClockCheckLine(none), "");
    EXPECT_EQ(client->Servers().size(), 4u);

    // RATE again, then an answer ends the longer interval: the next query waits 64 s again.
    server.text = "busy.lan";
    client->next = Failed(tk::ClockCheckStatus::kRateLimited);
    Pass();
    time.Advance(128000);
    client->next = Measured(0);
    Pass();
    time.Advance(64000);
    Pass();
    EXPECT_EQ(client->Servers(),
              (std::vector<std::string>{"time.lan", "time.lan", "strict.lan", "other.lan",
                                        "busy.lan", "busy.lan", "busy.lan"}));
}

// The offset's bound, the default one and a tighter one, and the texts: the offset rounded to
// the millisecond without a minus for zero; a refusal's figure rounded to the second, and the
// first past the bound where that would lie within it.
TEST_F(ClockCheckTest, BoundsPastWhichNoScreenIsSet) {
    struct Case {
        std::int64_t bound;
        std::int64_t offset;
        const char* line;
        const char* refusal;  // "": spread
        const char* status;
    };
    const Case cases[] = {
        {54000, 54000 * kSecond, "电脑时间与time.lan相差+54000.000秒", "", ""},
        {54000, -54000 * kSecond, "电脑时间与time.lan相差-54000.000秒", "", ""},
        {54000, -400, "电脑时间与time.lan相差+0.000秒", "", ""},
        {54000, -500, "电脑时间与time.lan相差-0.001秒", "", ""},
        {54000, 54000 * kSecond + 400000, "电脑时间与time.lan相差+54000.400秒",
         "状态：电脑时间与time.lan相差+54001秒，本次未校时！",
         "状态：时间相差+54001秒，本次未校时！"},
        {54000, -86400 * kSecond - 400000, "电脑时间与time.lan相差-86400.400秒",
         "状态：电脑时间与time.lan相差-86400秒，本次未校时！",
         "状态：时间相差-86400秒，本次未校时！"},
        {54000, 86400 * kSecond + 400, "电脑时间与time.lan相差+86400.000秒",
         "状态：电脑时间与time.lan相差+86400秒，本次未校时！",
         "状态：时间相差+86400秒，本次未校时！"},
        {54000, 86400 * kSecond + 500000, "电脑时间与time.lan相差+86400.500秒",
         "状态：电脑时间与time.lan相差+86401秒，本次未校时！",
         "状态：时间相差+86401秒，本次未校时！"},
        {60, 60 * kSecond, "电脑时间与time.lan相差+60.000秒", "", ""},
        {60, -60 * kSecond - 1, "电脑时间与time.lan相差-60.000秒",
         "状态：电脑时间与time.lan相差-61秒，本次未校时！", "状态：时间相差-61秒，本次未校时！"},
    };
    for (const Case& c : cases) {
        time.Advance(64000);
        rules.maxOffsetSeconds = c.bound;
        client->next = Measured(c.offset);
        const tk::ClockReading reading = Pass();
        EXPECT_EQ(tk::ClockCheckLine(reading), c.line);
        EXPECT_EQ(tk::VerdictOf(reading, rules),
                  *c.refusal ? tk::ClockVerdict::kOffsetTooLarge : tk::ClockVerdict::kSpread)
            << c.line;
        EXPECT_EQ(tk::ClockRefusalText(reading, rules), c.refusal);
        EXPECT_EQ(tk::ClockRefusalStatusText(reading, rules), c.status);
    }
}

// The release date, 2026-12-08, against the PC's clock in UTC with a day to spare, and only
// while no measurement says the clock is right.
TEST_F(ClockCheckTest, TheReleaseDateCountsOnlyWithoutAMeasurement) {
    constexpr std::int64_t kDayBefore = std::int64_t{1796601600};  // 2026-12-07 00:00:00 UTC
    const struct {
        const char* server;
        bool answers;
        std::int64_t pcSeconds;
        tk::ClockVerdict verdict;
    } cases[] = {
        {"", false, kDayBefore, tk::ClockVerdict::kSpread},
        {"", false, kDayBefore - 1, tk::ClockVerdict::kBeforeRelease},
        {"time.lan", false, kDayBefore - 1, tk::ClockVerdict::kBeforeRelease},
        {"time.lan", true, kDayBefore - 1, tk::ClockVerdict::kSpread},
        // A server that agrees with a PC a year before the release is believed.
        {"time.lan", true, kDayBefore - 365 * 86400, tk::ClockVerdict::kSpread},
    };
    for (const auto& c : cases) {
        // Each case with a check of its own: a measurement outlives any change of server.
        tk::ClockCheck fresh{{server, client, time, time, 200}};
        server.text = c.server;
        time.Advance(64000);
        time.pcMicros = c.pcSeconds * kSecond;
        client->next = c.answers ? Measured(0) : Failed(tk::ClockCheckStatus::kNoAnswer);
        fresh.Begin();
        rules.beforeRelease = tk::BeforeRelease(c.pcSeconds, {2026, 12, 8});
        EXPECT_EQ(tk::VerdictOf(fresh.Await(true), rules), c.verdict)
            << c.server << " " << c.pcSeconds;
    }
    server.text = "";
    time.pcMicros = (kDayBefore - 1) * kSecond;
    rules.beforeRelease = tk::BeforeRelease(time.Now(), {2026, 12, 8});
    const tk::ClockReading early = Pass();
    EXPECT_EQ(tk::ClockRefusalText(early, rules),
              "状态：电脑时间早于本程序的发布日期，本次未校时！");
    EXPECT_EQ(tk::ClockRefusalStatusText(early, rules), "状态：电脑日期有误，本次未校时！");
}

// ---- Queries ahead of the passes, with the workers in the test's hands

class ClockAheadTest : public ClockCheckTest {
public:  // for the cases' steps
    using ClockCheckTest::client;
    using ClockCheckTest::server;
    using ClockCheckTest::time;

    // A pass as RunPass makes it: Begin, then Await.
    tk::ClockReading PassOf(bool manual) {
        held.Begin();
        return held.Await(manual);
    }
    std::size_t Queries() { return client->Servers().size(); }

    HeldWorkers workers;
    // A held query never ends: a pass that waits for one finds no answer.
    tk::ClockCheck held{{server, client, time, time, 1000, &workers}};
};

// A query starts when one is due and never waits for it; anything else starts none.
TEST_F(ClockAheadTest, StartQueryStartsOneWhenDue) {
    using Check = tk::ClockCheck;
    const struct {
        const char* what;
        std::function<void(ClockAheadTest&, Check&)> before;  // after a first query, answered
        std::size_t queries;                                  // in all, after StartQuery
    } cases[] = {
        {"64 s later", [](ClockAheadTest& t, Check&) { t.time.Advance(64000); }, 2},
        {"63.999 s later", [](ClockAheadTest& t, Check&) { t.time.Advance(63999); }, 1},
        {"one still out",
         [](ClockAheadTest& t, Check& check) {
             t.time.Advance(64000);
             check.StartQuery();
             t.time.Advance(64000);
         },
         2},
        {"refused by DENY",
         [](ClockAheadTest& t, Check& check) {
             t.time.Advance(64000);
             t.client->next = Failed(tk::ClockCheckStatus::kDenied);
             check.StartQuery();
             t.workers.RunAll();
             t.time.Advance(64000);
         },
         2},
        {"no server set, read again 64 s after the pass",
         [](ClockAheadTest& t, Check& check) {
             t.server.text = "";
             check.Begin();
             t.time.Advance(64000);
         },
         1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        server.text = "time.lan";
        Check check{{server, client, time, time, 10000, &workers}};
        const std::size_t before = Queries();
        client->next = Measured(0);
        check.StartQuery();
        workers.RunAll();
        c.before(*this, check);
        const std::size_t ahead = Queries();
        check.StartQuery();
        EXPECT_EQ(Queries(), ahead);  // started, not run: StartQuery waited for nothing
        workers.RunAll();
        EXPECT_EQ(Queries() - before, c.queries);
    }
}

// Between passes the server is read only when a query would be due, and with none set once per
// 64 s: a tick every second costs no read of the settings file.
TEST_F(ClockAheadTest, StartQueryReadsTheServerOnlyWhenAQueryIsDue) {
    workers.inline_ = true;
    for (const char* text : {"", "time.lan"}) {
        SCOPED_TRACE(text);
        server.text = text;
        client->next = Measured(0);
        PassOf(true);
        const int reads = server.reads;
        const std::size_t queries = Queries();
        for (int second = 1; second < 64; ++second) {
            time.Advance(1000);
            held.StartQuery();
        }
        EXPECT_EQ(server.reads, reads);
        EXPECT_EQ(Queries(), queries);
        server.text = "other.lan";
        time.Advance(1000);
        held.StartQuery();
        EXPECT_EQ(server.reads, reads + 1);
        EXPECT_EQ(client->Servers().back(), "other.lan");
        time.Advance(64000);
    }
}

// An automatic pass reads what is in hand: the query started ahead when it is back, else the
// outcome before it, leaving the query out for a later pass. A fresh answer, which no pass read
// before, is told as fresh however old; one a pass read is told with its age.
TEST_F(ClockAheadTest, AnAutomaticPassReadsWhatIsInHand) {
    workers.inline_ = true;
    client->next = Measured(-412000);
    EXPECT_EQ(tk::ClockCheckLine(PassOf(false)), "电脑时间与time.lan相差-0.412秒");
    workers.inline_ = false;
    const struct {
        const char* what;
        std::int64_t advanceMs;  // before the tick's StartQuery
        bool answered;           // the query ahead is back before the pass
        std::int64_t passAfterMs;
        const char* line;
    } steps[] = {
        {"no query due: the answer read before", 30000, false, 0,
         "电脑时间与time.lan相差-0.412秒（30秒前测得）"},
        {"a query out: the answer read before", 34000, false, 500,
         "电脑时间与time.lan相差-0.412秒（64秒前测得）"},
        {"that query back: fresh, though 20 s old", 0, true, 20000,
         "电脑时间与time.lan相差+2.000秒"},
        {"read again", 0, false, 15000, "电脑时间与time.lan相差+2.000秒（35秒前测得）"},
        {"a silent server: its query out, the answer read before", 29000, false, 999,
         "电脑时间与time.lan相差+2.000秒（64秒前测得）"},
        {"the silent query past its second: no answer, the measurement standing", 0, false, 1,
         "电脑时间未能与time.lan比对：没有应答；65秒前测得相差+2.000秒"},
    };
    for (const auto& step : steps) {
        time.Advance(step.advanceMs);
        held.StartQuery();
        client->next = Measured(2 * kSecond);
        if (step.answered) workers.RunAll();
        time.Advance(step.passAfterMs);
        EXPECT_EQ(tk::ClockCheckLine(PassOf(false)), step.line) << step.what;
    }
    EXPECT_EQ(Queries(), 2u);  // the silent one never ran
}

// The first query to a server (at a start, or after the setting named another) may be waited for
// by an automatic pass for the rest of its first second, never past it; once a query to it has
// ended, an automatic pass waits for none. A manual pass waits for any query out within its
// second. Held queries never end: a pass that waits for one waits its time out and finds no
// answer, one that does not finds the answer in hand.
TEST_F(ClockAheadTest, OnlyTheFirstQueryIsWaitedForByAnAutomaticPass) {
    enum Found { kAnswer, kWaitedOut, kInHand };
    const struct {
        const char* what;
        bool earlier;        // a pass read an answer of this server before
        bool answers;        // the query out is a thread that answers at once; else held
        std::int64_t ageMs;  // of the query out at the pass's reading
        bool manual;
        Found found;
    } cases[] = {
        {"first query, answered while the pass waits", false, true, 0, false, kAnswer},
        {"first query, 990 ms old", false, false, 990, false, kWaitedOut},
        {"first query, 1 s old", false, false, 1000, false, kWaitedOut},
        {"a later query, just started", true, false, 0, false, kInHand},
        {"a later query, 990 ms old", true, false, 990, false, kInHand},
        {"a later query past its second", true, false, 1000, false, kWaitedOut},
        {"a later query, manual", true, false, 990, true, kWaitedOut},
        {"a later query, manual, answered", true, true, 0, true, kAnswer},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        struct Starter : tk::IWorkerStarter {
            HeldWorkers* held = nullptr;
            bool threads = false;
            bool Start(std::function<void()> work) override {
                return threads ? tk::DetachedThreads().Start(std::move(work))
                               : held->Start(std::move(work));
            }
        } starter;
        starter.held = &workers;
        tk::ClockCheck check{{server, client, time, time, 1000, &starter}};
        if (c.earlier) {
            client->next = Measured(-kSecond);
            workers.inline_ = true;
            check.Begin();
            check.Await(true);
            workers.inline_ = false;
            time.Advance(64000);
        }
        client->next = Measured(kSecond);
        starter.threads = c.answers;
        check.StartQuery();
        time.Advance(c.ageMs);
        check.Begin();
        const tk::ClockReading reading = check.Await(c.manual);
        switch (c.found) {
            case kAnswer:
                EXPECT_EQ(tk::ClockCheckLine(reading), "电脑时间与time.lan相差+1.000秒");
                break;
            case kWaitedOut:
                EXPECT_EQ(reading.status, tk::ClockCheckStatus::kNoAnswer);
                EXPECT_EQ(reading.measurement.has_value(), c.earlier);
                break;
            case kInHand:
                EXPECT_EQ(tk::ClockCheckLine(reading), "电脑时间与time.lan相差-1.000秒（" +
                                                           std::to_string(64 + c.ageMs / 1000) +
                                                           "秒前测得）");
                break;
        }
        workers.RunAll();
        time.Advance(64000);
    }
}

}  // namespace
