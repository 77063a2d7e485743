#include "core/sync/pass_journal.h"

#include <utility>

#include "core/base/text_format.h"

namespace tk {

// Before the first pass the log counts as unwritable when its folder is.
PassJournal::PassJournal(ILogFile& log, IClock& clock, std::string folderNotWritable,
                         std::string version)
    : m_log(log),
      m_clock(clock),
      m_folderWritable(folderNotWritable.empty()),
      m_version(std::move(version)),
      m_logNotWritten(std::move(folderNotWritable)) {}

// A log that cannot be written changes neither the status line, its colour nor the next pass:
// the double-click says why.
void PassJournal::Append(const std::string& lines) {
    std::string why;
    const bool logged = AppendPassLog(m_log, lines, &why);
    m_logNotWritten = logged ? std::string() : why;
}

void PassJournal::PassEnded(const PassRecord& record) {
    Append(PassLogLines(record, m_clock));
    m_last = record;
    m_notes.clear();
}

void PassJournal::ProgramStarted(const ProgramState& state) {
    Append(LogLine(m_clock.Now(), Formatted(kProgramStartedFormat, m_version.c_str()), m_clock));
    m_automatic = false;
    StateChanged(state);
}

void PassJournal::StateChanged(const ProgramState& state) {
    if (state.automatic == m_automatic) return;
    m_automatic = state.automatic;
    const std::string line =
        state.automatic
            ? Formatted(kAutomaticOnFormat, static_cast<long long>(state.intervalSeconds))
            : std::string(kAutomaticOffText);
    Append(LogLine(m_clock.Now(), line, m_clock));
}

void PassJournal::ProgramEnding(const ProgramState&) {
    Append(LogLine(m_clock.Now(), kProgramEndedText, m_clock));
}

void PassJournal::AddNote(const std::string& text) {
    Append(LogLine(m_clock.Now(), text, m_clock));
    m_notes += (m_notes.empty() ? "" : "\r\n") + text;
}

// The last pass, or that there has been none yet; a folder that cannot be written is said first.
const std::string& PassJournal::TipText() {
    m_tipText = StatusTipText(m_last ? &*m_last : nullptr, m_clock, m_folderWritable, m_notes);
    return m_tipText;
}

// Word that the last lines could not be written, or that there is no log yet.
std::string PassJournal::LogNotShownText() {
    if (!m_logNotWritten.empty()) return LogNotWritableText(m_log.Path(), m_logNotWritten);
    if (m_log.Size() < 0) return "还没有校时日志。";
    return {};
}

}  // namespace tk
