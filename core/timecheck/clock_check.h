// The PC's clock checked before a pass spreads it: queries to the time server on a worker thread,
// started ahead of the passes when one is due, and the reading a pass takes of what they found.
// The rules a pass holds that reading to, and their texts, are the pass's (core/sync/).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/base/clock.h"
#include "core/timecheck/clock_sample.h"
#include "core/timecheck/detached_result.h"
#include "core/timecheck/time_server.h"

namespace tk {

class ISntpClient;  // sntp_client.h: the query itself
struct SntpOutcome;

// The longest a query takes, and so the longest a pass waits for one, counted from its start.
inline constexpr int kClockCheckWaitMs = 1000;
// Queries to one server are at least this far apart (NTP's shortest poll); a pass in between
// uses the last outcome.
inline constexpr std::int64_t kClockCheckIntervalMs = 64 * 1000;
// A RATE kiss doubles the interval, up to NTP's longest poll (36.4 hours); an answer brings it
// back.
inline constexpr std::int64_t kClockCheckLongestIntervalMs = (std::int64_t{1} << 17) * 1000;
// A step of the PC's clock smaller than this is none: the monotonic clock is read to the
// millisecond at best, and to the timer tick (about 16 ms) where the system has nothing finer,
// so a smaller difference is its rounding, and one measurement would read differently at every
// pass.
inline constexpr std::int64_t kClockStepResolutionMicros = 20000;

// What a pass knows of the PC's clock before its first library call.
struct ClockReading {
    std::string server;  // as configured; empty: no server, no comparison
    ClockCheckStatus status = ClockCheckStatus::kNoAnswer;  // how the last query ended
    bool reused = false;  // an earlier pass read that query's outcome already
    // The last measurement stands until a newer one, from any server, replaces it: a query that
    // fails, another server or none leaves it as it was, since it measured the PC's clock. Its
    // offset is carried to now: a step of the PC's clock since moves it.
    std::optional<ClockSample> measurement;
    std::int64_t ageSeconds = 0;  // since the measurement was taken
};

// What a pass, and ahead of it the program's run, asks of the check.
class IClockCheck {
public:
    virtual ~IClockCheck() = default;
    // Starts a query when one is due: none out, the interval since the last one gone by, the
    // server not refused by DENY or RSTR, a server set. Never waits; cheap to call every second.
    virtual void StartQuery() = 0;
    // A pass begins: the server is read again, and a query starts when due.
    virtual void Begin() = 0;
    // Before the pass's first library call: the reading, the same until the next Begin. A manual
    // pass waits for a query that is out, at most kClockCheckWaitMs from its start; an automatic
    // one reads what is in hand, and waits only for the first query to the server it asks (at a
    // start, or after the server changed), at most the rest of that query's first second.
    virtual ClockReading Await(bool manual) = 0;
};

struct ClockCheckServices {
    ITimeServerSource& server;
    std::shared_ptr<ISntpClient> client;  // shared with the worker, which may outlive the check
    IPreciseClock& pcClock;
    IMonotonicClock& monotonic;  // the uptime clock the client stamps its samples on; also times
                                 // the wait for the query
    int waitMs = kClockCheckWaitMs;
    IWorkerStarter* workers = nullptr;  // where queries run; none: a thread of their own each
};

class ClockCheck final : public IClockCheck {
public:
    explicit ClockCheck(ClockCheckServices services) : m_services(std::move(services)) {}

    void StartQuery() override;
    void Begin() override;
    ClockReading Await(bool manual) override;

private:
    using Flight = DetachedResult<SntpOutcome>;

    void ReadServer();
    void Collect();
    void Keep(const SntpOutcome& outcome);
    void ChangeServer(const std::string& server);

    ClockCheckServices m_services;
    std::string m_server;
    std::optional<std::int64_t> m_serverReadMs;    // when the source was last read
    std::optional<ClockCheckStatus> m_lastStatus;  // how the last query to m_server ended
    bool m_lastStatusRead = false;                 // a pass's reading has shown it
    std::optional<ClockSample> m_measurement;
    std::optional<std::int64_t> m_lastQueryMs;
    std::int64_t m_intervalMs = kClockCheckIntervalMs;
    bool m_denied = false;
    std::shared_ptr<Flight> m_flight;  // the query out, if any, started at m_lastQueryMs
    std::optional<ClockReading> m_reading;
};

}  // namespace tk
