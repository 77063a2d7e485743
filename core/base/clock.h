// The program's clocks: the PC's wall time to the second (with its local conversion) and to the
// microsecond, and counts of milliseconds that only move forward.
#pragma once

#include <cstdint>
#include <ctime>

namespace tk {

// The PC's clock to the second, as the clock line, the pass and its log read it.
class IClock {
public:
    virtual ~IClock() = default;
    virtual int64_t Now() = 0;  // seconds since 1970-01-01 UTC
    // Local time of `time`; false when the conversion fails.
    virtual bool ToLocalTime(int64_t time, std::tm& local) = 0;
};

// The PC's clock through the C runtime.
class SystemClock : public IClock {
public:
    int64_t Now() override;
    bool ToLocalTime(int64_t time, std::tm& local) override;
};

// The PC's clock to the microsecond, for a comparison with a time server.
class IPreciseClock {
public:
    virtual ~IPreciseClock() = default;
    virtual std::int64_t NowMicros() = 0;  // since 1970-01-01 UTC
};

class PreciseClock final : public IPreciseClock {
public:
    std::int64_t NowMicros() override;
};

// Milliseconds on a clock that only moves forward; the PC's clock may be stepped.
class IMonotonicClock {
public:
    virtual ~IMonotonicClock() = default;
    virtual std::int64_t Milliseconds() = 0;
};

// Milliseconds since the system started, sleep and hibernation included, so that a measurement
// carried across a night's sleep is not taken for a step of the PC's clock (Windows: the
// interrupt time; elsewhere CLOCK_BOOTTIME).
class UptimeClock final : public IMonotonicClock {
public:
    std::int64_t Milliseconds() override;
};

// Milliseconds read to the millisecond, for the probe's 100 ms windows (Windows: the
// performance counter, as GetTickCount moves in steps of about 15.6 ms; elsewhere
// CLOCK_MONOTONIC).
class TickClock final : public IMonotonicClock {
public:
    std::int64_t Milliseconds() override;
};

}  // namespace tk
