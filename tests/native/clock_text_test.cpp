#include "core/clock_text.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace {

// 2024-03-01 08:05:09, a time whose fields all need a leading zero.
std::tm MorningTime() {
    std::tm local{};
    local.tm_year = 124;
    local.tm_mon = 2;
    local.tm_mday = 1;
    local.tm_hour = 8;
    local.tm_min = 5;
    local.tm_sec = 9;
    local.tm_wday = 5;
    local.tm_yday = 60;
    return local;
}

TEST(ClockText, EachStateFormatsTheTimeByteForByte) {
    const std::tm local = MorningTime();
    struct Row {
        const char* format;
        std::string expected;
    };
    const Row rows[] = {
        {tk::kClockStoppedFormat, "当前时间：08:05:09 校时停止"},
        {tk::kClockSyncingFormat, "当前时间：08:05:09 正在校时..."},
        {tk::kClockCountdownFormat, "当前时间：08:05:09 "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.expected);
        EXPECT_EQ(tk::FormatClock(&local, row.format), row.expected);
    }
    // The GBK prefix "当前时间：" must come through strftime untouched.
    EXPECT_EQ(tk::FormatClock(&local, tk::kClockStoppedFormat).substr(0, 10),
              "\xB5\xB1\xC7\xB0\xCA\xB1\xBC\xE4\xA3\xBA");
}

TEST(ClockText, CountdownHasTwoSpacesAndSixtyFourBitSeconds) {
    const std::tm local = MorningTime();
    struct Row {
        int64_t remaining;
        std::string expected;
    };
    const Row rows[] = {
        {299, "当前时间：08:05:09  离校时还有299秒"},
        {0, "当前时间：08:05:09  离校时还有0秒"},
        {8639999999, "当前时间：08:05:09  离校时还有8639999999秒"},
        {INT64_MAX, "当前时间：08:05:09  离校时还有9223372036854775807秒"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.remaining);
        EXPECT_EQ(tk::CountdownClockText(&local, row.remaining), row.expected);
    }
    // Seconds, then the two spaces, then "离" (C0 EB in GBK).
    EXPECT_EQ(tk::CountdownClockText(&local, 1).substr(17, 4), "9  \xC0");
}

TEST(ClockText, FailedConversionOrFormattingGivesEmptyTime) {
    for (const char* format : {tk::kClockStoppedFormat, tk::kClockSyncingFormat}) {
        EXPECT_EQ(tk::FormatClock(nullptr, format), "");
    }
    // The countdown part is formatted on its own and still follows the (empty) time.
    EXPECT_EQ(tk::CountdownClockText(nullptr, 5), " 离校时还有5秒");

    // More than the 128-byte buffer holds: strftime fails and nothing half-written comes back.
    const std::tm local = MorningTime();
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
