#include "core/sync/scheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/common/fakes.h"

namespace {

using Log = std::vector<std::string>;

// The main window as the scheduler sees it, with recorded timers and a clock standing at
// 08:05:09 local time (or failing to convert), every visible change and timer request in one
// log; with a pass that behaves like the real one towards the flags and runs `duringPass`
// where the real one lets a window message through.
struct Harness : tk::ISchedulerView {
    Log log;
    tk::SyncState state;
    int unit = 0;
    int32_t value = 10;
    std::string clockLine;
    std::vector<std::string> messages;
    tk_test::TimerRecorder timers{&log};
    tk_test::FixedClock clock{8, 5, 9};
    std::function<void()> duringPass;
    int passes = 0;
    tk::Scheduler scheduler{state, *this, timers, clock, [this] { RunPass(); }};

    void SetStatusText(const std::string& text) override { log.push_back("status " + text); }
    void ShowAutomaticSyncOn(bool on) override {
        log.push_back(on ? "automatic sync shown on" : "automatic sync shown off");
    }
    void SetButtonText(const std::string& text) override { log.push_back("button " + text); }
    void SetClockText(const std::string& text) override {
        clockLine = text;
        log.push_back("clock " + text);
    }
    void ShowMessage(const std::string& text) override {
        messages.push_back(text);
        log.push_back("message " + text);
    }
    int UnitIndex() override { return unit; }
    int32_t TakeIntervalValue() override { return value; }

    void RunPass() {
        state.busy = 1;
        state.elapsed = 0;
        log.push_back("pass begins");
        if (duringPass) duringPass();
        log.push_back("pass ends");
        state.busy = 0;
        ++passes;
    }
    void SwitchOn(int newUnit, int32_t newValue) {
        unit = newUnit;
        value = newValue;
        scheduler.Toggle();
    }
    void Tick() { scheduler.OnTimer(tk::kClockTimerId); }
    // Events logged since `mark` entries.
    Log Since(size_t mark) const { return Log(log.begin() + mark, log.end()); }
    int Count(const std::string& event) const {
        return static_cast<int>(std::count(log.begin(), log.end(), event));
    }
};

const Log kSwitchedOn = {
    "button 停止校时",
    "status 状态：校时正在运行...",
    "automatic sync shown on",
};
const Log kSwitchedOff = {
    "KillTimer 2",
    "button 启用自动校时",
    "status 状态：校时停止",
    "automatic sync shown off",
};

Log Concat(std::initializer_list<Log> parts) {
    Log all;
    for (const Log& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST(Scheduler, IntervalByUnitAndValue) {
    const std::string seconds = "你选择是的秒，请输入0~60之间";
    const std::string minutes = "你选择是的分钟，请输入0~60之间";
    const std::string hours = "你选择是的小时，请输入0~24之间";
    struct Row {
        int unit;
        int32_t value;
        int64_t interval;     // seconds after the switch
        std::string message;  // empty: none shown
        uint32_t periodMs;    // timer 2 as armed by the switch
    };
    // Both sides of each end of every unit's range.
    const Row rows[] = {
        {0, -1, 10000, seconds, 10000000},
        {0, 0, 0, "", 0},
        {0, 60, 60, "", 60000},
        {0, 61, 10000, seconds, 10000000},
        {1, -1, 10000, minutes, 10000000},
        {1, 0, 0, "", 0},
        {1, 5, 300, "", 300000},
        {1, 60, 3600, "", 3600000},
        {1, 61, 10000, minutes, 10000000},
        {2, -1, 10000, hours, 10000000},
        {2, 0, 0, "", 0},
        {2, 24, 86400, "", 86400000},
        {2, 25, 10000, hours, 10000000},
        {3, -1, 10000, "", 10000000},
        {3, 0, 0, "", 0},
        {3, 24, 2073600, "", 2073600000u},
        {3, 25, 2160000, "", 0x7FFFFFFFu},
        {3, INT32_MAX, int64_t{INT32_MAX} * 86400, "", 0x7FFFFFFFu},
        {3, -5, 10000, "", 10000000},
        {-1, 5, 10000, "", 10000000},
        {4, 5, 10000, "", 10000000},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE("unit " + std::to_string(row.unit) + " value " + std::to_string(row.value));
        Harness h;
        h.SwitchOn(row.unit, row.value);
        EXPECT_EQ(h.state.interval, row.interval);
        EXPECT_EQ(h.messages, row.message.empty() ? Log{} : Log{row.message});
        EXPECT_EQ(h.state.running, 1);  // a refused value never stops the switch
        ASSERT_EQ(h.timers.armed.count(tk::kPassTimerId), 1u);
        EXPECT_EQ(h.timers.armed[tk::kPassTimerId], row.periodMs);
    }
}

TEST(Scheduler, RefusedValueKeepsTheLastAcceptedInterval) {
    Harness h;
    h.SwitchOn(1, 5);
    h.scheduler.Toggle();
    const size_t mark = h.log.size();
    h.SwitchOn(0, 61);
    EXPECT_EQ(h.state.interval, 300);
    // The message comes first, then the switch goes on with the interval in force.
    EXPECT_EQ(h.Since(mark),
              Concat({{"message 你选择是的秒，请输入0~60之间", "KillTimer 2", "SetTimer 2 300000"},
                      kSwitchedOn}));
}

TEST(Scheduler, ToggleSwitchesOnAndOffInOrder) {
    Harness h;
    h.state.elapsed = 7;
    h.SwitchOn(1, 5);
    EXPECT_EQ(h.log, Concat({{"KillTimer 2", "SetTimer 2 300000"}, kSwitchedOn}));
    EXPECT_EQ(h.state.running, 1);
    EXPECT_EQ(h.state.elapsed, 0);

    h.Tick();
    h.Tick();
    const size_t mark = h.log.size();
    h.scheduler.Toggle();
    EXPECT_EQ(h.Since(mark), kSwitchedOff);
    EXPECT_EQ(h.state.running, 0);
    EXPECT_EQ(h.state.busy, 0);
    EXPECT_EQ(h.state.elapsed, 0);
    EXPECT_EQ(h.timers.armed.count(tk::kPassTimerId), 0u);
}

TEST(Scheduler, ClockLineCountsDownWhileOnAndIdle) {
    struct Row {
        int unit;
        int32_t value;
        int ticks;
        std::string clock;
    };
    const Row rows[] = {
        {1, 5, 1, "当前时间：08:05:09  离校时还有299秒"},
        {0, 0, 1, "当前时间：08:05:09  离校时还有0秒"},
        {0, 2, 1, "当前时间：08:05:09  离校时还有1秒"},
        {0, 2, 2, "当前时间：08:05:09  离校时还有0秒"},
        {0, 2, 5, "当前时间：08:05:09  离校时还有0秒"},  // never below 0
        {3, 100000, 1, "当前时间：08:05:09  离校时还有8639999999秒"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.clock);
        Harness h;
        h.SwitchOn(row.unit, row.value);
        for (int i = 0; i < row.ticks; ++i) h.Tick();
        EXPECT_EQ(h.clockLine, row.clock);
        EXPECT_EQ(h.state.elapsed, row.ticks);
    }
}

TEST(Scheduler, ClockLineWhileOffAndWhenTheTimeCannotBeConverted) {
    Harness h;
    h.Tick();
    EXPECT_EQ(h.clockLine, "当前时间：08:05:09 校时停止");
    EXPECT_EQ(h.state.elapsed, 0);

    h.clock.fails = true;
    h.Tick();
    EXPECT_EQ(h.clockLine, "");
    h.SwitchOn(1, 5);
    h.Tick();
    EXPECT_EQ(h.clockLine, " 离校时还有299秒");
}

TEST(Scheduler, TimerTwoRunsOnePassAndRearmsForTheFullInterval) {
    Harness h;
    h.SwitchOn(1, 5);
    h.Tick();
    h.Tick();
    // A tick of timer 1 dispatched inside the pass shows the synchronising text only.
    int64_t elapsedInPass = -1;
    h.duringPass = [&] {
        h.Tick();
        elapsedInPass = h.state.elapsed;
    };
    const size_t mark = h.log.size();
    h.scheduler.OnTimer(tk::kPassTimerId);
    const std::string syncing = "clock 当前时间：08:05:09 正在校时...";
    EXPECT_EQ(h.Since(mark), Log({syncing, "KillTimer 2", "pass begins", syncing, "pass ends",
                                  "SetTimer 2 300000"}));
    EXPECT_EQ(h.passes, 1);
    EXPECT_EQ(elapsedInPass, 0);
    EXPECT_EQ(h.state.running, 1);

    h.Tick();
    EXPECT_EQ(h.clockLine, "当前时间：08:05:09  离校时还有299秒");
}

TEST(Scheduler, PressDuringAPassSwitchesOffAfterPassAndRearm) {
    Harness h;
    h.SwitchOn(1, 1);
    Log seenInPass;
    h.duringPass = [&] {
        const size_t before = h.log.size();
        h.scheduler.Toggle();
        seenInPass = h.Since(before);
        EXPECT_EQ(h.state.running, 1);
    };
    const size_t mark = h.log.size();
    h.scheduler.OnTimer(tk::kPassTimerId);

    EXPECT_EQ(seenInPass, Log({"button 正在停止", "status 状态：正在停止校时..."}));
    EXPECT_EQ(h.Since(mark),
              Concat({{"clock 当前时间：08:05:09 正在校时...", "KillTimer 2", "pass begins",
                       "button 正在停止", "status 状态：正在停止校时...", "pass ends",
                       "SetTimer 2 60000"},
                      kSwitchedOff}));
    EXPECT_EQ(h.passes, 1);
    EXPECT_EQ(h.state.running, 0);
    EXPECT_EQ(h.timers.armed.count(tk::kPassTimerId), 0u);

    h.Tick();
    EXPECT_EQ(h.clockLine, "当前时间：08:05:09 校时停止");
}

TEST(Scheduler, SecondPressDuringTheSamePassStillSwitchesOnce) {
    Harness h;
    h.SwitchOn(1, 1);
    h.duringPass = [&] {
        h.scheduler.Toggle();
        h.scheduler.Toggle();
    };
    h.scheduler.OnTimer(tk::kPassTimerId);
    EXPECT_EQ(h.state.running, 0);
    EXPECT_EQ(h.Count("automatic sync shown off"), 1);
    EXPECT_EQ(h.Count("button 正在停止"), 2);
    EXPECT_EQ(h.timers.armed.count(tk::kPassTimerId), 0u);
}

TEST(Scheduler, PressDuringAManualPassWaitsForItsEnd) {
    Harness h;
    h.unit = 1;
    h.value = 5;
    h.scheduler.AfterManualPass();
    EXPECT_TRUE(h.log.empty());

    h.state.busy = 1;  // the manual button's pass is under way
    h.scheduler.Toggle();
    h.scheduler.AfterManualPass();  // called too early: the pass still runs
    EXPECT_EQ(h.log, Log({"button 正在停止", "status 状态：正在停止校时..."}));
    EXPECT_EQ(h.state.running, 0);

    h.state.busy = 0;
    const size_t mark = h.log.size();
    h.scheduler.AfterManualPass();
    EXPECT_EQ(h.Since(mark), Concat({{"KillTimer 2", "SetTimer 2 300000"}, kSwitchedOn}));
    EXPECT_EQ(h.state.running, 1);
}

TEST(Scheduler, LongIntervalIsArmedInPiecesAndPassesOnlyAtTheEnd) {
    Harness h;
    // 100 days: 8640000000 ms = 4 pieces of 0x7FFFFFFF ms and 50065412 ms.
    h.SwitchOn(3, 100);
    EXPECT_EQ(h.timers.armed[tk::kPassTimerId], 0x7FFFFFFFu);
    const uint32_t pieces[] = {0x7FFFFFFFu, 0x7FFFFFFFu, 0x7FFFFFFFu, 50065412u};
    for (uint32_t piece : pieces) {
        SCOPED_TRACE(piece);
        const size_t mark = h.log.size();
        h.scheduler.OnTimer(tk::kPassTimerId);
        EXPECT_EQ(h.Since(mark), Log({"SetTimer 2 " + std::to_string(piece)}));
        EXPECT_EQ(h.passes, 0);
    }
    h.scheduler.OnTimer(tk::kPassTimerId);
    EXPECT_EQ(h.passes, 1);
    EXPECT_EQ(h.log.back(), "SetTimer 2 2147483647");

    // Switching off in the middle of a long wait forgets the pieces still to come.
    h.scheduler.OnTimer(tk::kPassTimerId);
    h.scheduler.Toggle();
    h.SwitchOn(1, 5);
    h.scheduler.OnTimer(tk::kPassTimerId);
    EXPECT_EQ(h.passes, 2);
}

}  // namespace
