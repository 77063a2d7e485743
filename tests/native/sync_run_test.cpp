#include "core/sync/sync_run.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/common/fakes.h"

namespace {

using Log = std::vector<std::string>;
using Keys = std::map<std::pair<std::string, std::string>, std::string>;

// Profile reads and writes over a map; writes fail as told, leaving "access denied".
class MapProfile final : public tk::IProfile {
public:
    explicit MapProfile(Keys& keys) : m_keys(keys) {}
    bool writesFail = false;

    int GetInt(const char* section, const char* key, int def) override {
        const auto found = m_keys.find({section, key});
        return found == m_keys.end() ? def : std::atoi(found->second.c_str());
    }
    unsigned GetString(const char* section, const char* key, const char* def, char* buf,
                       unsigned size) override {
        const auto found = m_keys.find({section, key});
        const std::string value = found == m_keys.end() ? def : found->second;
        const std::string copied = value.substr(0, size - 1);
        copied.copy(buf, copied.size());
        buf[copied.size()] = '\0';
        return static_cast<unsigned>(copied.size());
    }
    bool WriteString(const char* section, const char* key, const char* value) override {
        if (writesFail) {
            errno = EACCES;
            return false;
        }
        m_keys[{section, key}] = value;
        return true;
    }

private:
    Keys& m_keys;
};

// The settings file as a map: a snapshot reads the keys as they stand.
class MapSettings final : public tk::ISettingsFile {
public:
    Keys keys;
    MapProfile direct{keys};

    std::unique_ptr<tk::IProfileReader> Snapshot() override {
        return std::make_unique<MapProfile>(keys);
    }
    tk::IProfile& Direct() override { return direct; }
    tk::SettingsRows LoadSettingsRows(int) override { return {}; }
    bool SaveSettingsRows(const std::vector<tk::ScreenRow>&, tk::FileFailure*) override {
        return false;
    }
};

// The front end as the run sees it, with what the sinks hear, in one log.
struct FrontEnd : tk::ISyncRunView, tk::IPassSink {
    Log& log;
    int unit = 0;
    int32_t value = 10;
    explicit FrontEnd(Log& shared) : log(shared) {}

    void SetStatusText(const std::string& text) override { log.push_back("status " + text); }
    void ShowAutomaticSyncOn(bool on) override { log.push_back(on ? "shown on" : "shown off"); }
    void SetButtonText(const std::string&) override {}
    void SetClockText(const std::string&) override {}
    void ShowMessage(const std::string& text) override { log.push_back("message " + text); }
    int UnitIndex() override { return unit; }
    int32_t TakeIntervalValue() override { return value; }
    void ShowManualPassRunning(bool running) override {
        log.push_back(running ? "manual begins" : "manual ends");
    }
    void ShowPassOver() override { log.push_back("pass over"); }
    void ShowOutcome(bool good, const std::string& text) override {
        log.push_back((good ? "green " : "red ") + text);
    }

    static std::string StateText(const tk::ProgramState& state) {
        return std::to_string(state.automatic ? 1 : 0) + " " +
               std::to_string(state.intervalSeconds) + " " + std::to_string(state.screens);
    }
    void PassEnded(const tk::PassRecord& record) override {
        log.push_back(std::string(record.manual ? "sink manual pass " : "sink pass ") +
                      StateText(record.program));
    }
    void ProgramStarted(const tk::ProgramState& state) override {
        log.push_back("sink started " + StateText(state));
    }
    void ProgramEnding(const tk::ProgramState& state) override {
        log.push_back("sink ending " + StateText(state));
    }
    void StateChanged(const tk::ProgramState& state) override {
        log.push_back("sink state " + StateText(state));
    }
    void SettingSaved() override { log.push_back("sink saved"); }
    void SettingNotSaved(const std::string& reason) override {
        log.push_back("sink not saved " + reason);
    }
};

// A run over a settings file of two serial screens, its front end and fakes, every visible
// step in one log; the clock check counts its queries apart.
struct Harness {
    Log log;
    MapSettings settings;
    tk_test::FakeControllerLibrary library;
    tk_test::FakeProbe probe;
    tk_test::FixedClock clock{8, 5, 9};
    tk_test::FakeRunKey runKey;
    tk_test::FakeClockCheck check;
    tk_test::FakeClockRules rules;
    tk_test::RecordingStatusView status;
    tk_test::RecordingPump pump;
    tk_test::TimerRecorder timers;
    FrontEnd front{log};
    tk::SyncRun run{{settings,
                     library,
                     probe,
                     clock,
                     probe.ticks,
                     runKey,
                     "C:\\Sync\\TK.exe",
                     {&front},
                     check,
                     rules},
                    {front, status, pump, timers}};

    explicit Harness(const Keys& keys = {}) {
        settings.keys = {{{"CONT", "ScreenCount"}, "2"},
                         {{"地址：0", "CommunicationMode"}, "0"},
                         {{"地址：1", "CommunicationMode"}, "0"}};
        for (const auto& key : keys) settings.keys[key.first] = key.second;
    }
    void Tick() { run.OnTimer(tk::kClockTimerId); }
    Log Since(size_t mark) const { return Log(log.begin() + mark, log.end()); }
};

TEST(SyncRun, StartsFromTheSettingsFileAndTellsTheSinks) {
    struct Case {
        const char* sel;
        const char* timer;
        const char* start;
        tk::ShownSettings shown;
        Log told;
    };
    const Case cases[] = {
        // Switched on at start: the switch is heard first, then the start.
        {"1", "5", "1", {1, 5, 1}, {"shown on", "sink state 1 300 2", "sink started 1 300 2"}},
        // Off: the interval the window shows, which a switch-on would use.
        {"0", "45", "0", {0, 45, 0}, {"sink started 0 45 2"}},
        // A value the unit refuses: the interval in force.
        {"0", "75", "0", {0, 75, 0}, {"sink started 0 10000 2"}},
    };
    for (const Case& c : cases) {
        Harness h({{{"CONT", "nSel"}, c.sel},
                   {{"CONT", "Timer"}, c.timer},
                   {{"CONT", "bStart"}, c.start}});
        const tk::ShownSettings shown = h.run.Load();
        EXPECT_EQ(shown.unit, c.shown.unit) << c.timer;
        EXPECT_EQ(shown.intervalValue, c.shown.intervalValue) << c.timer;
        EXPECT_EQ(shown.start, c.shown.start) << c.timer;
        EXPECT_EQ(h.run.Roster().count, 2);
        h.front.unit = shown.unit;
        h.front.value = shown.intervalValue;
        if (shown.start == 1) h.run.Toggle();
        h.run.Started();
        Log told;
        for (const std::string& line : h.log) {
            if (line.rfind("status", 0) != 0) told.push_back(line);
        }
        EXPECT_EQ(told, c.told) << c.timer;
        EXPECT_EQ(h.timers.armed.count(tk::kClockTimerId), 1u);
    }
}

// The query for an automatic pass goes out at the switch-on and on the ticks of its last two
// seconds, never while a pass runs or while automatic synchronisation is off.
TEST(SyncRun, AsksTheTimeServerAheadOfEachAutomaticPass) {
    Harness h({{{"CONT", "nSel"}, "0"}, {{"CONT", "Timer"}, "5"}});
    h.run.Load();
    h.front.value = 5;
    h.run.Started();
    EXPECT_EQ(h.check.starts, 0);
    h.run.Toggle();
    EXPECT_EQ(h.check.starts, 1);

    // Ticks 1 and 2 leave 4 and 3 seconds; ticks 3 and 4 leave 2 and 1.
    const int expected[] = {1, 1, 2, 3};
    for (int queries : expected) {
        h.Tick();
        EXPECT_EQ(h.check.starts, queries) << h.run.State().elapsed;
    }
    int queriesInPass = -1;
    h.pump.onPump = [&] {
        h.Tick();
        queriesInPass = h.check.starts;
    };
    h.run.OnTimer(tk::kPassTimerId);
    EXPECT_EQ(queriesInPass, 3);
    EXPECT_EQ(h.check.begins, 1);
    h.pump.onPump = nullptr;

    h.run.Toggle();
    for (int i = 0; i < 6; ++i) h.Tick();
    EXPECT_EQ(h.check.starts, 3);

    // Every tick of a one-second interval is within the last two, but not one during a pass.
    Harness one({{{"CONT", "nSel"}, "0"}, {{"CONT", "Timer"}, "1"}});
    one.front.value = 1;
    one.run.Load();
    one.run.Toggle();
    one.Tick();
    EXPECT_EQ(one.check.starts, 2);
    one.pump.onPump = [&] { one.Tick(); };
    one.run.OnTimer(tk::kPassTimerId);
    EXPECT_EQ(one.check.starts, 2);
}

// A stop pressed during an automatic pass is heard by the sinks after the pass's record; a
// start pressed during a manual pass, after the manual pass has ended.
TEST(SyncRun, ASwitchDuringAPassFollowsItsRecord) {
    struct Case {
        bool manual;
        Log after;
    };
    const Case cases[] = {
        {false,
         {"sink pass 1 60 2", "pass over", "status 状态：校时停止", "shown off",
          "sink state 0 60 2"}},
        {true,
         {"sink manual pass 0 60 2", "manual ends", "pass over", "status 状态：校时正在运行...",
          "shown on", "sink state 1 60 2"}},
    };
    for (const Case& c : cases) {
        Harness h({{{"CONT", "nSel"}, "1"}, {{"CONT", "Timer"}, "1"}});
        h.front.unit = 1;
        h.front.value = 1;
        h.run.Load();
        h.run.Started();
        if (!c.manual) h.run.Toggle();
        size_t mark = 0;
        h.pump.onPump = [&] {
            if (mark != 0) return;
            h.run.Toggle();
            mark = h.log.size();
        };
        if (c.manual) {
            h.run.RunManualPass();
        } else {
            h.run.OnTimer(tk::kPassTimerId);
        }
        EXPECT_EQ(h.Since(mark), c.after) << c.manual;
        EXPECT_EQ(h.run.State().running, c.manual ? 1 : 0);
        EXPECT_EQ(h.run.State().busy, 0);
    }
}

// Each change of the unit or the value is written at once; a refused write is said in red with
// the system's reason, and every sink hears of it. The sinks hear the new interval either way.
TEST(SyncRun, SettingsAreWrittenAtOnceAndARefusalIsSaid) {
    Harness h({{{"CONT", "nSel"}, "0"}, {{"CONT", "Timer"}, "30"}});
    h.run.Load();
    h.run.Started();
    size_t mark = h.log.size();
    h.run.UnitChanged(1);
    EXPECT_EQ(h.Since(mark), Log({"sink saved", "sink state 0 1800 2"}));
    EXPECT_EQ(h.settings.keys[Keys::key_type("CONT", "nSel")], "1");

    h.settings.direct.writesFail = true;
    mark = h.log.size();
    h.run.IntervalValueChanged(20);
    const std::string reason = std::string("error 13: ") + std::strerror(EACCES);
    EXPECT_EQ(h.Since(mark), Log({"red 状态：设置无法保存：" + reason, "sink not saved " + reason,
                                  "sink state 0 1200 2"}));
    EXPECT_EQ(h.settings.keys[Keys::key_type("CONT", "Timer")], "30");

    mark = h.log.size();
    h.run.ApplyStartWithWindows(1);
    EXPECT_EQ(h.Since(mark),
              Log({"red 状态：设置无法保存：" + reason, "sink not saved " + reason}));
    h.settings.direct.writesFail = false;
    mark = h.log.size();
    h.run.ApplyStartWithWindows(1);
    EXPECT_EQ(h.Since(mark), Log({"green 状态：设置自动启动成功！", "sink saved"}));
    EXPECT_EQ(h.runKey.requests.back(), "close");
}

// The screens edited elsewhere become the roster, the library reads the file again, and the
// end is told once.
TEST(SyncRun, ReloadsTheScreensAndEndsOnce) {
    Harness h;
    h.run.Load();
    h.run.Started();
    h.settings.keys[{"CONT", "ScreenCount"}] = "1";
    size_t mark = h.log.size();
    h.run.ReloadScreens();
    EXPECT_EQ(h.library.reloads, 1);
    EXPECT_EQ(h.Since(mark), Log({"sink state 0 3600 1"}));
    mark = h.log.size();
    EXPECT_TRUE(h.run.End());
    EXPECT_FALSE(h.run.End());
    EXPECT_EQ(h.Since(mark), Log({"sink ending 0 3600 1"}));
}

}  // namespace
