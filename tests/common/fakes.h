// Fakes of the synchronisation core's interfaces, shared by the native and the Windows tests:
// the controller library, the probe, the clock, the timers, the Run key, the status line and
// the one-message pump. Each records what it is asked; given an event log, it also writes each
// request there as a short text ("adjust 1", "SetTimer 2 300000"), so a test can check the
// order of steps across fakes. None of them reaches a real controller, address or timer.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/autostart/autostart.h"
#include "core/sync/clock_text.h"
#include "core/sync/pass.h"
#include "core/sync/pass_texts.h"
#include "core/sync/scheduler.h"

namespace tk_test {

// Requests of several fakes, in the order they were made.
using EventLog = std::vector<std::string>;

// Base of the fakes: writes an event into the shared log, if there is one.
class LoggingFake {
public:
    explicit LoggingFake(EventLog* log) : m_log(log) {}

protected:
    void Note(std::string event) const {
        if (m_log != nullptr) m_log->push_back(std::move(event));
    }

private:
    EventLog* m_log;
};

// The controller library: records the screens asked for and answers 1 unless told otherwise
// for a screen; onAdjust runs inside the call.
class FakeControllerLibrary : public tk::IControllerLibrary, LoggingFake {
public:
    explicit FakeControllerLibrary(EventLog* log = nullptr) : LoggingFake(log) {}

    std::vector<int> adjusted;
    int reloads = 0;
    std::map<int, int> results;  // screen number -> result of AdjustTime
    std::function<void(int screenNumber)> onAdjust;

    int AdjustTime(int screenNumber) override {
        Note("adjust " + std::to_string(screenNumber));
        adjusted.push_back(screenNumber);
        if (onAdjust) onAdjust(screenNumber);
        const auto found = results.find(screenNumber);
        return found == results.end() ? 1 : found->second;
    }
    void ReloadIniFile() override {
        Note("reload");
        ++reloads;
    }
};

// The clock check: "clock begin" and "clock await" events ("clock await manual" for a manual
// pass), the queries started ahead counted, and the reading it is told to give.
class FakeClockCheck : public tk::IClockCheck, LoggingFake {
public:
    explicit FakeClockCheck(EventLog* log = nullptr) : LoggingFake(log) {}

    tk::ClockReading reading;  // no server: the pass as ever
    int begins = 0;
    int awaits = 0;
    int starts = 0;

    void StartQuery() override { ++starts; }
    void Begin() override {
        Note("clock begin");
        ++begins;
    }
    tk::ClockReading Await(bool manual) override {
        Note(manual ? "clock await manual" : "clock await");
        ++awaits;
        return reading;
    }
};

// The rules a pass holds the clock to, as told: by default the widest bound, after the release.
struct FakeClockRules : tk::IClockRules {
    tk::ClockRules rules;
    int reads = 0;
    tk::ClockRules ForPass() override {
        ++reads;
        return rules;
    }
};

// A millisecond count that moves only when the test moves it.
struct ManualTicks : tk::IMonotonicClock {
    std::int64_t ms = 0;
    std::int64_t Milliseconds() override { return ms; }
};

// The probe: records the addresses as dotted texts and answers as told, per host or else with
// answer. Each probe is one event, "probe" and its hosts; its clock stands at `milliseconds`.
class FakeProbe : public tk::IProbe, LoggingFake {
public:
    explicit FakeProbe(EventLog* log = nullptr) : LoggingFake(log) {}

    std::vector<std::string> hosts;
    bool answer = true;
    std::map<std::string, bool> answers;  // host -> answer, in place of `answer`
    std::function<void(const std::string& host)> onProbe;
    ManualTicks ticks;  // the clock a pass ages this probe's answers on

    std::vector<bool> ProbeAll(const std::vector<std::uint32_t>& probed) override {
        std::string event = "probe";
        std::vector<bool> reachable;
        for (const std::uint32_t address : probed) {
            const auto* bytes = reinterpret_cast<const unsigned char*>(&address);
            const std::string host = std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) +
                                     "." + std::to_string(bytes[2]) + "." +
                                     std::to_string(bytes[3]);
            event += " " + host;
            hosts.push_back(host);
            if (onProbe) onProbe(host);
            const auto found = answers.find(host);
            reachable.push_back(found == answers.end() ? answer : found->second);
        }
        Note(event);
        return reachable;
    }
};

// A clock standing still at one local time of day, whose conversion can be made to fail.
class FixedClock : public tk::IClock {
public:
    FixedClock(int hour, int minute, int second)
        : m_hour(hour), m_minute(minute), m_second(second) {}

    bool fails = false;

    int64_t Now() override { return 1700000000; }
    bool ToLocalTime(int64_t, std::tm& local) override {
        if (fails) return false;
        local = std::tm{};
        local.tm_year = 123;
        local.tm_mon = 10;
        local.tm_mday = 14;
        local.tm_hour = m_hour;
        local.tm_min = m_minute;
        local.tm_sec = m_second;
        return true;
    }

private:
    int m_hour, m_minute, m_second;
};

// Timer requests: recorded, never set, so tests fire the timers by hand.
class TimerRecorder : public tk::ITimerService, LoggingFake {
public:
    explicit TimerRecorder(EventLog* log = nullptr) : LoggingFake(log) {}

    std::map<uintptr_t, uint32_t> armed;  // timer ID -> period

    void SetTimer(uintptr_t id, uint32_t periodMs) override {
        Note("SetTimer " + std::to_string(id) + " " + std::to_string(periodMs));
        armed[id] = periodMs;
    }
    void KillTimer(uintptr_t id) override {
        Note("KillTimer " + std::to_string(id));
        armed.erase(id);
    }
};

// The Run key: opening, setting and deleting succeed unless told otherwise; every request is
// recorded ("open", "set [name]=data", "delete [name]", "close").
class FakeRunKey : public tk::IRunKey, LoggingFake {
public:
    explicit FakeRunKey(EventLog* log = nullptr) : LoggingFake(log) {}

    bool opens = true;
    bool setWorks = true;
    bool deleteWorks = true;
    std::vector<std::string> requests;

    bool Open() override {
        Request("open");
        return opens;
    }
    bool SetValue(const std::string& name, const std::string& data) override {
        Request("set [" + name + "]=" + data);
        return setWorks;
    }
    bool DeleteValue(const std::string& name) override {
        Request("delete [" + name + "]");
        return deleteWorks;
    }
    void Close() override { Request("close"); }

private:
    void Request(const std::string& request) {
        Note(request);
        requests.push_back(request);
    }
};

// The status line: "status <text>" with the text it would show, a refusal's in red
// "status (red) <text>".
class RecordingStatusView : public tk::IStatusView, public tk::IPassView, LoggingFake {
public:
    explicit RecordingStatusView(EventLog* log = nullptr) : LoggingFake(log) {}

    std::vector<std::string> texts;

    void SetStatusText(const std::string& text) override {
        Note("status " + text);
        texts.push_back(text);
    }
    void ShowScreen(const tk::ScreenOutcome& screen) override {
        SetStatusText(
            tk::ScreenResultText(screen.number, screen.failure == tk::ScreenFailure::kNone));
    }
    void ShowPassEnded(const tk::PassRecord& record) override {
        const std::string text = tk::PassEndStatusText(record);
        Note((record.Refused() ? "status (red) " : "status ") + text);
        texts.push_back(text);
    }
};

// The one-message pump: "pump"; onPump runs where a window message would be dispatched.
class RecordingPump : public tk::IMessagePump, LoggingFake {
public:
    explicit RecordingPump(EventLog* log = nullptr) : LoggingFake(log) {}

    int pumps = 0;
    std::function<void()> onPump;

    void PumpOne() override {
        Note("pump");
        ++pumps;
        if (onPump) onPump();
    }
};

}  // namespace tk_test
