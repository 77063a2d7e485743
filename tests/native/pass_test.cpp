#include "core/sync/pass.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/screens/roster.h"
#include "core/sync/pass_log.h"
#include "tests/common/failure_recorder.h"
#include "tests/common/fakes.h"
#include "tests/native/temp_dir.h"

namespace {

// A screen as the tests describe it: reached over the network or not, and its address text.
struct Screen {
    bool network;
    const char* address;
};

tk::ScreenRoster MakeRoster(const std::vector<Screen>& screens) {
    tk::ScreenRoster roster;
    roster.count = static_cast<int32_t>(screens.size());
    for (std::size_t i = 0; i < screens.size(); ++i) {
        roster.entries[i].number = static_cast<int32_t>(i + 1);
        roster.entries[i].network = screens[i].network ? 1 : 0;
        tk::SetAddress(roster.entries[i], screens[i].address);
    }
    return roster;
}

using tk_test::EventLog;

// The fake probe, each of whose probes takes probeMs on its own clock.
class SlowProbe : public tk_test::FakeProbe {
public:
    using FakeProbe::FakeProbe;
    std::uint32_t probeMs = 0;
    std::vector<bool> ProbeAll(const std::vector<std::uint32_t>& addresses) override {
        std::vector<bool> reachable = FakeProbe::ProbeAll(addresses);
        ticks.ms += probeMs;
        return reachable;
    }
};

// A clock that moves on a second at each reading, so every line of a pass shows its own time
// (UTC stands in for local time).
class TickingClock : public tk::IClock {
public:
    int64_t Now() override { return m_time++; }
    bool ToLocalTime(int64_t time, std::tm& local) override {
        const std::time_t t = static_cast<std::time_t>(time);
        return gmtime_r(&t, &local) != nullptr;
    }

private:
    int64_t m_time = 1700000000;  // 2023-11-14 22:13:20 UTC
};

// What a pass works with, every request in one log. A call made while the busy flag is not
// set adds "not busy", so a missing flag shows in the log. Hosts answer only when told.
struct PassFakes {
    explicit PassFakes(tk::SyncState& syncState) : state(syncState) {
        library.onAdjust = [this](int) { CheckBusy(); };
        probe.onProbe = [this](const std::string&) { CheckBusy(); };
        probe.answer = false;
        pump.onPump = [this] { CheckBusy(); };
    }
    void CheckBusy() {
        if (state.busy != 1) log.push_back("not busy");
    }
    tk::PassServices Services() { return {library, probe, status, pump, clock, probe.ticks}; }

    tk::SyncState& state;
    EventLog log;
    tk_test::FakeControllerLibrary library{&log};
    SlowProbe probe{&log};
    tk_test::RecordingStatusView status{&log};
    tk_test::RecordingPump pump{&log};
    TickingClock clock;
};

TEST(Pass, EmptyRosterReportsOnlyTheSummary) {
    tk::SyncState state;
    state.running = 1;
    state.elapsed = 42;
    state.interval = 300;
    PassFakes fakes(state);
    tk::RunPass(MakeRoster({}), state, fakes.Services());
    EXPECT_EQ(fakes.log,
              std::vector<std::string>{"status 此次校时共：0张卡，其中0张成功，0张失败！"});
    EXPECT_EQ(state.busy, 0);
    EXPECT_EQ(state.elapsed, 0);
    EXPECT_EQ(state.running, 1);
    EXPECT_EQ(state.interval, 300);
}

// The record's program state: automatic from the running flag (never from the busy flag a pass
// sets), the interval the window shows when it hands one in, and the pass's own duration on its
// monotonic clock, to the millisecond.
TEST(Pass, TheRecordTellsTheProgramAsTheWindowShowsIt) {
    const struct {
        int32_t running;
        bool manual;
        std::optional<int64_t> shown;
        bool automatic;
        int64_t interval;
    } cases[] = {
        {0, true, std::nullopt, false, 10000},
        {0, true, 20, false, 20},
        {1, false, std::nullopt, true, 10000},
        {1, false, 600, true, 600},
    };
    for (const auto& c : cases) {
        tk::SyncState state;
        state.running = c.running;
        PassFakes fakes(state);
        fakes.probe.answer = true;
        fakes.probe.probeMs = 120;
        tk::PassServices services = fakes.Services();
        services.intervalShown = c.shown;
        const tk::PassRecord record =
            tk::RunPass(MakeRoster({{true, "127.0.0.2"}, {false, ""}}), state, services, c.manual);
        EXPECT_EQ(record.program.automatic, c.automatic) << c.running;
        EXPECT_EQ(record.program.intervalSeconds, c.interval);
        EXPECT_EQ(record.program.screens, 2);
        EXPECT_EQ(record.durationMs, 120);
    }
}

TEST(Pass, SilentNetworkScreenFailsWithoutALibraryCall) {
    tk::SyncState state;
    PassFakes fakes(state);
    tk::RunPass(
        MakeRoster({{false, "192.168.1.236"}, {true, "10.1.2.3"}, {false, "192.168.1.236"}}), state,
        fakes.Services());
    EXPECT_EQ(fakes.log, (std::vector<std::string>{
                             "adjust 1",
                             "status 状态：1号屏校时成功！",
                             "pump",
                             "probe 10.1.2.3",
                             "status 状态：2号屏校时失败！",
                             "pump",
                             "adjust 3",
                             "status 状态：3号屏校时成功！",
                             "pump",
                             "status 此次校时共：3张卡，其中2张成功，1张失败！",
                         }));
    EXPECT_EQ(state.busy, 0);
}

// One screen's way through the pass: what is asked of probe and library, and the text shown.
TEST(Pass, OneScreenProbeLibraryAndText) {
    const std::string ok = "status 状态：1号屏校时成功！", failed = "status 状态：1号屏校时失败！";
    const std::string oneOk = "status 此次校时共：1张卡，其中1张成功，0张失败！";
    const std::string oneFailed = "status 此次校时共：1张卡，其中0张成功，1张失败！";
    const struct {
        const char* name;
        bool network;
        bool answers;
        int libraryResult;
        std::vector<std::string> log;
    } cases[] = {
        {"serial, any nonzero result is success",
         false,
         false,
         -7,
         {"adjust 1", ok, "pump", oneOk}},
        {"serial, refused", false, true, 0, {"adjust 1", failed, "pump", oneFailed}},
        {"network, answers and set",
         true,
         true,
         1,
         {"probe 127.0.0.9", "adjust 1", ok, "pump", oneOk}},
        {"network, answers, library refuses",
         true,
         true,
         0,
         {"probe 127.0.0.9", "adjust 1", failed, "pump", oneFailed}},
    };
    for (const auto& c : cases) {
        tk::SyncState state;
        PassFakes fakes(state);
        fakes.library.results[1] = c.libraryResult;
        fakes.probe.answers["127.0.0.9"] = c.answers;
        tk::RunPass(MakeRoster({{c.network, "127.0.0.9"}}), state, fakes.Services());
        EXPECT_EQ(fakes.log, c.log) << c.name;
    }
}

// A network screen whose text is no address (the roster's "%d.%d.%d.%d" of numbers out of
// range, cut to 31 characters) fails at once, as unreachable, and is never probed.
TEST(Pass, ScreenWhoseTextIsNoAddressFailsUnprobed) {
    tk::SyncState state;
    PassFakes fakes(state);
    fakes.probe.answer = true;
    tk::RunPass(MakeRoster({{true, "127.0.0.10000000"},
                            {true, "127.0.0.9"},
                            {true, "-2147483648.-2147483648.-214748"},
                            {true, "127.0.0.12"}}),
                state, fakes.Services());
    EXPECT_EQ(fakes.log, (std::vector<std::string>{
                             "status 状态：1号屏校时失败！",
                             "pump",
                             "probe 127.0.0.9 127.0.0.12",
                             "adjust 2",
                             "status 状态：2号屏校时成功！",
                             "pump",
                             "status 状态：3号屏校时失败！",
                             "pump",
                             "adjust 4",
                             "status 状态：4号屏校时成功！",
                             "pump",
                             "status 此次校时共：4张卡，其中2张成功，2张失败！",
                         }));
}

// Network screens are probed together, ahead of their turns; an answer older than 2 s, counted
// from the start of its probe, is not used: the screen is probed again with the next ones, at
// most twice as many as the pass got through since the probe before. 127.0.0.3 is silent, the
// serial screen 2 of the short roster is never probed.
TEST(Pass, ProbesAheadTogetherAndAgainOnceAnswersAreOld) {
    std::vector<Screen> eight = {{true, "127.0.0.1"}, {false, "192.168.1.236"}};
    for (const char* host :
         {"127.0.0.3", "127.0.0.4", "127.0.0.5", "127.0.0.6", "127.0.0.7", "127.0.0.8"}) {
        eight.push_back({true, host});
    }
    std::vector<std::string> hosts15;
    for (int last = 1; last <= 15; ++last) hosts15.push_back("127.0.0." + std::to_string(last));
    std::vector<Screen> fifteen;
    for (const std::string& host : hosts15) fifteen.push_back({true, host.c_str()});
    const std::vector<int> eightAdjusted = {1, 2, 4, 5, 6, 7, 8};
    const char* const kEightSummary = "此次校时共：8张卡，其中7张成功，1张失败！";
    const struct {
        const char* name;
        const std::vector<Screen>& screens;
        std::uint32_t adjustMs;  // what each library call costs on the probe's clock
        std::uint32_t probeMs;   // and each probe
        std::vector<std::string> probes;
        std::vector<int> adjusted;
        const char* summary;
    } cases[] = {
        {"quick calls",
         eight,
         0,
         0,
         {"probe 127.0.0.1 127.0.0.3 127.0.0.4 127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8"},
         eightAdjusted,
         kEightSummary},
        {"1 s a call",
         eight,
         1000,
         0,
         {"probe 127.0.0.1 127.0.0.3 127.0.0.4 127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8",
          "probe 127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8", "probe 127.0.0.8"},
         eightAdjusted,
         kEightSummary},
        // Screen 3's turn comes 2.1 s after the first probe began, 2 s after it ended.
        {"1 s a call, 100 ms a probe",
         eight,
         1000,
         100,
         {"probe 127.0.0.1 127.0.0.3 127.0.0.4 127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8",
          "probe 127.0.0.3 127.0.0.4", "probe 127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8",
          "probe 127.0.0.7 127.0.0.8"},
         eightAdjusted,
         kEightSummary},
        {"1.5 s a call",
         eight,
         1500,
         0,
         {"probe 127.0.0.1 127.0.0.3 127.0.0.4 127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8",
          "probe 127.0.0.3 127.0.0.4", "probe 127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8",
          "probe 127.0.0.7 127.0.0.8"},
         eightAdjusted,
         kEightSummary},
        // The bound starts afresh at each probe: two or three screens (the silent one costs no
        // call) between two probes, so four or six screens a probe.
        {"15 screens, 1.5 s a call",
         fifteen,
         1500,
         0,
         {"probe 127.0.0.1 127.0.0.2 127.0.0.3 127.0.0.4 127.0.0.5 127.0.0.6 127.0.0.7 127.0.0.8 "
          "127.0.0.9 127.0.0.10 127.0.0.11 127.0.0.12 127.0.0.13 127.0.0.14 127.0.0.15",
          "probe 127.0.0.3 127.0.0.4 127.0.0.5 127.0.0.6",
          "probe 127.0.0.6 127.0.0.7 127.0.0.8 127.0.0.9 127.0.0.10 127.0.0.11",
          "probe 127.0.0.8 127.0.0.9 127.0.0.10 127.0.0.11",
          "probe 127.0.0.10 127.0.0.11 127.0.0.12 127.0.0.13",
          "probe 127.0.0.12 127.0.0.13 127.0.0.14 127.0.0.15", "probe 127.0.0.14 127.0.0.15"},
         {1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
         "此次校时共：15张卡，其中14张成功，1张失败！"},
    };
    for (const auto& c : cases) {
        tk::SyncState state;
        PassFakes fakes(state);
        fakes.probe.answer = true;
        fakes.probe.answers["127.0.0.3"] = false;
        fakes.probe.ticks.ms = 0xFFFFF000u;  // past 32 bits during the pass
        fakes.probe.probeMs = c.probeMs;
        fakes.library.onAdjust = [&](int) { fakes.probe.ticks.ms += c.adjustMs; };
        tk::RunPass(MakeRoster(c.screens), state, fakes.Services());
        std::vector<std::string> probes;
        for (const std::string& event : fakes.log) {
            if (event.rfind("probe", 0) == 0) probes.push_back(event);
        }
        EXPECT_EQ(probes, c.probes) << c.name;
        EXPECT_EQ(fakes.library.adjusted, c.adjusted) << c.name;
        EXPECT_EQ(fakes.status.texts.back(), c.summary) << c.name;
    }
}

// A full roster: every screen visited in order with its own number, one pump each, no early stop.
TEST(Pass, FullRosterVisitsEveryScreenOnce) {
    constexpr int kMax = tk::kMaxScreens;
    tk::SyncState state;
    PassFakes fakes(state);
    for (int n = 1; n <= kMax; n += 2) fakes.library.results[n] = 0;
    tk::RunPass(MakeRoster(std::vector<Screen>(kMax, Screen{false, "192.168.1.236"})), state,
                fakes.Services());

    ASSERT_EQ(fakes.log.size(), 3u * kMax + 1);
    for (int n = 1; n <= kMax; ++n) {
        EXPECT_EQ(fakes.log[3 * (n - 1)], "adjust " + std::to_string(n));
        EXPECT_EQ(fakes.log[3 * (n - 1) + 2], "pump");
    }
    EXPECT_EQ(fakes.log[3 * 299 + 1], "status 状态：300号屏校时成功！");
    EXPECT_EQ(fakes.log.back(), "status 此次校时共：300张卡，其中150张成功，150张失败！");
}

// Takes each pass.
class RecordingJournal : public tk::IPassSink {
public:
    void PassEnded(const tk::PassRecord& record) override { passes.push_back(record); }
    std::vector<tk::PassRecord> passes;
};

// An automatic pass: its start, each screen with its address and reason, its summary; the
// tooltip names the failed screens.
TEST(PassLog, AutomaticPassLinesAndTooltip) {
    tk::SyncState state;
    PassFakes fakes(state);
    fakes.library.results[3] = 0;
    RecordingJournal journal;
    tk::PassServices services = fakes.Services();
    services.sinks = {&journal};
    tk::RunPass(MakeRoster({{false, "192.168.1.236"}, {true, "127.0.0.9"}, {false, ""}}), state,
                services);
    ASSERT_EQ(journal.passes.size(), 1u);
    EXPECT_EQ(tk::PassLogLines(journal.passes[0], fakes.clock),
              "2023-11-14 22:13:20\t自动校时开始\r\n"
              "2023-11-14 22:13:21\t状态：1号屏校时成功！\t串口\r\n"
              "2023-11-14 22:13:22\t状态：2号屏校时失败！\t127.0.0.9\t网络不通\r\n"
              "2023-11-14 22:13:23\t状态：3号屏校时失败！\t串口\t控制卡无应答\r\n"
              "2023-11-14 22:13:24\t此次校时共：3张卡，其中1张成功，2张失败！\r\n");
    EXPECT_EQ(tk::StatusTipText(&journal.passes[0], fakes.clock),
              "上次校时：2023-11-14 22:13:20　共3张卡，1张成功，2张失败\r\n"
              "失败：2号屏（网络不通）、3号屏（控制卡无应答）\r\n"
              "双击状态栏打开校时日志");
    EXPECT_EQ(tk::StatusTipText(nullptr, fakes.clock), "尚未校时");
}

// The clock check begins with the pass, runs beside the probes and is awaited once, before the
// first library call (or at the end when no screen gets that far); its line follows the start
// line in the log and the first line of the tooltip. A verdict against the PC's clock sets no
// screen: the log holds the start, the clock line and why.
TEST(PassLog, ClockCheckBeforeTheFirstLibraryCall) {
    tk::ClockReading measured;
    measured.server = "ntp.lan";
    measured.status = tk::ClockCheckStatus::kMeasured;
    measured.measurement = tk::ClockSample{};
    measured.measurement->offsetMicros = -412000;
    tk::ClockReading tooFar = measured;
    tooFar.measurement->offsetMicros = 86400LL * 1000000 + 250000;
    tk::ClockReading early;
    const tk::ClockRules afterRelease;
    tk::ClockRules beforeRelease;
    beforeRelease.beforeRelease = true;
    const struct {
        const char* what;
        tk::ClockReading reading;
        tk::ClockRules rules;
        std::vector<Screen> screens;
        std::vector<std::string> events;
        const char* lines;
        const char* tip;
    } cases[] = {
        {"spread",
         measured,
         afterRelease,
         {{true, "127.0.0.9"}, {false, ""}},
         {"clock begin", "probe 127.0.0.9", "clock await", "adjust 1",
          "status 状态：1号屏校时成功！", "pump", "adjust 2", "status 状态：2号屏校时成功！",
          "pump", "status 此次校时共：2张卡，其中2张成功，0张失败！"},
         "2023-11-14 22:13:20\t自动校时开始\r\n"
         "2023-11-14 22:13:20\t电脑时间与ntp.lan相差-0.412秒\r\n"
         "2023-11-14 22:13:21\t状态：1号屏校时成功！\t127.0.0.9\r\n"
         "2023-11-14 22:13:22\t状态：2号屏校时成功！\t串口\r\n"
         "2023-11-14 22:13:23\t此次校时共：2张卡，其中2张成功，0张失败！\r\n",
         "上次校时：2023-11-14 22:13:20　共2张卡，2张成功，0张失败\r\n"
         "电脑时间与ntp.lan相差-0.412秒\r\n双击状态栏打开校时日志"},
        {"offset too large",
         tooFar,
         afterRelease,
         {{true, "127.0.0.9"}, {false, ""}},
         {"clock begin", "probe 127.0.0.9", "clock await",
          "status (red) 状态：时间相差+86400秒，本次未校时！"},
         "2023-11-14 22:13:20\t自动校时开始\r\n"
         "2023-11-14 22:13:20\t电脑时间与ntp.lan相差+86400.250秒\r\n"
         "2023-11-14 22:13:21\t状态：电脑时间与ntp.lan相差+86400秒，本次未校时！\r\n",
         "上次校时：2023-11-14 22:13:20\r\n电脑时间与ntp.lan相差+86400.250秒\r\n"
         "状态：电脑时间与ntp.lan相差+86400秒，本次未校时！\r\n双击状态栏打开校时日志"},
        {"before the release, no server, no screen reached",
         early,
         beforeRelease,
         {{true, "127.0.0.9"}},
         {"clock begin", "probe 127.0.0.9", "status 状态：1号屏校时失败！", "pump", "clock await",
          "status (red) 状态：电脑日期有误，本次未校时！"},
         "2023-11-14 22:13:20\t自动校时开始\r\n"
         "2023-11-14 22:13:22\t状态：电脑时间早于本程序的发布日期，本次未校时！\r\n",
         "上次校时：2023-11-14 22:13:20\r\n状态：电脑时间早于本程序的发布日期，本次未校时！\r\n"
         "双击状态栏打开校时日志"},
    };
    for (const auto& c : cases) {
        tk::SyncState state;
        PassFakes fakes(state);
        fakes.probe.answer = std::string(c.what) != std::string(cases[2].what);
        tk_test::FakeClockCheck check(&fakes.log);
        check.reading = c.reading;
        tk_test::FakeClockRules rules;
        rules.rules = c.rules;
        tk::PassServices services = fakes.Services();
        services.clockCheck = &check;
        services.clockRules = &rules;
        RecordingJournal journal;
        services.sinks = {&journal};
        tk::RunPass(MakeRoster(c.screens), state, services);
        EXPECT_EQ(fakes.log, c.events) << c.what;
        EXPECT_EQ(check.awaits, 1) << c.what;
        EXPECT_EQ(state.busy, 0);
        ASSERT_EQ(journal.passes.size(), 1u);
        EXPECT_EQ(tk::PassLogLines(journal.passes[0], fakes.clock), c.lines) << c.what;
        EXPECT_EQ(tk::StatusTipText(&journal.passes[0], fakes.clock), c.tip) << c.what;
    }
}

// A manual pass may wait for the time server, an automatic one reads what the check has in hand;
// either takes its rules once, at its start, and holds the reading to them.
TEST(PassClock, ManualWaitsAutomaticReadsInHandRulesOncePerPass) {
    tk::ClockReading measured;
    measured.server = "ntp.lan";
    measured.status = tk::ClockCheckStatus::kMeasured;
    measured.measurement = tk::ClockSample{};
    measured.measurement->offsetMicros = 61 * 1000000LL;
    const struct {
        bool manual;
        std::int64_t bound;
        const char* await;
        const char* end;
    } cases[] = {
        {false, 54000, "clock await", "status 此次校时共：1张卡，其中1张成功，0张失败！"},
        {true, 54000, "clock await manual", "status 此次校时共：1张卡，其中1张成功，0张失败！"},
        {false, 60, "clock await", "status (red) 状态：时间相差+61秒，本次未校时！"},
        {true, 60, "clock await manual", "status (red) 状态：时间相差+61秒，本次未校时！"},
    };
    for (const auto& c : cases) {
        tk::SyncState state;
        PassFakes fakes(state);
        tk_test::FakeClockCheck check(&fakes.log);
        check.reading = measured;
        tk_test::FakeClockRules rules;
        rules.rules.maxOffsetSeconds = c.bound;
        tk::PassServices services = fakes.Services();
        services.clockCheck = &check;
        services.clockRules = &rules;
        const tk::PassRecord record =
            tk::RunPass(MakeRoster({{false, ""}}), state, services, c.manual);
        EXPECT_EQ(fakes.log.at(1), c.await) << c.manual << " " << c.bound;
        EXPECT_EQ(fakes.log.back(), c.end) << c.manual << " " << c.bound;
        EXPECT_EQ(rules.reads, 1);
        EXPECT_EQ(check.starts, 0);  // the pass's Begin starts what is due
        EXPECT_EQ(record.clockRules.maxOffsetSeconds, c.bound);
    }
}

// Twenty failed screens are named, the rest counted; a pass without failures has no such line.
TEST(PassLog, TooltipNamesAtMostTwentyFailures) {
    tk::SyncState state;
    PassFakes fakes(state);
    RecordingJournal journal;
    tk::PassServices services = fakes.Services();
    services.sinks = {&journal};
    tk::RunPass(MakeRoster(std::vector<Screen>(23, Screen{true, "127.0.0.9"})), state, services);
    fakes.probe.answer = true;
    // A manual pass: the record the pass returns is the one its sinks got.
    const tk::PassRecord manual =
        tk::RunPass(MakeRoster({{true, "127.0.0.9"}}), state, services, true);
    ASSERT_EQ(journal.passes.size(), 2u);
    EXPECT_EQ(tk::PassLogLines(manual, fakes.clock),
              "2023-11-14 22:13:45\t手动校时开始\r\n"
              "2023-11-14 22:13:46\t状态：1号屏校时成功！\t127.0.0.9\r\n"
              "2023-11-14 22:13:47\t此次校时共：1张卡，其中1张成功，0张失败！\r\n");
    EXPECT_EQ(tk::PassLogLines(journal.passes[1], fakes.clock),
              tk::PassLogLines(manual, fakes.clock));
    EXPECT_EQ(
        tk::StatusTipText(&journal.passes[0], fakes.clock),
        "上次校时：2023-11-14 22:13:20　共23张卡，0张成功，23张失败\r\n"
        "失败：1号屏（网络不通）、2号屏（网络不通）、3号屏（网络不通）、4号屏（网络不通）、"
        "5号屏（网络不通）、6号屏（网络不通）、7号屏（网络不通）、8号屏（网络不通）、"
        "9号屏（网络不通）、10号屏（网络不通）、11号屏（网络不通）、12号屏（网络不通）、"
        "13号屏（网络不通）、14号屏（网络不通）、15号屏（网络不通）、16号屏（网络不通）、"
        "17号屏（网络不通）、18号屏（网络不通）、19号屏（网络不通）、20号屏（网络不通）等3张\r\n"
        "双击状态栏打开校时日志");
    EXPECT_EQ(tk::StatusTipText(&journal.passes[1], fakes.clock),
              "上次校时：2023-11-14 22:13:45　共1张卡，1张成功，0张失败\r\n"
              "双击状态栏打开校时日志");
}

TEST(PassLog, PathBesideTheExecutable) {
    EXPECT_EQ(tk::LogPathFromModule("C:\\Tools\\TKAdjustTime.exe"), "C:\\Tools\\TKAdjustTime.log");
    EXPECT_EQ(tk::LogPathFromModule("C:\\v1.2\\TK"), "C:\\v1.2\\TK.log");
}

class PassLogFileTest : public tk::test::SettingsDirTest {};

// The log is moved aside only when the lines would take it past 1 MiB, replacing an older
// part; a log that cannot be written leaves a note and nothing else.
TEST_F(PassLogFileTest, MovesAsideAtTheLimitAndNotesFailures) {
    tk_test::FailureRecorder failures;
    const std::string path = m_dir + "/TK.log";
    tk::PassLogFile file(path);
    const std::string lines = "line\r\n";
    std::ofstream(path + ".1", std::ios::binary) << "old";
    std::ofstream(path, std::ios::binary) << std::string(tk::kPassLogLimit - 6, 'x');
    ASSERT_TRUE(tk::AppendPassLog(file, lines));
    EXPECT_EQ(file.Size(), tk::kPassLogLimit);
    EXPECT_EQ(std::filesystem::file_size(path + ".1"), 3u);

    ASSERT_TRUE(tk::AppendPassLog(file, lines));
    EXPECT_EQ(file.Size(), 6);
    EXPECT_EQ(std::filesystem::file_size(path + ".1"), static_cast<uintmax_t>(tk::kPassLogLimit));
    EXPECT_TRUE(failures.notes.empty());

    tk::PassLogFile nowhere(m_dir + "/missing/TK.log");
    EXPECT_FALSE(tk::AppendPassLog(nowhere, lines));
    EXPECT_EQ(failures.notes, std::vector<std::string>{"writing the pass log"});
}

}  // namespace
