// The rules a pass holds the PC's clock to before it spreads it: the bound on the offset a
// measurement may show, and the release date, which stands in for a server that never answered.
#pragma once

#include <cstdint>

#include "core/base/clock.h"
#include "core/store/profile.h"
#include "core/store/settings.h"
#include "core/timecheck/clock_check.h"

namespace tk {

// A date as the calendar shows it (the program's release date).
struct CalendarDate {
    int year = 0;
    int month = 0;
    int day = 0;
};

// The rules of one pass, taken at its start.
struct ClockRules {
    std::int64_t maxOffsetSeconds = kMaxSpreadOffsetSeconds;  // the bound in force
    // The PC's clock reads more than a day before the release date (in UTC); it counts only
    // without a measurement.
    bool beforeRelease = false;
};

// Where a pass takes its rules from.
class IClockRules {
public:
    virtual ~IClockRules() = default;
    virtual ClockRules ForPass() = 0;
};

// The program's: nMaxClockOffset read for each pass, the PC's date against the release date.
class ClockRulesSetting final : public IClockRules {
public:
    ClockRulesSetting(IProfileReader& settings, IClock& clock, CalendarDate release)
        : m_settings(settings), m_clock(clock), m_release(release) {}
    ClockRules ForPass() override;

private:
    IProfileReader& m_settings;
    IClock& m_clock;
    CalendarDate m_release;
};

// Whether a PC's clock at pcSeconds (Unix time) reads more than a day before release, in UTC.
bool BeforeRelease(std::int64_t pcSeconds, CalendarDate release);

enum class ClockVerdict {
    kSpread,          // the pass goes on as ever
    kOffsetTooLarge,  // the last measurement says the PC is off by more than the bound
    kBeforeRelease,   // no measurement, and the PC's clock reads far before the release date
};
ClockVerdict VerdictOf(const ClockReading& reading, const ClockRules& rules);

}  // namespace tk
