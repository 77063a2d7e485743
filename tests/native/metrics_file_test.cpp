// The metrics file: its text for the program's state and a run of passes, label values in
// UTF-8 with the format's escapes, the sink's writes and notes, and promtool's word on a file
// the real writer produced.
#include "core/sync/metrics_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/base/gbk_utf8.h"
#include "core/store/atomic_file.h"
#include "tests/common/fakes.h"
#include "tests/common/gbk_utf8_cases.h"

namespace {

// "大厅" and "校时服务器" as UTF-8 (the literals of this file are GBK).
#define HALL_UTF8 "\xE5\xA4\xA7\xE5\x8E\x85"
// The folder label every sample of Program()'s file begins with.
#define FOLDER_LABEL "folder=\"C:\\\\LED\\\\" HALL_UTF8 "\""
#define SERVER_UTF8 "\xE6\xA0\xA1\xE6\x97\xB6\xE6\x9C\x8D\xE5\x8A\xA1\xE5\x99\xA8"

tk::MetricsProgram Program() {
    tk::MetricsProgram program;
    program.version = "3.4";
    program.folder = "C:\\LED\\大厅";
    program.startTime = 1700000000;
    program.state = {true, 600, 4};
    return program;
}

// The sample lines of the families whose names start with one of prefixes, in order.
std::string SamplesOf(const std::string& text, const std::vector<std::string>& prefixes) {
    std::istringstream in(text);
    std::string line, out;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        for (const std::string& prefix : prefixes) {
            if (line.compare(0, prefix.size(), prefix) == 0) {
                out += line + "\n";
                break;
            }
        }
    }
    return out;
}

tk::ClockReading Reading(const char* server, tk::ClockCheckStatus status, bool measured,
                         std::int64_t offsetMicros, std::int64_t ageSeconds,
                         std::int64_t delayMicros = 0) {
    tk::ClockReading reading;
    reading.server = server;
    reading.status = status;
    if (measured) {
        reading.measurement = tk::ClockSample{};
        reading.measurement->offsetMicros = offsetMicros;
        reading.measurement->delayMicros = delayMicros;
    }
    reading.ageSeconds = ageSeconds;
    return reading;
}

tk::ScreenOutcome Net(std::int64_t time, int number, const char* address,
                      tk::ScreenFailure failure = tk::ScreenFailure::kNone) {
    return {time, number, true, address, failure};
}
tk::ScreenOutcome Serial(std::int64_t time, int number) {
    return {time, number, false, "", tk::ScreenFailure::kNone};
}

TEST(MetricsText, BeforeTheFirstPassTheProgramAndZeroCounts) {
    EXPECT_EQ(tk::MetricsText(Program(), tk::PassTally()),
              "# HELP tk_sync_info The program's version and folder.\n"
              "# TYPE tk_sync_info gauge\n"
              "tk_sync_info{" FOLDER_LABEL
              ",version=\"3.4\"} 1\n"
              "# HELP tk_sync_running 1 while the program runs; 0 once it ended cleanly.\n"
              "# TYPE tk_sync_running gauge\n"
              "tk_sync_running{" FOLDER_LABEL
              "} 1\n"
              "# HELP tk_sync_start_time_seconds Unix time the program started.\n"
              "# TYPE tk_sync_start_time_seconds gauge\n"
              "tk_sync_start_time_seconds{" FOLDER_LABEL
              "} 1700000000\n"
              "# HELP tk_sync_automatic 1 while automatic synchronisation is on.\n"
              "# TYPE tk_sync_automatic gauge\n"
              "tk_sync_automatic{" FOLDER_LABEL
              "} 1\n"
              "# HELP tk_sync_interval_seconds Seconds between automatic passes, as the window "
              "shows them.\n"
              "# TYPE tk_sync_interval_seconds gauge\n"
              "tk_sync_interval_seconds{" FOLDER_LABEL
              "} 600\n"
              "# HELP tk_sync_screens Screens in the roster.\n"
              "# TYPE tk_sync_screens gauge\n"
              "tk_sync_screens{" FOLDER_LABEL
              "} 4\n"
              "# HELP tk_sync_passes_total Passes since the program started, by kind (manual, "
              "automatic) and outcome (set: the screens were tried; refused: none, because of "
              "the PC's clock).\n"
              "# TYPE tk_sync_passes_total counter\n"
              "tk_sync_passes_total{" FOLDER_LABEL
              ",kind=\"manual\",outcome=\"set\"} 0\n"
              "tk_sync_passes_total{" FOLDER_LABEL
              ",kind=\"manual\",outcome=\"refused\"} 0\n"
              "tk_sync_passes_total{" FOLDER_LABEL
              ",kind=\"automatic\",outcome=\"set\"} 0\n"
              "tk_sync_passes_total{" FOLDER_LABEL
              ",kind=\"automatic\",outcome=\"refused\"} 0\n"
              "# HELP tk_sync_settings_writable 0 when the program's folder cannot be written or "
              "a setting could not be saved.\n"
              "# TYPE tk_sync_settings_writable gauge\n"
              "tk_sync_settings_writable{" FOLDER_LABEL
              "} 1\n"
              "# HELP tk_sync_log_writable 0 when the last pass's lines could not be written to "
              "the log.\n"
              "# TYPE tk_sync_log_writable gauge\n"
              "tk_sync_log_writable{" FOLDER_LABEL "} 1\n");
}

// A run of passes, each added to the same tally: the families of the last pass, the screens,
// the counts and the clock after each.
TEST(MetricsText, ARunOfPasses) {
    tk::PassRecord first;
    first.started = 1700000100;
    first.screens = {Net(1700000101, 1, "127.0.0.2"),
                     Net(1700000101, 2, "127.0.0.3", tk::ScreenFailure::kNoAnswer),
                     Serial(1700000102, 3),
                     Net(1700000103, 4, "127.0.0.5", tk::ScreenFailure::kNoReply)};
    first.ended = 1700000103;
    first.durationMs = 2350;
    first.count = 4;
    first.failures = 2;
    first.clock = Reading("ntp.example", tk::ClockCheckStatus::kMeasured, true, -1500, 0, 2250);

    // Refused: the clock 60,000 s off by a measurement 64 s old that a failed query left.
    tk::PassRecord refused;
    refused.manual = true;
    refused.started = 1700000700;
    refused.ended = 1700000701;
    refused.count = 4;
    refused.durationMs = 200;
    refused.clock = Reading("校时服务器", tk::ClockCheckStatus::kNoAnswer, true, 60000000000, 64);
    refused.clock->measurement->server = "ntp.example";  // before the setting named another
    refused.verdict = tk::ClockVerdict::kOffsetTooLarge;

    // The roster shrank to two, and screen 1 has another address; a RATE kiss, no measurement.
    tk::PassRecord shrunk;
    shrunk.manual = true;
    shrunk.started = 1700001000;
    shrunk.screens = {Net(1700001000, 1, "127.0.0.9"), Serial(1700001001, 2)};
    shrunk.ended = 1700001001;
    shrunk.count = 2;
    shrunk.clock = Reading("ntp.example", tk::ClockCheckStatus::kRateLimited, false, 0, 0);

    // No screens and no clock check at all; then a server text that names none.
    tk::PassRecord empty;
    empty.started = 1700002000;
    empty.ended = 1700002000;
    tk::PassRecord noServer = empty;
    noServer.clock = Reading("", tk::ClockCheckStatus::kNoAnswer, false, 0, 0);

    const struct {
        const char* what;
        const tk::PassRecord& record;
        const char* samples;
    } steps[] = {
        {"three results and a measurement", first,
         "tk_sync_last_pass_end_time_seconds{" FOLDER_LABEL "} 1700000103\n"
         "tk_sync_last_pass_duration_seconds{" FOLDER_LABEL "} 2.350000\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"set\"} 2\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"no_answer\"} 1\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"no_reply\"} 1\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"not_set\"} 0\n"
         "tk_sync_last_pass_refused{" FOLDER_LABEL "} 0\n"
         "tk_sync_screen_set{" FOLDER_LABEL ",screen=\"1\",address=\"127.0.0.2\"} 1\n"
         "tk_sync_screen_set{" FOLDER_LABEL ",screen=\"2\",address=\"127.0.0.3\"} 0\n"
         "tk_sync_screen_set{" FOLDER_LABEL ",screen=\"3\",address=\"\"} 1\n"
         "tk_sync_screen_set{" FOLDER_LABEL ",screen=\"4\",address=\"127.0.0.5\"} 0\n"
         "tk_sync_screen_last_set_time_seconds{" FOLDER_LABEL ",screen=\"1\"} 1700000101\n"
         "tk_sync_screen_last_set_time_seconds{" FOLDER_LABEL ",screen=\"3\"} 1700000102\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"manual\",outcome=\"set\"} 0\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"manual\",outcome=\"refused\"} 0\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"automatic\",outcome=\"set\"} 1\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"automatic\",outcome=\"refused\"} 0\n"
         "tk_sync_clock_offset_seconds{" FOLDER_LABEL ",server=\"ntp.example\"} -0.001500\n"
         "tk_sync_clock_delay_seconds{" FOLDER_LABEL ",server=\"ntp.example\"} 0.002250\n"
         "tk_sync_clock_measured_time_seconds{" FOLDER_LABEL ",server=\"ntp.example\"} 1700000100\n"
         "tk_sync_clock_check{" FOLDER_LABEL ",server=\"ntp.example\",status=\"measured\"} 1\n"},
        {"refused: every screen not set, the addresses and times kept", refused,
         "tk_sync_last_pass_end_time_seconds{" FOLDER_LABEL "} 1700000701\n"
         "tk_sync_last_pass_duration_seconds{" FOLDER_LABEL "} 0.200000\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"set\"} 0\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"no_answer\"} 0\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"no_reply\"} 0\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"not_set\"} 4\n"
         "tk_sync_last_pass_refused{" FOLDER_LABEL "} 1\n"
         "tk_sync_screen_set{" FOLDER_LABEL ",screen=\"1\",address=\"127.0.0.2\"} 0\n"
         "tk_sync_screen_set{" FOLDER_LABEL ",screen=\"2\",address=\"127.0.0.3\"} 0\n"
         "tk_sync_screen_set{" FOLDER_LABEL ",screen=\"3\",address=\"\"} 0\n"
         "tk_sync_screen_set{" FOLDER_LABEL ",screen=\"4\",address=\"127.0.0.5\"} 0\n"
         "tk_sync_screen_last_set_time_seconds{" FOLDER_LABEL ",screen=\"1\"} 1700000101\n"
         "tk_sync_screen_last_set_time_seconds{" FOLDER_LABEL ",screen=\"3\"} 1700000102\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"manual\",outcome=\"set\"} 0\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"manual\",outcome=\"refused\"} 1\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"automatic\",outcome=\"set\"} 1\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"automatic\",outcome=\"refused\"} 0\n"
         "tk_sync_clock_offset_seconds{" FOLDER_LABEL ",server=\"ntp.example\"} 60000.000000\n"
         "tk_sync_clock_delay_seconds{" FOLDER_LABEL ",server=\"ntp.example\"} 0.000000\n"
         "tk_sync_clock_measured_time_seconds{" FOLDER_LABEL ",server=\"ntp.example\"} 1700000636\n"
         "tk_sync_clock_check{" FOLDER_LABEL ",server=\"" SERVER_UTF8
         "\",status=\"no_answer\"} 1\n"},
        {"a smaller roster; a RATE kiss counts as unusable", shrunk,
         "tk_sync_last_pass_end_time_seconds{" FOLDER_LABEL "} 1700001001\n"
         "tk_sync_last_pass_duration_seconds{" FOLDER_LABEL "} 0.000000\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"set\"} 2\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"no_answer\"} 0\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"no_reply\"} 0\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"not_set\"} 0\n"
         "tk_sync_last_pass_refused{" FOLDER_LABEL "} 0\n"
         "tk_sync_screen_set{" FOLDER_LABEL ",screen=\"1\",address=\"127.0.0.9\"} 1\n"
         "tk_sync_screen_set{" FOLDER_LABEL ",screen=\"2\",address=\"\"} 1\n"
         "tk_sync_screen_last_set_time_seconds{" FOLDER_LABEL ",screen=\"1\"} 1700001000\n"
         "tk_sync_screen_last_set_time_seconds{" FOLDER_LABEL ",screen=\"2\"} 1700001001\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"manual\",outcome=\"set\"} 1\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"manual\",outcome=\"refused\"} 1\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"automatic\",outcome=\"set\"} 1\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"automatic\",outcome=\"refused\"} 0\n"
         "tk_sync_clock_check{" FOLDER_LABEL ",server=\"ntp.example\",status=\"unusable\"} 1\n"},
        {"no screens and no clock check", empty,
         "tk_sync_last_pass_end_time_seconds{" FOLDER_LABEL "} 1700002000\n"
         "tk_sync_last_pass_duration_seconds{" FOLDER_LABEL "} 0.000000\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"set\"} 0\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"no_answer\"} 0\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"no_reply\"} 0\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"not_set\"} 0\n"
         "tk_sync_last_pass_refused{" FOLDER_LABEL "} 0\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"manual\",outcome=\"set\"} 1\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"manual\",outcome=\"refused\"} 1\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"automatic\",outcome=\"set\"} 2\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"automatic\",outcome=\"refused\"} 0\n"},
        {"a server text that names none: no clock families", noServer,
         "tk_sync_last_pass_end_time_seconds{" FOLDER_LABEL "} 1700002000\n"
         "tk_sync_last_pass_duration_seconds{" FOLDER_LABEL "} 0.000000\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"set\"} 0\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"no_answer\"} 0\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"no_reply\"} 0\n"
         "tk_sync_last_pass_screens{" FOLDER_LABEL ",result=\"not_set\"} 0\n"
         "tk_sync_last_pass_refused{" FOLDER_LABEL "} 0\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"manual\",outcome=\"set\"} 1\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"manual\",outcome=\"refused\"} 1\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"automatic\",outcome=\"set\"} 3\n"
         "tk_sync_passes_total{" FOLDER_LABEL ",kind=\"automatic\",outcome=\"refused\"} 0\n"},
    };
    tk::PassTally tally;
    for (const auto& step : steps) {
        tally.Add(step.record);
        const std::string text = tk::MetricsText(Program(), tally);
        EXPECT_EQ(SamplesOf(text, {"tk_sync_last_pass", "tk_sync_screen_", "tk_sync_passes",
                                   "tk_sync_clock"}),
                  step.samples)
            << step.what;
        // A family is told once, and only where it has samples.
        EXPECT_EQ(text.find("# TYPE tk_sync_screen_set gauge\n") == std::string::npos,
                  step.record.count == 0)
            << step.what;
        EXPECT_EQ(text.back(), '\n');
    }
}

TEST(MetricsText, EveryQueryOutcomeHasItsStatus) {
    const struct {
        tk::ClockCheckStatus status;
        const char* label;
    } cases[] = {
        {tk::ClockCheckStatus::kMeasured, "measured"},
        {tk::ClockCheckStatus::kNoAnswer, "no_answer"},
        {tk::ClockCheckStatus::kNotFound, "not_found"},
        {tk::ClockCheckStatus::kDenied, "denied"},
        {tk::ClockCheckStatus::kUnusable, "unusable"},
        {tk::ClockCheckStatus::kRateLimited, "unusable"},
    };
    for (const auto& c : cases) {
        tk::PassRecord record;
        record.clock = Reading("s", c.status, false, 0, 0);
        tk::PassTally tally;
        tally.Add(record);
        EXPECT_EQ(SamplesOf(tk::MetricsText(Program(), tally), {"tk_sync_clock"}),
                  std::string("tk_sync_clock_check{" FOLDER_LABEL ",server=\"s\",status=\"") +
                      c.label + "\"} 1\n");
    }
}

TEST(MetricsText, ProgramStateFlags) {
    tk::MetricsProgram program = Program();
    program.running = false;
    program.state = {false, 3600, 0};
    program.settingsWritable = false;
    program.logWritable = false;
    program.version = "a\"b";
    EXPECT_EQ(SamplesOf(tk::MetricsText(program, tk::PassTally()),
                        {"tk_sync_info", "tk_sync_running", "tk_sync_automatic", "tk_sync_interval",
                         "tk_sync_screens", "tk_sync_settings", "tk_sync_log"}),
              "tk_sync_info{" FOLDER_LABEL
              ",version=\"a\\\"b\"} 1\n"
              "tk_sync_running{" FOLDER_LABEL
              "} 0\n"
              "tk_sync_automatic{" FOLDER_LABEL
              "} 0\n"
              "tk_sync_interval_seconds{" FOLDER_LABEL
              "} 3600\n"
              "tk_sync_screens{" FOLDER_LABEL
              "} 0\n"
              "tk_sync_settings_writable{" FOLDER_LABEL
              "} 0\n"
              "tk_sync_log_writable{" FOLDER_LABEL "} 0\n");
}

TEST(MetricsText, LabelValuesEscapeBackslashQuoteAndLineFeed) {
    const struct {
        std::string utf8;
        std::string escaped;
    } cases[] = {
        {"", ""},
        {"plain 1.2.3.4:123", "plain 1.2.3.4:123"},
        {"C:\\LED", "C:\\\\LED"},
        {"say \"hi\"", "say \\\"hi\\\""},
        {"two\nlines", "two\\nlines"},
        {"\\n is no line feed", "\\\\n is no line feed"},
        {"tab\tand\rreturn stay", "tab\tand\rreturn stay"},
        {HALL_UTF8 "\\", HALL_UTF8 "\\\\"},
    };
    for (const auto& c : cases) EXPECT_EQ(tk::EscapedLabelValue(c.utf8), c.escaped) << c.utf8;
}

// A GBK second byte of 0x5C is no backslash: converted first, then escaped.
TEST(MetricsText, GbkLabelsAreConvertedBeforeTheyAreEscaped) {
    tk::MetricsProgram program = Program();
    program.folder = "D:\\乗\\";
    EXPECT_EQ(SamplesOf(tk::MetricsText(program, tk::PassTally()), {"tk_sync_info"}),
              "tk_sync_info{folder=\"D:\\\\\xE4\xB9\x97\\\\\",version=\"3.4\"} 1\n");
}

TEST(MetricsText, SecondsOfMicrosecondsExactly) {
    const struct {
        std::int64_t micros;
        const char* text;
    } cases[] = {
        {0, "0.000000"},
        {1, "0.000001"},
        {-1500, "-0.001500"},
        {1234567, "1.234567"},
        {-1000000, "-1.000000"},
        {54000000000, "54000.000000"},
        {INT64_MIN, "-9223372036854.775808"},
    };
    for (const auto& c : cases) EXPECT_EQ(tk::SecondsOfMicros(c.micros), c.text) << c.micros;
}

TEST(GbkUtf8, ConvertedWithIconv) {
    for (const tk_test::GbkUtf8Case& c : tk_test::kGbkUtf8Cases) {
        EXPECT_EQ(tk::Utf8FromGbk(c.gbk), c.utf8) << c.what;
    }
}

// The settings file's [CONT] section as a map.
class ContSection : public tk::IProfileReader {
public:
    std::map<std::string, std::string> keys;
    int GetInt(const char*, const char*, int def) override { return def; }
    unsigned GetString(const char* section, const char* key, const char* def, char* buf,
                       unsigned size) override {
        const auto found = keys.find(key);
        const std::string value =
            std::string(section) == "CONT" && found != keys.end() ? found->second : def;
        const size_t n = std::min<size_t>(value.size(), size - 1);
        value.copy(buf, n);
        buf[n] = '\0';
        return static_cast<unsigned>(n);
    }
};

// Files replaced, in order; a failure as told, with the system's error set.
class FileRecorder : public tk::IFileReplacer {
public:
    std::vector<std::pair<std::string, std::string>> written;
    std::vector<int> retries;            // each write's time for a blocked rename, -1: its own
    std::vector<std::string> leftovers;  // paths whose leftover temporary was removed
    bool fails = false;
    int attempts = 0;
    tk::FileFailure ReplaceRetrying(const std::string& path, const std::string& bytes,
                                    int retryMs) override {
        const tk::FileFailure failure = Replace(path, bytes);
        retries.back() = retryMs;
        return failure;
    }
    void RemoveLeftover(const std::string& path) override { leftovers.push_back(path); }
    tk::FileFailure Replace(const std::string& path, const std::string& bytes) override {
        ++attempts;
        retries.push_back(-1);
        if (fails) {
            errno = EACCES;
            return tk::FileFailure::FromSystem();
        }
        written.emplace_back(path, bytes);
        return {};
    }
};

class NoteRecorder : public tk::IJournalNotes {
public:
    std::vector<std::string> notes;
    void AddNote(const std::string& text) override { notes.push_back(text); }
};

class LogState : public tk::ILogHealth {
public:
    bool writable = true;
    bool LogWritable() const override { return writable; }
};

struct Sink {
    ContSection settings;
    FileRecorder files;
    NoteRecorder notes;
    LogState log;
    tk_test::FixedClock clock{12, 0, 0};
    tk::MetricsFile metrics{{settings, files, notes, log, clock}, "3.4", "C:\\LED", ""};
    // The last file's line of one family with only the folder label, the label left out, or
    // "<none>".
    std::string Last(const std::string& name) const {
        if (files.written.empty()) return "<none>";
        const std::string label = "{folder=\"C:\\\\LED\"}";
        std::string lines = SamplesOf(files.written.back().second, {name + label + " "});
        if (lines.empty()) return "<none>";
        return lines.erase(name.size(), label.size());
    }
};

TEST(MetricsFileSink, WrittenAtStartAfterEachPassOnAFailedSaveAndAtExit) {
    Sink s;
    s.settings.keys["sMetricsFile"] = "C:\\metrics\\tk.prom";
    s.metrics.ProgramStarted({true, 60, 2});
    ASSERT_EQ(s.files.written.size(), 1u);
    EXPECT_EQ(s.files.written[0].first, "C:\\metrics\\tk.prom");
    EXPECT_EQ(s.Last("tk_sync_running"), "tk_sync_running 1\n");
    EXPECT_EQ(s.Last("tk_sync_start_time_seconds"), "tk_sync_start_time_seconds 1700000000\n");
    EXPECT_EQ(s.Last("tk_sync_screens"), "tk_sync_screens 2\n");
    EXPECT_EQ(s.Last("tk_sync_last_pass_end_time_seconds"), "<none>");

    tk::PassRecord record;
    record.started = 1700000005;
    record.ended = 1700000007;
    record.program = {true, 60, 3};
    s.log.writable = false;
    s.metrics.PassEnded(record);
    ASSERT_EQ(s.files.written.size(), 2u);
    EXPECT_EQ(s.Last("tk_sync_last_pass_end_time_seconds"),
              "tk_sync_last_pass_end_time_seconds 1700000007\n");
    EXPECT_EQ(s.Last("tk_sync_screens"), "tk_sync_screens 3\n");
    EXPECT_EQ(s.Last("tk_sync_log_writable"), "tk_sync_log_writable 0\n");
    EXPECT_EQ(s.Last("tk_sync_settings_writable"), "tk_sync_settings_writable 1\n");

    s.metrics.SettingNotSaved("error 5: denied");
    ASSERT_EQ(s.files.written.size(), 3u);
    EXPECT_EQ(s.Last("tk_sync_settings_writable"), "tk_sync_settings_writable 0\n");

    s.metrics.ProgramEnding({false, 120, 3});
    ASSERT_EQ(s.files.written.size(), 4u);
    // A temporary a crash left goes at the start; the last write waits longer for a reader.
    EXPECT_EQ(s.files.leftovers, std::vector<std::string>{"C:\\metrics\\tk.prom"});
    EXPECT_EQ(s.files.retries, (std::vector<int>{-1, -1, -1, tk::kMetricsExitRetryMs}));
    EXPECT_EQ(s.Last("tk_sync_running"), "tk_sync_running 0\n");
    EXPECT_EQ(s.Last("tk_sync_interval_seconds"), "tk_sync_interval_seconds 120\n");
    EXPECT_EQ(s.Last("tk_sync_settings_writable"), "tk_sync_settings_writable 0\n");
    EXPECT_TRUE(s.notes.notes.empty());
}

// The key is read for every write: missing or empty writes nothing and says nothing; a name
// the collectors would not read is said once until the key names another.
TEST(MetricsFileSink, TheKeyDecidesEachTime) {
    const struct {
        const char* what;
        const char* key;  // nullptr: missing
        const char* written;
        const char* note;
    } steps[] = {
        {"missing", nullptr, "", ""},
        {"empty", "", "", ""},
        {"not a .prom file", "C:\\m\\tk.txt", "",
         "指标文件C:\\m\\tk.txt的名称不以.prom结尾，不写入指标。"},
        {"the same again: no second note", "C:\\m\\tk.txt", "", ""},
        {"the suffix in capitals is not read either", "C:\\m\\tk.PROM", "",
         "指标文件C:\\m\\tk.PROM的名称不以.prom结尾，不写入指标。"},
        {"the suffix alone", ".prom", "", "指标文件.prom的名称不以.prom结尾，不写入指标。"},
        {"a .prom file in a Chinese folder", "C:\\LED\\大厅\\tk.prom", "C:\\LED\\大厅\\tk.prom",
         ""},
        {"the earlier wrong name, after a good one: said again", "C:\\m\\tk.txt", "",
         "指标文件C:\\m\\tk.txt的名称不以.prom结尾，不写入指标。"},
        {"emptied", "", "", ""},
    };
    Sink s;
    for (const auto& step : steps) {
        if (step.key) {
            s.settings.keys["sMetricsFile"] = step.key;
        } else {
            s.settings.keys.erase("sMetricsFile");
        }
        s.files.written.clear();
        s.notes.notes.clear();
        s.metrics.PassEnded(tk::PassRecord());
        EXPECT_EQ(s.files.written.empty() ? "" : s.files.written[0].first, step.written)
            << step.what;
        EXPECT_EQ(s.notes.notes.empty() ? "" : s.notes.notes[0], step.note) << step.what;
        EXPECT_LE(s.notes.notes.size(), 1u) << step.what;
    }
}

// A file that cannot be written: the path and the system's reason go to the journal once, and
// the file is tried again at every tick until it takes the text; then a new failure is said again.
TEST(MetricsFileSink, AFailedWriteIsNotedOnceAndTriedEverySecond) {
    Sink s;
    s.settings.keys["sMetricsFile"] = "C:\\m\\tk.prom";
    s.files.fails = true;
    s.metrics.PassEnded(tk::PassRecord());
    s.metrics.Tick();
    s.metrics.PassEnded(tk::PassRecord());
    s.metrics.Tick();
    EXPECT_EQ(s.files.attempts, 4);
    ASSERT_EQ(s.notes.notes.size(), 1u);
    EXPECT_EQ(s.notes.notes[0], "指标文件无法写入：C:\\m\\tk.prom，error 13: Permission denied");
    s.files.fails = false;
    s.metrics.Tick();
    EXPECT_EQ(s.files.written.size(), 1u);
    s.metrics.Tick();  // nothing left to write
    EXPECT_EQ(s.files.attempts, 5);
    s.files.fails = true;
    tk::PassRecord later;
    later.ended = 1700000100;
    s.metrics.PassEnded(later);
    EXPECT_EQ(s.notes.notes.size(), 2u);
}

// Each change of the program's state and each setting saved or not is written at once; a text the
// file already holds is not written again. A save that succeeds puts the settings back to writable.
TEST(MetricsFileSink, EveryChangeIsWrittenAtOnce) {
    Sink s;
    s.settings.keys["sMetricsFile"] = "C:\\m\\tk.prom";
    const struct {
        const char* what;
        std::function<void(tk::MetricsFile&)> change;
        const char* automatic;
        const char* interval;
        const char* writable;
        size_t writes;
    } steps[] = {
        {"start, automatic off, 20 s shown",
         [](tk::MetricsFile& m) {
             m.ProgramStarted({false, 20, 2});
         },
         "tk_sync_automatic 0\n", "tk_sync_interval_seconds 20\n", "tk_sync_settings_writable 1\n",
         1},
        {"switched on",
         [](tk::MetricsFile& m) {
             m.StateChanged({true, 20, 2});
         },
         "tk_sync_automatic 1\n", "tk_sync_interval_seconds 20\n", "tk_sync_settings_writable 1\n",
         2},
        {"the same state again",
         [](tk::MetricsFile& m) {
             m.StateChanged({true, 20, 2});
         },
         "tk_sync_automatic 1\n", "tk_sync_interval_seconds 20\n", "tk_sync_settings_writable 1\n",
         2},
        {"switched off",
         [](tk::MetricsFile& m) {
             m.StateChanged({false, 20, 2});
         },
         "tk_sync_automatic 0\n", "tk_sync_interval_seconds 20\n", "tk_sync_settings_writable 1\n",
         3},
        {"another interval shown",
         [](tk::MetricsFile& m) {
             m.StateChanged({false, 3600, 2});
         },
         "tk_sync_automatic 0\n", "tk_sync_interval_seconds 3600\n",
         "tk_sync_settings_writable 1\n", 4},
        {"a setting not saved", [](tk::MetricsFile& m) { m.SettingNotSaved("error 5"); },
         "tk_sync_automatic 0\n", "tk_sync_interval_seconds 3600\n",
         "tk_sync_settings_writable 0\n", 5},
        {"a later save", [](tk::MetricsFile& m) { m.SettingSaved(); }, "tk_sync_automatic 0\n",
         "tk_sync_interval_seconds 3600\n", "tk_sync_settings_writable 1\n", 6},
        {"saved again", [](tk::MetricsFile& m) { m.SettingSaved(); }, "tk_sync_automatic 0\n",
         "tk_sync_interval_seconds 3600\n", "tk_sync_settings_writable 1\n", 6},
    };
    for (const auto& step : steps) {
        step.change(s.metrics);
        EXPECT_EQ(s.files.written.size(), step.writes) << step.what;
        EXPECT_EQ(s.Last("tk_sync_automatic"), step.automatic) << step.what;
        EXPECT_EQ(s.Last("tk_sync_interval_seconds"), step.interval) << step.what;
        EXPECT_EQ(s.Last("tk_sync_settings_writable"), step.writable) << step.what;
    }
}

// A folder that cannot be written is known at start-up.
TEST(MetricsFileSink, AFolderNotWritableAtStart) {
    ContSection settings;
    settings.keys["sMetricsFile"] = "C:\\m\\tk.prom";
    FileRecorder files;
    NoteRecorder notes;
    LogState log;
    tk_test::FixedClock clock{12, 0, 0};
    tk::MetricsFile metrics{
        {settings, files, notes, log, clock}, "3.4", "C:\\LED", "error 5: Access denied"};
    metrics.ProgramStarted({});
    ASSERT_EQ(files.written.size(), 1u);
    EXPECT_EQ(SamplesOf(files.written[0].second, {"tk_sync_settings_writable"}),
              "tk_sync_settings_writable{folder=\"C:\\\\LED\"} 0\n");
}

// promtool (Debian's prometheus package) accepts a file the real writer made: the format, the
// names and the counter's suffix.
TEST(MetricsFilePromtool, CheckMetricsAcceptsTheFile) {
    tk::PassTally tally;
    tk::PassRecord record;
    record.started = 1700000100;
    record.screens = {Net(1700000101, 1, "127.0.0.2"), Serial(1700000102, 2),
                      Net(1700000103, 3, "127.0.0.5", tk::ScreenFailure::kNoReply)};
    record.ended = 1700000103;
    record.count = 3;
    record.clock =
        Reading("校时服务器\"x\"\n", tk::ClockCheckStatus::kMeasured, true, 2500, 3, 1250);
    tally.Add(record);
    std::string dir = (std::filesystem::temp_directory_path() / "tk-metrics-XXXXXX").string();
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    const std::string path = dir + "/tk.prom";
    ASSERT_TRUE(tk::ReplaceFileAtomically(path, tk::MetricsText(Program(), tally),
                                          tk::Durability::kOnRename));
    const std::string command = "promtool check metrics < '" + path + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char chunk[256];
    while (size_t n = std::fread(chunk, 1, sizeof chunk, pipe)) output.append(chunk, n);
    const int status = ::pclose(pipe);
    std::filesystem::remove_all(dir);
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(output, "");
}

}  // namespace
