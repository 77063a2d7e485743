// The program's events in the Windows Application log: one when the passes take a turn (for
// the worse or back to good), not one a pass, which every five minutes would fill the log; and
// one for a setting that could not be saved or a folder that cannot be written. Which event,
// which type and which strings is decided here; event_log_win.* writes them.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/store/profile.h"
#include "core/store/settings.h"
#include "core/sync/pass_record.h"

namespace tk {

enum class EventType { kError, kWarning, kInformation };

// The events' IDs: the message table compiled into the executable (resources/events.mc) holds
// the text of each, in Chinese and English, under the same number.
inline constexpr int kEventProgramStarted = 1000;     // the first pass after start-up went well
inline constexpr int kEventEveryScreenSet = 1001;     // every screen set after a pass that was not
inline constexpr int kEventScreensFailed = 1002;      // failures, other than the pass before's
inline constexpr int kEventClockRefused = 1003;       // no screen set for the PC's clock
inline constexpr int kEventSettingNotSaved = 1004;    // a setting could not be written
inline constexpr int kEventFolderNotWritable = 1005;  // at start-up

// Where the events go.
class IEventLog {
public:
    virtual ~IEventLog() = default;
    // Writes one event with its strings (GBK); false when it could not, and why receives the
    // system's reason.
    virtual bool Report(EventType type, int id, const std::vector<std::string>& strings,
                        std::string* why) = 0;
};

// One event as it is to be written.
struct PassEvent {
    EventType type = EventType::kInformation;
    int id = 0;
    std::vector<std::string> strings;
};

// The event a pass calls for after the pass before it (nullptr: the first since start-up),
// if any: an Error for a pass refused for the PC's clock after one that was not, a Warning for
// failures the pass before did not have (it had none, or other ones), an Information for the
// first pass or for one that set every screen after one that did not. Before the first pass
// nothing was refused or failed, so a first pass that goes wrong says so like any other.
std::optional<PassEvent> EventOfPass(const PassRecord& record, const PassRecord* before,
                                     const std::string& version);

// The failed screens of a pass, one a line (CRLF between them): number, place and reason,
// tab-separated as in the log. Empty when none failed.
std::string FailedScreensText(const PassRecord& record);

// Where the events go and what they tell beside the record.
struct PassEventsSetup {
    IEventLog& log;
    IProfileReader& settings;  // bEventLog, read for each event (settings.h)
    IJournalNotes& notes;      // says when an event could not be written
    std::string settingsPath;
    std::string folderNotWritable;  // why the program's folder cannot be written; empty if it can
    std::string version;
};

// The sink that writes the events.
class PassEvents final : public IPassSink {
public:
    explicit PassEvents(PassEventsSetup setup) : m_setup(std::move(setup)) {}

    void PassEnded(const PassRecord& record) override;
    // An Error when the program's folder cannot be written.
    void ProgramStarted(const ProgramState& state) override;
    // An Error for every setting that could not be saved: each is a click of the operator's.
    void SettingNotSaved(const std::string& reason) override;

private:
    void Write(const PassEvent& event);

    PassEventsSetup m_setup;
    // The pass before, whether or not its event was written: switching the events on again
    // does not repeat what was already so.
    std::optional<PassRecord> m_before;
};

// The operator's note when an event could not be written. "%s": why.
inline constexpr char kEventNotWrittenFormat[] = "Windows事件日志无法写入：%s";

}  // namespace tk
