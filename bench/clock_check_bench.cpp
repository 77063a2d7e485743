// The time server check measured: one SNTP query's offset, for bench/clock_check to set beside
// ntpdig's, and what the check adds to a pass. Built for the host and for Windows; the script
// runs it as root in a network namespace with chronyd on 127.0.0.1 port 123 and a server that
// reads requests and never replies:
//   clock_check_bench offset SERVER
//       one query through tk::SntpClient: "offset status=... offset_us=... delay_us=..."
//   clock_check_bench pass ANSWERING SILENT [runs]
//       RunPass over three network screens and one serial screen, with a library that answers
//       at once and a probe whose batch takes 100 ms, without a clock check and with a fresh
//       tk::ClockCheck against each server; one "pass check=..." line per kind with the times
//       of its passes and, for a check, the median of its extra time over the pass without one
//       in the same round; then the same against the silent server in the steady state of an
//       automatic pass ("silent_steady"): a check whose earlier query went unanswered, with the
//       next one started ahead, as the program's tick starts it, just before the pass
#ifdef _WIN32
#include <winsock2.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "core/sync/pass.h"
#include "core/timecheck/clock_check.h"
#include "core/timecheck/sntp_client.h"

namespace {

using Steady = std::chrono::steady_clock;

// The probe's wait for silent screens, which a pass with network screens spends anyway.
constexpr auto kProbeBatch = std::chrono::milliseconds(100);

const char* StatusName(tk::ClockCheckStatus status) {
    switch (status) {
        case tk::ClockCheckStatus::kMeasured:
            return "measured";
        case tk::ClockCheckStatus::kNoAnswer:
            return "no_answer";
        case tk::ClockCheckStatus::kNotFound:
            return "not_found";
        case tk::ClockCheckStatus::kDenied:
            return "denied";
        case tk::ClockCheckStatus::kUnusable:
            return "unusable";
        case tk::ClockCheckStatus::kRateLimited:
            return "rate_limited";
    }
    return "?";
}

int Offset(const std::string& server) {
    tk::SntpClient client(std::make_unique<tk::PreciseClock>());
    const tk::SntpOutcome outcome = client.Query(server, tk::kClockCheckWaitMs);
    std::printf("offset status=%s offset_us=%lld delay_us=%lld\n", StatusName(outcome.status),
                static_cast<long long>(outcome.sample.offsetMicros),
                static_cast<long long>(outcome.sample.delayMicros));
    return outcome.status == tk::ClockCheckStatus::kMeasured ? 0 : 1;
}

// Every screen answers, after the time a probe of silent screens takes.
class SlowProbe : public tk::IProbe {
public:
    std::vector<bool> ProbeAll(const std::vector<std::uint32_t>& addresses) override {
        std::this_thread::sleep_for(kProbeBatch);
        return std::vector<bool>(addresses.size(), true);
    }
};

// A library that sets every clock at once, and a window that shows nothing.
class InstantServices : public tk::IControllerLibrary,
                        public tk::IPassView,
                        public tk::IMessagePump,
                        public tk::IClock {
public:
    int AdjustTime(int) override { return 1; }
    void ReloadIniFile() override {}
    void ShowScreen(const tk::ScreenOutcome&) override {}
    void ShowPassEnded(const tk::PassRecord&) override {}
    void PumpOne() override {}
    int64_t Now() override { return 0; }
    bool ToLocalTime(int64_t, std::tm&) override { return false; }
};

class FixedServer : public tk::ITimeServerSource {
public:
    explicit FixedServer(std::string text) : m_text(std::move(text)) {}
    std::string Current() override { return m_text; }

private:
    std::string m_text;
};

// The uptime clock, moved ahead by hand: the steady state's next query falls due at once rather
// than 64 s later.
class SkippingClock : public tk::IMonotonicClock {
public:
    std::int64_t Milliseconds() override { return m_uptime.Milliseconds() + skippedMs; }
    std::int64_t skippedMs = 0;

private:
    tk::UptimeClock m_uptime;
};

// The check as the program builds it, keeping what the pass read.
class RecordedCheck : public tk::IClockCheck {
public:
    explicit RecordedCheck(tk::ITimeServerSource& server)
        : m_check({server, std::make_shared<tk::SntpClient>(std::make_unique<tk::PreciseClock>()),
                   m_pcClock, monotonic}) {}
    void StartQuery() override { m_check.StartQuery(); }
    void Begin() override { m_check.Begin(); }
    tk::ClockReading Await(bool manual) override { return m_reading = m_check.Await(manual); }
    const tk::ClockReading& Reading() const { return m_reading; }

    SkippingClock monotonic;

private:
    tk::PreciseClock m_pcClock;
    tk::ClockCheck m_check;
    tk::ClockReading m_reading;
};

// Three network screens, then a serial one.
std::unique_ptr<tk::ScreenRoster> Roster() {
    auto roster = std::make_unique<tk::ScreenRoster>();
    roster->count = 4;
    for (int i = 0; i < roster->count; ++i) {
        tk::ScreenEntry& entry = roster->entries[i];
        entry.number = i + 1;
        entry.network = i < 3 ? 1 : 0;
        tk::SetAddress(entry, "127.0.0." + std::to_string(31 + i));
    }
    return roster;
}

double Ms(Steady::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Milliseconds of one automatic pass, with a fresh check against `server` or none. steady: the
// check has had a pass before (its first query's outcome in hand), and its next query is
// started ahead, 64 s later, just before the timed pass.
double TimePass(const tk::ScreenRoster& roster, const std::string* server,
                tk::ClockCheckStatus& status, bool steady = false) {
    SlowProbe probe;
    InstantServices services;
    tk::TickClock ticks;
    tk::PassServices passServices{services, probe, services, services, services, ticks};
    std::unique_ptr<FixedServer> source;
    std::unique_ptr<RecordedCheck> check;
    if (server != nullptr) {
        source = std::make_unique<FixedServer>(*server);
        check = std::make_unique<RecordedCheck>(*source);
        passServices.clockCheck = check.get();
    }
    tk::SyncState state;
    if (steady && check) {
        tk::RunPass(roster, state, passServices);
        check->monotonic.skippedMs += tk::kClockCheckIntervalMs;
        check->StartQuery();
    }
    const Steady::time_point start = Steady::now();
    tk::RunPass(roster, state, passServices);
    const double ms = Ms(Steady::now() - start);
    if (check) status = check->Reading().status;
    return ms;
}

struct Kind {
    const char* name;
    const std::string* server;
    bool steady;
    std::vector<double> times;
    std::vector<double> extra;  // over the pass without a check of the same round
    int measured = 0;
};

int Passes(const std::string& answering, const std::string& silent, int runs) {
    const std::unique_ptr<tk::ScreenRoster> roster = Roster();
    std::vector<Kind> kinds = {{"none", nullptr, false, {}, {}, 0},
                               {"answering", &answering, false, {}, {}, 0},
                               {"silent", &silent, false, {}, {}, 0},
                               {"silent_steady", &silent, true, {}, {}, 0}};
    // The first pass starts the first thread and touches what the socket layer loads on first
    // use; it is not counted.
    tk::ClockCheckStatus status = tk::ClockCheckStatus::kNoAnswer;
    TimePass(*roster, &answering, status);
    for (int run = 0; run < runs; ++run) {
        double none = 0;
        for (Kind& kind : kinds) {
            status = tk::ClockCheckStatus::kNoAnswer;
            const double ms = TimePass(*roster, kind.server, status, kind.steady);
            kind.times.push_back(ms);
            if (kind.server == nullptr) {
                none = ms;
            } else {
                kind.extra.push_back(ms - none);
                if (status == tk::ClockCheckStatus::kMeasured) ++kind.measured;
            }
        }
    }
    for (const Kind& kind : kinds) {
        std::printf(
            "pass check=%s screens=3+1 probe_ms=%lld runs=%d median_ms=%.3f min_ms=%.3f "
            "max_ms=%.3f",
            kind.name, static_cast<long long>(kProbeBatch.count()), runs, Median(kind.times),
            *std::min_element(kind.times.begin(), kind.times.end()),
            *std::max_element(kind.times.begin(), kind.times.end()));
        if (kind.server != nullptr) {
            std::printf(" server=%s measured=%d extra_median_ms=%.3f extra_max_ms=%.3f",
                        kind.server->c_str(), kind.measured, Median(kind.extra),
                        *std::max_element(kind.extra.begin(), kind.extra.end()));
        }
        std::printf("\n");
    }
    return 0;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: clock_check_bench offset SERVER\n"
                 "       clock_check_bench pass ANSWERING SILENT [runs]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
#ifdef _WIN32
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
#endif
    int status = 2;
    if (std::strcmp(argv[1], "offset") == 0) {
        status = Offset(argv[2]);
    } else if (std::strcmp(argv[1], "pass") == 0 && argc >= 4) {
        status = Passes(argv[2], argv[3], argc > 4 ? std::max(1, std::atoi(argv[4])) : 11);
    } else {
        status = Usage();
    }
    std::fflush(stdout);
#ifdef _WIN32
    ::WSACleanup();
#endif
    return status;
}
