#include "core/sync/pass_journal.h"

#include <utility>

namespace tk {

// Before the first pass the log counts as unwritable when its folder is.
PassJournal::PassJournal(ILogFile& log, IClock& clock, std::string folderNotWritable)
    : m_log(log),
      m_clock(clock),
      m_folderWritable(folderNotWritable.empty()),
      m_logNotWritten(std::move(folderNotWritable)) {}

// A log that cannot be written changes neither the status line, its colour nor the next pass:
// the double-click says why.
void PassJournal::PassEnded(const PassRecord& record) {
    std::string why;
    const bool logged = AppendPassLog(m_log, PassLogLines(record, m_clock), &why);
    m_logNotWritten = logged ? std::string() : why;
    m_last = record;
}

// The last pass, or that there has been none yet; a folder that cannot be written is said first.
const std::string& PassJournal::TipText() {
    m_tipText = StatusTipText(m_last ? &*m_last : nullptr, m_clock, m_folderWritable);
    return m_tipText;
}

// Word that the last lines could not be written, or that there is no log yet.
std::string PassJournal::LogNotShownText() {
    if (!m_logNotWritten.empty()) return LogNotWritableText(m_log.Path(), m_logNotWritten);
    if (m_log.Size() < 0) return "还没有校时日志。";
    return {};
}

}  // namespace tk
