// The program's events: which passes and notifications write one, of which type and ID, with
// which strings; the switch in the settings file; and the registration of the event source.
#include "core/sync/pass_events.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/sync/event_source.h"

namespace {

using Texts = std::vector<std::string>;

// Records each event as "E 1003 first|second" (E, W, I for the type); fails as told.
class RecordingEventLog : public tk::IEventLog {
public:
    Texts events;
    bool works = true;

    bool Report(tk::EventType type, int id, const std::vector<std::string>& strings,
                std::string* why) override {
        if (!works) {
            *why = "error 1502: 事件日志文件已满。";
            return false;
        }
        std::string event = type == tk::EventType::kError     ? "E "
                            : type == tk::EventType::kWarning ? "W "
                                                              : "I ";
        event += std::to_string(id);
        for (size_t i = 0; i < strings.size(); ++i) event += (i == 0 ? " " : "|") + strings[i];
        events.push_back(event);
        return true;
    }
};

// The settings file's bEventLog, missing unless set; any other key reads its default.
class SwitchSettings : public tk::IProfileReader {
public:
    std::optional<std::string> eventLog;

    int GetInt(const char*, const char*, int def) override { return def; }
    unsigned GetString(const char* section, const char* key, const char* def, char* buf,
                       unsigned size) override {
        const std::string text =
            std::string(section) == "CONT" && std::string(key) == tk::kEventLogKey && eventLog
                ? *eventLog
                : def;
        const size_t n = std::min<size_t>(text.size(), size - 1);
        text.copy(buf, n);
        buf[n] = '\0';
        return static_cast<unsigned>(n);
    }
};

class NotesRecorder : public tk::IJournalNotes {
public:
    Texts notes;
    void AddNote(const std::string& text) override { notes.push_back(text); }
};

// Three screens: 1 and 2 on the network, 3 on a serial port.
tk::PassRecord Pass(tk::ScreenFailure second = tk::ScreenFailure::kNone,
                    tk::ScreenFailure third = tk::ScreenFailure::kNone) {
    tk::PassRecord record;
    record.count = 3;
    record.screens = {{0, 1, true, "127.0.0.8", tk::ScreenFailure::kNone},
                      {0, 2, true, "127.0.0.9", second},
                      {0, 3, false, "", third}};
    record.failures = (second != tk::ScreenFailure::kNone) + (third != tk::ScreenFailure::kNone);
    return record;
}

// A pass that set no screen: the server a day ahead, or (without a server) a date before the
// release.
tk::PassRecord Refused(bool offset) {
    tk::PassRecord record;
    record.count = 3;
    tk::ClockReading reading;
    if (offset) {
        reading.server = "127.0.0.20";
        reading.status = tk::ClockCheckStatus::kMeasured;
        reading.measurement = tk::ClockSample{};
        reading.measurement->offsetMicros = 86400012000;
    } else {
        record.clockRules.beforeRelease = true;
    }
    record.clock = reading;
    record.verdict = tk::VerdictOf(reading, record.clockRules);
    return record;
}

constexpr tk::ScreenFailure kSet = tk::ScreenFailure::kNone;
constexpr tk::ScreenFailure kNoAnswer = tk::ScreenFailure::kNoAnswer;
constexpr tk::ScreenFailure kNoReply = tk::ScreenFailure::kNoReply;

const char kStarted[] = "I 1000 3.4|此次校时共：3张卡，其中3张成功，0张失败！";
const char kAgain[] = "I 1001 此次校时共：3张卡，其中3张成功，0张失败！";
const char kSecondFailed[] =
    "W 1002 此次校时共：3张卡，其中2张成功，1张失败！|2号屏\t127.0.0.9\t网络不通";
const char kThirdFailed[] =
    "W 1002 此次校时共：3张卡，其中2张成功，1张失败！|3号屏\t串口\t控制卡无应答";
const char kBothFailed[] =
    "W 1002 此次校时共：3张卡，其中1张成功，2张失败！|2号屏\t127.0.0.9\t网络不通\r\n"
    "3号屏\t串口\t控制卡无应答";
const char kOffsetRefused[] =
    "E 1003 状态：电脑时间与127.0.0.20相差+86400秒，本次未校时！|"
    "电脑时间与127.0.0.20相差+86400.012秒";
const char kReleaseRefused[] = "E 1003 状态：电脑时间早于本程序的发布日期，本次未校时！|";

// One step of a run: a pass's record, or bEventLog set to a text (nullopt: removed).
struct Step {
    std::optional<tk::PassRecord> pass;
    std::optional<std::string> eventLog = std::nullopt;
    bool removeSwitch = false;
};
Step P(tk::PassRecord record) { return {std::move(record)}; }
Step Switch(const char* text) { return {std::nullopt, std::string(text)}; }
Step RemoveSwitch() { return {std::nullopt, std::nullopt, true}; }

TEST(PassEvents, AnEventWhenThePassesTakeATurn) {
    const struct {
        const char* what;
        std::vector<Step> steps;
        Texts events;
    } cases[] = {
        {"the first pass says the program started", {P(Pass())}, {kStarted}},
        {"passes like the one before write nothing", {P(Pass()), P(Pass()), P(Pass())}, {kStarted}},
        {"a first pass with failures warns instead",
         {P(Pass(kNoAnswer)), P(Pass())},
         {kSecondFailed, kAgain}},
        {"the same failures again write nothing, others warn again",
         {P(Pass(kNoAnswer)), P(Pass(kNoAnswer)), P(Pass(kNoAnswer, kNoReply)),
          P(Pass(kSet, kNoReply)), P(Pass(kSet, kNoReply))},
         {kSecondFailed, kBothFailed, kThirdFailed}},
        {"every screen set again, once",
         {P(Pass()), P(Pass(kNoAnswer)), P(Pass()), P(Pass())},
         {kStarted, kSecondFailed, kAgain}},
        {"a refusal after a pass that was not: an error; then every screen set again",
         {P(Pass()), P(Refused(true)), P(Refused(true)), P(Pass())},
         {kStarted, kOffsetRefused, kAgain}},
        {"refusals in a row, for either reason, write one error",
         {P(Refused(true)), P(Refused(false)), P(Pass()), P(Refused(false))},
         {kOffsetRefused, kAgain, kReleaseRefused}},
        {"failures after a refusal warn even when they are those of the pass before it",
         {P(Pass(kNoAnswer)), P(Refused(true)), P(Pass(kNoAnswer))},
         {kSecondFailed, kOffsetRefused, kSecondFailed}},
        {"switched off, passes still count as the pass before",
         {Switch("0"), P(Pass(kNoAnswer)), Switch("1"), P(Pass(kNoAnswer)),
          P(Pass(kNoAnswer, kNoReply)), Switch(" 0 "), P(Pass()), RemoveSwitch(), P(Pass())},
         {kBothFailed}},
        {"switched off for the first pass, no start is told later",
         {Switch("0"), P(Pass()), Switch(""), P(Pass()), P(Refused(true))},
         {kOffsetRefused}},
    };
    for (const auto& c : cases) {
        RecordingEventLog log;
        SwitchSettings settings;
        NotesRecorder notes;
        tk::PassEvents events({log, settings, notes, "C:\\TK\\TK100_Dll_Set.ini", "", "3.4"});
        for (const Step& step : c.steps) {
            if (step.pass) events.PassEnded(*step.pass);
            if (step.eventLog) settings.eventLog = step.eventLog;
            if (step.removeSwitch) settings.eventLog.reset();
        }
        EXPECT_EQ(log.events, c.events) << c.what;
        EXPECT_EQ(notes.notes, Texts{}) << c.what;
    }
}

// Only "0" switches the events off; the profile API strips the blanks around it.
TEST(PassEvents, TheSwitchInTheSettingsFile) {
    const struct {
        std::optional<std::string> text;
        bool on;
    } cases[] = {{std::nullopt, true}, {"", true},   {"1", true},  {"0", false},
                 {" 0\t", false},      {"00", true}, {"no", true}, {"off", true}};
    for (const auto& c : cases) {
        RecordingEventLog log;
        SwitchSettings settings;
        settings.eventLog = c.text;
        NotesRecorder notes;
        tk::PassEvents events({log, settings, notes, "C:\\TK\\TK100_Dll_Set.ini", "", "3.4"});
        events.SettingNotSaved("error 5: 拒绝访问。");
        EXPECT_EQ(log.events.size(), c.on ? 1u : 0u) << c.text.value_or("(missing)");
    }
}

// The start tells of a folder that cannot be written; each setting not saved is an error of its
// own; an event that cannot be written leaves a note in the log and the tooltip.
TEST(PassEvents, TheProgramsStartAndSettingsNotSaved) {
    RecordingEventLog log;
    SwitchSettings settings;
    NotesRecorder notes;
    tk::PassEvents writable({log, settings, notes, "C:\\TK\\TK100_Dll_Set.ini", "", "3.4"});
    writable.ProgramStarted({});
    EXPECT_EQ(log.events, Texts{});

    tk::PassEvents events(
        {log, settings, notes, "C:\\TK\\TK100_Dll_Set.ini", "error 5: 拒绝访问。", "3.4"});
    events.ProgramStarted({});
    events.SettingNotSaved("error 5: 拒绝访问。");
    events.SettingNotSaved("error 32: 另一个程序正在使用此文件，进程无法访问。");
    events.ProgramEnding({});
    EXPECT_EQ(log.events, (Texts{"E 1005 C:\\TK|error 5: 拒绝访问。",
                                 "E 1004 C:\\TK\\TK100_Dll_Set.ini|error 5: 拒绝访问。",
                                 "E 1004 C:\\TK\\TK100_Dll_Set.ini|error 32: "
                                 "另一个程序正在使用此文件，进程无法访问。"}));
    EXPECT_EQ(notes.notes, Texts{});

    log.works = false;
    events.PassEnded(Pass(kNoAnswer));
    events.PassEnded(Pass(kNoAnswer));
    EXPECT_EQ(notes.notes, Texts{"Windows事件日志无法写入：error 1502: 事件日志文件已满。"});
}

// The registry as the source's registration sees it; Register() makes it this program's.
class FakeRegistry : public tk::IEventSourceRegistry {
public:
    tk::SourceRegistration registration = tk::SourceRegistration::kMissing;
    bool elevated = false;
    bool writes = true;
    int registered = 0;

    tk::SourceRegistration Registration() override { return registration; }
    bool Elevated() override { return elevated; }
    bool Register() override {
        ++registered;
        if (writes) registration = tk::SourceRegistration::kThisProgram;
        return writes;
    }
};

TEST(EventSource, RegisteredWhenMissingOrElsewhereAndTheProcessMay) {
    using R = tk::SourceRegistration;
    const struct {
        const char* what;
        bool elevated;
        R registration;
        bool writes;
        bool result;
        int registered;
    } cases[] = {
        {"elevated, missing", true, R::kMissing, true, true, 1},
        {"elevated, another path", true, R::kOtherPath, true, true, 1},
        {"elevated, this program", true, R::kThisProgram, true, false, 0},
        {"elevated, the write fails", true, R::kMissing, false, false, 1},
        {"not elevated, missing", false, R::kMissing, true, false, 0},
        {"not elevated, another path", false, R::kOtherPath, true, false, 0},
        {"not elevated, this program", false, R::kThisProgram, true, false, 0},
    };
    for (const auto& c : cases) {
        FakeRegistry registry;
        registry.elevated = c.elevated;
        registry.registration = c.registration;
        registry.writes = c.writes;
        EXPECT_EQ(tk::EnsureEventSource(registry), c.result) << c.what;
        EXPECT_EQ(registry.registered, c.registered) << c.what;
    }
}

}  // namespace
