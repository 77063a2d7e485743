#include "core/pass.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/roster.h"
#include "tests/common/fakes.h"

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
        std::snprintf(roster.entries[i].address, sizeof roster.entries[i].address, "%s",
                      screens[i].address);
    }
    return roster;
}

using tk_test::EventLog;

// The window around a manual pass.
class ManualPassView : public tk::IManualPassView {
public:
    explicit ManualPassView(EventLog& log) : m_log(log) {}
    void ShowManualPassRunning(bool running) override {
        m_log.push_back(running ? "manual pass shown running" : "manual pass shown over");
    }

private:
    EventLog& m_log;
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
    tk::PassServices Services() { return {library, probe, status, pump}; }

    tk::SyncState& state;
    EventLog log;
    tk_test::FakeControllerLibrary library{&log};
    tk_test::FakeProbe probe{&log};
    tk_test::RecordingStatusView status{&log};
    tk_test::RecordingPump pump{&log};
    ManualPassView view{log};
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

// The probe is asked for the whole address text, up to the 31 characters an entry holds (the
// roster's "%d.%d.%d.%d" of large numbers, cut to fit).
TEST(Pass, ProbeGetsTheWholeAddressText) {
    tk::SyncState state;
    PassFakes fakes(state);
    tk::RunPass(MakeRoster({{true, "127.0.0.10000000"}, {true, "-2147483648.-2147483648.-214748"}}),
                state, fakes.Services());
    EXPECT_EQ(fakes.log, (std::vector<std::string>{
                             "probe 127.0.0.10000000",
                             "status 状态：1号屏校时失败！",
                             "pump",
                             "probe -2147483648.-2147483648.-214748",
                             "status 状态：2号屏校时失败！",
                             "pump",
                             "status 此次校时共：2张卡，其中0张成功，2张失败！",
                         }));
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

TEST(ManualPass, WindowShowsThePassRunningAroundIt) {
    tk::SyncState state;
    PassFakes fakes(state);
    fakes.probe.answers["127.0.0.1"] = true;
    tk::RunManualPass(MakeRoster({{true, "127.0.0.1"}}), state, fakes.Services(), fakes.view);
    EXPECT_EQ(fakes.log, (std::vector<std::string>{
                             "manual pass shown running",
                             "probe 127.0.0.1",
                             "adjust 1",
                             "status 状态：1号屏校时成功！",
                             "pump",
                             "status 此次校时共：1张卡，其中1张成功，0张失败！",
                             "manual pass shown over",
                         }));
    EXPECT_EQ(state.busy, 0);
}

}  // namespace
