#include "core/sync/metrics_file.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "core/base/gbk_utf8.h"
#include "core/base/magnitude.h"
#include "core/base/text_format.h"
#include "core/screens/roster.h"
#include "core/store/screen_file_layout.h"
#include "core/sync/clock_texts.h"

namespace tk {

namespace {

// One family after the other: its HELP and TYPE lines before its first sample; a family without
// samples is left out whole.
// Every sample carries the program's folder first: two copies on one PC write into one
// collector folder, and the collectors refuse two series of one name and labels.
class MetricsWriter {
public:
    MetricsWriter(size_t reserve, std::string_view folder) : m_folder(folder) {
        m_text.reserve(reserve);
    }

    void Family(const char* name, const char* type, const char* help) {
        m_name = name;
        m_type = type;
        m_help = help;
        m_pending = true;
    }
    // labels: name, value (GBK) pairs.
    void Sample(std::initializer_list<std::pair<const char*, std::string_view>> labels,
                const std::string& value) {
        if (m_pending) {
            m_text.append("# HELP ").append(m_name).append(" ").append(m_help).append("\n");
            m_text.append("# TYPE ").append(m_name).append(" ").append(m_type).append("\n");
            m_pending = false;
        }
        m_text.append(m_name);
        Label('{', "folder", m_folder);
        for (const auto& [label, text] : labels) Label(',', label, text);
        m_text.append("} ").append(value).append("\n");
    }
    void Sample(const std::string& value) { Sample({}, value); }
    std::string Take() { return std::move(m_text); }

private:
    void Label(char before, const char* label, std::string_view text) {
        m_text += before;
        m_text.append(label).append("=\"").append(EscapedLabelValue(Utf8FromGbk(text)));
        m_text += '"';
    }

    std::string_view m_folder;
    std::string m_text;
    const char* m_name = "";
    const char* m_type = "";
    const char* m_help = "";
    bool m_pending = false;
};

std::string Number(std::int64_t value) { return std::to_string(value); }
std::string Flag(bool value) { return value ? "1" : "0"; }

void WriteProgram(MetricsWriter& out, const MetricsProgram& program) {
    out.Family("tk_sync_info", "gauge", "The program's version and folder.");
    out.Sample({{"version", program.version}}, "1");
    out.Family("tk_sync_running", "gauge", "1 while the program runs; 0 once it ended cleanly.");
    out.Sample(Flag(program.running));
    out.Family("tk_sync_start_time_seconds", "gauge", "Unix time the program started.");
    out.Sample(Number(program.startTime));
    out.Family("tk_sync_automatic", "gauge", "1 while automatic synchronisation is on.");
    out.Sample(Flag(program.state.automatic));
    out.Family("tk_sync_interval_seconds", "gauge",
               "Seconds between automatic passes, as the window shows them.");
    out.Sample(Number(program.state.intervalSeconds));
    out.Family("tk_sync_screens", "gauge", "Screens in the roster.");
    out.Sample(Number(program.state.screens));
}

void WriteLastPass(MetricsWriter& out, const PassRecord& last, const PassTally& passes) {
    out.Family("tk_sync_last_pass_end_time_seconds", "gauge", "Unix time the last pass ended.");
    out.Sample(Number(last.ended));
    out.Family("tk_sync_last_pass_duration_seconds", "gauge", "How long the last pass took.");
    out.Sample(SecondsOfMicros(std::max<std::int64_t>(last.durationMs, 0) * 1000));
    std::int64_t set = 0, noAnswer = 0, noReply = 0;
    for (const ScreenOutcome& screen : last.screens) {
        set += screen.failure == ScreenFailure::kNone ? 1 : 0;
        noAnswer += screen.failure == ScreenFailure::kNoAnswer ? 1 : 0;
        noReply += screen.failure == ScreenFailure::kNoReply ? 1 : 0;
    }
    const std::int64_t notSet = std::max<std::int64_t>(0, last.count - set - noAnswer - noReply);
    out.Family("tk_sync_last_pass_screens", "gauge",
               "Screens of the last pass by result: set, no_answer (no answer to the probe), "
               "no_reply (the controller did not reply), not_set (not tried).");
    out.Sample({{"result", "set"}}, Number(set));
    out.Sample({{"result", "no_answer"}}, Number(noAnswer));
    out.Sample({{"result", "no_reply"}}, Number(noReply));
    out.Sample({{"result", "not_set"}}, Number(notSet));
    out.Family("tk_sync_last_pass_refused", "gauge",
               "1 when the last pass set no screen because of the PC's clock.");
    out.Sample(Flag(last.Refused()));

    const int screens = std::clamp(last.count, 0, kMaxScreens);
    std::vector<bool> setNow(static_cast<size_t>(screens) + 1, false);
    for (const ScreenOutcome& screen : last.screens) {
        if (screen.number >= 1 && screen.number <= screens) {
            setNow[static_cast<size_t>(screen.number)] = screen.failure == ScreenFailure::kNone;
        }
    }
    out.Family("tk_sync_screen_set", "gauge",
               "1 when the last pass set this screen, else 0; address is empty for a serial "
               "screen.");
    for (int n = 1; n <= screens; ++n) {
        const PassTally::Screen* screen = passes.ScreenAt(n);
        out.Sample({{"screen", Number(n)}, {"address", screen ? screen->address : ""}},
                   Flag(setNow[static_cast<size_t>(n)]));
    }
    out.Family("tk_sync_screen_last_set_time_seconds", "gauge",
               "Unix time this screen was last set since the program started.");
    for (int n = 1; n <= screens; ++n) {
        const PassTally::Screen* screen = passes.ScreenAt(n);
        if (screen && screen->lastSet)
            out.Sample({{"screen", Number(n)}}, Number(*screen->lastSet));
    }
}

// The measurement names the server that gave it, which may be another than the one asked last.
// The delay is the round trip of the query that measured the offset, beside it.
void WriteClock(MetricsWriter& out, const PassRecord& last) {
    if (!last.clock) return;
    const ClockReading& clock = *last.clock;
    if (clock.measurement) {
        const std::string& by = MeasuredBy(clock);
        out.Family("tk_sync_clock_offset_seconds", "gauge",
                   "The time server's time minus the PC's, from the last measurement.");
        out.Sample({{"server", by}}, SecondsOfMicros(clock.measurement->offsetMicros));
        out.Family("tk_sync_clock_delay_seconds", "gauge",
                   "The round trip to the time server of the last measurement.");
        out.Sample({{"server", by}}, SecondsOfMicros(clock.measurement->delayMicros));
        out.Family("tk_sync_clock_measured_time_seconds", "gauge",
                   "Unix time of the last measurement of the PC's clock.");
        out.Sample({{"server", by}}, Number(last.started - clock.ageSeconds));
    }
    if (clock.server.empty()) return;
    out.Family("tk_sync_clock_check", "gauge", "How the last query to the time server ended.");
    out.Sample({{"server", clock.server}, {"status", WordsOf(clock.status).label}}, "1");
}

}  // namespace

std::string EscapedLabelValue(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '"') {
            out += "\\\"";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string SecondsOfMicros(std::int64_t micros) {
    const std::uint64_t magnitude = Magnitude(micros);
    return Formatted("%s%llu.%06llu", micros < 0 ? "-" : "",
                     static_cast<unsigned long long>(magnitude / 1000000),
                     static_cast<unsigned long long>(magnitude % 1000000));
}

void PassTally::Add(const PassRecord& record) {
    ++m_passes[record.manual ? 1 : 0][record.Refused() ? 1 : 0];
    for (const ScreenOutcome& outcome : record.screens) {
        if (outcome.number < 1 || outcome.number > kMaxScreens) continue;
        if (m_screens.size() < static_cast<size_t>(outcome.number)) {
            m_screens.resize(static_cast<size_t>(outcome.number));
        }
        Screen& screen = m_screens[static_cast<size_t>(outcome.number - 1)];
        screen.address = outcome.network ? outcome.address : std::string();
        if (outcome.failure == ScreenFailure::kNone) screen.lastSet = outcome.time;
    }
    m_last = record;
}

const PassTally::Screen* PassTally::ScreenAt(int number) const {
    if (number < 1 || static_cast<size_t>(number) > m_screens.size()) return nullptr;
    return &m_screens[static_cast<size_t>(number - 1)];
}

std::string MetricsText(const MetricsProgram& program, const PassTally& passes) {
    const std::optional<PassRecord>& last = passes.Last();
    MetricsWriter out(4096 + (last ? last->screens.size() * 160 : 0), program.folder);
    WriteProgram(out, program);
    if (last) WriteLastPass(out, *last, passes);
    out.Family("tk_sync_passes_total", "counter",
               "Passes since the program started, by kind (manual, automatic) and outcome (set: "
               "the screens were tried; refused: none, because of the PC's clock).");
    for (const bool manual : {true, false}) {
        for (const bool refused : {false, true}) {
            out.Sample({{"kind", manual ? "manual" : "automatic"},
                        {"outcome", refused ? "refused" : "set"}},
                       Number(passes.Passes(manual, refused)));
        }
    }
    if (last) WriteClock(out, *last);
    out.Family("tk_sync_settings_writable", "gauge",
               "0 when the program's folder cannot be written or a setting could not be saved.");
    out.Sample(Flag(program.settingsWritable));
    out.Family("tk_sync_log_writable", "gauge",
               "0 when the last pass's lines could not be written to the log.");
    out.Sample(Flag(program.logWritable));
    return out.Take();
}

MetricsFile::MetricsFile(MetricsFileServices services, std::string version, std::string folder,
                         const std::string& folderNotWritable)
    : m_services(services) {
    m_program.version = std::move(version);
    m_program.folder = std::move(folder);
    m_program.startTime = m_services.clock.Now();
    m_program.settingsWritable = folderNotWritable.empty();
}

void MetricsFile::PassEnded(const PassRecord& record) {
    m_passes.Add(record);
    m_program.state = record.program;
    Write();
}

// A temporary file a crash left beside the file goes first.
void MetricsFile::ProgramStarted(const ProgramState& state) {
    m_program.state = state;
    const std::string path = TargetPath();
    if (!path.empty()) m_services.files.RemoveLeftover(path);
    Write();
}

void MetricsFile::SettingNotSaved(const std::string&) {
    m_program.settingsWritable = false;
    Write();
}

// A save that succeeds shows the folder can be written, whatever failed before.
void MetricsFile::SettingSaved() {
    m_program.settingsWritable = true;
    Write();
}

void MetricsFile::StateChanged(const ProgramState& state) {
    m_program.state = state;
    Write();
}

void MetricsFile::Tick() {
    if (m_pending) Write();
}

void MetricsFile::ProgramEnding(const ProgramState& state) {
    m_program.state = state;
    m_program.running = false;
    Write(kMetricsExitRetryMs);
}

// The key's path when it names a .prom file; a path that does not is said once, until the key
// names another.
std::string MetricsFile::TargetPath() {
    const std::string path = ReadMetricsFilePath(m_services.settings);
    const size_t suffix = sizeof kMetricsFileSuffix - 1;
    if (path.size() > suffix &&
        path.compare(path.size() - suffix, suffix, kMetricsFileSuffix) == 0) {
        m_notPromNoted.clear();
        return path;
    }
    if (!path.empty() && path != m_notPromNoted) {
        m_services.notes.AddNote(Formatted(kMetricsNotPromFormat, path.c_str()));
        m_notPromNoted = path;
    }
    if (path.empty()) m_notPromNoted.clear();
    return {};
}

// A failure is said once until a write succeeds or the reason changes: the file is tried again
// at every tick meanwhile.
void MetricsFile::Write(std::optional<int> retryMs) {
    const std::string path = TargetPath();
    m_pending = false;
    if (path.empty()) return;
    m_program.logWritable = m_services.log.LogWritable();
    std::string text = MetricsText(m_program, m_passes);
    if (path == m_writtenPath && text == m_writtenText) return;
    const FileFailure failure = retryMs ? m_services.files.ReplaceRetrying(path, text, *retryMs)
                                        : m_services.files.Replace(path, text);
    if (failure.Failed()) {
        m_pending = true;
        const std::string where = path + "，" + FailureReason(failure);
        if (where != m_failureNoted) {
            m_services.notes.AddNote(Formatted(kMetricsNotWrittenFormat, where.c_str()));
            m_failureNoted = where;
        }
        return;
    }
    m_failureNoted.clear();
    m_writtenPath = path;
    m_writtenText = std::move(text);
}

}  // namespace tk
