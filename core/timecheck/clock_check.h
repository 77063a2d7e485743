// The PC's clock checked before a pass spreads it: a query to the time server on a worker
// thread, started when the pass begins and awaited before its first library call, and the
// bounds past which the pass sets no screen.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "core/base/clock.h"
#include "core/timecheck/sntp_client.h"
#include "core/timecheck/time_server.h"

namespace tk {

// The longest a pass waits for the server, counted from the query's start.
inline constexpr int kClockCheckWaitMs = 1000;
// Queries to one server are at least this far apart (NTP's shortest poll); a pass in between
// uses the last outcome.
inline constexpr std::int64_t kClockCheckIntervalMs = 64 * 1000;
// A RATE kiss doubles the interval, up to NTP's longest poll (36.4 hours).
inline constexpr std::int64_t kClockCheckLongestIntervalMs = (std::int64_t{1} << 17) * 1000;
// An offset past this many seconds (15 hours, more than a time-zone mistake explains and where
// the Windows time service itself stops correcting) is not spread.
inline constexpr std::int64_t kMaxSpreadOffsetSeconds = 54000;

// A date as the calendar shows it (the program's release date).
struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

// Milliseconds on a clock that only moves forward; the PC's clock may be stepped.
class IMonotonicClock {
public:
    virtual ~IMonotonicClock() = default;
    virtual std::int64_t Milliseconds() = 0;
};

class SteadyMonotonicClock final : public IMonotonicClock {
public:
    std::int64_t Milliseconds() override;
};

// What a pass knows of the PC's clock before its first library call.
struct ClockReading {
    std::string server;  // as configured; empty: no server, no comparison
    ClockCheckStatus status = ClockCheckStatus::kNoAnswer;
    std::int64_t offsetMicros = 0;  // server minus PC, as it stands now
    std::int64_t delayMicros = 0;
    bool reused = false;            // the outcome of an earlier pass's query
    std::int64_t ageSeconds = 0;    // how long ago that query ended
    bool beforeRelease = false;     // the PC's date is earlier than the program's release date
};

enum class ClockVerdict {
    kSpread,          // the pass goes on as ever
    kOffsetTooLarge,  // the server says the PC is off by more than kMaxSpreadOffsetSeconds
    kBeforeRelease,   // the PC's clock reads earlier than the release date
};
ClockVerdict VerdictOf(const ClockReading& reading);

// The log's and the tooltip's line for a comparison; empty without a server.
std::string ClockCheckLine(const ClockReading& reading);
// The status text of a pass that set no screen; empty for kSpread.
std::string ClockRefusalText(const ClockReading& reading);

// What a pass asks of the check.
class IClockCheck {
public:
    virtual ~IClockCheck() = default;
    // The pass begins: a query starts unless one ended less than the interval ago.
    virtual void Begin() = 0;
    // Before the pass's first library call: the outcome, waiting for the query at most the rest
    // of kClockCheckWaitMs. The same reading until the next Begin.
    virtual ClockReading Await() = 0;
};

struct ClockCheckServices {
    ITimeServerSource& server;
    std::shared_ptr<ISntpClient> client;  // shared with the worker, which may outlive the check
    IPreciseClock& pcClock;
    IMonotonicClock& monotonic;
    IClock& clock;  // the PC's local date, for the release date
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
    struct Flight {
        std::mutex mutex;
        std::condition_variable ended;
        bool done = false;
        SntpOutcome outcome;
    };
    // The last outcome for the current server, with the offset kept against the monotonic clock
    // so that a PC clock stepped since moves it by the step.
    struct Stored {
        SntpOutcome outcome;
        std::int64_t endedMs = 0;
        std::int64_t serverMinusMonotonicMicros = 0;
    };

    bool BeforeRelease();
    void Keep(const SntpOutcome& outcome);
    void Forget(const std::string& server);

    ClockCheckServices m_services;
    std::string m_server;
    std::optional<Stored> m_stored;
    std::optional<std::int64_t> m_lastQueryMs;
    std::int64_t m_intervalMs = kClockCheckIntervalMs;
    bool m_denied = false;
    std::shared_ptr<Flight> m_flight;
    std::chrono::steady_clock::time_point m_deadline;  // of the wait for m_flight
    bool m_fresh = false;  // this pass started the query it reads
    std::optional<ClockReading> m_reading;
};

}  // namespace tk
