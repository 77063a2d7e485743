#include "core/pass.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "core/roster.h"

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

// Stands in for the library, the probe, the status line, the pump and the window at once,
// writing everything they are asked into one log. Nothing here touches the network.
class Recorder : public tk::IControllerLibrary,
                 public tk::IProbe,
                 public tk::IStatusView,
                 public tk::IMessagePump,
                 public tk::IManualPassView {
public:
    explicit Recorder(const tk::SyncState& state) : m_state(state) {}

    std::vector<std::string> log;
    std::map<int, int> adjustResults;          // screen number -> library result (default 1)
    std::map<std::string, bool> probeAnswers;  // host -> answers (default false)

    int AdjustTime(int screenNumber) override {
        log.push_back("adjust " + std::to_string(screenNumber) + Busy());
        const auto found = adjustResults.find(screenNumber);
        return found == adjustResults.end() ? 1 : found->second;
    }
    void ReloadIniFile() override { log.push_back("reload"); }
    bool Probe(const char* host) override {
        log.push_back(std::string("probe ") + host + Busy());
        const auto found = probeAnswers.find(host);
        return found != probeAnswers.end() && found->second;
    }
    void SetStatusText(const std::string& text) override { log.push_back(text); }
    void PumpOne() override { log.push_back("pump" + Busy()); }
    void ShowManualPassRunning(bool running) override {
        log.push_back(running ? "manual pass shown running" : "manual pass shown over");
    }

    tk::PassServices Services() { return {*this, *this, *this, *this}; }

private:
    // Marks calls made while the busy flag is not set, so a missing flag shows in the log.
    std::string Busy() const { return m_state.busy == 1 ? "" : " (not busy)"; }

    const tk::SyncState& m_state;
};

TEST(Pass, EmptyRosterReportsOnlyTheSummary) {
    tk::SyncState state;
    state.running = 1;
    state.elapsed = 42;
    state.interval = 300;
    Recorder recorder(state);
    tk::RunPass(MakeRoster({}), state, recorder.Services());
    EXPECT_EQ(recorder.log, std::vector<std::string>{"此次校时共：0张卡，其中0张成功，0张失败！"});
    EXPECT_EQ(state.busy, 0);
    EXPECT_EQ(state.elapsed, 0);
    EXPECT_EQ(state.running, 1);
    EXPECT_EQ(state.interval, 300);
}

TEST(Pass, SilentNetworkScreenFailsWithoutALibraryCall) {
    tk::SyncState state;
    Recorder recorder(state);
    tk::RunPass(
        MakeRoster({{false, "192.168.1.236"}, {true, "10.1.2.3"}, {false, "192.168.1.236"}}), state,
        recorder.Services());
    EXPECT_EQ(recorder.log, (std::vector<std::string>{
                                "adjust 1",
                                "状态：1号屏校时成功！",
                                "pump",
                                "probe 10.1.2.3",
                                "状态：2号屏校时失败！",
                                "pump",
                                "adjust 3",
                                "状态：3号屏校时成功！",
                                "pump",
                                "此次校时共：3张卡，其中2张成功，1张失败！",
                            }));
    EXPECT_EQ(state.busy, 0);
}

// One screen's way through the pass: what is asked of probe and library, and the text shown.
TEST(Pass, OneScreenProbeLibraryAndText) {
    const std::string ok = "状态：1号屏校时成功！", failed = "状态：1号屏校时失败！";
    const std::string oneOk = "此次校时共：1张卡，其中1张成功，0张失败！";
    const std::string oneFailed = "此次校时共：1张卡，其中0张成功，1张失败！";
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
        Recorder recorder(state);
        recorder.adjustResults[1] = c.libraryResult;
        recorder.probeAnswers["127.0.0.9"] = c.answers;
        tk::RunPass(MakeRoster({{c.network, "127.0.0.9"}}), state, recorder.Services());
        EXPECT_EQ(recorder.log, c.log) << c.name;
    }
}

// A full roster: every screen visited in order with its own number, one pump each, no early stop.
TEST(Pass, FullRosterVisitsEveryScreenOnce) {
    constexpr int kMax = tk::ScreenRoster::kMaxScreens;
    tk::SyncState state;
    Recorder recorder(state);
    for (int n = 1; n <= kMax; n += 2) recorder.adjustResults[n] = 0;
    tk::RunPass(MakeRoster(std::vector<Screen>(kMax, Screen{false, "192.168.1.236"})), state,
                recorder.Services());

    ASSERT_EQ(recorder.log.size(), 3u * kMax + 1);
    for (int n = 1; n <= kMax; ++n) {
        EXPECT_EQ(recorder.log[3 * (n - 1)], "adjust " + std::to_string(n));
        EXPECT_EQ(recorder.log[3 * (n - 1) + 2], "pump");
    }
    EXPECT_EQ(recorder.log[3 * 299 + 1], "状态：300号屏校时成功！");
    EXPECT_EQ(recorder.log.back(), "此次校时共：300张卡，其中150张成功，150张失败！");
}

TEST(ManualPass, WindowShowsThePassRunningAroundIt) {
    tk::SyncState state;
    Recorder recorder(state);
    recorder.probeAnswers["127.0.0.1"] = true;
    tk::RunManualPass(MakeRoster({{true, "127.0.0.1"}}), state, recorder.Services(), recorder);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{
                                "manual pass shown running",
                                "probe 127.0.0.1",
                                "adjust 1",
                                "状态：1号屏校时成功！",
                                "pump",
                                "此次校时共：1张卡，其中1张成功，0张失败！",
                                "manual pass shown over",
                            }));
    EXPECT_EQ(state.busy, 0);
}

}  // namespace
