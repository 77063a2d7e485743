#include "core/sync/clock_text.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace {

// The texts of each state are checked through the scheduler (scheduler_test); here what it
// never meets: a format longer than the 128-byte buffer, whose strftime fails and gives nothing
// half-written, and the real clock.
TEST(ClockText, OverlongFormatGivesEmptyTime) {
    std::tm local{};
    local.tm_hour = 8;
    const std::string longFormat(120, 'x');
    EXPECT_EQ(tk::FormatClock(&local, (longFormat + "%H:%M:%S").c_str()), "");
    EXPECT_EQ(tk::FormatClock(&local, (longFormat + "%H").c_str()), longFormat + "08");
}

TEST(SystemClock, LocalTimeRoundTripsToNow) {
    tk::SystemClock clock;
    const int64_t now = clock.Now();
    std::tm local{};
    ASSERT_TRUE(clock.ToLocalTime(now, local));
    EXPECT_EQ(static_cast<int64_t>(std::mktime(&local)), now);
}

}  // namespace
