// The uptime clock's reading of the interrupt time, which Windows 10 gives in 100 ns units and
// Wine does not give at all: a stand-in supplies it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <optional>

#include "core/base/clock.h"
#include "core/base/clock_win.h"

namespace {

// The interrupt time a test gives, in place of the system's, for the life of the object.
class InterruptTime {
public:
    explicit InterruptTime(std::optional<std::uint64_t> hundredNs) {
        m_previous = tk::SetInterruptTimeHook([hundredNs] { return hundredNs; });
    }
    ~InterruptTime() { tk::SetInterruptTimeHook(m_previous); }
    InterruptTime(const InterruptTime&) = delete;
    InterruptTime& operator=(const InterruptTime&) = delete;

private:
    tk::InterruptTimeHook m_previous;
};

// 10,000 units of 100 ns to the millisecond, the rest dropped.
TEST(UptimeClock, InterruptTimeInWholeMilliseconds) {
    const struct {
        std::uint64_t hundredNs;
        std::int64_t ms;
    } cases[] = {
        {0, 0},
        {9999, 0},
        {10000, 1},
        {123456789, 12345},
        {864000000000, 86400000},                   // a day
        {18446744073709551615u, 1844674407370955},  // the largest reading
    };
    tk::UptimeClock clock;
    for (const auto& c : cases) {
        const InterruptTime time(c.hundredNs);
        EXPECT_EQ(clock.Milliseconds(), c.ms) << c.hundredNs;
    }
}

// Before Windows 10 (and under Wine) the tick count, which also counts sleep.
TEST(UptimeClock, TickCountWithoutInterruptTime) {
    const InterruptTime none(std::nullopt);
    tk::UptimeClock clock;
    const auto before = static_cast<std::int64_t>(::GetTickCount64());
    const std::int64_t ms = clock.Milliseconds();
    EXPECT_GE(ms, before);
    EXPECT_LE(ms, static_cast<std::int64_t>(::GetTickCount64()));
}

}  // namespace
