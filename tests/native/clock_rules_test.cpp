// The rules a pass holds the clock check's reading to, as the program reads them for each pass.
#include "core/sync/clock_rules.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <string>

#include "core/sync/clock_texts.h"

namespace {

// [CONT] with one nMaxClockOffset text; counts the reads.
struct BoundSection : tk::IProfileReader {
    std::string bound;
    int reads = 0;
    int GetInt(const char*, const char*, int def) override { return def; }
    unsigned GetString(const char* section, const char* key, const char* def, char* buf,
                       unsigned size) override {
        ++reads;
        const std::string value =
            std::string(section) == "CONT" && std::string(key) == "nMaxClockOffset" ? bound : def;
        const size_t n = std::min<size_t>(value.size(), size - 1);
        value.copy(buf, n);
        buf[n] = '\0';
        return static_cast<unsigned>(n);
    }
};

struct PcDate : tk::IClock {
    std::int64_t seconds = 0;
    int64_t Now() override { return seconds; }
    bool ToLocalTime(int64_t, std::tm&) override { return false; }
};

// 2026-12-07 00:00:00 UTC: a day before the release date's midnight.
constexpr std::int64_t kDayBefore = 1796601600;

TEST(ClockRulesSetting, TheBoundAndTheReleaseDateOfEachPass) {
    const struct {
        const char* bound;
        std::int64_t pcSeconds;
        std::int64_t maxOffsetSeconds;
        bool beforeRelease;
    } cases[] = {
        {"", kDayBefore, 54000, false},
        {"60", kDayBefore - 1, 60, true},
        {" 3599 ", kDayBefore + 86400 * 400, 3599, false},
        {"0", kDayBefore - 86400 * 365, 54000, true},
    };
    BoundSection settings;
    PcDate clock;
    tk::ClockRulesSetting rules(settings, clock, {2026, 12, 8});
    for (const auto& c : cases) {
        settings.bound = c.bound;
        settings.reads = 0;
        clock.seconds = c.pcSeconds;
        const tk::ClockRules pass = rules.ForPass();
        EXPECT_EQ(pass.maxOffsetSeconds, c.maxOffsetSeconds) << c.bound;
        EXPECT_EQ(pass.beforeRelease, c.beforeRelease) << c.pcSeconds;
        EXPECT_EQ(settings.reads, 1);
    }
}

// The status in words, once for the metrics file's label and the log's reason.
TEST(ClockStatusWords, LabelAndReasonOfEachStatus) {
    const struct {
        tk::ClockCheckStatus status;
        const char* label;
        const char* reason;
    } cases[] = {
        {tk::ClockCheckStatus::kNoAnswer, "no_answer", "没有应答"},
        {tk::ClockCheckStatus::kNotFound, "not_found", "找不到服务器"},
        {tk::ClockCheckStatus::kDenied, "denied", "服务器拒绝查询"},
        {tk::ClockCheckStatus::kUnusable, "unusable", "服务器时间不可用"},
        {tk::ClockCheckStatus::kRateLimited, "unusable", "服务器时间不可用"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(tk::WordsOf(c.status).label, c.label);
        EXPECT_STREQ(tk::WordsOf(c.status).reason, c.reason);
    }
}

}  // namespace
