// The PC's clock checked before a pass spreads it: a query to the time server on a worker
// thread, started when the pass begins and awaited before its first library call, and the
// bounds past which the pass sets no screen.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/base/clock.h"
#include "core/timecheck/time_server.h"

namespace tk {

class ISntpClient;  // sntp_client.h: the query itself
struct SntpOutcome;

// How a comparison with a time server ended.
enum class ClockCheckStatus {
    kMeasured,     // the server answered: offset and delay hold
    kNoAnswer,     // nothing usable came back in time, or the port was unreachable
    kNotFound,     // the name did not resolve in time, or the server text is not host[:port]
    kDenied,       // kiss-o'-death DENY or RSTR
    kUnusable,     // stratum 0 or 16, leap indicator 3, version 0, no receive or transmit time
    kRateLimited,  // kiss-o'-death RATE
};

// The longest a pass waits for the server, counted from the query's start.
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

// A date as the calendar shows it (the program's release date).
struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

// What a pass knows of the PC's clock before its first library call.
struct ClockReading {
    std::string server;  // as configured; empty: no server, no comparison
    ClockCheckStatus status = ClockCheckStatus::kNoAnswer;  // how the last query ended
    bool reused = false;                                    // that query is an earlier pass's
    // The last measurement stands until a newer one, from any server, replaces it: a query that
    // fails, another server or none leaves it as it was, since it measured the PC's clock.
    bool measured = false;
    std::string measuredBy;         // the server that answered it
    std::int64_t offsetMicros = 0;  // server minus PC, carried to now
    std::int64_t delayMicros = 0;
    std::int64_t ageSeconds = 0;                              // since the measurement was taken
    std::int64_t maxOffsetSeconds = kMaxSpreadOffsetSeconds;  // the bound in force
    // The PC's clock reads more than a day before the release date (in UTC); it counts only
    // without a measurement.
    bool beforeRelease = false;
};

// The server that gave the reading's measurement; a reading made without one names the current
// server.
const std::string& MeasuredBy(const ClockReading& reading);

enum class ClockVerdict {
    kSpread,          // the pass goes on as ever
    kOffsetTooLarge,  // the last measurement says the PC is off by more than the bound
    kBeforeRelease,   // no measurement, and the PC's clock reads far before the release date
};
ClockVerdict VerdictOf(const ClockReading& reading);

// The log's and the tooltip's line for a comparison; empty without a server.
std::string ClockCheckLine(const ClockReading& reading);
// The log's and the tooltip's text of a pass that set no screen; empty for kSpread.
std::string ClockRefusalText(const ClockReading& reading);
// The same for the status line, short enough to show whole: the server is left to the others.
std::string ClockRefusalStatusText(const ClockReading& reading);

// What a pass asks of the check.
class IClockCheck {
public:
    virtual ~IClockCheck() = default;
    // Starts a query when one is due; never waits.
    virtual void StartQuery() {}
    // The pass begins: a query starts unless one began less than the interval ago.
    virtual void Begin() = 0;
    // Before the pass's first library call: the outcome, waiting for the query at most the rest
    // of kClockCheckWaitMs counted from Begin. The same reading until the next Begin.
    virtual ClockReading Await() = 0;
};

struct ClockCheckServices {
    ITimeServerSource& server;
    std::shared_ptr<ISntpClient> client;  // shared with the worker, which may outlive the check
    IPreciseClock& pcClock;
    IMonotonicClock& monotonic;  // also times the wait for the query
    IClock& clock;               // the PC's date, for the release date
    CalendarDate release;
    int waitMs = kClockCheckWaitMs;
};

class ClockCheck final : public IClockCheck {
public:
    explicit ClockCheck(ClockCheckServices services) : m_services(std::move(services)) {}

    void Begin() override;
    ClockReading Await() override;

private:
    // A query on its worker; the worker holds it too, so an abandoned one ends on its own.
    struct Flight;
    // The last measurement of the PC's clock, from whichever server gave it; the PC's clock and
    // the monotonic clock at that moment, so that a step of the PC's clock since moves it.
    struct Measurement {
        std::string server;
        std::int64_t takenMs = 0;
        std::int64_t pcMicros = 0;
        std::int64_t offsetMicros = 0;
        std::int64_t delayMicros = 0;
    };

    bool BeforeRelease();
    void Keep(const SntpOutcome& outcome);
    void ChangeServer(const std::string& server);

    ClockCheckServices m_services;
    std::string m_server;
    std::int64_t m_maxOffsetSeconds = kMaxSpreadOffsetSeconds;
    std::optional<ClockCheckStatus> m_lastStatus;  // how the last query ended
    std::optional<Measurement> m_measurement;
    std::optional<std::int64_t> m_lastQueryMs;
    std::int64_t m_intervalMs = kClockCheckIntervalMs;
    bool m_denied = false;
    std::shared_ptr<Flight> m_flight;
    std::int64_t m_deadlineMs = 0;  // of the wait for m_flight, on the monotonic clock
    bool m_fresh = false;           // this pass started the query it reads
    std::optional<ClockReading> m_reading;
};

}  // namespace tk
