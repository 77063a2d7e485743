#include "core/sync/pass_events.h"

#include "core/base/path_text.h"
#include "core/base/text_format.h"
#include "core/store/settings.h"
#include "core/sync/clock_texts.h"
#include "core/sync/pass_texts.h"

namespace tk {

std::string FailedScreensText(const PassRecord& record) {
    std::string text;
    for (const ScreenOutcome& screen : record.screens) {
        if (screen.failure == ScreenFailure::kNone) continue;
        if (!text.empty()) text += "\r\n";
        text += std::to_string(screen.number) + "号屏\t" + ScreenPlaceText(screen) + '\t' +
                ScreenFailureText(screen.failure);
    }
    return text;
}

std::optional<PassEvent> EventOfPass(const PassRecord& record, const PassRecord* before,
                                     const std::string& version) {
    if (record.Refused()) {
        if (before != nullptr && before->Refused()) return std::nullopt;
        return PassEvent{EventType::kError,
                         kEventClockRefused,
                         {PassEndText(record), record.clock ? ClockCheckLine(*record.clock) : ""}};
    }
    const std::string summary = PassSummaryText(record.count, record.failures);
    const std::string failed = FailedScreensText(record);
    const std::string failedBefore = before != nullptr ? FailedScreensText(*before) : "";
    if (!failed.empty()) {
        if (failed == failedBefore) return std::nullopt;
        return PassEvent{EventType::kWarning, kEventScreensFailed, {summary, failed}};
    }
    if (before == nullptr) {
        return PassEvent{EventType::kInformation, kEventProgramStarted, {version, summary}};
    }
    if (before->Refused() || !failedBefore.empty()) {
        return PassEvent{EventType::kInformation, kEventEveryScreenSet, {summary}};
    }
    return std::nullopt;
}

void PassEvents::PassEnded(const PassRecord& record) {
    const std::optional<PassEvent> event =
        EventOfPass(record, m_before ? &*m_before : nullptr, m_setup.version);
    m_before = record;
    if (event) Write(*event);
}

void PassEvents::ProgramStarted(const ProgramState&) {
    if (m_setup.folderNotWritable.empty()) return;
    Write({EventType::kError,
           kEventFolderNotWritable,
           {FolderOf(m_setup.settingsPath, kWindowsSeparators), m_setup.folderNotWritable}});
}

void PassEvents::SettingNotSaved(const std::string& reason) {
    Write({EventType::kError, kEventSettingNotSaved, {m_setup.settingsPath, reason}});
}

// The switch is read only when there is something to write: reading it costs a file access.
void PassEvents::Write(const PassEvent& event) {
    if (!ReadEventsSwitchedOn(m_setup.settings)) return;
    std::string why;
    if (!m_setup.log.Report(event.type, event.id, event.strings, &why)) {
        m_setup.notes.AddNote(Formatted(kEventNotWrittenFormat, why.c_str()));
    }
}

}  // namespace tk
