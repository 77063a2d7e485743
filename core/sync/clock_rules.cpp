#include "core/sync/clock_rules.h"

#include "core/base/magnitude.h"

namespace tk {

namespace {

constexpr std::int64_t kMicros = 1000000;
constexpr std::int64_t kDaySeconds = 86400;

// Days from 1970-01-01 to a date of the Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

}  // namespace

// In UTC, with a day to spare: a right clock anywhere on Earth reads at most a day before the
// release date's midnight in UTC.
bool BeforeRelease(std::int64_t pcSeconds, CalendarDate release) {
    const std::int64_t releaseStart =
        DaysFromCivil(release.year, release.month, release.day) * kDaySeconds;
    return pcSeconds < releaseStart - kDaySeconds;
}

ClockRules ClockRulesSetting::ForPass() {
    return {ReadMaxClockOffset(m_settings), BeforeRelease(m_clock.Now(), m_release)};
}

// A measurement decides alone: within the bound the PC's clock is right, whatever its date.
// The release date only stands in for a server that has never answered.
ClockVerdict VerdictOf(const ClockReading& reading, const ClockRules& rules) {
    if (reading.measurement) {
        const auto bound = static_cast<std::uint64_t>(rules.maxOffsetSeconds) * kMicros;
        return Magnitude(reading.measurement->offsetMicros) > bound ? ClockVerdict::kOffsetTooLarge
                                                                    : ClockVerdict::kSpread;
    }
    return rules.beforeRelease ? ClockVerdict::kBeforeRelease : ClockVerdict::kSpread;
}

}  // namespace tk
