// The metrics file: the program's state and its passes in Prometheus's text format (0.0.4), for
// the textfile collector of windows_exporter or node_exporter, which reads every *.prom file of
// one folder at each scrape. The file is written whole at start-up, after every pass, at each
// change of the program's state or of a setting's fate, and at a clean exit; the names are a
// contract with the operators' dashboards and alert rules (packaging/tk-sync-alerts.yml).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/clock.h"
#include "core/store/atomic_file.h"
#include "core/store/profile.h"
#include "core/store/settings.h"
#include "core/sync/pass_record.h"

namespace tk {

// The file's name ends so (sMetricsFile names it, settings.h).
inline constexpr char kMetricsFileSuffix[] = ".prom";
// The notes the journal gets: the path and the reason, and a path that is no .prom file.
inline constexpr char kMetricsNotWrittenFormat[] = "指标文件无法写入：%s";
inline constexpr char kMetricsNotPromFormat[] = "指标文件%s的名称不以.prom结尾，不写入指标。";

// A label value as the text format has it: backslash, double quote and line feed escaped.
std::string EscapedLabelValue(std::string_view utf8);

// Seconds of a count of microseconds, exact: -1500 gives "-0.001500".
std::string SecondsOfMicros(std::int64_t micros);

// What the program tells of itself besides its passes; texts as it keeps them (GBK).
struct MetricsProgram {
    std::string version;
    std::string folder;  // of the executable
    std::int64_t startTime = 0;
    bool running = true;  // false once the program ends cleanly
    ProgramState state;
    bool settingsWritable = true;  // the folder takes files and no setting failed to be saved
    bool logWritable = true;       // the last lines reached the log
};

// What the passes since the start left: the last one, how many of each kind and outcome, and
// each screen's address and the time it was last set.
class PassTally {
public:
    void Add(const PassRecord& record);

    const std::optional<PassRecord>& Last() const { return m_last; }
    std::int64_t Passes(bool manual, bool refused) const {
        return m_passes[manual ? 1 : 0][refused ? 1 : 0];
    }
    // Screen number (1-based): the address the last pass that reached it found (empty for a
    // serial screen or one no pass reached) and when it was last set (none: never).
    struct Screen {
        std::string address;
        std::optional<std::int64_t> lastSet;
    };
    const Screen* ScreenAt(int number) const;

private:
    std::optional<PassRecord> m_last;
    std::int64_t m_passes[2][2] = {};
    std::vector<Screen> m_screens;
};

// The whole file: every family with its HELP and TYPE lines, UTF-8, ending with a line feed.
// The last pass's families and the clock's are left out while there is nothing to tell.
std::string MetricsText(const MetricsProgram& program, const PassTally& passes);

struct MetricsFileServices {
    IProfileReader& settings;  // the key, read again for every write
    IFileReplacer& files;
    IJournalNotes& notes;  // why the file was not written
    ILogHealth& log;
    IClock& clock;  // the start time
};

// The longest the last write at exit waits for a reader that holds the file.
inline constexpr int kMetricsExitRetryMs = 1000;

// The sink that writes the file: after every pass, once at start-up (a PC that has just started
// tells its state before the first pass), whenever the state or a setting's fate changes, and at
// a clean exit with tk_sync_running 0. A file that cannot be written changes nothing of the
// pass: the journal gets the reason once, and the file is tried again every second until it
// takes the text.
class MetricsFile final : public IPassSink {
public:
    // folder: the executable's; folderNotWritable: why it cannot be written, empty when it can.
    MetricsFile(MetricsFileServices services, std::string version, std::string folder,
                const std::string& folderNotWritable);

    void PassEnded(const PassRecord& record) override;
    void ProgramStarted(const ProgramState& state) override;
    void SettingNotSaved(const std::string& reason) override;
    void ProgramEnding(const ProgramState& state) override;
    void StateChanged(const ProgramState& state) override;
    void SettingSaved() override;
    void Tick() override;

private:
    std::string TargetPath();
    // retryMs: how long a rename that a reader blocks is tried again; none: the replacer's own.
    void Write(std::optional<int> retryMs = std::nullopt);

    MetricsFileServices m_services;
    MetricsProgram m_program;
    PassTally m_passes;
    std::string m_notPromNoted;  // the last path said to be no .prom file
    // What the file holds, and where; a text the file already holds is not written again.
    std::string m_writtenPath;
    std::string m_writtenText;
    bool m_pending = false;      // the last text has not reached the file
    std::string m_failureNoted;  // the last failure said in the journal, until one succeeds
};

}  // namespace tk
